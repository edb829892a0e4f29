// The configuration store: the ordered server list and every setting that
// outlives a run. One instance lives for the whole process.
#pragma once

#include <string>
#include <vector>

#include "config/record_fields.h"
#include "core/secret_crypto.h"
#include "rdp/connection_options.h"

// Every stored field of a record is one row of its list:
//     X(type, member, "name in config.json", default, rule)
// The struct, config.json's mapping, the page's documents and the tests'
// descriptions of a record are all generated from these rows
// (config/record_fields.h says what a rule can say).
//
// Adding a field
//   1. Add one row where the field belongs in config.json's order (a
//      server's new fields go last, above "rows end here"), its backslash
//      in the column of the others. The type is int,
//      bool, std::string, TextList or an enumeration; an enumeration also
//      gets its names with TAVOLIN_ENUM_NAMES beside its declaration (kept
//      as those names, or as numbers with kAsNumber).
//   2. Say in the rule what the page may do with it (kShown, kEdited or
//      kPage for both; kTrimmed for texts typed on the page), how a number
//      is corrected (InRange: back to the default, Clamped: to the nearest
//      end), and whether it is a secret (kSecret: sealed text, the page
//      learns only "has" + name) or left out at its default.
//   3. That is all the mapping needs: config.json reads and writes it,
//      the page gets it in the server list or the settings document (a
//      setting under its group's prefix, "ping" + "IntervalSec") and may
//      send it back. Write what the field does (the connection, the page's
//      form) and, for a rule nothing else has, one row in the tests' table
//      of rules.
//   A setting that seeds new servers is a row of DefaultSettings under the
//   server field's own member name; its default is the server field's. A
//   connection option needs nothing more: the defaults hold every option.

// clang-format off
#define TAVOLIN_SERVER_FIELDS(X)                                                            \
    X(std::string, id, "id", "", kShown)                                                    \
    X(std::string, host, "host", "", kPage | kTrimmed)                                      \
    X(int, port, "port", 3389, InRange(1, 65535) | kPage)                                   \
    X(std::string, user, "user", "", kPage | kTrimmed)                                      \
    X(std::string, domain, "domain", "", kPage | kTrimmed)                                  \
    X(std::string, sealedPassword, "password", "", kSecret | kPage)                         \
    X(std::string, remark, "remark", "", kPage)                                             \
    X(std::string, group, "group", "", kPage)                                               \
    X(int, colorDepth, "colorDepth", 32, kPage)                                             \
    X(int, width, "width", 0, kPage)   /* 0 = not set */                                    \
    X(int, height, "height", 0, kPage) /* 0 = not set */                                    \
    X(bool, smartSizing, "smartSizing", true, kPage)                                        \
    X(bool, fullscreenOnConnect, "fullscreenOnConnect", false, kPage)                       \
    X(bool, autoConnect, "autoConnect", false, kPage)                                       \
    X(int, pingPort, "pingPort", 0, InRange(0, 65535) | kPage) /* 0 = none */               \
    /* rows end here */
// clang-format on

struct ServerRecord {
    // The password is sealedPassword, as config.json holds it
    // (config/stored_password.h), kept in that form in memory too; empty
    // when there is none. The connection options' rows follow the server's
    // own in the same object: "gatewayMode", "redirectClipboard", ...
    TAVOLIN_RECORD_FIELDS_AND(TAVOLIN_SERVER_FIELDS, ConnectionOptions, options)
    // Not stored. Plain text, only on a transient copy: the one a connection
    // or an export gets, or a record on its way in from an import until it
    // is sealed.
    std::string password;
    // The gateway, local resources, administrative session, server
    // authentication and Windows keys this server connects with.
    ConnectionOptions options;
};

// clang-format off
#define TAVOLIN_PING_FIELDS(X)                                                              \
    X(int, intervalSec, "intervalSec", 10, kPage)                                           \
    X(int, timeoutMs, "timeoutMs", 2000, Clamped(200, 30000) | kPage)                       \
    X(int, threads, "threads", 6, Clamped(1, 32) | kPage)                                   \
    /* rows end here */
// clang-format on

struct PingSettings {
    TAVOLIN_RECORD_FIELDS(TAVOLIN_PING_FIELDS)
};

