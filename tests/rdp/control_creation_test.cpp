#include <gtest/gtest.h>
#include <olectl.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "core/text.h"
#include "core/unicode.h"
#include "rdp/control_classes.h"
#include "rdp/session_test_support.h"
#include "rdp/type_library_slots_win.h"
#include "rdp/vtable_interfaces.h"
#include "webhost/vtable_slot.h"

namespace {

constexpr RECT kHostRect = {0, 0, 1000, 600};

class ControlCreation : public SessionTest {
protected:
    // The calls from SetClientSite up to "Connect", events left out: those
    // arrive through posted messages, in their own time.
    std::vector<std::string> SettingsCalls() const {
        std::vector<std::string> calls;
        for (const std::string& line : control.Journal()) {
            if (line.compare(0, 6, "event ") == 0) continue;
            calls.push_back(line);
            if (line == "call Connect") break;
        }
        return calls;
    }
    bool Called(const std::string& line) const {
        const std::vector<std::string> calls = SettingsCalls();
        return std::find(calls.begin(), calls.end(), line) != calls.end();
    }

    StandinControl control;
};

}  // namespace

TEST_F(ControlCreation, SettingsGoInTheirOrderBeforeConnect) {
    ASSERT_TRUE(control.ok());
    RdpSession session;
    ASSERT_TRUE(session.Create(parent.get(), kHostRect, "s1"));
    ServerRecord server = TestServer("127.0.0.1", 0);
    server.user = "alice";
    server.domain = "CORP";
    server.password = "p@ss 中";
    server.colorDepth = 0;
    ASSERT_TRUE(session.Connect(server, &observer, true));
    // The newest advanced settings declare every setting; PromptForCredentials
    // only exists on the vtable, the scale factors only as extended settings.
    const std::vector<std::string> expected = {
        "SetClientSite site",
        "InitNew",
        "SetHostNames RDP 127.0.0.1",
        "DoVerb -5 0 0 1000 600",
        "Advise",
        "put Server=str:127.0.0.1",
        "put UserName=str:alice",
        "put Domain=str:CORP",
        "put FullScreen=bool:0",
        "put DesktopWidth=i4:1000",
        "put DesktopHeight=i4:600",
        "put ColorDepth=i4:32",
        "get AdvancedSettings9",
        "put AdvancedSettings9.RDPPort=i4:3389",
        "put AdvancedSettings9.GrabFocusOnConnect=bool:0",
        "put AdvancedSettings9.EnableAutoReconnect=bool:-1",
        "put AdvancedSettings9.EnableCredSspSupport=bool:-1",
        "put AdvancedSettings9.ClearTextPassword=str:p@ss 中",
        "put AdvancedSettings9.SmartSizing=bool:-1",
        "vtable put_PromptForCredentials bool:0",
        "put_Property EnableZoom=bool:-1",
        "put_Property DesktopScaleFactor=ui4:100",
        "put_Property DeviceScaleFactor=ui4:100",
        // The connection options at their defaults: what the control does
        // anyway, printers and server authentication as before them.
        "put AdvancedSettings9.RedirectDrives=bool:0",
        "put AdvancedSettings9.RedirectPrinters=bool:0",
        "put AdvancedSettings9.RedirectSmartCards=bool:0",
        "put AdvancedSettings9.AuthenticationLevel=i4:2",
        "put AdvancedSettings9.RedirectClipboard=bool:-1",
        "put AdvancedSettings9.ConnectToAdministerServer=bool:0",
        "put AdvancedSettings9.AudioCaptureRedirectionMode=bool:0",
        "get SecuredSettings2",
        "put SecuredSettings2.AudioRedirectionMode=i4:0",
        "put SecuredSettings2.KeyboardHookMode=i4:2",
        "SetObjectRects 0 0 1000 600 / 0 0 1000 600",
        "call Connect",
    };
    EXPECT_EQ(SettingsCalls(), expected);
    EXPECT_FALSE(log.hasPrefix("WARN", "设置 "));  // nothing refused
    EXPECT_TRUE(log.has("INFO", "已挂上 RDP 状态事件"));
    EXPECT_TRUE(log.hasPrefix("INFO", "RDP 控件窗口句柄 = "));
    // The control's window shows (the host's child: the table below; filling it: the display tests).
    EXPECT_TRUE(GetWindowLongPtrW(session.controlWindow(), GWL_STYLE) & WS_VISIBLE);
}

