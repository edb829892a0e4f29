// Stand-ins for everything the dispatcher reaches, each recording what it was
// asked, and a controller over a store in a private data folder, so every
// change can be read back from config.json.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/config_store.h"
#include "config/stored_password.h"
#include "controller/controller.h"
#include "core/json.h"
#include "core/paths.h"
#include "support/test_support.h"

struct PageEvent {
    std::string cmd;
    std::string data;
};

class RecordingPage : public IPageChannel {
public:
    void post(const std::string& cmd, const std::string& dataJson) override {
        events.push_back({cmd, dataJson});
    }
    void reload() override { actions.push_back("reload"); }
    void openDevTools() override { actions.push_back("devtools"); }
    bool isLoaderReady() const override { return loaderReady; }
    std::string lastError() const override { return error; }

    std::vector<std::string> names() const {
        std::vector<std::string> out;
        for (const PageEvent& event : events) out.push_back(event.cmd);
        return out;
    }
    // The data of every event of that name, in order.
    std::vector<std::string> data(const std::string& cmd) const {
        std::vector<std::string> out;
        for (const PageEvent& event : events)
            if (event.cmd == cmd) out.push_back(event.data);
        return out;
    }
    // "type: text" of every toast.
    std::vector<std::string> toasts() const {
        std::vector<std::string> out;
        for (const std::string& text : data("toast")) {
            JsonValue toast;
            EXPECT_TRUE(ParseJson(text, &toast, nullptr)) << text;
            out.push_back(toast.getString("type", "?") + ": " + toast.getString("text", "?"));
        }
        return out;
    }

    std::vector<PageEvent> events;
    std::vector<std::string> actions;
    bool loaderReady = true;
    std::string error;
};

// Records every call as one line ("open s1 host", "rect 0 5 1200 305", ...).
class FakeTabs : public ITabs {
public:
    void OpenTab(const ServerRecord& server) override {
        calls.push_back("open " + server.id + " " + server.host);
        // What a session would be handed: the plain password, nothing sealed.
        passwords.push_back(server.sealedPassword.empty() ? server.password : "<sealed>");
    }
    void CloseTab(const std::string& id) override { calls.push_back("close " + id); }
    void SwitchTab(int delta) override { calls.push_back("switch " + std::to_string(delta)); }
    bool ActivateTab(const std::string& id) override {
        calls.push_back("activate " + id);
        return true;
    }
    void Disconnect(const std::string& id) override { calls.push_back("disconnect " + id); }
    void ReopenTab(const ServerRecord& server) override {
        calls.push_back("reopen " + server.id + " " + server.host);
        passwords.push_back(server.sealedPassword.empty() ? server.password : "<sealed>");
    }
    void SetTabNote(const std::string& id, const std::string& note) override {
        calls.push_back("note " + id + " " + note);
    }
    PixelRect ClientRect() const override { return PixelRect{0, 0, 1200, 800}; }
    int WindowDpi() const override { return dpi; }
    void SetContentHidden(bool hidden) override { calls.push_back(hidden ? "hidden" : "shown"); }
    void SetContentRect(const PixelRect& r) override {
        calls.push_back("rect " + std::to_string(r.left) + " " + std::to_string(r.top) + " " +
                        std::to_string(r.right) + " " + std::to_string(r.bottom));
    }
    void LayoutSessions() override { calls.push_back("layout"); }
    int TabCount() const override { return tabCount; }
    int ConnectedCount() const override { return connectedCount; }
    void SetChangeRemoteResolution(bool on) override {
        calls.push_back(on ? "resolution on" : "resolution off");
    }
    void RetellTabs() override { calls.push_back("retell"); }

    std::vector<std::string> calls;
    std::vector<std::string> passwords;
    int tabCount = 0;
    int connectedCount = 0;
    int dpi = 96;
};

class FakeWindow : public IMainWindow {
public:
    void PostClose() override { calls.push_back("close"); }
    void PostExportDialog() override { calls.push_back("export dialog"); }
    void Minimize() override { calls.push_back("minimize"); }
    void ToggleMaximize() override { calls.push_back("maximize"); }
    void ToggleFullscreen() override { calls.push_back("fullscreen"); }
    void ApplyTitleBarTheme() override { calls.push_back("theme"); }
    void RestartProbeTimer(unsigned periodMs) override {
        calls.push_back("probe timer " + std::to_string(periodMs));
    }
    bool EvalPending() const override { return evalPending; }
    void ArmEvalTimer() override { calls.push_back("eval timer"); }
    // Held for the test to run, as the timer would.
    void ArmPingFlush(unsigned delayMs, std::function<void()> due) override {
        calls.push_back("ping flush " + std::to_string(delayMs));
        pingFlush = std::move(due);
    }
    void OpenExternalClient(const std::string& arguments) override {
        calls.push_back("external " + arguments);
    }
    // Held for the test to finish, as the interface thread would once the
    // work is done; the work itself runs at once.
    void RunAside(std::function<void()> work, std::function<void()> done) override {
        ++asides;
        work();
        asideDone.push_back(std::move(done));
    }
    // Runs the held completions, oldest first, and those they start.
    void FinishAside() {
        while (!asideDone.empty()) {
            std::vector<std::function<void()>> pending;
            pending.swap(asideDone);
            for (auto& done : pending) done();
        }
    }

