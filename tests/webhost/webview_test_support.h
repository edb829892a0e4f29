// Equipment for the web host's tests: the stand-in browser runtime (loaded
// from its own folder, with its test entry points), a real window to hold
// the page, a listener that records what the host tells it, and a page
// folder with a small page that answers the host.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "support/message_pump.h"
#include "support/test_support.h"
#include "webhost/webview_host.h"
#include "webhost/webview_loader.h"

// The folder that holds the stand-in's WebView2Loader.dll.
std::string StandinRuntimeFolder();

// The stand-in runtime's test entry points.
class StandinRuntime {
public:
    StandinRuntime();
    ~StandinRuntime();
    StandinRuntime(const StandinRuntime&) = delete;
    StandinRuntime& operator=(const StandinRuntime&) = delete;

    bool ok() const { return module_ != nullptr; }
    long LiveObjects() const;
    std::vector<std::string> Journal() const;
    // True when a journal line starts with prefix.
    bool Journaled(const std::string& prefix) const;
    void ClearJournal() const;

private:
    HMODULE module_ = nullptr;
};

// Sets an environment variable for the object's life.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::wstring name_;
};

class RecordingListener : public WebViewHost::IListener {
public:
    void onReady() override { ++ready; }
    void onMessage(const std::string& text) override { messages.push_back(text); }
    void onError(const std::string& text) override { errors.push_back(text); }
    bool received(const std::string& text) const;

    int ready = 0;
    std::vector<std::string> messages;
    std::vector<std::string> errors;
};

// A top-level window of width x height client pixels, never shown: under
// Wine without a window manager, showing and hiding one waits for the X
// server each time.
class HostWindow {
public:
    HostWindow(int width = 800, int height = 600);
    ~HostWindow();
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;
    HWND get() const { return window_; }

private:
    HWND window_ = nullptr;
};

// A host in a window against the stand-in runtime, with the test page in a
// folder of its own; the browser is chosen by TAVOLIN_WEBVIEW_BROWSER.
class HostFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // create() with the test page and the stand-in's folder.
    bool Create();
    bool WaitReady() {
        return PumpUntil([&] { return listener.ready > 0; }, 15000);
    }

    StandinRuntime runtime;
    HostWindow window;
    TempDir folders;
    LogCapture log;
    RecordingListener listener;
    WebViewLoader loader;
    WebViewHost host{loader};
};
