#include "rdp/connection_options.h"

#include <cctype>

#include "core/host_port.h"
#include "core/text.h"

std::string NormalizeDriveLetters(std::string_view text) {
    bool present[26] = {};
    for (char c : text) {
        if (c >= 'a' && c <= 'z') present[c - 'a'] = true;
        if (c >= 'A' && c <= 'Z') present[c - 'A'] = true;
    }
    std::string letters;
    for (int i = 0; i < 26; ++i) {
        if (present[i]) letters += static_cast<char>('A' + i);
    }
    return letters;
}

std::string GatewayAddress(const ConnectionOptions& options) {
    if (options.gatewayHost.empty()) return std::string();
    return FormatHostPort(options.gatewayHost, options.gatewayPort, kDefaultGatewayPort);
}

namespace {

// ---- The control ----

// The documented values of the members below:
// learn.microsoft.com/windows/win32/termserv/imsrdpclienttransportsettings-gatewayusagemethod
// (TSC_PROXY_MODE_*), -gatewayprofileusagemethod (TSC_PROXY_PROFILE_MODE_*),
// -gatewaycredssource (TSC_PROXY_CREDS_MODE_*);
// imsrdpclientadvancedsettings4-authenticationlevel;
// imsrdpclientsecuredsettings-keyboardhookmode and -autoredirectionmode.
constexpr long kProxyModeDirect = 1;
constexpr long kProxyModeDetect = 2;
constexpr long kProfileDefault = 0;
constexpr long kProfileExplicit = 1;
constexpr long kCredsUserPass = 0;
constexpr long kCredsAny = 4;
constexpr long kAuthRequired = 1;
constexpr long kAuthWarn = 2;

struct ControlInput {
    const ConnectionOptions& options;
    const ServerLogon& logon;
};

struct ControlValue {
    long number;
    std::string text;
};

struct ControlRow {
    ControlObject object;
    int since;
    const char* name;
    SettingType type;
    bool (*applies)(const ControlInput&);
    ControlValue (*value)(const ControlInput&);
};

bool Always(const ControlInput&) {
    return true;
}
bool ViaGateway(const ControlInput& in) {
    return in.options.gatewayMode != GatewayMode::kNone;
}
bool ViaNamedGateway(const ControlInput& in) {
    return in.options.gatewayMode == GatewayMode::kExplicit;
}
// "Same as the server's" with a saved password gives the gateway that
// logon outright: credential sharing "does not support ... GatewayPassword
// or ClearTextPassword" (imsrdpclienttransportsettings2-gatewaycredsharing),
// so with a saved password it would ask again.
bool SharesSavedLogon(const ControlInput& in) {
    return in.options.gatewayCredentials == GatewayCredentials::kSameAsServer && !in.logon.password.empty();
}
bool GivesGatewayLogon(const ControlInput& in) {
    return ViaGateway(in) &&
           (in.options.gatewayCredentials == GatewayCredentials::kOwn || SharesSavedLogon(in));
}
bool GivesGatewayPassword(const ControlInput& in) {
    const bool own = in.options.gatewayCredentials == GatewayCredentials::kOwn;
    return GivesGatewayLogon(in) && !(own ? in.options.gatewayPassword : in.logon.password).empty();
}
ControlValue Flag(bool on) {
    return ControlValue{on ? 1 : 0, std::string()};
}
ControlValue Number(long number) {
    return ControlValue{number, std::string()};
}
ControlValue Text(const std::string& text) {
    return ControlValue{0, text};
}
bool OwnGatewayLogon(const ControlInput& in) {
    return in.options.gatewayCredentials == GatewayCredentials::kOwn;
}

const ControlRow kControlRows[] = {
    {ControlObject::kTransport, 1, "GatewayHostname", SettingType::kString, ViaNamedGateway,
     [](const ControlInput& in) { return Text(GatewayAddress(in.options)); }},
    {ControlObject::kTransport, 1, "GatewayProfileUsageMethod", SettingType::kUInt, ViaGateway,
     [](const ControlInput& in) {
         return Number(in.options.gatewayMode == GatewayMode::kExplicit ? kProfileExplicit : kProfileDefault);
     }},
    {ControlObject::kTransport, 1, "GatewayUsageMethod", SettingType::kUInt, ViaGateway,
     [](const ControlInput& in) {
         const bool bypass = in.options.gatewayMode == GatewayMode::kDetect || in.options.gatewayBypassLocal;
         return Number(bypass ? kProxyModeDetect : kProxyModeDirect);
     }},
    {ControlObject::kTransport, 1, "GatewayCredsSource", SettingType::kUInt, ViaGateway,
     [](const ControlInput& in) { return Number(OwnGatewayLogon(in) ? kCredsUserPass : kCredsAny); }},
    {ControlObject::kTransport, 2, "GatewayCredSharing", SettingType::kUInt, ViaGateway,
     [](const ControlInput& in) { return Flag(!OwnGatewayLogon(in) && !SharesSavedLogon(in)); }},
    {ControlObject::kTransport, 2, "GatewayUsername", SettingType::kString, GivesGatewayLogon,
     [](const ControlInput& in) {
         return Text(OwnGatewayLogon(in) ? in.options.gatewayUser : in.logon.user);
     }},
    {ControlObject::kTransport, 2, "GatewayDomain", SettingType::kString, GivesGatewayLogon,
     [](const ControlInput& in) {
         return Text(OwnGatewayLogon(in) ? in.options.gatewayDomain : in.logon.domain);
     }},
    {ControlObject::kTransport, 2, "GatewayPassword", SettingType::kString, GivesGatewayPassword,
     [](const ControlInput& in) {
         return Text(OwnGatewayLogon(in) ? in.options.gatewayPassword : in.logon.password);
     }},
    // Chosen letters go through the drive collection instead (the session).
    {ControlObject::kAdvanced, 2, "RedirectDrives", SettingType::kBool, Always,
     [](const ControlInput& in) { return Flag(in.options.redirectDrives == DriveRedirection::kAll); }},
    {ControlObject::kAdvanced, 2, "RedirectPrinters", SettingType::kBool, Always,
     [](const ControlInput& in) { return Flag(in.options.redirectPrinters); }},
    {ControlObject::kAdvanced, 2, "RedirectSmartCards", SettingType::kBool, Always,
     [](const ControlInput& in) { return Flag(in.options.redirectSmartCards); }},
    {ControlObject::kAdvanced, 5, "AuthenticationLevel", SettingType::kInt, Always,
     [](const ControlInput& in) {
         return Number(in.options.serverAuth == ServerAuth::kRefuse ? kAuthRequired : kAuthWarn);
     }},
    {ControlObject::kAdvanced, 6, "RedirectClipboard", SettingType::kBool, Always,
     [](const ControlInput& in) { return Flag(in.options.redirectClipboard); }},
    // Not ConnectToServerConsole: its page says it is not supported and
    // always gives S_FALSE (imsrdpclientadvancedsettings-connecttoserverconsole).
    {ControlObject::kAdvanced, 7, "ConnectToAdministerServer", SettingType::kBool, Always,
     [](const ControlInput& in) { return Flag(in.options.adminSession); }},
    {ControlObject::kAdvanced, 8, "AudioCaptureRedirectionMode", SettingType::kBool, Always,
     [](const ControlInput& in) { return Flag(in.options.redirectMicrophone); }},
    {ControlObject::kSecured, 2, "AudioRedirectionMode", SettingType::kInt, Always,
     [](const ControlInput& in) { return Number(static_cast<long>(in.options.audioMode)); }},
    {ControlObject::kSecured, 2, "KeyboardHookMode", SettingType::kInt, Always,
     [](const ControlInput& in) {
         switch (in.options.keyboardHook) {
             case KeyboardHook::kLocal:
                 return Number(0);
             case KeyboardHook::kRemote:
                 return Number(1);
             default:
                 return Number(2);
         }
     }},
};

}  // namespace

