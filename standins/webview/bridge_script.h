// What the stand-in puts into every page it serves: window.chrome.webview,
// working like the runtime's own, and the texts that travel to the page.
//
// The page may forbid itself every connection and string evaluation by its
// content security policy, as the runtime's own channel and evaluation are
// not bound by it. So the bridge talks to the loader through a worker (which
// has no policy of its own) and evaluates by loading a script from the page's
// own origin; the page's policy keeps applying to the page itself.
#pragma once

#include <string>
#include <string_view>

extern const char kBridgeScript[];  // served as <token path>/__webview/bridge.js
extern const char kWorkerScript[];  // served as <token path>/__webview/worker.js

// The document with a script element that loads the bridge from bridgePath
// at the start of <head> (or where <head> would start), so it runs before
// the page's own scripts.
std::string InjectBridge(std::string_view html, const std::string& bridgePath);

// The script the page loads to evaluate an expression: as one expression,
// whose value is the result, or (when that does not parse) as statements.
std::string EvaluationScript(int id, std::string_view expression, bool asStatements);

// One server-sent event.
std::string EventText(std::string_view kind, std::string_view data);
