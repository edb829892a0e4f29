// What the controller's benchmarks put in place of the page, the tabs, the
// window, the monitor, the password and the environment: stand-ins that
// do nothing but count, so only the controller's own work is measured.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "controller/controller.h"

class CountingPage : public IPageChannel {
public:
    void post(const std::string&, const std::string& dataJson) override {
        bytes += dataJson.size();
        ++posts;
    }
    void reload() override {}
    void openDevTools() override {}
    bool isLoaderReady() const override { return true; }
    std::string lastError() const override { return std::string(); }
    std::size_t bytes = 0;
    std::size_t posts = 0;
};

class NoTabs : public ITabs {
public:
    void OpenTab(const ServerRecord&) override {}
    void CloseTab(const std::string&) override {}
    void SwitchTab(int) override {}
    bool ActivateTab(const std::string&) override { return false; }
    void Disconnect(const std::string&) override {}
    void ReopenTab(const ServerRecord&) override {}
    void SetTabNote(const std::string&, const std::string&) override {}
    PixelRect ClientRect() const override { return PixelRect{0, 0, 1200, 800}; }
    int WindowDpi() const override { return 96; }
    void SetContentHidden(bool) override {}
    void SetContentRect(const PixelRect&) override {}
    void LayoutSessions() override {}
    int TabCount() const override { return 0; }
    int ConnectedCount() const override { return 0; }
    void SetChangeRemoteResolution(bool) override {}
    void RetellTabs() override {}
};

class NoWindow : public IMainWindow {
public:
    void PostClose() override {}
    void PostExportDialog() override {}
    void Minimize() override {}
    void ToggleMaximize() override {}
    void ToggleFullscreen() override {}
    void ApplyTitleBarTheme() override {}
    void RestartProbeTimer(unsigned) override {}
    bool EvalPending() const override { return false; }
    void ArmEvalTimer() override {}
    // At once: a benchmark measures the way of a batch, not its wait.
    void ArmPingFlush(unsigned, std::function<void()> due) override { due(); }
    void OpenExternalClient(const std::string&) override {}
    void RunAside(std::function<void()> work, std::function<void()> done) override {
        work();
        done();
    }
};

class CountingProbes : public IProbes {
public:
    void Submit(const std::vector<ProbeJob>& jobs) override { jobsSubmitted += jobs.size(); }
    void SetTimeout(int) override {}
    std::size_t jobsSubmitted = 0;
};

class NoPassword : public IStartupPassword {
public:
    bool Verify(const AppConfig&, const std::string&) override { return true; }
    std::function<bool(AppConfig&)> PrepareSet(const std::string&, const std::string&) override { return {}; }
    bool Clear(AppConfig&) override { return false; }
};

class NoEnvironment : public IHostEnvironment {
public:
    ControlAvailability RdpControl() const override { return ControlAvailability{}; }
    std::string FullPath(const std::string& path) const override { return path; }
    bool OnNetworkDrive(const std::string&) const override { return false; }
};
