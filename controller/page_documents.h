// The three documents that carry the program's state to the page (the
// environment, the settings, the server list), the last probe result of
// every server, and how a page object changes a server record. Secrets
// never leave: the page learns whether a password is set, never its text.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "config/app_config.h"
#include "core/json.h"
#include "net/probe.h"

// The last probe result of one server, as the page sees it.
struct ProbeEntry {
    int netState = 0;
    double rtt = -1.0;
    std::string resolvedIp;
    std::string netDetail;
};
// By server id; entries are not saved. Looked up once per server for every
// list sent, and never walked in order, so hashed.
using ProbeResults = std::unordered_map<std::string, ProbeEntry>;

struct EnvInputs {
    bool activex = false;
    std::string activexName;
    bool webview = false;
    std::string webviewError;
    std::string dataDir;
};

constexpr const char* kProgramVersion = "1.0.0";

// Compact JSON texts of the documents, members in the page's order.
std::string EnvDocumentJson(const EnvInputs& env);
std::string SettingsDocumentJson(const AppConfig& config);
// A server without a probe result gets a fresh entry in results, which
// stays there.
std::string ServersDocumentJson(const std::vector<ServerRecord>& servers, ProbeResults& results);

// Seals a secret's plain text into *sealed; false (and *sealed untouched)
// when it could not be sealed.
using SealSecret = std::function<bool(std::string_view plain, std::string* sealed)>;

// Applies the members present in data (an object; anything else changes
// nothing) to the fields the page may edit (config/app_config.h): never the
// id; a number out of its range takes the field's default. A secret sent is
// sealed at once and its plain text wiped; sent empty, it is removed. False
// when one could not be sealed: the stored one stays.
bool ApplyServerFields(ServerRecord& record, const JsonValue& data, const SealSecret& seal);

// The same for the settings the page may change, under their page names.
void ApplySettingsFields(AppConfig& config, const JsonValue& data);

// Stores the result under its id, replacing what was there.
void StoreProbeResult(ProbeResults& results, const ProbeResult& result);
