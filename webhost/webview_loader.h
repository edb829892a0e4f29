// Finds the browser runtime's loader library and its one entry point. The
// program uses one loader for its whole life (the process-wide one); tests
// make their own to try each way the search can end.
#pragma once

#include <windows.h>
// WebView2.h needs the types of windows.h first.
#include <WebView2.h>

#include <string>

// The loader library's one entry point the program calls.
using CreateWebViewEnvironmentFunction = decltype(&::CreateCoreWebView2EnvironmentWithOptions);

class WebViewLoader {
public:
    WebViewLoader() = default;
    WebViewLoader(const WebViewLoader&) = delete;
    WebViewLoader& operator=(const WebViewLoader&) = delete;

    // Loads the library on first success and keeps it (it is never
    // unloaded); later calls return the entry point found then. Only by full
    // path: the unpacked copy in loaderFolder (may be empty), then the one
    // beside the executable. On failure *error holds the text for the user,
    // and a library found without the entry point is unloaded again.
    CreateWebViewEnvironmentFunction Load(const std::string& loaderFolder, std::string* error);

private:
    CreateWebViewEnvironmentFunction entry_ = nullptr;
};

WebViewLoader& ProcessWebViewLoader();

extern const char* const kLoaderMissingText;
extern const char* const kLoaderExportMissingText;
