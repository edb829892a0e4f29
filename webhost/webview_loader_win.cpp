#include "core/paths.h"
#include "core/text.h"
#include "core/unicode.h"
#include "webhost/webview_loader.h"

const char* const kLoaderMissingText =
    "找不到 WebView2Loader.dll（单文件版应已内嵌；绿色版请确认它与 exe 同目录）";
const char* const kLoaderExportMissingText =
    "WebView2Loader.dll 里没有 CreateCoreWebView2EnvironmentWithOptions（文件版本不匹配？）";

namespace {

const char kLoaderFile[] = "WebView2Loader.dll";

// The library's own dependencies are then looked for beside it and in the
// system folders only.
HMODULE LoadByFullPath(const std::string& path) {
    return LoadLibraryExW(ToWide(path).c_str(), nullptr,
                          LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
}

// The unpacked copy first, then the one beside the executable; never the
// bare name, which the search order would also look for in the current
// folder, where anyone may have put a file of that name ("Dynamic-Link
// Library Security", learn.microsoft.com/windows/win32/dlls/dynamic-link-library-security).
HMODULE FindLoader(const std::string& loaderFolder) {
    HMODULE module = nullptr;
    if (!loaderFolder.empty()) module = LoadByFullPath(JoinPath(loaderFolder, kLoaderFile));
    if (module == nullptr) module = LoadByFullPath(JoinPath(ExeDir(), kLoaderFile));
    return module;
}

}  // namespace

CreateWebViewEnvironmentFunction WebViewLoader::Load(const std::string& loaderFolder, std::string* error) {
    if (entry_ != nullptr) return entry_;
    const HMODULE module = FindLoader(loaderFolder);
    if (module == nullptr) {
        *error = kLoaderMissingText;
        return nullptr;
    }
    entry_ = reinterpret_cast<CreateWebViewEnvironmentFunction>(
        reinterpret_cast<void*>(GetProcAddress(module, "CreateCoreWebView2EnvironmentWithOptions")));
    if (entry_ == nullptr) {
        // Of no use without it: let go, so that its file is not held open
        // and a later start searches again rather than meeting it loaded.
        FreeLibrary(module);
        *error = kLoaderExportMissingText;
    }
    return entry_;
}

WebViewLoader& ProcessWebViewLoader() {
    static WebViewLoader loader;
    return loader;
}
