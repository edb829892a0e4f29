#include "app/unlock_test_support.h"

#include <chrono>

#include "core/file_io.h"
#include "core/text.h"
#include "core/unicode.h"

namespace {

constexpr wchar_t kDialogClass[] = L"TavolinPasswordDlg";
constexpr int kFieldId = 1001;
constexpr wchar_t kChildVariable[] = L"TAVOLIN_UNLOCK_TEST_CHILD";

typedef LONG(__cdecl* SpawnFn)(char* const argv[], int wait);

// Wine's own way to run a program of the machine it runs on and wait for it;
// CreateProcess gives no handle for one.
SpawnFn Spawner() {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    if (ntdll == nullptr) return nullptr;
    return reinterpret_cast<SpawnFn>(reinterpret_cast<void*>(GetProcAddress(ntdll, "__wine_unix_spawnvp")));
}

// Polls what another thread's window shows until done() holds or ms pass.
bool WaitUntil(const std::function<bool()>& done, int ms = 5000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        Sleep(20);
    }
    return true;
}

HWND FocusOf(DWORD thread) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(thread, &info) ? info.hwndFocus : nullptr;
}

}  // namespace

bool Xdotool(std::initializer_list<std::string> args) {
    const SpawnFn spawn = Spawner();
    if (spawn == nullptr) return false;
    std::vector<std::string> copies{"/usr/bin/xdotool"};
    copies.insert(copies.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : copies) argv.push_back(&arg[0]);
    argv.push_back(nullptr);
    return spawn(argv.data(), 1) == 0;
}

bool MovePointer(int x, int y) {
    // Not xdotool's own --sync: it waits many seconds when the pointer is
    // already there.
    if (!Xdotool({"mousemove", std::to_string(x), std::to_string(y)})) return false;
    return WaitUntil(
        [&] {
            POINT now;
            return GetCursorPos(&now) && now.x == x && now.y == y;
        },
        2000);
}

DialogUser::DialogUser(Script script) : uiThread_(GetCurrentThreadId()) {
    thread_ = std::thread([this, script] { Play(script); });
}

DialogUser::~DialogUser() {
    Finish();
}

std::string DialogUser::Finish() {
    if (thread_.joinable()) thread_.join();
    std::string all;
    for (const std::string& f : failures_) all += (all.empty() ? "" : "; ") + f;
    return all;
}

void DialogUser::Play(const Script& script) {
    const bool played = WaitForDialog() && script(*this);
    // The script's last step ends the dialog; one that stays open fails.
    if (WaitUntil([this] { return !IsWindow(dialog_); })) return;
    if (played) Fail("the dialog stayed open after the script");
    PostMessageW(dialog_, WM_CLOSE, 0, 0);
}

bool DialogUser::WaitForDialog() {
    const bool shown = WaitUntil([this] {
        dialog_ = FindWindowW(kDialogClass, nullptr);
        field_ = dialog_ != nullptr ? GetDlgItem(dialog_, kFieldId) : nullptr;
        return field_ != nullptr && IsWindowVisible(dialog_) && FocusOf(uiThread_) == field_;
    });
    if (!shown)
        return Fail(Format("no dialog with a focused field appeared (dialog %p field %p visible %d focus %p)",
                           (void*)dialog_, (void*)field_, dialog_ ? IsWindowVisible(dialog_) : -1,
                           (void*)FocusOf(uiThread_)));
    // Key presses go to the window under the pointer when no window manager
    // hands out the focus: the pointer rests on the dialog's subtitle.
    return MoveTo(40, 76);
}

bool DialogUser::Fail(const std::string& note) {
    failures_.push_back(note);
    return false;
}

std::wstring DialogUser::FieldText() const {
    wchar_t text[512] = {};
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(field_, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000,
                        &copied);
    return std::wstring(text);
}

wchar_t DialogUser::PasswordChar() const {
    DWORD_PTR mask = 0;
    SendMessageTimeoutW(field_, EM_GETPASSWORDCHAR, 0, 0, SMTO_ABORTIFHUNG, 2000, &mask);
    return static_cast<wchar_t>(mask);
}

POINT DialogUser::ToScreen(int x, int y) const {
    POINT point{x, y};
    ClientToScreen(dialog_, &point);
    return point;
}

bool DialogUser::WaitForField(const std::wstring& text) {
    if (WaitUntil([&] { return FieldText() == text; })) return true;
    return Fail("the field shows \"" + ToUtf8(FieldText()) + "\", not \"" + ToUtf8(text) + "\"");
}

