#include <list>
#include <mutex>

#include "core/error_text.h"
#include "core/log.h"
#include "rdp/client_reaper.h"

namespace {

struct Reap {
    HANDLE process = nullptr;
    HANDLE wait = nullptr;
};

// Entries are touched by the interface thread and by the thread pool's
// wait callbacks.
std::mutex g_mutex;
std::list<Reap> g_reaps;

void CALLBACK OnClientEndedOrLate(void* context, BOOLEAN late) {
    std::lock_guard<std::mutex> lock(g_mutex);
    for (auto it = g_reaps.begin(); it != g_reaps.end(); ++it) {
        if (&*it != context) continue;
        if (late) TerminateProcess(it->process, 0);
        // Allowed from inside the callback; it does not wait for it.
        UnregisterWait(it->wait);
        CloseHandle(it->process);
        g_reaps.erase(it);
        return;
    }
}

}  // namespace

void ReapClientProcess(UniqueHandle process, DWORD graceMs) {
    if (!process.valid()) return;
    // Held while registering: the callback may run before the call returns
    // and must find the entry complete.
    std::lock_guard<std::mutex> lock(g_mutex);
    g_reaps.push_back(Reap{process.get(), nullptr});
    Reap& reap = g_reaps.back();
    if (!RegisterWaitForSingleObject(&reap.wait, reap.process, &OnClientEndedOrLate, &reap, graceMs,
                                     WT_EXECUTEONLYONCE)) {
        // Nothing would end it later: end it now rather than leave it.
        Log(kLogWarn, "无法等待 mstsc.exe 自行结束，已直接结束它：" + ErrorText(0));
        TerminateProcess(reap.process, 0);
        g_reaps.pop_back();
        return;  // the handle closes with process
    }
    process.release();
}

int PendingClientReaps() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return static_cast<int>(g_reaps.size());
}

void TerminatePendingClients() {
    std::lock_guard<std::mutex> lock(g_mutex);
    // Their callbacks then see them ended and tidy up.
    for (const Reap& reap : g_reaps) TerminateProcess(reap.process, 0);
}
