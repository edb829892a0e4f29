// Settings, the start-up password, import and export, the page's life and
// the close handshake.
#include <gtest/gtest.h>

#include "controller/controller_fakes.h"
#include "core/file_io.h"

using SettingsCommands = ControllerTest;
using TransferCommands = ControllerTest;
using WindowCommands = ControllerTest;

TEST_F(SettingsCommands, SaveSettingsCorrectsSavesAndReArmsProbing) {
    Send("saveSettings",
         "{\"pingTimeoutMs\":50,\"pingThreads\":99,\"pingIntervalSec\":30,\"defaultUser\":\"  ops \","
         "\"defaultColorDepth\":\"24\",\"darkTheme\":true,\"unknown\":1}");
    const AppConfig disk = OnDisk();
    EXPECT_EQ(disk.ping.timeoutMs, 200);
    EXPECT_EQ(disk.ping.threads, 32);
    EXPECT_EQ(disk.ping.intervalSec, 30);
    EXPECT_EQ(disk.defaults.user, "ops");
    EXPECT_EQ(disk.defaults.colorDepth, 24);
    EXPECT_TRUE(disk.ui.darkTheme);
    EXPECT_EQ(probes.timeouts, (std::vector<int>{200}));
    EXPECT_EQ(window.calls, (std::vector<std::string>{"theme", "probe timer 30000"}));
    EXPECT_EQ(page.names(), (std::vector<std::string>{"settings", "toast"}));
    EXPECT_EQ(page.toasts(), (std::vector<std::string>{"ok: 设置已保存"}));
    EXPECT_TRUE(tabs.calls.empty());

    ClearRecords();
    Send("saveSettings", "{\"pingIntervalSec\":0,\"pingThreads\":-4}");
    EXPECT_EQ(window.calls, (std::vector<std::string>{"probe timer 0"}));  // periodic probing off
    EXPECT_EQ(OnDisk().ping.threads, 1);
    EXPECT_EQ(OnDisk().defaults.user, "ops");  // members not sent are kept
}

TEST_F(SettingsCommands, OpenSessionsHearOnlyOfARealResolutionChange) {
    Send("saveSettings", "{\"changeRemoteResolution\":true}");
    EXPECT_TRUE(tabs.calls.empty());
    Send("saveSettings", "{\"changeRemoteResolution\":false}");
    EXPECT_EQ(tabs.calls, (std::vector<std::string>{"resolution off"}));
    EXPECT_FALSE(OnDisk().display.changeRemoteResolution);
}

TEST_F(SettingsCommands, PasswordCommandsCheckTheOldPasswordOnlyWhenOneIsSet) {
    struct Step {
        const char* cmd;
        const char* data;
        const char* toast;
        bool enabledAfter;
    };
    const Step steps[] = {
        {"clearPassword", "{\"old\":\"whatever\"}", "ok: 已取消启动密码，下次直接进入主界面", false},
        {"setPassword", "{\"old\":\"ignored\",\"new\":\"\"}", "error: 新密码不能为空", false},
        {"setPassword", "{\"old\":\"ignored\",\"new\":\"p1\",\"hint\":\"猫\"}",
         "ok: 启动密码已更新，下次打开程序时需要输入", true},
        {"setPassword", "{\"old\":\"wrong\",\"new\":\"p2\"}", "error: 当前密码不正确，未修改", true},
        {"setPassword", "{\"old\":\"p1\",\"new\":\"\"}", "error: 新密码不能为空", true},
        {"clearPassword", "{\"old\":\"wrong\"}", "error: 当前密码不正确，未取消", true},
        {"setPassword", "{\"old\":\"p1\",\"new\":\"p2\"}", "ok: 启动密码已更新，下次打开程序时需要输入",
         true},
        {"clearPassword", "{\"old\":\"p2\"}", "ok: 已取消启动密码，下次直接进入主界面", false},
    };
    for (const Step& step : steps) {
        page.events.clear();
        Send(step.cmd, step.data);
        EXPECT_EQ(page.toasts(), (std::vector<std::string>{step.toast})) << step.cmd << " " << step.data;
        EXPECT_EQ(OnDisk().security.enabled, step.enabledAfter) << step.cmd << " " << step.data;
        // The page learns the new state.
        const bool changed = std::string(step.toast).rfind("ok", 0) == 0;
        EXPECT_EQ(page.data("settings").size(), changed ? 1u : 0u) << step.data;
        if (changed) {
            EXPECT_EQ(page.last("settings").getBool("passwordEnabled", !step.enabledAfter),
                      step.enabledAfter);
        }
    }
    password.failSet = true;
    Send("setPassword", "{\"new\":\"p3\"}");
    EXPECT_EQ(page.toasts().back(), "error: 保存密码失败");
}

