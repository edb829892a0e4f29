// Remote desktop files: dropped or chosen files become servers; a server
// becomes a file, never with its password.
#include "controller/rdp_file_commands.h"

#include <gtest/gtest.h>

#include "config/rdp_file.h"
#include "controller/command_members.h"
#include "controller/controller_fixture.h"
#include "core/file_io.h"
#include "core/text.h"
#include "core/utf16.h"

namespace {

using File = std::pair<std::string, std::string>;  // name, bytes

// As Windows writes them: UTF-16LE with a byte-order mark, CRLF.
std::string Utf16File(const std::string& text) {
    return "\xFF\xFE" + Utf8ToUtf16LeBytes(text);
}

std::string ImportData(const std::vector<File>& files) {
    std::string json = "{\"files\":[";
    for (const File& file : files) {
        if (json.back() != '[') json += ",";
        json += "{\"name\":" + ToJson(JsonValue(file.first), -1) + ",\"data\":\"" +
                Base64Encode(file.second) + "\"}";
    }
    return json + "]}";
}

const std::string kWindowsFile = Utf16File(
    "screen mode id:i:2\r\nfull address:s:10.0.0.7:3390\r\nusername:s:CORP\\alice\r\n"
    "password 51:b:01000000D08C9DDF\r\nsession bpp:i:16\r\ngatewayhostname:s:gw.example\r\n"
    "gatewayusagemethod:i:1\r\ndrivestoredirect:s:C:\\;E:\\;\r\n");
const std::string kUtf8File =
    "\xEF\xBB\xBF"
    "full address:s:rdp.example\nusername:s:bob\ndomain:s:LAB\n";
const std::string kNoAddress = "username:s:nobody\r\n";

}  // namespace

using RdpFileCommands = ControllerTest;

TEST_F(RdpFileCommands, ImportAddsWhatItCanReadAndRefusesBeyondItsLimits) {
    const std::vector<File> tooMany(kMaxRdpFilesPerImport + 1, File{"a.rdp", kUtf8File});
    // 86 bytes once the control byte goes: cut at 80, inside the last "名".
    std::string longName = "n\x01";
    for (int i = 0; i < 27; ++i) longName += "名";
    std::string shownName = "n";
    for (int i = 0; i < 26; ++i) shownName += "名";
    const struct {
        const char* what;
        std::string data;
        std::vector<std::string> added;
        std::string toast;
    } cases[] = {
        {"both encodings, the password line ignored",
         ImportData({{"w.rdp", kWindowsFile}, {"u.rdp", kUtf8File}}),
         {"10.0.0.7", "rdp.example"},
         "ok: 成功导入 2 台服务器，忽略 1 项不支持的设置"},
        {"an unreadable file counted and named, the name cut on a whole character",
         ImportData({{"u.rdp", kUtf8File}, {longName + ".rdp", kNoAddress}}),
         {"rdp.example"},
         "error: 成功导入 1 台服务器；1 个文件无法读取：" + shownName +
             "…（文件里没有远程计算机的地址（full address））"},
        {"no file readable",
         ImportData({{"1.rdp", ""}, {"2.rdp", ""}, {"3.rdp", ""}, {"", kNoAddress}}),
         {},
         "error: 没有导入任何服务器，4 个文件无法读取：1.rdp（文件里没有远程计算机的地址（full address））、"
         "2.rdp（文件里没有远程计算机的地址（full address））、3.rdp（文件里没有远程计算机的地址（full "
         "address）） 等"},
        {"a file beyond the reader's cap",
         ImportData({{"u.rdp", kUtf8File}, {"big.rdp", std::string(kRdpFileMaxBytes + 1, 'x')}}),
         {},
         "error: 文件超过 1 MB，不像远程桌面文件，没有导入任何服务器：big.rdp"},
        {"more files than one import takes",
         ImportData(tooMany),
         {},
         "error: 一次最多导入 1000 个 .rdp 文件，这次有 1001 个，没有导入任何服务器"},
        {"no files", "{\"files\":[]}", {}, "error: 没有收到要导入的 .rdp 文件"},
    };
    std::vector<std::string> hosts = {"keep.example"};
    Stored("keep.example");
    for (const auto& c : cases) {
        page.events.clear();
        Send("importRdp", c.data);
        hosts.insert(hosts.end(), c.added.begin(), c.added.end());
        EXPECT_EQ(DiskHosts(), hosts) << c.what;
        EXPECT_EQ(page.toasts(), std::vector<std::string>{c.toast}) << c.what;
    }
    EXPECT_EQ(probes.sweeps.size(), 2u);  // after each import that added servers
}

