#include "config/rdp_file.h"

#include <gtest/gtest.h>

#include <string>

#include "core/utf16.h"

namespace {

enum class Encoding { kUtf8, kUtf8Bom, kUtf16Le, kUtf16Be };

std::string Encode(const std::string& text, Encoding encoding) {
    switch (encoding) {
        case Encoding::kUtf8:
            return text;
        case Encoding::kUtf8Bom:
            return "\xEF\xBB\xBF" + text;
        case Encoding::kUtf16Le:
            return "\xFF\xFE" + Utf8ToUtf16LeBytes(text);
        default: {
            std::string bytes = Utf8ToUtf16LeBytes(text);
            for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) std::swap(bytes[i], bytes[i + 1]);
            return "\xFE\xFF" + bytes;
        }
    }
}

// The settings a file gave, in one line to compare.
std::string Summary(const RdpFileRead& read) {
    if (!read.ok) return "error: " + read.error;
    const ServerRecord& s = read.server;
    const ConnectionOptions& o = s.options;
    return s.host + " " + std::to_string(s.port) + " " + s.domain + "\\" + s.user + " " +
           std::to_string(s.width) + "x" + std::to_string(s.height) + " bpp" + std::to_string(s.colorDepth) +
           (s.fullscreenOnConnect ? " full" : " window") + (s.smartSizing ? " smart" : " exact") + " gw" +
           std::to_string(static_cast<int>(o.gatewayMode)) + ":" + o.gatewayHost + ":" +
           std::to_string(o.gatewayPort) + (o.gatewayBypassLocal ? "/bypass" : "") +
           (o.gatewayCredentials == GatewayCredentials::kOwn ? "/own" : "/same") + " clip" +
           std::to_string(o.redirectClipboard) + " drives" +
           std::to_string(static_cast<int>(o.redirectDrives)) + o.driveLetters + " prn" +
           std::to_string(o.redirectPrinters) + " sc" + std::to_string(o.redirectSmartCards) + " audio" +
           std::to_string(static_cast<int>(o.audioMode)) + " mic" + std::to_string(o.redirectMicrophone) +
           " admin" + std::to_string(o.adminSession) + " auth" +
           std::to_string(static_cast<int>(o.serverAuth)) + " keys" +
           std::to_string(static_cast<int>(o.keyboardHook)) + " ignored" + std::to_string(read.ignored);
}

const char kDefaults[] =
    "window smart gw0::443/bypass/same clip1 drives0 prn0 sc0 audio0 mic0 admin0 auth0 keys1";

