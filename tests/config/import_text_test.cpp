#include "config/import_text.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "config/formula_guard.h"
#include "support/test_support.h"

namespace {

// The fields a pasted line sets besides the flags and the display ones, as
// "host|port|user|password|remark|group" without empty fields at the end;
// records joined by " / ".
std::string Summary(const std::vector<ServerRecord>& records) {
    std::string out;
    for (const ServerRecord& r : records) {
        std::string line = r.host + "|" + std::to_string(r.port) + "|" + r.user + "|" + r.password + "|" +
                           r.remark + "|" + r.group;
        while (line.back() == '|') line.pop_back();
        out += (out.empty() ? "" : " / ") + line;
    }
    return out;
}

struct Case {
    const char* name;
    std::string input;
    std::string want;
    int skipped = 0;
};

void ExpectImports(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        const ImportedServers got = ImportServersFromText(c.input);
        EXPECT_EQ(Summary(got.servers), c.want) << c.name;
        EXPECT_EQ(got.skippedLines, c.skipped) << c.name;
    }
}

// The one record that text gives (a default record when it gives another count).
ServerRecord ImportOne(const std::string& text) {
    const ImportedServers got = ImportServersFromText(text);
    EXPECT_EQ(got.servers.size(), 1u) << text;
    return got.servers.size() == 1 ? got.servers[0] : ServerRecord{};
}

TEST(ImportShortForm, FixedColumnsWithoutHeader) {
    ExpectImports({
        {"other port, blanks", "192.168.1.10:13389 , administrator ,P@ssw0rd,  财务服务器  ",
         "192.168.1.10|13389|administrator|P@ssw0rd|财务服务器"},
        {"address only", "10.1.2.3", "10.1.2.3|3389"},
        {"runs of spaces", "  srv01    admin   s3cret  ", "srv01|3389|admin|s3cret"},
        {"port after a space is the user", "10.0.0.1 3390", "10.0.0.1|3389|3390"},
        {"five columns", "h:3391;u;p;备注;生产", "h|3391|u|p|备注|生产"},
        {"tabs, extra columns", "h\tu\tp\tr\tg\tmore", "h|3389|u|p|r|g"},
        {"empty cells", "h,,p", "h|3389||p"},
        {"single slash is a host", "/", "/|3389"},
        {"blank before the colon", "myhost :3392,u", "myhost|3392|u"},
        {"delimiter in a short-form password", "10.0.0.5 admin Winter2024;x",
         "10.0.0.5|3389|admin|Winter2024;x"},
        {"no-break and ideographic spaces", "10.0.0.5\u00A0admin\u3000pw", "10.0.0.5|3389|admin|pw"},
        {"wide blanks inside a password", "10.0.0.5 admin pa\u00A0ss\u3000word 备注\u3000一",
         "10.0.0.5|3389|admin|pa\u00A0ss\u3000word|备注\u3000一"},
        {"a delimiter beside a blank keeps the row delimited", "10.0.0.1 admin, pass\n10.0.0.2 root ;pw",
         "10.0.0.1|3389|admin|pass / 10.0.0.2|3389|root|pw"},
        {"wide blanks are trimmed", "\xE3\x80\x80h\xC2\xA0,u", "h|3389|u"},
        {"a host never holds a blank", "h u \"p\"", "h|3389|u|p"},
        {"quoted host with a blank", "\"my host\" admin", "", 1},
    });
}

TEST(ImportShortForm, HostAndPort) {
    ExpectImports({
        {"not a port after the colon", "server:abc\nserver:\nh:-5",
         "server:abc|3389 / server:|3389 / h:-5|3389"},
        {"ipv6, a port-like tail included", "fe80::1c2d:3e4f\n2001:db8::5:3390",
         "fe80::1c2d:3e4f|3389 / 2001:db8::5:3390|3389"},
        {"bracketed ipv6", "[fe80::1]:3390\n[::1]\n[::1]:x", "fe80::1|3390 / ::1|3389 / [::1]:x|3389"},
        {"full-width colons stored as ASCII", "10.0.0.5\uFF1A3390\nfe80\uFF1A\uFF1A1",
         "10.0.0.5|3390 / fe80::1|3389"},
        {"port range", "h:0\nh:1\nh:65535\nh:65536\nh:2147483648\nh:99999999999999999999",
         "h|3389 / h|1 / h|65535 / h|3389 / h|3389 / h|3389"},
    });
}

