// Import and export: what lands in the store and in the exported file.
#include <gtest/gtest.h>

#include "controller/controller_fixture.h"
#include "core/file_io.h"
#include "core/text.h"

using TransferCommands = ControllerTest;

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
    const std::string elsewhere = JoinPath(MemoryDataDir::Root(), "elsewhere");
    ASSERT_TRUE(EnsureDir(elsewhere));
    const std::string target = JoinPath(elsewhere, "servers.csv");
    const std::string missing = JoinPath(JoinPath(elsewhere, "no-such-folder"), "servers.csv");
    Send("exportServers", "{\"path\":" + Quoted("  " + target + " ") + "}");
    Send("exportServers", "{\"path\":" + Quoted(missing) + "}");
    EXPECT_EQ(page.toasts(), (std::vector<std::string>{"ok: 已导出（不含密码）到 " + target,
                                                       "error: 写入失败：" + missing}));
    EXPECT_NE(dir.Raw(target).find("10.0.0.5,3389,,,"), std::string::npos);
    Send("exportServers", "{\"path\":\"   \"}");
    Send("exportServers", "{}");
    EXPECT_EQ(window.calls, (std::vector<std::string>{"export dialog", "export dialog"}));
    const std::string before = dir.Raw(dir.file("config.json"));
    for (const std::string& path :
         {dir.file("config.json"), dir.file("config.json.bad_x"), dir.file("sub.csv"), dir.path(),
          std::string("servers.csv"), std::string("..\\servers.csv"), std::string("\\\\nas\\share\\s.csv")}) {
        page.events.clear();
        Send("exportServers", "{\"path\":" + Quoted(path) + "}");
        ASSERT_EQ(page.toasts().size(), 1u) << path;
        EXPECT_EQ(page.toasts()[0].rfind("error: ", 0), 0u) << path;
    }
    // A drive letter mapped to a share takes the list off the machine too.
    environment.networkDrive = elsewhere;
    page.events.clear();
    Send("exportServers", "{\"path\":" + Quoted(target) + "}");
    EXPECT_EQ(page.toasts(),
              (std::vector<std::string>{"error: 不能导出到网络路径，请选择本机的文件夹：" + target}));
    EXPECT_FALSE(IsFile(dir.file("config.json.bad_x")) || IsFile(dir.file("sub.csv")) ||
                 IsFile("servers.csv"));
    EXPECT_EQ(dir.Raw(dir.file("config.json")), before);
}

// Passwords go into the file only when asked for, and with a start-up
// password in force only after it is typed again; the save dialog gets the
// choice.
TEST_F(TransferCommands, ExportCarriesPasswordsOnlyWhenAskedAndConfirmed) {
    Stored("10.0.0.5", "pw-in-file");
    const std::string elsewhere = JoinPath(MemoryDataDir::Root(), "elsewhere");
    ASSERT_TRUE(EnsureDir(elsewhere));
    const std::string target = JoinPath(elsewhere, "servers.csv");
    const std::string request = "{\"includePasswords\":true,\"path\":" + Quoted(target);
    Send("exportServers", request + "}");
    EXPECT_NE(dir.Raw(target).find("10.0.0.5,3389,,pw-in-file,"), std::string::npos);
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
