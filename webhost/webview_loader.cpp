#include "webhost/webview_loader.h"

#include "core/paths.h"
#include "core/text.h"
#include "core/unicode.h"

const char* const kLoaderMissingText =
    "找不到 WebView2Loader.dll（单文件版应已内嵌；绿色版请确认它与 exe 同目录）";
const char* const kLoaderExportMissingText =
    "WebView2Loader.dll 里没有 CreateCoreWebView2EnvironmentWithOptions（文件版本不匹配？）";

namespace {

const char kLoaderFile[] = "WebView2Loader.dll";

// The unpacked copy first, then wherever the system finds the bare name,
// then beside the executable.
HMODULE FindLoader(const std::string& loaderFolder) {
    HMODULE module = nullptr;
    if (!loaderFolder.empty()) module = LoadLibraryW(ToWide(JoinPath(loaderFolder, kLoaderFile)).c_str());
    if (module == nullptr)
        module = LoadLibraryExW(L"WebView2Loader.dll", nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (module == nullptr) module = LoadLibraryW(ToWide(JoinPath(ExeDir(), kLoaderFile)).c_str());
    return module;
}

}  // namespace

CreateWebViewEnvironmentFunction WebViewLoader::Load(const std::string& loaderFolder, std::string* error) {
    if (entry_ != nullptr) return entry_;
    if (module_ == nullptr) module_ = FindLoader(loaderFolder);
    if (module_ == nullptr) {
        *error = kLoaderMissingText;
        return nullptr;
    }
    entry_ = reinterpret_cast<CreateWebViewEnvironmentFunction>(
        reinterpret_cast<void*>(GetProcAddress(module_, "CreateCoreWebView2EnvironmentWithOptions")));
    if (entry_ == nullptr) *error = kLoaderExportMissingText;
    return entry_;
}

WebViewLoader& ProcessWebViewLoader() {
    static WebViewLoader loader;
    return loader;
}
