// Runs every registered benchmark, then prints a short summary: for each
// task (the name before "/") every other implementation's time relative to
// "tavolin", the throughput of each benchmark that counted bytes, and every
// registered target beside the result it is about.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "bench/bench_targets.h"

namespace {

// Filled while the benchmark files' constants are initialised, before main.
std::vector<BenchTarget>& TargetList() {
    static std::vector<BenchTarget> targets;
    return targets;
}

}  // namespace

bool AddBenchTarget(BenchTarget target) {
    TargetList().push_back(std::move(target));
    return true;
}

const std::vector<BenchTarget>& BenchTargets() {
    return TargetList();
}

namespace {

struct Result {
    std::string name;
    double nanoseconds = 0;     // real time per iteration, best of the repetitions
    double bytesPerSecond = 0;  // of that repetition; 0 when the benchmark counted no bytes
    int runs = 0;
};

double NanosecondsPer(benchmark::TimeUnit unit) {
    switch (unit) {
        case benchmark::kSecond:
            return 1e9;
        case benchmark::kMillisecond:
            return 1e6;
        case benchmark::kMicrosecond:
            return 1e3;
        default:
            return 1;
    }
}

std::string FormatTime(double nanoseconds) {
    char text[32];
    if (nanoseconds >= 1e9)
        std::snprintf(text, sizeof text, "%.3f s", nanoseconds / 1e9);
    else if (nanoseconds >= 1e6)
        std::snprintf(text, sizeof text, "%.3f ms", nanoseconds / 1e6);
    else if (nanoseconds >= 1e3)
        std::snprintf(text, sizeof text, "%.3f us", nanoseconds / 1e3);
    else
        std::snprintf(text, sizeof text, "%.1f ns", nanoseconds);
    return text;
}

// Shows the usual console output (only the aggregates when there are
// repetitions) and keeps the best plain run of each benchmark: on a machine
// shared with other work, the fastest repetition is the one least disturbed.
class CollectingReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        std::vector<Run> shown;
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Aggregate || run.repetitions <= 1) shown.push_back(run);
        }
        ConsoleReporter::ReportRuns(shown);
        for (const Run& run : runs) {
            if (run.error_occurred || run.run_type != Run::RT_Iteration) continue;
            Result& result = Find(run.benchmark_name());
            double bytes = 0;
            auto counter = run.counters.find("bytes_per_second");
            if (counter != run.counters.end()) bytes = counter->second.value;
            double nanoseconds = run.GetAdjustedRealTime() * NanosecondsPer(run.time_unit);
            if (result.runs == 0 || nanoseconds < result.nanoseconds) {
                result.nanoseconds = nanoseconds;
                result.bytesPerSecond = bytes;
            }
            ++result.runs;
        }
    }

    void PrintSummary() const;

private:
    Result& Find(const std::string& name) {
        for (Result& result : results_) {
            if (result.name == name) return result;
        }
        results_.push_back(Result{name});
        return results_.back();
    }

    std::vector<Result> results_;
};

std::string TaskOf(const std::string& name) {
    return name.substr(0, name.find('/'));
}
std::string ImplOf(const std::string& name) {
    std::size_t slash = name.find('/');
    return slash == std::string::npos ? std::string() : name.substr(slash + 1);
}

std::string Verdict(bool met) {
    return met ? "met" : "NOT met";
}

