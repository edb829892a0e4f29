// What the end-to-end suite cannot see from the page: the program's native
// windows. Prints one JSON object per line for every top-level window of
// the processes named on the command line, each with its children; and
// sends the window messages a user's actions would cause.
//   window_probe.exe list IMAGE.exe
//   window_probe.exe close|minimize HWND
//   window_probe.exe answer DIALOG_HWND ID    a dialog's button pressed (IDYES 6, IDNO 7)
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string Utf8(const wchar_t* text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(size > 0 ? size - 1 : 0, '\0');
    if (size > 1) WideCharToMultiByte(CP_UTF8, 0, text, -1, &out[0], size, nullptr, nullptr);
    return out;
}

std::string Quoted(const wchar_t* text) {
    std::string out = "\"";
    for (const char c : Utf8(text)) {
        if (c == '"' || c == '\\') out += '\\';
        if (static_cast<unsigned char>(c) < 0x20) continue;
        out += c;
    }
    return out + "\"";
}

std::string Describe(HWND window) {
    wchar_t className[128] = {}, title[256] = {};
    GetClassNameW(window, className, 128);
    GetWindowTextW(window, title, 256);
    RECT r = {};
    GetWindowRect(window, &r);
    POINT client = {0, 0};  // where the client area starts on the screen
    ClientToScreen(window, &client);
    char numbers[320];
    std::snprintf(numbers, sizeof numbers,
                  "\"hwnd\":\"%llx\",\"x\":%ld,\"y\":%ld,\"w\":%ld,\"h\":%ld,\"cx\":%ld,\"cy\":%ld,"
                  "\"visible\":%s,\"iconic\":%s,\"zoomed\":%s,\"style\":%lu,\"focused\":%s,\"dpi\":%u,"
                  "\"exstyle\":%lu",
                  static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(window)), r.left, r.top,
                  r.right - r.left, r.bottom - r.top, client.x, client.y,
                  IsWindowVisible(window) ? "true" : "false", IsIconic(window) ? "true" : "false",
                  IsZoomed(window) ? "true" : "false",
                  static_cast<unsigned long>(GetWindowLongW(window, GWL_STYLE)),
                  GetFocus() == window ? "true" : "false", GetDpiForWindow(window),
                  static_cast<unsigned long>(GetWindowLongW(window, GWL_EXSTYLE)));
    return "{\"class\":" + Quoted(className) + ",\"title\":" + Quoted(title) + "," + numbers;
}

BOOL CALLBACK EachChild(HWND child, LPARAM out) {
    auto* text = reinterpret_cast<std::string*>(out);
    if (!text->empty() && text->back() == '}') *text += ",";
    *text += Describe(child) + "}";
    return TRUE;
}

std::wstring ImageOf(DWORD pid) {
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (process == nullptr) return std::wstring();
    wchar_t path[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    QueryFullProcessImageNameW(process, 0, path, &size);
    CloseHandle(process);
    const wchar_t* slash = wcsrchr(path, L'\\');
    return slash != nullptr ? slash + 1 : path;
}

BOOL CALLBACK EachTopLevel(HWND window, LPARAM image) {
    DWORD pid = 0;
    const DWORD thread = GetWindowThreadProcessId(window, &pid);
    if (_wcsicmp(ImageOf(pid).c_str(), reinterpret_cast<const wchar_t*>(image)) != 0) return TRUE;
    // The focus is per thread: attach to read the program's.
    AttachThreadInput(GetCurrentThreadId(), thread, TRUE);
    std::string children;
    EnumChildWindows(window, EachChild, reinterpret_cast<LPARAM>(&children));
    char pidText[32];
    std::snprintf(pidText, sizeof pidText, ",\"pid\":%lu", static_cast<unsigned long>(pid));
    std::printf("%s%s,\"foreground\":%s,\"children\":[%s]}\n", Describe(window).c_str(), pidText,
                GetForegroundWindow() == window ? "true" : "false", children.c_str());
    AttachThreadInput(GetCurrentThreadId(), thread, FALSE);
    return TRUE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) return 2;
    // Rectangles as the program's own windows have them: in device pixels,
    // not scaled for a program that knows nothing of DPI.
    SetThreadDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    const std::wstring command = argv[1];
    if (command == L"list") {
        EnumWindows(EachTopLevel, reinterpret_cast<LPARAM>(argv[2]));
        return 0;
    }
    HWND window = reinterpret_cast<HWND>(static_cast<UINT_PTR>(std::wcstoull(argv[2], nullptr, 16)));
    if (command == L"close") return PostMessageW(window, WM_CLOSE, 0, 0) ? 0 : 1;
    if (command == L"minimize") return ShowWindow(window, SW_MINIMIZE), 0;
    if (command == L"answer" && argc == 4) {
        const int id = _wtoi(argv[3]);
        return PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                            reinterpret_cast<LPARAM>(GetDlgItem(window, id)))
                   ? 0
                   : 1;
    }
    return 2;
}