std::vector<ControlSetting> ControlSettingsFor(const ConnectionOptions& options, const ServerLogon& logon) {
    const ConnectionOptions defaults;
    const ServerLogon noLogon;
    const ControlInput in{options, logon};
    const ControlInput usual{defaults, noLogon};
    std::vector<ControlSetting> settings;
    for (const ControlRow& row : kControlRows) {
        if (!row.applies(in)) continue;
        const ControlValue value = row.value(in);
        // A gateway is never what the control does anyway.
        const bool usualToo = row.applies(usual);
        const ControlValue usualValue = usualToo ? row.value(usual) : ControlValue{};
        const bool asked = !usualToo || value.number != usualValue.number || value.text != usualValue.text;
        settings.push_back(
            ControlSetting{row.object, row.since, row.name, row.type, value.number, value.text, asked});
    }
    return settings;
}

// ---- The .rdp file ----
// Keys and values from Microsoft's list of supported RDP file settings
// (learn.microsoft.com/azure/virtual-desktop/rdp-properties, formerly
// "Supported Remote Desktop RDP file settings"); "administrative session"
// from the same list's Remote Desktop Connection edition (mstsc /admin).

namespace {

struct RdpRow {
    const char* key;
    char type;
    long low, high;  // the documented range of an 'i' value
    long (*write)(const ConnectionOptions&);
    void (*read)(long, ConnectionOptions*);
};

const RdpRow kRdpRows[] = {
    {"redirectclipboard", 'i', 0, 1, [](const ConnectionOptions& o) -> long { return o.redirectClipboard; },
     [](long v, ConnectionOptions* o) { o->redirectClipboard = v != 0; }},
    {"redirectprinters", 'i', 0, 1, [](const ConnectionOptions& o) -> long { return o.redirectPrinters; },
     [](long v, ConnectionOptions* o) { o->redirectPrinters = v != 0; }},
    {"redirectsmartcards", 'i', 0, 1, [](const ConnectionOptions& o) -> long { return o.redirectSmartCards; },
     [](long v, ConnectionOptions* o) { o->redirectSmartCards = v != 0; }},
    {"audiomode", 'i', 0, 2,
     [](const ConnectionOptions& o) -> long { return static_cast<long>(o.audioMode); },
     [](long v, ConnectionOptions* o) { o->audioMode = static_cast<AudioMode>(v); }},
    {"audiocapturemode", 'i', 0, 1, [](const ConnectionOptions& o) -> long { return o.redirectMicrophone; },
     [](long v, ConnectionOptions* o) { o->redirectMicrophone = v != 0; }},
    {"administrative session", 'i', 0, 1, [](const ConnectionOptions& o) -> long { return o.adminSession; },
     [](long v, ConnectionOptions* o) { o->adminSession = v != 0; }},
    // 0 (connect without warning) and 3 (no requirement) are no choice of
    // ours; they read as the warning, the nearest that still tells.
    {"authentication level", 'i', 0, 3,
     [](const ConnectionOptions& o) -> long { return o.serverAuth == ServerAuth::kRefuse ? 1 : 2; },
     [](long v, ConnectionOptions* o) { o->serverAuth = v == 1 ? ServerAuth::kRefuse : ServerAuth::kWarn; }},
    // 3 is for RemoteApp sessions only.
    {"keyboardhook", 'i', 0, 2,
     [](const ConnectionOptions& o) -> long {
         return o.keyboardHook == KeyboardHook::kLocal ? 0 : o.keyboardHook == KeyboardHook::kRemote ? 1 : 2;
     },
     [](long v, ConnectionOptions* o) {
         o->keyboardHook = v == 0   ? KeyboardHook::kLocal
                           : v == 1 ? KeyboardHook::kRemote
                                    : KeyboardHook::kFullScreenOnly;
     }},
};

bool ParseLong(const std::string& text, long* value) {
    const bool negative = !text.empty() && text[0] == '-';
    int magnitude = 0;
    if (!ParseDigits(std::string_view(text).substr(negative ? 1 : 0), &magnitude)) return false;
    *value = negative ? -static_cast<long>(magnitude) : magnitude;
    return true;
}

std::string DrivesValue(const ConnectionOptions& options) {
    if (options.redirectDrives == DriveRedirection::kAll) return "*";
    if (options.redirectDrives == DriveRedirection::kNone) return std::string();
    std::string value;
    for (char letter : options.driveLetters) value += std::string(1, letter) + ":\\;";
    return value;
}

// "*", or letters each followed by ":" (the list's "C:\;E:\;" and its older
// "C:;E:;" both); "DynamicDrives" (drives plugged in later) has no option
// here and makes the value refused unless letters come with it.
bool ReadDrives(const std::string& value, ConnectionOptions* options) {
    const std::string trimmed = Trim(value);
    if (trimmed.empty()) {
        options->redirectDrives = DriveRedirection::kNone;
        options->driveLetters.clear();
        return true;
    }
    if (trimmed == "*") {
        options->redirectDrives = DriveRedirection::kAll;
        return true;
    }
    std::string letters;
    std::size_t start = 0;
    while (start <= trimmed.size()) {
        std::size_t end = trimmed.find(';', start);
        if (end == std::string::npos) end = trimmed.size();
        const std::string item = Trim(std::string_view(trimmed).substr(start, end - start));
        if (item.size() >= 2 && item[1] == ':' && std::isalpha(static_cast<unsigned char>(item[0])))
            letters += item[0];
        start = end + 1;
    }
    letters = NormalizeDriveLetters(letters);
    if (letters.empty()) return false;
    options->redirectDrives = DriveRedirection::kChosen;
    options->driveLetters = letters;
    return true;
}

}  // namespace

