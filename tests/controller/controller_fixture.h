// A controller over the shared fakes and a store in a data folder in memory,
// so every change can be read back from config.json.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/config_store.h"
#include "config/stored_password.h"
#include "controller/controller.h"
#include "core/json.h"
#include "core/paths.h"
#include "support/controller_fakes.h"
#include "support/memory_files.h"
#include "support/test_support.h"

class ControllerTest : public ::testing::Test {
protected:
    ControllerTest() { SaveConfig(config); }

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
    // New servers' defaults other than the program's own, set by name so
    // that a field added to the record leaves them as they are.
    void SetOtherDefaults() {
        config.defaults.user = "ops";
        config.defaults.domain = "CORP";
        config.defaults.colorDepth = 16;
        config.defaults.smartSizing = false;
    }
    std::vector<std::string> DiskHosts() const {
        std::vector<std::string> hosts;
        for (const ServerRecord& server : OnDisk().servers) hosts.push_back(server.host);
        return hosts;
    }

    MemoryDataDir dir;
    LogCapture log;
    AppConfig config;
    FakePorts fakes;
    FakePage& page = fakes.page;
    FakeTabs& tabs = fakes.tabs;
    FakeWindow& window = fakes.window;
    FakeProbes& probes = fakes.probes;
    FakePassword& password = fakes.password;
    FakeEnvironment& environment = fakes.environment;
    Controller controller{config, fakes.ports()};
};
