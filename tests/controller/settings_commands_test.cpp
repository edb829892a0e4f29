// Settings, the start-up password, import and export, the page's life and
// the close handshake.
#include <gtest/gtest.h>

#include <algorithm>

#include "controller/controller_fakes.h"
#include "controller/page_documents.h"
#include "controller/page_events.h"
#include "core/file_io.h"

using SettingsCommands = ControllerTest;
using TransferCommands = ControllerTest;
using WindowCommands = ControllerTest;

TEST_F(SettingsCommands, SaveSettingsCorrectsSavesAndReArmsProbing) {
    config.ui.darkTheme = true;
    Send("saveSettings",
         "{\"pingTimeoutMs\":50,\"pingThreads\":99,\"pingIntervalSec\":30,\"defaultUser\":\"  ops \","
         "\"defaultColorDepth\":\"24\",\"darkTheme\":null,\"changeRemoteResolution\":true,\"unknown\":1}");
    // What the program holds (and shows) is what config.json holds.
    const auto settings = [&] {
        EXPECT_EQ(DescribeSettings(OnDisk()), DescribeSettings(config));
        return DescribeSettings(config);
    };
    const std::string untouched =
        " | security: enabled=0 salt= hash= hint= iterations=0 | ui: darkTheme=0 x=-1 "
        "y=-1 w=1180 h=720 maximized=0 | defaults: user=ops domain= colorDepth=24 ";
    // A member sent but unreadable takes its default: the light theme here.
    EXPECT_EQ(settings(), "ping: intervalSec=30 timeoutMs=200 threads=32" + untouched +
                              "smartSizing=1 | display: changeRemoteResolution=1");
    EXPECT_EQ(probes.timeouts, (std::vector<int>{200}));
    EXPECT_EQ(window.calls, (std::vector<std::string>{"theme", "probe timer 30000"}));
    EXPECT_EQ(page.names(), (std::vector<std::string>{"settings", "toast"}));
    EXPECT_EQ(page.toasts(), (std::vector<std::string>{"ok: 设置已保存"}));
    EXPECT_TRUE(tabs.calls.empty());  // open sessions hear only of a real resolution change
    window.calls.clear();
    Send("saveSettings",
         "{\"pingIntervalSec\":0,\"pingThreads\":-4,\"pingTimeoutMs\":99999,\"darkTheme\":false,"
         "\"changeRemoteResolution\":false,\"defaultSmartSizing\":false}");
    EXPECT_EQ(window.calls, (std::vector<std::string>{"probe timer 0"}));  // periodic probing off
    EXPECT_EQ(tabs.calls, (std::vector<std::string>{"resolution off"}));
    // Members not sent are kept.
    EXPECT_EQ(settings(), "ping: intervalSec=0 timeoutMs=30000 threads=1" + untouched +
                              "smartSizing=0 | display: changeRemoteResolution=0");
}

TEST_F(SettingsCommands, PasswordCommandsCheckTheOldPasswordOnlyWhenOneIsSet) {
    const struct {
        const char *cmd, *data, *toast;
        bool enabledAfter;
    } steps[] = {
        {"clearPassword", "{\"old\":\"whatever\"}", "ok: 已取消启动密码，下次直接进入主界面", false},
        {"setPassword", "{\"old\":\"ignored\",\"new\":\"\"}", "error: 新密码不能为空", false},
        {"setPassword", "{\"new\":\"five5\"}", "error: 新密码需要 6 到 128 个字符", false},
        {"setPassword", "{\"old\":\"ignored\",\"new\":\"第一个密码\",\"hint\":\"猫\"}",
         "error: 新密码需要 6 到 128 个字符", false},
        {"setPassword", "{\"old\":\"ignored\",\"new\":\"第一个密码p\",\"hint\":\"猫\"}",
         "ok: 启动密码已更新，下次打开程序时需要输入", true},
        {"setPassword", "{\"old\":\"wrong\",\"new\":\"second\"}",
         "error: 当前密码不正确，未修改（还可以尝试 4 次）", true},
        // Refused before the current password is tried: the wrong one above still counts.
        {"setPassword", "{\"old\":\"第一个密码p\",\"new\":\"\"}", "error: 新密码不能为空", true},
        {"clearPassword", "{\"old\":\"wrong\"}", "error: 当前密码不正确，未取消（还可以尝试 3 次）", true},
        {"setPassword", "{\"old\":\"第一个密码p\",\"new\":\"second\"}",
         "ok: 启动密码已更新，下次打开程序时需要输入", true},
        {"clearPassword", "{\"old\":\"second\"}", "ok: 已取消启动密码，下次直接进入主界面", false},
    };
    for (const auto& step : steps) {
        page.events.clear();
        Send(step.cmd, step.data);
        EXPECT_EQ(page.toasts(), (std::vector<std::string>{step.toast})) << step.data;
        EXPECT_EQ(OnDisk().security.enabled, step.enabledAfter) << step.data;
        // A change is shown to the page at once.
        const std::string shown =
            std::string("\"passwordEnabled\":") + (step.enabledAfter ? "true" : "false");
        EXPECT_EQ(page.data("settings").size(), step.toast[0] == 'o' ? 1u : 0u) << step.data;
        for (const std::string& doc : page.data("settings"))
            EXPECT_NE(doc.find(shown), std::string::npos) << doc;
    }
    Send("setPassword", "{\"new\":\"" + std::string(129, 'x') + "\"}");
    EXPECT_EQ(page.toasts().back(), "error: 新密码需要 6 到 128 个字符");
    password.failSet = true;
    Send("setPassword", "{\"new\":\"third-pw\"}");
    EXPECT_EQ(page.toasts().back(), "error: 保存密码失败，启动密码没有改变");
}

