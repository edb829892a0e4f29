// One probe result from the worker's post to the page's "pings": the worker
// posts the heap copy to the main window, the user-interface thread adopts
// it, stores it beside 10,000 others and posts the event (its batch goes at
// once here: the batch's wait is left out). Measured one result at a time
// (the worker waits for each event), under Wine. Printed, not asserted.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "app/main_window_messages.h"
#include "app/probe_results.h"
#include "bench/bench_data.h"
#include "controller/probe_jobs.h"
#include "support/controller_fakes.h"

namespace {

constexpr int kServers = 10000;
constexpr int kResults = 2000;
constexpr int kQuickResults = 100;
constexpr double kTargetMs = 0.2;
constexpr UINT kDone = WM_APP + 30;

double Now() {
    static const LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Notes when each "pings" reaches the page and wakes the worker.
class TimedPage : public FakePage {
public:
    void post(const std::string& cmd, const std::string& dataJson) override {
        FakePage::post(cmd, dataJson);
        if (cmd != "pings") return;
        postedAt = Now();
        SetEvent(posted);
    }
    HANDLE posted = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    double postedAt = 0;
};

Controller* g_controller = nullptr;
FakeWindow* g_window = nullptr;

LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_APP_PROBE_RESULT) {
        OnProbeResultMessage(*g_controller, lParam);
        // The batch goes at once: its wait is not what is measured.
        g_window->RunPending();
        return 0;
    }
    if (message == kDone) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

double Percentile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1))];
}

}  // namespace

// --quick: a few results, to see that it runs.
int main(int argc, char** argv) {
    const int results = argc > 1 && std::string(argv[1]) == "--quick" ? kQuickResults : kResults;
    AppConfig config = MakeBenchConfig(kServers);
    TimedPage page;
    page.recording = false;
    FakePorts fakes;
    fakes.StopRecording();
    Controller controller(config, ControllerPorts{page, fakes.tabs, fakes.window, fakes.probes,
                                                  fakes.password, fakes.environment});
    g_controller = &controller;
    g_window = &fakes.window;
    controller.SendServers();  // every server has its entry, as after the first list

    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = Proc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"TavolinPingBench";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  windowClass.hInstance, nullptr);
    ProbeResultTarget target;
    target.window = window;

    std::vector<double> latencies;
    std::thread worker([&] {
        for (int i = 0; i < results; ++i) {
            const std::size_t at = static_cast<std::size_t>((i * 7919) % kServers);
            const ServerRecord& server = config.servers[at];
            ProbeResult result;
            // What the sweep probed: a result for another host or port is dropped.
            result.id = server.id;
            result.host = server.host;
            result.port = ProbePortOf(server);
            result.listIndex = at;
            result.netState = NetState::Online;
            result.rtt = 0.5 + i % 40;
            result.resolvedIp = "10.0.0.5";
            result.netDetail = "在线";
            const double start = Now();
            PostProbeResult(result, &target);
            if (WaitForSingleObject(page.posted, 5000) != WAIT_OBJECT_0) break;
            latencies.push_back(page.postedAt - start);
        }
        PostMessageW(window, kDone, 0, 0);
    });
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
    worker.join();
    DestroyWindow(window);

    if (latencies.empty()) {
        std::printf("ping path: no result reached the page\n");
        return 1;
    }
    const double median = Percentile(latencies, 0.5);
    std::printf("%-52s %8.3f ms   target %6.3f ms   ratio %.2f\n",
                "one ping, worker's post to page event (median)", median, kTargetMs, median / kTargetMs);
    std::printf("%-52s %8.3f ms\n", "  99th percentile", Percentile(latencies, 0.99));
    std::printf("%-52s %8zu results, %d servers\n", "  measured", latencies.size(), kServers);
    return 0;
}
