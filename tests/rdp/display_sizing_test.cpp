#include <gtest/gtest.h>

#include "core/text.h"
#include "rdp/display_sizing_rules.h"
#include "rdp/session_test_support.h"

namespace {

// The physical size goes in millimetres; the test's windows are at 96 DPI.
std::string UpdateCall(int width, int height) {
    return Format("call UpdateSessionDisplaySettings %d %d %d %d 0 100 100", width, height,
                  PhysicalMillimetres(width, 96), PhysicalMillimetres(height, 96));
}

class DisplaySizing : public PeerSession {
protected:
    void ConnectAt(int width, int height, bool changeRemoteResolution, ServerRecord server = ServerRecord()) {
        StartConnected(width, height, changeRemoteResolution, std::move(server));
        control.ClearJournal();
    }
    int Sends() const {
        return static_cast<int>(control.Journal("call UpdateSessionDisplaySettings").size());
    }
    void Resize(int width, int height) { session.SetBounds(RECT{0, 0, width, height}); }
    // The SmartSizing values put since the journal was cleared, as "-1 0 ".
    std::string SmartSizing() const {
        const std::string put = "put AdvancedSettings9.SmartSizing=bool:";
        std::string values;
        for (const std::string& line : control.Journal(put)) values += line.substr(put.size()) + " ";
        return values;
    }
    SIZE ControlSize() const {
        RECT rect = {};
        GetWindowRect(session.controlWindow(), &rect);
        return SIZE{rect.right - rect.left, rect.bottom - rect.top};
    }

    ManualClock clock{100000};
};

}  // namespace

TEST_F(DisplaySizing, ASecondChangeWithinTheIntervalWaitsForTheTimer) {
    ConnectAt(1000, 600, true);
    Resize(1100, 650);
    EXPECT_EQ(control.Journal("call UpdateSessionDisplaySettings"),
              std::vector<std::string>{UpdateCall(1100, 650)});
    EXPECT_TRUE(log.has("INFO", "远端分辨率已跟随窗口切换为 1100x650"));
    EXPECT_EQ(ControlSize().cx, 1100);

    clock.now += 30;
    Resize(1200, 700);
    EXPECT_EQ(Sends(), 1);              // not at once
    EXPECT_EQ(ControlSize().cx, 1200);  // the window follows at once all the same
    clock.now += 10;
    Resize(1210, 710);  // coalesced into the pending size
    EXPECT_EQ(Sends(), 1);
    ASSERT_TRUE(PumpUntil([&] { return Sends() == 2; }, 2000));
    EXPECT_EQ(control.Journal("call UpdateSessionDisplaySettings")[1], UpdateCall(1210, 710));
    EXPECT_TRUE(log.has("DEBUG", "下发远端尺寸 1210x710（距上一次 40 毫秒）"));
    PumpFor(200);
    EXPECT_EQ(Sends(), 2);
    EXPECT_EQ(session.remoteWidth(), 1210);
}

// A tab of an odd width, or lower than any desktop, still gets a desktop:
// the nearest size the control accepts, never one it refuses (which sizes
// those are is the sizing rules' table).
TEST_F(DisplaySizing, AnOddOrTinyTabGetsTheNearestSizeTheProtocolCarries) {
    ConnectAt(1000, 600, true);
    clock.now += 1000;
    Resize(1101, 120);
    EXPECT_EQ(control.Journal("call UpdateSessionDisplaySettings").back(), UpdateCall(1100, 200));
    EXPECT_EQ(session.remoteWidth(), 1100);
    EXPECT_EQ(session.remoteHeight(), 200);
}

TEST_F(DisplaySizing, AFixedSizeRecordNeverChangesTheRemoteResolution) {
    ServerRecord server = TestServer("127.0.0.1", peer.port());
    server.width = 1600;
    server.height = 900;
    ConnectAt(1000, 600, true, server);
    EXPECT_EQ(session.remoteWidth(), 1600);
    Resize(1200, 700);
    session.OnExitSizeMove();
    session.SetChangeRemoteResolution(false);
    Resize(900, 500);
    session.OnExitSizeMove();
    session.SetChangeRemoteResolution(true);
    clock.now += 1000;
    Resize(1250, 750);
    session.OnExitSizeMove();
    PumpFor(150);
    EXPECT_EQ(Sends(), 0);
    EXPECT_EQ(ControlSize().cx, 1250);  // the window still fills the tab
}

TEST_F(DisplaySizing, SizesWaitUntilTheSessionIsConnected) {
    Start();
    // The control's events are posted; none has been delivered yet.
    ASSERT_EQ(session.state(), SessionState::Connecting);
    Resize(1100, 650);
    EXPECT_TRUE(log.has("DEBUG", "远端分辨率待生效：1100x650（等连上后自动切换）"));
    EXPECT_EQ(Sends(), 0);
    clock.now += 1000;
    Resize(1150, 680);
    EXPECT_EQ(Sends(), 0);
    // Sent when connected, and again once the logon is complete: the
    // control may pass over a size that arrives before the remote desktop is up.
    ASSERT_TRUE(PumpUntil([&] { return Sends() == 2; }));
    EXPECT_EQ(control.Journal("call UpdateSessionDisplaySettings"),
              (std::vector<std::string>{UpdateCall(1150, 680), UpdateCall(1150, 680)}));
    EXPECT_TRUE(log.has("INFO", "连接完成，按当前窗口尺寸下发远端分辨率 1150x680"));
    EXPECT_TRUE(log.has("INFO", "登录完成，再次下发远端分辨率 1150x680"));
    PumpFor(200);
    EXPECT_EQ(Sends(), 2);
}

