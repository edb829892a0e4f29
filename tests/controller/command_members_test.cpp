#include "controller/command_members.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "config/config_samples.h"
#include "config/record_json.h"
#include "controller/page_documents.h"
#include "support/test_support.h"

namespace {

std::string Describe(const std::optional<PixelRect>& r) {
    if (!r) return "none";
    return std::to_string(r->left) + "," + std::to_string(r->top) + "," + std::to_string(r->right) + "," +
           std::to_string(r->bottom);
}

}  // namespace

TEST(CommandMembers, ContentRectIsKeptInsideTheClientArea) {
    const std::pair<ContentRectRequest, const char*> cases[] = {
        {{false, -10, 5, 5000, 300}, "0,5,1200,305"},
        {{false, 100, 50, 400, 300}, "100,50,500,350"},
        {{false, 0, 0, 0, 300}, "none"},
        {{false, 0, 0, 300, -1}, "none"},
        {{false, 1200, 0, 300, 300}, "none"},  // starts at the right edge: no width left
        {{false, 5000, 9000, 10, 10}, "none"},
        {{false, INT_MAX, INT_MAX, INT_MAX, INT_MAX}, "none"},
        {{false, 10, 10, INT_MAX, INT_MAX}, "10,10,1200,800"},
        {{false, INT_MIN, INT_MIN, INT_MAX, INT_MAX}, "0,0,1200,800"},
        {{false, 0, 0, std::nan(""), 100}, "none"},
        {{false, -HUGE_VAL, 0, 300, HUGE_VAL}, "none"},  // not a number a layout gives: none
    };
    for (const auto& [r, want] : cases)
        EXPECT_EQ(Describe(ClampContentRect(r, 1200, 800)), want)
            << r.x << " " << r.y << " " << r.w << " " << r.h;
}

// The page measures in CSS pixels; a window at 144 or 192 DPI has 1.5 or 2
// device pixels to each. Edges are scaled, so areas that meet still meet.
TEST(CommandMembers, ContentRectIsScaledToTheWindowsDevicePixels) {
    const struct {
        int dpi;
        ContentRectRequest css;
        const char* device;  // clamped to 1200 x 800
    } cases[] = {
        {96, {false, 10, 20, 300, 200}, "10,20,310,220"},
        {144, {false, 10, 20, 300, 200}, "15,30,465,330"},
        {192, {false, 10, 20, 300, 200}, "20,40,620,440"},
        {120, {false, 1, 1, 1, 1}, "1,1,3,3"},            // 1.25 and 2.5: halves round up
        {144, {false, 0, 0, 900, 600}, "0,0,1200,800"},   // beyond the client area
        {0, {false, 10, 20, 300, 200}, "10,20,310,220"},  // unknown: 96
        {192, {false, INT_MAX, INT_MAX, INT_MAX, INT_MAX}, "none"},
        {192, {false, INT_MIN, INT_MIN, INT_MAX, INT_MAX}, "0,0,1200,800"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Describe(ClampContentRect(ScaleContentRect(c.css, c.dpi), 1200, 800)), c.device) << c.dpi;
}

TEST(CommandMembers, ProbePeriodNeverWrapsToAShortOne) {
    EXPECT_EQ(ProbeTimerPeriodMs(10), 10000u);
    EXPECT_EQ(ProbeTimerPeriodMs(0), 0u);
    EXPECT_EQ(ProbeTimerPeriodMs(-3), 0u);
    EXPECT_EQ(ProbeTimerPeriodMs(4294968), 0x7FFFFFFFu);  // 4294968000 would wrap to 704 ms
    EXPECT_EQ(ProbeTimerPeriodMs(INT_MAX), 0x7FFFFFFFu);
}

TEST(PageDocuments, ServerListItemsInOrderWithoutSecrets) {
    ProbeResults results;
    EXPECT_EQ(ServersDocumentJson({}, results), "[]");
    // Every field away from its default, a password sealed and one plain.
    ServerRecord sample = FullConfig().servers[0];
    sample.password = "secret";
    ServerRecord probed = sample;
    probed.id = "00000000000000b2";
    probed.password.clear();
    probed.sealedPassword.clear();
    results["00000000000000b2"] = ProbeEntry{1, 12.5, "10.0.0.5", "在线"};
    const std::string fields =
        R"("host":"服务器-1.example.cn","port":3390,"user":"管理员\"","domain":"域\\corp",)"
        R"("remark":"备注：第一行\n第二行","group":"生产","colorDepth":16,"width":800,"height":600,)"
        R"("smartSizing":false,"fullscreenOnConnect":true,"autoConnect":true,"pingPort":22,)";
    EXPECT_EQ(ServersDocumentJson({sample, probed}, results),
              "[{\"id\":\"0123456789abcdef\"," + fields +
                  "\"hasPassword\":true,\"netState\":0,\"rtt\":-1,\"resolvedIp\":\"\",\"netDetail\":\"\"},"
                  "{\"id\":\"00000000000000b2\"," +
                  fields +
                  "\"hasPassword\":false,\"netState\":1,\"rtt\":12.5,\"resolvedIp\":\"10.0.0.5\","
                  "\"netDetail\":\"在线\"}]");
    // The server never probed now has its own entry.
    ASSERT_EQ(results.count("0123456789abcdef"), 1u);
    EXPECT_EQ(results["0123456789abcdef"].rtt, -1.0);
}

