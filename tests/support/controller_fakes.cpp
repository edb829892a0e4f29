#include "support/controller_fakes.h"

#include "config/config_store.h"
#include "core/json.h"

void FakePage::post(const std::string& cmd, const std::string& dataJson) {
    bytes += dataJson.size();
    if (recording) events.push_back({cmd, dataJson});
}

std::vector<std::string> FakePage::names() const {
    std::vector<std::string> out;
    for (const PageEvent& event : events) out.push_back(event.cmd);
    return out;
}

std::vector<std::string> FakePage::data(const std::string& cmd) const {
    std::vector<std::string> out;
    for (const PageEvent& event : events) {
        if (event.cmd == cmd) out.push_back(event.data);
    }
    return out;
}

std::vector<std::string> FakePage::toasts() const {
    std::vector<std::string> out;
    for (const std::string& text : data("toast")) {
        JsonValue toast;
        out.push_back(ParseJson(text, &toast, nullptr)
                          ? toast.getString("type", "?") + ": " + toast.getString("text", "?")
                          : "invalid: " + text);
    }
    return out;
}

namespace {

std::string Handed(const std::string& sealed, const std::string& plain) {
    return sealed.empty() ? plain : "<sealed>";
}

std::string HandedPasswords(const ServerRecord& server) {
    const ConnectionOptions& o = server.options;
    const std::string gateway = Handed(o.sealedGatewayPassword, o.gatewayPassword);
    return Handed(server.sealedPassword, server.password) + (gateway.empty() ? "" : "|" + gateway);
}

}  // namespace

void FakeTabs::OpenTab(const ServerRecord& server) {
    calls.push_back("open " + server.id + " " + server.host);
    passwords.push_back(HandedPasswords(server));
}

void FakeTabs::ReopenTab(const ServerRecord& server) {
    calls.push_back("reopen " + server.id + " " + server.host);
    passwords.push_back(HandedPasswords(server));
}

void FakeTabs::SetContentRect(const PixelRect& r) {
    contentRects.push_back(r);
    calls.push_back("rect " + std::to_string(r.left) + " " + std::to_string(r.top) + " " +
                    std::to_string(r.right) + " " + std::to_string(r.bottom));
}

void FakeWindow::RestartProbeTimer(unsigned periodMs) {
    probePeriods.push_back(periodMs);
    calls.push_back("probe timer " + std::to_string(periodMs));
}

void FakeWindow::ArmPingFlush(unsigned delayMs, std::function<void()> due) {
    calls.push_back("ping flush " + std::to_string(delayMs));
    pingFlush = std::move(due);
}

void FakeWindow::RunAside(std::function<void()> work, std::function<void()> done) {
    ++asides;
    work();
    asideDone.push_back(std::move(done));
}

void FakeWindow::FinishAside() {
    while (!asideDone.empty()) {
        std::vector<std::function<void()>> pending;
        pending.swap(asideDone);
        for (auto& done : pending) done();
    }
}

void FakeWindow::RunPending() {
    while (pingFlush || !asideDone.empty()) {
        FinishAside();
        if (!pingFlush) continue;
        std::function<void()> due = std::move(pingFlush);
        pingFlush = nullptr;
        due();
    }
}

void FakeProbes::Submit(const std::vector<ProbeJob>& jobs) {
    if (!recording) return;
    this->jobs.insert(this->jobs.end(), jobs.begin(), jobs.end());
    std::string sweep;
    for (const ProbeJob& job : jobs)
        sweep += (sweep.empty() ? "" : " ") + job.host + ":" + std::to_string(job.port);
    sweeps.push_back(sweep);
}

bool FakePassword::Verify(const AppConfig& config, const std::string& text) {
    ++verifications;
    return !config.security.enabled || config.security.hash == "fake:" + text;
}

std::function<bool(AppConfig&)> FakePassword::PrepareSet(const std::string& text, const std::string& hint) {
    return [this, text, hint](AppConfig& config) {
        if (failSet) return false;
        config.security = SecuritySettings{};
        config.security.enabled = true;
        config.security.salt = "salt";
        config.security.hash = "fake:" + text;
        config.security.hint = hint;
        config.security.iterations = 1;
        return SaveConfig(config);
    };
}

bool FakePassword::Clear(AppConfig& config) {
    config.security = SecuritySettings();
    return SaveConfig(config);
}
