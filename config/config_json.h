// The mapping between config.json's document and the store, and the
// protected form in which server passwords are stored.
#pragma once

#include <string>
#include <string_view>

#include "config/app_config.h"
#include "core/json.h"

// The whole store as config.json's document, members in file order; a
// server's "password" member only when the password is non-empty.
JsonValue ConfigToJson(const AppConfig& config);

// Resets every field except path to its default and reads the document
// leniently, correcting values into their ranges. Servers without an id get
// a new one.
void ConfigFromJson(const JsonValue& document, AppConfig& config);

// XOR scrambling with a position mask and a rotating key; applying it twice
// with the same key gives the data back. An empty key returns data as is.
std::string ScramblePassword(std::string_view data, std::string_view key);

// Base64 of the scrambled UTF-8 bytes, and back. Unprotecting never fails:
// text that was not written by ProtectPassword decodes to some other bytes.
std::string ProtectPassword(std::string_view plain);
std::string UnprotectPassword(std::string_view stored);
