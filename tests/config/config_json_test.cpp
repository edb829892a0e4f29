#include "config/config_json.h"

#include <gtest/gtest.h>

#include <string>

#include "config/config_samples.h"
#include "core/text.h"
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

// The same document with the members of every object in reverse order.
JsonValue Reversed(const JsonValue& value) {
    JsonValue copy = value;
    if (value.isObject()) {
        copy = JsonValue::MakeObject();
        for (auto it = value.members().rbegin(); it != value.members().rend(); ++it)
            copy.set(it->first, Reversed(it->second));
    } else if (value.isArray()) {
        copy = JsonValue::MakeArray();
        for (const JsonValue& item : value.items()) copy.push(Reversed(item));
    }
    return copy;
}

}  // namespace

// Loading replaces everything but the path; whatever is missing, null or of
// the wrong type takes its default, and so does protection without a hash.
TEST(ConfigFromJson, MissingOrWrongGroupsGiveDefaults) {
    const std::string defaults = Saved(AppConfig());
    for (const char* text :
         {"{}", "[1]", R"({"security":{"enabled":true,"hash":""}})", R"({"security":{"enabled":true}})",
          R"({"servers":{"id":"x"},"ping":5,"security":"on","ui":[1,2],"defaults":null,"display":false})",
          R"({"ping":{"intervalSec":null},"ui":{"x":[],"w":{}},"unknown":1})"})
        EXPECT_EQ(Saved(FromText(text)), defaults) << text;
    EXPECT_TRUE(FromText(R"({"security":{"enabled":true,"hash":"h"}})").security.enabled);
}

// New servers start from the defaults' options, so a password there would
// be copied into each of them, sealed for whoever wrote it.
TEST(ConfigFromJson, TheDefaultsHoldOptionsButNeverAPassword) {
    const AppConfig config = FromText(
        R"({"defaults":{"gatewayMode":"detect","gatewayPassword":"dpapi1:cHc=","redirectClipboard":false}})");
    EXPECT_EQ(ToJson(ConfigToJson(config).find("defaults"), -1),
              R"({"user":"","domain":"","colorDepth":32,"smartSizing":true,"gatewayMode":"detect",)"
              R"("redirectClipboard":false})");
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

TEST(ConfigFromJson, ServerPortsAndIds) {
    const AppConfig config = FromText(R"({"servers":[
        {"id":"a","host":"h1","port":0,"pingPort":70000},
        {"id":"b","port":70000,"pingPort":-1},
        {"id":"c","port":"3390"},
        {"host":"no id"},
        {"id":"","host":"empty id"},
        7,
        {"id":"a","host":"duplicate"}
    ]})");
    ASSERT_EQ(config.servers.size(), 7u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(config.servers[i].port, i == 2 ? 3390 : 3389) << i;
        EXPECT_EQ(config.servers[i].pingPort, 0) << i;
    }
    EXPECT_TRUE(IsServerId(config.servers[3].id));
    EXPECT_TRUE(IsServerId(config.servers[4].id));
    EXPECT_NE(config.servers[3].id, config.servers[4].id);
    // An element that is not an object still becomes a record, with a new id.
    EXPECT_TRUE(IsServerId(config.servers[5].id));
    EXPECT_TRUE(SameServer(config.servers[5], ServerRecord()));
    // A second "a" would make the later server impossible to edit or delete.
    EXPECT_EQ(config.servers[0].id, "a");
    EXPECT_TRUE(IsServerId(config.servers[6].id));
    EXPECT_EQ(config.servers[6].host, "duplicate");
}

// Members are looked up where the file's own order puts them first; any
// other order must read exactly the same (the file's own order is the
// sample's test below).
TEST(ConfigFromJson, EveryFieldReadsBackInAnyMemberOrder) {
    const JsonValue document = ConfigToJson(FullConfig());
    AppConfig loaded;
    ConfigFromJson(Reversed(document), loaded);
    EXPECT_EQ(Saved(loaded), Saved(FullConfig()));
    EXPECT_NE(ToJson(Reversed(document), -1), ToJson(document, -1));
}

// The sample was written by an earlier version: every field, in file
// order, must come back byte for byte. A record's members are added
// without a lookup, so a field list naming a member twice would show here
// as a second line; so would a password not set (the second server's).
TEST(ConfigToJson, TheSampleFileSavesBackByteForByte) {
    EXPECT_EQ(ToJson(ConfigToJson(FullConfig()), 2), kFullConfigText);
    // Left out at its default: the old hash's count.
    EXPECT_FALSE(ConfigToJson(AppConfig()).find("security").contains("iterations"));
}