TEST(PageDocuments, SettingsAndEnvironmentMembersInOrder) {
    EXPECT_EQ(SettingsDocumentJson(FullConfig()),
              "{\"pingIntervalSec\":5,\"pingTimeoutMs\":300,\"pingThreads\":2,\"passwordEnabled\":true,"
              "\"passwordHint\":\"提示\",\"defaultUser\":\"du\",\"defaultDomain\":\"dd\","
              "\"defaultColorDepth\":24,\"defaultSmartSizing\":false,\"changeRemoteResolution\":false,"
              "\"darkTheme\":true,\"autoReconnect\":true}");
    EXPECT_EQ(EnvDocumentJson(EnvInputs{true, "MsTscAx.MsTscAx", false, "没有找到", "C:\\数据"}),
              "{\"activex\":true,\"activexName\":\"MsTscAx.MsTscAx\",\"webview\":false,"
              "\"webviewError\":\"没有找到\",\"version\":\"1.0.0\",\"dataDir\":\"C:\\\\数据\"}");
}

// The rules themselves are the field list's (config/record_fields_test.cpp);
// here, that a server's fields follow them and a password is sealed.
TEST(PageDocuments, ApplyServerFieldsReadsOnlyWhatIsSent) {
    const char* const unchanged = "id=id1 host=h user=u domain=d password=old remark=r group=g";
    const std::pair<const char*, const char*> cases[] = {
        {"{}", unchanged},
        {"{\"id\":\"other\",\"port\":70000}", unchanged},
        {"{\"port\":\"3390\",\"pingPort\":70000,\"colorDepth\":7}",
         "id=id1 host=h port=3390 user=u domain=d password=old remark=r group=g colorDepth=7"},
        {"{\"host\":\"  srv \\t\",\"user\":\" a \",\"domain\":\" D \",\"remark\":\" n \",\"group\":[1]}",
         "id=id1 host=srv user=a domain=D password=old remark= n "},
        {"{\"password\":\"\"}", "id=id1 host=h user=u domain=d remark=r group=g"},
        {"{\"password\":\"pw\"}", "id=id1 host=h user=u domain=d password=sealed:pw remark=r group=g"},
        {"{\"password\":\"refused\"}", unchanged},
        // The connection options: enumerations by name, the gateway's
        // password sealed like the server's, a name that is none the default.
        {"{\"gatewayMode\":\"explicit\",\"gatewayHost\":\" gw \",\"gatewayPassword\":\"gp\","
         "\"redirectDrives\":\"chosen\",\"driveLetters\":\"CE\",\"keyboardHook\":\"bogus\"}",
         "id=id1 host=h user=u domain=d password=old remark=r group=g gatewayMode=1 gatewayHost=gw "
         "gatewayPassword=sealed:gp redirectDrives=2 driveLetters=CE"},
    };
    for (const auto& [text, want] : cases) {
        JsonValue data;
        ASSERT_TRUE(ParseJson(text, &data, nullptr)) << text;
        JsonValue stored;
        ParseJson(
            "{\"id\":\"id1\",\"host\":\"h\",\"user\":\"u\",\"domain\":\"d\",\"password\":\"old\","
            "\"remark\":\"r\",\"group\":\"g\"}",
            &stored, nullptr);
        ServerRecord record;
        RecordFromJson(stored, record);
        const bool sealed = ApplyServerFields(record, data, [](std::string_view plain, std::string* out) {
            if (plain == "refused") return false;
            *out = "sealed:" + std::string(plain);
            return true;
        });
        EXPECT_EQ(sealed, std::string(text).find("refused") == std::string::npos) << text;
        EXPECT_EQ(DescribeFields(record, DescribedFields::kChanged), want) << text;
    }
}
