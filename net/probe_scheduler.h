// A fixed pool of worker threads that probe the servers of a sweep and hand
// each result to a callback, on the worker's own thread.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "net/probe.h"

class ProbeScheduler {
public:
    using Callback = void (*)(const ProbeResult& result, void* context);

    ProbeScheduler() = default;
    ~ProbeScheduler();
    ProbeScheduler(const ProbeScheduler&) = delete;
    ProbeScheduler& operator=(const ProbeScheduler&) = delete;

    // The connect time-out per address, kept within 200..30000 ms; a job
    // reads it when it starts.
    void SetTimeout(int timeoutMs);
    int timeoutMs() const { return timeoutMs_.load(std::memory_order_relaxed); }

    // Stops a previous run, then starts 1..32 workers.
    bool Start(int workerCount, Callback callback, void* context);
    // Replaces the jobs still waiting with these; running jobs go on.
    void Submit(const std::vector<ProbeJob>& jobs);
    // Drops the waiting jobs and joins every worker; a worker finishes and
    // reports the probe it is running first. Harmless when stopped.
    void Stop();

    int workerCount() const;
    // Jobs not yet taken by a worker.
    std::size_t waitingJobs() const;

private:
    void WorkerLoop();

    std::vector<std::thread> workers_;
    std::deque<ProbeJob> queue_;
    mutable std::mutex mutex_;
    std::condition_variable wakeup_;
    bool running_ = false;
    bool stopping_ = false;
    std::atomic<int> timeoutMs_{2000};
    Callback callback_ = nullptr;
    void* context_ = nullptr;
};
