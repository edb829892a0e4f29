// Stand-in for the system's external RDP client (Remote Desktop Connection),
// for tests and previews on machines without it. Started as
// "mstsc.exe [<connection file>] [/v:host:port]" (a .rdp file of "key:type:
// value" lines, UTF-16LE with its byte-order mark as Windows writes them, or
// UTF-8; /v names the server over the file's "full address"), it reads the
// file as it starts, before its first window, and behaves as Microsoft's
// client does towards whoever watches its windows:
//  - a file it cannot open ends it at once, without a window;
//  - its first window is the connection status ("正在初始化远程连接…"), a
//    top-level window of its own class;
//  - a credential prompt may come next, and the user answers it in their own
//    time: "确定" goes on, "取消" or closing it ends the program without a
//    main window;
//  - only then does the main window appear, of the client's real main window
//    class "TscShellContainerClass", titled "<address> - 远程桌面连接"; the
//    status window goes away with it;
//  - asked to close, it destroys its main window and ends.
//
// The environment variable TAVOLIN_MSTSC_STANDIN, a comma-separated list,
// lets a test choose harder behaviours:
//   prompt        a credential prompt before the main window, answered by
//                 clicking one of its buttons
//   slow-user     the prompt, answered "确定" by the user after 40 seconds
//   owned         an owned dialog on top of the main window
//   ignore-close  WM_CLOSE is ignored and the program does not end, even
//                 when its window is destroyed
// TAVOLIN_MSTSC_STANDIN_RECORD names a file where it writes, in UTF-8, what
// it read: "file <path>", then every setting line of the connection file as
// "key:type:value"; or "unreadable <path>".
#include <windows.h>

#include <string>

namespace {

constexpr wchar_t kMainClass[] = L"TscShellContainerClass";
constexpr wchar_t kDialogClass[] = L"TavolinMstscDialog";
constexpr UINT_PTR kStatusDoneTimer = 1;
constexpr UINT_PTR kUserAnswersTimer = 2;
constexpr UINT kStatusMs = 300;
constexpr UINT kSlowUserMs = 40000;

struct Options {
    bool prompt = false;
    bool slowUser = false;
    bool owned = false;
    bool ignoreClose = false;
};

Options g_options;
std::wstring g_address;
HWND g_main = nullptr;
HWND g_status = nullptr;
HWND g_prompt = nullptr;

bool HasWord(const std::wstring& list, const wchar_t* word) {
    const std::wstring padded = L"," + list + L",";
    return padded.find(std::wstring(L",") + word + L",") != std::wstring::npos;
}

Options ReadOptions() {
    wchar_t buffer[256] = {};
    const DWORD length = GetEnvironmentVariableW(L"TAVOLIN_MSTSC_STANDIN", buffer, 256);
    const std::wstring list = length > 0 && length < 256 ? std::wstring(buffer, length) : std::wstring();
    Options options;
    options.slowUser = HasWord(list, L"slow-user");
    options.prompt = HasWord(list, L"prompt") || options.slowUser;
    options.owned = HasWord(list, L"owned");
    options.ignoreClose = HasWord(list, L"ignore-close");
    return options;
}

// The text after "/v:" up to the next blank, as the real client reads it.
std::wstring ReadAddress(const wchar_t* commandLine) {
    const std::wstring line = commandLine != nullptr ? commandLine : L"";
    const std::size_t at = line.find(L"/v:");
    if (at == std::wstring::npos) return std::wstring();
    const std::size_t start = at + 3;
    const std::size_t end = line.find(L' ', start);
    return line.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
}

std::wstring Environment(const wchar_t* name) {
    wchar_t buffer[1024] = {};
    const DWORD length = GetEnvironmentVariableW(name, buffer, 1024);
    return length > 0 && length < 1024 ? std::wstring(buffer, length) : std::wstring();
}

// The first argument that is no switch, without its quotes.
std::wstring ReadFileArgument(const wchar_t* commandLine) {
    const std::wstring line = commandLine != nullptr ? commandLine : L"";
    std::size_t at = 0;
    while (at < line.size()) {
        while (at < line.size() && line[at] == L' ') ++at;
        if (at >= line.size()) break;
        const bool quoted = line[at] == L'"';
        const std::size_t start = quoted ? at + 1 : at;
        std::size_t end = line.find(quoted ? L'"' : L' ', start);
        if (end == std::wstring::npos) end = line.size();
        const std::wstring token = line.substr(start, end - start);
        if (!token.empty() && token[0] != L'/') return token;
        at = end + 1;
    }
    return std::wstring();
}

std::string ToUtf8(const std::wstring& text) {
    if (text.empty()) return std::string();
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], size, nullptr,
                            nullptr);
    return out;
}

// The file's text, by its byte-order mark.
bool ReadConnectionFile(const std::wstring& path, std::wstring* text) {
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    std::string bytes;
    char chunk[4096];
    DWORD read = 0;
    while (ReadFile(file, chunk, sizeof chunk, &read, nullptr) && read > 0) bytes.append(chunk, read);
    CloseHandle(file);
    if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') {
        text->assign(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
        return true;
    }
    const std::size_t skip = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    const int size = MultiByteToWideChar(CP_UTF8, 0, bytes.data() + skip,
                                         static_cast<int>(bytes.size() - skip), nullptr, 0);
    text->assign(static_cast<std::size_t>(size > 0 ? size : 0), L'\0');
    if (size > 0)
        MultiByteToWideChar(CP_UTF8, 0, bytes.data() + skip, static_cast<int>(bytes.size() - skip),
                            &(*text)[0], size);
    return true;
}

