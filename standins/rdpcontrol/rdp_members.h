// The names the control and its settings objects answer to, each on the
// interface version whose page documents it. The numbers are the stand-in's
// own: callers are expected to ask GetIDsOfNames.
#pragma once

#include "standins/rdpcontrol/dispatch_table.h"

// The control's members; "since" is the N of the IMsRdpClient<N> that
// declares the member (0: IMsTscAx).
enum ControlDispid : DISPID {
    kServer = 1,
    kDomain = 2,
    kUserName = 3,
    kDesktopWidth = 12,
    kDesktopHeight = 13,
    kConnect = 30,
    kDisconnect = 31,
    kAdvancedSettings = 98,
    kSecuredSettings = 99,
    kColorDepth = 100,
    kAdvancedSettings2 = 101,
    kSecuredSettings2 = 102,
    kExtendedDisconnectReason = 103,
    kFullScreen = 104,
    kAdvancedSettings3 = 105,
    kAdvancedSettings4 = 106,
    kAdvancedSettings5 = 107,
    kAdvancedSettings6 = 108,
    kAdvancedSettings7 = 109,
    kAdvancedSettings8 = 110,
    kAdvancedSettings9 = 111,
    kSecuredSettings3 = 112,
    kGetErrorDescription = 200,
    kUpdateSessionDisplaySettings = 201,
};

// The settings objects' members; "since" is the N of the control's
// "AdvancedSettings<N>" (or "SecuredSettings<N>") that hands out the first
// interface declaring the member: "AdvancedSettings" gives
// IMsTscAdvancedSettings (1), "AdvancedSettings<N>" gives
// IMsRdpClientAdvancedSettings<N-1> (IMsRdpClientAdvancedSettings for 2).
enum SettingsDispid : DISPID {
    kRdpPort = 1,
    kGrabFocusOnConnect = 2,
    kEnableAutoReconnect = 3,
    kRedirectPrinters = 4,
    kEnableCredSspSupport = 5,
    kSmartSizing = 7,
    kAuthenticationLevel = 8,
    kClearTextPassword = 9,
    kCompress = 10,
    kAudioRedirectionMode = 1,
};

const MemberTable& ControlMembers();
// All "AdvancedSettings<N>" objects are views of one set of values, as in
// the platform's control, where each interface extends the one before.
const MemberTable& AdvancedSettingsMembers();
const MemberTable& SecuredSettingsMembers();

const Member& ControlMember(ControlDispid id);
const Member& AdvancedMember(SettingsDispid id);

// When hr is DISP_E_EXCEPTION and the caller gave an EXCEPINFO, fills it the
// way type-library automation does; returns hr.
HRESULT ReportFailure(HRESULT hr, const std::wstring& member, EXCEPINFO* exception);
