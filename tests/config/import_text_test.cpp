#include "config/import_text.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace {

// The fields a pasted line can set besides the flags and the display ones.
struct Basic {
    std::string host;
    int port;
    std::string user;
    std::string password;
    std::string remark;
    std::string group;
};

struct BasicCase {
    const char* name;
    std::string input;
    Basic want;
};

void ExpectBasic(const ServerRecord& got, const Basic& want) {
    EXPECT_EQ(got.host, want.host);
    EXPECT_EQ(got.port, want.port);
    EXPECT_EQ(got.user, want.user);
    EXPECT_EQ(got.password, want.password);
    EXPECT_EQ(got.remark, want.remark);
    EXPECT_EQ(got.group, want.group);
}

void RunBasicCases(const std::vector<BasicCase>& cases) {
    for (const BasicCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<ServerRecord> got = ImportServersFromText(c.input);
        ASSERT_EQ(got.size(), 1u);
        ExpectBasic(got[0], c.want);
    }
}

std::vector<std::string> Hosts(const std::vector<ServerRecord>& records) {
    std::vector<std::string> hosts;
    for (const ServerRecord& r : records) hosts.push_back(r.host);
    return hosts;
}

TEST(ImportShortForm, LinesWithoutHeaderUseFixedColumns) {
    RunBasicCases({
        {"page example",
         "192.168.1.10:3389, administrator, P@ssw0rd, 财务服务器",
         {"192.168.1.10", 3389, "administrator", "P@ssw0rd", "财务服务器", ""}},
        {"page example, other port",
         "192.168.1.10:13389 , administrator ,P@ssw0rd,  财务服务器  ",
         {"192.168.1.10", 13389, "administrator", "P@ssw0rd", "财务服务器", ""}},
        {"address only", "10.1.2.3", {"10.1.2.3", 3389, "", "", "", ""}},
        {"three words", "srv01 admin s3cret", {"srv01", 3389, "admin", "s3cret", "", ""}},
        {"runs of spaces", "  srv01    admin   s3cret  ", {"srv01", 3389, "admin", "s3cret", "", ""}},
        {"port after a space is the user", "10.0.0.1 3390", {"10.0.0.1", 3389, "3390", "", "", ""}},
        {"five columns", "h:3391;u;p;备注;生产", {"h", 3391, "u", "p", "备注", "生产"}},
        {"tabs", "h\tu\tp", {"h", 3389, "u", "p", "", ""}},
        {"extra columns ignored", "h,u,p,r,g,more,andmore", {"h", 3389, "u", "p", "r", "g"}},
        {"empty cells", "h,,p", {"h", 3389, "", "p", "", ""}},
        {"single slash is a host", "/", {"/", 3389, "", "", "", ""}},
        {"blank before the colon", "myhost :3392,u", {"myhost", 3392, "u", "", "", ""}},
    });
}

TEST(ImportShortForm, HostAndPortSplitting) {
    RunBasicCases({
        {"letters after colon", "server:abc", {"server:abc", 3389, "", "", "", ""}},
        {"trailing colon", "server:", {"server:", 3389, "", "", "", ""}},
        {"ipv6", "fe80::1c2d:3e4f", {"fe80::1c2d:3e4f", 3389, "", "", "", ""}},
        {"ipv6 with port-like tail", "2001:db8::5:3390", {"2001:db8::5:3390", 3389, "", "", "", ""}},
        {"bracketed ipv6", "[::1]:3390", {"[::1]:3390", 3389, "", "", "", ""}},
        {"port zero", "h:0", {"h", 3389, "", "", "", ""}},
        {"lowest port", "h:1", {"h", 1, "", "", "", ""}},
        {"highest port", "h:65535", {"h", 65535, "", "", "", ""}},
        {"port above range", "h:65536", {"h", 3389, "", "", "", ""}},
        {"port beyond int", "h:99999999999999999999", {"h", 3389, "", "", "", ""}},
        {"port just beyond int", "h:2147483648", {"h", 3389, "", "", "", ""}},
        {"signed port", "h:-5", {"h:-5", 3389, "", "", "", ""}},
        {"digits with blank", "h:33 89,u", {"h:33 89", 3389, "u", "", "", ""}},
    });
}

