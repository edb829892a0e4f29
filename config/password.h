// The optional start-up password, kept as a salted SHA-256 digest.
#pragma once

#include <string>

#include "config/app_config.h"

// A non-empty password gets a fresh salt and its digest, and turns the
// protection on; an empty one turns it off. Saves the store; false when the
// digest or the save failed (a failed digest leaves the store unchanged).
bool SetStartupPassword(AppConfig& config, const std::string& password, const std::string& hint);

// Turns the protection off and saves the store.
void ClearStartupPassword(AppConfig& config);

// True when the protection is off, or when password matches the digest.
bool VerifyStartupPassword(const AppConfig& config, const std::string& password);