TEST(RdpFile, ReadsEveryEncodingAlike) {
    const struct {
        std::string name;
        std::string text;
        std::string expected;
    } cases[] = {
        {"what Windows writes",
         "screen mode id:i:2\r\nuse multimon:i:0\r\ndesktopwidth:i:1920\r\ndesktopheight:i:1080\r\n"
         "session bpp:i:24\r\nfull address:s:srv.corp:3390\r\nusername:s:CORP\\alice\r\n"
         "smart sizing:i:0\r\nredirectclipboard:i:0\r\ndrivestoredirect:s:C:\\;e:\\;\r\n"
         "redirectprinters:i:1\r\nredirectsmartcards:i:1\r\naudiomode:i:1\r\naudiocapturemode:i:1\r\n"
         "administrative session:i:1\r\nauthentication level:i:1\r\nkeyboardhook:i:0\r\n"
         "gatewayhostname:s:gw.corp:8443\r\ngatewayusagemethod:i:1\r\ngatewayprofileusagemethod:i:1\r\n"
         "gatewaycredentialssource:i:0\r\npromptcredentialonce:i:0\r\n",
         "srv.corp 3390 CORP\\alice 1920x1080 bpp24 full exact gw1:gw.corp:8443/own clip0 drives2CE prn1 sc1 "
         "audio1 mic1 admin1 auth1 keys2 ignored1"},
        {"address alone", "full address:s:10.0.0.5\n",
         std::string("10.0.0.5 3389 \\ 0x0 bpp32 ") + kDefaults + " ignored0"},
        {"server port, v6, Chinese names, gateway detected",
         "full address:s:fe80::1\nserver port:i:3391\nusername:s:用户\ndomain:s:域\ngatewayusagemethod:i:2\n"
         "gatewayhostname:s:\ndrivestoredirect:s:*\n",
         "fe80::1 3391 域\\用户 0x0 bpp32 window smart gw2::443/bypass/same clip1 drives1 prn0 sc0 audio0 "
         "mic0 "
         "admin0 auth0 keys1 ignored0"},
        {"bracketed v6 with port, bypass and upper-case keys",
         "Full Address:s:[::1]:3392\nGatewayHostName:s:gw\n"
         "gatewayusagemethod:i:2\nauthentication level:i:3\n",
         "::1 3392 \\ 0x0 bpp32 window smart gw1:gw:443/bypass/same clip1 drives0 prn0 sc0 audio0 mic0 "
         "admin0 "
         "auth0 keys1 ignored0"},
        {"unknown, binary, malformed, out of range and wrong-typed lines count",
         "full address:s:h\nalternate shell:s:cmd.exe\npassword 51:b:01000000D08C\nno colon here\n"
         "keyboardhook:i:3\nsession bpp:i:12\naudiomode:s:1\ndesktopwidth:i:100\nx:i\n\n   \n"
         "gatewayhostname:s:gw:https\n",
         std::string("h 3389 \\ 0x0 bpp32 ") + kDefaults + " ignored9"},
        {"control characters never reach a field",
         "full address:s:h\x01ost\nusername:s:a\x7f\x1b"
         "b\n",
         std::string("host 3389 \\ab 0x0 bpp32 ") + kDefaults + " ignored0"},
        {"no address", "username:s:alice\n", "error: 文件里没有远程计算机的地址（full address）"},
        {"an address with a bad port", "full address:s:h:99999\n",
         "error: 文件里没有远程计算机的地址（full address）"},
        {"an empty address", "full address:s:   \n", "error: 文件里没有远程计算机的地址（full address）"},
    };
    for (const auto& c : cases) {
        for (Encoding encoding :
             {Encoding::kUtf8, Encoding::kUtf8Bom, Encoding::kUtf16Le, Encoding::kUtf16Be}) {
            EXPECT_EQ(Summary(ReadRdpFile(Encode(c.text, encoding))), c.expected)
                << c.name << ", encoding " << static_cast<int>(encoding);
        }
    }
}

TEST(RdpFile, HostileFilesAreRefusedWhole) {
    const std::string line = "full address:s:h\n";
    std::string big(kRdpFileMaxBytes + 1, 'a');
    std::string many;
    for (std::size_t i = 0; i <= kRdpFileMaxLines; ++i) many += line;
    EXPECT_EQ(Summary(ReadRdpFile(big)), "error: 文件过大，不像远程桌面文件");
    EXPECT_EQ(Summary(ReadRdpFile(many)), "error: 文件行数过多，不像远程桌面文件");
    // A value past the cap is left out, not cut short.
    const RdpFileRead longUser = ReadRdpFile(line + "username:s:" + std::string(kRdpValueMaxBytes + 1, 'u'));
    EXPECT_TRUE(longUser.ok);
    EXPECT_EQ(longUser.server.user, "");
    EXPECT_EQ(longUser.ignored, 1);
    // Broken UTF-16 and UTF-8 read as replacement characters.
    EXPECT_EQ(ReadRdpFile("\xFF\xFE" + Utf8ToUtf16LeBytes("full address:s:a") + std::string("\x00\xD8", 2))
                  .server.host,
              "a\xEF\xBF\xBD");
    EXPECT_EQ(ReadRdpFile("full address:s:a\xC0\xAF").server.host, "a\xEF\xBF\xBD\xEF\xBF\xBD");
}

