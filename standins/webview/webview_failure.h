// Failures of the browser's processes raised from outside a webview, by a
// test (StandinFailProcess). Any thread.
#pragma once

#include <memory>
#include <string>

#include "standins/webview/page_site.h"
#include "standins/webview/webview2_abi.h"

// The sites of the webviews not closed yet.
void RegisterLiveSite(const std::shared_ptr<PageSite>& site);
void UnregisterLiveSite(const std::shared_ptr<PageSite>& site);

// Raises kind on every live webview, each through its own queue; how many.
int FailEveryWebView(COREWEBVIEW2_PROCESS_FAILED_KIND kind);