// A record without credentials puts none and lets the system ask. Stretching
// always scales; following the tab scales as the record says.
TEST_F(ControlCreation, RecordValuesAndDefaults) {
    const struct {
        int width, height, port, colorDepth;
        int hostWidth, hostHeight;
        bool changeRemoteResolution;
        int desktopWidth, desktopHeight, rdpPort, depth, smartSizing;
    } cases[] = {
        {1600, 900, 3390, 16, 1000, 600, true, 1600, 900, 3390, 16, 0},
        // The size from the host, by the sizing rules.
        {0, 0, -1, -5, 150, 500, false, 1024, 500, 3389, 32, -1},
    };
    for (const auto& c : cases) {
        control.ClearJournal();
        RdpSession session;
        ASSERT_TRUE(session.Create(parent.get(), RECT{0, 0, c.hostWidth, c.hostHeight}, "s1"));
        ServerRecord server = TestServer("127.0.0.1", c.port);
        server.width = c.width;
        server.height = c.height;
        server.colorDepth = c.colorDepth;
        server.smartSizing = false;
        ASSERT_TRUE(session.Connect(server, &observer, c.changeRemoteResolution));
        for (const std::string& line : {Format("put DesktopWidth=i4:%d", c.desktopWidth),
                                        Format("put DesktopHeight=i4:%d", c.desktopHeight),
                                        Format("put AdvancedSettings9.RDPPort=i4:%d", c.rdpPort),
                                        Format("put ColorDepth=i4:%d", c.depth),
                                        Format("put AdvancedSettings9.SmartSizing=bool:%d", c.smartSizing),
                                        std::string("vtable put_PromptForCredentials bool:-1")})
            EXPECT_TRUE(Called(line)) << line;
        for (const std::string& line : SettingsCalls()) {
            for (const char* secret : {"UserName", "Domain", "ClearTextPassword"})
                EXPECT_EQ(line.find(secret), std::string::npos) << line;
        }
        session.Close();
    }
    EXPECT_TRUE(log.has("WARN", "这台服务器没有保存密码，连接时由控件弹出凭据框"));
    EXPECT_TRUE(log.has("INFO", "画面缩放已打开（SmartSizing=1，远端分辨率保持 1024x500 不动）"));
}

// A control missing a part, or failing a call, still gets everything else
// and is still connected; its window is the host's child.
TEST_F(ControlCreation, WhatTheControlLacksOrRefusesIsLoggedAndSkipped) {
    const struct {
        std::vector<std::pair<const char*, long>> options;
        std::vector<std::pair<const char*, const char*>> logged;
        const char* once;   // a journal line that must appear exactly once
        const char* never;  // the start of journal lines that must not appear, also after Close
    } cases[] = {
        {{{"no_advanced_settings2", 1},
          {"no_advanced_settings", 1},
          {"no_secured_settings2", 1},
          {"no_extended_settings", 1}},
         {{"WARN", "拿不到控件的高级设置对象，端口等高级参数未设置"},
          {"WARN", "拿不到控件的「高级设置」对象，画面缩放开关没设上"},
          {"WARN", "控件没有 IMsRdpExtendedSettings，缩放比例与 EnableZoom 未设置"}},
         "vtable put_PromptForCredentials bool:-1",
         "put AdvancedSettings"},
        // Without the newer settings objects the oldest one still takes
        // what it declares.
        {{{"no_advanced_settings", 1}, {"extended_settings_fail_hr", static_cast<long>(E_NOTIMPL)}},
         {{"WARN", "设置 EnableZoom 失败 0x80004001"}},
         "put AdvancedSettings2.SmartSizing=bool:-1",
         "put AdvancedSettings9"},
        {{{"smart_sizing_fail_hr", static_cast<long>(E_ACCESSDENIED)},
          {"connect_fail_hr", static_cast<long>(E_FAIL)}},
         {{"WARN", "设置画面缩放 SmartSizing=1 失败 0x80070005（拉伸模式会变成不缩放）"},
          {"WARN", "调用 Connect 失败 0x80004005"}},
         "put_Property DeviceScaleFactor=ui4:100",
         nullptr},
        {{{"no_dispatch", 1}}, {{"WARN", "控件的 IDispatch 不可用，跳过参数设置"}}, nullptr, "put "},
        {{{"no_inplace_object", 1}}, {}, nullptr, "SetObjectRects"},  // the host's first child is taken
        // Without events the session stays connecting.
        {{{"no_connection_points", 1}},
         {{"WARN", "控件不支持连接点容器 0x80004002，将拿不到连接状态事件"}},
         "call Connect",
         "Advise"},
        {{{"advise_fail_hr", static_cast<long>(CONNECT_E_ADVISELIMIT)}},
         {{"WARN", "挂事件失败 0x80040201"}},
         "call Connect",
         "Unadvise"},
    };
    for (const auto& c : cases) {
        StandinControl fresh;
        for (const auto& option : c.options) fresh.SetOption(option.first, option.second);
        LogCapture attempt;
        RdpSession session;
        ASSERT_TRUE(session.Create(parent.get(), kHostRect, "s1"));
        EXPECT_TRUE(session.Connect(TestServer("127.0.0.1", 1), &observer, true));
        const std::string name = c.options[0].first;
        for (const auto& line : c.logged) EXPECT_TRUE(attempt.has(line.first, line.second)) << name;
        if (c.once != nullptr) {
            EXPECT_EQ(fresh.Journal(c.once).size(), 1u) << name;
        }
        EXPECT_EQ(session.mode(), SessionMode::ActiveX) << name;
        EXPECT_EQ(session.state(), SessionState::Connecting) << name;
        EXPECT_NE(session.controlWindow(), nullptr) << name;
        EXPECT_EQ(session.controlWindow(), GetWindow(session.hostWindow(), GW_CHILD)) << name;
        session.Close();
        if (c.never != nullptr) {
            EXPECT_TRUE(fresh.Journal(c.never).empty()) << name;
        }
    }
}

