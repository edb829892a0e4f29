#include "net/probe_scheduler.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "net/loopback_peers.h"

namespace {

// Collects the results the workers deliver.
class Results {
public:
    static void Deliver(const ProbeResult& result, void* context) {
        auto* self = static_cast<Results*>(context);
        std::lock_guard<std::mutex> lock(self->mutex_);
        self->results_.push_back(result);
        self->arrived_.notify_all();
    }

    // Waits until count results are in, or the deadline passes.
    bool WaitFor(std::size_t count, int deadlineMs = 20000) {
        std::unique_lock<std::mutex> lock(mutex_);
        return arrived_.wait_for(lock, std::chrono::milliseconds(deadlineMs),
                                 [&] { return results_.size() >= count; });
    }

    std::vector<ProbeResult> all() {
        std::lock_guard<std::mutex> lock(mutex_);
        return results_;
    }

    std::map<std::string, int> countById() {
        std::map<std::string, int> counts;
        for (const ProbeResult& result : all()) ++counts[result.id];
        return counts;
    }

private:
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::vector<ProbeResult> results_;
};

std::vector<ProbeJob> Jobs(const std::string& prefix, int count, int port) {
    std::vector<ProbeJob> jobs;
    for (int i = 0; i < count; ++i) jobs.push_back(ProbeJob{prefix + std::to_string(i), "127.0.0.1", port});
    return jobs;
}

double ElapsedMs(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

TEST(ProbeScheduler, EveryServerOfASweepGetsExactlyOneResult) {
    LoopbackListener listener;
    const int closed = ClosedLoopbackPort();
    std::vector<ProbeJob> sweep = Jobs("up-", 30, listener.port());
    const std::vector<ProbeJob> refused = Jobs("down-", 30, closed);
    sweep.insert(sweep.end(), refused.begin(), refused.end());

    Results results;
    ProbeScheduler scheduler;
    scheduler.Start(6, &Results::Deliver, &results);
    scheduler.Submit(sweep);
    ASSERT_TRUE(results.WaitFor(sweep.size()));
    scheduler.Stop();

    const auto counts = results.countById();
    EXPECT_EQ(counts.size(), sweep.size());
    for (const auto& entry : counts) EXPECT_EQ(entry.second, 1) << entry.first;
    for (const ProbeResult& result : results.all()) {
        EXPECT_EQ(result.netState, result.id.rfind("up-", 0) == 0 ? kNetOnline : kNetRefused) << result.id;
    }
}

TEST(ProbeScheduler, ANewSweepReplacesTheJobsStillWaiting) {
    BlackHoleListener blackHole;
    LoopbackListener listener;
    Results results;
    ProbeScheduler scheduler;
    scheduler.SetTimeout(300);
    scheduler.Start(1, &Results::Deliver, &results);
    scheduler.Submit(Jobs("first-", 20, blackHole.port()));
    scheduler.Submit(Jobs("second-", 5, listener.port()));
    ASSERT_TRUE(results.WaitFor(5));
    // Long enough for any first-sweep job that was not dropped to report.
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
    scheduler.Stop();

    int first = 0;
    int second = 0;
    for (const auto& entry : results.countById()) {
        EXPECT_EQ(entry.second, 1) << entry.first;
        (entry.first.rfind("first-", 0) == 0 ? first : second) += 1;
    }
    EXPECT_EQ(second, 5);
    EXPECT_LE(first, 1);  // at most the one the worker had already taken
}

TEST(ProbeScheduler, StopWaitsForAtMostTheRunningProbes) {
    BlackHoleListener blackHole;
    Results results;
    ProbeScheduler scheduler;
    scheduler.SetTimeout(2000);
    scheduler.Start(2, &Results::Deliver, &results);
    scheduler.Submit(Jobs("slow-", 10, blackHole.port()));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the workers are probing
    const auto before = std::chrono::steady_clock::now();
    scheduler.Stop();
    const double stopped = ElapsedMs(before);
    EXPECT_LT(stopped, 2000.0 + 500.0);
    EXPECT_GE(stopped, 1000.0);  // it did wait for the running probes
    // The running probes still report; the waiting ones are dropped.
    const std::vector<ProbeResult> delivered = results.all();
    EXPECT_GE(delivered.size(), 1u);
    EXPECT_LE(delivered.size(), 2u);
    for (const ProbeResult& result : delivered) EXPECT_EQ(result.netState, kNetTimeout);
    scheduler.Stop();  // harmless twice
}

TEST(ProbeScheduler, StartClampsTheWorkerCount) {
    ProbeScheduler scheduler;
    const struct {
        int asked, started;
    } cases[] = {{0, 1}, {-1, 1}, {1, 1}, {2, 2}, {6, 6}, {32, 32}, {64, 32}};
    for (const auto& c : cases) {
        scheduler.Start(c.asked, nullptr, nullptr);
        EXPECT_EQ(scheduler.workerCount(), c.started) << c.asked;
    }
    const auto before = std::chrono::steady_clock::now();
    scheduler.Stop();
    EXPECT_LT(ElapsedMs(before), 1000.0);  // idle workers leave as soon as they wake
    EXPECT_EQ(scheduler.workerCount(), 0);
}

TEST(ProbeScheduler, SetTimeoutClamps) {
    ProbeScheduler scheduler;
    EXPECT_EQ(scheduler.timeoutMs(), 2000);
    const struct {
        int asked, kept;
    } cases[] = {{50, 200}, {-5, 200}, {200, 200}, {201, 201}, {30000, 30000}, {45000, 30000}};
    for (const auto& c : cases) {
        scheduler.SetTimeout(c.asked);
        EXPECT_EQ(scheduler.timeoutMs(), c.kept) << c.asked;
    }
}

TEST(ProbeScheduler, JobsSubmittedWhileStoppedRunAfterTheNextStart) {
    LoopbackListener listener;
    Results results;
    ProbeScheduler scheduler;
    scheduler.Submit(Jobs("early-", 3, listener.port()));
    scheduler.Start(2, &Results::Deliver, &results);
    ASSERT_TRUE(results.WaitFor(3));
    scheduler.Stop();
    EXPECT_EQ(results.countById().size(), 3u);
}
