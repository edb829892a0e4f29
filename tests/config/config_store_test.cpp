#include "config/config_store.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "config/config_json.h"
#include "config/config_samples.h"
#include "core/file_io.h"
#include "core/paths.h"
#include "core/text.h"
#include "support/test_support.h"

#ifdef _WIN32
#include "core/unicode.h"
#include "core/win_handle.h"
#endif

namespace fs = std::filesystem;

namespace {

// What a save of the defaults writes: the document at a two-space indent and
// a line feed (the member names and their order are the mapping's tests).
std::string DefaultFile() {
    return ToJson(ConfigToJson(AppConfig()), 2) + "\n";
}

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

TEST_F(ConfigStoreTest, MissingOrEmptyFileWritesTheDefaults) {
    for (const char* existing : {static_cast<const char*>(nullptr), ""}) {
        SCOPED_TRACE(existing == nullptr ? "no file" : existing);
        if (existing != nullptr) WriteConfig(existing);
        LogCapture log;
        AppConfig config;
        EXPECT_TRUE(LoadConfig(config));
        EXPECT_EQ(config.path, JoinPath(dir_.path(), "config.json"));
        EXPECT_EQ(DescribeSettings(config), DescribeSettings(AppConfig()));
        EXPECT_EQ(ConfigText(), DefaultFile());
        EXPECT_TRUE(log.has("INFO", "配置文件不存在，使用默认配置：" + ConfigFilePath()));
    }
}

// A file that does not parse, or parses but is not shaped like config.json,
// would lose its servers to the next save: it is copied beside it first.
// One that does not parse is replaced at once by what the store held; one
// of the wrong shape is read as far as it goes.
TEST_F(ConfigStoreTest, DamagedFileIsCopiedBeforeAnythingReplacesIt) {
    const struct {
        std::string file, log;
        bool darkTheme;
    } cases[] = {
        {R"({"servers": [ {"host": "10.0.0.1"}, )", "配置解析失败(意外结束)，已备份原文件并使用默认配置",
         true},
        {R"([{"host":"10.0.0.1"}])", "配置结构不符(顶层不是对象)，已备份原文件", false},
        {R"("servers")", "配置结构不符(顶层不是对象)，已备份原文件", false},
        {R"({"servers":{"host":"10.0.0.1"},"ui":{"darkTheme":true}})",
         "配置结构不符(servers 不是数组)，已备份原文件", true},
        {R"({"servers":"10.0.0.1"})", "配置结构不符(servers 不是数组)，已备份原文件", false},
    };
    // Each copy is kept beside the earlier ones: loads within one second do
    // not overwrite each other's.
    std::vector<std::string> damaged;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        WriteConfig(c.file);
        LogCapture log;
        AppConfig config;
        config.ui.darkTheme = true;  // what the store held before the load
        EXPECT_TRUE(LoadConfig(config));
        EXPECT_TRUE(log.has("ERROR", c.log));
        EXPECT_TRUE(config.servers.empty());
        EXPECT_EQ(config.ui.darkTheme, c.darkTheme);
        ASSERT_TRUE(SaveConfig(config));
        EXPECT_EQ(ConfigText().find("\"darkTheme\": true") != std::string::npos, c.darkTheme);
        const auto backups = BackupFiles();
        if (damaged.empty()) EXPECT_EQ(backups.at(0).size(), std::string("config.json.bad_").size() + 19);
        damaged.push_back(c.file);
        std::vector<std::string> kept;
        for (const auto& name : backups) kept.push_back(ReadRawFile(JoinPath(dir_.path(), name)));
        std::sort(kept.begin(), kept.end());
        std::sort(damaged.begin(), damaged.end());
        EXPECT_EQ(kept, damaged);
    }
}

TEST_F(ConfigStoreTest, DamagedFileIsKeptWhileItsBackupCannotBeWritten) {
    for (const std::string damaged : {"{ \"servers\": [ {\"host\": \"只在这里的服务器\"} ] oops",
                                      "{ \"servers\": {\"host\": \"只在这里的服务器\"} }"}) {
        SCOPED_TRACE(damaged);
        WriteConfig(damaged);
        BlockBackupNames(ConfigFilePath(), 20);
        LogCapture log;
        AppConfig config;
        EXPECT_FALSE(LoadConfig(config));
        EXPECT_EQ(ConfigText(), damaged);
        EXPECT_FALSE(IsFile(ConfigFilePath() + ".tmp"));
        EXPECT_TRUE(log.has("ERROR", "配置备份失败，原文件保留未覆盖：" + ConfigFilePath()));
        // Later saves keep refusing while no copy exists ...
        EXPECT_FALSE(SaveConfig(config));
        EXPECT_EQ(ConfigText(), damaged);
        // ... and go ahead once the copy can be written.
        for (const auto& name : BackupFiles()) fs::remove_all(fs::u8path(dir_.path()) / fs::u8path(name));
        EXPECT_TRUE(SaveConfig(config));
        EXPECT_EQ(ConfigText(), DefaultFile());
        const auto backups = BackupFiles();
        ASSERT_EQ(backups.size(), 1u);
        EXPECT_EQ(ReadRawFile(JoinPath(dir_.path(), backups[0])), damaged);
        fs::remove(fs::u8path(dir_.path()) / fs::u8path(backups[0]));
    }
}