TEST_F(ControlCreation, EachFailingStepFallsBackToTheExternalClient) {
    const struct {
        const char* option;
        long value;
        const char* warning;
    } cases[] = {
        {"create_fail_hr", static_cast<long>(E_OUTOFMEMORY),
         "系统里没有能创建的远程桌面控件，改用 mstsc.exe 模式"},
        {"doverb_fail_hr", static_cast<long>(E_FAIL), "控件原地激活失败 0x80004005，改用 mstsc.exe 模式"},
        {"no_window", 1, "控件激活后拿不到窗口句柄，改用 mstsc.exe 模式"},
    };
    for (const auto& c : cases) {
        StandinControl fresh;
        fresh.SetOption(c.option, c.value);
        LogCapture attempt;
        RecordingObserver reports;
        RdpSession session;
        session.SetExternalClientOptions(ExternalClientOptions{StandinClientProgram()});
        ASSERT_TRUE(session.Create(parent.get(), kHostRect, "s1"));
        EXPECT_TRUE(session.Connect(TestServer("127.0.0.1", 1), &reports, true)) << c.option;
        EXPECT_TRUE(attempt.has("WARN", c.warning)) << c.option;
        EXPECT_EQ(session.mode(), SessionMode::Mstsc) << c.option;
        EXPECT_TRUE(PumpUntil([&] { return reports.last().detail == "已用系统 mstsc 打开会话"; }))
            << c.option;
        // The control that could not be used was let go entirely.
        if (std::string(c.option) != "create_fail_hr") {
            EXPECT_EQ(fresh.Journal("SetClientSite null").size(), 1u) << c.option;
        }
        session.Close();
        EXPECT_EQ(fresh.LiveObjects(), 0) << c.option;
    }
}

