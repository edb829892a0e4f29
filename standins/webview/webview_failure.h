// Failures of the browser's processes raised from outside a webview: by a
// test (StandinFailProcess) or by a timer a whole-program scenario sets
// (TAVOLIN_WEBVIEW_FAIL_PROCESS_AFTER_MS). Any thread.
#pragma once

#include <memory>
#include <string>

#include "standins/webview/dispatcher.h"
#include "standins/webview/page_site.h"
#include "standins/webview/webview2_abi.h"

// The sites of the webviews not closed yet.
void RegisterLiveSite(const std::shared_ptr<PageSite>& site);
void UnregisterLiveSite(const std::shared_ptr<PageSite>& site);

// Raises kind on every live webview, each through its own queue; how many.
int FailEveryWebView(COREWEBVIEW2_PROCESS_FAILED_KIND kind);

// "<milliseconds>[:<kind>]", kind "browser" (the default), "render" or a
// COREWEBVIEW2_PROCESS_FAILED_KIND number; false for anything else.
bool ParseFailureSchedule(const std::string& text, unsigned* milliseconds,
                          COREWEBVIEW2_PROCESS_FAILED_KIND* kind);

// On the UI thread, at a host navigation: the first one that finds
// TAVOLIN_WEBVIEW_FAIL_PROCESS_AFTER_MS valid arms it, once per process.
void ArmFailureFromEnvironment(Dispatcher* ui);
