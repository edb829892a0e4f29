// Equipment for the tab registry under Wine: a window that stands in for
// the main window and hands its messages to the registry and the
// controller, real sessions against the stand-in control, and peers on
// loopback for them to connect to.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "controller/controller_fakes.h"
#include "controller/tab_registry.h"
#include "rdp/session_test_support.h"

// A child of the shared top-level window with the main window's messages:
// WM_APP_CLOSE_TAB, WM_APP_SWITCH_TAB, WM_APP_PROBE_RESULT and the
// connect-timeout timer go to the handler.
class TestMainWindow {
public:
    TestMainWindow(int width = 1200, int height = 700);
    ~TestMainWindow();
    TestMainWindow(const TestMainWindow&) = delete;
    TestMainWindow& operator=(const TestMainWindow&) = delete;

    HWND get() const { return window_; }
    // Returns true when it handled the message.
    std::function<bool(UINT message, WPARAM wParam, LPARAM lParam)> handler;

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    HWND window_ = nullptr;
};

// The session's position in its parent's client area, and whether it shows.
RECT HostRect(const RdpSession& session);
bool HostVisible(const RdpSession& session);

class TabRegistryTest : public ::testing::Test {
protected:
    TabRegistryTest();
    void SetUp() override { ASSERT_TRUE(control.ok()); }
    void TearDown() override;

    // A server with that id, on the loopback address at port.
    static ServerRecord Server(const std::string& id, int port);
    // A port nothing listens on: the stand-in control reports it refused.
    static constexpr int kRefusedPort = 1;
    // Opens the server's tab and waits until its session is connected.
    void OpenConnected(const ServerRecord& server);
    // The events posted to the page since the last call, as "name data".
    std::vector<std::string> TakeEvents();
    bool Posted(const std::string& cmd, const std::string& data) const;

    StandinControl control;
    TestMainWindow window;
    LogCapture log;
    RecordingPage page;
    AppConfig config;
    std::unique_ptr<TabRegistry> registry;
    std::size_t taken_ = 0;
};
