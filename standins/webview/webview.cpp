#include "standins/webview/webview.h"

#include <cstdio>
#include <cstring>

#include "standins/webview/journal.h"
#include "standins/webview/json_text.h"
#include "standins/webview/navigation.h"
#include "standins/webview/text.h"
#include "standins/webview/webview_failure.h"

namespace {

constexpr size_t kJournalTextBytes = 200;

std::string Shortened(const std::string& text) {
    return text.size() <= kJournalTextBytes ? text : text.substr(0, kJournalTextBytes) + "...";
}

bool IsAbsoluteFolder(const std::wstring& folder) {
    const bool drive = folder.size() >= 3 && iswalpha(folder[0]) && folder[1] == L':' &&
                       (folder[2] == L'\\' || folder[2] == L'/');
    const bool share = folder.size() >= 3 && folder[0] == L'\\' && folder[1] == L'\\';
    return drive || share;
}

// Replaces the file whole, so a test that watches it never reads half.
void WriteFileWhole(const std::wstring& path, const std::string& content) {
    const std::wstring temporary = path + L".tmp";
    HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    const BOOL ok = WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(file);
    if (ok && written == content.size()) {
        MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
    } else {
        DeleteFileW(temporary.c_str());
    }
}

}  // namespace

WebView::WebView(ICoreWebView2Environment* environment, Dispatcher* ui, const std::wstring& userData)
    : environment_(Ref<ICoreWebView2Environment>::Retain(environment)),
      ui_(ui),
      userData_(userData),
      site_(std::make_shared<PageSite>(ui)),
      settings_(Ref<Settings>::Adopt(new Settings())) {}

WebView::~WebView() {
    Shutdown();
}

WebView* WebView::Create(ICoreWebView2Environment* environment, Dispatcher* ui, const std::wstring& userData,
                         HRESULT* result) {
    WebView* webview = new WebView(environment, ui, userData);
    *result = webview->site_->Start();
    if (FAILED(*result)) {
        webview->Release();
        return nullptr;
    }
    webview->site_->SetSink(webview);
    RegisterLiveSite(webview->site_);
    return webview;
}

void WebView::SetPlacement(HWND parent, const RECT& bounds) {
    parent_ = parent;
    bounds_ = bounds;
}

void WebView::Shutdown() {
    if (closed_) return;
    closed_ = true;
    UnregisterLiveSite(site_);
    site_->SetSink(nullptr);
    site_->Stop();
    browser_.reset();
    messageHandlers_.Clear();
    navigationHandlers_.Clear();
    newWindowHandlers_.Clear();
    failureHandlers_.Clear();
    // Evaluations still waiting are answered, later, as failed: the caller may
    // be gone by then, as it may with the runtime.
    for (auto& entry : evaluations_) {
        Ref<ICoreWebView2CallDevToolsProtocolMethodCompletedHandler> handler = std::move(entry.second);
        ui_->Post([handler]() { handler->Invoke(E_ABORT, nullptr); });
    }
    evaluations_.clear();
}

HRESULT WebView::Usable() const {
    if (!ui_->IsOwnerThread()) return RPC_E_WRONG_THREAD;
    return closed_ ? kClosedError : S_OK;
}

HRESULT STDMETHODCALLTYPE WebView::QueryInterface(REFIID iid, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    const bool third = iid == kIidWebView3 && !FailureRequested("webview3");
    if (iid != IID_IUnknown && iid != kIidWebView && iid != kIidWebView2 && !third) return E_NOINTERFACE;
    *object = static_cast<ICoreWebView2_3*>(this);
    AddRef();
    return S_OK;
}

ULONG STDMETHODCALLTYPE WebView::Release() {
    const ULONG left = references_.Drop();
    if (left == 0) delete this;
    return left;
}

