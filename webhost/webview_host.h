// The one place where the program talks to the browser runtime: shows the
// page in the main window, hands every message the page posts to the
// listener, posts messages to the page and evaluates expressions in it.
// Keeps the view on the page's own documents, and brings the page back once
// when a browser process fails. Everything here runs on the user-interface
// thread; the runtime calls back on that thread too, always later than the
// call that asked.
#pragma once

#include <windows.h>
// WebView2.h needs the types of windows.h first.
#include <WebView2.h>

#include <memory>
#include <string>

#include "core/com_ptr.h"
#include "webhost/page_channel.h"
#include "webhost/page_origin.h"
#include "webhost/process_failure_policy.h"
#include "webhost/webview_loader.h"

// The error text when no runtime is installed.
extern const char* const kRuntimeMissingText;

// What the handlers given to the runtime reach the host through; the host
// clears it when it closes or goes away, so a completion that arrives later
// does nothing.
struct WebViewHostLink;

class WebViewHost : public IPageChannel {
public:
    class IListener {
    public:
        virtual ~IListener() = default;
        // The page has been navigated to.
        virtual void onReady() = 0;
        // One message the page posted, as UTF-8 text.
        virtual void onMessage(const std::string& text) = 0;
        // Start-up of the browser failed; text says how, for the user.
        virtual void onError(const std::string& text) = 0;
        // No WebView2 runtime is installed (the start failed for that reason
        // alone); the user has to install it.
        virtual void onRuntimeMissing() = 0;
        // The page that was shown is going away (a reload, a failed
        // process): nothing it was told stands until it is ready again.
        virtual void onPageGone() = 0;
        // A browser process failed, so the page is gone too; recovering:
        // it is being brought back; otherwise it failed again soon after and
        // is given up on.
        virtual void onProcessFailed(bool recovering) = 0;
    };

    explicit WebViewHost(WebViewLoader& loader);
    WebViewHost();  // with the process-wide loader
    ~WebViewHost() override;
    WebViewHost(const WebViewHost&) = delete;
    WebViewHost& operator=(const WebViewHost&) = delete;

    // Starts the asynchronous creation; true once the environment has been
    // asked for.
    bool create(HWND parent, const std::string& uiFolder, const std::string& userDataFolder,
                IListener* listener, const std::string& loaderFolder);
    void resize(const RECT& rect);
    void post(const std::string& cmd, const std::string& dataJson) override;
    void eval(const std::string& expression, const std::string& tag);
    void reload() override;
    void openDevTools() override;
    // Gives the page the keyboard focus, now or as soon as it exists.
    void focus();
    // The parent window moved: the browser places its pop-ups (a drop-down
    // list's) by it.
    void parentMoved();
    // Tears everything down; completions that arrive later change nothing.
    void close();

    bool isLoaderReady() const override { return loaderReady_; }
    std::string lastError() const override { return lastError_; }

    // The completion and event steps; the handlers call them, nothing else does.
    void OnEnvironmentCreated(HRESULT code, ICoreWebView2Environment* environment);
    void OnControllerCreated(HRESULT code, ICoreWebView2Controller* controller);
    void OnMessageReceived(ICoreWebView2WebMessageReceivedEventArgs* args);
    void OnEvalCompleted(HRESULT code, LPCWSTR resultJson, const std::string& tag);
    void OnNavigationStarting(ICoreWebView2NavigationStartingEventArgs* args);
    void OnNewWindowRequested(ICoreWebView2NewWindowRequestedEventArgs* args);
    void OnProcessFailed(ICoreWebView2ProcessFailedEventArgs* args);

private:
    void Fail(const std::string& text);
    bool RequestEnvironment();
    void ApplySettings();
    void ApplyBackground();
    // True when the page folder is served under the page's host name.
    bool MapPageFolder();
    void ApplyBounds();
    void AddEventHandlers();
    // Lets go of the controller, the view and the environment.
    void DropView();
    void Recover(RecoveryAction action);

    WebViewLoader& loader_;
    std::shared_ptr<WebViewHostLink> link_;
    CreateWebViewEnvironmentFunction createEnvironment_ = nullptr;
    HWND parent_ = nullptr;
    std::string uiFolder_;
    std::string userDataFolder_;
    IListener* listener_ = nullptr;
    ComPtr<ICoreWebView2Environment> environment_;
    ComPtr<ICoreWebView2Controller> controller_;
    ComPtr<ICoreWebView2> webview_;
    PageOrigin origin_;
    ProcessFailurePolicy failures_;
    std::string lastError_;
    bool loaderReady_ = false;
    bool created_ = false;
    bool closed_ = false;
    bool focusWanted_ = false;
    RECT bounds_ = {};
    bool boundsSet_ = false;
};
