// The mapping between config.json's document and the store. Server
// passwords pass as stored (config/stored_password.h).
#pragma once

#include <string>
#include <string_view>

#include "config/app_config.h"
#include "core/json.h"

// The whole store as config.json's document, members in file order; a
// server's "password" member only when the password is non-empty.
JsonValue ConfigToJson(const AppConfig& config);

// Resets every field except path to its default and reads the document
// leniently, correcting values into their ranges. A server without an id,
// or with one an earlier server has, gets a new one.
void ConfigFromJson(const JsonValue& document, AppConfig& config);