ServerRecord Sample() {
    ServerRecord s;
    s.id = "0123456789abcdef";
    s.host = "srv.corp";
    s.port = 3390;
    s.user = "alice";
    s.domain = "CORP";
    s.password = "secret-pw";
    s.width = 1280;
    s.height = 720;
    s.colorDepth = 16;
    s.smartSizing = false;
    s.options.gatewayMode = GatewayMode::kExplicit;
    s.options.gatewayHost = "gw.corp";
    s.options.gatewayPort = 8443;
    s.options.gatewayCredentials = GatewayCredentials::kOwn;
    s.options.gatewayUser = "gwuser";
    s.options.gatewayPassword = "gw-secret";
    s.options.redirectDrives = DriveRedirection::kChosen;
    s.options.driveLetters = "DE";
    s.options.keyboardHook = KeyboardHook::kRemote;
    return s;
}

TEST(RdpFile, WritesWhatWindowsReadsWithoutPasswords) {
    const std::string bytes = WriteRdpFile(Sample());
    ASSERT_EQ(bytes.substr(0, 2), "\xFF\xFE");
    EXPECT_EQ(Utf16BytesToUtf8(bytes.substr(2), false),
              "full address:s:srv.corp:3390\r\nusername:s:alice\r\ndomain:s:CORP\r\nscreen mode id:i:1\r\n"
              "desktopwidth:i:1280\r\ndesktopheight:i:720\r\nsession bpp:i:16\r\nsmart sizing:i:0\r\n"
              "redirectclipboard:i:1\r\nredirectprinters:i:0\r\nredirectsmartcards:i:0\r\naudiomode:i:0\r\n"
              "audiocapturemode:i:0\r\nadministrative session:i:0\r\nauthentication level:i:2\r\n"
              "keyboardhook:i:1\r\ndrivestoredirect:s:D:\\;E:\\;\r\ngatewayhostname:s:gw.corp:8443\r\n"
              "gatewayusagemethod:i:2\r\ngatewayprofileusagemethod:i:1\r\ngatewaycredentialssource:i:0\r\n"
              "promptcredentialonce:i:0\r\n");
    // A text with a line end cannot add a setting of its own.
    ServerRecord hostile = Sample();
    hostile.user = "eve\r\nalternate shell:s:cmd.exe";
    const RdpFileRead back = ReadRdpFile(WriteRdpFile(hostile));
    EXPECT_EQ(back.server.user, "evealternate shell:s:cmd.exe");
    EXPECT_EQ(back.ignored, 0);
}

TEST(RdpFile, WhatIsWrittenReadsBackTheSame) {
    ServerRecord chosen = Sample();
    ServerRecord v6 = Sample();
    v6.host = "fe80::2";
    v6.fullscreenOnConnect = true;
    v6.options = ConnectionOptions();
    v6.options.gatewayMode = GatewayMode::kDetect;
    v6.options.redirectDrives = DriveRedirection::kAll;
    v6.options.audioMode = AudioMode::kOff;
    v6.options.serverAuth = ServerAuth::kRefuse;
    v6.options.adminSession = true;
    // An IPv6 host at the default port reads back as itself too.
    ServerRecord oneColon = Sample();
    oneColon.host = "::1";
    oneColon.port = 3389;
    for (const ServerRecord& s : {chosen, v6, oneColon}) {
        const RdpFileRead read = ReadRdpFile(WriteRdpFile(s));
        ServerRecord expected = s;
        expected.id.clear();
        expected.password.clear();
        expected.options.gatewayPassword.clear();
        expected.options.gatewayUser.clear();  // the list has no key for it
        RdpFileRead wanted;
        wanted.ok = true;
        wanted.server = expected;
        EXPECT_EQ(Summary(read), Summary(wanted)) << s.host;
    }
}

}  // namespace