TEST(ImportQuoting, QuotesOpenCellsOnlyAtTheirStart) {
    ExpectImports({
        {"comma inside quotes", "h,\"Smith, John\",pw", "h|3389|Smith, John|pw"},
        {"blank before the quote", "h, \"a, b\"", "h|3389|a, b"},
        {"doubled quote", "h,u,\"pa\"\"ss\"", "h|3389|u|pa\"ss"},
        {"only a doubled quote", "h,u,\"\"\"\"", "h|3389|u|\""},
        {"semicolon and tab inside quotes", "h,\"a;b\tc\"", "h|3389|a;b\tc"},
        {"quoted host with port", "\"10.0.0.9:3400\",u", "10.0.0.9|3400|u"},
        {"blanks inside quotes trimmed", "\"  h  \",\" u \"", "h|3389|u"},
        {"quote inside a cell is text", "h,ab\"c,d\"e", "h|3389|ab\"c|d\"e"},
        {"quote inside a short-form line", "srv1 admin pa\"ss\nsrv2 admin pw",
         "srv1|3389|admin|pa\"ss / srv2|3389|admin|pw"},
        {"empty last cell", "h,u,", "h|3389|u"},
        {"line breaks inside quotes", "h1,u,p,\"第一行\r\n第二行\nthird\rfourth\",g\r\nh2,u2",
         "h1|3389|u|p|第一行\r\n第二行\nthird\rfourth|g / h2|3389|u2"},
        {"unclosed quote stays on its line", "a,u\n\"b,c\nd\ne", "a|3389|u / \"b|3389|c / d|3389 / e|3389"},
        {"a later quote that does not end a cell", "a,\"x\nb,y\"z\nc", "a|3389|\"x / b|3389|y\"z / c|3389"},
        {"comment lines hold no quotes", "# \"note\na\n// \"\nb", "a|3389 / b|3389", 2},
    });
}

TEST(ImportLines, BreaksCommentsAndBlankLines) {
    ExpectImports({
        {"LF, CRLF and bare CR", "a\nb\r\nc\rd\n", "a|3389 / b|3389 / c|3389 / d|3389"},
        {"comments and blanks", "# list\n// old\n\n   \n\t\na\n  # indented\n  //x\nb", "a|3389 / b|3389", 4},
        {"hash after the start is data", "a#1\nb//2", "a#1|3389 / b//2|3389"},
        {"BOM", "\xEF\xBB\xBFhost1\nhost2", "host1|3389 / host2|3389"},
        {"rows without a host are counted", ",user\n :3389\n;x\nreal", "real|3389", 3},
        {"rows of empty cells or control bytes are blank", ",,,\n\t\t\n\"\"\n\x01\x02 \r\nh", "h|3389"},
    });
    for (const std::string input : {"", "\xEF\xBB\xBF", "\r\n\r\n", "# a comment\n// another",
                                    ",,,\n;;;\n\t\t", "\"\"", ":80", "地址,端口\n", "host\n,1\n"}) {
        EXPECT_TRUE(ImportServersFromText(input).servers.empty()) << input;
    }
}