// Wrong current passwords on the page run out as in the unlock dialog: after
// five, not even the right one is tried (nor costs a derivation) in this
// run. A right one before that starts the count again.
TEST_F(SettingsCommands, WrongCurrentPasswordsRunOutAsInTheUnlockDialog) {
    Send("setPassword", "{\"new\":\"right-one\"}");
    Send("exportServers", "{\"includePasswords\":true,\"password\":\"nope\"}");
    for (int i = 0; i < 3; ++i) Send("clearPassword", "{\"old\":\"wrong\"}");
    Send("setPassword", "{\"old\":\"right-one\",\"new\":\"right-two\"}");  // forgiven
    page.events.clear();
    for (int i = 0; i < 4; ++i) Send("clearPassword", "{\"old\":\"wrong\"}");
    const int verified = password.verifications;
    Send("setPassword", "{\"old\":\"wrong\",\"new\":\"other-pw\"}");
    Send("clearPassword", "{\"old\":\"right-two\"}");
    Send("exportServers", "{\"includePasswords\":true,\"password\":\"right-two\"}");
    EXPECT_EQ(password.verifications, verified + 1);
    EXPECT_EQ(page.toasts(), (std::vector<std::string>{
                                 "error: 当前密码不正确，未取消（还可以尝试 4 次）",
                                 "error: 当前密码不正确，未取消（还可以尝试 3 次）",
                                 "error: 当前密码不正确，未取消（还可以尝试 2 次）",
                                 "error: 当前密码不正确，未取消（还可以尝试 1 次）",
                                 "error: 当前密码不正确，未修改，错误次数过多，请重新打开程序后再试",
                                 "error: 当前密码错误次数过多，请重新打开程序后再试",
                                 "error: 当前密码错误次数过多，请重新打开程序后再试",
                             }));
    EXPECT_TRUE(OnDisk().security.enabled);
    EXPECT_TRUE(window.calls.empty());  // no export dialog
}

// The derivations run aside: the command returns before the answer, and a
// second password request meanwhile is turned away, not queued behind it.
TEST_F(SettingsCommands, PasswordWorkRunsAsideOneRequestAtATime) {
    Send("setPassword", "{\"new\":\"right-one\"}");
    const int asides = window.asides;
    page.events.clear();
    SendHeld("setPassword", "{\"old\":\"right-one\",\"new\":\"right-two\"}");
    EXPECT_EQ(window.asides, asides + 1);
    EXPECT_TRUE(page.toasts().empty());  // the answer comes when the work is done
    SendHeld("clearPassword", "{\"old\":\"right-one\"}");
    EXPECT_EQ(page.toasts(), (std::vector<std::string>{"error: 上一个密码操作还没有完成，请稍候"}));
    window.FinishAside();  // the check, then the new password's derivation
    EXPECT_EQ(window.asides, asides + 2);
    EXPECT_EQ(page.toasts().back(), "ok: 启动密码已更新，下次打开程序时需要输入");
    EXPECT_EQ(OnDisk().security.hash, "fake:right-two");
}

// A save that fails is told with its reason, never as a success.
TEST_F(SettingsCommands, AFailedSaveIsToldAndNeverReportedAsSaved) {
    ASSERT_TRUE(EnsureDir(dir.file("config.json.tmp")));  // the temporary file's name taken
    Send("saveSettings", "{\"darkTheme\":true}");
    Send("addServer", "{\"host\":\"10.0.0.9\"}");
    Send("importText", "{\"text\":\"10.0.0.10\"}");
    const std::string failed =
        "error: 保存失败：无法写入配置文件（磁盘已满、没有权限或文件被占用）。刚才的更改只在本次运行中有效";
    EXPECT_EQ(page.toasts(), std::vector<std::string>(3, failed));
    EXPECT_EQ(config.servers.size(), 2u);  // kept in memory, as the page shows
}

