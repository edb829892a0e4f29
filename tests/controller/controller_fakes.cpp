#include "controller/controller_fakes.h"

#include "config/config_store.h"
#include "core/paths.h"

std::vector<std::string> RecordingPage::names() const {
    std::vector<std::string> out;
    for (const PageEvent& event : events) out.push_back(event.cmd);
    return out;
}

std::vector<std::string> RecordingPage::data(const std::string& cmd) const {
    std::vector<std::string> out;
    for (const PageEvent& event : events) {
        if (event.cmd == cmd) out.push_back(event.data);
    }
    return out;
}

JsonValue RecordingPage::last(const std::string& cmd) const {
    const std::vector<std::string> all = data(cmd);
    JsonValue value;
    if (!all.empty()) {
        EXPECT_TRUE(ParseJson(all.back(), &value, nullptr)) << all.back();
    }
    return value;
}

std::vector<std::string> RecordingPage::toasts() const {
    std::vector<std::string> out;
    for (const std::string& text : data("toast")) {
        JsonValue toast;
        EXPECT_TRUE(ParseJson(text, &toast, nullptr)) << text;
        out.push_back(toast.getString("type", "?") + ": " + toast.getString("text", "?"));
    }
    return out;
}

void FakeTabs::SetContentRect(const PixelRect& r) {
    calls.push_back("rect " + std::to_string(r.left) + " " + std::to_string(r.top) + " " +
                    std::to_string(r.right) + " " + std::to_string(r.bottom));
}

bool FakePassword::Verify(const AppConfig& config, const std::string& text) {
    return !config.security.enabled || config.security.hash.empty() || config.security.hash == "fake:" + text;
}

bool FakePassword::Set(AppConfig& config, const std::string& text, const std::string& hint) {
    if (failSet) return false;
    if (text.empty()) {
        Clear(config);
        return SaveConfig(config);
    }
    config.security = SecuritySettings{true, "salt", "fake:" + text, hint};
    return SaveConfig(config);
}

void FakePassword::Clear(AppConfig& config) {
    config.security = SecuritySettings();
    SaveConfig(config);
}

ControllerTest::ControllerTest() {
    SetDataDirOverride(dir.path());
    SaveConfig(config);
}

ControllerTest::~ControllerTest() {
    SetDataDirOverride("");
}

std::string ControllerTest::Quoted(const std::string& text) {
    std::string out = "\"";
    EscapeJsonString(text, out);
    return out + "\"";
}

void ControllerTest::Send(const std::string& cmd, const std::string& dataJson) {
    controller.HandlePageMessage("{\"cmd\":" + Quoted(cmd) + ",\"data\":" + dataJson + "}");
}

std::string ControllerTest::Stored(const std::string& host, const std::string& secret) {
    ServerRecord record;
    record.id = NewServerId();
    record.host = host;
    record.password = secret;
    config.servers.push_back(record);
    SaveConfig(config);
    return record.id;
}

AppConfig ControllerTest::OnDisk() const {
    AppConfig loaded;
    EXPECT_TRUE(LoadConfig(loaded)) << "config.json no longer loads";
    return loaded;
}

std::vector<std::string> ControllerTest::DiskHosts() const {
    std::vector<std::string> hosts;
    for (const ServerRecord& server : OnDisk().servers) hosts.push_back(server.host);
    return hosts;
}

void ControllerTest::ClearRecords() {
    page.events.clear();
    page.actions.clear();
    tabs.calls.clear();
    window.calls.clear();
    probes.sweeps.clear();
    probes.timeouts.clear();
}