// The targets about one result: its own time or throughput, or how
// "tavolin" of its task compares with it.
std::string TargetNotes(const Result& result, const Result* ours) {
    const std::string task = TaskOf(result.name);
    const std::string impl = ImplOf(result.name);
    char text[160];
    std::string notes;
    for (const BenchTarget& target : BenchTargets()) {
        const bool aboutPeer = target.subject == task && target.peer == impl && ours != nullptr;
        if (target.kind == BenchTarget::kFasterThan && aboutPeer) {
            const double ratio = result.nanoseconds / ours->nanoseconds;
            std::snprintf(text, sizeof text, "   target >= %.2fx: %s", target.value,
                          Verdict(ratio >= target.value).c_str());
        } else if (target.kind == BenchTarget::kWithinOf && aboutPeer) {
            const double ratio = ours->nanoseconds / result.nanoseconds;
            std::snprintf(text, sizeof text, "   target: tavolin takes <= %.2fx its time (%.2fx): %s",
                          target.value, ratio, Verdict(ratio <= target.value).c_str());
        } else if (target.kind == BenchTarget::kBelowMs && target.subject == result.name) {
            std::snprintf(text, sizeof text, "   target < %.0f ms: %s", target.value,
                          Verdict(result.nanoseconds < target.value * 1e6).c_str());
        } else if (target.kind == BenchTarget::kAtLeastMBs && target.subject == result.name) {
            std::snprintf(text, sizeof text, "   target >= %.0f MB/s: %s", target.value,
                          Verdict(result.bytesPerSecond / 1e6 >= target.value).c_str());
        } else {
            continue;
        }
        notes += text;
    }
    return notes;
}

void PrintResult(const Result& result, const Result* ours) {
    std::printf("  %-28s %12s", result.name.c_str(), FormatTime(result.nanoseconds).c_str());
    if (result.bytesPerSecond > 0)
        std::printf("  %9.1f MB/s", result.bytesPerSecond / 1e6);
    else
        std::printf("  %14s", "");
    if (ours != nullptr && &result != ours && ours->nanoseconds > 0)
        std::printf("  %s/tavolin = %5.2fx", ImplOf(result.name).c_str(),
                    result.nanoseconds / ours->nanoseconds);
    std::printf("%s\n", TargetNotes(result, ours).c_str());
}

// Tasks by name, and "tavolin" first within each: the benchmarks ran in a
// random order.
void CollectingReporter::PrintSummary() const {
    std::map<std::string, std::vector<const Result*>> byTask;
    for (const Result& result : results_) byTask[TaskOf(result.name)].push_back(&result);
    std::printf(
        "\nSummary (real time per run, best of the repetitions; other/tavolin above 1x: tavolin is "
        "faster)\n");
    for (auto& [task, results] : byTask) {
        std::sort(results.begin(), results.end(), [](const Result* a, const Result* b) {
            const bool aOurs = ImplOf(a->name) == "tavolin";
            const bool bOurs = ImplOf(b->name) == "tavolin";
            return aOurs != bOurs ? aOurs : a->name < b->name;
        });
        const Result* ours = ImplOf(results.front()->name) == "tavolin" ? results.front() : nullptr;
        for (const Result* result : results) PrintResult(*result, ours);
    }
}

// Three repetitions, interleaved at random with the other benchmarks, unless
// the command line asks for something else; --quick: one short repetition
// of each, to see that every benchmark still runs.
std::vector<char*> WithDefaultRepetitions(int argc, char** argv) {
    static char repetitions[] = "--benchmark_repetitions=3";
    static char interleaving[] = "--benchmark_enable_random_interleaving=true";
    static char once[] = "--benchmark_repetitions=1";
    static char briefly[] = "--benchmark_min_time=0.01";
    std::vector<char*> args;
    bool given = false;
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        given = given || arg.rfind("--benchmark_repetitions", 0) == 0;
        if (arg != "--quick") {
            args.push_back(argv[i]);
            continue;
        }
        args.push_back(once);
        args.push_back(briefly);
        given = true;
    }
    if (!given) {
        args.insert(args.begin() + 1, interleaving);
        args.insert(args.begin() + 1, repetitions);
    }
    args.push_back(nullptr);
    return args;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<char*> args = WithDefaultRepetitions(argc, argv);
    argc = static_cast<int>(args.size()) - 1;
    argv = args.data();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    CollectingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintSummary();
    benchmark::Shutdown();
    return 0;
}