    std::vector<std::string> calls;
    int asides = 0;
    std::vector<std::function<void()>> asideDone;
    bool evalPending = false;
    std::function<void()> pingFlush;
};

// Records each sweep as "host:port host:port ...".
class FakeProbes : public IProbes {
public:
    void Submit(const std::vector<ProbeJob>& jobs) override {
        std::string sweep;
        for (const ProbeJob& job : jobs)
            sweep += (sweep.empty() ? "" : " ") + job.host + ":" + std::to_string(job.port);
        sweeps.push_back(sweep);
    }
    void SetTimeout(int timeoutMs) override { timeouts.push_back(timeoutMs); }
    std::vector<std::string> sweeps;
    std::vector<int> timeouts;
};

// Keeps the password's text as its "verifier"; saves like the real one and
// counts the verifications, each of which costs the real one a derivation.
class FakePassword : public IStartupPassword {
public:
    bool Verify(const AppConfig& config, const std::string& text) override {
        ++verifications;
        return !config.security.enabled || config.security.hash == "fake:" + text;
    }
    std::function<bool(AppConfig&)> PrepareSet(const std::string& text, const std::string& hint) override {
        return [this, text, hint](AppConfig& config) {
            if (failSet) return false;
            config.security = SecuritySettings{true, "salt", "fake:" + text, hint, 1};
            return SaveConfig(config);
        };
    }
    bool Clear(AppConfig& config) override {
        config.security = SecuritySettings();
        return SaveConfig(config);
    }
    bool failSet = false;
    int verifications = 0;
};

class FakeEnvironment : public IHostEnvironment {
public:
    ControlAvailability RdpControl() const override { return control; }
    std::string FullPath(const std::string& path) const override { return path; }
    bool OnNetworkDrive(const std::string& fullPath) const override {
        return !networkDrive.empty() && fullPath.rfind(networkDrive, 0) == 0;
    }
    ControlAvailability control;
    std::string networkDrive;  // a drive such as "Z:" mapped to a share
};

class ControllerTest : public ::testing::Test {
protected:
    ControllerTest() {
        SetDataDirOverride(dir.path());
        SaveConfig(config);
    }
    ~ControllerTest() override { SetDataDirOverride(""); }

    // text as a JSON string, quotes included.
    static std::string Quoted(const std::string& text) { return ToJson(JsonValue(text), -1); }
    // The command, then whatever it ran aside, finished as the interface
    // thread would finish it once the work is done.
    void Send(const std::string& cmd, const std::string& dataJson = "null") {
        SendHeld(cmd, dataJson);
        window.FinishAside();
    }
    // The command alone: what it runs aside stays unfinished.
    void SendHeld(const std::string& cmd, const std::string& dataJson = "null") {
        controller.HandlePageMessage("{\"cmd\":" + Quoted(cmd) + ",\"data\":" + dataJson + "}");
    }
    void SendId(const std::string& cmd, const std::string& id) { Send(cmd, "{\"id\":" + Quoted(id) + "}"); }
    // Adds a server to the store and saves it; returns its id.
    std::string Stored(const std::string& host, const std::string& secret = "") {
        ServerRecord record;
        record.id = NewServerId();
        record.host = host;
        if (!secret.empty()) {
            EXPECT_TRUE(SealPassword(config, secret, &record.sealedPassword));
        }
        config.servers.push_back(record);
        SaveConfig(config);
        return record.id;
    }
    // The store as config.json holds it now.
    AppConfig OnDisk() const {
        AppConfig loaded;
        EXPECT_TRUE(LoadConfig(loaded)) << "config.json no longer loads";
        return loaded;
    }
    std::vector<std::string> DiskHosts() const {
        std::vector<std::string> hosts;
        for (const ServerRecord& server : OnDisk().servers) hosts.push_back(server.host);
        return hosts;
    }

    TempDir dir;
    LogCapture log;
    AppConfig config;
    RecordingPage page;
    FakeTabs tabs;
    FakeWindow window;
    FakeProbes probes;
    FakePassword password;
    FakeEnvironment environment;
    Controller controller{config, ControllerPorts{page, tabs, window, probes, password, environment}};
};