std::vector<RdpLine> RdpLinesFor(const ConnectionOptions& options) {
    std::vector<RdpLine> lines;
    for (const RdpRow& row : kRdpRows)
        lines.push_back(RdpLine{row.key, 'i', std::to_string(row.write(options))});
    lines.push_back(RdpLine{"drivestoredirect", 's', DrivesValue(options)});
    // gatewayusagemethod 0: no gateway; 1: always; 2: when no direct
    // connection can be made (the bypass for local addresses).
    // gatewayprofileusagemethod 0: the administrator's settings; 1: these.
    // gatewaycredentialssource 0: ask for a password; 4: choose later.
    // promptcredentialonce 1: the same logon for gateway and server.
    const GatewayMode mode = options.gatewayMode;
    const bool bypass = mode == GatewayMode::kDetect || options.gatewayBypassLocal;
    const bool own = options.gatewayCredentials == GatewayCredentials::kOwn;
    lines.push_back(
        RdpLine{"gatewayhostname", 's', mode == GatewayMode::kExplicit ? GatewayAddress(options) : ""});
    lines.push_back(RdpLine{"gatewayusagemethod", 'i',
                            mode == GatewayMode::kNone ? "0"
                            : bypass                   ? "2"
                                                       : "1"});
    lines.push_back(RdpLine{"gatewayprofileusagemethod", 'i', mode == GatewayMode::kExplicit ? "1" : "0"});
    lines.push_back(RdpLine{"gatewaycredentialssource", 'i', own ? "0" : "4"});
    lines.push_back(RdpLine{"promptcredentialonce", 'i', own ? "0" : "1"});
    return lines;
}

