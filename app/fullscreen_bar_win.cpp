#include <windows.h>
// windowsx.h needs the types of windows.h first.
#include <windowsx.h>

#include <string>

#include "app/dpi_units.h"
#include "app/fullscreen_bar.h"
#include "controller/page_events.h"
#include "core/gdi_object.h"
#include "core/unicode.h"

namespace {

constexpr wchar_t kBarClass[] = L"TavolinFsBar";

constexpr COLORREF kBackground = RGB(28, 32, 42);
constexpr COLORREF kBottomLine = RGB(58, 64, 78);
constexpr COLORREF kActiveTab = RGB(59, 130, 246);
constexpr COLORREF kOtherTab = RGB(44, 49, 61);
constexpr COLORREF kExitButton = RGB(185, 65, 65);
constexpr COLORREF kText = RGB(255, 255, 255);

RECT ToRect(const BarRect& r) {
    return RECT{r.left, r.top, r.right, r.bottom};
}

void Fill(HDC dc, const RECT& rect, COLORREF colour) {
    const UniqueGdiObject brush(CreateSolidBrush(colour));
    FillRect(dc, &rect, brush.brush());
}

void DrawLabel(HDC dc, const std::wstring& text, RECT rect, UINT format) {
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect, format);
}

DWORD Now() {
    return GetTickCount();
}

}  // namespace

bool FullscreenBar::Create(const FullscreenHost& host, const BarRect& screenRect) {
    if (window_ != nullptr) return true;
    host_ = host;
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &FullscreenBar::Proc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    windowClass.lpszClassName = kBarClass;
    // Registered by the first full screen of the run; the later attempts
    // fail and change nothing.
    RegisterClassExW(&windowClass);
    state_ = BarVisibility{true, Now() + kBarHideDelayMs};
    // Never activated, neither when it shows nor when it is clicked: the
    // keyboard stays with the remote desktop under it
    // (learn.microsoft.com/windows/win32/winmsg/extended-window-styles, WS_EX_NOACTIVATE).
    CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kBarClass, L"", WS_POPUP,
                    screenRect.left, screenRect.top, screenRect.right - screenRect.left,
                    screenRect.bottom - screenRect.top, host.mainWindow, nullptr, GetModuleHandleW(nullptr),
                    this);
    if (window_ == nullptr) {
        state_.visible = false;
        return false;
    }
    ShowWindow(window_, SW_SHOWNOACTIVATE);
    return true;
}

void FullscreenBar::Destroy() {
    state_.visible = false;
    if (window_ == nullptr) return;
    // Cleared first: the window may be destroyed from inside its own click.
    const HWND window = window_;
    window_ = nullptr;
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    DestroyWindow(window);
}

void FullscreenBar::Poll() {
    POINT cursor = {};
    RECT rect = {};
    if (window_ == nullptr || !GetCursorPos(&cursor) || !GetWindowRect(window_, &rect)) return;
    Apply(PollBar(state_, cursor.x, cursor.y, BarRect{rect.left, rect.top, rect.right, rect.bottom}, Now()));
}

void FullscreenBar::Invalidate() {
    if (window_ != nullptr) InvalidateRect(window_, nullptr, FALSE);
}

void FullscreenBar::Apply(BarChange change) {
    if (change == BarChange::kShow) ShowWindow(window_, SW_SHOWNOACTIVATE);
    if (change == BarChange::kHide) ShowWindow(window_, SW_HIDE);
}

LRESULT CALLBACK FullscreenBar::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* bar = static_cast<FullscreenBar*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        bar->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(bar));
    }
    auto* bar = reinterpret_cast<FullscreenBar*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (bar == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        // Destroyed with its owner, the main window.
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        bar->window_ = nullptr;
        bar->state_.visible = false;
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return bar->Handle(message, wParam, lParam);
}

LRESULT FullscreenBar::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_MOUSEMOVE:
            state_.hideDeadline = Now() + kBarHideDelayMs;
            return 0;
        case WM_MOUSEACTIVATE:
            return MA_NOACTIVATE;
        case WM_PAINT:
            Paint();
            return 0;
        case WM_LBUTTONDOWN:
            OnClick(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
            return 0;
        default:
            return DefWindowProcW(window_, message, wParam, lParam);
    }
}

// Laid out and drawn in 96-DPI units, at the monitor's resolution.
void FullscreenBar::Paint() {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window_, &paint);
    RECT client = {};
    GetClientRect(window_, &client);
    const int dpi = WindowDpi(window_);
    const DesignUnits units(dc, dpi);
    const int width = ToDesign(client.right, dpi);
    const int height = ToDesign(client.bottom, dpi);
    client = RECT{0, 0, width, height};
    // The system's Chinese UI font: the default font of a device context
    // has no Chinese glyphs on some systems.
    const UniqueGdiObject font(MakeUiFont(-13, FW_NORMAL));
    const HGDIOBJ oldFont = SelectObject(dc, font.get());
    Fill(dc, client, kBackground);
    {
        const UniqueGdiObject pen(CreatePen(PS_SOLID, 1, kBottomLine));
        const HGDIOBJ old = SelectObject(dc, pen.get());
        MoveToEx(dc, 0, height - 1, nullptr);
        LineTo(dc, width, height - 1);
        SelectObject(dc, old);
    }
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, kText);
    PaintTabs(dc, width, height);
    const RECT exit = ToRect(ExitButtonRect(width, height));
    Fill(dc, exit, kExitButton);
    DrawLabel(dc, L"退出全屏", exit, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    SelectObject(dc, oldFont);
    EndPaint(window_, &paint);
}

void FullscreenBar::PaintTabs(HDC dc, int width, int height) {
    if (host_.tabs == nullptr) return;
    const std::vector<TabEntry>& tabs = host_.tabs->tabs();
    const int laidOut = FittingTabButtons(width, static_cast<int>(tabs.size()));
    for (int i = 0; i < laidOut; ++i) {
        const TabEntry& tab = tabs[static_cast<std::size_t>(i)];
        const BarRect button = TabButtonRect(i, height);
        Fill(dc, ToRect(button), tab.id == host_.tabs->activeTabId() ? kActiveTab : kOtherTab);
        std::string label = TabButtonLabel(host_.config, tab.id);
        if (label == tab.id && !tab.label.empty()) label = tab.label;  // a server in no list
        if (!tab.note.empty()) label += " · " + tab.note;
        DrawLabel(dc, ToWide(label), ToRect(TabLabelRect(button, height)),
                  DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
    }
}

void FullscreenBar::OnClick(int x, int y) {
    RECT client = {};
    GetClientRect(window_, &client);
    const int dpi = WindowDpi(window_);
    const int tabCount = host_.tabs != nullptr ? static_cast<int>(host_.tabs->tabs().size()) : 0;
    const BarHit hit = HitTestBar(ToDesign(x, dpi), ToDesign(y, dpi), ToDesign(client.right, dpi),
                                  ToDesign(client.bottom, dpi), tabCount);
    if (hit.kind == BarHit::kExit) {
        // Destroys this window: nothing of it is touched afterwards.
        SetFullscreen(false);
        return;
    }
    if (hit.kind != BarHit::kTab) return;
    // A copy: the layout that follows may run the sessions' code.
    const std::string id = host_.tabs->tabs()[static_cast<std::size_t>(hit.tab)].id;
    if (id == host_.tabs->activeTabId() || !host_.tabs->ActivateTab(id)) return;
    if (host_.page != nullptr) host_.page->post("tabActivated", TabIdJson(id));
    Invalidate();
}
