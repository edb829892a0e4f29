#include "net/probe_scheduler.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "net/loopback_peers.h"

namespace {

constexpr auto kDeadline = std::chrono::seconds(20);

// Collects the results. While held, a worker that has delivered waits in
// the callback, so a test knows what every worker is doing. The members are
// read without the lock only once the workers are joined.
struct Results {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<ProbeResult> all;
    bool held = false;
    int returned = 0;

    static void Deliver(const ProbeResult& result, void* context) {
        auto* self = static_cast<Results*>(context);
        std::unique_lock<std::mutex> lock(self->mutex);
        self->all.push_back(result);
        self->changed.notify_all();
        self->changed.wait_for(lock, kDeadline, [self] { return !self->held; });
        ++self->returned;
    }

    bool WaitFor(std::size_t count) {
        std::unique_lock<std::mutex> lock(mutex);
        return changed.wait_for(lock, kDeadline, [&] { return all.size() >= count; });
    }

    void Release() {
        std::lock_guard<std::mutex> lock(mutex);
        held = false;
        changed.notify_all();
    }

    // Results per id prefix and state ("up-online"), and under "again" the
    // results for an id that had one already.
    std::map<std::string, int> Tally() const {
        std::map<std::string, int> tally;
        std::set<std::string> seen;
        for (const ProbeResult& result : all) {
            ++tally[result.id.substr(0, result.id.find('-') + 1) + NetStateName(result.netState)];
            if (!seen.insert(result.id).second) ++tally["again"];
        }
        return tally;
    }
};

// count jobs for 127.0.0.1:port, ids prefix + 0, 1, ..., after those given.
std::vector<ProbeJob> Jobs(const std::string& prefix, int count, int port, std::vector<ProbeJob> jobs = {}) {
    for (int i = 0; i < count; ++i) jobs.push_back(ProbeJob{prefix + std::to_string(i), "127.0.0.1", port});
    return jobs;
}

using Tally = std::map<std::string, int>;

}  // namespace

// Submitted before the start: a stopped scheduler keeps the jobs for its
// next run.
TEST(ProbeScheduler, EveryServerOfASweepGetsExactlyOneResult) {
    LoopbackListener listener;
    const std::vector<ProbeJob> sweep =
        Jobs("down-", 30, ClosedLoopbackPort(), Jobs("up-", 30, listener.port()));
    Results results;
    ProbeScheduler scheduler;
    scheduler.Submit(sweep);
    scheduler.Start(6, &Results::Deliver, &results);
    ASSERT_TRUE(results.WaitFor(sweep.size()));
    scheduler.Stop();
    EXPECT_EQ(results.Tally(), (Tally{{"down-refused", 30}, {"up-online", 30}}));
}

// A new sweep once replaced the jobs still waiting: with sweeps longer than
// the interval, the servers past a fixed place were never probed.
TEST(ProbeScheduler, ANewSweepKeepsTheServersStillWaiting) {
    const int closed = ClosedLoopbackPort();
    Results results;
    results.held = true;
    ProbeScheduler scheduler;
    scheduler.Start(1, &Results::Deliver, &results);
    const std::vector<ProbeJob> first = Jobs("first-", 1, closed);
    scheduler.Submit(first);
    ASSERT_TRUE(results.WaitFor(1));  // the one worker holds "first-0"
    scheduler.Submit(Jobs("later-", 20, closed, first));
    scheduler.Submit(Jobs("second-", 5, closed));
    EXPECT_EQ(scheduler.waitingJobs(), 26u);  // "first-0" again, it has a result
    results.Release();
    ASSERT_TRUE(results.WaitFor(27));
    scheduler.Stop();
    EXPECT_EQ(results.Tally(),
              (Tally{{"again", 1}, {"first-refused", 2}, {"later-refused", 20}, {"second-refused", 5}}));
}

// Probes that never answer, each allowed a long time-out: closing the
// program once waited for the running ones.
TEST(ProbeScheduler, StopDropsTheWaitingAndDoesNotWaitForProbesInFlight) {
    BlackHoleListener blackHole;
    Results results;
    ProbeScheduler scheduler;
    scheduler.SetTimeout(30000);
    scheduler.Start(2, &Results::Deliver, &results);
    const std::size_t beyond = 20;  // more than the two workers take at once
    scheduler.Submit(Jobs("silent-", 2 * ProbeScheduler::kProbesPerWorker + beyond, blackHole.port()));
    const auto end = std::chrono::steady_clock::now() + kDeadline;
    while (scheduler.waitingJobs() > beyond && std::chrono::steady_clock::now() < end) {
        std::this_thread::yield();
    }
    ASSERT_EQ(scheduler.waitingJobs(), beyond);
    const auto before = std::chrono::steady_clock::now();
    scheduler.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(1000));
    EXPECT_EQ(scheduler.waitingJobs(), 0u);
    EXPECT_TRUE(results.all.empty());
    scheduler.Stop();  // harmless twice
}

// One worker keeps many probes in flight: 40 silent servers at 300 ms each
// took 12 s one after another.
TEST(ProbeScheduler, OneWorkerProbesManyServersAtOnce) {
    BlackHoleListener blackHole;
    LoopbackListener listener;
    const std::vector<ProbeJob> sweep =
        Jobs("up-", 40, listener.port(), Jobs("silent-", 40, blackHole.port()));
    Results results;
    ProbeScheduler scheduler;
    scheduler.SetTimeout(300);
    const auto before = std::chrono::steady_clock::now();
    scheduler.Start(1, &Results::Deliver, &results);
    scheduler.Submit(sweep);
    ASSERT_TRUE(results.WaitFor(sweep.size()));
    const auto took = std::chrono::steady_clock::now() - before;
    scheduler.Stop();
    EXPECT_LT(took, std::chrono::milliseconds(40 * 300 / 4));
    EXPECT_EQ(results.Tally(), (Tally{{"silent-timeout", 40}, {"up-online", 40}}));
}

// Each Start stops the run before it; idle workers leave once woken.
TEST(ProbeScheduler, StartAndSetTimeoutClamp) {
    ProbeScheduler scheduler;
    for (const auto& [asked, started] : {std::pair{0, 1}, {-1, 1}, {1, 1}, {2, 2}, {32, 32}, {64, 32}}) {
        scheduler.Start(asked, nullptr, nullptr);
        EXPECT_EQ(scheduler.workerCount(), started) << asked;
    }
    scheduler.Stop();
    EXPECT_EQ(scheduler.workerCount(), 0);
    EXPECT_EQ(scheduler.timeoutMs(), 2000);
    for (const auto& [asked, kept] :
         {std::pair{50, 200}, {-5, 200}, {200, 200}, {201, 201}, {45000, 30000}}) {
        scheduler.SetTimeout(asked);
        EXPECT_EQ(scheduler.timeoutMs(), kept) << asked;
    }
}
