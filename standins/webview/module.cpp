#include "standins/webview/module.h"

#include <cstring>
#include <string>

#include "standins/webview/browser_process.h"
#include "standins/webview/dispatcher.h"
#include "standins/webview/journal.h"
#include "standins/webview/webview_failure.h"

namespace {

HINSTANCE g_instance = nullptr;
volatile LONG g_liveObjects = 0;

}  // namespace

HINSTANCE StandinInstance() {
    return g_instance;
}

long LiveObjectCount() {
    return InterlockedCompareExchange(&g_liveObjects, 0, 0);
}

LiveObject::LiveObject() {
    InterlockedIncrement(&g_liveObjects);
}

LiveObject::~LiveObject() {
    InterlockedDecrement(&g_liveObjects);
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_instance = instance;
        DisableThreadLibraryCalls(instance);
    } else if (reason == DLL_PROCESS_DETACH) {
        // Chromium must not outlive the process; the wrappers' watchdogs see
        // the stop files within a fraction of a second.
        StopAllBrowsers();
        // A window class outlives the DLL that registered it; on an unload
        // (not at process exit) the queue windows and their class go.
        if (reserved == nullptr) ReleaseDispatchers();
    }
    return TRUE;
}

extern "C" long __stdcall StandinLiveObjects() {
    return LiveObjectCount();
}

extern "C" int __stdcall StandinJournal(char* buffer, int capacity) {
    const std::string text = JournalText();
    if (buffer != nullptr && capacity > 0 && text.size() < static_cast<size_t>(capacity)) {
        std::memcpy(buffer, text.c_str(), text.size() + 1);
    }
    return static_cast<int>(text.size());
}

extern "C" void __stdcall StandinReset() {
    ClearJournal();
}

extern "C" int __stdcall StandinFailProcess(int kind) {
    if (kind < COREWEBVIEW2_PROCESS_FAILED_KIND_BROWSER_PROCESS_EXITED ||
        kind > COREWEBVIEW2_PROCESS_FAILED_KIND_UNKNOWN_PROCESS_EXITED) {
        return -1;
    }
    return FailEveryWebView(static_cast<COREWEBVIEW2_PROCESS_FAILED_KIND>(kind));
}
