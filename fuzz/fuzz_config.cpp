// Any JSON document must load into the store without crashing, and what the
// store then saves must load back to the very same store.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "config/config_json.h"

namespace {

std::string Saved(const AppConfig& config) { return ToJson(ConfigToJson(config), 2); }

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

    // The saved text covers every stored field; the plain passwords are
    // compared too, since only their protected form is in the text.
    if (Saved(reloaded) != text) std::abort();
    if (reloaded.servers.size() != loaded.servers.size()) std::abort();
    for (std::size_t i = 0; i < loaded.servers.size(); ++i) {
        if (reloaded.servers[i].password != loaded.servers[i].password) std::abort();
        if (reloaded.servers[i].id.empty()) std::abort();
    }
    return 0;
}
