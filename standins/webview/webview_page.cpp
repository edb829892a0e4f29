// What comes back from the page: its messages and its evaluation results.
#include "standins/webview/journal.h"
#include "standins/webview/json_text.h"
#include "standins/webview/message_args.h"
#include "standins/webview/text.h"
#include "standins/webview/webview.h"

namespace {

// An evaluation the page never answers (it is gone, or never came) fails
// after this long.
constexpr UINT kEvaluationTimeoutMs = 15000;

using CompletedHandler = ICoreWebView2CallDevToolsProtocolMethodCompletedHandler;

// A failure without a result text gives null, as the runtime may.
void Complete(const Ref<CompletedHandler>& handler, HRESULT result, const std::string& json) {
    const std::wstring text = Wide(json);
    handler->Invoke(result, json.empty() ? nullptr : text.c_str());
}

}  // namespace

HRESULT STDMETHODCALLTYPE
WebView::CallDevToolsProtocolMethod(LPCWSTR methodName, LPCWSTR parametersAsJson,
                                    ICoreWebView2CallDevToolsProtocolMethodCompletedHandler* handler) {
    if (const HRESULT usable = Usable(); FAILED(usable)) return usable;
    if (methodName == nullptr || parametersAsJson == nullptr) return E_INVALIDARG;
    if (handler == nullptr) return E_POINTER;
    return Guarded([&] {
        const std::string method = Utf8(methodName);
        const std::string parameters = Utf8(parametersAsJson);
        Journal("CallDevToolsProtocolMethod " + method);
        if (FailureRequested("devtools-call")) return E_FAIL;
        if (!IsJsonObject(parameters)) return E_INVALIDARG;
        auto held = Ref<CompletedHandler>::Retain(handler);
        if (method != "Runtime.evaluate") {
            const std::string error =
                "{\"code\":-32601,\"message\":" + QuoteJson("'" + method + "' wasn't found") + "}";
            ui_->Post([held, error]() { Complete(held, E_NOTIMPL, error); });
            return S_OK;
        }
        std::string_view raw;
        std::string expression;
        if (!FindMember(parameters, "expression", &raw) || !DecodeJsonString(raw, &expression)) {
            ui_->Post([held]() {
                Complete(held, E_INVALIDARG, "{\"code\":-32602,\"message\":\"Invalid parameters\"}");
            });
            return S_OK;
        }
        const bool awaitPromise = FindMember(parameters, "awaitPromise", &raw) && raw == "true";
        const int id = nextEvaluation_++;
        evaluations_[id] = held;
        site_->QueueEvaluation(id, expression, awaitPromise);
        std::shared_ptr<PageSite> site = site_;
        ui_->PostDelayed(kEvaluationTimeoutMs, [site, id]() {
            site->WithSink(
                [id](PageSink* sink) { sink->OnEvaluated(id, HRESULT_FROM_WIN32(ERROR_TIMEOUT), ""); });
        });
        return S_OK;
    });
}

void WebView::OnEvaluated(int id, HRESULT result, const std::string& json) {
    const auto found = evaluations_.find(id);
    if (found == evaluations_.end()) return;
    Ref<CompletedHandler> handler = std::move(found->second);
    evaluations_.erase(found);
    site_->ForgetEvaluation(id);
    // The handler may let go of this webview; it stays until the call is over.
    Ref<WebView> self = Ref<WebView>::Retain(this);
    Complete(handler, result, json);
}

// The message's source is the document that posted, as the host knows it;
// a post that does not say is the page the host navigated to.
void WebView::OnPageMessage(bool isString, const std::string& text, const std::string& source) {
    if (closed_ || messageHandlers_.empty()) return;
    const std::wstring json = Wide(isString ? QuoteJson(text) : text);
    auto args = Ref<MessageArgs>::Adopt(new MessageArgs(source.empty() ? source_ : Wide(source), json,
                                                        isString, isString ? Wide(text) : L""));
    Raise(messageHandlers_, args.get());
}
