#include "app/export_dialog.h"
#include "app/fullscreen.h"
#include "app/main_window.h"
#include "app/main_window_messages.h"
#include "app/probe_results.h"
#include "app/title_bar.h"
#include "app/ui_resources.h"
#include "config/config_store.h"
#include "core/paths.h"
#include "core/posted_object.h"
#include "core/text.h"

namespace {

// The page's own background, so nothing flashes white before it is drawn.
constexpr COLORREF kWindowBackground = RGB(13, 17, 26);

}  // namespace

bool MainWindow::RegisterWindowClass(HINSTANCE instance) {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = &MainWindow::WindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = CreateSolidBrush(kWindowBackground);  // the class owns it for the process
    wc.hIcon = LoadIconW(instance, L"MAINICON");
    wc.hIconSm = wc.hIcon;
    wc.lpszClassName = kMainWindowClass;
    return RegisterClassExW(&wc) != 0;
}

MainWindow::MainWindow(AppConfig& config, IProbes& probes, const IHostEnvironment& environment,
                       std::string evalExpression)
    : config_(config),
      tabs_(nullptr, webHost_, config),
      controller_(config, ControllerPorts{webHost_, tabs_, *this, probes, password_, environment}),
      listener_(controller_),
      evalExpression_(std::move(evalExpression)) {
    tabs_.SetPageFocus([this] { webHost_.focus(); });
    tabs_.SetSessionHook([this](const std::string& id, SessionState state, int code, bool wasConnected) {
        controller_.OnSessionReport(id, state, code, wasConnected, GetTickCount64());
    });
    tabs_.SetNotesChanged([] { InvalidateFullscreenBar(); });
}

MainWindow::~MainWindow() {
    if (window() != nullptr) DestroyWindow(window());
}

HWND MainWindow::Create(HINSTANCE instance, const WindowBox& box) {
    HWND created = CreateWindowExW(0, kMainWindowClass, kProgramTitle, WS_OVERLAPPEDWINDOW, box.x, box.y,
                                   box.w, box.h, nullptr, nullptr, instance, this);
    if (created == nullptr) return nullptr;
    InitFullscreen(FullscreenHost{created, &tabs_, &webHost_, &config_});
    return created;
}

void MainWindow::ToggleFullscreen() {
    ::ToggleFullscreen();
}

void MainWindow::ApplyTitleBarTheme() {
    if (window() != nullptr) ApplyTitleBarColors(window(), config_.ui.darkTheme);
}

// The window's object arrives with WM_NCCREATE; the messages before it
// (WM_GETMINMAXINFO among them) need none.
LRESULT CALLBACK MainWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        if (self != nullptr) {
            SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
            self->SetWindow(window);
            self->tabs_.SetMainWindow(window);
        }
    }
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr) {
        if (message == WM_GETMINMAXINFO) {
            auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
            info->ptMinTrackSize = POINT{kMinWindowWidth, kMinWindowHeight};
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->SetWindow(nullptr);
        self->tabs_.SetMainWindow(nullptr);
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return self->Handle(message, wParam, lParam);
}

LRESULT MainWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            return OnCreate();
        case WM_SIZE:
            OnSize();
            return 0;
        case WM_EXITSIZEMOVE:
            OnExitSizeMove();
            return 0;
        case WM_MOVE:
            webHost_.parentMoved();
            return 0;
        case WM_SETFOCUS:
            OnSetFocus();
            return 0;
        case WM_GETMINMAXINFO:
            reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = POINT{kMinWindowWidth, kMinWindowHeight};
            return 0;
        case WM_CLOSE:
            OnClose();
            return 0;
        case WM_QUERYENDSESSION:
            // The system is ending the session: the close that follows must
            // not wait for the page.
            controller_.MarkCloseConfirmed();
            return TRUE;
        case WM_ENDSESSION:
            OnEndSession(wParam != FALSE);
            return 0;
        case WM_DESTROY:
            OnDestroy();
            return 0;
        case WM_TIMER:
            OnTimer(wParam);
            return 0;
        case WM_DPICHANGED:
            OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
            return 0;
        case WM_POWERBROADCAST:
            // Back from sleep or hibernation the states shown are as old as
            // the sleep ("PBT_APMRESUMEAUTOMATIC event", learn.microsoft.com/
            // windows/win32/power/pbt-apmresumeautomatic): every resume
            // sends it, with or without a user.
            if (wParam == PBT_APMRESUMEAUTOMATIC) OnNetworkBack();
            return TRUE;
        default:
            if (HandleAppMessage(message, wParam, lParam)) return 0;
            return DefWindowProcW(window(), message, wParam, lParam);
    }
}

bool MainWindow::HandleAppMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_APP_PROBE_RESULT:
            OnProbeResultMessage(controller_, lParam);
            return true;
        case WM_APP_NETWORK_CHANGED:
            OnNetworkBack();
            return true;
        case WM_APP_ASIDE_DONE:
            OnAsideDone(lParam);
            return true;
        case WM_APP_EXPORT_CSV:
            RunExportDialog(window(), controller_);
            return true;
        case WM_APP_EXPORT_RDP:
            if (const std::unique_ptr<std::string> id = AdoptPosted<std::string>(lParam))
                RunRdpExportDialog(window(), controller_, *id);
            return true;
        case WM_APP_CLOSE_TAB:
            tabs_.OnCloseTabMessage(lParam);
            return true;
        case WM_APP_TOGGLE_FULLSCREEN:
            ::ToggleFullscreen();
            return true;
        case WM_APP_SWITCH_TAB:
            tabs_.OnSwitchTabMessage(wParam);
            InvalidateFullscreenBar();
            return true;
        default:
            return false;
    }
}

