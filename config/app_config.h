// The configuration store: the ordered server list and every setting that
// outlives a run. One instance lives for the whole process.
#pragma once

#include <string>
#include <vector>

#include "core/secret_crypto.h"
#include "rdp/connection_options.h"

struct ServerRecord {
    std::string id;
    std::string host;
    int port = 3389;
    std::string user;
    std::string domain;
    // Plain text, only on a transient copy: the one a connection or an
    // export gets, or a record on its way in (page, import) until it is
    // sealed. The store keeps sealedPassword alone.
    std::string password;
    std::string remark;
    std::string group;
    int colorDepth = 32;
    int width = 0;   // 0 = not set
    int height = 0;  // 0 = not set
    bool smartSizing = true;
    bool fullscreenOnConnect = false;
    bool autoConnect = false;
    int pingPort = 0;  // 0 = none set
    // The password as config.json holds it (config/stored_password.h), kept
    // in that form in memory too; empty when there is none.
    std::string sealedPassword;
    // The gateway, local resources, administrative session, server
    // authentication and Windows keys this server connects with.
    ConnectionOptions options;
};

struct PingSettings {
    int intervalSec = 10;
    int timeoutMs = 2000;
    int threads = 6;
};

struct SecuritySettings {
    bool enabled = false;
    std::string salt;
    std::string hash;
    std::string hint;
    // 0: hash is the old salted SHA-256 digest; above: the PBKDF2 count
    // hash and the key were derived with.
    int iterations = 0;
};

struct UiSettings {
    bool darkTheme = false;
    int x = -1;
    int y = -1;
    int w = 1180;
    int h = 720;
    bool maximized = false;
};

struct DefaultSettings {
    std::string user;
    std::string domain;
    int colorDepth = 32;
    bool smartSizing = true;
};

struct DisplaySettings {
    bool changeRemoteResolution = true;
};

struct SessionSettings {
    // A tab whose session the network took away reconnects once its
    // server answers again.
    bool autoReconnect = true;
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
