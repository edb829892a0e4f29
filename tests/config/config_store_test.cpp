#include "config/config_store.h"

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>

#include "core/file_io.h"
#include "core/paths.h"
#include "core/text.h"
#include "support/test_support.h"

namespace fs = std::filesystem;

namespace {

const char kDefaultFile[] = R"({
  "servers": [],
  "ping": {
    "intervalSec": 10,
    "timeoutMs": 2000,
    "threads": 6
  },
  "security": {
    "enabled": false,
    "salt": "",
    "hash": "",
    "hint": ""
  },
  "ui": {
    "darkTheme": false,
    "x": -1,
    "y": -1,
    "w": 1180,
    "h": 720,
    "maximized": false
  },
  "defaults": {
    "user": "",
    "domain": "",
    "colorDepth": 32,
    "smartSizing": true
  },
  "display": {
    "changeRemoteResolution": true
  }
}
)";

// Every case gets its own data folder.
class ConfigStoreTest : public ::testing::Test {
protected:
    void SetUp() override { SetDataDirOverride(dir_.path()); }
    void TearDown() override { SetDataDirOverride(""); }

    std::string ConfigText() const { return ReadRawFile(ConfigFilePath()); }
    void WriteConfig(const std::string& text) const { ASSERT_TRUE(WriteWholeFile(ConfigFilePath(), text)); }

    std::vector<std::string> BackupFiles() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(fs::u8path(dir_.path()))) {
            const std::string name = entry.path().filename().u8string();
            if (name.rfind("config.json.bad_", 0) == 0) names.push_back(name);
        }
        return names;
    }

    TempDir dir_;
};

ServerRecord SampleServer(int i) {
    ServerRecord server;
    server.id = Format("%016x", 0xabc00 + i);
    server.host = Format("服务器-%d.example.cn", i);
    server.port = 3389 + i;
    server.user = "管理员\"" + std::to_string(i);
    server.domain = "域\\corp";
    server.password = i % 2 == 0 ? "" : Format("密码 %d \\ \" \n\t 😀", i);
    server.remark = "备注：第一行\n第二行";
    server.group = "生产";
    server.colorDepth = 16;
    server.width = 1920;
    server.height = 1080;
    server.smartSizing = false;
    server.fullscreenOnConnect = true;
    server.autoConnect = true;
    server.pingPort = 22;
    return server;
}

void ExpectSameServer(const ServerRecord& a, const ServerRecord& b) {
    EXPECT_EQ(a.id, b.id);
    EXPECT_EQ(a.host, b.host);
    EXPECT_EQ(a.port, b.port);
    EXPECT_EQ(a.user, b.user);
    EXPECT_EQ(a.domain, b.domain);
    EXPECT_EQ(a.password, b.password);
    EXPECT_EQ(a.remark, b.remark);
    EXPECT_EQ(a.group, b.group);
    EXPECT_EQ(a.colorDepth, b.colorDepth);
    EXPECT_EQ(a.width, b.width);
    EXPECT_EQ(a.height, b.height);
    EXPECT_EQ(a.smartSizing, b.smartSizing);
    EXPECT_EQ(a.fullscreenOnConnect, b.fullscreenOnConnect);
    EXPECT_EQ(a.autoConnect, b.autoConnect);
    EXPECT_EQ(a.pingPort, b.pingPort);
}

// Folders under the backup's names for the coming seconds, so that writing
// the ".bad_" copy fails whenever the load happens.
void BlockBackupNames(const std::string& configPath, int seconds) {
    const std::time_t now = std::time(nullptr);
    for (int s = -1; s <= seconds; ++s) {
        const std::time_t t = now + s;
        const std::tm local = *std::localtime(&t);
        const std::string stamp =
            Format("%04d-%02d-%02d_%02d-%02d-%02d", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                   local.tm_hour, local.tm_min, local.tm_sec);
        ASSERT_TRUE(EnsureDir(configPath + ".bad_" + stamp));
    }
}

}  // namespace

TEST_F(ConfigStoreTest, MissingFileWritesTheDefaults) {
    LogCapture log;
    AppConfig config;
    EXPECT_TRUE(LoadConfig(config));
    EXPECT_EQ(config.path, ConfigFilePath());
    EXPECT_EQ(ConfigFilePath(), JoinPath(dir_.path(), "config.json"));
    EXPECT_EQ(ConfigText(), kDefaultFile);
    EXPECT_TRUE(log.has("INFO", "配置文件不存在，使用默认配置：" + ConfigFilePath()));
}

