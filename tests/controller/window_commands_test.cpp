// The page's life, the window's actions, the close handshake and the probe
// results on their way to the page.
#include <gtest/gtest.h>

#include <algorithm>

#include "controller/controller_fixture.h"
#include "controller/page_documents.h"
#include "controller/page_events.h"
#include "controller/ping_batch.h"

using WindowCommands = ControllerTest;

// Every page that says ready is told everything, the open tabs included (a
// reloaded one knows nothing); the page after a recovered failure also hears
// that, once.
TEST_F(WindowCommands, ReadySendsTheDocumentsAndTheTabsAndAutoConnectsOnce) {
    for (const char* host : {"a", "b", "c"}) {
        Stored(host);
        config.servers.back().autoConnect = host[0] != 'b';
    }
    window.evalPending = true;
    Send("ready");
    controller.MarkPageGone(true);
    Send("ready");
    Send("ready");
    EXPECT_EQ(page.names(), (std::vector<std::string>{"env", "settings", "servers", "env", "settings",
                                                      "servers", "toast", "env", "settings", "servers"}));
    EXPECT_EQ(page.toasts(), (std::vector<std::string>{std::string("info: ") + kPageRecoveredText}));
    EXPECT_EQ(tabs.calls,
              (std::vector<std::string>{"retell", "open " + config.servers[0].id + " a",
                                        "open " + config.servers[2].id + " c", "retell", "retell"}));
    EXPECT_EQ(window.calls, (std::vector<std::string>{"eval timer", "eval timer", "eval timer"}));
    EXPECT_TRUE(log.has("INFO", "页面已就绪（界面 JS 跑起来了）"));
}

// The document's form is the page documents' test.
TEST_F(WindowCommands, EnvironmentShowsTheControlOnceDetected) {
    page.error = "加载失败";
    Send("getEnv");
    environment.control = ControlAvailability{true, "MsTscAx.MsTscAx"};
    Send("getEnv");
    EXPECT_EQ(page.data("env"),
              (std::vector<std::string>{
                  EnvDocumentJson(EnvInputs{false, "", true, "加载失败", dir.path()}),
                  EnvDocumentJson(EnvInputs{true, "MsTscAx.MsTscAx", true, "加载失败", dir.path()})}));
}

TEST_F(WindowCommands, WindowActionsAndPageActions) {
    for (const char* action : {"minimize", "maximize", "close", "restore", ""})
        Send("window", std::string("{\"action\":\"") + action + "\"}");
    for (const char* cmd : {"toggleFullscreen", "quit", "devtools", "reloadUI"}) Send(cmd);
    EXPECT_EQ(window.calls,
              (std::vector<std::string>{"minimize", "maximize", "close", "fullscreen", "close"}));
    EXPECT_EQ(page.actions, (std::vector<std::string>{"devtools", "reload"}));
}

// A page that said ready is asked once per close: its no resets the wait,
// its yes closes. A second request without an answer goes through, as does
// one with no live page to ask (never ready, gone since, even while asked)
// or at the system's end.
TEST_F(WindowCommands, ThePagesAnswerDecidesTheNextClose) {
    tabs.tabCount = 2;
    tabs.connectedCount = 1;
    Send("ready");
    EXPECT_FALSE(controller.CloseRequested());
    Send("confirmClose", "{\"ok\":false}");
    EXPECT_TRUE(log.has("INFO", "用户在关闭确认框里点了取消"));
    EXPECT_FALSE(controller.CloseRequested());
    Send("confirmClose", "{\"ok\":true}");
    EXPECT_EQ(window.calls, (std::vector<std::string>{"close"}));
    EXPECT_TRUE(controller.CloseRequested());
    EXPECT_EQ(page.data("confirmClose"), std::vector<std::string>(2, "{\"tabs\":2,\"connected\":1}"));
    const struct {
        const char* page;
        bool ready, goneWhileAsked, gone, systemEnd, asks;
    } rows[] = {
        {"unanswered", true, false, false, false, true}, {"never ready", false, false, false, false, false},
        {"gone", true, false, true, false, false},       {"gone while asked", true, true, false, false, true},
        {"system end", true, false, false, true, false},
    };
    for (const auto& r : rows) {
        Controller other(config, ControllerPorts{page, tabs, window, probes, password, environment});
        if (r.ready) other.MarkPageReady();
        if (r.gone) other.MarkPageGone();
        if (r.systemEnd) other.MarkCloseConfirmed();
        EXPECT_EQ(other.CloseRequested(), !r.asks) << r.page;
        if (r.goneWhileAsked) other.MarkPageGone();
        EXPECT_TRUE(other.CloseRequested()) << r.page;
    }
    EXPECT_TRUE(log.has("WARN", "关闭确认没有收到页面回应，按再次关闭处理"));
    EXPECT_EQ(page.data("confirmClose").size(), 4u);
}

