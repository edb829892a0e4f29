// Whatever the page sends, the program keeps running, keeps every server it
// had and leaves a config.json that loads.
#include <gtest/gtest.h>

#include "config/import_text.h"
#include "controller/command_table.h"
#include "controller/controller_fixture.h"

using PageInput = ControllerTest;

TEST_F(PageInput, MessagesThatNameNoCommandDoNothing) {
    Stored("keep.example");
    const std::string before = dir.Raw(dir.file("config.json"));
    for (const char* text :
         {"", "{", "{\"cmd\":\"ready\"", "not json", "42", "[\"ready\"]", "\"ready\"", "null", "{\"cmd\":7}",
          "{\"cmd\":[\"ready\"]}", "{\"cmd\":\"READY\"}", "{\"cmd\":\"ready \"}", "{\"cmd\":\"\"}",
          "{\"data\":{}}", "{\"cmd\":\"nosuch\",\"data\":{}}"}) {
        controller.HandlePageMessage(text);
    }
    EXPECT_TRUE(page.events.empty() && tabs.calls.empty() && window.calls.empty() && probes.sweeps.empty());
    EXPECT_EQ(dir.Raw(dir.file("config.json")), before);
    EXPECT_TRUE(log.hasPrefix("WARN", "页面消息不是合法 JSON："));
}

TEST_F(PageInput, EveryCommandCopesWithDataOfEveryShape) {
    const char* const everyCommand[] = {
        "ready",        "getEnv",           "addServer",    "getServers",   "getSettings",   "updateServer",
        "removeServer", "reorder",          "connect",      "disconnect",   "reconnect",     "closeTab",
        "activateTab",  "toggleFullscreen", "switchTab",    "contentRect",  "pingNow",       "openExternal",
        "setPassword",  "clearPassword",    "saveSettings", "importText",   "exportServers", "window",
        "devtools",     "reloadUI",         "quit",         "confirmClose", "importRdp",     "exportRdp"};
    for (const char* name : everyCommand) EXPECT_NE(FindPageCommand(name), nullptr) << name;
    const std::string a = Stored("a.example", "pa"), b = Stored("b.example");
    // clang-format off
    const std::string shapes[] = {"null", "[]", "\"text\"", "-1e308", "true", "{}",
        "{\"id\":[],\"before\":{},\"host\":null,\"text\":7,\"path\":[],\"delta\":\"x\",\"action\":{},\"ok\":[],"
        "\"x\":1e300,\"y\":-1e300,\"w\":\"NaN\",\"h\":{},\"hidden\":\"\",\"old\":1,\"new\":[],\"hint\":{},"
        "\"files\":[7,{\"name\":[],\"data\":\"@@\"},{\"data\":{}}]}",
        "{\"id\":\"" + a + "\",\"port\":\"99999999999\",\"pingPort\":-1e20,\"delta\":2147483648,\"w\":1e10,\"h\":5}"};
    // clang-format on
    for (const char* name : everyCommand)
        for (const std::string& data : shapes) Send(name, data);
    // Only the first server is ever named; the second is kept as it was,
    // and what is on disk is what the program holds.
    const AppConfig disk = OnDisk();
    const ServerRecord* second = FindServerById(disk, b);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->host, "b.example");
    ASSERT_EQ(disk.servers.size(), config.servers.size());
    for (std::size_t i = 0; i < disk.servers.size(); ++i) EXPECT_EQ(disk.servers[i].id, config.servers[i].id);
}

// A message beyond the limit is not even parsed: the page is told that
// nothing was done.
TEST_F(PageInput, AMessageBeyondTheLimitIsToldAndNotRun) {
    const std::string command = "{\"cmd\":\"importText\",\"data\":{\"text\":\"10.0.0.1\"}}";
    const std::string blanks(kMaxPageMessageBytes - command.size(), ' ');
    controller.HandlePageMessage(command + blanks + " ");
    EXPECT_EQ(page.toasts(), std::vector<std::string>{"error: 这次操作的数据超过 32 MB，没有执行"});
    EXPECT_TRUE(config.servers.empty());
    controller.HandlePageMessage(command + blanks);
    EXPECT_EQ(page.toasts().back(), "ok: 成功导入 1 台服务器");
}

// The import's own limits are its table (tests/config/import_text_test.cpp);
// here, that a text beyond them imports nothing and the page hears why.
TEST_F(PageInput, AnImportBeyondTheLimitIsRefusedWhole) {
    Stored("keep.example");
    const std::string text = "10.0.0.1 user pass\n" + std::string(kMaxImportBytes, '#');
    Send("importText", "{\"text\":" + Quoted(text) + "}");
    EXPECT_EQ(page.toasts(),
              std::vector<std::string>{"error: 粘贴的内容超过 4 MB，没有导入任何服务器，请分几次导入"});
    EXPECT_EQ(DiskHosts(), std::vector<std::string>{"keep.example"});
}
