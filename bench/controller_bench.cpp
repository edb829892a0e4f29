// The controller over 10,000 servers: "ready" (the three documents built
// and posted) and "updateServer" (the record changed, config.json saved,
// the list posted again, a probe sweep handed on). The store's files are
// kept in memory and the page and the rest of the program are fakes that
// only count, so only the controller's own work is measured; the real file
// layer's share is ConfigSave's.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/bench_data.h"
#include "bench/bench_targets.h"
#include "config/config_store.h"
#include "support/controller_fakes.h"
#include "support/memory_files.h"

namespace {

constexpr int kServers = 10000;

const bool kTargets = AddBenchTarget({BenchTarget::kBelowMs, "ControllerReady/tavolin", "", 30}) &&
                      AddBenchTarget({BenchTarget::kBelowMs, "ControllerUpdateServer/tavolin", "", 50});

// A controller over kServers servers, its store in memory.
class Scratch {
public:
    Scratch() : config(MakeBenchConfig(kServers)) {
        fakes.StopRecording();
        SaveConfig(config);
        // The first "ready" also connects the auto-connect servers.
        controller.HandlePageMessage("{\"cmd\":\"ready\",\"data\":null}");
        page.bytes = 0;
    }

    MemoryDataDir dir;
    AppConfig config;
    FakePorts fakes;
    FakePage& page = fakes.page;
    Controller controller{config, fakes.ports()};
};

void BM_Ready(benchmark::State& state) {
    Scratch scratch;
    for (auto _ : state) {
        scratch.controller.HandlePageMessage("{\"cmd\":\"ready\",\"data\":null}");
        scratch.fakes.window.RunPending();
    }
    // The size of one set of documents, as the page receives it.
    state.counters["doc_bytes"] =
        static_cast<double>(scratch.page.bytes) / static_cast<double>(state.iterations());
    state.SetBytesProcessed(static_cast<int64_t>(scratch.page.bytes));
}

void BM_UpdateServer(benchmark::State& state) {
    Scratch scratch;
    const std::string id = scratch.config.servers[kServers / 2].id;
    int round = 0;
    for (auto _ : state) {
        scratch.controller.HandlePageMessage("{\"cmd\":\"updateServer\",\"data\":{\"id\":\"" + id +
                                             "\",\"remark\":\"改 " + std::to_string(++round) + "\"}}");
        scratch.fakes.window.RunPending();
    }
}

}  // namespace

BENCHMARK(BM_Ready)->Name("ControllerReady/tavolin")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UpdateServer)->Name("ControllerUpdateServer/tavolin")->Unit(benchmark::kMillisecond);
