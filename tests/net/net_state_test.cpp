#include <gtest/gtest.h>

#include "net/probe.h"

// By number, as the page receives them: a renumbered code fails here too.
TEST(NetState, PageNamesOfTheCodes) {
    const char* const names[] = {"unknown", "online", "refused", "timeout", "dnsfail", "error", "unknown"};
    for (int code = 0; code < 7; ++code) {
        EXPECT_STREQ(NetStateName(static_cast<NetState>(code)), names[code]) << code;
    }
    EXPECT_STREQ(NetStateName(static_cast<NetState>(-1)), "unknown");
}

TEST(NetState, FailuresAreClassifiedByTheLastError) {
    const struct {
        int error;
        NetState state;
        const char* detail;
    } cases[] = {
        {10051, NetState::Error, "网络或主机不可达"},
        {10065, NetState::Error, "网络或主机不可达"},
        {10060, NetState::Timeout, "连接超时"},
        {10061, NetState::Refused, "主机在线，但端口被拒绝（RDP 未启用或被防火墙拦截）"},
        {10013, NetState::Error, "连接失败，错误码 10013"},
        {0, NetState::Error, "连接失败"},
    };
    for (const auto& c : cases) {
        ProbeResult result;
        result.rtt = 12.0;
        ClassifyFailure(c.error, result);
        EXPECT_EQ(result.netState, c.state) << c.error;
        EXPECT_EQ(result.netDetail, c.detail) << c.error;
        EXPECT_EQ(result.rtt, -1.0) << c.error;
    }
}

TEST(NetState, PortBelowOneMeansTheRdpPort) {
    for (const auto& [port, text] : {std::pair{0, "3389"}, {-7, "3389"}, {1, "1"}, {3390, "3390"}}) {
        EXPECT_EQ(ProbePortText(port), text) << port;
    }
}
