#include "rdp/disconnect_reason.h"

#include <gtest/gtest.h>

#include <string>

#include "core/text.h"
#include "rdp/external_client_command.h"

// The documented meanings (imstscaxevents-ondisconnected), where the table
// once had others or none.
TEST(DisconnectReasonTable, KnowsTheDocumentedCodesAndOnlyThose) {
    EXPECT_STREQ(KnownDisconnectReasonText(0), "连接已结束");
    EXPECT_STREQ(KnownDisconnectReasonText(1032), "内部错误");
    EXPECT_STREQ(KnownDisconnectReasonText(2055), "登录失败：请核对用户名和密码");
    EXPECT_STREQ(KnownDisconnectReasonText(2056), "许可证协商失败");
    EXPECT_STREQ(KnownDisconnectReasonText(8711), "智能卡已被锁定");
    // 2, 260 and 516 reach the page in the connection tests. Neighbours of
    // known codes, negatives, the far ends and codes Microsoft does not
    // list (the control describes those) are not known.
    for (int code : {-1, 4, 261, 263, 265, 266, 517, 1800, 2820, 2824, 2825, 3590, 3848, 4614, 4616,
                     2147483647, -2147483647 - 1}) {
        EXPECT_EQ(KnownDisconnectReasonText(code), nullptr) << code;
    }
    // Our own text for such a code comes only after the control's.
    EXPECT_EQ(FallbackDisconnectReasonText(3590), "服务器要求 FIPS 级加密，本客户端不支持");
    EXPECT_EQ(FallbackDisconnectReasonText(9999), "断开（原因码 9999）");
    EXPECT_EQ(FallbackDisconnectReasonText(-7), "断开（原因码 -7）");
}

TEST(DisconnectReasonDescription, LineBreaksBecomeBlanksAndTrailingBlanksGo) {
    EXPECT_EQ(CleanErrorDescription("服务器忙\r\n"), "服务器忙");
    EXPECT_EQ(CleanErrorDescription("a\tb\r\nc  \t "), "a b  c");
    EXPECT_EQ(CleanErrorDescription("  leading stays"), "  leading stays");
    EXPECT_EQ(CleanErrorDescription(" \r\n\t"), "");
    EXPECT_EQ(CleanErrorDescription(""), "");
}

TEST(DisconnectReasonDescription, InternalErrorWordsInLowerCaseAreUseless) {
    EXPECT_EQ(CleanErrorDescription("An internal error has occurred."), "");
    EXPECT_EQ(CleanErrorDescription("发生内部错误。"), "");
    EXPECT_EQ(CleanErrorDescription("An Internal error has occurred."), "An Internal error has occurred.");
    EXPECT_EQ(CleanErrorDescription("internal  error"), "internal  error");
}

// A Chinese text is cut at a whole character in the control's tests.
TEST(DisconnectReasonDescription, TextsLongerThan90BytesAreCut) {
    const std::string ninety(90, 'x');
    EXPECT_EQ(CleanErrorDescription(ninety), ninety);
    EXPECT_EQ(CleanErrorDescription(std::string(91, 'y')), std::string(87, 'y') + "...");
}

TEST(ExternalClientCommand, NamesHostAndPort) {
    EXPECT_EQ(ExternalClientArguments("srv.example.com", 3390), "/v:srv.example.com:3390");
    EXPECT_EQ(ExternalClientArguments("10.0.0.5", 0), "/v:10.0.0.5:3389");
    EXPECT_EQ(ExternalClientArguments("10.0.0.5", -4), "/v:10.0.0.5:3389");
    EXPECT_EQ(ExternalClientArguments("%s%n", 1), "/v:%s%n:1");
}

TEST(ExternalClientCommand, RefusesHostsThatWouldAddArguments) {
    for (const char* host : {"a b", "srv /admin", "\"srv\"", "srv\t", "a\nb", "x\x7f", "srv/admin", "srv\\x",
                             "a,b", "a;b", "a&b"}) {
        EXPECT_FALSE(IsSafeClientHost(host)) << host;
    }
    for (const char* host : {"srv.example.com", "10.0.0.5", "::1", "[fe80::1]", "服务器.公司", "host-01_a"}) {
        EXPECT_TRUE(IsSafeClientHost(host)) << host;
    }
}
