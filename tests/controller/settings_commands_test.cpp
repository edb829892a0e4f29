// The settings and the start-up password.
#include <gtest/gtest.h>

#include "controller/controller_fixture.h"
#include "core/file_io.h"
#include "core/text.h"

using SettingsCommands = ControllerTest;

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
    // A member sent but unreadable takes its default: the light theme here.
    EXPECT_EQ(settings(), "ping: intervalSec=30 timeoutMs=200 threads=32 | defaults: user=ops colorDepth=24");
    EXPECT_EQ(probes.timeouts, (std::vector<int>{200}));
    EXPECT_EQ(window.calls, (std::vector<std::string>{"theme", "probe timer 30000"}));
    EXPECT_EQ(page.names(), (std::vector<std::string>{"settings", "toast"}));
    EXPECT_EQ(page.toasts(), (std::vector<std::string>{"ok: 设置已保存"}));
    EXPECT_TRUE(tabs.calls.empty());  // open sessions hear only of a real resolution change
    window.calls.clear();
    Send("saveSettings",
         "{\"pingIntervalSec\":0,\"pingThreads\":-4,\"pingTimeoutMs\":99999,\"darkTheme\":false,"
         "\"changeRemoteResolution\":false,\"defaultSmartSizing\":false,\"defaultRedirectDrives\":\"all\","
         "\"defaultGatewayUser\":\" gw-user \",\"gatewayPassword\":\"never-a-default\"}");
    EXPECT_EQ(window.calls, (std::vector<std::string>{"probe timer 0"}));  // periodic probing off
    EXPECT_EQ(tabs.calls, (std::vector<std::string>{"resolution off"}));
    // Members not sent are kept.
    EXPECT_EQ(
        settings(),
        "ping: intervalSec=0 timeoutMs=30000 threads=1 | defaults: user=ops colorDepth=24 smartSizing=0 "
        "gatewayUser=gw-user redirectDrives=1 | display: changeRemoteResolution=0");
    // The page reads the option defaults back under the names it sent them.
    EXPECT_NE(page.data("settings")
                  .back()
                  .find("\"defaultSmartSizing\":false,\"defaultGatewayUser\":\"gw-user\","
                        "\"defaultRedirectDrives\":\"all\","),
              std::string::npos);
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
    Send("importRdp",
         "{\"files\":[{\"name\":\"a.rdp\",\"data\":\"" + Base64Encode("full address:s:h\n") + "\"}]}");
    const std::string failed =
        "error: 保存失败：无法写入配置文件（磁盘已满、没有权限或文件被占用）。刚才的更改只在本次运行中有效";
    EXPECT_EQ(page.toasts(), std::vector<std::string>(4, failed));
    EXPECT_EQ(config.servers.size(), 3u);  // kept in memory, as the page shows
}
