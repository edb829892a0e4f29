#include "config/export_csv.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "config/import_text.h"
#include "core/log.h"
#include "support/test_support.h"

namespace {

const std::string kBom = "\xEF\xBB\xBF";
const std::string kHeaderLine = "地址,端口,用户名,密码,备注,分组,色彩深度,分辨率,智能缩放,自动连接\r\n";

ServerRecord Basic(const std::string& host) {
    ServerRecord s;
    s.id = "0123456789abcdef";
    s.host = host;
    return s;
}

std::string ExportOne(const ServerRecord& server) {
    AppConfig config;
    config.servers.push_back(server);
    return ExportServersCsv(config);
}

// The line of the only server, without the BOM, the header and the CR LF.
std::string DataLine(const ServerRecord& server) {
    const std::string all = ExportOne(server);
    const std::string prefix = kBom + kHeaderLine;
    if (all.compare(0, prefix.size(), prefix) != 0 || all.size() < prefix.size() + 2) return "<bad prefix>";
    if (all.compare(all.size() - 2, 2, "\r\n") != 0) return "<no CR LF>";
    return all.substr(prefix.size(), all.size() - prefix.size() - 2);
}

TEST(ExportCsv, EmptyListIsBomAndHeader) {
    EXPECT_EQ(ExportServersCsv(AppConfig{}), kBom + kHeaderLine);
}

TEST(ExportCsv, PlainServerLine) {
    ServerRecord s = Basic("10.0.0.5");
    s.user = "admin";
    // Not exported: changing them must not change the line.
    s.domain = "CORP";
    s.fullscreenOnConnect = true;
    s.pingPort = 22;
    EXPECT_EQ(ExportOne(s), kBom + kHeaderLine + "10.0.0.5,3389,admin,,,,32,,是,否\r\n");
}

TEST(ExportCsv, ServersInStoreOrderEachEndingInCrLf) {
    AppConfig config;
    for (const char* host : {"b", "a", "c"}) config.servers.push_back(Basic(host));
    config.servers[1].port = 1;
    config.servers[2].port = 65535;
    config.servers[2].colorDepth = 16;
    config.servers[2].smartSizing = false;
    config.servers[2].autoConnect = true;
    EXPECT_EQ(ExportServersCsv(config), kBom + kHeaderLine +
                                            "b,3389,,,,,32,,是,否\r\n"
                                            "a,1,,,,,32,,是,否\r\n"
                                            "c,65535,,,,,16,,否,是\r\n");
}

TEST(ExportCsv, Resolution) {
    struct Case {
        int width;
        int height;
        const char* field;
    };
    const std::vector<Case> cases = {
        {1920, 1080, "1920x1080"}, {1920, 0, ""}, {0, 1080, ""}, {0, 0, ""}, {-1, 600, ""},
        {800, 600, "800x600"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.field);
        ServerRecord s = Basic("h");
        s.width = c.width;
        s.height = c.height;
        EXPECT_EQ(DataLine(s), std::string("h,3389,,,,,32,") + c.field + ",是,否");
    }
}

// Every text field goes through the same writer; check each column.
TEST(ExportCsv, TextFieldQuotingAndFormulaGuard) {
    struct Case {
        const char* value;
        const char* written;
    };
    const std::vector<Case> cases = {
        {"plain", "plain"},
        {"中文 备注", "中文 备注"},
        {"a,b", "\"a,b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"\"", "\"\"\"\""},
        {"line1\r\nline2", "\"line1\r\nline2\""},
        {"cr\ronly", "\"cr\ronly\""},
        {"lf\nonly", "\"lf\nonly\""},
        {"a;b", "a;b"},
        {"a\tb", "a\tb"},
        {"=1+1", "'=1+1"},
        {"+Pass", "'+Pass"},
        {"-x", "'-x"},
        {"@SUM(A1)", "'@SUM(A1)"},
        {"'=x", "''=x"},
        {"''+y", "'''+y"},
        {"'plain", "'plain"},
        {"'", "'"},
        {"a=b", "a=b"},
        {" =x", " =x"},
        {"=a,b", "\"'=a,b\""},
        {"-\"q\"", "\"'-\"\"q\"\"\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        ServerRecord s = Basic("h");
        s.user = c.value;
        s.password = c.value;
        s.remark = c.value;
        s.group = c.value;
        const std::string w = c.written;
        EXPECT_EQ(DataLine(s), "h,3389," + w + "," + w + "," + w + "," + w + ",32,,是,否");
        s = Basic(c.value);
        EXPECT_EQ(DataLine(s), w + ",3389,,,,,32,,是,否");
    }
}

TEST(ExportCsvFile, WritesTheBytesAndLogs) {
    TempDir dir;
    const std::string path = dir.file("服务器列表.csv");
    AppConfig config;
    config.servers.push_back(Basic("10.0.0.5"));
    config.servers[0].password = "p,w";
    LogCapture log;
    ASSERT_TRUE(ExportServersCsvToFile(config, path));
    EXPECT_EQ(ReadRawFile(path), ExportServersCsv(config));
    EXPECT_TRUE(log.has(kLogInfo, "已导出服务器列表：" + path));
    EXPECT_FALSE(log.hasPrefix(kLogError, ""));
}

TEST(ExportCsvFile, ReplacesALongerFile) {
    TempDir dir;
    const std::string path = dir.file("out.csv");
    AppConfig config;
    for (int i = 0; i < 50; ++i) config.servers.push_back(Basic("server" + std::to_string(i)));
    ASSERT_TRUE(ExportServersCsvToFile(config, path));
    config.servers.resize(1);
    ASSERT_TRUE(ExportServersCsvToFile(config, path));
    EXPECT_EQ(ReadRawFile(path), ExportServersCsv(config));
}

TEST(ExportCsvFile, FailedWriteReturnsFalseAndLogsError) {
    TempDir dir;
    const std::string path = dir.file("missing-folder") + "/out.csv";
    AppConfig config;
    config.servers.push_back(Basic("h"));
    LogCapture log;
    EXPECT_FALSE(ExportServersCsvToFile(config, path));
    EXPECT_TRUE(log.has(kLogError, "导出失败：" + path));
    EXPECT_FALSE(log.hasPrefix(kLogInfo, "已导出"));
    EXPECT_EQ(ReadRawFile(path), "");
}

// Builds server lists with every kind of text the export must carry back:
// Chinese, quotes, commas, line breaks inside fields and formula-like values.
// Kept out: what the format cannot carry (semicolons, tabs, blanks at either
// end, a bare host starting like a comment or holding "name:digits").
class ServerGenerator {
public:
    explicit ServerGenerator(std::uint32_t seed) : rng_(seed) {}

    ServerRecord Next() {
        ServerRecord s;
        s.id = "ffffffffffffffff";
        s.host = Host();
        s.port = 1 + static_cast<int>(Below(65535));
        s.user = Text();
        s.domain = Text();
        s.password = Text();
        s.remark = Text();
        s.group = Text();
        const int depths[] = {16, 24, 32};
        s.colorDepth = depths[Below(3)];
        if (Below(2) == 0) {
            s.width = 200 + static_cast<int>(Below(16384 - 200 + 1));
            s.height = 200 + static_cast<int>(Below(16384 - 200 + 1));
        }
        s.smartSizing = Below(2) == 0;
        s.fullscreenOnConnect = Below(2) == 0;
        s.autoConnect = Below(2) == 0;
        s.pingPort = static_cast<int>(Below(65536));
        return s;
    }

private:
    std::uint32_t Below(std::uint32_t n) { return static_cast<std::uint32_t>(rng_() % n); }

    std::string Text() {
        static const std::vector<std::string> kWhole = {
            "=1+1", "+Pass", "-x", "@SUM(A1)", "'=x", "''+y", "'plain", "=a,b", "-\"q\"", "@\r\nx",
        };
        static const std::vector<std::string> kPieces = {
            "财务服务器", "a",     "Zz9", "\"", ",",  "\r\n", "\n", "\r",   "'", "=",    "+", "-",
            "@",          "中 文", "x y", "#",  "//", ":",    "1",  "P@ss", "é", "\"\"", "×", "是",
        };
        if (Below(5) == 0) return kWhole[Below(static_cast<std::uint32_t>(kWhole.size()))];
        std::string text;
        const std::uint32_t count = Below(6);
        for (std::uint32_t i = 0; i < count; ++i)
            text += kPieces[Below(static_cast<std::uint32_t>(kPieces.size()))];
        while (!text.empty() && static_cast<unsigned char>(text.front()) <= 0x20) text.erase(0, 1);
        while (!text.empty() && static_cast<unsigned char>(text.back()) <= 0x20) text.pop_back();
        return text;
    }

    std::string Host() {
        std::string host = Text();
        if (host.empty() || host[0] == '#' || host[0] == '/') host = "h" + host;
        const std::size_t colon = host.find(':');
        if (colon != std::string::npos && host.find(':', colon + 1) == std::string::npos) host += "h";
        return host;
    }

    std::mt19937 rng_;
};

TEST(ExportRoundTrip, GeneratedListsImportBackUnchanged) {
    for (std::uint32_t seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE(seed);
        ServerGenerator generator(seed);
        AppConfig config;
        for (int i = 0; i < 25; ++i) config.servers.push_back(generator.Next());
        const std::vector<ServerRecord> back = ImportServersFromText(ExportServersCsv(config));
        ASSERT_EQ(back.size(), config.servers.size());
        std::set<std::string> ids;
        for (std::size_t i = 0; i < back.size(); ++i) {
            const ServerRecord& want = config.servers[i];
            const ServerRecord& got = back[i];
            SCOPED_TRACE(want.host);
            EXPECT_EQ(got.host, want.host);
            EXPECT_EQ(got.port, want.port);
            EXPECT_EQ(got.user, want.user);
            EXPECT_EQ(got.password, want.password);
            EXPECT_EQ(got.remark, want.remark);
            EXPECT_EQ(got.group, want.group);
            EXPECT_EQ(got.colorDepth, want.colorDepth);
            EXPECT_EQ(got.width, want.width);
            EXPECT_EQ(got.height, want.height);
            EXPECT_EQ(got.smartSizing, want.smartSizing);
            EXPECT_EQ(got.autoConnect, want.autoConnect);
            // Not carried by the file: the import's own values.
            EXPECT_EQ(got.domain, "");
            EXPECT_FALSE(got.fullscreenOnConnect);
            EXPECT_EQ(got.pingPort, 0);
            EXPECT_TRUE(IsServerId(got.id)) << got.id;
            EXPECT_NE(got.id, want.id);
            ids.insert(got.id);
        }
        EXPECT_EQ(ids.size(), back.size());
    }
}

TEST(ExportRoundTrip, ValuesOutsideTheImportRulesFallBack) {
    ServerRecord s = Basic("h");
    s.remark = " note ";
    s.colorDepth = 15;
    s.width = 100;
    s.height = 100;
    AppConfig config;
    config.servers.push_back(s);
    const std::vector<ServerRecord> back = ImportServersFromText(ExportServersCsv(config));
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0].remark, "note");
    EXPECT_EQ(back[0].colorDepth, 32);
    EXPECT_EQ(back[0].width, 0);
    EXPECT_EQ(back[0].height, 0);
}

}  // namespace
