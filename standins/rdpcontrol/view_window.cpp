#include "standins/rdpcontrol/view_window.h"

#include "core/gdi_object.h"
#include "standins/rdpcontrol/module.h"
#include "standins/rdpcontrol/rdp_interfaces.h"

namespace {

constexpr wchar_t kViewWindowClass[] = L"TavolinRdpStandinView";
constexpr COLORREF kBackground = RGB(0x1e, 0x22, 0x2a);
constexpr COLORREF kForeground = RGB(0xe6, 0xe9, 0xef);
constexpr int kMargin = 12;

ViewSource* SourceOf(HWND window) {
    return reinterpret_cast<ViewSource*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

void Draw(HWND window, HDC dc) {
    RECT client;
    GetClientRect(window, &client);
    const UniqueGdiObject background(CreateSolidBrush(kBackground));
    FillRect(dc, &client, background.brush());

    ViewSource* source = SourceOf(window);
    if (source == nullptr) return;
    HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, kForeground);
    TEXTMETRICW metrics = {};
    GetTextMetricsW(dc, &metrics);
    const int lineHeight = metrics.tmHeight + metrics.tmExternalLeading + 4;
    int y = kMargin;
    try {
        for (const std::wstring& line : source->ViewLines()) {
            TextOutW(dc, kMargin, y, line.c_str(), static_cast<int>(line.size()));
            y += lineHeight;
        }
    } catch (...) {
        // Nothing drawn beats an exception leaving the window procedure.
    }
    SelectObject(dc, oldFont);
}

void Paint(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    Draw(window, dc);
    EndPaint(window, &paint);
}

LRESULT CALLBACK ViewWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_NCCREATE: {
            const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
            SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
            break;
        }
        case WM_ERASEBKGND:
            return 1;  // WM_PAINT fills everything
        case WM_PAINT:
            Paint(window);
            return 0;
        case WM_LBUTTONDOWN:  // a click gives the session the keyboard
            SetFocus(window);
            return 0;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            // The release-focus keys (imstscaxevents-onfocusreleased); with
            // Alt held the arrow may come as a system key.
            if ((wParam == VK_LEFT || wParam == VK_RIGHT) && (GetKeyState(VK_CONTROL) & 0x8000) != 0 &&
                (GetKeyState(VK_MENU) & 0x8000) != 0) {
                if (ViewSource* source = SourceOf(window))
                    source->ViewReleaseFocus(wParam == VK_RIGHT ? kFocusReleasedRight : kFocusReleasedLeft);
                return 0;
            }
            break;
        case WM_PRINTCLIENT:  // PrintWindow: screenshots of the program
            Draw(window, reinterpret_cast<HDC>(wParam));
            return 0;
        case WM_NCDESTROY: {
            ViewSource* source = SourceOf(window);
            SetWindowLongPtrW(window, GWLP_USERDATA, 0);
            if (source != nullptr) source->ViewDestroyed();
            break;
        }
        default:
            break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void RegisterViewWindowClass() {
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = ViewWindowProc;
    windowClass.hInstance = StandinInstance();
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kViewWindowClass;
    RegisterClassExW(&windowClass);  // fails harmlessly once registered
}

}  // namespace

HWND CreateViewWindow(HWND parent, const RECT& position, ViewSource* source) {
    RegisterViewWindowClass();
    return CreateWindowExW(0, kViewWindowClass, L"Remote desktop (stand-in)",
                           WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, position.left, position.top,
                           position.right - position.left, position.bottom - position.top, parent, nullptr,
                           StandinInstance(), source);
}

void UnregisterViewWindowClass() {
    UnregisterClassW(kViewWindowClass, StandinInstance());
}
