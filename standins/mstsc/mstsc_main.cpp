// Stand-in for the system's external RDP client, for tests and previews on
// machines without it. Started as "mstsc.exe /v:host:port", it shows a
// top-level window that names the address, and ends when asked to close.
//
// The environment variable TAVOLIN_MSTSC_STANDIN, a comma-separated list,
// lets a test choose harder behaviours:
//   narrow-only   only a 100-pixel-wide window, never a main window
//   narrow-first  a 100-pixel-wide window first, the main window 500 ms later
//   owned         an owned dialog on top of the main window
//   ignore-close  WM_CLOSE is ignored and the program does not end, even
//                 when its window is destroyed
//   no-window     no window at all
#include <windows.h>

#include <string>

namespace {

constexpr wchar_t kMainClass[] = L"TavolinMstscStandIn";
constexpr UINT_PTR kShowMainTimer = 1;

struct Options {
    bool narrowOnly = false;
    bool narrowFirst = false;
    bool owned = false;
    bool ignoreClose = false;
    bool noWindow = false;
};

Options g_options;
std::wstring g_address;
HWND g_main = nullptr;

bool HasWord(const std::wstring& list, const wchar_t* word) {
    const std::wstring padded = L"," + list + L",";
    return padded.find(std::wstring(L",") + word + L",") != std::wstring::npos;
}

Options ReadOptions() {
    wchar_t buffer[256] = {};
    const DWORD length = GetEnvironmentVariableW(L"TAVOLIN_MSTSC_STANDIN", buffer, 256);
    const std::wstring list = length > 0 && length < 256 ? std::wstring(buffer, length) : std::wstring();
    Options options;
    options.narrowOnly = HasWord(list, L"narrow-only");
    options.narrowFirst = HasWord(list, L"narrow-first");
    options.owned = HasWord(list, L"owned");
    options.ignoreClose = HasWord(list, L"ignore-close");
    options.noWindow = HasWord(list, L"no-window");
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
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0x9c, 0xd8, 0xff));
    const std::wstring text = L"mstsc stand-in\n" + g_address;
    DrawTextW(dc, text.c_str(), -1, &client, DT_CENTER | DT_VCENTER | DT_WORDBREAK);
    EndPaint(window, &paint);
}

HWND MakeWindow(const wchar_t* title, DWORD style, int width, int height, HWND owner) {
    HWND window = CreateWindowExW(0, kMainClass, title, style, 80, 80, width, height, owner, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    if (window != nullptr) ShowWindow(window, SW_SHOW);
    return window;
}

void ShowMainWindow() {
    const std::wstring title = L"远程桌面连接 - " + g_address;
    g_main = MakeWindow(title.c_str(), WS_OVERLAPPEDWINDOW, 800, 600, nullptr);
    if (g_options.owned)
        MakeWindow(L"Windows 安全中心", WS_POPUP | WS_CAPTION | WS_SYSMENU, 360, 200, g_main);
}

// Asked to close, a real client destroys its window (so whoever holds it
// as a child hears of it) and exits once its main window has gone; one
// stuck on a confirmation ("ignore-close") does neither.
LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT:
            Paint(window);
            return 0;
        case WM_TIMER:
            if (wParam == kShowMainTimer) {
                KillTimer(window, kShowMainTimer);
                ShowMainWindow();
            }
            return 0;
        case WM_CLOSE:
            if (!g_options.ignoreClose) DestroyWindow(window);
            return 0;
        case WM_DESTROY:
            // Also when its parent took the window down; one stuck on a
            // confirmation stays in that dialog's loop and never gets here.
            if (window == g_main && !g_options.ignoreClose) PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
    g_options = ReadOptions();
    g_address = ReadAddress(commandLine);

    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kMainClass;
    RegisterClassW(&windowClass);

    if (!g_options.noWindow) {
        if (g_options.narrowOnly || g_options.narrowFirst) {
            HWND narrow = MakeWindow(L"mstsc", WS_POPUP | WS_BORDER, 100, 300, nullptr);
            if (g_options.narrowFirst && narrow != nullptr) SetTimer(narrow, kShowMainTimer, 500, nullptr);
        } else {
            ShowMainWindow();
        }
    }

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
