#include <objbase.h>

#include "core/file_io.h"
#include "core/log.h"
#include "core/text.h"
#include "core/unicode.h"
#include "webhost/webview_handlers.h"
#include "webhost/webview_host.h"
#include "webhost/webview_loader.h"
#include "webhost/webview_text.h"

const char* const kRuntimeMissingText = "未安装 Microsoft Edge WebView2 运行时";

namespace {

// Longest part of a failed evaluation's parameters that goes to the log.
constexpr std::size_t kEvalLogLimit = 600;

}  // namespace

WebViewHost::WebViewHost(WebViewLoader& loader)
    : loader_(loader), link_(std::make_shared<WebViewHostLink>(WebViewHostLink{this})) {}

WebViewHost::WebViewHost() : WebViewHost(ProcessWebViewLoader()) {}

WebViewHost::~WebViewHost() {
    close();
}

void WebViewHost::Fail(const std::string& text) {
    lastError_ = text;
    Log("ERROR", text);
    if (listener_ != nullptr) listener_->onError(text);
}

bool WebViewHost::create(HWND parent, const std::string& uiFolder, const std::string& userDataFolder,
                         IListener* listener, const std::string& loaderFolder) {
    if (closed_ || created_) {
        Log("WARN", "WebView2 宿主已经创建过或已关闭，忽略再次创建");
        return false;
    }
    created_ = true;
    parent_ = parent;
    uiFolder_ = uiFolder;
    userDataFolder_ = userDataFolder;
    listener_ = listener;

    std::string error;
    createEnvironment_ = loader_.Load(loaderFolder, &error);
    loaderReady_ = createEnvironment_ != nullptr;
    if (!loaderReady_) {
        Fail(error);
        return false;
    }
    EnsureDir(userDataFolder_);
    return RequestEnvironment();
}

bool WebViewHost::RequestEnvironment() {
    const std::wstring userData = ToWide(userDataFolder_);
    const HRESULT code = GiveHandler(new WebViewEnvHandler(link_), [&](WebViewEnvHandler* handler) {
        return createEnvironment_(nullptr, userData.c_str(), nullptr, handler);
    });
    // The loader's own answer when no runtime is installed
    // (learn.microsoft.com/microsoft-edge/webview2/reference/win32/webview2-idl#createcorewebview2environmentwithoptions).
    if (code == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)) {
        lastError_ = kRuntimeMissingText;
        Log("ERROR", lastError_);
        if (listener_ != nullptr) listener_->onRuntimeMissing();
        return false;
    }
    if (FAILED(code)) {
        Fail(Format("创建 WebView2 环境失败 0x%08lX。请确认已安装 WebView2 运行时", Code(code)));
        return false;
    }
    Log("INFO", "WebView2 环境创建中...");
    Log("INFO", "已请求创建 WebView2 环境");
    return true;
}

void WebViewHost::OnEnvironmentCreated(HRESULT code, ICoreWebView2Environment* environment) {
    if (closed_) return;
    if (FAILED(code) || environment == nullptr) {
        Fail(Format("WebView2 环境初始化失败 0x%08lX", Code(code)));
        return;
    }
    environment_ = ComPtr<ICoreWebView2Environment>::Retain(environment);
    Log("INFO", "WebView2 环境就绪（浏览器进程已起来）");
    const HRESULT started = GiveHandler(new WebViewCtrlHandler(link_), [&](WebViewCtrlHandler* handler) {
        return environment_->CreateCoreWebView2Controller(parent_, handler);
    });
    if (FAILED(started)) Fail(Format("创建 WebView2 控制器失败 0x%08lX", Code(started)));
}

void WebViewHost::OnControllerCreated(HRESULT code, ICoreWebView2Controller* controller) {
    if (closed_) return;
    if (FAILED(code) || controller == nullptr) {
        Fail(Format("WebView2 控制器初始化失败 0x%08lX", Code(code)));
        return;
    }
    controller_ = ComPtr<ICoreWebView2Controller>::Retain(controller);
    if (FAILED(controller_->get_CoreWebView2(webview_.put())) || !webview_) {
        webview_.reset();
        Fail("拿不到 CoreWebView2 接口");
        return;
    }
    ApplySettings();
    ApplyBackground();
    const bool mapped = MapPageFolder();
    AddEventHandlers();
    ApplyBounds();
    controller_->put_IsVisible(TRUE);

    const std::string address = mapped ? std::string("https://") + kPageHostName + "/index.html"
                                       : FileUrl(JoinPath(uiFolder_, "index.html"));
    origin_ = PageOrigin(address);
    // The window was given the focus before there was a view to pass it
    // to; it still has it unless the user went elsewhere since.
    if (focusWanted_ && GetFocus() == parent_) focus();
    webview_->Navigate(ToWide(address).c_str());
    Log("INFO", "WebView2 控制器就绪，开始加载界面");
    Log("INFO", "WebView2 就绪，界面地址 " + address);
    if (listener_ != nullptr) listener_->onReady();
}

