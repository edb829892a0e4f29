#include "config/password.h"
#include "controller/startup_password.h"

bool StoredStartupPassword::Verify(const AppConfig& config, const std::string& password) {
    return VerifyStartupPassword(config, password);
}

bool StoredStartupPassword::Set(AppConfig& config, const std::string& password, const std::string& hint) {
    return SetStartupPassword(config, password, hint);
}

bool StoredStartupPassword::Clear(AppConfig& config) {
    return ClearStartupPassword(config);
}
