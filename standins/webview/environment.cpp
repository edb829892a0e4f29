#include "standins/webview/environment.h"

#include <objbase.h>

#include "standins/webview/controller.h"
#include "standins/webview/journal.h"
#include "standins/webview/text.h"

namespace {

using EnvironmentCompleted = ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler;
using ControllerCompleted = ICoreWebView2CreateCoreWebView2ControllerCompletedHandler;

// The runtime's own default: "<program>.WebView2" beside the executable.
std::wstring DefaultUserData() {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::wstring(path, length) + L".WebView2";
}

// Creates the folder with its parents; the Windows error when it fails.
DWORD CreateFolders(const std::wstring& folder) {
    for (size_t at = folder.find_first_of(L"\\/", 3); at != std::wstring::npos;
         at = folder.find_first_of(L"\\/", at + 1)) {
        CreateDirectoryW(folder.substr(0, at).c_str(), nullptr);
    }
    if (CreateDirectoryW(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS) {
        const DWORD attributes = GetFileAttributesW(folder.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return 0;
        return ERROR_DIRECTORY;
    }
    return GetLastError();
}

// The runtime lives in a single-threaded apartment.
HRESULT ApartmentCheck() {
    APTTYPE type = APTTYPE_CURRENT;
    APTTYPEQUALIFIER qualifier = APTTYPEQUALIFIER_NONE;
    const HRESULT result = CoGetApartmentType(&type, &qualifier);
    if (FAILED(result)) return result;
    return type == APTTYPE_STA || type == APTTYPE_MAINSTA ? S_OK : RPC_E_CHANGED_MODE;
}

}  // namespace

HRESULT STDMETHODCALLTYPE Environment::QueryInterface(REFIID iid, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (iid != IID_IUnknown && iid != kIidEnvironment) return E_NOINTERFACE;
    *object = static_cast<ICoreWebView2Environment*>(this);
    AddRef();
    return S_OK;
}

ULONG STDMETHODCALLTYPE Environment::Release() {
    const ULONG left = references_.Drop();
    if (left == 0) delete this;
    return left;
}

HRESULT STDMETHODCALLTYPE Environment::CreateCoreWebView2Controller(HWND parentWindow,
                                                                    ControllerCompleted* handler) {
    if (!ui_->IsOwnerThread()) return RPC_E_WRONG_THREAD;
    if (handler == nullptr) return E_POINTER;
    Journal("CreateCoreWebView2Controller");
    if (FailureRequested("controller-call")) return E_FAIL;
    if (parentWindow == nullptr || !IsWindow(parentWindow))
        return HRESULT_FROM_WIN32(ERROR_INVALID_WINDOW_HANDLE);
    const bool fail = FailureRequested("controller");
    auto self = Ref<Environment>::Retain(this);
    auto held = Ref<ControllerCompleted>::Retain(handler);
    return Guarded([&] {
        const bool queued = ui_->Post(
            [self, held, parentWindow, fail]() { self->FinishController(parentWindow, fail, held.get()); });
        return queued ? S_OK : E_FAIL;
    });
}

void Environment::FinishController(HWND parent, bool fail, ControllerCompleted* handler) {
    if (fail) {
        handler->Invoke(E_FAIL, nullptr);
        return;
    }
    // The window may have gone while the controller was on its way.
    if (!IsWindow(parent)) {
        handler->Invoke(HRESULT_FROM_WIN32(ERROR_INVALID_WINDOW_HANDLE), nullptr);
        return;
    }
    HRESULT result = S_OK;
    WebView* webview = WebView::Create(this, ui_, userData_, &result);
    if (webview == nullptr) {
        handler->Invoke(result, nullptr);
        return;
    }
    // The handler takes its own reference if it keeps the controller; one it
    // ignores goes away here, and its webview with it.
    auto controller = Ref<Controller>::Adopt(new Controller(webview, parent));
    handler->Invoke(S_OK, controller.get());
}

STDAPI CreateCoreWebView2EnvironmentWithOptions(PCWSTR browserExecutableFolder, PCWSTR userDataFolder,
                                                ICoreWebView2EnvironmentOptions* environmentOptions,
                                                EnvironmentCompleted* environmentCreatedHandler) {
    (void)environmentOptions;  // options only tune a browser the stand-in does not have
    if (environmentCreatedHandler == nullptr) return E_POINTER;
    // What the loader returns when it finds no runtime installed
    // (https://learn.microsoft.com/microsoft-edge/webview2/reference/win32/webview2-idl#createcorewebview2environmentwithoptions).
    if (FailureRequested("environment-call") || FailureRequested("no-runtime"))
        return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    if (const HRESULT apartment = ApartmentCheck(); FAILED(apartment)) return apartment;
    if (browserExecutableFolder != nullptr && *browserExecutableFolder != L'\0') {
        const DWORD attributes = GetFileAttributesW(browserExecutableFolder);
        if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
        }
    }
    return Guarded([&] {
        const std::wstring userData = userDataFolder != nullptr && *userDataFolder != L'\0'
                                          ? std::wstring(userDataFolder)
                                          : DefaultUserData();
        Journal("CreateCoreWebView2EnvironmentWithOptions " + Utf8(userData));
        if (const DWORD error = CreateFolders(userData); error != 0) return HRESULT_FROM_WIN32(error);
        Dispatcher* ui = Dispatcher::ForCurrentThread();
        if (ui == nullptr) return E_FAIL;
        const bool fail = FailureRequested("environment");
        auto environment = Ref<Environment>::Adopt(new Environment(ui, userData));
        auto held = Ref<EnvironmentCompleted>::Retain(environmentCreatedHandler);
        auto complete = [environment, held, fail]() {
            held->Invoke(fail ? E_FAIL : S_OK, fail ? nullptr : environment.get());
        };
        // A runtime that starts its browser slowly: the thread keeps pumping
        // its messages meanwhile, as it does while the real browser starts.
        unsigned delay = 0;
        if (ParseMilliseconds(EnvironmentText(L"TAVOLIN_WEBVIEW_CREATE_DELAY_MS"), &delay) && delay > 0)
            return ui->PostDelayed(delay, std::move(complete)) ? S_OK : E_FAIL;
        return ui->Post(std::move(complete)) ? S_OK : E_FAIL;
    });
}
