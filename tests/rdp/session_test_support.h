// Equipment for the session tests: a real top-level window to hold the
// sessions, a message pump, an observer that records every report, the
// stand-in RDP control, registered for the test and reached directly, and
// the sessions' clock.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "rdp/rdp_session.h"
#include "rdp/session_clock.h"
#include "standins/rdp_test_peer.h"
#include "support/message_pump.h"
#include "support/test_support.h"

// A visible window whose client area is width x height, in a top-level
// window shared by every test of the run.
class ParentWindow {
public:
    ParentWindow(int width = 1200, int height = 700);
    ~ParentWindow();
    ParentWindow(const ParentWindow&) = delete;
    ParentWindow& operator=(const ParentWindow&) = delete;

    HWND get() const { return window_; }

private:
    HWND window_ = nullptr;
};

HWND SharedTopLevel();

// Where window lies in parent's client area, as "left,top,right,bottom".
std::string PlacedIn(HWND window, HWND parent);

struct StateReport {
    SessionState state;
    int code;
    std::string detail;
    std::string mode;
    // "state code mode detail", to compare a report in one line.
    std::string text() const {
        return std::to_string(static_cast<int>(state)) + " " + std::to_string(code) + " " + mode + " " +
               detail;
    }
};

class RecordingObserver : public IRdpObserver {
public:
    void OnSessionState(RdpSession* session, SessionState state, std::int32_t code,
                        const std::string& detail) override;
    void OnFocusReleased(RdpSession* session) override;
    void OnSessionNotice(RdpSession* session, const std::string& text) override;
    std::vector<StateReport> reports;
    int focusReleases = 0;
    std::vector<std::string> notices;
    // True once a report of this state has arrived.
    bool saw(SessionState state) const {
        return std::any_of(reports.begin(), reports.end(),
                           [&](const StateReport& r) { return r.state == state; });
    }
    const StateReport& last() const { return reports.back(); }
    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        for (const StateReport& report : reports) out.push_back(report.text());
        return out;
    }
};

// The stand-in control DLL, loaded into the test process (the very module
// COM loads) and registered under the given ProgIDs for the object's life.
class StandinControl {
public:
    // classes: names of documented classes and ProgIDs, ";"-separated;
    // nullptr registers every one.
    explicit StandinControl(const wchar_t* classes = nullptr);
    ~StandinControl();
    StandinControl(const StandinControl&) = delete;
    StandinControl& operator=(const StandinControl&) = delete;

    bool ok() const { return ok_; }
    void SetOption(const char* name, long value);
    void SetErrorDescription(const wchar_t* text);
    std::vector<std::string> Journal() const;
    // The journal lines that start with prefix.
    std::vector<std::string> Journal(const std::string& prefix) const;
    void ClearJournal();
    long LiveObjects() const;

    // The DLL's own entry points, for tests of the DLL itself.
    HRESULT Unregister();
    HRESULT CanUnloadNow() const;

private:
    HMODULE module_ = nullptr;
    bool ok_ = false;
};

// The sessions' clock for the object's life, moved by hand through now; the
// host window's timers still run in real time.
class ManualClock {
public:
    explicit ManualClock(DWORD start) {
        now = start;
        SetSessionTickSource([] { return now; });
    }
    ~ManualClock() { SetSessionTickSource(nullptr); }
    ManualClock(const ManualClock&) = delete;
    ManualClock& operator=(const ManualClock&) = delete;

    static inline DWORD now = 0;
};

// The stand-in external client, built beside the test programs. Sessions
// are pointed at it; by themselves they start only the system folder's one.
std::wstring StandinClientProgram();

// A server record for tests: host, port, and the rest at defaults.
ServerRecord TestServer(const std::string& host, int port);

// A window to hold sessions, an observer for their reports, and the log.
class SessionTest : public ::testing::Test {
protected:
    ParentWindow parent{1300, 800};
    RecordingObserver observer;
    LogCapture log;
};

// A session in a visible window against the stand-in control and a peer on
// loopback; when it is closed, everything it took from the control must
// have been given back.
class PeerSession : public SessionTest {
protected:
    void SetUp() override { ASSERT_TRUE(control.ok()); }
    void TearDown() override {
        session.Close();
        EXPECT_EQ(control.LiveObjects(), 0);
    }
    // The host at width x height; the peer's server when none is given.
    void Start(int width = 1000, int height = 600, bool changeRemoteResolution = true,
               ServerRecord server = ServerRecord());
    // The same, then waits until the logon has completed.
    void StartConnected(int width = 1000, int height = 600, bool changeRemoteResolution = true,
                        ServerRecord server = ServerRecord());

    StandinControl control;
    RdpTestPeer peer;
    RdpSession session;
};
