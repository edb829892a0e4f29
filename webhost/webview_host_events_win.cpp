// The view's events: what the page may do and where it may go, and what
// happens when a browser process fails. Also the focus and the parent's
// moves, which the view needs told.
#include <objbase.h>

#include "core/log.h"
#include "core/text.h"
#include "core/unicode.h"
#include "webhost/webview_handlers.h"
#include "webhost/webview_host.h"

namespace {

using MessageHandler =
    WebViewEventHandler<ICoreWebView2WebMessageReceivedEventHandler,
                        &IID_ICoreWebView2WebMessageReceivedEventHandler,
                        ICoreWebView2WebMessageReceivedEventArgs, &WebViewHost::OnMessageReceived>;
using NavigationHandler =
    WebViewEventHandler<ICoreWebView2NavigationStartingEventHandler,
                        &IID_ICoreWebView2NavigationStartingEventHandler,
                        ICoreWebView2NavigationStartingEventArgs, &WebViewHost::OnNavigationStarting>;
using NewWindowHandler =
    WebViewEventHandler<ICoreWebView2NewWindowRequestedEventHandler,
                        &IID_ICoreWebView2NewWindowRequestedEventHandler,
                        ICoreWebView2NewWindowRequestedEventArgs, &WebViewHost::OnNewWindowRequested>;
using FailureHandler =
    WebViewEventHandler<ICoreWebView2ProcessFailedEventHandler, &IID_ICoreWebView2ProcessFailedEventHandler,
                        ICoreWebView2ProcessFailedEventArgs, &WebViewHost::OnProcessFailed>;

// A text the runtime allocates for the caller, as UTF-8; freed in every case.
template <typename Getter>
std::string TakeText(Getter get) {
    LPWSTR text = nullptr;
    const HRESULT code = get(&text);
    std::string utf8 = SUCCEEDED(code) && text != nullptr ? ToUtf8(text) : std::string();
    CoTaskMemFree(text);
    return utf8;
}

std::int64_t NowMs() {
    return static_cast<std::int64_t>(GetTickCount64());
}

}  // namespace

// The registrations live as long as the view: it is never kept past its
// controller's Close, which ends them all.
void WebViewHost::AddEventHandlers() {
    EventRegistrationToken token = {};
    GiveHandler(new MessageHandler(link_),
                [&](MessageHandler* handler) { return webview_->add_WebMessageReceived(handler, &token); });
    GiveHandler(new NavigationHandler(link_), [&](NavigationHandler* handler) {
        return webview_->add_NavigationStarting(handler, &token);
    });
    GiveHandler(new NewWindowHandler(link_),
                [&](NewWindowHandler* handler) { return webview_->add_NewWindowRequested(handler, &token); });
    GiveHandler(new FailureHandler(link_),
                [&](FailureHandler* handler) { return webview_->add_ProcessFailed(handler, &token); });
}

// Only the page's own documents may talk to the program: a document the view
// was taken to some other way must not drive it ("Develop secure WebView2
// apps": check the sender's origin, learn.microsoft.com/microsoft-edge/webview2/concepts/security).
void WebViewHost::OnMessageReceived(ICoreWebView2WebMessageReceivedEventArgs* args) {
    if (closed_ || args == nullptr) return;
    const std::string source = TakeText([&](LPWSTR* text) { return args->get_Source(text); });
    if (!origin_.Contains(source)) {
        Log("WARN", "忽略来自界面以外的消息：" + source);
        return;
    }
    // Copied before the listener runs: it may close the host. A message
    // that is not a string gives no text and is dropped.
    bool received = false;
    const std::string message = TakeText([&](LPWSTR* text) {
        const HRESULT code = args->TryGetWebMessageAsString(text);
        received = SUCCEEDED(code) && *text != nullptr;
        return code;
    });
    if (received && listener_ != nullptr) listener_->onMessage(message);
}

// The view shows the page and nothing else: a link, a redirect or a file
// dropped outside the page's own drop targets would otherwise replace it.
void WebViewHost::OnNavigationStarting(ICoreWebView2NavigationStartingEventArgs* args) {
    if (closed_ || args == nullptr) return;
    const std::string uri = TakeText([&](LPWSTR* text) { return args->get_Uri(text); });
    if (!origin_.Contains(uri)) {
        args->put_Cancel(TRUE);
        Log("WARN", "已拦截界面以外的导航：" + uri);
        return;
    }
    // The page's own address again: a reload, whoever asked for it.
    if (listener_ != nullptr) listener_->onPageGone();
}

// Handled without a window: nothing opens, window.open gives null.
void WebViewHost::OnNewWindowRequested(ICoreWebView2NewWindowRequestedEventArgs* args) {
    if (closed_ || args == nullptr) return;
    const std::string uri = TakeText([&](LPWSTR* text) { return args->get_Uri(text); });
    args->put_Handled(TRUE);
    Log("WARN", "已拒绝界面打开新窗口：" + uri);
}

void WebViewHost::OnProcessFailed(ICoreWebView2ProcessFailedEventArgs* args) {
    if (closed_ || args == nullptr) return;
    COREWEBVIEW2_PROCESS_FAILED_KIND kind = COREWEBVIEW2_PROCESS_FAILED_KIND_BROWSER_PROCESS_EXITED;
    if (FAILED(args->get_ProcessFailedKind(&kind))) return;
    const RecoveryAction action = failures_.Decide(static_cast<int>(kind), NowMs());
    LogF(action == RecoveryAction::kNone ? "INFO" : "ERROR", "WebView2 进程异常（类型 %d）",
         static_cast<int>(kind));
    if (action != RecoveryAction::kNone) Recover(action);
}

// The listener hears of the failure last (it may show a message in a loop
// of its own); that also tells it the page is gone.
void WebViewHost::Recover(RecoveryAction action) {
    if (action == RecoveryAction::kReload) {
        if (webview_) webview_->Reload();
    } else if (action == RecoveryAction::kRecreate) {
        // The view is closed already; a new environment starts a new browser.
        DropView();
        if (!RequestEnvironment()) return;
    }
    if (listener_ != nullptr) listener_->onProcessFailed(action != RecoveryAction::kGiveUp);
}

// A programmatic move: the page's focused element gets the keys, as if the
// user had clicked into it.
void WebViewHost::focus() {
    focusWanted_ = !controller_;
    if (controller_) controller_->MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC);
}

// learn.microsoft.com/microsoft-edge/webview2/reference/win32/icorewebview2controller#notifyparentwindowpositionchanged
void WebViewHost::parentMoved() {
    if (controller_) controller_->NotifyParentWindowPositionChanged();
}
