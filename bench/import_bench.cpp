// Importing 100,000 pasted lines and exporting 10,000 servers as CSV.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "bench/bench_data.h"
#include "config/export_csv.h"
#include "config/import_text.h"

namespace {

constexpr int kPasteLines = 100000;
constexpr int kExportServers = 10000;

std::string Ip(int i) {
    return "10." + std::to_string((i >> 16) & 255) + "." + std::to_string((i >> 8) & 255) + "." +
           std::to_string(i & 255);
}

std::string ShortFormLine(int i) {
    return Ip(i) + ":" + std::to_string(3389 + i % 7) + "   administrator  P@ssw0rd" + std::to_string(i) +
           "  财务服务器" + std::to_string(i % 100) + "\n";
}

std::string CommaLine(int i) {
    return "srv-" + std::to_string(i) + ".corp.example, admin" + std::to_string(i % 13) + ", Pa55-" +
           std::to_string(i) + ", 机房 " + std::to_string(i % 9) + " 号机柜, 生产\r\n";
}

std::string TabLine(int i) {
    return Ip(i) + "\t" + std::to_string(3389 + i % 3) + "\tuser" + std::to_string(i) +
           "\tsecret\t测试环境\t" + (i % 2 ? "开发" : "运维") + "\t1920x1080\t是\t" + (i % 5 ? "否" : "是") +
           "\r\n";
}

std::string QuotedLine(int i) {
    return "\"" + Ip(i) + "\",\"Smith, John\",\"pa\"\"ss" + std::to_string(i) + "\",\"'=1+" +
           std::to_string(i) + "\",\"多行\r\n备注\"\n";
}

// Four pastes of a quarter of the lines each, as people paste them: one
// form per paste, the tab-separated one copied from a spreadsheet with its
// header row.
const std::vector<std::string>& Pastes() {
    static const std::vector<std::string> pastes = [] {
        std::vector<std::string> out(4);
        out[2] = "地址\t端口\t用户名\t密码\t备注\t分组\t分辨率\t智能缩放\t自动连接\r\n";
        for (int i = 0; i < kPasteLines / 4; ++i) {
            out[0] += ShortFormLine(i);
            out[1] += CommaLine(i);
            out[2] += TabLine(i);
            out[3] += QuotedLine(i);
        }
        return out;
    }();
    return pastes;
}

void BM_Import(benchmark::State& state) {
    std::int64_t bytes = 0;
    for (const std::string& paste : Pastes()) bytes += static_cast<std::int64_t>(paste.size());
    for (auto _ : state) {
        for (const std::string& paste : Pastes()) {
            ImportedServers imported = ImportServersFromText(paste);
            benchmark::DoNotOptimize(imported.servers.data());
        }
    }
    state.SetBytesProcessed(state.iterations() * bytes);
}
BENCHMARK(BM_Import)->Name("Import/tavolin")->Unit(benchmark::kMillisecond);

void BM_Export(benchmark::State& state) {
    const AppConfig config = MakeBenchConfig(kExportServers);
    std::int64_t bytes = 0;
    for (auto _ : state) {
        const std::string text = ExportServersCsv(config.servers, true);
        bytes += static_cast<std::int64_t>(text.size());
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_Export)->Name("Export/tavolin")->Unit(benchmark::kMillisecond);

}  // namespace
