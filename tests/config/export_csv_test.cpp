#include "config/export_csv.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "config/import_text.h"
#include "core/log.h"
#include "support/test_support.h"

namespace {

const std::string kHead = "\xEF\xBB\xBF地址,端口,用户名,密码,备注,分组,色彩深度,分辨率,智能缩放,自动连接\r\n";

ServerRecord Server(const std::string& host) {
    ServerRecord s;
    s.id = "0123456789abcdef";
    s.host = host;
    return s;
}

// The line of the only server, without the BOM, the header and the CR LF.
std::string DataLine(const ServerRecord& server) {
    AppConfig config;
    config.servers.push_back(server);
    const std::string all = ExportServersCsv(config);
    if (all.compare(0, kHead.size(), kHead) != 0 || all.size() < kHead.size() + 2) return "<bad prefix>";
    if (all.compare(all.size() - 2, 2, "\r\n") != 0) return "<no CR LF>";
    return all.substr(kHead.size(), all.size() - kHead.size() - 2);
}

TEST(ExportCsv, HeaderThenOneLinePerServerInStoreOrder) {
    AppConfig config;
    EXPECT_EQ(ExportServersCsv(config), kHead);
    for (const char* host : {"10.0.0.5", "a", "c"}) config.servers.push_back(Server(host));
    config.servers[0].user = "admin";
    // Not exported: they must not show in the line.
    config.servers[0].domain = "CORP";
    config.servers[0].fullscreenOnConnect = true;
    config.servers[0].pingPort = 22;
    config.servers[1].port = 1;
    config.servers[2].port = 65535;
    config.servers[2].colorDepth = 16;
    config.servers[2].smartSizing = false;
    config.servers[2].autoConnect = true;
    EXPECT_EQ(ExportServersCsv(config), kHead +
                                            "10.0.0.5,3389,admin,,,,32,,是,否\r\n"
                                            "a,1,,,,,32,,是,否\r\n"
                                            "c,65535,,,,,16,,否,是\r\n");
}

TEST(ExportCsv, ResolutionOnlyWhenBothSidesAreSet) {
    const std::tuple<int, int, const char*> cases[] = {
        {1920, 1080, "1920x1080"}, {800, 600, "800x600"}, {1920, 0, ""}, {0, 1080, ""}, {-1, 600, ""}};
    for (const auto& [width, height, field] : cases) {
        ServerRecord s = Server("h");
        s.width = width;
        s.height = height;
        EXPECT_EQ(DataLine(s), std::string("h,3389,,,,,32,") + field + ",是,否") << width << "x" << height;
    }
}

// Every text field goes through the same writer; check each column.
TEST(ExportCsv, TextFieldQuotingAndFormulaGuard) {
    // clang-format off
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"plain", "plain"}, {"中文 备注", "中文 备注"}, {"a,b", "\"a,b\""}, {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"\"", "\"\"\"\""}, {"line1\r\nline2", "\"line1\r\nline2\""}, {"cr\ronly", "\"cr\ronly\""},
        {"lf\nonly", "\"lf\nonly\""}, {"a;b", "a;b"}, {"a\tb", "a\tb"}, {"=1+1", "'=1+1"}, {"+Pass", "'+Pass"},
        {"-x", "'-x"}, {"@SUM(A1)", "'@SUM(A1)"}, {"'=x", "''=x"}, {"''+y", "'''+y"}, {"'plain", "'plain"},
        {"'", "'"}, {"a=b", "a=b"}, {" =x", " =x"}, {"=a,b", "\"'=a,b\""}, {"-\"q\"", "\"'-\"\"q\"\"\""}};
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        ServerRecord s = Server("h");
        s.user = s.password = s.remark = s.group = c.first;
        const std::string& w = c.second;
        EXPECT_EQ(DataLine(s), "h,3389," + w + "," + w + "," + w + "," + w + ",32,,是,否");
        EXPECT_EQ(DataLine(Server(c.first)), w + ",3389,,,,,32,,是,否");
    }
}

