#include "rdp/connection_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const char* FamilyName(ControlObject object) {
    switch (object) {
        case ControlObject::kAdvanced:
            return "Advanced";
        case ControlObject::kSecured:
            return "Secured";
        default:
            return "Transport";
    }
}

// "Family<since>.Name=value" for every member put, "!" after the ones asked
// for beyond what the control does anyway.
std::vector<std::string> Puts(const ConnectionOptions& options, const ServerLogon& logon = {}) {
    std::vector<std::string> lines;
    for (const ControlSetting& s : ControlSettingsFor(options, logon)) {
        const std::string value = s.type == SettingType::kString ? s.text : std::to_string(s.number);
        lines.push_back(std::string(FamilyName(s.object)) + std::to_string(s.since) + "." + s.name + "=" +
                        value + (s.asked ? "!" : ""));
    }
    return lines;
}

TEST(ConnectionOptions, DefaultsPutWhatTheControlDoesAnyway) {
    EXPECT_EQ(
        Puts(ConnectionOptions()),
        (std::vector<std::string>{"Advanced2.RedirectDrives=0", "Advanced2.RedirectPrinters=0",
                                  "Advanced2.RedirectSmartCards=0", "Advanced5.AuthenticationLevel=2",
                                  "Advanced6.RedirectClipboard=1", "Advanced7.ConnectToAdministerServer=0",
                                  "Advanced8.AudioCaptureRedirectionMode=0",
                                  "Secured2.AudioRedirectionMode=0", "Secured2.KeyboardHookMode=2"}));
}

TEST(ConnectionOptions, EachLocalOptionReachesItsMember) {
    const struct {
        void (*change)(ConnectionOptions*);
        std::string put;
    } cases[] = {
        {[](ConnectionOptions* o) { o->redirectDrives = DriveRedirection::kAll; },
         "Advanced2.RedirectDrives=1!"},
        {[](ConnectionOptions* o) { o->redirectPrinters = true; }, "Advanced2.RedirectPrinters=1!"},
        {[](ConnectionOptions* o) { o->redirectSmartCards = true; }, "Advanced2.RedirectSmartCards=1!"},
        {[](ConnectionOptions* o) { o->serverAuth = ServerAuth::kRefuse; },
         "Advanced5.AuthenticationLevel=1!"},
        {[](ConnectionOptions* o) { o->redirectClipboard = false; }, "Advanced6.RedirectClipboard=0!"},
        {[](ConnectionOptions* o) { o->adminSession = true; }, "Advanced7.ConnectToAdministerServer=1!"},
        {[](ConnectionOptions* o) { o->redirectMicrophone = true; },
         "Advanced8.AudioCaptureRedirectionMode=1!"},
        {[](ConnectionOptions* o) { o->audioMode = AudioMode::kRemote; }, "Secured2.AudioRedirectionMode=1!"},
        {[](ConnectionOptions* o) { o->audioMode = AudioMode::kOff; }, "Secured2.AudioRedirectionMode=2!"},
        {[](ConnectionOptions* o) { o->keyboardHook = KeyboardHook::kRemote; },
         "Secured2.KeyboardHookMode=1!"},
        {[](ConnectionOptions* o) { o->keyboardHook = KeyboardHook::kLocal; },
         "Secured2.KeyboardHookMode=0!"},
    };
    // The asked-for value takes the place of its member's default; nothing
    // else changes.
    const std::vector<std::string> usual = Puts(ConnectionOptions());
    for (const auto& c : cases) {
        ConnectionOptions options;
        c.change(&options);
        std::vector<std::string> expected = usual;
        for (std::string& put : expected) {
            if (put.compare(0, put.find('=') + 1, c.put, 0, c.put.find('=') + 1) == 0) put = c.put;
        }
        EXPECT_EQ(Puts(options), expected) << c.put;
    }
}

std::vector<std::string> GatewayPuts(const ConnectionOptions& options, const ServerLogon& logon = {}) {
    std::vector<std::string> gateway;
    for (const std::string& put : Puts(options, logon)) {
        if (put.compare(0, 9, "Transport") == 0) gateway.push_back(put);
    }
    return gateway;
}