TEST_F(TransferCommands, ImportAppendsSavesAndCountsSkippedLines) {
    Stored("first.example");
    Send("importText", "{\"text\":\"# list\\n10.0.0.1 admin pw 备注\\n10.0.0.2:3390\\n\"}");
    EXPECT_EQ(DiskHosts(), (std::vector<std::string>{"first.example", "10.0.0.1", "10.0.0.2"}));
    EXPECT_EQ(page.names().front(), "servers");
    EXPECT_EQ(probes.sweeps, (std::vector<std::string>{"first.example:3389 10.0.0.1:3389 10.0.0.2:3390"}));
    Send("importText", "{\"text\":\"10.0.0.3\"}");
    for (const char* data : {"{\"text\":\"# nothing\\n\\n\"}", "{}", "{\"text\":[\"10.0.0.9\"]}"})
        Send("importText", data);
    EXPECT_EQ(page.toasts(), (std::vector<std::string>{
                                 "ok: 成功导入 2 台服务器，跳过 1 行无法识别的内容",
                                 "ok: 成功导入 1 台服务器", "error: 没有解析到有效的服务器地址",
                                 "error: 没有解析到有效的服务器地址", "error: 没有解析到有效的服务器地址"}));
    EXPECT_EQ(OnDisk().servers.size(), 4u);
}

TEST_F(TransferCommands, ExportWritesOnlyAFullPathOutsideTheDataFolder) {
    Stored("10.0.0.5");
    TempDir elsewhere;
    const std::string target = elsewhere.file("servers.csv");
    const std::string missing = elsewhere.file("no-such-folder/servers.csv");
    Send("exportServers", "{\"path\":" + Quoted("  " + target + " ") + "}");
    Send("exportServers", "{\"path\":" + Quoted(missing) + "}");
    EXPECT_EQ(page.toasts(), (std::vector<std::string>{"ok: 已导出（不含密码）到 " + target,
                                                       "error: 写入失败：" + missing}));
    EXPECT_NE(ReadRawFile(target).find("10.0.0.5,3389,,,"), std::string::npos);
    Send("exportServers", "{\"path\":\"   \"}");
    Send("exportServers", "{}");
    EXPECT_EQ(window.calls, (std::vector<std::string>{"export dialog", "export dialog"}));
    const std::string before = ReadRawFile(dir.file("config.json"));
    for (const std::string& path :
         {dir.file("config.json"), dir.file("config.json.bad_x"), dir.file("sub.csv"), dir.path(),
          std::string("servers.csv"), std::string("..\\servers.csv"), std::string("\\\\nas\\share\\s.csv")}) {
        page.events.clear();
        Send("exportServers", "{\"path\":" + Quoted(path) + "}");
        ASSERT_EQ(page.toasts().size(), 1u) << path;
        EXPECT_EQ(page.toasts()[0].rfind("error: ", 0), 0u) << path;
    }
    // A drive letter mapped to a share takes the list off the machine too.
    environment.networkDrive = elsewhere.path();
    page.events.clear();
    Send("exportServers", "{\"path\":" + Quoted(target) + "}");
    EXPECT_EQ(page.toasts(),
              (std::vector<std::string>{"error: 不能导出到网络路径，请选择本机的文件夹：" + target}));
    EXPECT_FALSE(IsFile(dir.file("config.json.bad_x")) || IsFile(dir.file("sub.csv")) ||
                 IsFile("servers.csv"));
    EXPECT_EQ(ReadRawFile(dir.file("config.json")), before);
}

// Passwords go into the file only when asked for, and with a start-up
// password in force only after it is typed again; the save dialog gets the
// choice.
TEST_F(TransferCommands, ExportCarriesPasswordsOnlyWhenAskedAndConfirmed) {
    Stored("10.0.0.5", "pw-in-file");
    TempDir elsewhere;
    const std::string target = elsewhere.file("servers.csv");
    const std::string request = "{\"includePasswords\":true,\"path\":" + Quoted(target);
    Send("exportServers", request + "}");
    EXPECT_NE(ReadRawFile(target).find("10.0.0.5,3389,,pw-in-file,"), std::string::npos);
    Send("setPassword", "{\"new\":\"start-pw\"}");
    RemoveFile(target);
    page.events.clear();
    Send("exportServers", request + ",\"password\":\"wrong\"}");
    Send("exportServers", request + "}");
    EXPECT_FALSE(IsFile(target));
    Send("exportServers", request + ",\"password\":\"start-pw\"}");
    EXPECT_EQ(page.toasts(), (std::vector<std::string>{"error: 启动密码不正确，未导出（还可以尝试 4 次）",
                                                       "error: 启动密码不正确，未导出（还可以尝试 3 次）",
                                                       "ok: 已导出（含密码）到 " + target}));
    Send("exportServers", "{\"includePasswords\":true,\"password\":\"start-pw\"}");
    EXPECT_EQ(window.calls, (std::vector<std::string>{"export dialog"}));
    EXPECT_TRUE(controller.TakeExportPasswords());
    EXPECT_FALSE(controller.TakeExportPasswords());
}

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
std::vector<std::string> PingBatches(const RecordingPage& page) {
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
        RecordingPage rowPage;
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
