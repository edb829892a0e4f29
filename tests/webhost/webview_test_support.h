// Equipment for the web host's tests: the stand-in runtime with its test entry
// points, a window for the page, a recording listener, and a small test page.
#pragma once

#include <gtest/gtest.h>
#include <ole2.h>
#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "core/file_io.h"
#include "core/paths.h"
#include "core/text.h"
#include "core/unicode.h"
#include "standins/webview/standin_webview.h"
#include "support/message_pump.h"
#include "support/test_support.h"
#include "webhost/webview_host.h"
#include "webhost/webview_loader.h"

// The host lives on a single-threaded apartment, as the program's
// user-interface thread does.
class OleApartment : public ::testing::Environment {
public:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr))); }
    void TearDown() override { OleUninitialize(); }
};
inline ::testing::Environment* const g_oleApartment = ::testing::AddGlobalTestEnvironment(new OleApartment);

// The folder that holds the stand-in's WebView2Loader.dll.
inline std::string StandinRuntimeFolder() {
    return JoinPath(ExeDir(), "..\\webview-standin");
}

// Sets an environment variable for the object's life.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(ToWide(name)) {
        SetEnvironmentVariableW(name_.c_str(), ToWide(value).c_str());
    }
    ~ScopedEnv() { SetEnvironmentVariableW(name_.c_str(), nullptr); }
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
    bool received(const std::string& text) const {
        return std::find(messages.begin(), messages.end(), text) != messages.end();
    }

    int ready = 0;
    std::vector<std::string> messages;
    std::vector<std::string> errors;
};

// A top-level window of 800 x 600 client pixels, never shown: under Wine
// without a window manager, showing and hiding one waits for the X server
// each time.
using WindowPtr = std::unique_ptr<std::remove_pointer_t<HWND>, decltype(&DestroyWindow)>;
inline WindowPtr NewHostWindow() {
    RECT rect = {0, 0, 800, 600};
    AdjustWindowRect(&rect, WS_OVERLAPPEDWINDOW, FALSE);
    return WindowPtr(
        CreateWindowExW(0, L"STATIC", L"host test", WS_OVERLAPPEDWINDOW, 40, 40, rect.right - rect.left,
                        rect.bottom - rect.top, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr),
        &DestroyWindow);
}

// A host in a window against the stand-in runtime and a test page in a folder
// of its own; the browser is chosen by TAVOLIN_WEBVIEW_BROWSER.
class HostFixture : public ::testing::Test {
protected:
    void SetUp() override {
        // "echo" answers {"echo":data}, "text" the data itself, "object" a
        // non-string, "huge" a text of that many bytes; each load says
        // "hello". Inline scripts and connections are forbidden, as on the
        // program's page.
        static const char kPage[] =
            "<!doctype html><html><head><meta charset=\"utf-8\"><meta http-equiv=\"Content-Security-Policy\" "
            "content=\"default-src 'none'; script-src 'self'; connect-src 'none'\"><script src=\"page.js\">"
            "</script></head></html>";
        static const char kScript[] = R"(const w = window.chrome.webview;
w.addEventListener('message', (e) => {
  const m = e.data;
  if (m.cmd === 'echo') w.postMessage(JSON.stringify({ echo: m.data }));
  else if (m.cmd === 'text') w.postMessage(m.data);
  else if (m.cmd === 'object') w.postMessage({ not: 'a string' });
  else if (m.cmd === 'huge') w.postMessage('x'.repeat(m.data));
});
w.postMessage('hello');
)";
        runtime_ = LoadLibraryW(ToWide(JoinPath(StandinRuntimeFolder(), "WebView2Loader.dll")).c_str());
        ASSERT_NE(runtime_, nullptr) << StandinRuntimeFolder();
        Export<StandinResetFn>("StandinReset")();
        ASSERT_TRUE(EnsureDir(folders.file("web")));
        ASSERT_TRUE(WriteWholeFile(JoinPath(folders.file("web"), "index.html"), kPage));
        ASSERT_TRUE(WriteWholeFile(JoinPath(folders.file("web"), "page.js"), kScript));
    }
    void TearDown() override {
        host.close();
        if (runtime_ == nullptr) return;
        // The runtime lets go of its objects as its queued work drains.
        const auto live = Export<StandinLiveObjectsFn>("StandinLiveObjects");
        EXPECT_TRUE(PumpUntil([&] { return live() == 0; }, 5000)) << live();
        FreeLibrary(runtime_);
    }
    template <typename Fn>
    Fn Export(const char* name) const {
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(runtime_, name)));
    }
    // The runtime's journal; every line ends in "\n".
    std::string Journal() const {
        const auto read = Export<StandinJournalFn>("StandinJournal");
        std::string text(static_cast<std::size_t>(read(nullptr, 0)) + 1, '\0');
        text.resize(static_cast<std::size_t>(read(&text[0], static_cast<int>(text.size()))));
        return text;
    }
    // True when a journal line starts with prefix.
    bool Journaled(const std::string& prefix) const {
        return ("\n" + Journal()).find("\n" + prefix) != std::string::npos;
    }
    bool Create() {
        return host.create(window.get(), folders.file("web"), folders.file("data\\WebView2"), &listener,
                           StandinRuntimeFolder());
    }
    bool WaitReady() {
        return PumpUntil([&] { return listener.ready > 0; }, 15000);
    }

    HMODULE runtime_ = nullptr;
    WindowPtr window = NewHostWindow();
    TempDir folders;
    LogCapture log;
    RecordingListener listener;
    WebViewLoader loader;
    WebViewHost host{loader};
};