TEST(ImportHeader, BelowAnyTitlesWithColumnsInAnyOrderAndSpelling) {
    ExpectImports({
        {"english, blanks and dashes", "Host Name,Port,User-Name\n10.0.0.1,3390,bob", "10.0.0.1|3390|bob"},
        {"padded IP and Chinese", "  IP ,用户名, 密码 ,备注,分组\n10.0.0.2,张三,pw,前台,办公",
         "10.0.0.2|3389|张三|pw|前台|办公"},
        {"reordered, tabs", "备注\t端口号\t主机名\t口令\t账号\t组\n财务\t3391\tfin01\tpw\tacc\tg",
         "fin01|3391|acc|pw|财务|g"},
        {"semicolons, mixed case", "REMARK;PASS_WORD;Login;Server;TAG;PORT\nr;p;u;s;t;4000",
         "s|4000|u|p|r|t"},
        {"space-separated header", "host user\nh u", "h|3389|u"},
        {"host not first", "Name,Address,Port\nWeb,10.0.0.3,3392", "10.0.0.3|3392|||Web"},
        {"leftmost of two host columns", "host,ip,user,用户名\na,b,c,d", "a|3389|c"},
        {"row shorter than the header", "host,user,password,remark\nh1,u1", "h1|3389|u1"},
        {"quoted header cells", "\"Host\",\"User Name\"\n\"h\",\"u\"", "h|3389|u"},
        {"header without user column", "pwd,addr\np,h", "h|3389||p"},
        {"host with a blank under a header", "地址,用户名\nmy host,admin\nh2,u", "h2|3389|u", 1},
        {"first row without host word is data", "user,password,remark\nh,u,p",
         "user|3389|password|remark / h|3389|u|p"},
        {"a server line first means no header", "# exported\n\nh0\nhost,user\nh1,u1",
         "h0|3389 / host|3389|user / h1|3389|u1", 1},
        {"title", "服务器清单（2024年3月）\nIP地址,端口,用户名\n10.0.0.1,3390,admin", "10.0.0.1|3390|admin",
         1},
        {"title with a date, comment", "Exported 2024-03-01\n# c\nHost,User\nh,u", "h|3389|u", 2},
        {"title with a column name", "Server list\nHost,User\nh,u", "h|3389|u", 1},
        {"delimited host names without digits are servers", "nas,admin,pw1\nserver,root,pass",
         "nas|3389|admin|pw1 / server|3389|root|pass"},
        {"column words where the columns stand are data", "server,root,pass,note\nweb01,admin,pw",
         "server|3389|root|pass|note / web01|3389|admin|pw"},
        {"a header with a column of its own", "host,user,password,os\nh,u,p,win", "h|3389|u|p"},
        {"a numbered header", "序号,IP,密码\n1,10.0.0.9,pw", "10.0.0.9|3389||pw"},
        {"one column name below a title is data", "列表\nserver\nweb", "列表|3389 / server|3389 / web|3389"},
    });
}

TEST(ImportHeader, SplitsOnlyOnTheHeadersDelimiter) {
    ExpectImports({
        {"tab header", "地址\t用户名\t密码\t备注\n10.0.0.5\tadmin\tWinter2024;x\tSQL server, primary",
         "10.0.0.5|3389|admin|Winter2024;x|SQL server, primary"},
        {"semicolon header", "IP;备注\n10.0.0.1;A, B\t C", "10.0.0.1|3389|||A, B\t C"},
        {"a leading tab is an empty host cell", "地址\t用户名\n\tadmin\nh\tu", "h|3389|u", 1},
        {"a row without that delimiter", "地址,端口,用户名\n10.0.0.1;3390;admin", "10.0.0.1|3390|admin"},
        {"mixed delimiters split on all", "地址,端口;用户名\n10.0.0.1;3390,admin", "10.0.0.1|3390|admin"},
        {"delimiters after the last name do not count", "地址,用户名,\t\na,b\tc", "a|3389|b\tc"},
        {"a spreadsheet selection",
         "地址\t端口\t用户名\t密码\t备注\t分组\t分辨率\r\n"
         "10.0.0.1\t3389\tadmin\t=cmd\t\"一楼\r\n机房\"\t\t1920x1080\r\n"
         "10.0.0.2\t\t\t\t\t测试\t\r\n\t\t\t\t\t\t\r\n",
         "10.0.0.1|3389|admin|=cmd|一楼\r\n机房 / 10.0.0.2|3389||||测试"},
    });
}

// Refused whole: nothing of a text beyond the limits is imported.
TEST(ImportLimits, TooLargeOrTooManyServersGivesNone) {
    std::string lines;
    for (std::size_t i = 0; i < kMaxImportServers; ++i) lines += "h\n";
    const ImportedServers most = ImportServersFromText(lines);
    EXPECT_EQ(most.servers.size(), kMaxImportServers);
    EXPECT_EQ(most.refused, ImportRefusal::kNone);
    const ImportedServers tooMany = ImportServersFromText(lines + "# a comment\nh\n");
    EXPECT_TRUE(tooMany.servers.empty());
    EXPECT_EQ(tooMany.refused, ImportRefusal::kTooManyServers);
    std::string large = "h\n" + std::string(kMaxImportBytes - 2, ' ');
    EXPECT_EQ(ImportServersFromText(large).servers.size(), 1u);
    large.push_back(' ');
    const ImportedServers tooLarge = ImportServersFromText(large);
    EXPECT_TRUE(tooLarge.servers.empty());
    EXPECT_EQ(tooLarge.refused, ImportRefusal::kTooLarge);
}

