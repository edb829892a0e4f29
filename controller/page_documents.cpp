#include "controller/page_documents.h"

#include "config/record_json.h"

namespace {

// The settings groups in the order the page's document lists them, each
// under the prefix its members' page names carry.
template <typename Config, typename Visit>
void ForEachSettingsGroup(Config& config, Visit&& visit) {
    visit(config.ping, "ping");
    visit(config.security, "password");
    visit(config.defaults, "default");
    visit(config.display, "");
    visit(config.ui, "");
    visit(config.sessions, "");
}

void PutProbeMembers(JsonObjectText& item, const ProbeEntry& probe) {
    item.Int("netState", probe.netState);
    item.Number("rtt", probe.rtt);
    item.Text("resolvedIp", probe.resolvedIp);
    item.Text("netDetail", probe.netDetail);
}

}  // namespace

std::string EnvDocumentJson(const EnvInputs& env) {
    JsonValue doc = JsonValue::MakeObject();
    doc.set("activex", env.activex);
    doc.set("activexName", env.activexName);
    doc.set("webview", env.webview);
    doc.set("webviewError", env.webviewError);
    doc.set("version", kProgramVersion);
    doc.set("dataDir", env.dataDir);
    return ToJson(doc, -1);
}

std::string SettingsDocumentJson(const AppConfig& config) {
    std::string out;
    JsonObjectText doc(out);
    ForEachSettingsGroup(
        config, [&doc](const auto& group, const char* prefix) { PutPageMembers(doc, group, prefix); });
    doc.End();
    return out;
}

// Written straight as text: the list is the largest document, sent after
// every change, and building a tree of it first takes four times as long.
std::string ServersDocumentJson(const std::vector<ServerRecord>& servers, ProbeResults& results) {
    std::string out;
    out.reserve(2 + servers.size() * 900);
    out += '[';
    for (std::size_t i = 0; i < servers.size(); ++i) {
        if (i > 0) out += ',';
        JsonObjectText item(out);
        PutPageMembers(item, servers[i], "");
        PutProbeMembers(item, results.try_emplace(servers[i].id).first->second);
        item.End();
    }
    out += ']';
    return out;
}

bool ApplyServerFields(ServerRecord& record, const JsonValue& data, const SealSecret& seal) {
    bool sealed = true;
    ApplyPageMembers(record, data, "", [&](const FieldSpec&, std::string plain, std::string& stored) {
        if (plain.empty()) {
            stored.clear();
        } else if (!seal(plain, &stored)) {
            sealed = false;
        }
        WipeText(plain);
    });
    return sealed;
}

void ApplySettingsFields(AppConfig& config, const JsonValue& data) {
    ForEachSettingsGroup(config, [&data](auto& group, const char* prefix) {
        // Settings hold no secrets.
        ApplyPageMembers(group, data, prefix, [](const FieldSpec&, const std::string&, std::string&) {});
    });
}

void StoreProbeResult(ProbeResults& results, const ProbeResult& result) {
    ProbeEntry& entry = results[result.id];
    entry.netState = static_cast<int>(result.netState);
    entry.rtt = result.rtt;
    entry.resolvedIp = result.resolvedIp;
    entry.netDetail = result.netDetail;
}
