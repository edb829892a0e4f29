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
        try {
            workers_.emplace_back(&ProbeScheduler::WorkerLoop, this);
        } catch (const std::system_error&) {
            // The workers already running carry on; there is nothing else
            // to fall back on.
            LogF(kLogError, "探测线程创建失败：已启动 %d 个，需要 %d 个", i, count);
            break;
        }
    }
    return true;
}

void ProbeScheduler::Submit(const std::vector<ProbeJob>& jobs) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        queue_.clear();
        queue_.insert(queue_.end(), jobs.begin(), jobs.end());
    }
    wakeup_.notify_all();
}

void ProbeScheduler::Stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!running_ && workers_.empty()) return;
        stopping_ = true;
        queue_.clear();
    }
    wakeup_.notify_all();
    for (std::thread& worker : workers_) {
        if (worker.joinable()) worker.join();
    }
    workers_.clear();
    std::lock_guard<std::mutex> lock(mutex_);
    running_ = false;
    stopping_ = false;
}

int ProbeScheduler::workerCount() const {
    return static_cast<int>(workers_.size());
}

std::size_t ProbeScheduler::waitingJobs() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return queue_.size();
}

void ProbeScheduler::WorkerLoop() {
    EnsureWinsock();
    for (;;) {
        ProbeJob job;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wakeup_.wait(lock, [this] { return !queue_.empty() || stopping_; });
            if (queue_.empty()) return;  // stopping
            job = std::move(queue_.front());
            queue_.pop_front();
        }
        const ProbeResult result = ProbeEndpoint(job, timeoutMs());
        Callback callback;
        void* context;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            callback = callback_;
            context = context_;
        }
        // Called without the lock: the callback may take its time or submit.
        if (callback != nullptr) callback(result, context);
    }
}
