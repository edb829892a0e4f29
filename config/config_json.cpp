#include "config/config_json.h"

#include "core/text.h"

namespace {

// The same for every installation: it keeps passwords from being readable
// at a glance in config.json, nothing more.
constexpr std::string_view kScrambleKey = "Zq4TmW8xLc!pep#91730";

int Clamp(int value, int low, int high) {
    return value < low ? low : (value > high ? high : value);
}

constexpr std::size_t kServerMembers = 15;

JsonValue ServerToJson(const ServerRecord& server) {
    JsonValue object = JsonValue::MakeObject();
    object.reserve(kServerMembers);
    object.set("id", server.id);
    object.set("host", server.host);
    object.set("port", server.port);
    object.set("user", server.user);
    object.set("domain", server.domain);
    if (!server.password.empty()) object.set("password", ProtectPassword(server.password));
    object.set("remark", server.remark);
    object.set("group", server.group);
    object.set("colorDepth", server.colorDepth);
    object.set("width", server.width);
    object.set("height", server.height);
    object.set("smartSizing", server.smartSizing);
    object.set("fullscreenOnConnect", server.fullscreenOnConnect);
    object.set("autoConnect", server.autoConnect);
    object.set("pingPort", server.pingPort);
    return object;
}

JsonValue PingToJson(const PingSettings& ping) {
    JsonValue object = JsonValue::MakeObject();
    object.set("intervalSec", ping.intervalSec);
    object.set("timeoutMs", ping.timeoutMs);
    object.set("threads", ping.threads);
    return object;
}

JsonValue SecurityToJson(const SecuritySettings& security) {
    JsonValue object = JsonValue::MakeObject();
    object.set("enabled", security.enabled);
    object.set("salt", security.salt);
    object.set("hash", security.hash);
    object.set("hint", security.hint);
    return object;
}

JsonValue UiToJson(const UiSettings& ui) {
    JsonValue object = JsonValue::MakeObject();
    object.set("darkTheme", ui.darkTheme);
    object.set("x", ui.x);
    object.set("y", ui.y);
    object.set("w", ui.w);
    object.set("h", ui.h);
    object.set("maximized", ui.maximized);
    return object;
}

JsonValue DefaultsToJson(const DefaultSettings& defaults) {
    JsonValue object = JsonValue::MakeObject();
    object.set("user", defaults.user);
    object.set("domain", defaults.domain);
    object.set("colorDepth", defaults.colorDepth);
    object.set("smartSizing", defaults.smartSizing);
    return object;
}

ServerRecord ServerFromJson(const JsonValue& object) {
    ServerRecord server;
    server.id = object.getString("id", server.id);
    server.host = object.getString("host", server.host);
    server.port = object.getInt("port", server.port);
    server.user = object.getString("user", server.user);
    server.domain = object.getString("domain", server.domain);
    const std::string stored = object.getString("password", "");
    if (!stored.empty()) server.password = UnprotectPassword(stored);
    server.remark = object.getString("remark", server.remark);
    server.group = object.getString("group", server.group);
    server.colorDepth = object.getInt("colorDepth", server.colorDepth);
    server.width = object.getInt("width", server.width);
    server.height = object.getInt("height", server.height);
    server.smartSizing = object.getBool("smartSizing", server.smartSizing);
    server.fullscreenOnConnect = object.getBool("fullscreenOnConnect", server.fullscreenOnConnect);
    server.autoConnect = object.getBool("autoConnect", server.autoConnect);
    server.pingPort = object.getInt("pingPort", server.pingPort);
    if (server.port < 1 || server.port > 65535) server.port = 3389;
    if (server.pingPort < 0 || server.pingPort > 65535) server.pingPort = 0;
    if (server.id.empty()) server.id = NewServerId();
    return server;
}

// A group that is missing or not an object reads as an empty object, so
// every member falls back to its default.
const JsonValue& Group(const JsonValue& document, std::string_view name) {
    const JsonValue& group = document.find(name);
    return group.isObject() ? group : JsonValue::SharedNull();
}

void ReadPing(const JsonValue& group, PingSettings& ping) {
    ping.intervalSec = group.getInt("intervalSec", ping.intervalSec);
    ping.timeoutMs = Clamp(group.getInt("timeoutMs", ping.timeoutMs), 200, 30000);
    ping.threads = Clamp(group.getInt("threads", ping.threads), 1, 32);
}

void ReadSecurity(const JsonValue& group, SecuritySettings& security) {
    security.enabled = group.getBool("enabled", security.enabled);
    security.salt = group.getString("salt", security.salt);
    security.hash = group.getString("hash", security.hash);
    security.hint = group.getString("hint", security.hint);
    if (security.hash.empty()) security.enabled = false;
}

void ReadUi(const JsonValue& group, UiSettings& ui) {
    const UiSettings defaults;
    ui.darkTheme = group.getBool("darkTheme", ui.darkTheme);
    ui.x = group.getInt("x", ui.x);
    ui.y = group.getInt("y", ui.y);
    ui.w = group.getInt("w", ui.w);
    ui.h = group.getInt("h", ui.h);
    ui.maximized = group.getBool("maximized", ui.maximized);
    if (ui.w < 800) ui.w = defaults.w;
    if (ui.h < 520) ui.h = defaults.h;
}

void ReadDefaults(const JsonValue& group, DefaultSettings& defaults) {
    defaults.user = group.getString("user", defaults.user);
    defaults.domain = group.getString("domain", defaults.domain);
    defaults.colorDepth = group.getInt("colorDepth", defaults.colorDepth);
    defaults.smartSizing = group.getBool("smartSizing", defaults.smartSizing);
}

}  // namespace

