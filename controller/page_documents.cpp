#include "controller/page_documents.h"

#include "core/text.h"

namespace {

// The item is written straight as text: the list is the largest document,
// sent after every change, and building a tree of it first would double the
// work. The result is what the writer makes of the same object, compact.
class ItemWriter {
public:
    explicit ItemWriter(std::string& out) : out_(out) {}
    void Text(const char* name, const std::string& value) {
        Name(name);
        out_ += '"';
        EscapeJsonString(value, out_);
        out_ += '"';
    }
    void Int(const char* name, int value) {
        Name(name);
        out_ += std::to_string(value);
    }
    void Bool(const char* name, bool value) {
        Name(name);
        out_ += value ? "true" : "false";
    }
    void Number(const char* name, double value) {
        Name(name);
        out_ += ToJson(JsonValue(value), -1);
    }
    void End() { out_ += '}'; }

private:
    void Name(const char* name) {
        out_ += first_ ? "{\"" : ",\"";
        first_ = false;
        out_ += name;
        out_ += "\":";
    }
    std::string& out_;
    bool first_ = true;
};

void AppendServerItem(std::string& out, const ServerRecord& s, const ProbeEntry& probe) {
    ItemWriter item(out);
    item.Text("id", s.id);
    item.Text("host", s.host);
    item.Int("port", s.port);
    item.Text("user", s.user);
    item.Text("domain", s.domain);
    item.Text("remark", s.remark);
    item.Text("group", s.group);
    item.Int("colorDepth", s.colorDepth);
    item.Int("width", s.width);
    item.Int("height", s.height);
    item.Bool("smartSizing", s.smartSizing);
    item.Bool("fullscreenOnConnect", s.fullscreenOnConnect);
    item.Bool("autoConnect", s.autoConnect);
    item.Int("pingPort", s.pingPort);
    item.Bool("hasPassword", !s.sealedPassword.empty());
    item.Int("netState", probe.netState);
    item.Number("rtt", probe.rtt);
    item.Text("resolvedIp", probe.resolvedIp);
    item.Text("netDetail", probe.netDetail);
    item.End();
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
    doc.set("autoReconnect", config.sessions.autoReconnect);
    return ToJson(doc, -1);
}

std::string ServersDocumentJson(const std::vector<ServerRecord>& servers, ProbeResults& results) {
    std::string out;
    out.reserve(2 + servers.size() * 400);
    out += '[';
    for (std::size_t i = 0; i < servers.size(); ++i) {
        if (i > 0) out += ',';
        const ServerRecord& server = servers[i];
        const ProbeEntry& probe = results.try_emplace(server.id).first->second;
        AppendServerItem(out, server, probe);
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
    // As config.json's reading has it: no probe port.
    if (r.pingPort < 0 || r.pingPort > 65535) r.pingPort = 0;
}

void StoreProbeResult(ProbeResults& results, const ProbeResult& result) {
    ProbeEntry& entry = results[result.id];
    entry.netState = static_cast<int>(result.netState);
    entry.rtt = result.rtt;
    entry.resolvedIp = result.resolvedIp;
    entry.netDetail = result.netDetail;
}
