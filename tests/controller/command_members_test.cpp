#include "controller/command_members.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "config/config_samples.h"
#include "controller/export_path.h"
#include "controller/page_documents.h"

namespace {

std::string Describe(const std::optional<PixelRect>& r) {
    if (!r) return "none";
    return std::to_string(r->left) + "," + std::to_string(r->top) + "," + std::to_string(r->right) + "," +
           std::to_string(r->bottom);
}

// clang-format off
const ServerRecord kSample{"00000000000000a1", "10.0.0.5", 3390, "admin", "CORP", "secret", "数据库", "prod", 24, 1920,
                           1080, false, true, true, 22, "dpapi1:c2VjcmV0", {}};
// clang-format on

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
    ServerRecord probed = kSample;
    probed.id = "00000000000000b2";
    probed.password.clear();
    probed.sealedPassword.clear();
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
    EXPECT_EQ(SettingsDocumentJson(FullConfig()),
              "{\"pingIntervalSec\":5,\"pingTimeoutMs\":300,\"pingThreads\":2,\"passwordEnabled\":true,"
              "\"passwordHint\":\"提示\",\"defaultUser\":\"du\",\"defaultDomain\":\"dd\","
              "\"defaultColorDepth\":24,\"defaultSmartSizing\":false,\"changeRemoteResolution\":false,"
              "\"darkTheme\":true,\"autoReconnect\":true}");
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
        // A probe port out of range means "none set", as config.json's reading has it.
        {"{\"pingPort\":70000,\"colorDepth\":7}", "id1|h|3389|u|d|r|g|smart|0|7|pw"},
        {"{\"pingPort\":22}", "id1|h|3389|u|d|r|g|smart|22|32|pw"},
        {"{\"password\":\"\"}", "id1|h|3389|u|d|r|g|smart|0|32|"},
        {"{\"host\":[\"x\"],\"user\":{}}", "id1||3389||d|r|g|smart|0|32|pw"},
    };
    for (const auto& [text, want] : cases) {
        // clang-format off
        ServerRecord record{"id1", "h", 3389, "u", "d", "pw", "r", "g", 32, 0, 0, true, false, false, 0, "", {}};
        // clang-format on
        JsonValue data;
        ASSERT_TRUE(ParseJson(text, &data, nullptr)) << text;
        ApplyServerFields(record, data);
        EXPECT_EQ(summary(record), want) << text;
    }
}