TEST(ImportShortForm, RecordsStartFromDefaultsWithNewIds) {
    const std::vector<ServerRecord> got = ImportServersFromText("a\nb\nc");
    ASSERT_EQ(got.size(), 3u);
    std::set<std::string> ids;
    for (const ServerRecord& r : got) {
        EXPECT_TRUE(IsServerId(r.id)) << r.id;
        ids.insert(r.id);
        EXPECT_EQ(r.domain, "");
        EXPECT_EQ(r.colorDepth, 32);
        EXPECT_EQ(r.width, 0);
        EXPECT_EQ(r.height, 0);
        EXPECT_TRUE(r.smartSizing);
        EXPECT_FALSE(r.fullscreenOnConnect);
        EXPECT_FALSE(r.autoConnect);
        EXPECT_EQ(r.pingPort, 0);
    }
    EXPECT_EQ(ids.size(), 3u);
}

TEST(ImportQuoting, QuotedCells) {
    RunBasicCases({
        {"comma inside quotes", "h,\"Smith, John\",pw", {"h", 3389, "Smith, John", "pw", "", ""}},
        {"doubled quote", "h,u,\"pa\"\"ss\"", {"h", 3389, "u", "pa\"ss", "", ""}},
        {"only a doubled quote", "h,u,\"\"\"\"", {"h", 3389, "u", "\"", "", ""}},
        {"semicolon and tab inside quotes", "h,\"a;b\tc\"", {"h", 3389, "a;b\tc", "", "", ""}},
        {"quoted host with port", "\"10.0.0.9:3400\",u", {"10.0.0.9", 3400, "u", "", "", ""}},
        {"blanks inside quotes trimmed", "\"  h  \",\" u \"", {"h", 3389, "u", "", "", ""}},
        {"quote in the middle of a cell", "h,ab\"c,d\"e", {"h", 3389, "abc,de", "", "", ""}},
        {"quote makes a space line delimited", "h u \"p\"", {"h u p", 3389, "", "", "", ""}},
        {"empty last cell", "h,u,", {"h", 3389, "u", "", "", ""}},
    });
}

TEST(ImportQuoting, LineBreaksInsideQuotesStayInTheCell) {
    const std::vector<ServerRecord> got =
        ImportServersFromText("h1,u,p,\"第一行\r\n第二行\nthird\rfourth\",g\r\nh2,u2");
    ASSERT_EQ(got.size(), 2u);
    ExpectBasic(got[0], {"h1", 3389, "u", "p", "第一行\r\n第二行\nthird\rfourth", "g"});
    ExpectBasic(got[1], {"h2", 3389, "u2", "", "", ""});
}

TEST(ImportQuoting, UnclosedQuoteSwallowsTheRest) {
    const std::vector<ServerRecord> got = ImportServersFromText("a,u\n\"b,c\nd\ne");
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].host, "a");
    EXPECT_EQ(got[1].host, "b,c\nd\ne");
}

