// The start-up password as the controller reaches it: the store's salted
// digest, through the system's hash provider.
#pragma once

#include "controller/controller_ports.h"

class StoredStartupPassword : public IStartupPassword {
public:
    bool Verify(const AppConfig& config, const std::string& password) override;
    bool Set(AppConfig& config, const std::string& password, const std::string& hint) override;
    void Clear(AppConfig& config) override;
};
