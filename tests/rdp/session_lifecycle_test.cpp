#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "rdp/session_test_support.h"

namespace {

constexpr RECT kHostRect = {0, 0, 1000, 600};

class SessionLifecycle : public SessionTest {};

}  // namespace

TEST_F(SessionLifecycle, ConnectBeforeCreateFailsQuietlyAndCreateMakesAHiddenChildAtTheRectangle) {
    RdpSession session;
    EXPECT_FALSE(session.Connect(TestServer("127.0.0.1", 1), &observer, true));
    EXPECT_TRUE(log.has("ERROR", "Connect 之前必须先 Create"));
    EXPECT_TRUE(observer.reports.empty());

    ASSERT_TRUE(session.Create(parent.get(), RECT{10, 20, 410, 320}, "s1"));
    HWND host = session.hostWindow();
    ASSERT_NE(host, nullptr);
    EXPECT_EQ(GetParent(host), parent.get());
    const LONG_PTR style = GetWindowLongPtrW(host, GWL_STYLE);
    EXPECT_EQ(style & (WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN),
              static_cast<LONG_PTR>(WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN));
    // Its client size, and whether it shows, after each step.
    const auto state = [&] {
        RECT client;
        GetClientRect(host, &client);
        return std::to_string(client.right) + "x" + std::to_string(client.bottom) +
               (IsWindowVisible(host) ? " shown" : " hidden");
    };
    EXPECT_EQ(state(), "400x300 hidden");
    session.Show(true);
    EXPECT_EQ(state(), "400x300 shown");
    session.SetBounds(RECT{0, 0, 640, 480});
    session.Show(false);
    EXPECT_EQ(state(), "640x480 hidden");
}

// Closing while connecting: events stop first, then the control is
// disconnected, closed and let go; nothing more is reported (every report
// is logged, observer or not), and a second Close does nothing.
TEST_F(SessionLifecycle, CloseWhileConnectingTearsDownInOrderOnce) {
    StandinControl control;
    ASSERT_TRUE(control.ok());
    RdpSession session;
    ASSERT_TRUE(session.Create(parent.get(), kHostRect, "quiet"));
    ASSERT_TRUE(session.Connect(TestServer("127.0.0.1", 1), nullptr, true));
    ASSERT_EQ(session.state(), SessionState::Connecting);
    EXPECT_TRUE(log.has("INFO", "[会话 quiet] 状态=1 code=0 正在连接 127.0.0.1 ..."));
    HWND host = session.hostWindow();

    session.Close();
    const std::vector<std::string> journal = control.Journal();
    const auto at = [&](const char* line) { return std::find(journal.begin(), journal.end(), line); };
    EXPECT_LT(at("Unadvise"), at("call Disconnect"));
    EXPECT_LT(at("call Disconnect"), at("Close 1"));
    EXPECT_LT(at("Close 1"), at("SetClientSite null"));
    EXPECT_NE(at("SetClientSite null"), journal.end());
    EXPECT_EQ(control.LiveObjects(), 0);
    EXPECT_FALSE(IsWindow(host));
    EXPECT_EQ(session.hostWindow(), nullptr);
    EXPECT_EQ(session.controlWindow(), nullptr);
    session.Close();
    EXPECT_EQ(control.Journal(), journal);
    EXPECT_EQ(session.state(), SessionState::Idle);
    EXPECT_EQ(session.mode(), SessionMode::None);
    PumpFor(100);
    EXPECT_FALSE(log.hasPrefix("INFO", "[会话 quiet] 状态=3"));
}

// The probe takes the newest documented class that can be created, then the
// ProgIDs; a session creates the control by the same choice and puts each
// setting where that class declares it. A ProgID's class may lack what a
// setting needs: the refusals are logged, the session goes on.
TEST_F(SessionLifecycle, TheNewestClassWinsAndGetsWhatItDeclares) {
    const struct {
        const wchar_t* registered;
        long createFail;
        const char* used;  // nullptr: nothing is found
        const char* created;
        const char* advanced;  // the settings object the session used
        std::vector<const char*> refused;
    } cases[] = {
        {nullptr, 0, "MsRdpClient12NotSafeForScripting", "3F859AA3", "AdvancedSettings9", {}},
        {L"MsTscAx.MsTscAx;MsRdpClient7NotSafeForScripting;MsRdpClient9NotSafeForScripting",
         0,
         "MsRdpClient9NotSafeForScripting",
         "8B918B82",
         "AdvancedSettings9",
         {}},
        {L"MsRdpClient.9;MsRdpClient7NotSafeForScripting",
         0,
         "MsRdpClient7NotSafeForScripting",
         "54D38BF7",
         "AdvancedSettings8",
         {}},
        // Older than the oldest class the sessions use: the ProgID is next.
        {L"MsRdpClient6NotSafeForScripting;MsRdpClient.8",
         0,
         "MsRdpClient.8",
         "7A9D3C21",
         "AdvancedSettings2",
         {"设置 AdvancedSettings.EnableAutoReconnect 失败 0x80020006",
          "设置 AdvancedSettings.EnableCredSspSupport 失败 0x80020006",
          "控件没有 IMsRdpClientNonScriptable3，PromptForCredentials 未设置"}},
        {L"", 0, nullptr, nullptr, nullptr, {}},
        {nullptr, static_cast<long>(REGDB_E_CLASSNOTREG), nullptr, nullptr, nullptr, {}},
    };
    for (const auto& c : cases) {
        StandinControl control(c.registered);
        ASSERT_TRUE(control.ok());
        control.SetOption("create_fail_hr", c.createFail);
        std::string name = "untouched";
        EXPECT_EQ(ProbeRdpControl(&name), c.used != nullptr);
        EXPECT_EQ(name, c.used != nullptr ? c.used : "untouched");
        EXPECT_EQ(ProbeRdpControl(nullptr), c.used != nullptr);
        EXPECT_EQ(control.LiveObjects(), 0);
        if (c.used == nullptr) continue;
        LogCapture created;
        RdpSession session;
        ASSERT_TRUE(session.Create(parent.get(), kHostRect, "s1"));
        ASSERT_TRUE(session.Connect(TestServer("127.0.0.1", 1), &observer, true));
        EXPECT_TRUE(
            created.has("INFO", std::string("已创建 RDP 控件 ") + c.used + " (CLSID=" + c.created + ")"));
        EXPECT_EQ(control.Journal(std::string("put ") + c.advanced + ".RDPPort=i4:1").size(), 1u) << c.used;
        for (const char* refusal : c.refused) EXPECT_TRUE(created.has("WARN", refusal)) << refusal;
        if (c.refused.empty()) {
            EXPECT_FALSE(created.hasPrefix("WARN", "设置 ")) << c.used;
        }
    }
}
