#include "config/export_csv.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "config/import_text.h"
#include "config/stored_password.h"
#include "core/log.h"
#include "support/test_support.h"

namespace {

const std::string kHead =
    "\xEF\xBB\xBF地址,端口,用户名,密码,备注,分组,色彩深度,分辨率,智能缩放,自动连接,gatewayMode,gatewayHost,"
    "gatewayPort,gatewayCredentials,gatewayUser,gatewayDomain,gatewayBypassLocal,redirectClipboard,"
    "redirectDrives,driveLetters,redirectPrinters,redirectSmartCards,audioMode,redirectMicrophone,"
    "adminSession,"
    "serverAuth,keyboardHook\r\n";
// The option cells of a server with the default options.
const std::string kOptions = ",none,,443,server,,,是,是,none,,否,否,local,否,否,warn,fullscreen";

ServerRecord Server(const std::string& host) {
    ServerRecord s;
    s.host = host;
    return s;
}

// The line of the only server, without the BOM, the header and the CR LF.
std::string DataLine(const ServerRecord& server) {
    const std::string all = ExportServersCsv({server}, true);
    if (all.compare(0, kHead.size(), kHead) != 0 || all.size() < kHead.size() + 2) return "<bad prefix>";
    if (all.compare(all.size() - 2 - kOptions.size(), kOptions.size() + 2, kOptions + "\r\n") != 0)
        return "<no default options and CR LF>";
    return all.substr(kHead.size(), all.size() - kHead.size() - 2 - kOptions.size());
}

TEST(ExportCsv, HeaderThenOneLinePerServerInStoreOrder) {
    AppConfig config;
    EXPECT_EQ(ExportServersCsv(config.servers, true), kHead);
    // Domain, full screen and the probe port are not exported; the
    // resolution only when both sides are set. Set by name, the rest at
    // their defaults: a field added to the record changes nothing here.
    config.servers.resize(3);
    ServerRecord& first = config.servers[0];
    first.host = "10.0.0.5";
    first.user = "admin";
    first.domain = "CORP";
    first.width = 1920;
    first.height = 1080;
    first.fullscreenOnConnect = true;
    first.pingPort = 22;
    config.servers[1].host = "a";
    config.servers[1].port = 1;
    config.servers[1].width = 1920;
    ServerRecord& third = config.servers[2];
    third.host = "c";
    third.port = 65535;
    third.colorDepth = 16;
    third.width = -1;
    third.height = 600;
    third.smartSizing = false;
    third.autoConnect = true;
    third.password = "pw";
    config.servers[1].options.gatewayMode = GatewayMode::kExplicit;
    config.servers[1].options.gatewayHost = "gw,1";
    config.servers[1].options.sealedGatewayPassword = "dpapi1:never-exported";
    config.servers[1].options.redirectDrives = DriveRedirection::kChosen;
    config.servers[1].options.driveLetters = "CE";
    config.servers[1].options.keyboardHook = KeyboardHook::kLocal;
    const std::string second =
        "a,1,,,,,32,,是,否,explicit,\"gw,1\",443,server,,,是,是,chosen,CE,否,否,local,否,否,warn,local\r\n";
    EXPECT_EQ(ExportServersCsv(config.servers, true), kHead + "10.0.0.5,3389,admin,,,,32,1920x1080,是,否" +
                                                          kOptions + "\r\n" + second +
                                                          "c,65535,,pw,,,16,,否,是" + kOptions + "\r\n");
    // Without passwords their column stays, empty.
    EXPECT_EQ(ExportServersCsv(config.servers, false).substr(kHead.size()),
              "10.0.0.5,3389,admin,,,,32,1920x1080,是,否" + kOptions + "\r\n" + second +
                  "c,65535,,,,,16,,否,是" + kOptions + "\r\n");
    // The options come back as they went, the gateway's password not at all.
    const ImportedServers back = ImportServersFromText(ExportServersCsv(config.servers, false));
    ASSERT_EQ(back.servers.size(), 3u);
    ServerRecord want = config.servers[1];
    want.options.sealedGatewayPassword.clear();
    EXPECT_EQ(DescribeFields(back.servers[1].options), DescribeFields(want.options));
    EXPECT_EQ(DescribeFields(back.servers[0].options), DescribeFields(ConnectionOptions()));
}

// Every text field goes through the same writer; check each column.
TEST(ExportCsv, TextFieldQuotingAndFormulaGuard) {
    // clang-format off
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"plain", "plain"}, {"中文 备注", "中文 备注"}, {"a,b", "\"a,b\""}, {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"\"", "\"\"\"\""}, {"line1\r\nline2", "\"line1\r\nline2\""}, {"cr\ronly", "\"cr\ronly\""},
        {"lf\nonly", "\"lf\nonly\""}, {"a;b", "a;b"}, {"a\tb", "a\tb"}, {"=1+1", "'=1+1"}, {"+Pass", "'+Pass"},
        {"-x", "'-x"}, {"@SUM(A1)", "'@SUM(A1)"}, {"'=x", "''=x"}, {"''+y", "'''+y"}, {"'plain", "'plain"},
        {"'", "'"}, {"a=b", "a=b"}, {" =x", " =x"}, {"=a,b", "\"'=a,b\""}, {"-\"q\"", "\"'-\"\"q\"\"\""},
        {"\tcmd", "'\tcmd"}, {"\r=x", "\"'\r=x\""}, {"'\tx", "''\tx"}};
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