TEST(ImportLines, BreaksCommentsAndBlankLines) {
    struct Case {
        const char* name;
        std::string input;
        std::vector<std::string> hosts;
    };
    const std::vector<Case> cases = {
        {"LF", "a\nb\nc\n", {"a", "b", "c"}},
        {"CRLF", "a\r\nb\r\nc\r\n", {"a", "b", "c"}},
        {"bare CR", "a\rb\rc", {"a", "b", "c"}},
        {"no final break", "a\nb", {"a", "b"}},
        {"comments and blanks", "# list\n// old\n\n   \n\t\na\n  # indented\n  //x\nb", {"a", "b"}},
        {"hash after the start is data", "a#1\nb//2", {"a#1", "b//2"}},
        {"BOM", "\xEF\xBB\xBFhost1\nhost2", {"host1", "host2"}},
        {"rows without a host", ",user\n :3389\n;x\nreal", {"real"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Hosts(ImportServersFromText(c.input)), c.hosts);
    }
}

TEST(ImportLines, NothingUsableGivesAnEmptyResult) {
    const std::vector<std::string> inputs = {
        "",    "\xEF\xBB\xBF", "\r\n\r\n",   "# only a comment\n// and another", ",,,\n;;;\n\t\t", "\"\"",
        ":80", "地址,端口\n",  "host\n,1\n",
    };
    for (const std::string& input : inputs) {
        SCOPED_TRACE(input);
        EXPECT_TRUE(ImportServersFromText(input).empty());
    }
}

// Decorates a header word the way people type it: blanks around, upper case,
// and separators that normalising deletes.
std::string Decorated(const std::string& alias) {
    std::string out = "  ";
    for (char c : alias) {
        out.push_back((c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c);
    }
    const std::size_t firstChar = (static_cast<unsigned char>(alias[0]) & 0x80) ? 3 : 1;
    if (alias.size() > firstChar) out.insert(2 + firstChar, " -");
    return out + "._ ";
}

TEST(ImportHeader, EveryHostAliasMakesAHeader) {
    const std::vector<std::string> aliases = {"地址", "主机",     "服务器",  "主机名", "ip",
                                              "host", "hostname", "address", "server", "addr"};
    for (const std::string& alias : aliases) {
        SCOPED_TRACE(alias);
        const std::vector<std::string> want = {"10.0.0.1"};
        EXPECT_EQ(Hosts(ImportServersFromText(alias + "\n10.0.0.1")), want);
        // Blanks inside a cell need a delimited line: in the space form they
        // would split the word.
        EXPECT_EQ(Hosts(ImportServersFromText(Decorated(alias) + ",x\n10.0.0.1,u")), want);
    }
}

TEST(ImportHeader, EveryAliasFindsItsColumn) {
    struct Case {
        std::vector<std::string> aliases;
        std::string value;
        bool (*check)(const ServerRecord&);
    };
    const std::vector<Case> cases = {
        {{"端口", "端口号", "port"}, "3390", [](const ServerRecord& r) { return r.port == 3390; }},
        {{"用户名", "用户", "账号", "账户", "user", "username", "account", "login"},
         "bob",
         [](const ServerRecord& r) { return r.user == "bob"; }},
        {{"密码", "口令", "password", "passwd", "pwd", "pass"},
         "pw",
         [](const ServerRecord& r) { return r.password == "pw"; }},
        {{"备注", "说明", "描述", "名称", "标题", "remark", "note", "comment", "name", "desc"},
         "rm",
         [](const ServerRecord& r) { return r.remark == "rm"; }},
        {{"分组", "组", "类别", "group", "tag"}, "gr", [](const ServerRecord& r) { return r.group == "gr"; }},
        {{"色彩深度", "颜色深度", "色深", "色彩", "颜色", "colordepth", "color", "depth"},
         "16",
         [](const ServerRecord& r) { return r.colorDepth == 16; }},
        {{"分辨率", "尺寸", "resolution", "size", "screen"},
         "800x600",
         [](const ServerRecord& r) { return r.width == 800 && r.height == 600; }},
        {{"智能缩放", "缩放", "smartsizing", "smart"},
         "否",
         [](const ServerRecord& r) { return !r.smartSizing; }},
        {{"自动连接", "自启动", "autoconnect", "auto"},
         "是",
         [](const ServerRecord& r) { return r.autoConnect; }},
    };
    for (const Case& c : cases) {
        for (const std::string& alias : c.aliases) {
            for (const std::string& cell : {alias, Decorated(alias)}) {
                SCOPED_TRACE(cell);
                // The property's column comes first so that a miss cannot
                // fall back on the fixed columns by chance.
                const std::vector<ServerRecord> got =
                    ImportServersFromText(cell + ",host\n" + c.value + ",h");
                ASSERT_EQ(got.size(), 1u);
                EXPECT_EQ(got[0].host, "h");
                EXPECT_TRUE(c.check(got[0]));
            }
        }
    }
}

TEST(ImportHeader, ColumnsInAnyOrderAndSpelling) {
    struct Case {
        const char* name;
        std::string input;
        Basic want;
    };
    const std::vector<Case> cases = {
        {"english words with blanks and dashes",
         "Host Name,Port,User-Name\n10.0.0.1,3390,bob",
         {"10.0.0.1", 3390, "bob", "", "", ""}},
        {"padded IP and Chinese",
         "  IP ,用户名, 密码 ,备注,分组\n10.0.0.2,张三,pw,前台,办公",
         {"10.0.0.2", 3389, "张三", "pw", "前台", "办公"}},
        {"reordered, tabs",
         "备注\t端口号\t主机名\t口令\t账号\t组\n财务\t3391\tfin01\tpw\tacc\tg",
         {"fin01", 3391, "acc", "pw", "财务", "g"}},
        {"semicolons, mixed case",
         "REMARK;PASS_WORD;Login;Server;TAG;PORT\nr;p;u;s;t;4000",
         {"s", 4000, "u", "p", "r", "t"}},
        {"host not first", "Name,Address,Port\nWeb,10.0.0.3,3392", {"10.0.0.3", 3392, "", "", "Web", ""}},
        {"leftmost of two host columns", "host,ip,user,用户名\na,b,c,d", {"a", 3389, "c", "", "", ""}},
        {"row shorter than the header", "host,user,password,remark\nh1,u1", {"h1", 3389, "u1", "", "", ""}},
        {"quoted header cells", "\"Host\",\"User Name\"\n\"h\",\"u\"", {"h", 3389, "u", "", "", ""}},
        {"header without user column", "pwd,addr\np,h", {"h", 3389, "", "p", "", ""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<ServerRecord> got = ImportServersFromText(c.input);
        ASSERT_EQ(got.size(), 1u);
        ExpectBasic(got[0], c.want);
    }
}

TEST(ImportHeader, FirstRowWithoutHostWordIsData) {
    const std::vector<ServerRecord> got = ImportServersFromText("user,password,remark\nh,u,p");
    ASSERT_EQ(got.size(), 2u);
    ExpectBasic(got[0], {"user", 3389, "password", "remark", "", ""});
    ExpectBasic(got[1], {"h", 3389, "u", "p", "", ""});
}

TEST(ImportHeader, OnlyTheFirstRowCanBeAHeader) {
    const std::vector<ServerRecord> got = ImportServersFromText("# exported\n\nh0\nhost,user\nh1,u1");
    EXPECT_EQ(Hosts(got), (std::vector<std::string>{"h0", "host", "h1"}));
}

TEST(ImportHeader, PortColumnOverridesHostPort) {
    struct Case {
        const char* row;
        int port;
    };
    const std::vector<Case> cases = {
        {"h:5000,", 5000},
        {"h:5000,abc", 5000},
        {"h:5000,6000", 6000},
        {"h:5000,99999999999", 3389},
        {"h,0", 3389},
        {"h,65535", 65535},
        {"h,65536", 3389},
        {"h, 3390 ", 3390},
        {"h,33 90", 3389},
        {"h,+3390", 3389},
        {"h:99999999999,3390", 3390},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.row);
        const std::vector<ServerRecord> got = ImportServersFromText(std::string("host,port\n") + c.row);
        ASSERT_EQ(got.size(), 1u);
        EXPECT_EQ(got[0].host, "h");
        EXPECT_EQ(got[0].port, c.port);
    }
}

// Imports "h,<cell>" under a header naming the column.
ServerRecord ImportCell(const std::string& header, const std::string& cell) {
    const std::vector<ServerRecord> got = ImportServersFromText("host," + header + "\nh,\"" + cell + "\"");
    return got.size() == 1 ? got[0] : ServerRecord{};
}

TEST(ImportCells, ColorDepth) {
    struct Case {
        const char* cell;
        int depth;
    };
    const std::vector<Case> cases = {
        {"24", 24},    {"16", 16}, {"32", 32},  {" 24 ", 24},        {"15", 32},   {"8", 32},
        {"24bit", 32}, {"", 32},   {"+24", 32}, {"99999999999", 32}, {"0x18", 32}, {"024", 24},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cell);
        const ServerRecord r = ImportCell("色彩深度", c.cell);
        EXPECT_EQ(r.host, "h");
        EXPECT_EQ(r.colorDepth, c.depth);
    }
}

TEST(ImportCells, Resolution) {
    struct Case {
        const char* cell;
        int width;
        int height;
    };
    const std::vector<Case> cases = {
        {"1920x1080", 1920, 1080},
        {"1920X1080", 1920, 1080},
        {"1920*1080", 1920, 1080},
        {"1920 × 1080", 1920, 1080},
        {"1920×1080", 1920, 1080},
        {" 1920 x 1080 ", 1920, 1080},
        {"200x16384", 200, 16384},
        {"100x100", 0, 0},
        {"199x1080", 0, 0},
        {"1920x16385", 0, 0},
        {"1920x", 0, 0},
        {"x1080", 0, 0},
        {"1920", 0, 0},
        {"1920 1080", 0, 0},
        {"1920x1080x32", 0, 0},
        {"99999999999x1080", 0, 0},
        {"1920x99999999999", 0, 0},
        {"1920*1080x2", 0, 0},  // "x" is looked for before "*"
        {"1920,5x1080", 0, 0},
        {"", 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cell);
        const ServerRecord r = ImportCell("分辨率", c.cell);
        EXPECT_EQ(r.host, "h");
        EXPECT_EQ(r.width, c.width);
        EXPECT_EQ(r.height, c.height);
    }
}

TEST(ImportCells, YesNoWords) {
    struct Case {
        const char* cell;
        bool smartSizing;
        bool autoConnect;
    };
    // A word that is neither keeps each flag's own default (true, false).
    const std::vector<Case> cases = {
        {"1", true, true},       {"y", true, true},     {"YES", true, true},  {"是", true, true},
        {"True", true, true},    {"on", true, true},    {"开", true, true},   {" Yes ", true, true},
        {"0", false, false},     {"N", false, false},   {"no", false, false}, {"否", false, false},
        {"FALSE", false, false}, {"Off", false, false}, {"关", false, false}, {"", true, false},
        {"maybe", true, false},  {"yess", true, false}, {"2", true, false},   {"是的", true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cell);
        const std::vector<ServerRecord> got = ImportServersFromText(
            std::string("地址,智能缩放,自动连接\nh,\"") + c.cell + "\",\"" + c.cell + "\"");
        ASSERT_EQ(got.size(), 1u);
        EXPECT_EQ(got[0].smartSizing, c.smartSizing);
        EXPECT_EQ(got[0].autoConnect, c.autoConnect);
    }
}

TEST(ImportFormulaGuard, OneLeadingQuoteBeforeAFormulaCharacterIsDropped) {
    struct Case {
        const char* cell;
        const char* value;
    };
    const std::vector<Case> cases = {
        {"'=1+1", "=1+1"},    {"'+Pass", "+Pass"},    {"'-x", "-x"},    {"'@SUM(A1)", "@SUM(A1)"},
        {"''=x", "'=x"},      {"'''+y", "''+y"},      {"=cmd", "=cmd"}, {"+1", "+1"},
        {"'plain", "'plain"}, {"''plain", "''plain"}, {"'", "'"},       {"''", "''"},
        {"'@", "@"},          {"a'=b", "a'=b"},       {"'x=", "'x="},   {"'#x", "'#x"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cell);
        const std::string cell = c.cell;
        // Every text column, in the space form, the delimited form and the
        // quoted form, with blanks around that trimming removes.
        const std::vector<std::string> inputs = {
            "h " + cell + " " + cell + " " + cell + " " + cell,
            "h, " + cell + " ," + cell + "\t" + cell + ";" + cell,
            "\"h\",\" " + cell + "\",\"" + cell + " \",\"" + cell + "\",\"" + cell + "\"",
            "分组,备注,密码,用户名,地址\n" + cell + "," + cell + "," + cell + "," + cell + ",h",
        };
        for (const std::string& input : inputs) {
            SCOPED_TRACE(input);
            const std::vector<ServerRecord> got = ImportServersFromText(input);
            ASSERT_EQ(got.size(), 1u);
            ExpectBasic(got[0], {"h", 3389, c.value, c.value, c.value, c.value});
        }
    }
}

TEST(ImportFormulaGuard, HostCell) {
    RunBasicCases({
        {"guarded host", "'=h", {"=h", 3389, "", "", "", ""}},
        {"guarded host with port", "'-h:3390", {"-h", 3390, "", "", "", ""}},
        {"guard after trimming the port off", "\" '@h :3391\"", {"@h", 3391, "", "", "", ""}},
        {"unguarded formula host", "=h", {"=h", 3389, "", "", "", ""}},
    });
}

TEST(ImportPastes, ExcelTabSeparatedWithHeader) {
    // What a spreadsheet puts on the clipboard: tabs, CRLF, a cell with a
    // line break in quotes, empty cells, and a formula-like value as is.
    const std::string paste =
        "地址\t端口\t用户名\t密码\t备注\t分组\t分辨率\r\n"
        "10.0.0.1\t3389\tadmin\t=cmd\t\"一楼\r\n机房\"\t\t1920x1080\r\n"
        "10.0.0.2\t\t\t\t\t测试\t\r\n"
        "\t\t\t\t\t\t\r\n";
    const std::vector<ServerRecord> got = ImportServersFromText(paste);
    ASSERT_EQ(got.size(), 2u);
    ExpectBasic(got[0], {"10.0.0.1", 3389, "admin", "=cmd", "一楼\r\n机房", ""});
    EXPECT_EQ(got[0].width, 1920);
    EXPECT_EQ(got[0].height, 1080);
    ExpectBasic(got[1], {"10.0.0.2", 3389, "", "", "", "测试"});
    EXPECT_EQ(got[1].width, 0);
}

TEST(ImportPastes, ExportedFileWithEveryColumn) {
    const std::string file =
        "\xEF\xBB\xBF地址,端口,用户名,密码,备注,分组,色彩深度,分辨率,智能缩放,自动连接\r\n"
        "10.0.0.5,3390,admin,\"p,\"\"w\",'=1+1,组A,24,1920x1080,否,是\r\n"
        "srv,3389,,,,,16,,是,否\r\n";
    const std::vector<ServerRecord> got = ImportServersFromText(file);
    ASSERT_EQ(got.size(), 2u);
    ExpectBasic(got[0], {"10.0.0.5", 3390, "admin", "p,\"w", "=1+1", "组A"});
    EXPECT_EQ(got[0].colorDepth, 24);
    EXPECT_EQ(got[0].width, 1920);
    EXPECT_EQ(got[0].height, 1080);
    EXPECT_FALSE(got[0].smartSizing);
    EXPECT_TRUE(got[0].autoConnect);
    ExpectBasic(got[1], {"srv", 3389, "", "", "", ""});
    EXPECT_EQ(got[1].colorDepth, 16);
    EXPECT_TRUE(got[1].smartSizing);
    EXPECT_FALSE(got[1].autoConnect);
}

TEST(ImportPastes, FileWrittenWithoutFormulaGuardsStillImports) {
    // Files from before the export guarded formula-like values.
    const std::string file =
        "\xEF\xBB\xBF地址,端口,用户名,密码,备注,分组,色彩深度,分辨率,智能缩放,自动连接\r\n"
        "-h,3389,=cmd,+pw,@note,'plain,32,,是,否\r\n";
    const std::vector<ServerRecord> got = ImportServersFromText(file);
    ASSERT_EQ(got.size(), 1u);
    ExpectBasic(got[0], {"-h", 3389, "=cmd", "+pw", "@note", "'plain"});
}

}  // namespace
