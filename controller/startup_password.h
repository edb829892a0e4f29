// The start-up password as the controller reaches it: the store's verifier
// and key (config/password.h), through the system's providers.
#pragma once

#include "controller/controller_ports.h"

class StoredStartupPassword : public IStartupPassword {
public:
    bool Verify(const AppConfig& config, const std::string& password) override;
    std::function<bool(AppConfig&)> PrepareSet(const std::string& password, const std::string& hint) override;
    bool Clear(AppConfig& config) override;
};
