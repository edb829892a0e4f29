// The names the control and its settings objects answer to. The numbers are
// the stand-in's own: callers are expected to ask GetIDsOfNames.
#pragma once

#include "standins/rdpcontrol/dispatch_table.h"

enum ControlDispid : DISPID {
    kServer = 1,
    kDomain = 2,
    kUserName = 3,
    kDesktopWidth = 12,
    kDesktopHeight = 13,
    kConnect = 30,
    kDisconnect = 31,
    kAdvancedSettings = 98,
    kColorDepth = 100,
    kAdvancedSettings2 = 101,
    kSecuredSettings2 = 102,
    kExtendedDisconnectReason = 103,
    kFullScreen = 104,
    kGetErrorDescription = 200,
    kUpdateSessionDisplaySettings = 201,
    kDesktopScaleFactor = 202,
};

enum SettingsDispid : DISPID {
    kRdpPort = 1,
    kGrabFocusOnConnect = 2,
    kEnableAutoReconnect = 3,
    kRedirectPrinters = 4,
    kEnableCredSspSupport = 5,
    kPromptForCredentials = 6,
    kSmartSizing = 7,
    kAuthenticationLevel = 8,
    kClearTextPassword = 9,
    kAudioRedirectionMode = 1,
};

const MemberTable& ControlMembers();
// "AdvancedSettings2" and "AdvancedSettings" are two views of one set of
// values, as in the platform's control, where the second extends the first.
const MemberTable& AdvancedSettingsMembers();
const MemberTable& SecuredSettingsMembers();

const Member& ControlMember(ControlDispid id);
const Member& AdvancedMember(SettingsDispid id);

// When hr is DISP_E_EXCEPTION and the caller gave an EXCEPINFO, fills it the
// way type-library automation does; returns hr.
HRESULT ReportFailure(HRESULT hr, const std::wstring& member, EXCEPINFO* exception);
