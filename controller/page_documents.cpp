#include "controller/page_documents.h"

#include "core/text.h"

namespace {

JsonValue ServerItem(const ServerRecord& s, const ProbeEntry& probe) {
    JsonValue item = JsonValue::MakeObject();
    item.reserve(19);
    item.set("id", s.id);
    item.set("host", s.host);
    item.set("port", s.port);
    item.set("user", s.user);
    item.set("domain", s.domain);
    item.set("remark", s.remark);
    item.set("group", s.group);
    item.set("colorDepth", s.colorDepth);
    item.set("width", s.width);
    item.set("height", s.height);
    item.set("smartSizing", s.smartSizing);
    item.set("fullscreenOnConnect", s.fullscreenOnConnect);
    item.set("autoConnect", s.autoConnect);
    item.set("pingPort", s.pingPort);
    item.set("hasPassword", !s.password.empty());
    item.set("netState", probe.netState);
    item.set("rtt", probe.rtt);
    item.set("resolvedIp", probe.resolvedIp);
    item.set("netDetail", probe.netDetail);
    return item;
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
    JsonValue doc = JsonValue::MakeObject();
    doc.set("pingIntervalSec", config.ping.intervalSec);
    doc.set("pingTimeoutMs", config.ping.timeoutMs);
    doc.set("pingThreads", config.ping.threads);
    doc.set("passwordEnabled", config.security.enabled);
    doc.set("passwordHint", config.security.hint);
    doc.set("defaultUser", config.defaults.user);
    doc.set("defaultDomain", config.defaults.domain);
    doc.set("defaultColorDepth", config.defaults.colorDepth);
    doc.set("defaultSmartSizing", config.defaults.smartSizing);
    doc.set("changeRemoteResolution", config.display.changeRemoteResolution);
    doc.set("darkTheme", config.ui.darkTheme);
    return ToJson(doc, -1);
}

// Assembled item by item rather than as one array value: the list is the
// largest document and is never needed as a tree.
std::string ServersDocumentJson(const std::vector<ServerRecord>& servers, ProbeResults& results) {
    std::string out;
    out.reserve(2 + servers.size() * 320);
    out += '[';
    for (std::size_t i = 0; i < servers.size(); ++i) {
        if (i > 0) out += ',';
        const ServerRecord& server = servers[i];
        const ProbeEntry& probe = results.try_emplace(server.id).first->second;
        out += ToJson(ServerItem(server, probe), -1);
    }
    out += ']';
    return out;
}

void ApplyServerFields(ServerRecord& r, const JsonValue& data) {
    if (data.contains("host")) r.host = Trim(data.getString("host", ""));
    if (data.contains("port")) r.port = data.getInt("port", 3389);
    if (data.contains("user")) r.user = Trim(data.getString("user", ""));
    if (data.contains("domain")) r.domain = Trim(data.getString("domain", ""));
    if (data.contains("remark")) r.remark = data.getString("remark", "");
    if (data.contains("group")) r.group = data.getString("group", "");
    if (data.contains("colorDepth")) r.colorDepth = data.getInt("colorDepth", 32);
    if (data.contains("width")) r.width = data.getInt("width", 0);
    if (data.contains("height")) r.height = data.getInt("height", 0);
    if (data.contains("smartSizing")) r.smartSizing = data.getBool("smartSizing", true);
    if (data.contains("fullscreenOnConnect"))
        r.fullscreenOnConnect = data.getBool("fullscreenOnConnect", false);
    if (data.contains("autoConnect")) r.autoConnect = data.getBool("autoConnect", false);
    if (data.contains("pingPort")) r.pingPort = data.getInt("pingPort", 0);
    if (data.contains("password")) r.password = data.getString("password", "");
    if (r.port < 1 || r.port > 65535) r.port = 3389;
}

std::string StoreProbeResult(ProbeResults& results, const ProbeResult& result) {
    ProbeEntry& entry = results[result.id];
    entry.netState = static_cast<int>(result.netState);
    entry.rtt = result.rtt;
    entry.resolvedIp = result.resolvedIp;
    entry.netDetail = result.netDetail;
    JsonValue ping = JsonValue::MakeObject();
    ping.set("id", result.id);
    ping.set("state", entry.netState);
    ping.set("rtt", entry.rtt);
    ping.set("ip", entry.resolvedIp);
    ping.set("detail", entry.netDetail);
    return ToJson(ping, -1);
}
