// Many probes at once on one thread: each resolves its host (off the thread
// for names), then tries its addresses with non-blocking connects that are
// all waited for in one select. Every probe ends within its time-out, name
// resolution included. One thread uses it, except for Wake.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "net/probe.h"

class ProbeEngine {
public:
    explicit ProbeEngine(std::size_t capacity);
    // Probes still running end without a result; their sockets are reset.
    ~ProbeEngine();
    ProbeEngine(const ProbeEngine&) = delete;
    ProbeEngine& operator=(const ProbeEngine&) = delete;

    std::size_t capacity() const;
    std::size_t inFlight() const;
    // Starts a probe that ends at the latest timeoutMs from now.
    void Begin(const ProbeJob& job, int timeoutMs);
    // Waits for a socket, a lookup, a probe's deadline or a Wake, at most
    // maxWaitMs (negative: no limit of its own), then moves every probe on
    // and appends those that ended to finished.
    void Run(int maxWaitMs, std::vector<ProbeResult>* finished);
    // From any thread: the current Run, or else the next, stops waiting.
    void Wake();

private:
    struct State;
    std::unique_ptr<State> state_;
};
