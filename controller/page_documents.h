// The three documents that carry the program's state to the page (the
// environment, the settings, the server list), the last probe result of
// every server, and how a page object changes a server record. Secrets
// never leave: the page learns whether a password is set, never its text.
#pragma once

#include <string>
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

// Applies the members present in data (an object; anything else changes
// nothing) to the record. "id" is never taken; a port outside 1..65535
// becomes 3389, a probe port outside 0..65535 becomes 0 (none set).
void ApplyServerFields(ServerRecord& record, const JsonValue& data);

// Stores the result under its id, replacing what was there.
void StoreProbeResult(ProbeResults& results, const ProbeResult& result);