// Whatever happens to the browser, the window is made: a browser that cannot
// start is reported by the listener.
LRESULT MainWindow::OnCreate() {
    const UINT dpi = GetDpiForWindow(window());
    if (dpi != 0) dpi_ = static_cast<int>(dpi);
    ApplyTitleBarTheme();
    const UiFolders folders = ChooseUiFolders();
    webHost_.create(window(), folders.webDir, BrowserDataDir(), &listener_, folders.loaderDir);
    SetTimer(window(), TIMER_RECONNECT, kReconnectTickMs, nullptr);
    return 0;
}

// Probes answered before say nothing about the network as it is now; a tab
// waiting for its server tries as soon as the server answers, without the
// pause its failed attempts earned.
void MainWindow::OnNetworkBack() {
    controller_.ProbeAll();
    controller_.OnResume(GetTickCount64());
}

void MainWindow::OnSize() {
    RECT client = {};
    GetClientRect(window(), &client);
    webHost_.resize(client);
    tabs_.LayoutSessions();
}

// "WM_DPICHANGED message" (learn.microsoft.com/windows/win32/hidpi/wm-dpichanged):
// a per-monitor aware window takes the rectangle the system suggests, which
// keeps it the same size to the eye on the new monitor.
void MainWindow::OnDpiChanged(int dpi, const RECT& suggested) {
    const int oldDpi = dpi_;
    dpi_ = dpi;
    SetWindowPos(window(), nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    tabs_.OnDpiChanged(oldDpi, dpi);
    InvalidateFullscreenBar();
}

void MainWindow::OnExitSizeMove() {
    tabs_.LayoutSessions();
    if (RdpSession* session = tabs_.ActiveSession()) {
        session->OnExitSizeMove();
        session->RefreshStretch();
    }
}

// The window gets the focus whenever it is activated (also when a dialog of
// ours closes): the keys go to the session in front, or else to the page, so
// a user can type into it without clicking first.
void MainWindow::OnSetFocus() {
    RdpSession* session = tabs_.ActiveSession();
    if (session != nullptr && !tabs_.contentHidden()) {
        session->Focus();
    } else {
        webHost_.focus();
    }
}

// The page is asked first; the window closes on its answer or on a second
// request it did not answer.
void MainWindow::OnClose() {
    if (!controller_.CloseRequested()) return;
    RecordPlacement();
    SaveConfig(config_);
    DestroyWindow(window());
}

// A session that ends does not close the window first; its place is kept
// all the same.
void MainWindow::OnEndSession(bool ending) {
    if (!ending) return;
    RecordPlacement();
    SaveConfig(config_);
}

// Work running aside first (it may use the password provider this window
// owns), then the sessions: their windows are children of this one. The
// browser goes last, after the bar that may lie over it.
void MainWindow::OnDestroy() {
    WaitForAsideWork();
    tabs_.CloseAllQuietly();
    EndFullscreenQuietly();
    webHost_.close();
    PostQuitMessage(0);
}

void MainWindow::OnTimer(UINT_PTR id) {
    switch (id) {
        case TIMER_PROBE:
            controller_.ProbeAll();
            break;
        case TIMER_EVAL:
            OnEvalTimer();
            break;
        case TIMER_CONNECT_TIMEOUT:
            tabs_.SweepConnectTimeouts();
            break;
        case TIMER_FSBAR:
            OnFullscreenBarTimer();
            break;
        case TIMER_RECONNECT:
            controller_.OnReconnectTick(GetTickCount64());
            break;
        default:
            break;
    }
}

// The expression runs once per process, however often the page reports ready.
void MainWindow::OnEvalTimer() {
    if (evalRun_) return;
    KillTimer(window(), TIMER_EVAL);
    evalRun_ = true;
    webHost_.eval(evalExpression_, "cli");
}

void MainWindow::RecordPlacement() {
    ClosingWindow closing;
    RECT outer = {};
    // In full screen the window covers its monitor: what is kept is the
    // place it had before and returns to.
    bool maximizedBefore = false;
    if (PlacementBeforeFullscreen(&outer, &maximizedBefore)) {
        closing.rectKnown = true;
        closing.left = outer.left;
        closing.top = outer.top;
        closing.right = outer.right;
        closing.bottom = outer.bottom;
        closing.maximized = maximizedBefore;
        RecordClosingPlacement(config_.ui, closing);
        return;
    }
    closing.rectKnown = GetWindowRect(window(), &outer) != FALSE;
    closing.left = outer.left;
    closing.top = outer.top;
    closing.right = outer.right;
    closing.bottom = outer.bottom;
    closing.maximized = IsZoomed(window()) != FALSE;
    closing.minimized = IsIconic(window()) != FALSE;
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    closing.restoresMaximized =
        GetWindowPlacement(window(), &placement) && (placement.flags & WPF_RESTORETOMAXIMIZED) != 0;
    RecordClosingPlacement(config_.ui, closing);
}
