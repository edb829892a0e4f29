// Sweeps of the probe scheduler on loopback, run under Wine: 1,000 servers
// (half listening, half refused) and 60 servers that never answer. Prints
// each sweep's time next to its ideal.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "net/loopback_peers.h"
#include "net/probe_scheduler.h"

namespace {

class Countdown {
public:
    static void Deliver(const ProbeResult&, void* context) {
        auto* self = static_cast<Countdown*>(context);
        std::lock_guard<std::mutex> lock(self->mutex_);
        if (--self->left_ == 0) self->done_.notify_all();
    }
    void Reset(int count) {
        std::lock_guard<std::mutex> lock(mutex_);
        left_ = count;
    }
    void Wait() {
        std::unique_lock<std::mutex> lock(mutex_);
        done_.wait(lock, [this] { return left_ <= 0; });
    }

private:
    std::mutex mutex_;
    std::condition_variable done_;
    int left_ = 0;
};

// Median of three sweeps, in milliseconds from Submit to the last result.
double SweepMs(const std::vector<ProbeJob>& jobs, int workers, int timeoutMs) {
    std::vector<double> runs;
    for (int run = 0; run < 3; ++run) {
        Countdown countdown;
        countdown.Reset(static_cast<int>(jobs.size()));
        ProbeScheduler scheduler;
        scheduler.SetTimeout(timeoutMs);
        scheduler.Start(workers, &Countdown::Deliver, &countdown);
        const auto start = std::chrono::steady_clock::now();
        scheduler.Submit(jobs);
        countdown.Wait();
        runs.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        scheduler.Stop();
    }
    std::sort(runs.begin(), runs.end());
    return runs[1];
}

std::vector<ProbeJob> Jobs(int count, int port, int firstId) {
    std::vector<ProbeJob> jobs;
    for (int i = 0; i < count; ++i) jobs.push_back(ProbeJob{std::to_string(firstId + i), "127.0.0.1", port});
    return jobs;
}

void Report(const char* name, double measured, double ideal, const char* idealName) {
    std::printf("%-44s %9.1f ms   %s %7.1f ms   ratio %.2f\n", name, measured, idealName, ideal,
                measured / ideal);
}

}  // namespace

int main() {
    EnsureWinsock();
    LoopbackListener listener;
    const int closed = ClosedLoopbackPort();
    std::vector<ProbeJob> mixed = Jobs(500, listener.port(), 0);
    const std::vector<ProbeJob> refused = Jobs(500, closed, 500);
    mixed.insert(mixed.end(), refused.begin(), refused.end());
    Report("1,000 servers, half listening, 6 workers", SweepMs(mixed, 6, 2000), 1000.0, "target");

    BlackHoleListener blackHole;
    const std::vector<ProbeJob> silent = Jobs(60, blackHole.port(), 0);
    const double ideal = std::ceil(60.0 / 6.0) * 200.0;
    Report("60 servers never answering, 200 ms, 6 workers", SweepMs(silent, 6, 200), ideal, "ideal ");
    return 0;
}
