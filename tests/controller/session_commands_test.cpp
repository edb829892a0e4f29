// The tabs as the page opens, moves and closes them.
#include <gtest/gtest.h>

#include "controller/controller_fixture.h"

using SessionCommands = ControllerTest;

TEST_F(SessionCommands, CommandsReachTheTabsWithTheStoredServer) {
    const std::string id = Stored("a.example");
    for (const char* cmd : {"connect", "reconnect", "disconnect", "closeTab", "activateTab"}) SendId(cmd, id);
    Send("switchTab", "{\"delta\":-1}");
    Send("switchTab", "{}");
    EXPECT_EQ(tabs.calls, (std::vector<std::string>{
                              "open " + id + " a.example", "reopen " + id + " a.example", "disconnect " + id,
                              "close " + id, "activate " + id, "switch -1", "switch 1"}));
    EXPECT_TRUE(page.toasts().empty());
    tabs.calls.clear();
    SendId("connect", "nobody");
    SendId("reconnect", "nobody");  // says nothing
    EXPECT_TRUE(tabs.calls.empty());
    EXPECT_EQ(page.toasts(), (std::vector<std::string>{"error: 找不到这台服务器"}));
}

// The clamping itself is the content-rect table's.
TEST_F(SessionCommands, ContentRectStoresTheClampedAreaOrHidesTheSessions) {
    const std::pair<const char*, std::vector<std::string>> cases[] = {
        {"{\"x\":\"7\",\"y\":\"8\",\"w\":\"10\",\"h\":\"10\"}", {"shown", "rect 7 8 17 18", "layout"}},
        {"{\"hidden\":true,\"x\":1,\"y\":1,\"w\":5,\"h\":5}", {"hidden", "layout"}},
        {"{\"x\":0,\"y\":0,\"w\":0,\"h\":300}", {"shown"}},  // no size: nothing stored, no layout
        {"null", {"shown"}},
    };
    for (const auto& [data, want] : cases) {
        tabs.calls.clear();
        Send("contentRect", data);
        EXPECT_EQ(tabs.calls, want) << data;
    }
}

// Which hosts are refused is the host check's table.
TEST_F(SessionCommands, OpenExternalRefusesHostsThatCouldAddOptions) {
    const std::string good = Stored("srv-01.example.com");
    config.servers.back().port = 3390;
    const std::string bad = Stored("10.0.0.1 /admin");
    for (const std::string& id : {good, bad, std::string("nobody")}) SendId("openExternal", id);
    EXPECT_EQ(window.calls, (std::vector<std::string>{"external /v:srv-01.example.com:3390"}));
    EXPECT_EQ(page.toasts(), (std::vector<std::string>{"error: 地址含有不允许的字符，无法打开"}));
    EXPECT_EQ(DiskHosts(), (std::vector<std::string>{"srv-01.example.com", "10.0.0.1 /admin"}));
}
