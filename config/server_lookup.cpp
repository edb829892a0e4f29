#include "config/app_config.h"
#include "core/random.h"

ServerRecord* FindServerById(AppConfig& config, const std::string& id) {
    for (ServerRecord& server : config.servers) {
        if (server.id == id) return &server;
    }
    return nullptr;
}

const ServerRecord* FindServerById(const AppConfig& config, const std::string& id) {
    return FindServerById(const_cast<AppConfig&>(config), id);
}

std::string NewServerId() {
    return RandomHex(8);
}

ServerRecord NewServerFromDefaults(const DefaultSettings& defaults) {
    ServerRecord record;
    record.id = NewServerId();
    // Each default is named after the server field it seeds.
#define TAVOLIN_SEED_FIELD(Type, member, name, fallback, rule) record.member = defaults.member;
    TAVOLIN_DEFAULT_FIELDS(TAVOLIN_SEED_FIELD)
#undef TAVOLIN_SEED_FIELD
    record.options = defaults.options;  // never a password: ConfigFromJson drops one
    return record;
}
