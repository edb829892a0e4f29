// Stand-in for the system's external RDP client (Remote Desktop Connection),
// for tests and previews on machines without it. Started as
// "mstsc.exe /v:host:port", it behaves as Microsoft's client does towards
// whoever watches its windows:
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