// A stored password stays out of a file written without passwords; the one
// with them is the export command's test (controller/transfer_commands_test.cpp).
TEST(ExportCsvFile, WritesEveryByteOverALongerFileOrLogsTheFailure) {
    TempDir dir;
    const std::string path = dir.file("服务器列表.csv");
    AppConfig config;
    for (int i = 0; i < 50; ++i) config.servers.push_back(Server("server" + std::to_string(i)));
    ASSERT_TRUE(ExportServersCsvToFile(config, true, path));
    config.servers.resize(1);
    ASSERT_TRUE(SealPassword(config, "p,w", &config.servers[0].sealedPassword));
    LogCapture log;
    ASSERT_TRUE(ExportServersCsvToFile(config, false, path));
    EXPECT_EQ(ReadRawFile(path), ExportServersCsv(config.servers, false));
    EXPECT_EQ(ReadRawFile(path).find("p,w"), std::string::npos);
    EXPECT_TRUE(log.has(kLogInfo, "已导出服务器列表：" + path));
    EXPECT_FALSE(log.hasPrefix(kLogError, ""));
    const std::string missing = dir.file("missing-folder") + "/out.csv";
    EXPECT_FALSE(ExportServersCsvToFile(config, true, missing));
    EXPECT_TRUE(log.has(kLogError, "导出失败：" + missing));
    EXPECT_EQ(ReadRawFile(missing), "");
}

// Chinese, quotes, delimiters, line breaks inside fields, formula-like values,
// comment and port look-alikes where the line cannot start; the flags, the
// colour depth and the resolution are the two sides' tables.
TEST(ExportRoundTrip, EveryKindOfTextImportsBackUnchanged) {
    // clang-format off
    const std::vector<std::string> texts = {
        "财务服务器", "\"", ",", "a;b", "a\tb", "第一行\r\n第二行", "lf\nonly", "cr\ronly", "'", "=1+1", "'=x", "''+y",
        "'plain", "=a,b", "-\"q\"", "@\r\nx", "中 文", "#", "//", "a:1", "\"\"", "是", "", "x\"y", "\xEF\xBC\x9A" "1",
        "\tlead", "\r=x", "'\tx"};
    // clang-format on
    AppConfig config;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const std::string& t = texts[i];
        // A host holds no blank, and a colon there would be read as its port.
        const bool hostSafe =
            t.find_first_of(" \t\r\n:") == std::string::npos && t.find("\xEF\xBC\x9A") == std::string::npos;
        ServerRecord s = Server("h" + std::to_string(i) + (hostSafe ? t : ""));
        s.port = 1 + static_cast<int>(i) * 2000;
        s.user = s.password = s.remark = s.group = t;
        config.servers.push_back(s);
    }
    // Found by the fuzzer: a host starting like a comment was written bare
    // and the import skipped its line.
    for (const char* host : {"//h", "#1", "/"}) config.servers.push_back(Server(host));
    const ImportedServers back = ImportServersFromText(ExportServersCsv(config.servers, true));
    ASSERT_EQ(back.servers.size(), config.servers.size());
    EXPECT_EQ(back.skippedLines, 0);
    std::set<std::string> ids;  // new ones, each its own
    for (std::size_t i = 0; i < back.servers.size(); ++i) {
        EXPECT_TRUE(SameServer(back.servers[i], config.servers[i]));
        EXPECT_TRUE(IsServerId(back.servers[i].id) && ids.insert(back.servers[i].id).second);
    }
}

}  // namespace
