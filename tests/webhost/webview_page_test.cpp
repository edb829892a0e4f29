// The host, the stand-in runtime and a real browser together: the page
// loads from the page host, messages go both ways (hostile ones included),
// and evaluations come back to the log.
#include <gtest/gtest.h>

#include "webhost/webview_test_support.h"

namespace {

class PageInBrowser : public HostFixture {
protected:
    void SetUp() override {
        HostFixture::SetUp();
        ASSERT_TRUE(Create());
        ASSERT_TRUE(WaitReady());
        ASSERT_TRUE(PumpUntil([&] { return listener.received("hello"); }, 30000)) << "the page did not load";
    }
    // Waits for the page's next message; "" when none came.
    std::string NextMessage() {
        const std::size_t before = listener.messages.size();
        if (!PumpUntil([&] { return listener.messages.size() > before; }, 10000)) return "";
        return listener.messages[before];
    }
    bool WaitLog(const char* level, const std::string& message) {
        return PumpUntil([&] { return log.has(level, message); }, 10000);
    }

    ScopedEnv headless{"TAVOLIN_WEBVIEW_BROWSER", "headless"};
};

}  // namespace

TEST_F(PageInBrowser, MessagesGoBothWaysAndOnlyTextReachesTheListener) {
    host.post("echo", R"({"a":[1,"中文"],"b":null})");
    EXPECT_EQ(NextMessage(), R"({"echo":{"a":[1,"中文"],"b":null}})");
    host.post("echo", "");
    EXPECT_EQ(NextMessage(), R"({"echo":null})");

    // A message that is not a string is dropped; the echo behind it shows
    // that nothing came before it.
    host.post("object", "");
    host.post("echo", "1");
    EXPECT_EQ(NextMessage(), R"({"echo":1})");

    // The host hands on whatever text the page sends: reading it is the
    // dispatcher's job.
    host.post("text", R"("}{ not json")");
    EXPECT_EQ(NextMessage(), "}{ not json");
    host.post("huge", "10485760");
    const std::string huge = NextMessage();
    EXPECT_EQ(huge.size(), 10485760u);
    EXPECT_EQ(huge.find_first_not_of('x'), std::string::npos);
}

TEST_F(PageInBrowser, EvaluationsLogTheirValueOrTheirException) {
    host.eval("1 + 2", "sum");
    host.eval("({ a: 'x\\ny', b: [true] })", "object");
    host.eval("Promise.resolve('later')", "promise");
    host.eval("undefined", "nothing");
    host.eval("nosuch.member", "thrown");
    EXPECT_TRUE(WaitLog("INFO", "EVAL sum => 3"));
    EXPECT_TRUE(WaitLog("INFO", R"(EVAL object => {"a":"x\ny","b":[true]})"));
    EXPECT_TRUE(WaitLog("INFO", R"(EVAL promise => "later")"));
    EXPECT_TRUE(PumpUntil([&] { return log.hasPrefix("INFO", "EVAL nothing => {"); }));
    EXPECT_TRUE(WaitLog("WARN", "EVAL thrown !! 页面里抛异常：Uncaught"));
}

TEST_F(PageInBrowser, AReloadLoadsThePageAgainAndCloseEndsIt) {
    listener.messages.clear();
    host.reload();
    EXPECT_EQ(NextMessage(), "hello");

    // Asked for, then closed before the answer: the answer changes nothing.
    host.eval("1", "late");
    host.post("echo", "2");
    host.close();
    PumpFor(1500);
    EXPECT_FALSE(log.hasPrefix("INFO", "EVAL late"));
    EXPECT_FALSE(log.hasPrefix("WARN", "EVAL late"));
    EXPECT_FALSE(listener.received(R"({"echo":2})"));
}