// Decorates a header word the way people type it: blanks around, upper
// case, and separators that normalising deletes.
std::string Decorated(const std::string& alias) {
    std::string out = "  ";
    for (char c : alias) out.push_back((c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c);
    const std::size_t firstChar = (static_cast<unsigned char>(alias[0]) & 0x80) ? 3 : 1;
    if (alias.size() > firstChar) out.insert(2 + firstChar, " -\xE3\x80\x80");
    return out + "._\xC2\xA0 ";
}

// Every alias reads its column like the first one, which the pasted files
// below check field by field; "无关" names no column. The auto-connect
// column is known and read as nothing: a shared list never connects by
// itself.
TEST(ImportHeader, EveryAliasFindsItsColumn) {
    const std::vector<std::pair<std::string, std::string>> properties = {
        {"地址 主机 服务器 主机名 ip host hostname address server addr ip地址 ipaddress", "v"},
        {"端口 端口号 port", "3390"},
        {"用户名 用户 账号 账户 user username account login", "v"},
        {"域 domain", "v"},
        {"密码 口令 password passwd pwd pass", "v"},
        {"备注 说明 描述 名称 标题 remark note comment name desc description", "v"},
        {"分组 组 类别 group tag", "v"},
        {"色彩深度 颜色深度 色深 色彩 颜色 colordepth color depth", "16"},
        {"分辨率 尺寸 resolution size screen", "800x600"},
        {"智能缩放 缩放 smartsizing smart", "否"},
        {"自动连接 自启动 autoconnect auto", "是"},
    };
    for (const auto& p : properties) {
        const bool host = &p == &properties[0];
        const bool ignored = &p == &properties.back();
        // The column under test comes first, so that a miss cannot fall back
        // on the fixed columns by chance.
        const std::string rest = (host ? ",备注\n" : ",host\n") + p.second + ",x";
        const ServerRecord first = ImportOne(p.first.substr(0, p.first.find(' ')) + rest);
        EXPECT_TRUE(host ? first.host == "v" : ignored != !SameServer(first, ImportOne("无关" + rest)))
            << p.first;
        std::istringstream words(p.first);
        for (std::string alias; words >> alias;) {
            EXPECT_TRUE(SameServer(ImportOne(alias + rest), first)) << alias;
            EXPECT_TRUE(SameServer(ImportOne(Decorated(alias) + rest), first)) << alias;
        }
    }
    EXPECT_EQ(ImportOne("地址,域\nh,CORP").domain, "CORP");
}

TEST(ImportHeader, PortColumnOverridesHostPort) {
    // clang-format off
    const std::vector<std::pair<const char*, int>> cases = {
        {"h:5000,", 5000}, {"h:5000,abc", 5000}, {"h:5000,6000", 6000}, {"h:5000,99999999999", 3389},
        {"h,0", 3389}, {"h,65535", 65535}, {"h,65536", 3389}, {"h, 3390 ", 3390}, {"h,33 90", 3389},
        {"h,+3390", 3389}, {"h:99999999999,3390", 3390}, {"[::1]:5000,6000", 6000}};
    // clang-format on
    for (const auto& c : cases)
        EXPECT_EQ(ImportOne(std::string("host,port\n") + c.first).port, c.second) << c.first;
}

TEST(ImportCells, ColorDepthResolutionAndYesNo) {
    const std::vector<std::pair<const char*, int>> depths = {
        {"24", 24},    {"16", 16}, {"32", 32},  {" 24 ", 24},        {"15", 32},   {"8", 32},
        {"24bit", 32}, {"", 32},   {"+24", 32}, {"99999999999", 32}, {"0x18", 32}, {"024", 24},
    };
    for (const auto& c : depths)
        EXPECT_EQ(ImportOne(std::string("host,色深\nh,\"") + c.first + "\"").colorDepth, c.second) << c.first;
    // Both sides in 200-16384, or neither is set; "x" is looked for before "*".
    // clang-format off
    const std::vector<std::pair<const char*, const char*>> set = {
        {"1920x1080", "1920x1080"}, {"1920X1080", "1920x1080"}, {"1920*1080", "1920x1080"},
        {"1920 × 1080", "1920x1080"}, {"1920×1080", "1920x1080"}, {" 1920 x 1080 ", "1920x1080"},
        {"200x16384", "200x16384"}};
    const std::vector<const char*> unset = {
        "100x100", "199x1080", "1920x16385", "1920x", "x1080", "1920", "1920 1080", "1920x1080x32",
        "99999999999x1080", "1920x99999999999", "1920*1080x2", "1920,5x1080", ""};
    // clang-format on
    std::vector<std::pair<const char*, const char*>> sizes = set;
    for (const char* cell : unset) sizes.emplace_back(cell, "0x0");
    for (const auto& c : sizes) {
        const ServerRecord r = ImportOne(std::string("host,分辨率\nh,\"") + c.first + "\"");
        EXPECT_EQ(std::to_string(r.width) + "x" + std::to_string(r.height), c.second) << c.first;
    }
    // 1 yes, 0 no, -1 neither: smart sizing keeps its default (true) for
    // neither; auto-connect stays off whatever the list says.
    const std::vector<std::pair<const char*, int>> words = {
        {"1", 1},     {"y", 1}, {"YES", 1},    {"是", 1},    {"True", 1}, {"on", 1},    {"开", 1},
        {" Yes ", 1}, {"0", 0}, {"N", 0},      {"no", 0},    {"否", 0},   {"FALSE", 0}, {"Off", 0},
        {"关", 0},    {"", -1}, {"maybe", -1}, {"yess", -1}, {"2", -1},   {"是的", -1},
    };
    for (const auto& c : words) {
        const std::string cell = std::string("\"") + c.first + "\"";
        const ServerRecord r = ImportOne("地址,智能缩放,自动连接\nh," + cell + "," + cell);
        EXPECT_EQ(r.smartSizing, c.second != 0) << c.first;
        EXPECT_FALSE(r.autoConnect) << c.first;
    }
}

// In a file the export wrote (it opens with the export's header) one
// leading quote before a formula character, tab or carriage return is the
// export's guard and goes; in any other list a quote a person typed stays.
TEST(ImportFormulaGuard, DroppedOnlyInTheExportsOwnFiles) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"'=1+1", "=1+1"},    {"'+Pass", "+Pass"},    {"'-x", "-x"},    {"'@SUM(A1)", "@SUM(A1)"},
        {"''=x", "'=x"},      {"'''+y", "''+y"},      {"=cmd", "=cmd"}, {"+1", "+1"},
        {"'plain", "'plain"}, {"''plain", "''plain"}, {"'", "'"},       {"''", "''"},
        {"'@", "@"},          {"a'=b", "a'=b"},       {"'x=", "'x="},   {"'#x", "'#x"},
        {"'\tx", "\tx"},
    };
    const std::string exportHead = std::string(kExportHeader) + "\r\n";
    for (const auto& c : cases) {
        const std::string& v = c.first;
        const auto want = [](const std::string& f) { return "h|3389|" + f + "|" + f + "|" + f + "|" + f; };
        ExpectImports(
            {{"export's file", exportHead + "h,3389," + v + "," + v + "," + v + "," + v + ",32,,是,否",
              want(c.second)}});
        if (v.find('\t') != std::string::npos) continue;  // a tab separates the typed forms
        // Typed: the short form, the delimited and quoted forms and under
        // another header, with blanks that trimming removes.
        ExpectImports({
            {"short form", "h " + v + " " + v + " " + v + " " + v, want(v)},
            {"delimited", "h, " + v + " ," + v + "\t" + v + ";" + v, want(v)},
            {"quoted", "\"h\",\" " + v + "\",\"" + v + " \",\"" + v + "\",\"" + v + "\"", want(v)},
            {"header", "分组,备注,密码,用户名,地址\n" + v + "," + v + "," + v + "," + v + ",h", want(v)},
        });
    }
    ExpectImports({
        {"guarded hosts in the export's file", exportHead + "'=h,1\r\n'-h,3390\r\n", "=h|1 / -h|3390"},
        {"typed hosts", "'=h\n'-h:3390\n\" '@h :3391\"", "'=h|3389 / '-h|3390 / '@h|3391"},
        {"another header", "地址,端口\n-h,3390\n'=h,1", "-h|3390 / '=h|1"},
    });
}

}  // namespace

// Option columns are found under config.json's names in any spelling the
// header rules allow; a value that is none of an option's leaves it as it was.
TEST(ImportHeader, OptionColumnsSetTheConnectionOptions) {
    const ServerRecord got =
        ImportOne("host,user,Redirect-Clipboard,keyboardhook,gateway_port,audioMode\nh,u,否,local,8443,loud");
    ConnectionOptions want;
    want.redirectClipboard = false;
    want.keyboardHook = KeyboardHook::kLocal;
    want.gatewayPort = 8443;
    EXPECT_EQ(DescribeFields(got.options), DescribeFields(want));
    EXPECT_EQ(got.user, "u");
}
