// Any page message: the dispatcher must not crash, must keep every server
// it was not told to remove, must answer the page only with valid JSON, and
// must leave a config.json that parses. Runs over a store in a private data
// folder, with stand-ins for the tabs, the window and the monitor.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "config/config_store.h"
#include "controller/controller.h"
#include "core/file_io.h"
#include "core/paths.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

bool IsJson(const std::string& text) {
    return ParseJson(text, nullptr, nullptr);
}

class CheckingPage : public IPageChannel {
public:
    void post(const std::string&, const std::string& dataJson) override { Check(IsJson(dataJson)); }
    void reload() override {}
    void openDevTools() override {}
    bool isLoaderReady() const override { return true; }
    std::string lastError() const override { return std::string(); }
};

class Tabs : public ITabs {
public:
    void OpenTab(const ServerRecord& server) override { Check(!server.id.empty()); }
    void CloseTab(const std::string&) override {}
    void SwitchTab(int) override {}
    bool ActivateTab(const std::string&) override { return false; }
    void Disconnect(const std::string&) override {}
    void ReopenTab(const ServerRecord& server) override { Check(!server.id.empty()); }
    void SetTabNote(const std::string& id, const std::string&) override { Check(!id.empty()); }
    PixelRect ClientRect() const override { return PixelRect{0, 0, 1200, 800}; }
    int WindowDpi() const override { return 144; }
    void SetContentHidden(bool) override {}
    void SetContentRect(const PixelRect& r) override { Check(!r.empty() && r.left >= 0 && r.bottom <= 800); }
    void LayoutSessions() override {}
    int TabCount() const override { return 0; }
    int ConnectedCount() const override { return 0; }
    void SetChangeRemoteResolution(bool) override {}
    void RetellTabs() override {}
};

class Window : public IMainWindow {
public:
    void PostClose() override {}
    void PostExportDialog() override {}
    void Minimize() override {}
    void ToggleMaximize() override {}
    void ToggleFullscreen() override {}
    void ApplyTitleBarTheme() override {}
    void RestartProbeTimer(unsigned periodMs) override { Check(periodMs <= 0x7FFFFFFFu); }
    bool EvalPending() const override { return false; }
    void ArmEvalTimer() override {}
    void ArmPingFlush(unsigned, std::function<void()> due) override { due(); }
    void RunAside(std::function<void()> work, std::function<void()> done) override {
        work();
        done();
    }
    void OpenExternalClient(const std::string& arguments) override {
        Check(arguments.find_first_of(" \"/\\", 1) == std::string::npos);
    }
};

class Probes : public IProbes {
public:
    void Submit(const std::vector<ProbeJob>& jobs) override {
        for (const ProbeJob& job : jobs) Check(!job.host.empty());
    }
    void SetTimeout(int timeoutMs) override { Check(timeoutMs >= 200); }
};

class Password : public IStartupPassword {
public:
    bool Verify(const AppConfig& config, const std::string& text) override {
        return !config.security.enabled || config.security.hash == text;
    }
    std::function<bool(AppConfig&)> PrepareSet(const std::string& text, const std::string& hint) override {
        return [text, hint](AppConfig& config) {
            config.security = SecuritySettings{!text.empty(), "salt", text, hint, 1};
            return SaveConfig(config);
        };
    }
    bool Clear(AppConfig& config) override {
        config.security = SecuritySettings();
        return SaveConfig(config);
    }
};

class Environment : public IHostEnvironment {
public:
    ControlAvailability RdpControl() const override { return ControlAvailability{}; }
    std::string FullPath(const std::string& path) const override { return path; }
    bool OnNetworkDrive(const std::string&) const override { return false; }
};

const char* const kSeedIds[] = {"00000000000000a1", "00000000000000b2", "00000000000000c3"};

AppConfig SeededStore() {
    AppConfig config;
    for (const char* id : kSeedIds) {
        ServerRecord server;
        server.id = id;
        server.host = std::string("host-") + id;
        server.sealedPassword = "dpapi1:cHc=";
        config.servers.push_back(server);
    }
    return config;
}

bool HasServer(const AppConfig& config, const char* id) {
    return FindServerById(config, id) != nullptr;
}

char g_folder[] = "/tmp/tavolin-fuzz-page-XXXXXX";

void RemoveFolder() {
    RemoveFile(ConfigFilePath());
    rmdir(g_folder);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (mkdtemp(g_folder) == nullptr) std::abort();
    SetDataDirOverride(g_folder);
    std::atexit(&RemoveFolder);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    JsonValue root;
    std::string cmd;
    if (ParseJson(text, &root, nullptr) && root.find("cmd").isString())
        cmd = std::string(root.find("cmd").text());
    // An export writes wherever the message says; its paths are the unit
    // tests' business, not the fuzzer's.
    if (cmd == "exportServers") return 0;

    AppConfig config = SeededStore();
    SaveConfig(config);
    CheckingPage page;
    Tabs tabs;
    Window window;
    Probes probes;
    Password password;
    Environment environment;
    Controller controller(config, ControllerPorts{page, tabs, window, probes, password, environment});
    controller.HandlePageMessage(text);
    controller.SendServers();
    controller.SendSettings();

    for (const ServerRecord& server : config.servers)
        Check(!server.id.empty() && server.port >= 1 && server.port <= 65535);
    for (const char* id : kSeedIds) Check(cmd == "removeServer" || HasServer(config, id));
    std::string saved;
    Check(ReadWholeFile(ConfigFilePath(), &saved) && IsJson(saved));
    AppConfig loaded;
    Check(LoadConfig(loaded));
    Check(loaded.servers.size() == config.servers.size());
    return 0;
}