HRESULT STDMETHODCALLTYPE WebView::get_Settings(ICoreWebView2Settings** settings) {
    if (settings == nullptr) return E_POINTER;
    *settings = nullptr;
    if (const HRESULT usable = Usable(); FAILED(usable)) return usable;
    if (FailureRequested("settings")) return E_FAIL;
    settings_->AddRef();
    *settings = settings_.get();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE WebView::get_Source(LPWSTR* uri) {
    if (uri == nullptr) return E_POINTER;
    *uri = nullptr;
    if (const HRESULT usable = Usable(); FAILED(usable)) return usable;
    return Guarded([&] { return CopyOut(source_, uri); });
}

bool WebView::Resolve(const std::string& uri, Served* served) {
    std::string folder;
    if (ParseHttpsUri(uri, &served->host, &served->path)) return site_->IsMapped(served->host);
    if (!ParseFileUri(uri, &folder, &served->path)) return false;
    served->host.clear();
    served->folder = Wide(folder);
    return true;
}

std::string WebView::Serve(const Served& served) {
    std::string path = served.path;
    if (served.host.empty()) {
        path = site_->ServeFolder(served.folder) + path;
    } else {
        site_->ServeAtRoot(served.host);
    }
    return "http://127.0.0.1:" + std::to_string(site_->port()) + "/" + site_->token() + path;
}

// The runtime navigates later: NavigationStarting comes through the queue
// and may cancel, so nothing is shown inside the call.
HRESULT STDMETHODCALLTYPE WebView::Navigate(LPCWSTR uri) {
    if (const HRESULT usable = Usable(); FAILED(usable)) return usable;
    if (uri == nullptr) return E_INVALIDARG;
    return Guarded([&] {
        const std::string text = Utf8(uri);
        Journal("Navigate " + text);
        Served served;
        if (!Resolve(text, &served)) return E_INVALIDARG;
        Ref<WebView> self = Ref<WebView>::Retain(this);
        // Navigations through the API count as the user's.
        return ui_->Post([self, text]() { self->StartNavigation(text, true); }) ? S_OK : E_FAIL;
    });
}

void WebView::ShowPage(const std::string& address) {
    WriteFileWhole(userData_ + L"\\standin-page-address.txt", address);
    site_->Navigate(address.substr(address.find('/', strlen("http://"))));
    if (browser_) return;
    const BrowserMode mode = BrowserModeFromEnvironment();
    if (mode == BrowserMode::kHeadless) {
        std::printf("%s\n", address.c_str());
        std::fflush(stdout);
    }
    // A browser that ends unasked (killed, crashed, never started) is the
    // runtime's browser process failing.
    std::weak_ptr<PageSite> site = site_;
    browser_ =
        BrowserProcess::Launch(mode, address, userData_, ScreenPlacement(), RasterizationScale(), [site]() {
            if (const auto alive = site.lock()) {
                alive->PostToSink([](PageSink* sink) {
                    sink->OnProcessFailed(COREWEBVIEW2_PROCESS_FAILED_KIND_BROWSER_PROCESS_EXITED);
                });
            }
        });
}

// The parent window's monitor scale, as a DPI-aware host's runtime takes it
// (learn.microsoft.com/microsoft-edge/webview2/reference/win32/icorewebview2controller3:
// "the combination of the monitor DPI scale and text scaling").
double WebView::RasterizationScale() const {
    const UINT dpi = parent_ != nullptr ? GetDpiForWindow(parent_) : 0;
    return dpi != 0 ? dpi / 96.0 : 1.0;
}

// The parent's client area on the screen, moved and sized by the bounds.
RECT WebView::ScreenPlacement() const {
    RECT client = {0, 0, 1024, 768};
    if (parent_ != nullptr) GetClientRect(parent_, &client);
    POINT origin = {bounds_.left, bounds_.top};
    if (parent_ != nullptr) ClientToScreen(parent_, &origin);
    LONG width = bounds_.right - bounds_.left;
    LONG height = bounds_.bottom - bounds_.top;
    if (width <= 0 || height <= 0) {
        width = client.right - client.left > 0 ? client.right - client.left : 1024;
        height = client.bottom - client.top > 0 ? client.bottom - client.top : 768;
    }
    return RECT{origin.x, origin.y, origin.x + width, origin.y + height};
}

HRESULT STDMETHODCALLTYPE WebView::Reload() {
    if (const HRESULT usable = Usable(); FAILED(usable)) return usable;
    Journal("Reload");
    return Guarded([&] {
        Ref<WebView> self = Ref<WebView>::Retain(this);
        return ui_->Post([self]() { self->StartReload(); }) ? S_OK : E_FAIL;
    });
}

HRESULT STDMETHODCALLTYPE WebView::OpenDevToolsWindow() {
    if (const HRESULT usable = Usable(); FAILED(usable)) return usable;
    Journal("OpenDevToolsWindow");
    return S_OK;
}

HRESULT STDMETHODCALLTYPE WebView::PostWebMessageAsJson(LPCWSTR webMessageAsJson) {
    if (const HRESULT usable = Usable(); FAILED(usable)) return usable;
    if (webMessageAsJson == nullptr) return E_INVALIDARG;
    return Guarded([&] {
        const std::string json = Utf8(webMessageAsJson);
        Journal("PostWebMessageAsJson " + Shortened(json));
        if (!IsJsonText(json)) return E_INVALIDARG;
        site_->SendEvent("message", json);
        return S_OK;
    });
}

HRESULT STDMETHODCALLTYPE WebView::PostWebMessageAsString(LPCWSTR webMessageAsString) {
    if (const HRESULT usable = Usable(); FAILED(usable)) return usable;
    if (webMessageAsString == nullptr) return E_INVALIDARG;
    return Guarded([&] {
        const std::string text = Utf8(webMessageAsString);
        Journal("PostWebMessageAsString " + Shortened(text));
        site_->SendEvent("message", QuoteJson(text));
        return S_OK;
    });
}

HRESULT STDMETHODCALLTYPE WebView::add_WebMessageReceived(
    ICoreWebView2WebMessageReceivedEventHandler* handler, EventRegistrationToken* token) {
    return AddTo(messageHandlers_, handler, token);
}

HRESULT STDMETHODCALLTYPE WebView::remove_WebMessageReceived(EventRegistrationToken token) {
    return RemoveFrom(messageHandlers_, token);
}

HRESULT STDMETHODCALLTYPE WebView::SetVirtualHostNameToFolderMapping(
    LPCWSTR hostName, LPCWSTR folderPath, COREWEBVIEW2_HOST_RESOURCE_ACCESS_KIND kind) {
    if (const HRESULT usable = Usable(); FAILED(usable)) return usable;
    if (hostName == nullptr || folderPath == nullptr) return E_INVALIDARG;
    return Guarded([&] {
        const std::string host = Utf8(hostName);
        Journal("SetVirtualHostNameToFolderMapping " + host + " " + Utf8(folderPath) + " " +
                std::to_string(static_cast<int>(kind)));
        if (FailureRequested("mapping")) return E_FAIL;
        if (!IsHostName(host) || !IsAbsoluteFolder(folderPath) ||
            kind < COREWEBVIEW2_HOST_RESOURCE_ACCESS_KIND_DENY ||
            kind > COREWEBVIEW2_HOST_RESOURCE_ACCESS_KIND_DENY_CORS) {
            return E_INVALIDARG;
        }
        site_->MapHost(host, folderPath);
        return S_OK;
    });
}

HRESULT STDMETHODCALLTYPE WebView::ClearVirtualHostNameToFolderMapping(LPCWSTR hostName) {
    if (const HRESULT usable = Usable(); FAILED(usable)) return usable;
    if (hostName == nullptr) return E_INVALIDARG;
    return Guarded([&] {
        Journal("ClearVirtualHostNameToFolderMapping " + Utf8(hostName));
        site_->UnmapHost(Utf8(hostName));
        return S_OK;
    });
}
