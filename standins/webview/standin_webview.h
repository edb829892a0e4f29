// The stand-in for the embedded browser runtime's loader, WebView2Loader.dll:
// test and preview equipment for Wine, never shipped. Its one real export,
// CreateCoreWebView2EnvironmentWithOptions, makes environments, controllers
// and webviews that behave as the runtime's do as far as the program relies
// on them; the page is served on 127.0.0.1 and shown in Chromium.
//
// Tests load the DLL (LoadLibraryW of its full path) and reach the functions
// below by GetProcAddress; they see the very objects the program made.
//
// Journal: one line per call or event, in arrival order:
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
//   MoveFocus <reason>                        the COREWEBVIEW2_MOVE_FOCUS_REASON number
//   NotifyParentWindowPositionChanged
//   browser <window|headless> <address>       Chromium was started on the page
//   NavigationStarting <uri>                  the event is raised (host's or page's navigation)
//   navigated <uri>                           a navigation no handler cancelled left for a
//                                             URI the stand-in cannot serve: the page is gone
//   NewWindowRequested <uri>                  the event is raised
//   new window <uri>                          no handler took it: the runtime opens a popup
//   ProcessFailed <kind>                      the event is raised; the
//                                             COREWEBVIEW2_PROCESS_FAILED_KIND number
// URIs are as the host sees them: "https://<virtual host>/<path>",
// "file:///<path>", or the foreign URI itself.
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
// may attach to, and "chromium.pid" the browser's Linux process id, which a
// scenario may kill (a second webview of the process uses "chromium-2" and
// so on).
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
// and is delivered, in order, once it returned. Calls from another thread
// give RPC_E_WRONG_THREAD; the export needs a single-threaded apartment
// (RPC_E_CHANGED_MODE otherwise). After Close (or the controller's last
// Release), calls on the controller and the webview give
// HRESULT_FROM_WIN32(ERROR_INVALID_STATE), evaluations still waiting
// complete with E_ABORT, and an evaluation the page does not answer in 15 s
// completes with HRESULT_FROM_WIN32(ERROR_TIMEOUT).
//
// Navigation. Navigate shows nothing inside the call: NavigationStarting
// comes through the queue (IsUserInitiated TRUE, as for every navigation
// through the API) and the page follows only if no handler cancelled;
// get_Source gives the new URI from then on. The page's own navigations ask
// the same way, as far as its bridge sees them: a link to another document
// (IsUserInitiated TRUE for a click by the user), an assignment to location,
// a form's submission, location.reload(), and a file dropped where no
// element of the page takes the drop ("file:///<name>": the page sees the
// file's name, not its folder). A cancelled navigation leaves the page
// exactly as it was. One that goes ahead to a mapped virtual host or a file
// shows it; to anything else it is journalled "navigated <uri>" and the page
// is replaced by an empty document standing for that URI (the stand-in
// cannot serve other origins, and the program's page is gone as it would be).
// IsRedirected is FALSE, get_RequestHeaders E_NOTIMPL. window.open() and
// links that open a new window (a target other than _self/_top/_parent, a
// modifier key, the middle button) raise NewWindowRequested instead; unless
// a handler sets Handled or a NewWindow, "new window <uri>" is journalled.
// window.open() returns null; a NewWindow given is kept but shows nothing;
// GetDeferral and get_WindowFeatures give E_NOTIMPL. What a handler puts
// counts only until the handlers have returned; later puts change nothing.
//
// A message's source (WebMessageReceived's get_Source) is the URI of the
// document that posted, as above; a post that does not name its document
// (one made by hand, not through the bridge) gets the webview's source.
//
// Keyboard focus. Until the host calls MoveFocus or the user presses a mouse
// button in the page, the page has no keyboard focus: key presses and text
// input never reach the page's handlers or its fields, as keys typed into a
// window whose webview lacks the focus never reach it on Windows. The focus
// stays with the webview across its documents.
//
// Process failures (add_ProcessFailed). When the webview's Chromium ends
// without being asked to (killed from outside, crashed, failed to start),
// every webview of that browser gets BROWSER_PROCESS_EXITED: it is closed
// first (every later call fails as after Close, handlers see it closed) and
// only a new environment and controller bring a page back; a new
// CreateCoreWebView2EnvironmentWithOptions with the same user-data folder
// starts a new Chromium. RENDER_PROCESS_EXITED (StandinFailProcess or the
// variable above) leaves the webview open, shows an error in the page and
// drops everything between host and page (messages either way, navigations,
// evaluations, which then time out) until the host calls Reload or
// navigates. Other kinds only raise the event.
#pragma once

#include <windows.h>

constexpr wchar_t kWebViewStandinDllName[] = L"WebView2Loader.dll";

extern "C" {
// COM objects of the stand-in alive now (environments, controllers,
// webviews, settings, event arguments): 0 once everything the program
// took has been released and every queued completion delivered.
typedef long(__stdcall* StandinLiveObjectsFn)();
// Copies the journal (UTF-8, lines ended by "\n") into buffer when it fits
// and returns its length in bytes without the terminating zero.
typedef int(__stdcall* StandinJournalFn)(char* buffer, int capacity);
// Empties the journal.
typedef void(__stdcall* StandinResetFn)();
// Raises ProcessFailed of this COREWEBVIEW2_PROCESS_FAILED_KIND (0-9) on
// every webview not closed yet, later, through each one's queue, with what
// the kind does (see above); the number of webviews, -1 for another kind.
typedef int(__stdcall* StandinFailProcessFn)(int kind);
}
// Exported names: "StandinLiveObjects", "StandinJournal", "StandinReset",
// "StandinFailProcess", and CreateCoreWebView2EnvironmentWithOptions.