TEST(ConnectionOptions, TheGatewayGoesToTheTransportSettings) {
    ConnectionOptions options;
    EXPECT_TRUE(GatewayPuts(options).empty());
    options.gatewayMode = GatewayMode::kExplicit;
    options.gatewayHost = "gw.corp";
    options.gatewayPort = 8443;
    options.gatewayBypassLocal = false;
    // Same as the server's without a saved password: one prompt for both.
    EXPECT_EQ(GatewayPuts(options),
              (std::vector<std::string>{
                  "Transport1.GatewayHostname=gw.corp:8443!", "Transport1.GatewayProfileUsageMethod=1!",
                  "Transport1.GatewayUsageMethod=1!", "Transport1.GatewayCredsSource=4!",
                  "Transport2.GatewayCredSharing=1!"}));
    // With a saved password the gateway gets that logon outright.
    EXPECT_EQ(GatewayPuts(options, {"alice", "CORP", "pw"}),
              (std::vector<std::string>{
                  "Transport1.GatewayHostname=gw.corp:8443!", "Transport1.GatewayProfileUsageMethod=1!",
                  "Transport1.GatewayUsageMethod=1!", "Transport1.GatewayCredsSource=4!",
                  "Transport2.GatewayCredSharing=0!", "Transport2.GatewayUsername=alice!",
                  "Transport2.GatewayDomain=CORP!", "Transport2.GatewayPassword=pw!"}));
    options.gatewayCredentials = GatewayCredentials::kOwn;
    options.gatewayUser = "gwuser";
    options.gatewayBypassLocal = true;
    options.gatewayPort = 443;
    EXPECT_EQ(GatewayPuts(options, {"alice", "CORP", "pw"}),
              (std::vector<std::string>{
                  "Transport1.GatewayHostname=gw.corp!", "Transport1.GatewayProfileUsageMethod=1!",
                  "Transport1.GatewayUsageMethod=2!", "Transport1.GatewayCredsSource=0!",
                  "Transport2.GatewayCredSharing=0!", "Transport2.GatewayUsername=gwuser!",
                  "Transport2.GatewayDomain=!"}));
    options.gatewayMode = GatewayMode::kDetect;
    EXPECT_EQ(GatewayPuts(options)[0], "Transport1.GatewayProfileUsageMethod=0!");
}

TEST(ConnectionOptions, AddressesAndDriveLetters) {
    const struct {
        std::string host;
        int port;
        std::string address;
    } addresses[] = {{"", 8443, ""},
                     {"gw", 443, "gw"},
                     {"gw", 0, "gw"},
                     {"gw", 8443, "gw:8443"},
                     {"fe80::1", 8443, "[fe80::1]:8443"},
                     {"[fe80::1]", 8443, "[fe80::1]:8443"}};
    for (const auto& a : addresses) {
        ConnectionOptions options;
        options.gatewayHost = a.host;
        options.gatewayPort = a.port;
        EXPECT_EQ(GatewayAddress(options), a.address) << a.host;
    }
    EXPECT_EQ(NormalizeDriveLetters("e:c;Dz1c"), "CDEZ");
    EXPECT_EQ(NormalizeDriveLetters("中文 1;:"), "");
}

// The file's table is tested through the reader and writer
// (tests/config/rdp_file_test.cpp); here, what each value refuses.
TEST(ConnectionOptions, RdpLinesOutsideTheirRangeAreRefused) {
    const struct {
        const char* key;
        char type;
        const char* value;
        RdpOptionReader::Take take;
    } cases[] = {
        {"keyboardhook", 'i', "3", RdpOptionReader::Take::kRefused},  // RemoteApp only
        {"keyboardhook", 's', "1", RdpOptionReader::Take::kRefused},
        {"audiomode", 'i', "-1", RdpOptionReader::Take::kRefused},
        {"audiomode", 'i', "2", RdpOptionReader::Take::kTaken},
        {"gatewayusagemethod", 'i', "5", RdpOptionReader::Take::kRefused},
        {"drivestoredirect", 's', "DynamicDrives", RdpOptionReader::Take::kRefused},
        {"drivestoredirect", 's', "DynamicDrives;D:\\", RdpOptionReader::Take::kTaken},
        {"redirectclipboard", 'i', "99999999999", RdpOptionReader::Take::kRefused},
        {"alternate shell", 's', "cmd.exe", RdpOptionReader::Take::kNotAnOption},
    };
    for (const auto& c : cases) {
        RdpOptionReader reader;
        EXPECT_EQ(reader.Line(c.key, c.type, c.value), c.take) << c.key << " " << c.value;
    }
}

}  // namespace