TEST_F(ConfigStoreTest, ByteOrderMarkOnlyCountsAsEmpty) {
    WriteConfig("\xEF\xBB\xBF");
    LogCapture log;
    AppConfig config;
    EXPECT_TRUE(LoadConfig(config));
    EXPECT_EQ(ConfigText(), kDefaultFile);
    EXPECT_TRUE(log.hasPrefix("INFO", "配置文件不存在"));
}

TEST_F(ConfigStoreTest, UnparsableFileIsBackedUpThenReplacedByTheStore) {
    const std::string damaged = "{\"servers\": [ {\"host\": \"10.0.0.1\"}, ";
    WriteConfig(damaged);
    LogCapture log;
    AppConfig config;
    config.ui.darkTheme = true;  // what the store held before the load is what gets written
    EXPECT_TRUE(LoadConfig(config));
    EXPECT_TRUE(log.has("ERROR", "配置解析失败(意外结束)，已备份原文件并使用默认配置"));

    const auto backups = BackupFiles();
    ASSERT_EQ(backups.size(), 1u);
    EXPECT_EQ(backups[0].size(), std::string("config.json.bad_").size() + 19);
    EXPECT_EQ(ReadRawFile(JoinPath(dir_.path(), backups[0])), damaged);
    EXPECT_NE(ConfigText().find("\"darkTheme\": true"), std::string::npos);
    EXPECT_TRUE(config.ui.darkTheme);
}

TEST_F(ConfigStoreTest, DamagedFileIsKeptWhenItsBackupCannotBeWritten) {
    const std::string damaged = "{ \"servers\": [ {\"host\": \"只在这里的服务器\"} ] oops";
    WriteConfig(damaged);
    BlockBackupNames(ConfigFilePath(), 20);
    LogCapture log;
    AppConfig config;
    EXPECT_FALSE(LoadConfig(config));
    EXPECT_EQ(ConfigText(), damaged);
    EXPECT_FALSE(IsFile(ConfigFilePath() + ".tmp"));
    EXPECT_TRUE(log.hasPrefix("ERROR", "配置解析失败("));
    EXPECT_TRUE(log.has("ERROR", "配置备份失败，原文件保留未覆盖：" + ConfigFilePath()));

    // Later saves keep refusing while no copy exists ...
    EXPECT_FALSE(SaveConfig(config));
    EXPECT_EQ(ConfigText(), damaged);

    // ... and go ahead once the copy can be written.
    for (const auto& name : BackupFiles()) fs::remove(fs::u8path(dir_.path()) / fs::u8path(name));
    EXPECT_TRUE(SaveConfig(config));
    EXPECT_EQ(ConfigText(), kDefaultFile);
    const auto backups = BackupFiles();
    ASSERT_EQ(backups.size(), 1u);
    EXPECT_EQ(ReadRawFile(JoinPath(dir_.path(), backups[0])), damaged);
}

TEST_F(ConfigStoreTest, OutOfRangeValuesAreCorrectedSilently) {
    WriteConfig(R"({"servers":[{"id":"x","port":70000,"pingPort":-1}],
                   "ping":{"timeoutMs":50,"threads":100},"ui":{"w":500},
                   "security":{"enabled":true,"hash":""}})");
    LogCapture log;
    AppConfig config;
    EXPECT_TRUE(LoadConfig(config));
    EXPECT_EQ(config.ping.timeoutMs, 200);
    EXPECT_EQ(config.ping.threads, 32);
    EXPECT_EQ(config.ui.w, 1180);
    EXPECT_FALSE(config.security.enabled);
    ASSERT_EQ(config.servers.size(), 1u);
    EXPECT_EQ(config.servers[0].port, 3389);
    EXPECT_EQ(config.servers[0].pingPort, 0);
    const auto records = log.records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].second, "配置已加载：1 台服务器，密码保护=关");
}