// An option reaches the settings object its page names, with the documented
// value, and nothing else changes; the stand-in refuses a name on any other
// object and a value outside the page's list, which would show as a warning
// here. Flags have no such list: their members are among the defaults above,
// their values the option table's.
TEST_F(ControlCreation, EachConnectionOptionReachesItsSettingsObject) {
    const auto calls = [&](void (*change)(ConnectionOptions*)) {
        control.ClearJournal();
        RdpSession session;
        EXPECT_TRUE(session.Create(parent.get(), kHostRect, "s1"));
        ServerRecord server = TestServer("127.0.0.1", 0);
        if (change != nullptr) change(&server.options);
        EXPECT_TRUE(session.Connect(server, &observer, true));
        return SettingsCalls();
    };
    const std::vector<std::string> usual = calls(nullptr);
    const struct {
        void (*change)(ConnectionOptions*);
        std::vector<std::string> changed;
    } cases[] = {
        {[](ConnectionOptions* o) { o->serverAuth = ServerAuth::kRefuse; },
         {"put AdvancedSettings9.AuthenticationLevel=i4:1"}},
        {[](ConnectionOptions* o) { o->audioMode = AudioMode::kRemote; },
         {"put SecuredSettings2.AudioRedirectionMode=i4:1"}},
        {[](ConnectionOptions* o) { o->keyboardHook = KeyboardHook::kLocal; },
         {"put SecuredSettings2.KeyboardHookMode=i4:0"}},
        {[](ConnectionOptions* o) {
             o->gatewayMode = GatewayMode::kExplicit;
             o->gatewayHost = "gw.corp";
             o->gatewayPort = 8443;
             o->gatewayCredentials = GatewayCredentials::kOwn;
             o->gatewayUser = "gwu";
             o->gatewayDomain = "GWD";
             o->gatewayPassword = "gw 密码";
         },
         {"get TransportSettings2", "put TransportSettings2.GatewayHostname=str:gw.corp:8443",
          "put TransportSettings2.GatewayProfileUsageMethod=ui4:1",
          "put TransportSettings2.GatewayUsageMethod=ui4:2",
          "put TransportSettings2.GatewayCredsSource=ui4:0",
          "put TransportSettings2.GatewayCredSharing=ui4:0", "put TransportSettings2.GatewayUsername=str:gwu",
          "put TransportSettings2.GatewayDomain=str:GWD",
          "put TransportSettings2.GatewayPassword=str:gw 密码"}},
    };
    for (const auto& c : cases) {
        const std::vector<std::string> got = calls(c.change);
        std::vector<std::string> changed;
        for (const std::string& line : got) {
            if (std::find(usual.begin(), usual.end(), line) == usual.end()) changed.push_back(line);
        }
        const std::string& name = c.changed.back();
        EXPECT_EQ(changed, c.changed) << name;
        // A changed value takes the place of the default one: no other put went.
        for (const std::string& line : usual) {
            if (std::find(got.begin(), got.end(), line) != got.end()) continue;
            const std::string member = line.substr(0, line.find('='));
            EXPECT_TRUE(
                std::any_of(changed.begin(), changed.end(),
                            [&](const std::string& c) { return c.compare(0, member.size(), member) == 0; }))
                << name << ": " << line;
        }
    }
    EXPECT_FALSE(log.hasPrefix("WARN", "设置 "));  // nothing refused
}

// The program's ids of the not-scriptable interfaces and the slot of its one
// hand-declared call, against the stand-in's type library: that library is
// built from the stand-in's own declarations (its IDL), so a typo in either
// copy shows here. Each drive member is found only as its page declares it.
TEST_F(ControlCreation, VtableSlotsComeFromTheControlsTypeLibrary) {
    std::size_t count = 0;
    ComPtr<IDispatch> control;
    ASSERT_TRUE(SUCCEEDED(CoCreateInstance(RdpControlClasses(&count)[0].clsid, nullptr, CLSCTX_INPROC_SERVER,
                                           IID_IDispatch, control.put_void())));
    const TypeLibrarySlots library = TypeLibrarySlots::Of(control.get());
    ASSERT_TRUE(library);
    const int prompt = ABI_SLOT(IMsRdpClientNonScriptable3, put_PromptForCredentials(VARIANT_FALSE)).slot;
    EXPECT_EQ(library.Offset(kIidMsRdpClientNonScriptable3, L"PromptForCredentials", INVOKE_PROPERTYPUT, 1),
              prompt * static_cast<int>(sizeof(void*)));
    const struct {
        const IID* iid;
        const wchar_t* name;
        INVOKEKIND kind;
        int params;
        bool found;
    } cases[] = {
        {&kIidMsRdpClientNonScriptable3, L"DriveCollection", INVOKE_PROPERTYGET, 1, true},
        {&kIidMsRdpDriveCollection, L"RescanDrives", INVOKE_FUNC, 1, true},
        {&kIidMsRdpDriveCollection, L"DriveCount", INVOKE_PROPERTYGET, 1, true},
        {&kIidMsRdpDriveCollection, L"DriveByIndex", INVOKE_PROPERTYGET, 2, true},
        {&kIidMsRdpDrive, L"RedirectionState", INVOKE_PROPERTYPUT, 1, true},
        {&kIidMsRdpDriveV2, L"DriveLetterIndex", INVOKE_PROPERTYGET, 1, true},
        // A kind, a parameter count or a name the page does not give, and a
        // member the interface inherits rather than declares.
        {&kIidMsRdpDrive, L"Name", INVOKE_PROPERTYPUT, 1, false},
        {&kIidMsRdpDriveCollection, L"DriveByIndex", INVOKE_PROPERTYGET, 1, false},
        {&kIidMsRdpDriveCollection, L"DriveByName", INVOKE_PROPERTYGET, 2, false},
        {&kIidMsRdpDriveV2, L"RedirectionState", INVOKE_PROPERTYPUT, 1, false},
    };
    for (const auto& c : cases) {
        const int offset = library.Offset(*c.iid, c.name, c.kind, c.params);
        EXPECT_EQ(offset >= 3 * static_cast<int>(sizeof(void*)), c.found) << ToUtf8(c.name) << " " << offset;
    }
}

