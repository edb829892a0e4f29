// Any JSON document must load into the store without crashing, and what the
// store then saves must load back to the very same store.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>

#include "config/config_json.h"

namespace {

std::string Saved(const AppConfig& config) {
    return ToJson(ConfigToJson(config), 2);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    JsonValue document;
    if (!ParseJson(std::string_view(reinterpret_cast<const char*>(data), size), &document, nullptr)) return 0;

    AppConfig loaded;
    ConfigFromJson(document, loaded);
    const std::string text = Saved(loaded);

    JsonValue reparsed;
    if (!ParseJson(text, &reparsed, nullptr)) std::abort();
    AppConfig reloaded;
    ConfigFromJson(reparsed, reloaded);

    // The saved text covers every stored field, the sealed passwords as
    // they are; the ids are distinct, so each server can be reached.
    if (Saved(reloaded) != text) std::abort();
    if (reloaded.servers.size() != loaded.servers.size()) std::abort();
    std::set<std::string> ids;
    for (std::size_t i = 0; i < loaded.servers.size(); ++i) {
        if (reloaded.servers[i].sealedPassword != loaded.servers[i].sealedPassword) std::abort();
        if (!reloaded.servers[i].password.empty()) std::abort();
        if (reloaded.servers[i].id.empty() || !ids.insert(reloaded.servers[i].id).second) std::abort();
    }
    return 0;
}
