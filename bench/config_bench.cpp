// The whole configuration round: LoadConfig and SaveConfig of a store of
// 10,000 servers through the real file layer, in a scratch data folder.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

#include "bench/bench_data.h"
#include "bench/bench_targets.h"
#include "config/config_store.h"
#include "core/file_io.h"
#include "core/paths.h"

namespace {

constexpr int kServers = 10000;

const bool kTarget = AddBenchTarget({BenchTarget::kBelowMs, "ConfigLoadSave/tavolin", "", 25});

// A scratch data folder holding config.json for kServers servers.
class ScratchConfig {
public:
    ScratchConfig() {
        char pattern[] = "/tmp/tavolin-bench-XXXXXX";
        const char* made = mkdtemp(pattern);
        folder_ = made != nullptr ? made : "/tmp";
        SetDataDirOverride(folder_);
        AppConfig config = MakeBenchConfig(kServers);
        SaveConfig(config);
        ReadWholeFile(ConfigFilePath(), &text_);
    }
    ~ScratchConfig() {
        RemoveFile(ConfigFilePath());
        SetDataDirOverride("");
        rmdir(folder_.c_str());
    }
    std::size_t bytes() const { return text_.size(); }

private:
    std::string folder_;
    std::string text_;
};

void BM_ConfigLoad(benchmark::State& state) {
    ScratchConfig scratch;
    for (auto _ : state) {
        AppConfig config;
        benchmark::DoNotOptimize(LoadConfig(config));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * scratch.bytes()));
}

void BM_ConfigSave(benchmark::State& state) {
    ScratchConfig scratch;
    AppConfig config;
    LoadConfig(config);
    for (auto _ : state) benchmark::DoNotOptimize(SaveConfig(config));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * scratch.bytes()));
}

void BM_ConfigLoadSave(benchmark::State& state) {
    ScratchConfig scratch;
    for (auto _ : state) {
        AppConfig config;
        LoadConfig(config);
        benchmark::DoNotOptimize(SaveConfig(config));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * scratch.bytes() * 2));
}

}  // namespace

BENCHMARK(BM_ConfigLoad)->Name("ConfigLoad/tavolin")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConfigSave)->Name("ConfigSave/tavolin")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConfigLoadSave)->Name("ConfigLoadSave/tavolin")->Unit(benchmark::kMillisecond);
