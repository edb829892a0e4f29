// The server list as the page changes it; every change is read back from
// config.json.
#include <gtest/gtest.h>

#include "controller/controller_fixture.h"

using ServerCommands = ControllerTest;

TEST_F(ServerCommands, AddServerNeedsAHostAndStartsFromTheDefaults) {
    for (const char* data : {"{\"host\":\"   \"}", "{}", "null", "{\"host\":[1]}"}) Send("addServer", data);
    EXPECT_EQ(page.toasts(), std::vector<std::string>(4, "error: 地址不能为空"));
    EXPECT_TRUE(OnDisk().servers.empty() && probes.sweeps.empty());
    page.events.clear();
    SetOtherDefaults();
    config.defaults.options.redirectClipboard = false;
    config.defaults.options.gatewayMode = GatewayMode::kDetect;
    Send("addServer", "{\"host\":\" 10.0.0.7 \",\"pingPort\":22,\"id\":\"chosen-by-page\"}");
    const AppConfig disk = OnDisk();
    ASSERT_EQ(disk.servers.size(), 1u);
    EXPECT_TRUE(IsServerId(disk.servers[0].id)) << disk.servers[0].id;
    EXPECT_EQ(DescribeServer(disk.servers[0]),
              "host=10.0.0.7 user=ops domain=CORP colorDepth=16 smartSizing=0 pingPort=22 gatewayMode=2 "
              "redirectClipboard=0 plain=");
    EXPECT_EQ(page.names(), (std::vector<std::string>{"servers", "toast"}));
    EXPECT_EQ(page.toasts(), (std::vector<std::string>{"ok: 已添加 10.0.0.7"}));
    EXPECT_EQ(probes.sweeps, (std::vector<std::string>{"10.0.0.7:22"}));  // the probe port when one is set
}

TEST_F(ServerCommands, UpdateServerChangesTheRecordInPlace) {
    const std::string first = Stored("a.example", "secret");
    Stored("b.example");
    Send("updateServer", "{\"id\":\"" + first + "\",\"user\":\"root\"}");
    Send("updateServer", "{\"id\":\"" + first + "\",\"host\":\"\",\"password\":\"\"}");
    const AppConfig disk = OnDisk();
    EXPECT_EQ(DescribeServer(disk.servers[0]), "host=127.0.0.1 user=root plain=");
    EXPECT_EQ(disk.servers[0].id, first);
    EXPECT_EQ(disk.servers[1].host, "b.example");
    EXPECT_EQ(page.data("servers").size(), 2u);
    EXPECT_EQ(probes.sweeps.size(), 2u);
    EXPECT_TRUE(page.toasts().empty());
    EXPECT_TRUE(tabs.calls.empty());  // open tabs keep their session
    Send("updateServer", "{\"id\":\"nobody\",\"host\":\"x\"}");
    EXPECT_EQ(page.toasts(), (std::vector<std::string>{"error: 找不到这条记录"}));
}

// The page's plain password is sealed at once: neither the store in memory
// nor config.json nor the page holds it; only the copy a connection gets.
TEST_F(ServerCommands, APasswordFromThePageIsSealedAndOpenedOnlyForAConnection) {
    Send("addServer", "{\"host\":\"10.0.0.8\",\"password\":\"S3cret-pw\",\"gatewayPassword\":\"Gw-pw\"}");
    ASSERT_EQ(config.servers.size(), 1u);
    const ServerRecord& stored = config.servers[0];
    EXPECT_TRUE(stored.password.empty());
    EXPECT_EQ(stored.sealedPassword.rfind("dpapi1:", 0), 0u) << stored.sealedPassword;
    for (const char* plain : {"S3cret", "Gw-pw"})
        EXPECT_EQ(dir.Raw(dir.file("config.json")).find(plain), std::string::npos);
    EXPECT_EQ(OnDisk().servers[0].sealedPassword, stored.sealedPassword);
    ASSERT_EQ(page.data("servers").size(), 1u);
    EXPECT_EQ(page.data("servers")[0].find("S3cret"), std::string::npos);
    EXPECT_NE(page.data("servers")[0].find("\"hasPassword\":true"), std::string::npos);
    SendId("connect", stored.id);
    SendId("reconnect", stored.id);
    EXPECT_EQ(tabs.passwords, (std::vector<std::string>{"S3cret-pw|Gw-pw", "S3cret-pw|Gw-pw"}));
    EXPECT_TRUE(config.servers[0].password.empty() && config.servers[0].options.gatewayPassword.empty());
    // One the start did not open (sealed elsewhere) connects without it, and
    // says so; the gateway's still opens.
    config.servers[0].sealedPassword = "dpapi1:AAAA";
    page.events.clear();
    SendId("connect", stored.id);
    EXPECT_EQ(tabs.passwords.back(), "|Gw-pw");
    ASSERT_EQ(page.toasts().size(), 1u);
    EXPECT_NE(page.toasts()[0].find("无法在这台电脑或这个 Windows 账户下解密"), std::string::npos);
}

TEST_F(ServerCommands, RemoveServerClosesItsTabAndForgetsItsProbeResult) {
    const std::string gone = Stored("a.example");
    Stored("b.example");
    controller.OnProbeResult(ProbeResult{gone, NetState::Online, 1.0, "", "", "a.example", 3389});
    SendId("removeServer", gone);
    SendId("removeServer", "nobody");  // still closes "its" tab, and loses nothing
    EXPECT_EQ(DiskHosts(), (std::vector<std::string>{"b.example"}));
    EXPECT_EQ(tabs.calls, (std::vector<std::string>{"close " + gone, "close nobody"}));
    EXPECT_EQ(controller.probeResults().count(gone), 0u);
    EXPECT_EQ(page.names().back(), "servers");
}

TEST_F(ServerCommands, ReorderMovesBeforeAnotherOrToTheEnd) {
    const std::string a = Stored("a"), b = Stored("b"), c = Stored("c");
    const struct {
        std::string id, before;
        std::vector<std::string> want;
    } cases[] = {
        {c, a, {"c", "a", "b"}},        {c, c, {"a", "b", "c"}},  // before itself: to the end
        {a, "", {"b", "c", "a"}},       {b, "nobody", {"c", "a", "b"}},
        {"nobody", a, {"c", "a", "b"}},  // names nothing: unchanged
    };
    for (const auto& k : cases) {
        Send("reorder", "{\"id\":\"" + k.id + "\",\"before\":\"" + k.before + "\"}");
        EXPECT_EQ(DiskHosts(), k.want) << k.id << " before " << k.before;
    }
    EXPECT_EQ(page.data("servers").size(), 4u);  // the move of nothing sends none
}

TEST_F(ServerCommands, ProbeSweepSkipsServersWithoutAHost) {
    Send("pingNow");
    EXPECT_TRUE(probes.sweeps.empty());  // nothing to probe: no sweep
    Stored("a.example");
    config.servers.push_back(ServerRecord{});  // as a hand-edited config.json may hold
    Send("pingNow");
    EXPECT_EQ(probes.sweeps, (std::vector<std::string>{"a.example:3389"}));
}
