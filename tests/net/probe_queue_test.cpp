#include "net/probe_queue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <queue>
#include <string>
#include <utility>
#include <vector>

namespace {

struct Sweeps {
    const char* name;
    int servers;
    int silent;  // the first ones never answer: each takes the whole time-out
    int slots;   // probes in flight at once
    int timeoutMs;
    int intervalMs;
    int sweeps;
};

struct Outcome {
    int neverProbed = 0;
    double longestGapMs = 0;  // from the start, or a result, to the next result
};

// Offers every server each interval and keeps `slots` probes running, on a
// simulated clock; an answering server takes 1 ms.
Outcome Simulate(const Sweeps& s) {
    ProbeQueue queue;
    std::vector<ProbeJob> all;
    for (int i = 0; i < s.servers; ++i) all.push_back(ProbeJob{std::to_string(i), "10.0.0.1", 3389});
    using Ending = std::pair<double, int>;  // time, server
    std::priority_queue<Ending, std::vector<Ending>, std::greater<Ending>> running;
    std::vector<double> last(s.servers, 0.0);
    Outcome outcome;
    const double end = static_cast<double>(s.intervalMs) * s.sweeps;
    double nextSweep = 0;
    double now = 0;
    while (now <= end) {
        if (now >= nextSweep) {
            queue.Offer(all);
            nextSweep += s.intervalMs;
        }
        ProbeJob job;
        while (static_cast<int>(running.size()) < s.slots && queue.Take(&job)) {
            const int server = std::stoi(job.id);
            running.push({now + (server < s.silent ? s.timeoutMs : 1), server});
        }
        now = running.empty() ? nextSweep : std::min(nextSweep, running.top().first);
        while (!running.empty() && running.top().first <= now) {
            const auto [at, server] = running.top();
            running.pop();
            queue.Finish(std::to_string(server), at);
            outcome.longestGapMs = std::max(outcome.longestGapMs, at - last[server]);
            last[server] = at;
        }
    }
    for (int i = 0; i < s.servers; ++i) {
        if (last[i] == 0.0) ++outcome.neverProbed;
        outcome.longestGapMs = std::max(outcome.longestGapMs, end - last[i]);
    }
    return outcome;
}

}  // namespace

// Sweeps longer than the interval once left every server past a fixed
// place without a result, however many sweeps ran.
TEST(ProbeQueue, EveryServerGetsResultsWithinTheStatedBound) {
    const Sweeps cases[] = {
        {"sweep longer than the interval", 200, 100, 6, 2000, 10000, 30},
        {"every server silent", 50, 50, 1, 2000, 1000, 120},
        {"interval shorter than a probe", 40, 10, 4, 3000, 500, 200},
        {"many servers, many slots", 10000, 3000, 1536, 2000, 10000, 6},
    };
    for (const Sweeps& c : cases) {
        const Outcome outcome = Simulate(c);
        EXPECT_EQ(outcome.neverProbed, 0) << c.name;
        EXPECT_LE(outcome.longestGapMs, ProbeStalenessBoundMs(c.servers, c.slots, c.timeoutMs, c.intervalMs))
            << c.name;
    }
}

TEST(ProbeQueue, OfferKeepsTheWaitingAndOrdersByLastResult) {
    ProbeQueue queue;
    const auto job = [](const char* id, const char* host, int port) { return ProbeJob{id, host, port}; };
    queue.Offer({job("a", "h", 1), job("b", "h", 1), job("c", "h", 1)});
    ProbeJob taken;
    ASSERT_TRUE(queue.Take(&taken));  // "a" is being probed
    ASSERT_TRUE(queue.Take(&taken));  // "b" too
    queue.Finish("b", 10.0);
    // "a" at the same target is left out, its result is coming; "b" has a
    // result and queues behind the never-probed "d"; "c" keeps its place
    // and takes its new port.
    queue.Offer({job("a", "h", 1), job("b", "h", 1), job("c", "h", 2), job("d", "h", 1)});
    // "a" with a new host waits again: the running probe is for the old one.
    queue.Offer({job("a", "new", 1)});
    std::vector<std::pair<std::string, int>> order;
    while (queue.Take(&taken)) order.emplace_back(taken.id + "@" + taken.host, taken.port);
    const std::vector<std::pair<std::string, int>> expected = {
        {"c@h", 2}, {"d@h", 1}, {"a@new", 1}, {"b@h", 1}};
    EXPECT_EQ(order, expected);
    queue.Offer({job("e", "h", 1)});
    queue.Clear();
    EXPECT_EQ(queue.waiting(), 0u);
}
