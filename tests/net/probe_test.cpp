#include "net/probe.h"

#include <gtest/gtest.h>

#include <string>

#include "net/loopback_peers.h"

namespace {

ProbeJob Job(const std::string& host, int port) {
    return ProbeJob{"id-1", host, port};
}

}  // namespace

TEST(Probe, OutcomesOfTheLoopbackPeers) {
    ASSERT_TRUE(EnsureWinsock());
    LoopbackListener listener;
    BlackHoleListener blackHole;
    const int closed = ClosedLoopbackPort();
    // A label longer than 63 bytes fails inside the resolver: no query ever
    // leaves the machine.
    const std::string unresolvable = std::string(64, 'a') + ".invalid";
    const int timeoutMs = 300;
    const struct {
        std::string host;
        int port;
        NetState state;
        const char* detail;
        const char* ip;
    } cases[] = {
        {"127.0.0.1", listener.port(), NetState::Online, "RDP 端口可达", "127.0.0.1"},
        // The listener is IPv4 only: whether "localhost" also gives ::1, and
        // in which order, the address reported is the one that answered.
        {"localhost", listener.port(), NetState::Online, "RDP 端口可达", "127.0.0.1"},
        {"127.0.0.1", closed, NetState::Refused, "主机在线，但端口被拒绝（RDP 未启用或被防火墙拦截）",
         "127.0.0.1"},
        {"127.0.0.1", blackHole.port(), NetState::Timeout, "连接超时", "127.0.0.1"},
        {unresolvable, 3389, NetState::DnsFail, "地址解析失败", ""},
    };
    for (const auto& c : cases) {
        const double before = MonotonicMs();
        const ProbeResult result = ProbeEndpoint(Job(c.host, c.port), timeoutMs);
        const double elapsed = MonotonicMs() - before;
        EXPECT_EQ(result.id, "id-1");
        EXPECT_EQ(result.netState, c.state) << c.host << ":" << c.port;
        EXPECT_EQ(result.netDetail, c.detail) << c.host << ":" << c.port;
        EXPECT_EQ(result.resolvedIp, c.ip) << c.host << ":" << c.port;
        if (c.state == NetState::Online) {
            EXPECT_GE(result.rtt, 0.0);
            EXPECT_LE(result.rtt, elapsed);
        } else {
            EXPECT_EQ(result.rtt, -1.0) << c.host << ":" << c.port;
        }
        if (c.state == NetState::Timeout) {
            // The probe's own time-out, in full, and no more: the system's
            // own connect time-out is twenty seconds or more.
            EXPECT_GE(elapsed, timeoutMs - 10.0);
            EXPECT_LT(elapsed, timeoutMs + 500.0);
        }
    }
}

TEST(Probe, FailedIpv6LiteralIsReportedAsTheAddressTried) {
    // Nothing listens on the IPv6 loopback at this port; without IPv6 the
    // socket itself fails, which is an error rather than a refusal.
    const ProbeResult result = ProbeEndpoint(Job("::1", ClosedLoopbackPort()), 2000);
    EXPECT_TRUE(result.netState == NetState::Refused || result.netState == NetState::Error);
    EXPECT_EQ(result.resolvedIp, "::1");
}

TEST(Probe, JobWithoutPortProbesTheRdpPort) {
    LoopbackListener rdp(3389);
    if (!rdp.ok()) GTEST_SKIP() << "port 3389 is taken on this machine";
    for (int port : {0, -1}) {
        EXPECT_EQ(ProbeEndpoint(Job("127.0.0.1", port), 2000).netState, NetState::Online);
    }
}
