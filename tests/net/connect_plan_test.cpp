#include "net/connect_plan.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr int kRefused = 10061;
constexpr int kTimedOut = 10060;
constexpr int kHostUnreachable = 10065;
constexpr int kSilent = -1;  // no answer: the attempt runs to its own deadline

// What one attempt meets: an error (0: connected) after afterMs, or silence.
struct Answer {
    int error;
    double afterMs;
};

struct PlanRun {
    ConnectVerdict verdict;
    double endedMs = 0;
    std::vector<int> addressesTried;
};

// Drives the plan on a fake clock; attempts beyond the script stay silent.
PlanRun Drive(int addresses, double startMs, double deadlineMs, const std::vector<Answer>& script) {
    ConnectPlan plan(addresses, deadlineMs);
    PlanRun run;
    double now = startMs;
    std::size_t next = 0;
    ConnectPlan::Attempt attempt;
    while (plan.Next(now, &attempt)) {
        run.addressesTried.push_back(attempt.address);
        const Answer answer = next < script.size() ? script[next++] : Answer{kSilent, 0};
        if (answer.error == kSilent || now + answer.afterMs >= attempt.answerByMs) {
            now = attempt.answerByMs;
            plan.Expire(now);
        } else {
            now += answer.afterMs;
            plan.Report(answer.error, now, answer.error == 0 ? answer.afterMs : -1.0);
        }
    }
    EXPECT_TRUE(plan.done());
    run.verdict = plan.verdict();
    run.endedMs = now;
    return run;
}

}  // namespace

// The Windows stack with SYN retransmissions switched off reports a reset at
// once, and its own give-up on a lost SYN as WSAETIMEDOUT well before the
// attempt's deadline; Linux retransmits instead and stays silent. Both are
// modelled here: the decisions must not depend on which stack it is.
TEST(ConnectPlan, AttemptsAndVerdicts) {
    const struct {
        const char* name;
        int addresses;
        std::vector<Answer> script;
        bool connected;
        int address;
        int error;
        double endedMs;  // on a 2,000 ms budget starting at 1,000
        std::vector<int> tried;
    } cases[] = {
        {"refused within a round trip", 1, {{kRefused, 1}}, false, 0, kRefused, 1001, {0}},
        {"online", 1, {{0, 3}}, true, 0, 0, 1003, {0}},
        {"one lost SYN, Windows gives up early", 1, {{kTimedOut, 300}, {0, 5}}, true, 0, 0, 1305, {0, 0}},
        {"one lost SYN, Linux stays silent", 1, {{kSilent, 0}, {0, 5}}, true, 0, 0, 2005, {0, 0}},
        {"never answers: the whole budget, no more", 1, {}, false, 0, kTimedOut, 3000, {0, 0}},
        {"IPv6 unreachable, IPv4 refused: the refusal and its address",
         2,
         {{kHostUnreachable, 1}, {kRefused, 1}},
         false,
         1,
         kRefused,
         1002,
         {0, 1}},
        {"first address silent, second refused: the addresses share the budget",
         2,
         {{kSilent, 0}, {kSilent, 0}, {kRefused, 2}},
         false,
         1,
         kRefused,
         2002,
         {0, 0, 1}},
        {"both silent: the time-out, shown with the first address",
         2,
         {},
         false,
         0,
         kTimedOut,
         3000,
         {0, 0, 1, 1}},
        {"no address", 0, {}, false, -1, 0, 1000, {}},
    };
    for (const auto& c : cases) {
        const PlanRun run = Drive(c.addresses, 1000, 3000, c.script);
        EXPECT_EQ(run.verdict.connected, c.connected) << c.name;
        EXPECT_EQ(run.verdict.address, c.address) << c.name;
        EXPECT_EQ(run.verdict.error, c.error) << c.name;
        EXPECT_DOUBLE_EQ(run.endedMs, c.endedMs) << c.name;
        EXPECT_EQ(run.addressesTried, c.tried) << c.name;
        EXPECT_EQ(run.verdict.rttMs, c.connected ? c.script.back().afterMs : -1.0) << c.name;
    }
}

TEST(ConnectPlan, OutcomesOfTheSocketsErrors) {
    const std::pair<int, ConnectOutcome> cases[] = {
        {0, ConnectOutcome::Connected},       {10061, ConnectOutcome::Refused},
        {10060, ConnectOutcome::NoAnswer},    {10051, ConnectOutcome::Unreachable},
        {10065, ConnectOutcome::Unreachable}, {10013, ConnectOutcome::Failed},
    };
    for (const auto& [error, outcome] : cases) EXPECT_EQ(OutcomeOfError(error), outcome) << error;
}
