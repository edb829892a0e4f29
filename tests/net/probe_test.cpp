#include "net/probe.h"

#include <gtest/gtest.h>

#include <string>

#include "net/loopback_peers.h"

namespace {

class ProbeTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(EnsureWinsock()); }

    static ProbeJob Job(const std::string& host, int port) { return ProbeJob{"id-1", host, port}; }
};

// A name with a label longer than 63 bytes fails inside the resolver, so
// no query ever leaves the machine.
const std::string kUnresolvableHost = std::string(64, 'a') + ".invalid";

}  // namespace

TEST_F(ProbeTest, ListeningPortIsOnline) {
    LoopbackListener listener;
    const double before = MonotonicMs();
    const ProbeResult result = ProbeEndpoint(Job("127.0.0.1", listener.port()), 2000);
    const double elapsed = MonotonicMs() - before;
    EXPECT_EQ(result.id, "id-1");
    EXPECT_EQ(result.netState, kNetOnline);
    EXPECT_EQ(result.netDetail, "RDP 端口可达");
    EXPECT_EQ(result.resolvedIp, "127.0.0.1");
    EXPECT_GE(result.rtt, 0.0);
    EXPECT_LE(result.rtt, elapsed);
}

TEST_F(ProbeTest, ClosedPortIsRefused) {
    const ProbeResult result = ProbeEndpoint(Job("127.0.0.1", ClosedLoopbackPort()), 2000);
    EXPECT_EQ(result.netState, kNetRefused);
    EXPECT_EQ(result.netDetail, "主机在线，但端口被拒绝（RDP 未启用或被防火墙拦截）");
    EXPECT_EQ(result.resolvedIp, "127.0.0.1");
    EXPECT_EQ(result.rtt, -1.0);
}

TEST_F(ProbeTest, PortThatNeverAnswersTimesOutAfterTheTimeout) {
    BlackHoleListener blackHole;
    const double before = MonotonicMs();
    const ProbeResult result = ProbeEndpoint(Job("127.0.0.1", blackHole.port()), 300);
    const double elapsed = MonotonicMs() - before;
    EXPECT_EQ(result.netState, kNetTimeout);
    EXPECT_EQ(result.netDetail, "连接超时");
    EXPECT_EQ(result.resolvedIp, "127.0.0.1");
    EXPECT_EQ(result.rtt, -1.0);
    EXPECT_GE(elapsed, 290.0);
    EXPECT_LT(elapsed, 3000.0);  // its own time-out, not the system's
}

TEST_F(ProbeTest, UnresolvableNameIsDnsFail) {
    const ProbeResult result = ProbeEndpoint(Job(kUnresolvableHost, 3389), 2000);
    EXPECT_EQ(result.netState, kNetDnsFail);
    EXPECT_EQ(result.netDetail, "地址解析失败");
    EXPECT_EQ(result.resolvedIp, "");
    EXPECT_EQ(result.rtt, -1.0);
}

TEST_F(ProbeTest, NamesAndIpv6LiteralsResolve) {
    LoopbackListener listener;
    // The listener is IPv4 only: whether "localhost" also gives ::1, and in
    // which order, the address reported is the one that answered.
    const ProbeResult byName = ProbeEndpoint(Job("localhost", listener.port()), 2000);
    EXPECT_EQ(byName.netState, kNetOnline);
    EXPECT_EQ(byName.resolvedIp, "127.0.0.1");
    // Nothing listens on the IPv6 loopback at this port.
    const ProbeResult v6 = ProbeEndpoint(Job("::1", ClosedLoopbackPort()), 2000);
    EXPECT_NE(v6.netState, kNetOnline);
    EXPECT_NE(v6.netState, kNetDnsFail);
    EXPECT_EQ(v6.resolvedIp, "::1");
}

TEST_F(ProbeTest, JobWithoutPortProbesTheRdpPort) {
    LoopbackListener rdp(3389);
    if (!rdp.ok()) GTEST_SKIP() << "port 3389 is taken on this machine";
    EXPECT_EQ(ProbeEndpoint(Job("127.0.0.1", 0), 2000).netState, kNetOnline);
    EXPECT_EQ(ProbeEndpoint(Job("127.0.0.1", -1), 2000).netState, kNetOnline);
}

TEST(ProbePort, BelowOneMeansTheRdpPort) {
    EXPECT_EQ(ProbePortText(0), "3389");
    EXPECT_EQ(ProbePortText(-7), "3389");
    EXPECT_EQ(ProbePortText(1), "1");
    EXPECT_EQ(ProbePortText(3390), "3390");
}
