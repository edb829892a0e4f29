// The one set of fakes for everything the page-command dispatcher reaches:
// tests read what each was asked, benchmarks and fuzz targets turn the
// recording off and only count. No GoogleTest and no operating system here,
// so the native, sanitized, fuzzing and MinGW builds all take it.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "controller/controller.h"

struct PageEvent {
    std::string cmd;
    std::string data;
};

class FakePage : public IPageChannel {
public:
    void post(const std::string& cmd, const std::string& dataJson) override;
    void reload() override { actions.push_back("reload"); }
    void openDevTools() override { actions.push_back("devtools"); }
    bool isLoaderReady() const override { return true; }
    std::string lastError() const override { return error; }

    std::vector<std::string> names() const;
    // The data of every event of that name, in order.
    std::vector<std::string> data(const std::string& cmd) const;
    // "type: text" of every toast; "invalid: <data>" for one that does not parse.
    std::vector<std::string> toasts() const;

    // Off: the events are only counted.
    bool recording = true;
    std::vector<PageEvent> events;
    std::size_t bytes = 0;
    std::vector<std::string> actions;
    std::string error;
};

// Records every call as one line ("open s1 host", "rect 0 5 1200 305", ...).
class FakeTabs : public ITabs {
public:
    void OpenTab(const ServerRecord& server) override;
    void CloseTab(const std::string& id) override { calls.push_back("close " + id); }
    void SwitchTab(int delta) override { calls.push_back("switch " + std::to_string(delta)); }
    bool ActivateTab(const std::string& id) override {
        calls.push_back("activate " + id);
        return true;
    }
    void Disconnect(const std::string& id) override { calls.push_back("disconnect " + id); }
    void ReopenTab(const ServerRecord& server) override;
    void SetTabNote(const std::string& id, const std::string& note) override {
        calls.push_back("note " + id + " " + note);
    }
    PixelRect ClientRect() const override { return PixelRect{0, 0, 1200, 800}; }
    int WindowDpi() const override { return dpi; }
    void SetContentHidden(bool hidden) override { calls.push_back(hidden ? "hidden" : "shown"); }
    void SetContentRect(const PixelRect& rect) override;
    void LayoutSessions() override { calls.push_back("layout"); }
    int TabCount() const override { return tabCount; }
    int ConnectedCount() const override { return connectedCount; }
    void SetChangeRemoteResolution(bool on) override {
        calls.push_back(on ? "resolution on" : "resolution off");
    }
    void RetellTabs() override { calls.push_back("retell"); }

    std::vector<std::string> calls;
    // What each opened session was handed: the plain password, or
    // "<sealed>" when a sealed one reached it; then, after "|", the
    // gateway's in the same form when it has one.
    std::vector<std::string> passwords;
    std::vector<PixelRect> contentRects;
    int tabCount = 0;
    int connectedCount = 0;
    int dpi = 96;
};

// Like the interface thread, it runs nothing at once: the ping flush and
// the completions of work run aside wait for RunPending (or the test's own
// call of pingFlush / FinishAside).
class FakeWindow : public IMainWindow {
public:
    void PostClose() override { calls.push_back("close"); }
    void PostExportDialog() override { calls.push_back("export dialog"); }
    void PostRdpExportDialog(const std::string& id) override { calls.push_back("rdp export dialog " + id); }
    void Minimize() override { calls.push_back("minimize"); }
    void ToggleMaximize() override { calls.push_back("maximize"); }
    void ToggleFullscreen() override { calls.push_back("fullscreen"); }
    void ApplyTitleBarTheme() override { calls.push_back("theme"); }
    void RestartProbeTimer(unsigned periodMs) override;
    void ArmPingFlush(unsigned delayMs, std::function<void()> due) override;
    // The work runs at once (it gets only copies); done is held.
    void RunAside(std::function<void()> work, std::function<void()> done) override;
    bool EvalPending() const override { return evalPending; }
    void ArmEvalTimer() override { calls.push_back("eval timer"); }
    void OpenExternalClient(const std::string& arguments) override {
        calls.push_back("external " + arguments);
    }

    // Runs the held completions, oldest first, and those they start.
    void FinishAside();
    // The due ping flush too, until nothing is held.
    void RunPending();

    std::vector<std::string> calls;
    std::vector<unsigned> probePeriods;
    int asides = 0;
    std::vector<std::function<void()>> asideDone;
    bool evalPending = false;
    std::function<void()> pingFlush;
};

// Records each sweep as "host:port host:port ...".
class FakeProbes : public IProbes {
public:
    void Submit(const std::vector<ProbeJob>& jobs) override;
    void SetTimeout(int timeoutMs) override { timeouts.push_back(timeoutMs); }

    // Off: nothing is kept (the benchmarks and fuzz targets).
    bool recording = true;
    std::vector<std::string> sweeps;
    std::vector<ProbeJob> jobs;  // of every sweep
    std::vector<int> timeouts;
};

// Keeps "fake:" + the password as its verifier; saves like the real one and
// counts the verifications, each of which costs the real one a derivation.
class FakePassword : public IStartupPassword {
public:
    bool Verify(const AppConfig& config, const std::string& text) override;
    std::function<bool(AppConfig&)> PrepareSet(const std::string& text, const std::string& hint) override;
    bool Clear(AppConfig& config) override;

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
    std::string networkDrive;  // a folder that stands for a drive mapped to a share
};

// All six, handed to a controller together.
struct FakePorts {
    ControllerPorts ports() { return ControllerPorts{page, tabs, window, probes, password, environment}; }
    // Counting only, for the benchmarks and fuzz targets.
    void StopRecording() { page.recording = probes.recording = false; }

    FakePage page;
    FakeTabs tabs;
    FakeWindow window;
    FakeProbes probes;
    FakePassword password;
    FakeEnvironment environment;
};
