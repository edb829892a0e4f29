// Probe results on their way to the page. A sweep over a LAN answers
// thousands of servers within a second; one page event per result kept the
// page busy for tens of seconds, so results travel in batches: one "pings"
// event carries every server whose result changed since the last one.
#pragma once

#include <cstddef>
#include <string>
#include <unordered_set>
#include <vector>

#include "controller/page_documents.h"

// How long a result may wait for others, and how many make a batch go at
// once whatever the time.
constexpr unsigned kPingBatchDelayMs = 100;
constexpr std::size_t kPingBatchMax = 1000;

// The servers waiting, each once, in the order they first reported. Their
// results are read from the store when the event is written, so a server
// that reported twice goes with its latest result.
class PingBatch {
public:
    // True when the batch was empty: the caller arranges its flush.
    bool Add(const std::string& id);
    std::size_t size() const { return ids_.size(); }
    bool empty() const { return ids_.empty(); }
    // The "pings" event's data, {"results":[{"id","state","rtt","ip",
    // "detail"},...]}, of the servers still in the store; empties the batch.
    std::string Take(const ProbeResults& results);

private:
    std::vector<std::string> ids_;
    std::unordered_set<std::string> queued_;
};