bool DialogUser::Type(const std::string& ascii) {
    const std::wstring expected = FieldText() + ToWide(ascii);
    if (!Xdotool({"type", "--delay", "15", ascii})) return Fail("xdotool type failed");
    return WaitForField(expected);
}

bool DialogUser::Key(const char* keys) {
    return Xdotool({"key", keys}) || Fail(std::string("xdotool key ") + keys + " failed");
}

bool DialogUser::MoveTo(int x, int y) {
    const POINT at = ToScreen(x, y);
    return MovePointer(at.x, at.y) || Fail(Format("the pointer did not reach %ld, %ld", at.x, at.y));
}

bool DialogUser::ClickAt(int x, int y) {
    return MoveTo(x, y) && (Xdotool({"click", "1"}) || Fail("xdotool click failed"));
}

bool DialogUser::Click(UnlockItem item) {
    const UnlockLayout layout = LayoutUnlockDialog(unlock::kDialogWidth, unlock::kDialogHeight);
    const UnlockRect& r = item == UnlockItem::Toggle     ? layout.toggle
                          : item == UnlockItem::OkButton ? layout.okButton
                                                         : layout.exitButton;
    return ClickAt((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

bool EnsureChineseFontReplacement() {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\Fonts\\Replacements", 0, nullptr, 0,
                        KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    const std::wstring face = ToWide("Noto Sans CJK SC");
    const LONG set = RegSetValueExW(key, ToWide("Microsoft YaHei UI").c_str(), 0, REG_SZ,
                                    reinterpret_cast<const BYTE*>(face.c_str()),
                                    static_cast<DWORD>((face.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return set == ERROR_SUCCESS;
}

int RunInChild(const std::string& testName) {
    wchar_t self[MAX_PATH] = {};
    if (GetModuleFileNameW(nullptr, self, MAX_PATH) == 0) return -1;
    std::wstring command =
        L"\"" + std::wstring(self) + L"\" --gtest_brief=1 --gtest_filter=" + ToWide(testName);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    SetEnvironmentVariableW(kChildVariable, L"1");
    const BOOL started =
        CreateProcessW(self, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
    SetEnvironmentVariableW(kChildVariable, nullptr);
    if (!started) return -1;
    WaitForSingleObject(process.hProcess, 120000);
    DWORD code = static_cast<DWORD>(-1);
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
}

bool IsChildRun() {
    return GetEnvironmentVariableW(kChildVariable, nullptr, 0) != 0;
}

bool ScreenPicture::Take(HWND window) {
    RECT rect;
    if (!GetWindowRect(window, &rect)) return false;
    width_ = rect.right - rect.left;
    height_ = rect.bottom - rect.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width_, height_);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width_, height_, screen, rect.left, rect.top, SRCCOPY);
    SelectObject(memory, old);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width_;
    info.bmiHeader.biHeight = -height_;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<DWORD> bgra(static_cast<size_t>(width_) * height_);
    const int rows = GetDIBits(memory, bitmap, 0, height_, bgra.data(), &info, DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    pixels_.clear();
    for (DWORD p : bgra) pixels_.push_back(RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF));
    return rows == height_;
}

COLORREF ScreenPicture::At(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return CLR_INVALID;
    return pixels_[static_cast<size_t>(y) * width_ + x];
}

int ScreenPicture::Count(const UnlockRect& area, const std::function<bool(COLORREF)>& test) const {
    int count = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x) count += test(At(x, y)) ? 1 : 0;
    return count;
}

bool ScreenPicture::Save(const std::string& path) const {
    const int stride = (width_ * 3 + 3) / 4 * 4;
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = width_;
    header.biHeight = height_;  // bottom-up, as BMP files store rows
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + stride * height_;
    std::string data(reinterpret_cast<const char*>(&file), sizeof file);
    data.append(reinterpret_cast<const char*>(&header), sizeof header);
    for (int y = height_ - 1; y >= 0; --y) {
        std::string row(stride, '\0');
        for (int x = 0; x < width_; ++x) {
            const COLORREF c = At(x, y);
            row[x * 3] = static_cast<char>(GetBValue(c));
            row[x * 3 + 1] = static_cast<char>(GetGValue(c));
            row[x * 3 + 2] = static_cast<char>(GetRValue(c));
        }
        data += row;
    }
    return WriteWholeFile(path, data);
}
