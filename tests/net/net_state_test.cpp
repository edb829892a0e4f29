#include <gtest/gtest.h>

#include "net/probe.h"

TEST(NetState, NamesOfTheCodes) {
    EXPECT_STREQ(NetStateName(1), "online");
    EXPECT_STREQ(NetStateName(2), "refused");
    EXPECT_STREQ(NetStateName(3), "timeout");
    EXPECT_STREQ(NetStateName(4), "dnsfail");
    EXPECT_STREQ(NetStateName(5), "error");
    EXPECT_STREQ(NetStateName(0), "unknown");
    EXPECT_STREQ(NetStateName(6), "unknown");
    EXPECT_STREQ(NetStateName(-1), "unknown");
}

TEST(NetState, FailuresAreClassifiedByTheLastError) {
    const struct {
        int error;
        int state;
        const char* detail;
    } cases[] = {
        {10051, 5, "网络或主机不可达"},
        {10065, 5, "网络或主机不可达"},
        {10060, 3, "连接超时"},
        {10061, 2, "主机在线，但端口被拒绝（RDP 未启用或被防火墙拦截）"},
        {10013, 5, "连接失败，错误码 10013"},
        {0, 5, "连接失败"},
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