// A file's server is a new one: its own id, never connecting by itself,
// without the file's password; the rest as the file says.
TEST_F(RdpFileCommands, AnImportedServerIsNewAndCarriesNoPassword) {
    Send("importRdp", ImportData({{"w.rdp", kWindowsFile}, {"w.rdp", kWindowsFile}}));
    ASSERT_EQ(config.servers.size(), 2u);
    EXPECT_NE(config.servers[0].id, config.servers[1].id);
    // The fields themselves are the reader's table (tests/config/rdp_file_test.cpp).
    const ServerRecord& server = config.servers[0];
    EXPECT_TRUE(SameServer(server, ReadRdpFile(kWindowsFile).server));
    EXPECT_FALSE(server.autoConnect);
    EXPECT_TRUE(server.password.empty() && server.sealedPassword.empty());
    const AppConfig disk = OnDisk();
    ASSERT_EQ(disk.servers.size(), 2u);
    EXPECT_EQ(disk.servers[0].id, server.id);
    EXPECT_TRUE(SameServer(disk.servers[0], server));
    EXPECT_EQ(probes.sweeps, std::vector<std::string>{"10.0.0.7:3390 10.0.0.7:3390"});
}

// Every refusal of a target is the CSV export's table (the two share the
// check); here, that this export goes through it too.
TEST_F(RdpFileCommands, ExportWritesTheFileOrSaysWhyNot) {
    const std::string id = Stored("10.0.0.5", "secret-pw");
    const std::string elsewhere = JoinPath(MemoryDataDir::Root(), "elsewhere");
    ASSERT_TRUE(EnsureDir(elsewhere));
    const std::string target = JoinPath(elsewhere, "s.rdp");
    const struct {
        std::string data;
        std::string toast;  // "" for none
        const char* dialog;
    } cases[] = {
        {"{\"id\":\"" + id + "\",\"path\":" + Quoted(target) + "}", "ok: 已导出到 " + target, nullptr},
        {"{\"id\":\"nosuch\",\"path\":" + Quoted(target) + "}", "error: 找不到这台服务器", nullptr},
        {"{\"id\":\"" + id + "\",\"path\":" + Quoted(dir.file("x.rdp")) + "}",
         "error: 不能导出到程序的数据目录（会覆盖配置文件）：" + dir.file("x.rdp"), nullptr},
        {"{\"id\":\"" + id + "\",\"path\":" + Quoted(JoinPath(elsewhere, "none\\s.rdp")) + "}",
         "error: 写入失败：" + JoinPath(elsewhere, "none\\s.rdp"), nullptr},
        {"{\"id\":\"" + id + "\"}", "", "rdp export dialog "},
        {"{\"id\":\"nosuch\"}", "error: 找不到这台服务器", nullptr},
    };
    for (const auto& c : cases) {
        page.events.clear();
        window.calls.clear();
        Send("exportRdp", c.data);
        EXPECT_EQ(page.toasts(),
                  c.toast.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.toast})
            << c.data;
        EXPECT_EQ(window.calls,
                  c.dialog ? std::vector<std::string>{c.dialog + id} : std::vector<std::string>{})
            << c.data;
    }
    // What the writer gives, which leaves out every password and reads back
    // as the server, is the file format's test (tests/config/rdp_file_test.cpp).
    EXPECT_EQ(dir.Raw(target), WriteRdpFile(config.servers.back()));
    EXPECT_FALSE(IsFile(dir.file("x.rdp")));
}

TEST_F(RdpFileCommands, TheSaveDialogSuggestsANameWindowsTakes) {
    const struct {
        const char* remark;
        const char* host;
        const char* name;
    } cases[] = {
        {"", "10.0.0.5", "10.0.0.5.rdp"}, {"数据库: prod/1", "h", "数据库_ prod_1.rdp"},
        {"  ", "fe80::1", "fe80__1.rdp"}, {"a?*\"<>|\\. .", "h", "a_______.rdp"},
        {"...", "", "server.rdp"},
    };
    for (const auto& c : cases) {
        ServerRecord server;
        server.remark = c.remark;
        server.host = c.host;
        EXPECT_EQ(RdpExportFileName(server), c.name) << c.remark;
    }
}