// Chosen letters: drive redirection allowed, then every drive of the
// control's collection on or off by its letter, through the slots of its
// type library. A letter the machine lacks is named; a control without a
// type library, or with a drive that refuses its state, shares no drive at
// all.
TEST_F(ControlCreation, ChosenDriveLettersSetEachDriveOfTheCollection) {
    const DWORD present = GetLogicalDrives();
    ASSERT_NE(present & (1u << 2), 0u);
    char absent = 'B';
    while (absent <= 'Z' && (present & (1u << (absent - 'A'))) != 0) ++absent;
    ASSERT_LE(absent, 'Z');
    const std::string letters = std::string("C") + absent;
    const auto driveCalls = [&] {
        control.ClearJournal();
        RdpSession session;
        EXPECT_TRUE(session.Create(parent.get(), kHostRect, "s1"));
        ServerRecord server = TestServer("127.0.0.1", 0);
        server.options.redirectDrives = DriveRedirection::kChosen;
        server.options.driveLetters = letters;
        EXPECT_TRUE(session.Connect(server, &observer, true));
        std::vector<std::string> calls;
        for (const std::string& line : SettingsCalls())
            if (line.find("Drive") != std::string::npos || line.find("RedirectionState") != std::string::npos)
                calls.push_back(line);
        return calls;
    };
    std::vector<std::string> expected = {"put AdvancedSettings9.RedirectDrives=bool:0",
                                         "vtable get_DriveCollection", "vtable RescanDrives bool:0",
                                         "put AdvancedSettings9.RedirectDrives=bool:-1"};
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        if ((present & (1u << (letter - 'A'))) == 0) continue;
        expected.push_back(std::string("vtable put_RedirectionState ") + letter +
                           ": bool:" + (letter == 'C' ? "-1" : "0"));
    }
    EXPECT_EQ(driveCalls(), expected);
    EXPECT_TRUE(log.has("WARN", std::string("本机没有这些盘符的驱动器，未重定向：") + absent));

    control.SetOption("redirection_state_fail_hr", static_cast<long>(E_ACCESSDENIED));
    expected.resize(5);
    expected.push_back("put AdvancedSettings9.RedirectDrives=bool:0");
    EXPECT_EQ(driveCalls(), expected);
    EXPECT_TRUE(log.hasPrefix(
        "WARN", "按盘符重定向驱动器（" + letters + "）未能设置：RedirectionState 失败（0x80070005）"));

    control.SetOption("redirection_state_fail_hr", 0);
    control.SetOption("no_type_info", 1);
    EXPECT_EQ(driveCalls(), std::vector<std::string>{"put AdvancedSettings9.RedirectDrives=bool:0"});
    EXPECT_TRUE(log.has(
        "WARN", "按盘符重定向驱动器（" + letters + "）未能设置：控件没有提供类型库，本次不重定向驱动器"));
    EXPECT_EQ(control.LiveObjects(), 0);  // the collection and its drives let go with the control
}

// A control older than an option's interface goes on without it and says
// which asked-for option it could not take; defaults it lacks stay silent.
TEST_F(ControlCreation, AnOldControlConnectsWithoutTheOptionsItLacks) {
    StandinControl old(L"MsRdpClient.8");
    RdpSession session;
    ASSERT_TRUE(session.Create(parent.get(), kHostRect, "s1"));
    ServerRecord server = TestServer("127.0.0.1", 0);
    server.options.adminSession = true;
    server.options.gatewayMode = GatewayMode::kDetect;
    ASSERT_TRUE(session.Connect(server, &observer, true));
    EXPECT_EQ(old.Journal("call Connect").size(), 1u);
    EXPECT_TRUE(old.Journal("get TransportSettings").empty());
    for (const char* name :
         {"AdvancedSettings.ConnectToAdministerServer", "TransportSettings.GatewayUsageMethod",
          "TransportSettings.GatewayCredSharing"}) {
        EXPECT_TRUE(log.has("WARN", std::string("控件不支持 ") + name + "，这项连接选项未生效")) << name;
    }
    EXPECT_FALSE(log.has("WARN", "控件不支持 AdvancedSettings.RedirectClipboard，这项连接选项未生效"));
    session.Close();
}
