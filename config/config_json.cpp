#include "config/config_json.h"

#include <unordered_set>

#include "config/record_json.h"

namespace {

// Rules that join two fields, which a row cannot say.
void CorrectRecord(SecuritySettings& security) {
    if (security.hash.empty()) security.enabled = false;
}
template <typename Record>
void CorrectRecord(Record&) {}

// A group that is missing or not an object has no members, so all its
// fields keep their defaults.
template <typename Record>
void ReadGroup(const JsonValue& document, std::string_view name, Record& record) {
    RecordFromJson(document.find(name), record);
    CorrectRecord(record);
}

}  // namespace

JsonValue ConfigToJson(const AppConfig& config) {
    JsonValue servers = JsonValue::MakeArray();
    servers.reserve(config.servers.size());
    for (const ServerRecord& server : config.servers) servers.push(RecordToJson(server));

    JsonValue document = JsonValue::MakeObject();
    document.set("servers", std::move(servers));
    document.set("ping", RecordToJson(config.ping));
    document.set("security", RecordToJson(config.security));
    document.set("ui", RecordToJson(config.ui));
    document.set("defaults", RecordToJson(config.defaults));
    document.set("display", RecordToJson(config.display));
    document.set("sessions", RecordToJson(config.sessions));
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
        // As stored: opening and sealing again in the form in force happen
        // after the unlock (ProtectStoredPasswords).
        RecordFromJson(servers[i], server);
        while (server.id.empty() || !seen.insert(server.id).second) server.id = NewServerId();
    }
    ReadGroup(document, "ping", fresh.ping);
    ReadGroup(document, "security", fresh.security);
    ReadGroup(document, "ui", fresh.ui);
    ReadGroup(document, "defaults", fresh.defaults);
    // A password in the defaults would be copied into every new server,
    // sealed for whichever account wrote it and walked by no reseal.
    fresh.defaults.options.sealedGatewayPassword.clear();
    ReadGroup(document, "display", fresh.display);
    ReadGroup(document, "sessions", fresh.sessions);
    config = std::move(fresh);
}