// The settings as "key:type:value" lines; the address from "full address".
std::string TakeSettings(const std::wstring& text) {
    std::string record;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos) end = text.size();
        std::wstring line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == L'\r') line.pop_back();
        if (line.empty()) continue;
        record += ToUtf8(line) + "\n";
        const std::wstring address = L"full address:s:";
        if (line.compare(0, address.size(), address) == 0 && g_address.empty())
            g_address = line.substr(address.size());
    }
    return record;
}

void WriteRecord(const std::string& text) {
    const std::wstring path = Environment(L"TAVOLIN_MSTSC_STANDIN_RECORD");
    if (path.empty()) return;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

// False when the file named cannot be read, as the client then gives up.
bool ReadConnection(const wchar_t* commandLine) {
    const std::wstring path = ReadFileArgument(commandLine);
    if (path.empty()) return true;
    std::wstring text;
    if (!ReadConnectionFile(path, &text)) {
        WriteRecord("unreadable " + ToUtf8(path) + "\n");
        return false;
    }
    WriteRecord("file " + ToUtf8(path) + "\n" + TakeSettings(text));
    return true;
}

void Paint(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);
    const bool main = window == g_main;
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(main ? BLACK_BRUSH : WHITE_BRUSH)));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, main ? RGB(0x9c, 0xd8, 0xff) : RGB(0, 0, 0));
    const std::wstring text = main ? L"mstsc stand-in\n" + g_address
                                   : (window == g_status ? L"正在初始化远程连接…" : L"输入你的凭据");
    DrawTextW(dc, text.c_str(), -1, &client, DT_CENTER | DT_WORDBREAK);
    EndPaint(window, &paint);
}

HWND MakeWindow(const wchar_t* windowClass, const wchar_t* title, DWORD style, int width, int height,
                HWND owner) {
    HWND window = CreateWindowExW(0, windowClass, title, style, 80, 80, width, height, owner, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    if (window != nullptr) ShowWindow(window, SW_SHOW);
    return window;
}

void AddButton(HWND parent, const wchar_t* text, int id, int x) {
    CreateWindowExW(0, L"BUTTON", text, WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, x, 200, 90, 28, parent,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
}

void ShowMainWindow() {
    const std::wstring title = g_address + L" - 远程桌面连接";
    g_main = MakeWindow(kMainClass, title.c_str(), WS_OVERLAPPEDWINDOW, 800, 600, nullptr);
    if (g_status != nullptr) DestroyWindow(g_status);
    if (g_options.owned)
        MakeWindow(kDialogClass, L"远程桌面连接", WS_POPUP | WS_CAPTION | WS_SYSMENU, 360, 200, g_main);
}

void ShowPrompt() {
    g_prompt =
        MakeWindow(kDialogClass, L"Windows 安全中心", WS_POPUP | WS_CAPTION | WS_SYSMENU, 450, 280, nullptr);
    AddButton(g_prompt, L"确定", IDOK, 120);
    AddButton(g_prompt, L"取消", IDCANCEL, 230);
    if (g_options.slowUser) SetTimer(g_prompt, kUserAnswersTimer, kSlowUserMs, nullptr);
}

// The user's answer to the credential prompt.
void Answer(bool go) {
    HWND prompt = g_prompt;
    g_prompt = nullptr;
    DestroyWindow(prompt);
    if (go) {
        ShowMainWindow();
    } else {
        PostQuitMessage(0);  // no credentials, no connection
    }
}

LRESULT OnTimer(HWND window, WPARAM id) {
    KillTimer(window, id);
    if (id == kStatusDoneTimer) {
        if (g_options.prompt) {
            ShowPrompt();
        } else {
            ShowMainWindow();
        }
    } else if (id == kUserAnswersTimer && window == g_prompt) {
        Answer(true);
    }
    return 0;
}

// Asked to close, the client destroys its window (so whoever holds it as a
// child hears of it) and exits once its main window has gone; one stuck on a
// confirmation ("ignore-close") does neither.
LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT:
            Paint(window);
            return 0;
        case WM_TIMER:
            return OnTimer(window, wParam);
        case WM_COMMAND:
            if (window == g_prompt && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL))
                Answer(LOWORD(wParam) == IDOK);
            return 0;
        case WM_CLOSE:
            if (window == g_prompt) {
                Answer(false);
            } else if (window == g_status) {
                PostQuitMessage(0);  // the connection attempt was cancelled
            } else if (!g_options.ignoreClose) {
                DestroyWindow(window);
            }
            return 0;
        case WM_DESTROY:
            // Also when its parent took the window down; one stuck on a
            // confirmation stays in that dialog's loop and never gets here.
            if (window == g_main && !g_options.ignoreClose) PostQuitMessage(0);
            if (window == g_status) g_status = nullptr;
            return 0;
        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

void RegisterClasses(HINSTANCE instance) {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kMainClass;
    RegisterClassW(&windowClass);
    windowClass.lpszClassName = kDialogClass;
    RegisterClassW(&windowClass);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
    g_options = ReadOptions();
    g_address = ReadAddress(commandLine);
    if (!ReadConnection(commandLine)) return 1;
    RegisterClasses(instance);

    // The status window is as wide as a main window: width tells nobody
    // which window is the main one.
    g_status =
        MakeWindow(kDialogClass, L"远程桌面连接", WS_POPUP | WS_CAPTION | WS_SYSMENU, 460, 220, nullptr);
    SetTimer(g_status, kStatusDoneTimer, kStatusMs, nullptr);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
