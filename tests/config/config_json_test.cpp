#include "config/config_json.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace {

AppConfig FromText(const char* text) {
    JsonValue document;
    std::string error;
    EXPECT_TRUE(ParseJson(text, &document, &error)) << error;
    AppConfig config;
    config.path = "kept";
    config.servers.push_back(ServerRecord());
    config.ui.darkTheme = true;
    ConfigFromJson(document, config);
    EXPECT_EQ(config.path, "kept");
    return config;
}

// The saved form holds every stored field, so equal texts mean equal stores.
std::string Saved(const AppConfig& config) {
    return ToJson(ConfigToJson(config), -1);
}

}  // namespace

TEST(ConfigScramble, FollowsTheFormulaAndUndoesItself) {
    EXPECT_EQ(ScramblePassword("", "key"), "");
    EXPECT_EQ(ScramblePassword("data", ""), "data");
    // Key bytes 3 + 7i mod 2 and masks i & 0x5A, worked by hand: a key
    // shorter than the step of 7 wraps more than once per byte.
    EXPECT_EQ(ScramblePassword(std::string(4, '\0'), "ab"), "ba`c");
    std::string data;
    for (int i = 0; i < 600; ++i) data.push_back(static_cast<char>(i * 13));
    const std::string scrambled = ScramblePassword(data, "Zq4TmW8xLc!pep#91730");
    EXPECT_EQ(scrambled.size(), data.size());
    EXPECT_NE(scrambled, data);
    EXPECT_EQ(ScramblePassword(scrambled, "Zq4TmW8xLc!pep#91730"), data);
}

// Stored forms written by other installations must keep decoding, so the
// exact bytes are fixed here.
TEST(ConfigScramble, ProtectedFormIsStable) {
    const struct {
        const char* plain;
        const char* stored;
    } cases[] = {{"abc", "NUNW"}, {"P@ssw0rd!", "BGFGHAcDJwMZ"}, {"密码123", "sY6ziNCyZFUL"}};
    for (const auto& c : cases) {
        EXPECT_EQ(ProtectPassword(c.plain), c.stored) << c.plain;
        EXPECT_EQ(UnprotectPassword(c.stored), c.plain) << c.stored;
    }
    // Text that was never written by the program still decodes to something.
    EXPECT_NO_FATAL_FAILURE(UnprotectPassword("这不是 base64 !!"));
    EXPECT_EQ(UnprotectPassword(""), "");
}

// Loading replaces everything but the path; whatever is missing, null or of
// the wrong type takes its default.
TEST(ConfigFromJson, MissingOrWrongGroupsGiveDefaults) {
    const std::string defaults = Saved(AppConfig());
    EXPECT_EQ(Saved(FromText("{}")), defaults);
    EXPECT_EQ(Saved(FromText("[1]")), defaults);
    EXPECT_EQ(Saved(FromText(R"({"servers":{"id":"x"},"ping":5,"security":"on","ui":[1,2],"defaults":null,
                                 "display":false})")),
              defaults);
    EXPECT_EQ(Saved(FromText(R"({"ping":{"intervalSec":null},"ui":{"x":[],"w":{}},"unknown":1})")), defaults);
}

TEST(ConfigFromJson, SettingsAreCorrectedIntoTheirRanges) {
    const struct {
        const char* text;
        int timeoutMs, threads, w, h;
    } cases[] = {
        {R"({"ping":{"timeoutMs":50,"threads":0},"ui":{"w":500,"h":519}})", 200, 1, 1180, 720},
        {R"({"ping":{"timeoutMs":99999,"threads":100},"ui":{"w":800,"h":520}})", 30000, 32, 800, 520},
        {R"({"ping":{"timeoutMs":-1e300,"threads":1e300},"ui":{"w":"1920","h":1e300}})", 200, 32, 1920,
         2147483647},
        {R"({"ping":{"timeoutMs":"abc","threads":null},"ui":{"w":true,"h":[]}})", 2000, 6, 1180, 720},
    };
    for (const auto& c : cases) {
        const AppConfig config = FromText(c.text);
        EXPECT_EQ(config.ping.timeoutMs, c.timeoutMs) << c.text;
        EXPECT_EQ(config.ping.threads, c.threads) << c.text;
        EXPECT_EQ(config.ui.w, c.w) << c.text;
        EXPECT_EQ(config.ui.h, c.h) << c.text;
    }
    // The probe interval keeps whatever the file says.
    EXPECT_EQ(FromText(R"({"ping":{"intervalSec":-3}})").ping.intervalSec, -3);
}

