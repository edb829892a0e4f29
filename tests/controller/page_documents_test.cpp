#include "controller/page_documents.h"

#include <gtest/gtest.h>

namespace {

// clang-format off
const ServerRecord kSample{"00000000000000a1", "10.0.0.5", 3390, "admin", "CORP", "secret", "数据库", "prod", 24, 1920,
                           1080, false, true, true, 22};
// clang-format on

}  // namespace

TEST(PageDocuments, ServerListItemsInOrderWithoutSecrets) {
    ProbeResults results;
    EXPECT_EQ(ServersDocumentJson({}, results), "[]");

    ServerRecord probed = kSample;
    probed.id = "00000000000000b2";
    probed.password.clear();
    results["00000000000000b2"] = ProbeEntry{1, 12.5, "10.0.0.5", "在线"};
    const std::string fields =
        "\"host\":\"10.0.0.5\",\"port\":3390,\"user\":\"admin\",\"domain\":\"CORP\",\"remark\":\"数据库\","
        "\"group\":\"prod\",\"colorDepth\":24,\"width\":1920,\"height\":1080,\"smartSizing\":false,"
        "\"fullscreenOnConnect\":true,\"autoConnect\":true,\"pingPort\":22,";
    EXPECT_EQ(ServersDocumentJson({kSample, probed}, results),
              "[{\"id\":\"00000000000000a1\"," + fields +
                  "\"hasPassword\":true,\"netState\":0,\"rtt\":-1,\"resolvedIp\":\"\",\"netDetail\":\"\"},"
                  "{\"id\":\"00000000000000b2\"," +
                  fields +
                  "\"hasPassword\":false,\"netState\":1,\"rtt\":12.5,\"resolvedIp\":\"10.0.0.5\","
                  "\"netDetail\":\"在线\"}]");
    // The server never probed now has its own entry.
    ASSERT_EQ(results.count("00000000000000a1"), 1u);
    EXPECT_EQ(results["00000000000000a1"].rtt, -1.0);
}

TEST(PageDocuments, SettingsAndEnvironmentMembersInOrder) {
    AppConfig config;
    config.ping = PingSettings{15, 900, 4};
    config.security = SecuritySettings{true, "salt", "hash", "提示"};
    config.defaults = DefaultSettings{"ops", "CORP", 16, false};
    config.display.changeRemoteResolution = false;
    config.ui.darkTheme = true;
    const std::string settings = SettingsDocumentJson(config);
    EXPECT_EQ(settings,
              "{\"pingIntervalSec\":15,\"pingTimeoutMs\":900,\"pingThreads\":4,\"passwordEnabled\":true,"
              "\"passwordHint\":\"提示\",\"defaultUser\":\"ops\",\"defaultDomain\":\"CORP\","
              "\"defaultColorDepth\":16,\"defaultSmartSizing\":false,\"changeRemoteResolution\":false,"
              "\"darkTheme\":true}");
    EXPECT_EQ(settings.find("salt"), std::string::npos);

    EXPECT_EQ(EnvDocumentJson(EnvInputs{true, "MsTscAx.MsTscAx", false, "没有找到", "C:\\数据"}),
              "{\"activex\":true,\"activexName\":\"MsTscAx.MsTscAx\",\"webview\":false,"
              "\"webviewError\":\"没有找到\",\"version\":\"1.0.0\",\"dataDir\":\"C:\\\\数据\"}");
}

TEST(PageDocuments, ApplyServerFieldsReadsOnlyWhatIsSent) {
    const auto summary = [](const ServerRecord& r) {
        return r.id + "|" + r.host + "|" + std::to_string(r.port) + "|" + r.user + "|" + r.domain + "|" +
               r.remark + "|" + r.group + "|" + (r.smartSizing ? "smart" : "fixed") + "|" +
               std::to_string(r.pingPort) + "|" + std::to_string(r.colorDepth) + "|" + r.password;
    };
    const char* const unchanged = "id1|h|3389|u|d|r|g|smart|0|32|pw";
    const std::pair<const char*, const char*> cases[] = {
        // data, the fields that matter here
        {"{}", unchanged},
        {"[1,2]", unchanged},
        {"{\"id\":\"other\"}", unchanged},
        {"{\"port\":70000}", unchanged},
        {"{\"port\":0}", unchanged},
        {"{\"smartSizing\":\"no\"}", unchanged},
        {"{\"port\":\"3390\"}", "id1|h|3390|u|d|r|g|smart|0|32|pw"},
        {"{\"host\":\"  srv \\t\",\"user\":\" a \",\"domain\":\" D \"}",
         "id1|srv|3389|a|D|r|g|smart|0|32|pw"},
        {"{\"remark\":\"  note \",\"group\":\" g \"}", "id1|h|3389|u|d|  note | g |smart|0|32|pw"},
        {"{\"smartSizing\":\"false\"}", "id1|h|3389|u|d|r|g|fixed|0|32|pw"},
        {"{\"pingPort\":70000,\"colorDepth\":7}", "id1|h|3389|u|d|r|g|smart|70000|7|pw"},
        {"{\"password\":\"\"}", "id1|h|3389|u|d|r|g|smart|0|32|"},
        {"{\"host\":[\"x\"],\"user\":{}}", "id1||3389||d|r|g|smart|0|32|pw"},
    };
    for (const auto& [text, want] : cases) {
        ServerRecord record{"id1", "h", 3389, "u", "d", "pw", "r", "g", 32, 0, 0, true, false, false, 0};
        JsonValue data;
        ASSERT_TRUE(ParseJson(text, &data, nullptr)) << text;
        ApplyServerFields(record, data);
        EXPECT_EQ(summary(record), want) << text;
    }
}
