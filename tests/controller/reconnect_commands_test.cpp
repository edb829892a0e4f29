// The controller between the tabs' reports, the probes and the page: which
// drop makes a tab wait, what reopens it, and the temporary servers of
// quick connections, which reach config.json only when saved.
#include <gtest/gtest.h>

#include "controller/controller_fixture.h"

using Reconnects = ControllerTest;

namespace {

ProbeResult Answer(const std::string& id, const std::string& host, NetState state) {
    ProbeResult result;
    result.id = id;
    result.host = host;
    result.port = 3389;
    result.netState = state;
    return result;
}

}  // namespace

TEST_F(Reconnects, ANetworkDropWaitsForTheProbeThenReopensTheTabInPlace) {
    const std::string id = Stored("a.example", "secret");
    controller.OnSessionReport(id, SessionState::Disconnected, 2308, true, 1000);
    controller.OnReconnectTick(1000);
    EXPECT_EQ(probes.sweeps, (std::vector<std::string>{"a.example:3389"}));
    controller.OnProbeResult(Answer(id, "a.example", NetState::Refused));
    controller.OnReconnectTick(1500);
    controller.OnProbeResult(Answer(id, "a.example", NetState::Online));
    controller.OnReconnectTick(2000);
    controller.OnSessionReport(id, SessionState::Connecting, 0, false, 2000);
    controller.OnSessionReport(id, SessionState::Disconnected, 516, false, 2100);
    controller.OnSessionReport(id, SessionState::Disconnected, 1, true, 2200);  // an old session's late word
    controller.OnProbeResult(Answer(id, "a.example", NetState::Online));
    controller.OnReconnectTick(7099);
    controller.OnReconnectTick(7100);
    controller.OnSessionReport(id, SessionState::Connected, 0, true, 7200);
    const std::string waiting2 = "{\"id\":\"" + id + "\",\"phase\":\"waiting\",\"attempts\":";
    EXPECT_EQ(page.data("reconnect"),
              (std::vector<std::string>{
                  waiting2 + "0}", "{\"id\":\"" + id + "\",\"phase\":\"connecting\",\"attempts\":1}",
                  waiting2 + "1}", "{\"id\":\"" + id + "\",\"phase\":\"connecting\",\"attempts\":2}",
                  "{\"id\":\"" + id + "\",\"phase\":\"off\",\"attempts\":0}"}));
    EXPECT_EQ(tabs.calls,
              (std::vector<std::string>{"note " + id + " 等待服务器恢复…", "reopen " + id + " a.example",
                                        "note " + id + " 正在重新连接…", "note " + id + " 等待服务器恢复…",
                                        "reopen " + id + " a.example", "note " + id + " 正在重新连接…",
                                        "note " + id + " "}));
    EXPECT_EQ(tabs.passwords, std::vector<std::string>(2, "secret"));  // opened for each attempt
}

TEST_F(Reconnects, OnlyNetworkDropsOfConnectedSessionsWaitWhileSwitchedOn) {
    const std::string id = Stored("a.example");
    const struct {
        const char* name;
        SessionState state;
        int code;
        bool wasConnected;
        bool enabled;
        bool waits;
    } cases[] = {
        {"the socket closed", SessionState::Disconnected, 2308, true, true, true},
        {"logged off", SessionState::Disconnected, 3, true, true, false},
        {"never came up", SessionState::Disconnected, 516, false, true, false},
        {"a fatal error", SessionState::Failed, 2308, true, true, false},
        {"switched off", SessionState::Disconnected, 2308, true, false, false},
    };
    for (const auto& c : cases) {
        config.sessions.autoReconnect = c.enabled;
        page.events.clear();
        controller.OnSessionReport(id, c.state, c.code, c.wasConnected, 0);
        EXPECT_EQ(page.data("reconnect").size(), c.waits ? 1u : 0u) << c.name;
        controller.CancelReconnect(id);
    }
}

TEST_F(Reconnects, CancelCloseAndTheSettingEndTheWait) {
    const std::string id = Stored("a.example");
    const std::pair<const char*, std::string> ends[] = {
        {"cancelReconnect", "{\"id\":\"" + id + "\"}"},
        {"closeTab", "{\"id\":\"" + id + "\"}"},
        {"saveSettings", "{\"autoReconnect\":false}"},
    };
    for (const auto& [cmd, data] : ends) {
        config.sessions.autoReconnect = true;
        controller.OnSessionReport(id, SessionState::Disconnected, 2308, true, 0);
        page.events.clear();
        Send(cmd, data);
        EXPECT_EQ(page.data("reconnect"),
                  (std::vector<std::string>{"{\"id\":\"" + id + "\",\"phase\":\"off\",\"attempts\":0}"}))
            << cmd;
        controller.OnProbeResult(Answer(id, "a.example", NetState::Online));
        tabs.calls.clear();
        controller.OnReconnectTick(100000);
        EXPECT_TRUE(tabs.calls.empty()) << cmd;
    }
    EXPECT_FALSE(OnDisk().sessions.autoReconnect);
}

TEST_F(Reconnects, AQuickConnectionOpensATabAndIsSavedOnlyWhenAsked) {
    SetOtherDefaults();
    config.defaults.options.adminSession = true;
    Send("quickConnect", "{\"address\":\"a b\"}");
    Send("quickConnect", "{\"address\":\"admin@10.0.0.9:3391\"}");
    ASSERT_EQ(tabs.calls.size(), 1u);
    const std::string id = tabs.calls[0].substr(5, 16);
    EXPECT_EQ(tabs.calls[0], "open " + id + " 10.0.0.9");
    EXPECT_EQ(page.toasts(),
              (std::vector<std::string>{"error: 无法识别的地址：请输入 主机、主机:端口 或 用户名@主机"}));
    EXPECT_TRUE(OnDisk().servers.empty());

    // Its tab waits and reconnects as a stored server's does.
    controller.OnSessionReport(id, SessionState::Disconnected, 1028, true, 0);
    controller.OnReconnectTick(0);
    EXPECT_EQ(probes.sweeps, (std::vector<std::string>{"10.0.0.9:3391"}));
    ProbeResult answer = Answer(id, "10.0.0.9", NetState::Online);
    answer.port = 3391;
    controller.OnProbeResult(answer);
    controller.OnReconnectTick(10);
    EXPECT_EQ(tabs.calls[2], "reopen " + id + " 10.0.0.9");
    EXPECT_TRUE(page.data("pings").empty() && OnDisk().servers.empty());

    SendId("saveQuick", id);
    SendId("saveQuick", id);  // once only
    const AppConfig disk = OnDisk();
    ASSERT_EQ(disk.servers.size(), 1u);
    EXPECT_EQ(
        DescribeServer(disk.servers[0]),
        "host=10.0.0.9 port=3391 user=admin domain=CORP colorDepth=16 smartSizing=0 adminSession=1 plain=");
    EXPECT_EQ(disk.servers[0].id, id);
    EXPECT_EQ(page.toasts().back(), "ok: 已保存为服务器");
}