void WebViewHost::ApplySettings() {
    ComPtr<ICoreWebView2Settings> settings;
    if (FAILED(webview_->get_Settings(settings.put())) || !settings) return;
    settings->put_IsStatusBarEnabled(FALSE);
    settings->put_AreDefaultContextMenusEnabled(TRUE);
    settings->put_AreDevToolsEnabled(TRUE);
    settings->put_IsZoomControlEnabled(FALSE);
    settings->put_IsScriptEnabled(TRUE);
    // The page talks to the program by messages alone, so no native object
    // needs to reach its script ("Develop secure WebView2 apps",
    // learn.microsoft.com/microsoft-edge/webview2/concepts/security).
    settings->put_AreHostObjectsAllowed(FALSE);
}

void WebViewHost::ApplyBackground() {
    // The main window's own background, so the page's first paint does not
    // flash white.
    ComPtr<ICoreWebView2Controller3> withBackground;
    if (FAILED(controller_.As(IID_ICoreWebView2Controller3, &withBackground)) || !withBackground) return;
    withBackground->put_DefaultBackgroundColor(COREWEBVIEW2_COLOR{255, 13, 17, 26});
}

bool WebViewHost::MapPageFolder() {
    ComPtr<ICoreWebView2_3> withMapping;
    if (FAILED(webview_.As(IID_ICoreWebView2_3, &withMapping)) || !withMapping) return false;
    const HRESULT code = withMapping->SetVirtualHostNameToFolderMapping(
        ToWide(kPageHostName).c_str(), ToWide(uiFolder_).c_str(),
        COREWEBVIEW2_HOST_RESOURCE_ACCESS_KIND_ALLOW);
    if (FAILED(code)) {
        LogF("WARN", "设置虚拟域名失败 0x%08lX，改用 file:// 打开界面", Code(code));
        return false;
    }
    return true;
}

void WebViewHost::ApplyBounds() {
    RECT bounds = bounds_;
    if (!boundsSet_) GetClientRect(parent_, &bounds);
    controller_->put_Bounds(bounds);
}

void WebViewHost::resize(const RECT& rect) {
    bounds_ = rect;
    boundsSet_ = true;
    if (controller_) controller_->put_Bounds(rect);
}

void WebViewHost::post(const std::string& cmd, const std::string& dataJson) {
    if (!webview_) return;
    const HRESULT code = webview_->PostWebMessageAsJson(ToWide(PostEnvelope(cmd, dataJson)).c_str());
    if (FAILED(code)) LogF("WARN", "发送 %s 到页面失败 0x%08lX", cmd.c_str(), Code(code));
}

void WebViewHost::eval(const std::string& expression, const std::string& tag) {
    if (closed_) return;
    if (!webview_) {
        LogF("WARN", "EVAL %s !! WebView2 还没就绪，没法执行", tag.c_str());
        return;
    }
    const std::string params = EvalParameters(expression);
    const HRESULT code = GiveHandler(new WebViewEvalHandler(link_, tag), [&](WebViewEvalHandler* handler) {
        return webview_->CallDevToolsProtocolMethod(L"Runtime.evaluate", ToWide(params).c_str(), handler);
    });
    if (FAILED(code)) {
        LogF("WARN", "EVAL %s !! 发起失败 0x%08lX 参数长度=%d 内容=%s", tag.c_str(), Code(code),
             static_cast<int>(params.size()), CutForLog(params, kEvalLogLimit).c_str());
    }
}

void WebViewHost::OnEvalCompleted(HRESULT code, LPCWSTR resultJson, const std::string& tag) {
    if (closed_) return;
    if (FAILED(code)) {
        LogF("WARN", "EVAL %s !! 执行出错 0x%08lX", tag.c_str(), Code(code));
        return;
    }
    const EvalOutcome outcome =
        DescribeEvalResult(resultJson != nullptr ? ToUtf8(resultJson) : std::string());
    if (outcome.threw) {
        LogF("WARN", "EVAL %s !! 页面里抛异常：%s", tag.c_str(), outcome.text.c_str());
    } else {
        LogF("INFO", "EVAL %s => %s", tag.c_str(), outcome.text.c_str());
    }
}

void WebViewHost::reload() {
    if (webview_) webview_->Reload();
}

void WebViewHost::openDevTools() {
    if (webview_) webview_->OpenDevToolsWindow();
}

void WebViewHost::DropView() {
    if (controller_) controller_->Close();
    controller_.reset();
    webview_.reset();
    environment_.reset();
}

void WebViewHost::close() {
    if (closed_) return;
    // First, so that whatever the runtime still delivers finds no host.
    closed_ = true;
    link_->host = nullptr;
    DropView();
}