JsonValue ConfigToJson(const AppConfig& config) {
    JsonValue servers = JsonValue::MakeArray();
    servers.reserve(config.servers.size());
    for (const ServerRecord& server : config.servers) servers.push(ServerToJson(server));

    JsonValue document = JsonValue::MakeObject();
    document.set("servers", std::move(servers));
    document.set("ping", PingToJson(config.ping));
    document.set("security", SecurityToJson(config.security));
    document.set("ui", UiToJson(config.ui));
    document.set("defaults", DefaultsToJson(config.defaults));
    JsonValue display = JsonValue::MakeObject();
    display.set("changeRemoteResolution", config.display.changeRemoteResolution);
    document.set("display", std::move(display));
    return document;
}

void ConfigFromJson(const JsonValue& document, AppConfig& config) {
    AppConfig fresh;
    fresh.path = std::move(config.path);
    const JsonValue& servers = document.find("servers");
    if (servers.isArray()) {
        fresh.servers.reserve(servers.size());
        for (const JsonValue& item : servers.items()) fresh.servers.push_back(ServerFromJson(item));
    }
    ReadPing(Group(document, "ping"), fresh.ping);
    ReadSecurity(Group(document, "security"), fresh.security);
    ReadUi(Group(document, "ui"), fresh.ui);
    ReadDefaults(Group(document, "defaults"), fresh.defaults);
    fresh.display.changeRemoteResolution =
        Group(document, "display").getBool("changeRemoteResolution", fresh.display.changeRemoteResolution);
    config = std::move(fresh);
}

std::string ScramblePassword(std::string_view data, std::string_view key) {
    std::string out(data);
    if (key.empty()) return out;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const unsigned char mask = static_cast<unsigned char>(i & 0xFF) & 0x5A;
        const unsigned char keyByte = static_cast<unsigned char>(key[(3 + 7 * i) % key.size()]);
        out[i] = static_cast<char>(static_cast<unsigned char>(out[i]) ^ mask ^ keyByte);
    }
    return out;
}

std::string ProtectPassword(std::string_view plain) {
    return Base64Encode(ScramblePassword(plain, kScrambleKey));
}

std::string UnprotectPassword(std::string_view stored) {
    return ScramblePassword(Base64Decode(stored), kScrambleKey);
}
