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

std::string NewServerId() { return RandomHex(8); }