TEST_F(ConfigStoreTest, SaveThenLoadGivesTheSameStore) {
    AppConfig saved;
    for (int i = 0; i < 5; ++i) saved.servers.push_back(SampleServer(i));
    saved.ping = {30, 1500, 12};
    saved.security = {true, "00112233445566778899aabbccddeeff", std::string(64, 'a'), "生日"};
    saved.ui = {true, 10, -20, 1300, 900, true};
    saved.defaults = {"默认用户", "域", 24, false};
    saved.display.changeRemoteResolution = false;
    ASSERT_TRUE(SaveConfig(saved));

    const std::string text = ConfigText();
    EXPECT_EQ(text.find("密码 1"), std::string::npos);  // passwords never stand in plain text
    EXPECT_EQ(text.back(), '\n');
    EXPECT_NE(text.compare(0, 3, "\xEF\xBB\xBF"), 0);

    LogCapture log;
    AppConfig loaded;
    ASSERT_TRUE(LoadConfig(loaded));
    EXPECT_TRUE(log.has("INFO", "配置已加载：5 台服务器，密码保护=开"));
    ASSERT_EQ(loaded.servers.size(), saved.servers.size());
    for (std::size_t i = 0; i < saved.servers.size(); ++i)
        ExpectSameServer(loaded.servers[i], saved.servers[i]);
    EXPECT_EQ(loaded.ping.intervalSec, 30);
    EXPECT_EQ(loaded.ping.timeoutMs, 1500);
    EXPECT_EQ(loaded.ping.threads, 12);
    EXPECT_TRUE(loaded.security.enabled);
    EXPECT_EQ(loaded.security.salt, saved.security.salt);
    EXPECT_EQ(loaded.security.hash, saved.security.hash);
    EXPECT_EQ(loaded.security.hint, "生日");
    EXPECT_TRUE(loaded.ui.darkTheme);
    EXPECT_EQ(loaded.ui.x, 10);
    EXPECT_EQ(loaded.ui.y, -20);
    EXPECT_EQ(loaded.ui.w, 1300);
    EXPECT_EQ(loaded.ui.h, 900);
    EXPECT_TRUE(loaded.ui.maximized);
    EXPECT_EQ(loaded.defaults.user, "默认用户");
    EXPECT_EQ(loaded.defaults.domain, "域");
    EXPECT_EQ(loaded.defaults.colorDepth, 24);
    EXPECT_FALSE(loaded.defaults.smartSizing);
    EXPECT_FALSE(loaded.display.changeRemoteResolution);

    // A second save of what was loaded writes the very same text.
    ASSERT_TRUE(SaveConfig(loaded));
    EXPECT_EQ(ConfigText(), text);
}

TEST_F(ConfigStoreTest, UnknownMembersVanishAndNewIdsAreWritten) {
    WriteConfig(R"({"extra":1,"display":{"changeRemoteResolution":true,"zoom":2},
                   "servers":[{"host":"a","colour":"red"}],"ping":{},"security":{},"ui":{},"defaults":{}})");
    AppConfig config;
    ASSERT_TRUE(LoadConfig(config));
    ASSERT_EQ(config.servers.size(), 1u);
    const std::string id = config.servers[0].id;
    ASSERT_EQ(id.size(), 16u);
    ASSERT_TRUE(SaveConfig(config));
    const std::string text = ConfigText();
    EXPECT_EQ(text.find("extra"), std::string::npos);
    EXPECT_EQ(text.find("zoom"), std::string::npos);
    EXPECT_EQ(text.find("colour"), std::string::npos);
    EXPECT_NE(text.find("\"id\": \"" + id + "\""), std::string::npos);
    // Everything but the one server is exactly the default file.
    AppConfig reloaded;
    ASSERT_TRUE(LoadConfig(reloaded));
    ASSERT_EQ(reloaded.servers.size(), 1u);
    EXPECT_EQ(reloaded.servers[0].id, id);
}

TEST_F(ConfigStoreTest, FailedSaveKeepsThePreviousFile) {
    AppConfig config;
    ASSERT_TRUE(SaveConfig(config));
    const std::string before = ConfigText();
    // The temporary file's name taken by a folder makes the write fail.
    ASSERT_TRUE(EnsureDir(ConfigFilePath() + ".tmp"));
    config.servers.push_back(SampleServer(1));
    LogCapture log;
    EXPECT_FALSE(SaveConfig(config));
    EXPECT_TRUE(log.has("ERROR", "配置写入失败：" + ConfigFilePath()));
    EXPECT_EQ(ConfigText(), before);
    EXPECT_EQ(config.servers.size(), 1u);
}

TEST(ConfigLookup, FindsTheFirstServerWithExactlyThatId) {
    AppConfig config;
    config.servers.resize(3);
    config.servers[0].id = "aa";
    config.servers[1].id = "bb";
    config.servers[2].id = "bb";
    config.servers[2].host = "second";
    ASSERT_NE(FindServerById(config, "bb"), nullptr);
    EXPECT_EQ(FindServerById(config, "bb"), &config.servers[1]);
    EXPECT_EQ(FindServerById(config, "BB"), nullptr);
    EXPECT_EQ(FindServerById(config, ""), nullptr);
    const AppConfig& constant = config;
    EXPECT_EQ(FindServerById(constant, "aa"), &config.servers[0]);
}

TEST(ConfigLookup, NewIdsAreSixteenLowerHexDigits) {
    const std::string a = NewServerId();
    const std::string b = NewServerId();
    EXPECT_TRUE(IsServerId(a)) << a;
    EXPECT_NE(a, b);
}