TEST(ConfigFromJson, ServerPortsIdsAndLenientValues) {
    const AppConfig config = FromText(R"({"servers":[
        {"id":"a","host":"h1","port":0,"pingPort":70000},
        {"id":"b","port":70000,"pingPort":-1},
        {"id":"c","port":"3390","smartSizing":"0","autoConnect":1,"colorDepth":"24bit"},
        {"host":"no id"},
        {"id":"","host":"empty id"},
        7,
        {"id":"a","host":"duplicate"}
    ]})");
    ASSERT_EQ(config.servers.size(), 7u);
    EXPECT_EQ(config.servers[0].port, 3389);
    EXPECT_EQ(config.servers[0].pingPort, 0);
    EXPECT_EQ(config.servers[1].port, 3389);
    EXPECT_EQ(config.servers[1].pingPort, 0);
    EXPECT_EQ(config.servers[2].port, 3390);
    EXPECT_FALSE(config.servers[2].smartSizing);
    EXPECT_TRUE(config.servers[2].autoConnect);
    EXPECT_EQ(config.servers[2].colorDepth, 24);
    EXPECT_TRUE(IsServerId(config.servers[3].id));
    EXPECT_TRUE(IsServerId(config.servers[4].id));
    EXPECT_NE(config.servers[3].id, config.servers[4].id);
    // An element that is not an object still becomes a record, with a new id.
    EXPECT_TRUE(IsServerId(config.servers[5].id));
    EXPECT_EQ(config.servers[5].host, "");
    EXPECT_EQ(config.servers[5].port, 3389);
    EXPECT_EQ(config.servers[6].id, "a");  // duplicates stay as they are
}

// Members are looked up where the file's own order puts them first; any
// other order must read exactly the same.
TEST(ConfigFromJson, MemberOrderDoesNotMatter) {
    const AppConfig inOrder = FromText(R"({"servers":[{"id":"i","host":"h","port":3390,"user":"u","domain":"d",
        "password":"NUNW","remark":"r","group":"g","colorDepth":16,"width":800,"height":600,"smartSizing":false,
        "fullscreenOnConnect":true,"autoConnect":true,"pingPort":22}],
        "ping":{"intervalSec":5,"timeoutMs":300,"threads":2},
        "security":{"enabled":true,"salt":"s","hash":"h","hint":"提示"},
        "ui":{"darkTheme":true,"x":1,"y":2,"w":900,"h":600,"maximized":true},
        "defaults":{"user":"du","domain":"dd","colorDepth":24,"smartSizing":false},
        "display":{"changeRemoteResolution":false}})");
    const AppConfig reversed = FromText(R"({"display":{"changeRemoteResolution":false},
        "defaults":{"smartSizing":false,"colorDepth":24,"domain":"dd","user":"du"},
        "ui":{"maximized":true,"h":600,"w":900,"y":2,"x":1,"darkTheme":true},
        "security":{"hint":"提示","hash":"h","salt":"s","enabled":true},
        "ping":{"threads":2,"timeoutMs":300,"intervalSec":5},
        "servers":[{"pingPort":22,"autoConnect":true,"fullscreenOnConnect":true,"smartSizing":false,"height":600,
        "width":800,"colorDepth":16,"group":"g","remark":"r","password":"NUNW","domain":"d","user":"u",
        "port":3390,"host":"h","id":"i"}]})");
    EXPECT_EQ(Saved(reversed), Saved(inOrder));
    EXPECT_EQ(inOrder.servers.at(0).password, "abc");
    EXPECT_EQ(inOrder.security.hint, "提示");
    EXPECT_NE(Saved(inOrder), Saved(AppConfig()));
}

TEST(ConfigFromJson, PasswordProtectionNeedsAHash) {
    EXPECT_FALSE(FromText(R"({"security":{"enabled":true,"hash":""}})").security.enabled);
    EXPECT_FALSE(FromText(R"({"security":{"enabled":true}})").security.enabled);
    EXPECT_TRUE(FromText(R"({"security":{"enabled":true,"hash":"h"}})").security.enabled);
}

TEST(ConfigToJson, MembersInFileOrderAndPasswordOnlyWhenSet) {
    AppConfig config;
    ServerRecord withPassword;
    withPassword.id = "0123456789abcdef";
    withPassword.password = "abc";
    ServerRecord without;
    without.id = "fedcba9876543210";
    config.servers = {withPassword, without};
    const JsonValue document = ConfigToJson(config);

    std::vector<std::string> top;
    for (const auto& member : document.members()) top.push_back(member.first);
    EXPECT_EQ(top, (std::vector<std::string>{"servers", "ping", "security", "ui", "defaults", "display"}));

    std::vector<std::string> server;
    for (const auto& member : document.find("servers").at(0).members()) server.push_back(member.first);
    EXPECT_EQ(server, (std::vector<std::string>{"id", "host", "port", "user", "domain", "password", "remark",
                                                "group", "colorDepth", "width", "height", "smartSizing",
                                                "fullscreenOnConnect", "autoConnect", "pingPort"}));
    EXPECT_EQ(document.find("servers").at(0).getString("password", ""), "NUNW");
    EXPECT_FALSE(document.find("servers").at(1).contains("password"));
}
