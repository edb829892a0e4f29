#include "controller/page_documents.h"

#include <gtest/gtest.h>

namespace {

ServerRecord SampleServer() {
    ServerRecord s;
    s.id = "00000000000000a1";
    s.host = "10.0.0.5";
    s.port = 3390;
    s.user = "admin";
    s.domain = "CORP";
    s.password = "secret";
    s.remark = "数据库";
    s.group = "prod";
    s.colorDepth = 24;
    s.width = 1920;
    s.height = 1080;
    s.smartSizing = false;
    s.fullscreenOnConnect = true;
    s.autoConnect = true;
    s.pingPort = 22;
    return s;
}

JsonValue Parsed(const std::string& text) {
    JsonValue value;
    EXPECT_TRUE(ParseJson(text, &value, nullptr)) << text;
    return value;
}

}  // namespace

TEST(PageDocuments, ServerListItemsInOrderWithoutSecrets) {
    ProbeResults results;
    EXPECT_EQ(ServersDocumentJson({}, results), "[]");

    ServerRecord unprobed = SampleServer();
    ServerRecord probed = SampleServer();
    probed.id = "00000000000000b2";
    probed.password.clear();
    results["00000000000000b2"] = ProbeEntry{1, 12.5, "10.0.0.5", "在线"};
    EXPECT_EQ(ServersDocumentJson({unprobed, probed}, results),
              "[{\"id\":\"00000000000000a1\",\"host\":\"10.0.0.5\",\"port\":3390,\"user\":\"admin\","
              "\"domain\":\"CORP\",\"remark\":\"数据库\",\"group\":\"prod\",\"colorDepth\":24,\"width\":1920,"
              "\"height\":1080,\"smartSizing\":false,\"fullscreenOnConnect\":true,\"autoConnect\":true,"
              "\"pingPort\":22,\"hasPassword\":true,\"netState\":0,\"rtt\":-1,\"resolvedIp\":\"\","
              "\"netDetail\":\"\"},"
              "{\"id\":\"00000000000000b2\",\"host\":\"10.0.0.5\",\"port\":3390,\"user\":\"admin\","
              "\"domain\":\"CORP\",\"remark\":\"数据库\",\"group\":\"prod\",\"colorDepth\":24,\"width\":1920,"
              "\"height\":1080,\"smartSizing\":false,\"fullscreenOnConnect\":true,\"autoConnect\":true,"
              "\"pingPort\":22,\"hasPassword\":false,\"netState\":1,\"rtt\":12.5,\"resolvedIp\":\"10.0.0.5\","
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
    struct Case {
        const char* data;
        const char* want;  // DescribeServer-like summary of the fields that matter here
    };
    const auto summary = [](const ServerRecord& r) {
        return r.id + "|" + r.host + "|" + std::to_string(r.port) + "|" + r.user + "|" + r.domain + "|" +
               r.remark + "|" + r.group + "|" + (r.smartSizing ? "smart" : "fixed") + "|" +
               std::to_string(r.pingPort) + "|" + std::to_string(r.colorDepth) + "|" + r.password;
    };
    const Case cases[] = {
        {"{}", "id1|h|3389|u|d|r|g|smart|0|32|pw"},
        {"[1,2]", "id1|h|3389|u|d|r|g|smart|0|32|pw"},
        {"{\"id\":\"other\"}", "id1|h|3389|u|d|r|g|smart|0|32|pw"},
        {"{\"port\":70000}", "id1|h|3389|u|d|r|g|smart|0|32|pw"},
        {"{\"port\":0}", "id1|h|3389|u|d|r|g|smart|0|32|pw"},
        {"{\"port\":\"3390\"}", "id1|h|3390|u|d|r|g|smart|0|32|pw"},
        {"{\"host\":\"  srv \\t\",\"user\":\" a \",\"domain\":\" D \"}",
         "id1|srv|3389|a|D|r|g|smart|0|32|pw"},
        {"{\"remark\":\"  note \",\"group\":\" g \"}", "id1|h|3389|u|d|  note | g |smart|0|32|pw"},
        {"{\"smartSizing\":\"false\"}", "id1|h|3389|u|d|r|g|fixed|0|32|pw"},
        {"{\"smartSizing\":\"no\"}", "id1|h|3389|u|d|r|g|smart|0|32|pw"},
        {"{\"pingPort\":70000,\"colorDepth\":7}", "id1|h|3389|u|d|r|g|smart|70000|7|pw"},
        {"{\"password\":\"\"}", "id1|h|3389|u|d|r|g|smart|0|32|"},
        {"{\"host\":[\"x\"],\"user\":{}}", "id1||3389||d|r|g|smart|0|32|pw"},
    };
    for (const Case& c : cases) {
        ServerRecord record;
        record.id = "id1";
        record.host = "h";
        record.user = "u";
        record.domain = "d";
        record.remark = "r";
        record.group = "g";
        record.password = "pw";
        ApplyServerFields(record, Parsed(c.data));
        EXPECT_EQ(summary(record), c.want) << c.data;
    }
}

TEST(PageDocuments, ProbeResultReplacesTheEntryAndMakesThePing) {
    ProbeResults results;
    results["s1"] = ProbeEntry{1, 3.0, "old", "old"};
    ProbeResult result;
    result.id = "s1";
    result.netState = NetState::Timeout;
    result.rtt = -1.0;
    result.resolvedIp = "10.0.0.9";
    result.netDetail = "连接超时";
    EXPECT_EQ(StoreProbeResult(results, result),
              "{\"id\":\"s1\",\"state\":3,\"rtt\":-1,\"ip\":\"10.0.0.9\",\"detail\":\"连接超时\"}");
    EXPECT_EQ(results["s1"].netState, 3);
    EXPECT_EQ(results["s1"].resolvedIp, "10.0.0.9");
}
