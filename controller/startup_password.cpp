#include "controller/startup_password.h"

#include <memory>

#include "config/password.h"

bool StoredStartupPassword::Verify(const AppConfig& config, const std::string& password) {
    return VerifyStartupPassword(config, password);
}

std::function<bool(AppConfig&)> StoredStartupPassword::PrepareSet(const std::string& password,
                                                                  const std::string& hint) {
    auto prepared = std::make_shared<PreparedStartupPassword>(PrepareStartupPassword(password, hint));
    if (!prepared->ok) return {};
    return [prepared](AppConfig& config) { return CommitStartupPassword(config, *prepared); };
}

bool StoredStartupPassword::Clear(AppConfig& config) {
    return ClearStartupPassword(config);
}
