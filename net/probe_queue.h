// The servers waiting for a probe, fair across sweeps. A sweep adds only the
// servers not waiting yet and puts them in order of their last result (never
// probed first, then the oldest). Whatever the interval, the time-out or the
// number of servers, a server is overtaken at most once by each other
// server while it waits, so its wait is bounded (ProbeStalenessBoundMs).
#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <unordered_map>
#include <vector>

#include "net/probe.h"

class ProbeQueue {
public:
    // A job whose server waits already takes that server's place with its
    // new host and port; one whose server is being probed at the same host
    // and port is left out, since its result is coming.
    void Offer(const std::vector<ProbeJob>& jobs);
    // The front job, now counted as being probed; false when none waits.
    bool Take(ProbeJob* job);
    // A probe taken earlier ended with a result at nowMs.
    void Finish(const std::string& id, double nowMs);
    // Drops the waiting jobs and forgets the probes in flight (they end
    // without a result); the times of the last results stay.
    void Clear();

    std::size_t waiting() const { return order_.size(); }

private:
    struct Server {
        bool hasResult = false;
        double lastResultMs = 0.0;
        bool waiting = false;
        int running = 0;
        ProbeJob job;  // the waiting job, else the last one taken
    };
    bool Before(const std::string& a, const std::string& b) const;

    std::unordered_map<std::string, Server> servers_;
    std::deque<std::string> order_;
};

// The longest a server goes from one result to the next while every sweep
// offers it: at most one interval until the next sweep offers it, then at
// most every other server's probe ahead of it on `slots` probes at a time,
// each ending within the time-out, and its own.
double ProbeStalenessBoundMs(std::size_t servers, std::size_t slots, int timeoutMs, double intervalMs);
