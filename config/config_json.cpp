#include "config/config_json.h"

#include <unordered_set>

#include "core/text.h"

namespace {

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
    if (!server.sealedPassword.empty()) object.set("password", server.sealedPassword);
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
    if (security.iterations > 0) object.set("iterations", security.iterations);
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

// Reads the members of one object the way getString, getInt and getBool
// do. The store's own files hold them in the order they are read here, so
// each lookup starts where the last one stopped and mostly finds its key at
// once; any other order reads the same, only slower. A value that is not an
// object has no members: everything read from it is its default.
class MemberReader {
public:
    explicit MemberReader(const JsonValue& object) : members_(object.members()) {}

    std::string String(std::string_view key, const std::string& fallback) {
        return Find(key).asString(fallback);
    }
    int Int(std::string_view key, int fallback) { return Find(key).asInt(fallback); }
    bool Bool(std::string_view key, bool fallback) { return Find(key).asBool(fallback); }

private:
    const JsonValue& Find(std::string_view key) {
        const std::size_t count = members_.size();
        for (std::size_t n = 0; n < count; ++n) {
            std::size_t i = next_ + n;
            if (i >= count) i -= count;
            if (members_[i].first == key) {
                next_ = i + 1;
                return members_[i].second;
            }
        }
        return JsonValue::SharedNull();
    }

    const std::vector<JsonValue::Member>& members_;
    std::size_t next_ = 0;
};

void ReadServer(const JsonValue& object, ServerRecord& server) {
    MemberReader read(object);
    server.id = read.String("id", server.id);
    server.host = read.String("host", server.host);
    server.port = read.Int("port", server.port);
    server.user = read.String("user", server.user);
    server.domain = read.String("domain", server.domain);
    // As stored: opening and sealing again in the form in force happen
    // after the unlock (ProtectStoredPasswords).
    server.sealedPassword = read.String("password", "");
    server.remark = read.String("remark", server.remark);
    server.group = read.String("group", server.group);
    server.colorDepth = read.Int("colorDepth", server.colorDepth);
    server.width = read.Int("width", server.width);
    server.height = read.Int("height", server.height);
    server.smartSizing = read.Bool("smartSizing", server.smartSizing);
    server.fullscreenOnConnect = read.Bool("fullscreenOnConnect", server.fullscreenOnConnect);
    server.autoConnect = read.Bool("autoConnect", server.autoConnect);
    server.pingPort = read.Int("pingPort", server.pingPort);
    if (server.port < 1 || server.port > 65535) server.port = 3389;
    if (server.pingPort < 0 || server.pingPort > 65535) server.pingPort = 0;
}

void ReadPing(const JsonValue& group, PingSettings& ping) {
    MemberReader read(group);
    ping.intervalSec = read.Int("intervalSec", ping.intervalSec);
    ping.timeoutMs = Clamp(read.Int("timeoutMs", ping.timeoutMs), 200, 30000);
    ping.threads = Clamp(read.Int("threads", ping.threads), 1, 32);
}

void ReadSecurity(const JsonValue& group, SecuritySettings& security) {
    MemberReader read(group);
    security.enabled = read.Bool("enabled", security.enabled);
    security.salt = read.String("salt", security.salt);
    security.hash = read.String("hash", security.hash);
    security.hint = read.String("hint", security.hint);
    security.iterations = read.Int("iterations", 0);
    if (security.iterations < 0) security.iterations = 0;
    if (security.hash.empty()) security.enabled = false;
}

void ReadUi(const JsonValue& group, UiSettings& ui) {
    const UiSettings defaults;
    MemberReader read(group);
    ui.darkTheme = read.Bool("darkTheme", ui.darkTheme);
    ui.x = read.Int("x", ui.x);
    ui.y = read.Int("y", ui.y);
    ui.w = read.Int("w", ui.w);
    ui.h = read.Int("h", ui.h);
    ui.maximized = read.Bool("maximized", ui.maximized);
    if (ui.w < 800) ui.w = defaults.w;
    if (ui.h < 520) ui.h = defaults.h;
}

void ReadDefaults(const JsonValue& group, DefaultSettings& defaults) {
    MemberReader read(group);
    defaults.user = read.String("user", defaults.user);
    defaults.domain = read.String("domain", defaults.domain);
    defaults.colorDepth = read.Int("colorDepth", defaults.colorDepth);
    defaults.smartSizing = read.Bool("smartSizing", defaults.smartSizing);
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
    document.set("sessions", JsonValue::MakeObject()).set("autoReconnect", config.sessions.autoReconnect);
    return document;
}

void ConfigFromJson(const JsonValue& document, AppConfig& config) {
    AppConfig fresh;
    fresh.path = std::move(config.path);
    // Only an array is read; anything else under "servers" has no items.
    const std::vector<JsonValue>& servers = document.find("servers").items();
    fresh.servers.resize(servers.size());
    // Ids name servers to the page and the tabs: one that is missing or
    // already taken (an edited or merged file) would make the later server
    // unreachable, so it gets a fresh one.
    std::unordered_set<std::string> seen;
    seen.reserve(servers.size());
    for (std::size_t i = 0; i < servers.size(); ++i) {
        ServerRecord& server = fresh.servers[i];
        ReadServer(servers[i], server);
        while (server.id.empty() || !seen.insert(server.id).second) server.id = NewServerId();
    }
    // A group that is missing or not an object has no members either, so
    // all its fields keep their defaults.
    ReadPing(document.find("ping"), fresh.ping);
    ReadSecurity(document.find("security"), fresh.security);
    ReadUi(document.find("ui"), fresh.ui);
    ReadDefaults(document.find("defaults"), fresh.defaults);
    fresh.display.changeRemoteResolution =
        MemberReader(document.find("display"))
            .Bool("changeRemoteResolution", fresh.display.changeRemoteResolution);
    fresh.sessions.autoReconnect = MemberReader(document.find("sessions")).Bool("autoReconnect", true);
    config = std::move(fresh);
}
