#include "app/unlock_test_support.h"

#include <chrono>

#include "core/file_io.h"
#include "core/text.h"
#include "core/unicode.h"

namespace {

typedef LONG(__cdecl* SpawnFn)(char* const argv[], int wait);

// Polls another thread's window until done() holds or ms pass.
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
    // Wine's own way to run a program of the host and wait for it:
    // CreateProcess gives no handle for one.
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    const auto spawn = reinterpret_cast<SpawnFn>(
        reinterpret_cast<void*>(ntdll ? GetProcAddress(ntdll, "__wine_unix_spawnvp") : nullptr));
    if (spawn == nullptr) return false;
    std::vector<std::string> copies{"/usr/bin/xdotool"};
    copies.insert(copies.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : copies) argv.push_back(&arg[0]);
    argv.push_back(nullptr);
    return spawn(argv.data(), 1) == 0;
}

DialogUser::DialogUser(Script script) : uiThread_(GetCurrentThreadId()) {
    thread_ = std::thread([this, script] {
        const bool played = WaitForDialog() && script(*this);
        if (WaitUntil([this] { return !IsWindow(dialog_); })) return;
        if (played) Fail("the dialog stayed open after the script");
        PostMessageW(dialog_, WM_CLOSE, 0, 0);
    });
}

std::string DialogUser::Finish() {
    if (thread_.joinable()) thread_.join();
    std::string all;
    for (const std::string& f : failures_) all += (all.empty() ? "" : "; ") + f;
    return all;
}

bool DialogUser::WaitForDialog() {
    const bool shown = WaitUntil([this] {
        dialog_ = FindWindowW(L"TavolinPasswordDlg", nullptr);
        field_ = dialog_ != nullptr ? GetDlgItem(dialog_, 1001) : nullptr;
        return field_ != nullptr && IsWindowVisible(dialog_) && FocusOf(uiThread_) == field_;
    });
    // Without a window manager key presses may go to the window under the
    // pointer: it rests on the subtitle.
    return (shown || Fail("no dialog with a focused field appeared")) && MoveTo(40, 76);
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
    return text;
}

wchar_t DialogUser::PasswordChar() const {
    DWORD_PTR mask = 0;
    SendMessageTimeoutW(field_, EM_GETPASSWORDCHAR, 0, 0, SMTO_ABORTIFHUNG, 2000, &mask);
    return static_cast<wchar_t>(mask);
}

bool DialogUser::WaitForField(const std::wstring& text) {
    if (WaitUntil([&] { return FieldText() == text; })) return true;
    return Fail("the field shows \"" + ToUtf8(FieldText()) + "\", not \"" + ToUtf8(text) + "\"");
}

bool DialogUser::Type(const std::string& ascii) {
    const std::wstring expected = FieldText() + ToWide(ascii);
    return (Xdotool({"type", "--delay", "15", ascii}) || Fail("xdotool type failed")) &&
           WaitForField(expected);
}

bool DialogUser::Key(const char* keys) {
    return Xdotool({"key", keys}) || Fail(std::string("xdotool key ") + keys + " failed");
}

bool DialogUser::MoveTo(int x, int y) {
    POINT at{x, y};
    ClientToScreen(dialog_, &at);
    // Not xdotool's own --sync, which waits many seconds when the pointer
    // is already there.
    const bool moved = Xdotool({"mousemove", std::to_string(at.x), std::to_string(at.y)}) && WaitUntil([&] {
                           POINT now;
                           return GetCursorPos(&now) && now.x == at.x && now.y == at.y;
                       });
    return moved || Fail(Format("the pointer did not reach %d, %d", x, y));
}

bool DialogUser::Click(const UnlockRect& part) {
    return MoveTo((part.left + part.right) / 2, (part.top + part.bottom) / 2) &&
           (Xdotool({"click", "1"}) || Fail("xdotool click failed"));
}

bool ScreenPicture::Take(HWND window) {
    RECT rect;
    if (!GetWindowRect(window, &rect)) return false;
    width_ = rect.right - rect.left;
    height_ = rect.bottom - rect.top;
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = width_;
    header.biHeight = height_;  // bottom-up, as a file keeps the rows
    header.biPlanes = 1;
    header.biBitCount = 24;
    const DWORD stride = (width_ * 3 + 3) / 4 * 4;
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + stride * height_;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    void* bits = nullptr;
    HBITMAP bitmap =
        CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ old = SelectObject(memory, bitmap);
    const bool copied = BitBlt(memory, 0, 0, width_, height_, screen, rect.left, rect.top, SRCCOPY);
    GdiFlush();
    file_.assign(reinterpret_cast<const char*>(&file), sizeof file);
    file_.append(reinterpret_cast<const char*>(&header), sizeof header);
    if (copied) file_.append(static_cast<const char*>(bits), stride * height_);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return copied;
}

COLORREF ScreenPicture::At(int x, int y) const {
    const size_t stride = (width_ * 3 + 3) / 4 * 4;
    const size_t at =
        sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + (height_ - 1 - y) * stride + x * 3;
    if (x < 0 || y < 0 || x >= width_ || y >= height_ || at + 3 > file_.size()) return CLR_INVALID;
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(file_[at + i]); };
    return RGB(byte(2), byte(1), byte(0));
}

bool ScreenPicture::Save(const std::string& path) const {
    return WriteWholeFile(path, file_);
}