// "enabled" without a hash reads as off (CorrectRecord in config_json.cpp).
// clang-format off
#define TAVOLIN_SECURITY_FIELDS(X)                                                          \
    X(bool, enabled, "enabled", false, kShown)                                              \
    X(std::string, salt, "salt", "", 0u)                                                    \
    X(std::string, hash, "hash", "", 0u)                                                    \
    X(std::string, hint, "hint", "", kShown)                                                \
    /* 0: hash is the old salted SHA-256 digest; above: the PBKDF2 count hash and           \
       the key were derived with. */                                                        \
    X(int, iterations, "iterations", 0, InRange(0, INT_MAX) | kOmittedAtDefault)            \
    /* rows end here */
// clang-format on

struct SecuritySettings {
    TAVOLIN_RECORD_FIELDS(TAVOLIN_SECURITY_FIELDS)
};

// The window's place; the page only chooses the theme.
// clang-format off
#define TAVOLIN_UI_FIELDS(X)                                                                \
    X(bool, darkTheme, "darkTheme", false, kPage)                                           \
    X(int, x, "x", -1, 0u)                                                                  \
    X(int, y, "y", -1, 0u)                                                                  \
    X(int, w, "w", 1180, InRange(800, INT_MAX))                                             \
    X(int, h, "h", 720, InRange(520, INT_MAX))                                              \
    X(bool, maximized, "maximized", false, 0u)                                              \
    /* rows end here */
// clang-format on

struct UiSettings {
    TAVOLIN_RECORD_FIELDS(TAVOLIN_UI_FIELDS)
};

// What a server made on the page starts with (NewServerFromDefaults).
// clang-format off
#define TAVOLIN_DEFAULT_FIELDS(X)                                                           \
    X(std::string, user, "user", "", kPage | kTrimmed)                                      \
    X(std::string, domain, "domain", "", kPage | kTrimmed)                                  \
    X(int, colorDepth, "colorDepth", ServerRecord().colorDepth, kPage)                      \
    X(bool, smartSizing, "smartSizing", ServerRecord().smartSizing, kPage)                  \
    /* rows end here */
// clang-format on

struct DefaultSettings {
    // The options follow in the same object ("redirectClipboard", ...; on
    // the page "defaultRedirectClipboard"), each only when not its default,
    // so a file of an earlier version saves back as it was. Never a gateway
    // password: a secret is a server's own (ConfigFromJson drops one).
    TAVOLIN_RECORD_FIELDS_AND(TAVOLIN_DEFAULT_FIELDS, ConnectionOptions, options)
    ConnectionOptions options;
};

// clang-format off
#define TAVOLIN_DISPLAY_FIELDS(X)                                                           \
    X(bool, changeRemoteResolution, "changeRemoteResolution", true, kPage)                  \
    /* rows end here */
// clang-format on

struct DisplaySettings {
    TAVOLIN_RECORD_FIELDS(TAVOLIN_DISPLAY_FIELDS)
};

// autoReconnect: a tab whose session the network took away reconnects once
// its server answers again.
// clang-format off
#define TAVOLIN_SESSION_FIELDS(X)                                                           \
    X(bool, autoReconnect, "autoReconnect", true, kPage)                                    \
    /* rows end here */
// clang-format on

struct SessionSettings {
    TAVOLIN_RECORD_FIELDS(TAVOLIN_SESSION_FIELDS)
};

struct AppConfig {
    std::vector<ServerRecord> servers;
    PingSettings ping;
    SecuritySettings security;
    UiSettings ui;
    DefaultSettings defaults;
    DisplaySettings display;
    SessionSettings sessions;
    std::string path;  // set by LoadConfig

    // The text of a config.json that did not parse and whose ".bad_" copy
    // could not be written. While it is set, a save first tries that copy
    // again and refuses to replace the file without it, so the user's
    // server list is never lost to a failed backup.
    std::string unbackedDamagedText;

    // Not stored. The key the start-up password unlocked; empty while none
    // is in force or before the unlock.
    SecretText passwordKey;
    // Not stored. What the user is told once the page is there.
    std::vector<std::string> notices;
    // Not stored. Why the last save failed, for the user; empty after a
    // save that succeeded.
    std::string saveError;
};

// The first server whose id equals id byte for byte, or nullptr.
ServerRecord* FindServerById(AppConfig& config, const std::string& id);
const ServerRecord* FindServerById(const AppConfig& config, const std::string& id);

// 16 lower-case hex digits from the system's preferred random generator.
std::string NewServerId();

// A server made on the page: a new id and the user's defaults.
ServerRecord NewServerFromDefaults(const DefaultSettings& defaults);