TEST_F(DisplaySizing, AServerNotReadyIsAskedThreeMoreTimes) {
    ConnectAt(1000, 600, true);
    control.SetOption("update_display_fail_hr", static_cast<long>(E_UNEXPECTED));
    control.SetOption("update_display_fail_times", 10);
    Resize(1100, 650);
    EXPECT_EQ(Sends(), 1);
    EXPECT_TRUE(log.has("DEBUG", "切换远端分辨率到 1100x650 失败 0x8000FFFF（远端不支持时正常）"));
    EXPECT_TRUE(log.has("DEBUG", "远端还没准备好，700 毫秒后重试（还剩 2 次）"));
    ASSERT_TRUE(PumpUntil([&] { return Sends() == 4; }, 4000));
    EXPECT_TRUE(log.has("DEBUG", "远端还没准备好，700 毫秒后重试（还剩 0 次）"));
    PumpFor(1000);
    EXPECT_EQ(Sends(), 4);  // the fourth failure is not retried
    EXPECT_EQ(session.remoteWidth(), 1000);
}

TEST_F(DisplaySizing, TheEndOfADragSendsAtOnceAndStretchingStopsSending) {
    ConnectAt(1000, 600, true);
    Resize(1100, 650);
    clock.now += 30;
    Resize(1200, 700);
    session.OnExitSizeMove();  // no waiting for the throttle at the end of a drag
    EXPECT_EQ(control.Journal("call UpdateSessionDisplaySettings").back(), UpdateCall(1200, 700));
    PumpFor(200);
    EXPECT_EQ(Sends(), 2);

    clock.now += 30;
    Resize(1300, 750);  // waits for the timer
    session.SetChangeRemoteResolution(false);
    EXPECT_TRUE(log.has("INFO", "显示方式已切换为「跟随拉伸」（远端分辨率保持不变）"));
    EXPECT_EQ(SmartSizing(), "-1 ");
    PumpFor(300);
    EXPECT_EQ(Sends(), 2);  // the waiting size was dropped
    clock.now += 1000;
    Resize(900, 500);  // stretching: sizes never reach the server
    EXPECT_EQ(Sends(), 2);
    EXPECT_EQ(ControlSize().cx, 900);
    // The end of a drag and a refresh stretch the picture anew; the host
    // window's own end of a drag does both.
    control.ClearJournal();
    session.OnExitSizeMove();
    EXPECT_EQ(SmartSizing(), "-1 0 -1 ");
    control.ClearJournal();
    session.RefreshStretch();
    EXPECT_EQ(SmartSizing(), "0 -1 ");
    control.ClearJournal();
    SendMessageW(session.hostWindow(), WM_EXITSIZEMOVE, 0, 0);
    EXPECT_EQ(SmartSizing(), "-1 0 -1 0 -1 ");

    // Back to following the tab: the current size goes at once, and only
    // once; a refresh is for stretching only.
    control.ClearJournal();
    session.SetChangeRemoteResolution(true);
    EXPECT_TRUE(log.has("INFO", "显示方式已切换为「更改分辨率」（当场生效，不需要重连）"));
    session.SetChangeRemoteResolution(true);
    session.RefreshStretch();
    EXPECT_EQ(control.Journal("call UpdateSessionDisplaySettings"),
              std::vector<std::string>{UpdateCall(900, 500)});
    EXPECT_EQ(SmartSizing(), "-1 ");
}

TEST_F(DisplaySizing, TheControlAlwaysFillsTheHost) {
    ConnectAt(1200, 700, true);
    // A control that sized itself is put back over the tab.
    SetWindowPos(session.controlWindow(), nullptr, 0, 0, 800, 600, SWP_NOZORDER | SWP_NOACTIVATE);
    RECT asked = {0, 0, 800, 600};
    EXPECT_EQ(session.OnPosRectChange(&asked), S_OK);
    EXPECT_TRUE(log.has("DEBUG", "控件请求把自己改成 800x600，按内容区 1200x700 铺满"));
    EXPECT_EQ(ControlSize().cx, 1200);
    EXPECT_EQ(ControlSize().cy, 700);
    RECT same = {0, 0, 1200, 700};
    EXPECT_EQ(session.OnPosRectChange(&same), S_OK);
    EXPECT_EQ(session.OnPosRectChange(nullptr), S_OK);
    EXPECT_FALSE(log.hasPrefix("DEBUG", "控件请求把自己改成 1200x700"));  // nothing asked for

    // A host resize reaches the control's window and its in-place object.
    control.ClearJournal();
    Resize(1000, 500);
    EXPECT_EQ(control.Journal("SetObjectRects"),
              std::vector<std::string>{"SetObjectRects 0 0 1000 500 / 0 0 1000 500"});
    EXPECT_TRUE(log.has("DEBUG", "控件范围已同步为 1000x500（SetObjectRects）"));
    Resize(1000, 500);  // same size: nothing to tell the control
    EXPECT_EQ(control.Journal("SetObjectRects").size(), 1u);
}
