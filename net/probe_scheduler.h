// A fixed pool of worker threads that probe the servers of the sweeps and
// hand each result to a callback, on the worker's own thread. Each worker
// keeps many probes in flight at once (ProbeEngine); the waiting servers
// are kept fairly across sweeps (ProbeQueue).
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "net/probe.h"
#include "net/probe_engine.h"
#include "net/probe_queue.h"

class ProbeScheduler {
public:
    using Callback = void (*)(const ProbeResult& result, void* context);

    // Probes one worker thread keeps in flight at most.
    static constexpr int kProbesPerWorker = 256;

    ProbeScheduler() = default;
    ~ProbeScheduler();
    ProbeScheduler(const ProbeScheduler&) = delete;
    ProbeScheduler& operator=(const ProbeScheduler&) = delete;

    // The time-out of a whole probe, name resolution included, kept within
    // 200..30000 ms; a probe reads it when it starts.
    void SetTimeout(int timeoutMs);
    int timeoutMs() const { return timeoutMs_.load(std::memory_order_relaxed); }

    // Stops a previous run, then starts 1..32 workers.
    bool Start(int workerCount, Callback callback, void* context);
    // Adds the servers not waiting yet, in ProbeQueue's order; the servers
    // still waiting from earlier sweeps keep their places.
    void Submit(const std::vector<ProbeJob>& jobs);
    // Drops the waiting jobs and the probes in flight (they report nothing)
    // and joins every worker, which takes no longer than a worker needs to
    // see it: probes and name lookups are never waited for. Harmless when
    // stopped.
    void Stop();

    int workerCount() const;
    // Jobs not yet taken by a worker.
    std::size_t waitingJobs() const;

private:
    void WorkerLoop(ProbeEngine* engine);
    bool TakeJobs(ProbeEngine& engine, std::vector<ProbeJob>* jobs);
    bool Deliver(const std::vector<ProbeResult>& results);

    std::vector<std::thread> workers_;
    std::vector<std::unique_ptr<ProbeEngine>> engines_;
    ProbeQueue queue_;
    mutable std::mutex mutex_;
    std::condition_variable wakeup_;
    bool running_ = false;
    bool stopping_ = false;
    std::atomic<int> timeoutMs_{2000};
    Callback callback_ = nullptr;
    void* context_ = nullptr;
};
