// What a connection asks of the remote desktop beyond its address and the
// logon: the gateway, the local resources the session may use, the
// administrative session, server authentication and where the Windows key
// combinations go. Every default is what a connection did before these
// options existed. Two tables carry the options out: one to the RDP
// control's settings objects, one to the lines of a .rdp file.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "config/record_fields.h"

enum class GatewayMode { kNone, kExplicit, kDetect };
enum class GatewayCredentials { kSameAsServer, kOwn };
enum class DriveRedirection { kNone, kAll, kChosen };
enum class AudioMode { kLocal, kRemote, kOff };
enum class ServerAuth { kWarn, kRefuse };
enum class KeyboardHook { kRemote, kFullScreenOnly, kLocal };
// The names config.json and the page keep them under.
TAVOLIN_ENUM_NAMES(GatewayMode, "none", "explicit", "detect");
TAVOLIN_ENUM_NAMES(GatewayCredentials, "server", "own");
TAVOLIN_ENUM_NAMES(DriveRedirection, "none", "all", "chosen");
TAVOLIN_ENUM_NAMES(AudioMode, "local", "remote", "off");
TAVOLIN_ENUM_NAMES(ServerAuth, "warn", "refuse");
TAVOLIN_ENUM_NAMES(KeyboardHook, "remote", "fullscreen", "local");

constexpr int kDefaultGatewayPort = 443;

// A server's options, stored in the server's object in config.json and the
// page's list (config/app_config.h says how a row reads), each only when it
// is not its default: a file of an earlier version saves back as it was, and
// the list stays small. driveLetters: upper-case
// letters A to Z, each once, in order (NormalizeDriveLetters).
// clang-format off
#define TAVOLIN_OPTION_FIELDS(X)                                                                                                  \
    X(GatewayMode, gatewayMode, "gatewayMode", GatewayMode::kNone, kPage | kOmittedAtDefault)                                     \
    X(std::string, gatewayHost, "gatewayHost", "", kPage | kTrimmed | kOmittedAtDefault)                                          \
    X(int, gatewayPort, "gatewayPort", kDefaultGatewayPort, InRange(1, 65535) | kPage | kOmittedAtDefault)                        \
    X(GatewayCredentials, gatewayCredentials, "gatewayCredentials", GatewayCredentials::kSameAsServer, kPage | kOmittedAtDefault) \
    X(std::string, gatewayUser, "gatewayUser", "", kPage | kTrimmed | kOmittedAtDefault)                                          \
    X(std::string, gatewayDomain, "gatewayDomain", "", kPage | kTrimmed | kOmittedAtDefault)                                      \
    X(std::string, sealedGatewayPassword, "gatewayPassword", "", kSecret | kPage | kOmittedAtDefault)                             \
    X(bool, gatewayBypassLocal, "gatewayBypassLocal", true, kPage | kOmittedAtDefault)                                            \
    X(bool, redirectClipboard, "redirectClipboard", true, kPage | kOmittedAtDefault)                                              \
    X(DriveRedirection, redirectDrives, "redirectDrives", DriveRedirection::kNone, kPage | kOmittedAtDefault)                     \
    X(std::string, driveLetters, "driveLetters", "", kPage | kTrimmed | kOmittedAtDefault)                                        \
    X(bool, redirectPrinters, "redirectPrinters", false, kPage | kOmittedAtDefault)                                               \
    X(bool, redirectSmartCards, "redirectSmartCards", false, kPage | kOmittedAtDefault)                                           \
    X(AudioMode, audioMode, "audioMode", AudioMode::kLocal, kPage | kOmittedAtDefault)                                            \
    X(bool, redirectMicrophone, "redirectMicrophone", false, kPage | kOmittedAtDefault)                                           \
    X(bool, adminSession, "adminSession", false, kPage | kOmittedAtDefault)                                                       \
    X(ServerAuth, serverAuth, "serverAuth", ServerAuth::kWarn, kPage | kOmittedAtDefault)                                         \
    X(KeyboardHook, keyboardHook, "keyboardHook", KeyboardHook::kFullScreenOnly, kPage | kOmittedAtDefault)                       \
    /* rows end here */
// clang-format on

struct ConnectionOptions {
    TAVOLIN_RECORD_FIELDS(TAVOLIN_OPTION_FIELDS)
    // Not stored. Plain text, only on a transient copy (a connection's, or
    // one on its way in); whoever holds it clears it when done.
    std::string gatewayPassword;
};

// The drive letters in text, upper-cased, each once, in alphabetical order;
// everything that is not a letter A to Z is dropped.
std::string NormalizeDriveLetters(std::string_view text);

// "host" for the default port, "host:port" otherwise ("[v6]:port" for an
// IPv6 address); empty without a host.
std::string GatewayAddress(const ConnectionOptions& options);

// ---- To the control ----

// The control's settings objects, by the property that hands each out:
// "AdvancedSettings<N>", "SecuredSettings<N>", "TransportSettings<N>" (N 1
// is the name without a number).
enum class ControlObject { kAdvanced, kSecured, kTransport };

enum class SettingType { kBool, kInt, kUInt, kString };

struct ControlSetting {
    ControlObject object;
    // The N of the first settings object of the family whose interface
    // declares the member.
    int since;
    const char* name;
    SettingType type;
    long number;       // kBool (0 or 1), kInt, kUInt
    std::string text;  // kString
    // False when the value is what the control does anyway: a control too
    // old for the member then needs no warning.
    bool asked;
};

// The server's own logon, which "same as the server's" gateway credentials
// take.
struct ServerLogon {
    std::string user;
    std::string domain;
    std::string password;
};

// Every member a connection puts, in the order it puts them.
std::vector<ControlSetting> ControlSettingsFor(const ConnectionOptions& options, const ServerLogon& logon);

// ---- To and from a .rdp file ----

struct RdpLine {
    std::string key;  // lower case, as the documented list spells it
    char type;        // 'i' or 's'
    std::string value;
};

// The lines that carry the options. Never a password.
std::vector<RdpLine> RdpLinesFor(const ConnectionOptions& options);

// Takes the lines of a .rdp file that carry options, in any order.
class RdpOptionReader {
public:
    enum class Take { kNotAnOption, kTaken, kRefused };
    // key in lower case; a value of the wrong type or outside the documented
    // range is refused and changes nothing.
    Take Line(const std::string& key, char type, const std::string& value);
    // The options, the gateway decided from its lines together.
    ConnectionOptions Finish() const;

private:
    ConnectionOptions options_;
    long usage_ = -1;
    long profile_ = -1;
    long credentialsSource_ = -1;
    long promptOnce_ = -1;
};