// Each "pings" event as "id:state id:state ...".
std::vector<std::string> PingBatches(const FakePage& page) {
    std::vector<std::string> out;
    for (const std::string& text : page.data("pings")) {
        JsonValue data;
        EXPECT_TRUE(ParseJson(text, &data, nullptr)) << text;
        std::string batch;
        for (const JsonValue& r : data.find("results").items())
            batch += (batch.empty() ? "" : " ") + r.getString("id", "?") + ":" +
                     std::to_string(r.getInt("state", -1));
        out.push_back(batch);
    }
    return out;
}

// Results wait for the window's timer, the latest per server in the order
// servers first reported, unless a full batch goes at once; none is lost.
TEST_F(WindowCommands, ProbeResultsReachThePageInBatches) {
    std::vector<std::string> full;  // servers s0..s999, each reporting once
    std::string fullBatch;
    for (std::size_t i = 0; i < kPingBatchMax; ++i) {
        full.push_back("s" + std::to_string(i));
        fullBatch += (i ? " s" : "s") + std::to_string(i) + ":1";
    }
    struct Row {
        const char* what;
        std::vector<std::string> reports;  // "id:state", in arrival order
        std::vector<std::string> beforeTimer, afterTimer;
        int arms;
    };
    std::vector<std::string> overfull;
    for (const std::string& id : full) overfull.push_back(id + ":1");
    overfull.push_back("late:2");
    const Row rows[] = {
        {"one server twice", {"a:1", "b:2", "a:3"}, {}, {"a:3 b:2"}, 1},
        {"a full batch", overfull, {fullBatch}, {fullBatch, "late:2"}, 2},
        {"nothing", {}, {}, {}, 0},
    };
    for (const Row& r : rows) {
        FakePage rowPage;
        FakeWindow rowWindow;
        // Results count only for servers in the list, at the host and port probed.
        AppConfig listed = config;
        for (const std::string& report : r.reports) {
            ServerRecord server;
            server.id = report.substr(0, report.find(':'));
            server.host = "h";
            server.port = 3389;
            listed.servers.push_back(server);
        }
        Controller other(listed, ControllerPorts{rowPage, tabs, rowWindow, probes, password, environment});
        for (const std::string& report : r.reports) {
            const std::size_t colon = report.find(':');
            other.OnProbeResult(ProbeResult{report.substr(0, colon),
                                            static_cast<NetState>(std::stoi(report.substr(colon + 1))), -1.0,
                                            "", "", "h", 3389});
        }
        EXPECT_EQ(PingBatches(rowPage), r.beforeTimer) << r.what;
        if (rowWindow.pingFlush) rowWindow.pingFlush();
        other.FlushProbeResults();  // a second flush has nothing left to send
        EXPECT_EQ(PingBatches(rowPage), r.afterTimer) << r.what;
        EXPECT_EQ(std::count(rowWindow.calls.begin(), rowWindow.calls.end(), "ping flush 100"), r.arms)
            << r.what;
    }
}

TEST_F(WindowCommands, AProbeResultReplacesTheOneInTheList) {
    const std::string id = Stored("a.example");
    controller.OnProbeResult(
        ProbeResult{id, NetState::Online, 1.0, "10.0.0.1", "RDP 端口可达", "a.example", 3389});
    controller.OnProbeResult(
        ProbeResult{id, NetState::Timeout, 4.25, "10.0.0.9", "连接超时", "a.example", 3389});
    controller.FlushProbeResults();
    EXPECT_EQ(page.data("pings").back(),
              "{\"results\":[{\"id\":\"" + id +
                  "\",\"state\":3,\"rtt\":4.25,\"ip\":\"10.0.0.9\",\"detail\":\"连接超时\"}]}");
    Send("getServers");
    EXPECT_NE(page.data("servers")[0].find(
                  "\"netState\":3,\"rtt\":4.25,\"resolvedIp\":\"10.0.0.9\",\"netDetail\":\"连接超时\"}"),
              std::string::npos);
}
