// The stand-in for the embedded browser runtime's loader, WebView2Loader.dll:
// test and preview equipment for Wine, never shipped. Its one real export,
// CreateCoreWebView2EnvironmentWithOptions, makes environments, controllers
// and webviews that behave as the runtime's do as far as the program relies
// on them; the page is served on 127.0.0.1 and shown in Chromium.
//
// Tests load the DLL (LoadLibraryW of its full path) and reach the functions
// below by GetProcAddress; they see the very objects the program made.
//
// Journal: one line per call, in arrival order:
//   CreateCoreWebView2EnvironmentWithOptions <user-data folder>
//   CreateCoreWebView2Controller
//   put_Bounds <left> <top> <right> <bottom>
//   put_IsVisible <value>                     the BOOL as it arrived
//   put_DefaultBackgroundColor <A> <R> <G> <B>
//   put_<Setting> <value>                     IsScriptEnabled, IsStatusBarEnabled,
//                                             AreDevToolsEnabled, AreDefaultContextMenusEnabled,
//                                             IsZoomControlEnabled
//   SetVirtualHostNameToFolderMapping <host> <folder> <access kind>
//   ClearVirtualHostNameToFolderMapping <host>
//   Navigate <uri>                            also when the URI is refused
//   Reload | OpenDevToolsWindow | Close
//   PostWebMessageAsJson <text> | PostWebMessageAsString <text>
//                                             the first 200 bytes, then "..."
//   CallDevToolsProtocolMethod <method>
//   browser <window|headless> <address>       Chromium was started on the page
//
// Environment variables, read at each call:
//   TAVOLIN_WEBVIEW_FAIL     comma-separated failures: "environment-call" or its alias
//                            "no-runtime" (the export fails with
//                            HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), as the loader
//                            does when no runtime is installed),
//                            "environment" (its completion fails with a null
//                            environment), "controller-call", "controller",
//                            "corewebview" (get_CoreWebView2), "settings"
//                            (get_Settings), "controller3" (no Controller3),
//                            "webview3" (no ICoreWebView2_3), "mapping"
//                            (SetVirtualHostNameToFolderMapping), "devtools-call"
//                            (CallDevToolsProtocolMethod); each fails with E_FAIL
//                            or E_NOINTERFACE.
//   TAVOLIN_WEBVIEW_BROWSER  "window" (Chromium app window over the webview's place),
//                            "headless" (the page's address is also printed on stdout),
//                            "none" (no browser: a test opens the address itself).
//                            Unset: "window" when DISPLAY is set, else "headless".
//   CHROMIUM                 the browser's Linux path (default /usr/bin/chromium).
//   TAVOLIN_WEBVIEW_CREATE_DELAY_MS
//                            milliseconds (digits, at most 600000) the environment's
//                            completion waits, the thread pumping its messages
//                            meanwhile; unset or anything else: the next message turn.
//
// Files in the user-data folder: "standin-page-address.txt" holds the
// loopback address of the page last navigated to,
// "http://127.0.0.1:<port>/<token>/<path>" (headless mode also prints it);
// "chromium/" is the browser's profile, whose "DevToolsActivePort" a test
// may attach to.
//
// The loopback server answers only requests for 127.0.0.1:<port> whose path
// starts with "/<token>/": 32 random hex digits of that server, which the
// page's relative addresses carry along. Anything else is not found (404), so
// no other page or program on the machine reaches the page's files or its
// bridge; who builds an address by hand takes "/<token>" from the address.
//
// What the runtime would do and the stand-in also does: completions and
// events arrive later, through the requesting thread's message queue, never
// inside the call; they arrive even after Close or after everything was
// released. They never run inside one another: while a handler runs (and,
// say, shows a message box whose modal loop pumps the queue), the next waits
// and is delivered, in order, once it returned. Calls from another thread give RPC_E_WRONG_THREAD; the export
// needs a single-threaded apartment (RPC_E_CHANGED_MODE otherwise). After
// Close (or the controller's last Release), calls on the controller and the
// webview give HRESULT_FROM_WIN32(ERROR_INVALID_STATE), evaluations still
// waiting complete with E_ABORT, and an evaluation the page does not answer
// in 15 s completes with HRESULT_FROM_WIN32(ERROR_TIMEOUT).
#pragma once

#include <windows.h>

constexpr wchar_t kWebViewStandinDllName[] = L"WebView2Loader.dll";

extern "C" {
// COM objects of the stand-in alive now (environments, controllers,
// webviews, settings, message arguments): 0 once everything the program
// took has been released and every queued completion delivered.
typedef long(__stdcall* StandinLiveObjectsFn)();
// Copies the journal (UTF-8, lines ended by "\n") into buffer when it fits
// and returns its length in bytes without the terminating zero.
typedef int(__stdcall* StandinJournalFn)(char* buffer, int capacity);
// Empties the journal.
typedef void(__stdcall* StandinResetFn)();
}
// Exported names: "StandinLiveObjects", "StandinJournal", "StandinReset", and
// CreateCoreWebView2EnvironmentWithOptions.
