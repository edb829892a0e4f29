// Which drops wait for the server, the pauses between attempts, and the
// wait itself as its tab's reports and the probes move it.
#include "controller/reconnect_plan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(ReconnectPlan, NetworkReasonsAreTheLostConnectionsAlone) {
    const struct {
        int reason;
        bool network;
    } cases[] = {
        {2308, true},  {1028, true},  {772, true},   {264, true},   {1796, true},  {516, true},
        {260, true},   {520, true},   {1288, true},  {1540, true},  {0, false},    {1, false},
        {2, false},    {3, false},    {2055, false}, {2056, false}, {2312, false}, {3335, false},
        {1030, false}, {1800, false}, {-1, false},   {2309, false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsNetworkDisconnect(c.reason), c.network) << c.reason;
}

TEST(ReconnectPlan, PausesGrowToAMinute) {
    const std::uint64_t want[] = {0, 5000, 10000, 30000, 60000, 60000, 60000};
    for (int failures = 0; failures < 7; ++failures)
        EXPECT_EQ(ReconnectDelayMs(failures), want[failures]) << failures;
    EXPECT_EQ(ReconnectDelayMs(-3), 0u);
}

namespace {

// One step of a tab's story and what the plan says after it: "-" not
// waiting, else "waiting N" or "connecting N" with the attempts so far.
struct Step {
    const char* what;
    std::uint64_t at;
    int value;  // the reason, or 1 for an answering probe
    const char* after;
    std::vector<std::string> attempts = {};
};

std::string Describe(const ReconnectPlan& plan) {
    const ReconnectWait* wait = plan.Find("t");
    if (wait == nullptr) return "-";
    return (wait->phase == ReconnectPhase::Waiting ? "waiting " : "connecting ") +
           std::to_string(wait->attempts);
}

// "drop" with the setting on; "drop off" with it switched off.
void Apply(ReconnectPlan& plan, const Step& step) {
    const std::string what = step.what;
    std::vector<std::string> attempts;
    if (what.rfind("drop", 0) == 0) {
        EXPECT_EQ(plan.OnDropped("t", step.value, what == "drop", step.at), step.after[0] != '-') << what;
    }
    if (what == "failed") plan.OnAttemptFailed("t", step.value, step.at);
    if (what == "probe") plan.OnProbe("t", step.value == 1);
    if (what == "connected") plan.OnConnected("t");
    if (what == "resume") plan.OnResume(step.at);
    if (what == "cancel") plan.Cancel("t");
    if (what == "tick") attempts = plan.Tick(step.at).attempts;
    EXPECT_EQ(attempts, step.attempts) << what << " at " << step.at;
    EXPECT_EQ(Describe(plan), step.after) << what << " at " << step.at;
}

}  // namespace

TEST(ReconnectPlan, ATabWaitsForItsServerThenTriesWithGrowingPauses) {
    const std::vector<std::pair<const char*, std::vector<Step>>> stories = {
        {"switched off, nothing waits",
         {{"drop off", 0, 2308, "-"}, {"probe", 0, 1, "-"}, {"tick", 9, 0, "-"}}},
        {"a logoff or the user's own disconnect does not wait",
         {{"drop", 0, 3, "-"}, {"drop", 0, 1, "-"}, {"probe", 0, 1, "-"}, {"tick", 9, 0, "-"}}},
        {"the server back at once: one attempt, connected",
         {{"drop", 100, 2308, "waiting 0"},
          {"tick", 100, 0, "waiting 0"},
          {"probe", 0, 1, "waiting 0"},
          {"tick", 150, 0, "connecting 1", {"t"}},
          {"tick", 200, 0, "connecting 1"},
          {"connected", 0, 0, "-"}}},
        {"a rebooting server: refused, timed out, then back",
         {{"drop", 0, 1028, "waiting 0"},
          {"probe", 0, 2, "waiting 0"},
          {"tick", 4000, 0, "waiting 0"},
          {"probe", 0, 1, "waiting 0"},
          {"probe", 0, 3, "waiting 0"},  // the latest answer wins
          {"tick", 5000, 0, "waiting 0"},
          {"probe", 0, 1, "waiting 0"},
          {"tick", 6000, 0, "connecting 1", {"t"}}}},
        {"failed attempts wait their pause and a fresh answer",
         {{"drop", 0, 264, "waiting 0"},
          {"probe", 0, 1, "waiting 0"},
          {"tick", 10, 0, "connecting 1", {"t"}},
          {"failed", 1000, 516, "waiting 1"},
          {"tick", 5999, 0, "waiting 1"},
          {"tick", 6000, 0, "waiting 1"},  // no answer since the failure
          {"probe", 0, 1, "waiting 1"},
          {"tick", 5999, 0, "waiting 1"},  // an answer, but the pause is not over
          {"tick", 6000, 0, "connecting 2", {"t"}},
          {"failed", 7000, 2308, "waiting 2"},
          {"probe", 0, 1, "waiting 2"},
          {"tick", 16999, 0, "waiting 2"},
          {"tick", 17000, 0, "connecting 3", {"t"}}}},
        {"an attempt that fails otherwise (a logon refused) ends the wait",
         {{"drop", 0, 2308, "waiting 0"},
          {"probe", 0, 1, "waiting 0"},
          {"tick", 0, 0, "connecting 1", {"t"}},
          {"failed", 10, -1, "-"}}},
        {"resuming ends the pause but wants a fresh answer",
         {{"drop", 0, 2308, "waiting 0"},
          {"probe", 0, 1, "waiting 0"},
          {"tick", 0, 0, "connecting 1", {"t"}},
          {"failed", 0, 516, "waiting 1"},
          {"probe", 0, 1, "waiting 1"},
          {"resume", 100, 0, "waiting 1"},
          {"tick", 100, 0, "waiting 1"},
          {"probe", 0, 1, "waiting 1"},
          {"tick", 101, 0, "connecting 2", {"t"}}}},
        {"cancelled, the tab waits no more",
         {{"drop", 0, 772, "waiting 0"}, {"cancel", 0, 0, "-"}, {"probe", 0, 1, "-"}, {"tick", 9, 0, "-"}}},
        {"a failure report with no attempt under way changes nothing",
         {{"drop", 0, 772, "waiting 0"}, {"failed", 0, 516, "waiting 0"}}},
    };
    for (const auto& [name, steps] : stories) {
        SCOPED_TRACE(name);
        ReconnectPlan plan;
        for (const Step& step : steps) Apply(plan, step);
    }
}

// Whatever the sweep interval, a waiting server is asked again every few
// seconds, and not in between.
TEST(ReconnectPlan, WaitingServersAreProbedEveryFewSeconds) {
    ReconnectPlan plan;
    plan.OnDropped("a", 2308, true, 1000);
    plan.OnDropped("b", 264, true, 2000);
    const struct {
        std::uint64_t at;
        std::vector<std::string> probes;
    } ticks[] = {{1000, {"a"}}, {2000, {"b"}}, {3999, {}}, {4000, {"a"}}, {5000, {"b"}}, {6999, {}}};
    for (const auto& t : ticks) EXPECT_EQ(plan.Tick(t.at).probes, t.probes) << t.at;
}
