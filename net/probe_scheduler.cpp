#include "net/probe_scheduler.h"

#include <system_error>

#include "core/log.h"

namespace {

constexpr int kMinTimeoutMs = 200;
constexpr int kMaxTimeoutMs = 30000;
constexpr int kMaxWorkers = 32;

}  // namespace

ProbeScheduler::~ProbeScheduler() {
    Stop();
}

void ProbeScheduler::SetTimeout(int timeoutMs) {
    const int clamped =
        timeoutMs <= kMinTimeoutMs ? kMinTimeoutMs : (timeoutMs > kMaxTimeoutMs ? kMaxTimeoutMs : timeoutMs);
    timeoutMs_.store(clamped, std::memory_order_relaxed);
}

bool ProbeScheduler::Start(int workerCount, Callback callback, void* context) {
    Stop();
    const int count = workerCount < 2 ? 1 : (workerCount > kMaxWorkers ? kMaxWorkers : workerCount);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        callback_ = callback;
        context_ = context;
        running_ = true;
    }
    EnsureWinsock();
    for (int i = 0; i < count; ++i) {
        engines_.push_back(std::make_unique<ProbeEngine>(kProbesPerWorker));
        try {
            workers_.emplace_back(&ProbeScheduler::WorkerLoop, this, engines_.back().get());
        } catch (const std::system_error&) {
            // The workers already running carry on; there is nothing else
            // to fall back on.
            engines_.pop_back();
            LogF(kLogError, "探测线程创建失败：已启动 %d 个，需要 %d 个", i, count);
            break;
        }
    }
    return true;
}

void ProbeScheduler::Submit(const std::vector<ProbeJob>& jobs) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        queue_.Offer(jobs);
    }
    wakeup_.notify_all();
    // A worker busy with its probes is waiting in select, not on wakeup_.
    for (const auto& engine : engines_) engine->Wake();
}

void ProbeScheduler::Stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!running_ && workers_.empty()) return;
        stopping_ = true;
        queue_.Clear();
    }
    wakeup_.notify_all();
    for (const auto& engine : engines_) engine->Wake();
    for (std::thread& worker : workers_) {
        if (worker.joinable()) worker.join();
    }
    workers_.clear();
    // Resets the sockets of the probes that were still running.
    engines_.clear();
    std::lock_guard<std::mutex> lock(mutex_);
    running_ = false;
    stopping_ = false;
}

int ProbeScheduler::workerCount() const {
    return static_cast<int>(workers_.size());
}

std::size_t ProbeScheduler::waitingJobs() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return queue_.waiting();
}

// False when stopping. A worker with nothing in flight waits for jobs here.
bool ProbeScheduler::TakeJobs(ProbeEngine& engine, std::vector<ProbeJob>* jobs) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (engine.inFlight() == 0) wakeup_.wait(lock, [this] { return queue_.waiting() > 0 || stopping_; });
    if (stopping_) return false;
    ProbeJob job;
    while (engine.inFlight() + jobs->size() < engine.capacity() && queue_.Take(&job)) jobs->push_back(job);
    return true;
}

// False when stopping: results of a stopped run are not reported.
bool ProbeScheduler::Deliver(const std::vector<ProbeResult>& results) {
    Callback callback;
    void* context;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (stopping_) return false;
        const double nowMs = MonotonicMs();
        for (const ProbeResult& result : results) queue_.Finish(result.id, nowMs);
        callback = callback_;
        context = context_;
    }
    // Called without the lock: the callback may take its time or submit.
    if (callback != nullptr) {
        for (const ProbeResult& result : results) callback(result, context);
    }
    return true;
}

void ProbeScheduler::WorkerLoop(ProbeEngine* engine) {
    EnsureWinsock();
    std::vector<ProbeJob> jobs;
    std::vector<ProbeResult> finished;
    for (;;) {
        jobs.clear();
        if (!TakeJobs(*engine, &jobs)) return;
        const int timeout = timeoutMs();
        for (const ProbeJob& job : jobs) engine->Begin(job, timeout);
        finished.clear();
        engine->Run(-1, &finished);
        if (!finished.empty() && !Deliver(finished)) return;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (stopping_) return;
        }
    }
}
