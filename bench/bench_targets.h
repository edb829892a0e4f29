// Targets that the benchmark summary prints next to the results, each with
// whether this run met it. Nothing is asserted: the numbers are for reading.
#pragma once

#include <string>
#include <vector>

struct BenchTarget {
    enum Kind {
        kFasterThan,  // peer's time / tavolin's time of the task at least value
        kWithinOf,    // tavolin's time / peer's time of the task at most value
        kBelowMs,     // the benchmark's time below value milliseconds
        kAtLeastMBs,  // the benchmark's throughput at least value MB/s
    };
    Kind kind;
    std::string subject;  // a task ("JsonParse") or a benchmark ("ConfigLoadSave/tavolin")
    std::string peer;     // the other implementation, for kFasterThan and kWithinOf
    double value;
};

// Registers a target; returns true, so that a benchmark file can register
// its targets while initialising a constant.
bool AddBenchTarget(BenchTarget target);
const std::vector<BenchTarget>& BenchTargets();
