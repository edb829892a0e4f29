// The controller over 10,000 servers: "ready" (the three documents built
// and posted) and "updateServer" (the record changed, config.json saved,
// the list posted again, a probe sweep handed on), through the real file
// layer in a scratch data folder. The page and the rest of the program are
// stand-ins that only count.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

#include "bench/bench_data.h"
#include "bench/bench_targets.h"
#include "bench/controller_stand_ins.h"
#include "config/config_store.h"
#include "core/file_io.h"
#include "core/paths.h"

namespace {

constexpr int kServers = 10000;

const bool kTargets = AddBenchTarget({BenchTarget::kBelowMs, "ControllerReady/tavolin", "", 30}) &&
                      AddBenchTarget({BenchTarget::kBelowMs, "ControllerUpdateServer/tavolin", "", 50});

// A controller over kServers servers in a scratch data folder.
class Scratch {
public:
    Scratch() : config(MakeBenchConfig(kServers)) {
        char pattern[] = "/tmp/tavolin-bench-ctl-XXXXXX";
        const char* made = mkdtemp(pattern);
        folder_ = made != nullptr ? made : "/tmp";
        SetDataDirOverride(folder_);
        SaveConfig(config);
        // The first "ready" also connects the auto-connect servers.
        controller.HandlePageMessage("{\"cmd\":\"ready\",\"data\":null}");
        page.bytes = 0;
    }
    ~Scratch() {
        RemoveFile(ConfigFilePath());
        SetDataDirOverride("");
        rmdir(folder_.c_str());
    }

    AppConfig config;
    CountingPage page;
    NoTabs tabs;
    NoWindow window;
    CountingProbes probes;
    NoPassword password;
    NoEnvironment environment;
    Controller controller{config, ControllerPorts{page, tabs, window, probes, password, environment}};

private:
    std::string folder_;
};

void BM_Ready(benchmark::State& state) {
    Scratch scratch;
    for (auto _ : state) scratch.controller.HandlePageMessage("{\"cmd\":\"ready\",\"data\":null}");
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
    }
}

}  // namespace

BENCHMARK(BM_Ready)->Name("ControllerReady/tavolin")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UpdateServer)->Name("ControllerUpdateServer/tavolin")->Unit(benchmark::kMillisecond);