TEST_F(TransferCommands, ImportAppendsSavesAndCountsSkippedLines) {
    Stored("first.example");
    Send("importText", "{\"text\":\"# list\\n10.0.0.1 admin pw 备注\\n10.0.0.2:3390\\n\"}");
    EXPECT_EQ(DiskHosts(), (std::vector<std::string>{"first.example", "10.0.0.1", "10.0.0.2"}));
    EXPECT_EQ(OnDisk().servers[2].port, 3390);
    EXPECT_EQ(page.toasts(), (std::vector<std::string>{"ok: 成功导入 2 台服务器，跳过 1 行无法识别的内容"}));
    EXPECT_EQ(page.names().front(), "servers");
    ASSERT_EQ(probes.sweeps.size(), 1u);
    EXPECT_EQ(probes.sweeps[0].size(), 3u);

    page.events.clear();
    Send("importText", "{\"text\":\"10.0.0.3\"}");
    EXPECT_EQ(page.toasts(), (std::vector<std::string>{"ok: 成功导入 1 台服务器"}));

    page.events.clear();
    for (const char* data : {"{\"text\":\"# nothing\\n\\n\"}", "{}", "{\"text\":[\"10.0.0.9\"]}"}) {
        Send("importText", data);
    }
    EXPECT_EQ(page.toasts(), std::vector<std::string>(3, "error: 没有解析到有效的服务器地址"));
    EXPECT_EQ(OnDisk().servers.size(), 4u);
}

TEST_F(TransferCommands, ExportWritesAFullPathOutsideTheDataFolder) {
    Stored("10.0.0.5");
    TempDir elsewhere;
    const std::string target = elsewhere.file("servers.csv");
    Send("exportServers", "{\"path\":" + Quoted("  " + target + " ") + "}");
    EXPECT_EQ(page.toasts(), (std::vector<std::string>{"ok: 已导出到 " + target}));
    EXPECT_NE(ReadRawFile(target).find("10.0.0.5,3389"), std::string::npos);
    EXPECT_TRUE(log.has("INFO", "已导出服务器列表：" + target));

    page.events.clear();
    const std::string missing = elsewhere.file("no-such-folder/servers.csv");
    Send("exportServers", "{\"path\":" + Quoted(missing) + "}");
    EXPECT_EQ(page.toasts(), (std::vector<std::string>{"error: 写入失败：" + missing}));

    Send("exportServers", "{\"path\":\"   \"}");
    Send("exportServers", "{}");
    EXPECT_EQ(window.calls, (std::vector<std::string>{"export dialog", "export dialog"}));
}

TEST_F(TransferCommands, ExportNeverOverwritesConfigOrWritesARelativePath) {
    Stored("10.0.0.5");
    const std::string before = ReadRawFile(dir.file("config.json"));
    for (const std::string& path :
         {dir.file("config.json"), dir.file("config.json.bad_x"), dir.file("sub.csv"), dir.path(),
          std::string("servers.csv"), std::string("..\\servers.csv")}) {
        page.events.clear();
        Send("exportServers", "{\"path\":" + Quoted(path) + "}");
        ASSERT_EQ(page.toasts().size(), 1u) << path;
        EXPECT_EQ(page.toasts()[0].rfind("error: ", 0), 0u) << path;
    }
    EXPECT_FALSE(IsFile(dir.file("config.json.bad_x")));
    EXPECT_FALSE(IsFile(dir.file("sub.csv")));
    EXPECT_FALSE(IsFile("servers.csv"));
    EXPECT_EQ(ReadRawFile(dir.file("config.json")), before);
    EXPECT_TRUE(window.calls.empty());
}

