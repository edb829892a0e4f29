// The configuration store: the ordered server list and every setting that
// outlives a run. One instance lives for the whole process.
#pragma once

#include <string>
#include <vector>

struct ServerRecord {
    std::string id;
    std::string host;
    int port = 3389;
    std::string user;
    std::string domain;
    std::string password;  // plain text in memory only
    std::string remark;
    std::string group;
    int colorDepth = 32;
    int width = 0;   // 0 = not set
    int height = 0;  // 0 = not set
    bool smartSizing = true;
    bool fullscreenOnConnect = false;
    bool autoConnect = false;
    int pingPort = 0;  // 0 = none set
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

struct AppConfig {
    std::vector<ServerRecord> servers;
    PingSettings ping;
    SecuritySettings security;
    UiSettings ui;
    DefaultSettings defaults;
    DisplaySettings display;
    std::string path;  // set by LoadConfig

    // The text of a config.json that did not parse and whose ".bad_" copy
    // could not be written. While it is set, a save first tries that copy
    // again and refuses to replace the file without it, so the user's
    // server list is never lost to a failed backup.
    std::string unbackedDamagedText;
};

// The first server whose id equals id byte for byte, or nullptr.
ServerRecord* FindServerById(AppConfig& config, const std::string& id);
const ServerRecord* FindServerById(const AppConfig& config, const std::string& id);

// 16 lower-case hex digits from the system's preferred random generator.
std::string NewServerId();
