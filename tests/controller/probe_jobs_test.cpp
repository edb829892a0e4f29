#include "controller/probe_jobs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

ServerRecord Server(const std::string& id, const std::string& host, int port, int pingPort) {
    ServerRecord server;
    server.id = id;
    server.host = host;
    server.port = port;
    server.pingPort = pingPort;
    return server;
}

}  // namespace

// A probe port outside 1..65535 once went to the resolver as given and
// showed a resolution failure.
TEST(ProbeJobs, ThePortAServerIsProbedAt) {
    const struct {
        int port;
        int pingPort;
        int probed;
    } cases[] = {{3390, 22, 22}, {3390, 0, 3390}, {3390, 70000, 3390}, {3390, -4, 3390}, {0, 0, 3389}};
    for (const auto& c : cases)
        EXPECT_EQ(ProbePortOf(Server("a", "h", c.port, c.pingPort)), c.probed) << c.port << "/" << c.pingPort;
    const std::vector<ServerRecord> list = {Server("a", "h", 1, 0), Server("b", "", 1, 0),
                                            Server("c", "k", 1, 5)};
    const std::vector<ProbeJob> jobs = ProbeJobsFor(list);
    ASSERT_EQ(jobs.size(), 2u);  // no host, no probe
    EXPECT_EQ(jobs[1].id, "c");
    EXPECT_EQ(jobs[1].port, 5);
    EXPECT_EQ(jobs[1].listIndex, 2u);
}

// A result from before an edit or a removal once replaced the newer one.
TEST(ProbeJobs, OnlyResultsForTheServerAsItIsNowCount) {
    const std::vector<ServerRecord> servers = {Server("a", "h1", 3389, 0), Server("b", "h2", 3389, 22)};
    const struct {
        const char* name;
        std::string id;
        std::string host;
        int port;
        std::size_t listIndex;
        bool current;
    } cases[] = {
        {"as probed", "a", "h1", 3389, 0, true},       {"probe port", "b", "h2", 22, 1, true},
        {"moved in the list", "b", "h2", 22, 0, true}, {"host changed", "a", "old", 3389, 0, false},
        {"port changed", "a", "h1", 3390, 0, false},   {"probe port set since", "b", "h2", 3389, 1, false},
        {"removed", "gone", "h1", 3389, 0, false},     {"index past the end", "a", "h1", 3389, 7, true},
    };
    for (const auto& c : cases) {
        ProbeResult result;
        result.id = c.id;
        result.host = c.host;
        result.port = c.port;
        result.listIndex = c.listIndex;
        EXPECT_EQ(ProbeResultIsCurrent(servers, result), c.current) << c.name;
    }
}