TEST_F(WindowCommands, ReadySendsTheDocumentsAndAutoConnectsOnce) {
    Stored("a");
    config.servers.back().autoConnect = true;
    Stored("b");
    Stored("c");
    config.servers.back().autoConnect = true;
    window.evalPending = true;
    Send("ready");
    Send("ready");
    EXPECT_EQ(page.names(),
              (std::vector<std::string>{"env", "settings", "servers", "env", "settings", "servers"}));
    EXPECT_EQ(tabs.calls, (std::vector<std::string>{"open " + config.servers[0].id + " a",
                                                    "open " + config.servers[2].id + " c"}));
    EXPECT_EQ(window.calls, (std::vector<std::string>{"eval timer", "eval timer"}));
    EXPECT_TRUE(log.has("INFO", "页面已就绪（界面 JS 跑起来了）"));
}

TEST_F(WindowCommands, EnvironmentShowsTheControlOnceDetected) {
    page.error = "加载失败";
    Send("getEnv");
    EXPECT_FALSE(page.last("env").getBool("activex", true));
    EXPECT_EQ(page.last("env").getString("activexName", "?"), "");
    EXPECT_EQ(page.last("env").getString("webviewError", "?"), "加载失败");
    EXPECT_EQ(page.last("env").getString("dataDir", "?"), dir.path());
    environment.control = ControlAvailability{true, "MsTscAx.MsTscAx"};
    Send("getEnv");
    EXPECT_TRUE(page.last("env").getBool("activex", false));
    EXPECT_EQ(page.last("env").getString("activexName", ""), "MsTscAx.MsTscAx");
}

TEST_F(WindowCommands, WindowActionsAndPageActions) {
    for (const char* action : {"minimize", "maximize", "close", "restore", ""}) {
        Send("window", std::string("{\"action\":\"") + action + "\"}");
    }
    Send("toggleFullscreen");
    Send("quit");
    Send("devtools");
    Send("reloadUI");
    EXPECT_EQ(window.calls,
              (std::vector<std::string>{"minimize", "maximize", "close", "fullscreen", "close"}));
    EXPECT_EQ(page.actions, (std::vector<std::string>{"devtools", "reload"}));
}

TEST_F(WindowCommands, CloseAsksThePageOnceAndASecondRequestCloses) {
    tabs.tabCount = 2;
    tabs.connectedCount = 1;
    EXPECT_FALSE(controller.CloseRequested());
    EXPECT_EQ(page.data("confirmClose"), (std::vector<std::string>{"{\"tabs\":2,\"connected\":1}"}));
    EXPECT_TRUE(controller.CloseRequested());
    EXPECT_TRUE(log.has("WARN", "关闭确认没有收到页面回应，按再次关闭处理"));
    EXPECT_EQ(page.data("confirmClose").size(), 1u);
}

TEST_F(WindowCommands, ThePagesAnswerDecidesTheNextClose) {
    EXPECT_FALSE(controller.CloseRequested());
    Send("confirmClose", "{\"ok\":false}");
    EXPECT_TRUE(log.has("INFO", "用户在关闭确认框里点了取消"));
    EXPECT_FALSE(controller.CloseRequested());  // asked again: the answer reset the wait
    Send("confirmClose", "{\"ok\":true}");
    EXPECT_EQ(window.calls, (std::vector<std::string>{"close"}));
    EXPECT_TRUE(controller.CloseRequested());
    EXPECT_EQ(page.data("confirmClose").size(), 2u);
}

TEST_F(WindowCommands, CloseGoesStraightThroughWithoutABrowserOrAtSystemShutdown) {
    page.loaderReady = false;
    EXPECT_TRUE(controller.CloseRequested());
    page.loaderReady = true;
    ControllerTest::controller.MarkCloseConfirmed();
    EXPECT_TRUE(controller.CloseRequested());
    EXPECT_TRUE(page.data("confirmClose").empty());
}

TEST_F(WindowCommands, ProbeResultIsKeptForTheListAndPosted) {
    const std::string id = Stored("a.example");
    ProbeResult result;
    result.id = id;
    result.netState = NetState::Online;
    result.rtt = 4.25;
    result.resolvedIp = "10.0.0.5";
    controller.OnProbeResult(result);
    EXPECT_EQ(page.data("ping"),
              (std::vector<std::string>{"{\"id\":\"" + id +
                                        "\",\"state\":1,\"rtt\":4.25,\"ip\":\"10.0.0.5\",\"detail\":\"\"}"}));
    Send("getServers");
    const JsonValue item = page.last("servers").at(0);
    EXPECT_EQ(item.getInt("netState", -9), 1);
    EXPECT_EQ(item.getString("resolvedIp", ""), "10.0.0.5");
}
