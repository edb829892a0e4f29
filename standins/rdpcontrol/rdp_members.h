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
    kTransportSettings = 113,
    kTransportSettings2 = 114,
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
    kRedirectDrives = 11,
    kRedirectSmartCards = 12,
    kConnectToServerConsole = 13,
    kRedirectClipboard = 14,
    kConnectToAdministerServer = 15,
    kAudioCaptureRedirectionMode = 16,
    // The secured settings' own numbers.
    kAudioRedirectionMode = 1,
    kKeyboardHookMode = 2,
};

// The transport settings' members; "since" is 1 for
// IMsRdpClientTransportSettings ("TransportSettings") and 2 for
// IMsRdpClientTransportSettings2 ("TransportSettings2").
enum TransportDispid : DISPID {
    kGatewayHostname = 1,
    kGatewayUsageMethod = 2,
    kGatewayProfileUsageMethod = 3,
    kGatewayCredsSource = 4,
    kGatewayUserSelectedCredsSource = 5,
    kGatewayIsSupported = 6,
    kGatewayDefaultUsageMethod = 7,
    kGatewayCredSharing = 8,
    kGatewayUsername = 9,
    kGatewayDomain = 10,
    kGatewayPassword = 11,
};

const MemberTable& ControlMembers();
// All "AdvancedSettings<N>" objects are views of one set of values, as in
// the platform's control, where each interface extends the one before.
const MemberTable& AdvancedSettingsMembers();
const MemberTable& SecuredSettingsMembers();
const MemberTable& TransportSettingsMembers();

// False for a number outside what the member's page lists (only members
// whose page lists values are checked).
bool SettingValueAccepted(const MemberTable& table, DISPID id, long value);

const Member& ControlMember(ControlDispid id);
const Member& AdvancedMember(SettingsDispid id);

// When hr is DISP_E_EXCEPTION and the caller gave an EXCEPINFO, fills it the
// way type-library automation does; returns hr.
HRESULT ReportFailure(HRESULT hr, const std::wstring& member, EXCEPINFO* exception);
