// Stand-ins for everything the dispatcher reaches, each recording what it
// was asked, and a fixture that runs a controller over a store kept in a
// private data folder, so every change can be read back from config.json.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "config/app_config.h"
#include "controller/controller.h"
#include "core/json.h"
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

    // Event names in posting order.
    std::vector<std::string> names() const;
    // The data of every event of that name, in order.
    std::vector<std::string> data(const std::string& cmd) const;
    // The data of the last event of that name, parsed (Null when none).
    JsonValue last(const std::string& cmd) const;
    // "type: text" of every toast.
    std::vector<std::string> toasts() const;

    std::vector<PageEvent> events;
    std::vector<std::string> actions;
    bool loaderReady = true;
    std::string error;
};

// Records every call as one line ("open s1", "rect 0 5 1200 305", ...).
class FakeTabs : public ITabs {
public:
    void OpenTab(const ServerRecord& server) override {
        calls.push_back("open " + server.id + " " + server.host);
    }
    void CloseTab(const std::string& id) override { calls.push_back("close " + id); }
    void SwitchTab(int delta) override { calls.push_back("switch " + std::to_string(delta)); }
    bool ActivateTab(const std::string& id) override {
        calls.push_back("activate " + id);
        return true;
    }
    void Disconnect(const std::string& id) override { calls.push_back("disconnect " + id); }
    PixelRect ClientRect() const override { return client; }
    void SetContentHidden(bool hidden) override { calls.push_back(hidden ? "hidden" : "shown"); }
    void SetContentRect(const PixelRect& r) override;
    void LayoutSessions() override { calls.push_back("layout"); }
    int TabCount() const override { return tabCount; }
    int ConnectedCount() const override { return connectedCount; }
    void SetChangeRemoteResolution(bool on) override {
        calls.push_back(on ? "resolution on" : "resolution off");
    }

    std::vector<std::string> calls;
    PixelRect client{0, 0, 1200, 800};
    int tabCount = 0;
    int connectedCount = 0;
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
    void OpenExternalClient(const std::string& arguments) override {
        calls.push_back("external " + arguments);
    }

    std::vector<std::string> calls;
    bool evalPending = false;
};

class FakeProbes : public IProbes {
public:
    void Submit(const std::vector<ProbeJob>& jobs) override { sweeps.push_back(jobs); }
    void SetTimeout(int timeoutMs) override { timeouts.push_back(timeoutMs); }
    std::vector<std::vector<ProbeJob>> sweeps;
    std::vector<int> timeouts;
};

// Keeps the password's text as its "digest"; saves like the real one.
class FakePassword : public IStartupPassword {
public:
    bool Verify(const AppConfig& config, const std::string& password) override;
    bool Set(AppConfig& config, const std::string& password, const std::string& hint) override;
    void Clear(AppConfig& config) override;
    bool failSet = false;
};

class FakeEnvironment : public IHostEnvironment {
public:
    ControlAvailability RdpControl() const override { return control; }
    std::string FullPath(const std::string& path) const override { return path; }
    ControlAvailability control;
};

class ControllerTest : public ::testing::Test {
protected:
    ControllerTest();
    ~ControllerTest() override;

    // text as a JSON string, quotes included.
    static std::string Quoted(const std::string& text);
    // Posts {"cmd": cmd, "data": dataJson} to the controller.
    void Send(const std::string& cmd, const std::string& dataJson = "null");
    // Adds a server to the store and saves it; returns its id.
    std::string Stored(const std::string& host, const std::string& password = "");
    // The store as config.json holds it now.
    AppConfig OnDisk() const;
    std::vector<std::string> DiskHosts() const;
    // Forgets what the fakes recorded so far.
    void ClearRecords();

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
