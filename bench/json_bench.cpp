// Parsing and writing config.json of 10,000 servers with this program's JSON
// library and, for comparison, nlohmann/json and RapidJSON on the same text.
#include <benchmark/benchmark.h>
#include <rapidjson/document.h>
#include <rapidjson/prettywriter.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>

#include "bench/bench_data.h"
#include "bench/bench_targets.h"
#include "core/json.h"

namespace {

constexpr int kServers = 10000;

// Every operation at least 1.5 times as fast as nlohmann/json, and taking at
// most 1.5 times RapidJSON's time.
const bool kTargets = [] {
    for (const char* task : {"JsonParse", "JsonWrite", "JsonWriteCompact"}) {
        AddBenchTarget({BenchTarget::kFasterThan, task, "nlohmann", 1.5});
        AddBenchTarget({BenchTarget::kWithinOf, task, "rapidjson", 1.5});
    }
    return true;
}();

// Built once and shared, so every library reads the very same bytes.
const std::string& ConfigText() {
    static const std::string text = MakeBenchConfigText(kServers);
    return text;
}

void CountBytes(benchmark::State& state) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(ConfigText().size()));
}

void BM_ParseTavolin(benchmark::State& state) {
    const std::string& text = ConfigText();
    for (auto _ : state) {
        JsonValue document;
        if (!ParseJson(text, &document, nullptr)) state.SkipWithError("parse failed");
        benchmark::DoNotOptimize(document);
    }
    CountBytes(state);
}

void BM_ParseNlohmann(benchmark::State& state) {
    const std::string& text = ConfigText();
    for (auto _ : state) {
        nlohmann::json document = nlohmann::json::parse(text);
        benchmark::DoNotOptimize(document);
    }
    CountBytes(state);
}

void BM_ParseRapidjson(benchmark::State& state) {
    const std::string& text = ConfigText();
    for (auto _ : state) {
        rapidjson::Document document;
        document.Parse(text.data(), text.size());
        if (document.HasParseError()) state.SkipWithError("parse failed");
        benchmark::DoNotOptimize(document);
    }
    CountBytes(state);
}

void BM_WriteTavolin(benchmark::State& state, int indent) {
    JsonValue document;
    ParseJson(ConfigText(), &document, nullptr);
    for (auto _ : state) {
        std::string text = ToJson(document, indent);
        benchmark::DoNotOptimize(text);
    }
    CountBytes(state);
}

void BM_WriteNlohmann(benchmark::State& state, int indent) {
    nlohmann::json document = nlohmann::json::parse(ConfigText());
    for (auto _ : state) {
        std::string text = document.dump(indent);
        benchmark::DoNotOptimize(text);
    }
    CountBytes(state);
}

void BM_WriteRapidjson(benchmark::State& state, int indent) {
    rapidjson::Document document;
    document.Parse(ConfigText().data(), ConfigText().size());
    for (auto _ : state) {
        rapidjson::StringBuffer buffer;
        if (indent < 0) {
            rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
            document.Accept(writer);
        } else {
            rapidjson::PrettyWriter<rapidjson::StringBuffer> writer(buffer);
            writer.SetIndent(' ', static_cast<unsigned>(indent));
            document.Accept(writer);
        }
        benchmark::DoNotOptimize(buffer.GetString());
    }
    CountBytes(state);
}

}  // namespace

BENCHMARK(BM_ParseTavolin)->Name("JsonParse/tavolin")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseNlohmann)->Name("JsonParse/nlohmann")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseRapidjson)->Name("JsonParse/rapidjson")->Unit(benchmark::kMillisecond);
// Indented, as config.json is saved.
BENCHMARK_CAPTURE(BM_WriteTavolin, indented, 2)->Name("JsonWrite/tavolin")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WriteNlohmann, indented, 2)->Name("JsonWrite/nlohmann")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WriteRapidjson, indented, 2)->Name("JsonWrite/rapidjson")->Unit(benchmark::kMillisecond);
// Compact, as page messages are sent (bytes counted against the same text).
BENCHMARK_CAPTURE(BM_WriteTavolin, compact, -1)
    ->Name("JsonWriteCompact/tavolin")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WriteNlohmann, compact, -1)
    ->Name("JsonWriteCompact/nlohmann")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WriteRapidjson, compact, -1)
    ->Name("JsonWriteCompact/rapidjson")
    ->Unit(benchmark::kMillisecond);
