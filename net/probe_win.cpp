#include <windows.h>
#include <winsock2.h>

#include <atomic>
#include <vector>

#include "net/probe.h"
#include "net/probe_engine.h"

namespace {

std::atomic<bool> g_winsockReady{false};
std::atomic<long long> g_counterFrequency{0};

}  // namespace

bool EnsureWinsock() {
    if (g_winsockReady.load()) return true;
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) == 0) g_winsockReady.store(true);
    return g_winsockReady.load();
}

double MonotonicMs() {
    long long frequency = g_counterFrequency.load(std::memory_order_relaxed);
    if (frequency == 0) {
        LARGE_INTEGER value;
        QueryPerformanceFrequency(&value);
        frequency = value.QuadPart;
        g_counterFrequency.store(frequency, std::memory_order_relaxed);
    }
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency);
}

ProbeResult ProbeEndpoint(const ProbeJob& job, int timeoutMs) {
    ProbeEngine engine(1);
    engine.Begin(job, timeoutMs);
    std::vector<ProbeResult> finished;
    while (finished.empty()) engine.Run(-1, &finished);
    return finished.front();
}
