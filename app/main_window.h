// The program's one top-level window, class "TavolinMainWindow": the page
// fills it, the active remote desktop lies over the page's content area.
// It owns the web host, the tabs and the controller, runs the window's
// timers and messages, and keeps its placement when it closes. Everything
// here runs on the user-interface thread.
#pragma once

#include <windows.h>

#include <string>

#include "app/main_web_listener.h"
#include "app/main_window_actions.h"
#include "app/tab_registry.h"
#include "app/window_placement.h"
#include "config/app_config.h"
#include "controller/controller.h"
#include "controller/startup_password.h"
#include "webhost/webview_host.h"

constexpr wchar_t kMainWindowClass[] = L"TavolinMainWindow";
constexpr wchar_t kProgramTitle[] = L"Tavolin远程桌面管理器";

// The window's smallest outer size.
constexpr int kMinWindowWidth = 900;
constexpr int kMinWindowHeight = 600;

class MainWindow : public MainWindowActions {
public:
    // evalExpression: the command line's "--eval", "" for none.
    MainWindow(AppConfig& config, IProbes& probes, const IHostEnvironment& environment,
               std::string evalExpression);
    ~MainWindow() override;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Registers "TavolinMainWindow" with the icon resource "MAINICON" of the
    // instance (none when it has no such icon); false when the system
    // refuses.
    static bool RegisterWindowClass(HINSTANCE instance);

    // Creates the window (hidden) at box; its creation starts the web
    // host. Null when the window could not be made. The class must have
    // been registered.
    HWND Create(HINSTANCE instance, const WindowBox& box);

    // IMainWindow, for the page's commands.
    void ToggleFullscreen() override;
    void ApplyTitleBarTheme() override;
    bool EvalPending() const override { return !evalExpression_.empty() && !evalRun_; }

    Controller& controller() { return controller_; }
    TabRegistry& tabs() { return tabs_; }
    WebViewHost& webHost() { return webHost_; }

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    bool HandleAppMessage(UINT message, WPARAM wParam, LPARAM lParam);

    LRESULT OnCreate();
    void OnSize();
    void OnNetworkBack();
    void OnExitSizeMove();
    void OnDpiChanged(int dpi, const RECT& suggested);
    void OnSetFocus();
    void OnClose();
    void OnEndSession(bool ending);
    void OnDestroy();
    void OnTimer(UINT_PTR id);
    void OnEvalTimer();
    // The window's place into the store's ui settings, as it is now.
    void RecordPlacement();

    AppConfig& config_;
    WebViewHost webHost_;
    TabRegistry tabs_;
    StoredStartupPassword password_;
    Controller controller_;
    MainWebListener listener_;
    std::string evalExpression_;
    bool evalRun_ = false;
    int dpi_ = 96;  // the window's, as WM_DPICHANGED last said
};