// A file that is there but cannot be read (here a folder in its place; on
// Windows also a file another program holds open) keeps its servers: no
// save replaces it until a load has read it.
TEST_F(ConfigStoreTest, UnreadableFileIsNeverOverwritten) {
    const std::string mine = R"({"servers":[{"id":"0123456789abcdef","host":"只在这里的服务器"}]})";
    ASSERT_TRUE(EnsureDir(ConfigFilePath()));
    LogCapture log;
    AppConfig config;
    EXPECT_FALSE(LoadConfig(config));
    EXPECT_TRUE(log.has("ERROR", "配置文件无法读取，不会覆盖原文件：" + ConfigFilePath()));
    // The user hears of it once the page is there, and of every refused save.
    ASSERT_EQ(config.notices.size(), 1u);
    EXPECT_EQ(
        config.notices[0],
        "配置文件无法读取（可能被其他程序占用或没有权限），本次运行中的更改都不会保存：" + ConfigFilePath());
    fs::remove(fs::u8path(dir_.path()) / "config.json");
    WriteConfig(mine);  // readable again: the defaults in memory still must not replace it
    EXPECT_FALSE(SaveConfig(config));
    EXPECT_EQ(config.saveError, "配置文件启动时无法读取，为保护其中的内容不覆盖它");
    EXPECT_EQ(ConfigText(), mine);
#ifdef _WIN32
    {
        const UniqueHandle held(CreateFileW(ToWide(ConfigFilePath()).c_str(), GENERIC_READ, 0, nullptr,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(held.valid());
        EXPECT_FALSE(LoadConfig(config));
    }
    EXPECT_FALSE(SaveConfig(config));
    EXPECT_EQ(ConfigText(), mine);
#endif
    ASSERT_TRUE(LoadConfig(config));
    ASSERT_EQ(config.servers.size(), 1u);
    EXPECT_TRUE(SaveConfig(config));
    EXPECT_NE(ConfigText().find("只在这里的服务器"), std::string::npos);
}

// The text holds every stored field: what is loaded is what was saved. A
// failed save leaves that text as it was.
TEST_F(ConfigStoreTest, SaveThenLoadGivesTheSameStoreAndAFailedSaveKeepsTheFile) {
    AppConfig saved = FullConfig();
    ASSERT_TRUE(SaveConfig(saved));
    const std::string text = ConfigText();
    // The temporary file's name taken by a folder makes the write fail.
    ASSERT_TRUE(EnsureDir(ConfigFilePath() + ".tmp"));
    saved.servers.pop_back();
    LogCapture log;
    EXPECT_FALSE(SaveConfig(saved));
    EXPECT_TRUE(log.has("ERROR", "配置写入失败：" + ConfigFilePath()));
    EXPECT_EQ(ConfigText(), text);
    fs::remove(fs::u8path(dir_.path()) / "config.json.tmp");
    AppConfig loaded;
    ASSERT_TRUE(LoadConfig(loaded));
    EXPECT_TRUE(log.has("INFO", "配置已加载：2 台服务器，密码保护=开"));
    ASSERT_TRUE(SaveConfig(loaded));
    EXPECT_EQ(ConfigText(), text);
}

// Out-of-range values are corrected without a word in the log; members
// the store does not read are gone after the next save.
TEST_F(ConfigStoreTest, LoadCorrectsSilentlyAndDropsUnknownMembers) {
    WriteConfig(R"({"extra":1,"display":{"changeRemoteResolution":true,"zoom":2},"ping":{"timeoutMs":50},
                   "servers":[{"host":"a","colour":"red","port":70000}]})");
    LogCapture log;
    AppConfig config;
    ASSERT_TRUE(LoadConfig(config));
    const auto records = log.records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].second, "配置已加载：1 台服务器，密码保护=关");
    EXPECT_EQ(config.ping.timeoutMs, 200);  // the corrections themselves are the mapping's tests
    ASSERT_EQ(config.servers.size(), 1u);
    const std::string id = config.servers[0].id;
    ASSERT_TRUE(IsServerId(id));
    ASSERT_TRUE(SaveConfig(config));
    const std::string text = ConfigText();
    for (const char* gone : {"extra", "zoom", "colour"})
        EXPECT_EQ(text.find(gone), std::string::npos) << gone;
    AppConfig reloaded;
    ASSERT_TRUE(LoadConfig(reloaded));
    ASSERT_EQ(reloaded.servers.size(), 1u);
    EXPECT_EQ(reloaded.servers[0].id, id);
}

// A temporary file that a save left behind (a crash before the move) is
// removed at the next load and never read, with or without config.json.
TEST_F(ConfigStoreTest, ALeftoverTemporaryFileIsNeverTheConfiguration) {
    const std::string half = R"({"servers":[{"host":"half-written"})";
    for (const bool withFile : {true, false}) {
        SCOPED_TRACE(withFile);
        if (withFile) WriteConfig(R"({"servers":[{"host":"10.0.0.1"}]})");
        ASSERT_TRUE(WriteWholeFile(ConfigFilePath() + ".tmp", half));
        AppConfig config;
        EXPECT_TRUE(LoadConfig(config));
        EXPECT_FALSE(IsFile(ConfigFilePath() + ".tmp"));
        ASSERT_EQ(config.servers.size(), withFile ? 1u : 0u);
        if (withFile) {
            EXPECT_EQ(config.servers[0].host, "10.0.0.1");
        }
        EXPECT_EQ(ConfigText().find("half-written"), std::string::npos);
        fs::remove(fs::u8path(dir_.path()) / "config.json");
    }
}

TEST(ConfigLookup, FindsTheFirstServerWithExactlyThatId) {
    AppConfig config;
    config.servers.resize(3);
    config.servers[0].id = "aa";
    config.servers[1].id = config.servers[2].id = "bb";
    EXPECT_EQ(FindServerById(config, "bb"), &config.servers[1]);
    EXPECT_EQ(FindServerById(config, "BB"), nullptr);
    EXPECT_EQ(FindServerById(config, ""), nullptr);
    EXPECT_EQ(FindServerById(static_cast<const AppConfig&>(config), "aa"), &config.servers[0]);
}