namespace {

// "host", "host:port", "[v6]" or "[v6]:port"; an empty value is a file's
// way of naming no gateway. False, changing nothing, for anything else.
bool ReadGatewayAddress(const std::string& value, ConnectionOptions* options) {
    const std::string text = Trim(value);
    HostPort address;
    if (!text.empty() && !ParseHostPort(text, &address)) return false;
    options->gatewayHost = address.host;
    options->gatewayPort = address.port != 0 ? address.port : kDefaultGatewayPort;
    return true;
}

}  // namespace

RdpOptionReader::Take RdpOptionReader::Line(const std::string& key, char type, const std::string& value) {
    if (key == "drivestoredirect") {
        if (type != 's') return Take::kRefused;
        return ReadDrives(value, &options_) ? Take::kTaken : Take::kRefused;
    }
    if (key == "gatewayhostname") {
        if (type != 's') return Take::kRefused;
        return ReadGatewayAddress(value, &options_) ? Take::kTaken : Take::kRefused;
    }
    struct Number {
        const char* key;
        long low, high;
        long* into;
    };
    const Number gatewayNumbers[] = {{"gatewayusagemethod", 0, 4, &usage_},
                                     {"gatewayprofileusagemethod", 0, 1, &profile_},
                                     {"gatewaycredentialssource", 0, 5, &credentialsSource_},
                                     {"promptcredentialonce", 0, 1, &promptOnce_}};
    long number = 0;
    for (const Number& gateway : gatewayNumbers) {
        if (key != gateway.key) continue;
        if (type != 'i' || !ParseLong(value, &number) || number < gateway.low || number > gateway.high)
            return Take::kRefused;
        *gateway.into = number;
        return Take::kTaken;
    }
    for (const RdpRow& row : kRdpRows) {
        if (key != row.key) continue;
        if (type != row.type || !ParseLong(value, &number) || number < row.low || number > row.high)
            return Take::kRefused;
        row.read(number, &options_);
        return Take::kTaken;
    }
    return Take::kNotAnOption;
}

// Usage 1 or 2 with a host name: that gateway (2 bypasses it for local
// addresses); 1, 2 or 3 without one: the administrator's (detected)
// settings; 0 or 4: none. Credentials are the gateway's own only when the
// file says the logon is not shared and a password is asked for.
ConnectionOptions RdpOptionReader::Finish() const {
    ConnectionOptions options = options_;
    const bool named = !options.gatewayHost.empty();
    if ((usage_ == 1 || usage_ == 2) && named) {
        options.gatewayMode = GatewayMode::kExplicit;
        options.gatewayBypassLocal = usage_ == 2;
    } else if (usage_ >= 1 && usage_ <= 3) {
        options.gatewayMode = GatewayMode::kDetect;
    } else {
        options.gatewayMode = GatewayMode::kNone;
    }
    if (options.gatewayMode != GatewayMode::kExplicit) {
        options.gatewayHost.clear();
        options.gatewayPort = kDefaultGatewayPort;
    }
    const bool own = promptOnce_ == 0 && (credentialsSource_ == 0 || credentialsSource_ == 3);
    options.gatewayCredentials = own ? GatewayCredentials::kOwn : GatewayCredentials::kSameAsServer;
    return options;
}