TEST(ExportCsvFile, WritesEveryByteOverALongerFileOrLogsTheFailure) {
    TempDir dir;
    const std::string path = dir.file("服务器列表.csv");
    AppConfig config;
    for (int i = 0; i < 50; ++i) config.servers.push_back(Server("server" + std::to_string(i)));
    ASSERT_TRUE(ExportServersCsvToFile(config, path));
    config.servers.resize(1);
    config.servers[0].password = "p,w";
    LogCapture log;
    ASSERT_TRUE(ExportServersCsvToFile(config, path));
    EXPECT_EQ(ReadRawFile(path), ExportServersCsv(config));
    EXPECT_TRUE(log.has(kLogInfo, "已导出服务器列表：" + path));
    EXPECT_FALSE(log.hasPrefix(kLogError, ""));

    const std::string missing = dir.file("missing-folder") + "/out.csv";
    EXPECT_FALSE(ExportServersCsvToFile(config, missing));
    EXPECT_TRUE(log.has(kLogError, "导出失败：" + missing));
    EXPECT_EQ(ReadRawFile(missing), "");
}

// What the file carries back into the import: the import's own values for
// what it does not carry (id, domain, full screen, ping port).
ServerRecord Carried(ServerRecord s) {
    s.domain.clear();
    s.fullscreenOnConnect = false;
    s.pingPort = 0;
    return s;
}

TEST(ExportRoundTrip, EveryKindOfTextImportsBackUnchanged) {
    // Chinese, quotes, delimiters, line breaks inside fields, formula-like
    // values, comment and port look-alikes where the line cannot start.
    // clang-format off
    const std::vector<std::string> texts = {
        "财务服务器", "\"", ",", "a;b", "a\tb", "第一行\r\n第二行", "lf\nonly", "cr\ronly", "'", "=1+1", "+Pass",
        "-x", "@SUM(A1)", "'=x", "''+y", "'plain", "=a,b", "-\"q\"", "@\r\nx", "中 文", "#", "//", "a:1", "P@ss",
        "\"\"", "×", "是", "", "\"a, b\"", "x\"y", "\xEF\xBC\x9A" "1"};
    // clang-format on
    AppConfig config;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const std::string& t = texts[i];
        // A host holds no blank, and a colon there would be read as its port.
        const bool hostSafe =
            t.find_first_of(" \t\r\n:") == std::string::npos && t.find("\xEF\xBC\x9A") == std::string::npos;
        ServerRecord s = Server("h" + std::to_string(i) + (hostSafe ? t : ""));
        s.port = 1 + static_cast<int>(i) * 2000;
        s.user = s.remark = t;
        s.password = t + t;
        s.group = "g" + t;
        s.domain = "CORP";
        s.colorDepth = i % 3 == 0 ? 16 : (i % 3 == 1 ? 24 : 32);
        if (i % 2 == 0) {
            s.width = 200 + static_cast<int>(i);
            s.height = 16384 - static_cast<int>(i);
        }
        s.smartSizing = i % 2 == 0;
        s.autoConnect = i % 3 == 0;
        s.fullscreenOnConnect = true;
        s.pingPort = 22;
        config.servers.push_back(s);
    }
    // Found by the fuzzer: a host starting like a comment was written bare
    // and the import skipped its line.
    for (const char* host : {"//h", "#1", "/"}) config.servers.push_back(Server(host));
    const ImportedServers back = ImportServersFromText(ExportServersCsv(config));
    ASSERT_EQ(back.servers.size(), config.servers.size());
    EXPECT_EQ(back.skippedLines, 0);
    std::set<std::string> ids;  // new ones, each its own
    for (std::size_t i = 0; i < back.servers.size(); ++i) {
        EXPECT_TRUE(SameServer(back.servers[i], Carried(config.servers[i])));
        EXPECT_TRUE(IsServerId(back.servers[i].id) && ids.insert(back.servers[i].id).second);
    }
}

}  // namespace
