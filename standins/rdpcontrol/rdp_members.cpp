#include "standins/rdpcontrol/rdp_members.h"

namespace {

// Each from the page of its interface: imstscax-*, imsrdpclient-*,
// imsrdpclient<N>-* (learn.microsoft.com/windows/win32/termserv/<page>).
const Member kControlMembers[] = {
    {L"Server", kServer, VT_BSTR, Access::kGetPut, 0, 0},
    {L"Domain", kDomain, VT_BSTR, Access::kGetPut, 0, 0},
    {L"UserName", kUserName, VT_BSTR, Access::kGetPut, 0, 0},
    {L"DesktopWidth", kDesktopWidth, VT_I4, Access::kGetPut, 0, 0},
    {L"DesktopHeight", kDesktopHeight, VT_I4, Access::kGetPut, 0, 0},
    {L"AdvancedSettings", kAdvancedSettings, VT_DISPATCH, Access::kGetOnly, 0, 0},
    {L"SecuredSettings", kSecuredSettings, VT_DISPATCH, Access::kGetOnly, 0, 0},
    {L"Connect", kConnect, VT_EMPTY, Access::kMethod, 0, 0},
    {L"Disconnect", kDisconnect, VT_EMPTY, Access::kMethod, 0, 0},
    {L"ColorDepth", kColorDepth, VT_I4, Access::kGetPut, 32, 1},
    {L"FullScreen", kFullScreen, VT_BOOL, Access::kGetPut, 0, 1},
    {L"AdvancedSettings2", kAdvancedSettings2, VT_DISPATCH, Access::kGetOnly, 0, 1},
    {L"SecuredSettings2", kSecuredSettings2, VT_DISPATCH, Access::kGetOnly, 0, 1},
    {L"ExtendedDisconnectReason", kExtendedDisconnectReason, VT_I4, Access::kGetOnly, 0, 1},
    {L"AdvancedSettings3", kAdvancedSettings3, VT_DISPATCH, Access::kGetOnly, 0, 2},
    {L"AdvancedSettings4", kAdvancedSettings4, VT_DISPATCH, Access::kGetOnly, 0, 3},
    {L"AdvancedSettings5", kAdvancedSettings5, VT_DISPATCH, Access::kGetOnly, 0, 4},
    {L"AdvancedSettings6", kAdvancedSettings6, VT_DISPATCH, Access::kGetOnly, 0, 5},
    {L"GetErrorDescription", kGetErrorDescription, VT_EMPTY, Access::kMethod, 0, 5},
    {L"AdvancedSettings7", kAdvancedSettings7, VT_DISPATCH, Access::kGetOnly, 0, 6},
    {L"AdvancedSettings8", kAdvancedSettings8, VT_DISPATCH, Access::kGetOnly, 0, 7},
    {L"SecuredSettings3", kSecuredSettings3, VT_DISPATCH, Access::kGetOnly, 0, 7},
    {L"AdvancedSettings9", kAdvancedSettings9, VT_DISPATCH, Access::kGetOnly, 0, 8},
    // imsrdpclient5-transportsettings, imsrdpclient6-transportsettings2
    {L"TransportSettings", kTransportSettings, VT_DISPATCH, Access::kGetOnly, 0, 5},
    {L"TransportSettings2", kTransportSettings2, VT_DISPATCH, Access::kGetOnly, 0, 6},
    // imsrdpclient9-methods (learn.microsoft.com/previous-versions/windows/desktop/legacy/mt703457)
    {L"UpdateSessionDisplaySettings", kUpdateSessionDisplaySettings, VT_EMPTY, Access::kMethod, 0, 9},
};

// imstscadvancedsettings-compress; imsrdpclientadvancedsettings-rdpport,
// -grabfocusonconnect, -redirectprinters, -smartsizing, -cleartextpassword;
// imsrdpclientadvancedsettings2-enableautoreconnect;
// imsrdpclientadvancedsettings4-authenticationlevel;
// imsrdpclientadvancedsettings6-enablecredsspsupport.
// imsrdpclientadvancedsettings-redirectdrives, -redirectsmartcards,
// -connecttoserverconsole; imsrdpclientadvancedsettings5-redirectclipboard;
// imsrdpclientadvancedsettings6-
// connecttoadministerserver; imsrdpclientadvancedsettings7-
// audiocaptureredirectionmode.
const Member kAdvancedMembers[] = {
    {L"Compress", kCompress, VT_I4, Access::kGetPut, 1, 1},
    {L"RDPPort", kRdpPort, VT_I4, Access::kGetPut, 3389, 2},
    {L"GrabFocusOnConnect", kGrabFocusOnConnect, VT_BOOL, Access::kGetPut, -1, 2},
    {L"RedirectPrinters", kRedirectPrinters, VT_BOOL, Access::kGetPut, 0, 2},
    {L"SmartSizing", kSmartSizing, VT_BOOL, Access::kGetPut, 0, 2},
    // Write-only in the platform's control too: a password never reads back.
    {L"ClearTextPassword", kClearTextPassword, VT_BSTR, Access::kPutOnly, 0, 2},
    {L"EnableAutoReconnect", kEnableAutoReconnect, VT_BOOL, Access::kGetPut, 0, 3},
    {L"AuthenticationLevel", kAuthenticationLevel, VT_I4, Access::kGetPut, 0, 5},
    {L"EnableCredSspSupport", kEnableCredSspSupport, VT_BOOL, Access::kGetPut, 0, 7},
    {L"RedirectDrives", kRedirectDrives, VT_BOOL, Access::kGetPut, 0, 2},
    {L"RedirectSmartCards", kRedirectSmartCards, VT_BOOL, Access::kGetPut, 0, 2},
    {L"ConnectToServerConsole", kConnectToServerConsole, VT_BOOL, Access::kGetPut, 0, 2},
    {L"RedirectClipboard", kRedirectClipboard, VT_BOOL, Access::kGetPut, -1, 6},
    {L"ConnectToAdministerServer", kConnectToAdministerServer, VT_BOOL, Access::kGetPut, 0, 7},
    {L"AudioCaptureRedirectionMode", kAudioCaptureRedirectionMode, VT_BOOL, Access::kGetPut, 0, 8},
};

// imsrdpclientsecuredsettings-autoredirectionmode and -keyboardhookmode
// (properties of IMsRdpClientSecuredSettings, which "SecuredSettings2"
// gives), both LONG.
const Member kSecuredMembers[] = {
    {L"AudioRedirectionMode", kAudioRedirectionMode, VT_I4, Access::kGetPut, 0, 2},
    {L"KeyboardHookMode", kKeyboardHookMode, VT_I4, Access::kGetPut, 2, 2},
};

// imsrdpclienttransportsettings-* and imsrdpclienttransportsettings2-*:
// the methods and counts are ULONG, GatewayIsSupported a BOOL (VT_I4 in
// automation), GatewayPassword write-only.
const Member kTransportMembers[] = {
    {L"GatewayHostname", kGatewayHostname, VT_BSTR, Access::kGetPut, 0, 1},
    {L"GatewayUsageMethod", kGatewayUsageMethod, VT_UI4, Access::kGetPut, 0, 1},
    {L"GatewayProfileUsageMethod", kGatewayProfileUsageMethod, VT_UI4, Access::kGetPut, 0, 1},
    {L"GatewayCredsSource", kGatewayCredsSource, VT_UI4, Access::kGetPut, 0, 1},
    {L"GatewayUserSelectedCredsSource", kGatewayUserSelectedCredsSource, VT_UI4, Access::kGetPut, 0, 1},
    {L"GatewayIsSupported", kGatewayIsSupported, VT_I4, Access::kGetOnly, 1, 1},
    // "If no user settings were set ... TSC_PROXY_MODE_DETECT."
    {L"GatewayDefaultUsageMethod", kGatewayDefaultUsageMethod, VT_UI4, Access::kGetOnly, 2, 1},
    {L"GatewayCredSharing", kGatewayCredSharing, VT_UI4, Access::kGetPut, 0, 2},
    {L"GatewayUsername", kGatewayUsername, VT_BSTR, Access::kGetPut, 0, 2},
    {L"GatewayDomain", kGatewayDomain, VT_BSTR, Access::kGetPut, 0, 2},
    {L"GatewayPassword", kGatewayPassword, VT_BSTR, Access::kPutOnly, 0, 2},
};

struct Range {
    const MemberTable* table;
    DISPID id;
    long values[5];  // the listed values; unused places repeat the last one
};

const MemberTable kTransportTable(kTransportMembers);

const MemberTable kControlTable(kControlMembers);
const MemberTable kAdvancedTable(kAdvancedMembers);
const MemberTable kSecuredTable(kSecuredMembers);

const Range kRanges[] = {
    // TSC_PROXY_MODE_NONE_DIRECT .. TSC_PROXY_MODE_NONE_DETECT
    {&kTransportTable, kGatewayUsageMethod, {0, 1, 2, 3, 4}},
    {&kTransportTable, kGatewayProfileUsageMethod, {0, 1, 1, 1, 1}},
    // TSC_PROXY_CREDS_MODE_USERPASS, _SMARTCARD, _ANY
    {&kTransportTable, kGatewayCredsSource, {0, 1, 4, 4, 4}},
    {&kTransportTable, kGatewayUserSelectedCredsSource, {0, 1, 4, 4, 4}},
    {&kTransportTable, kGatewayCredSharing, {0, 1, 1, 1, 1}},
    {&kAdvancedTable, kAuthenticationLevel, {0, 1, 2, 2, 2}},
    {&kSecuredTable, kAudioRedirectionMode, {0, 1, 2, 2, 2}},
    {&kSecuredTable, kKeyboardHookMode, {0, 1, 2, 2, 2}},
};

}  // namespace

const MemberTable& ControlMembers() {
    return kControlTable;
}

const MemberTable& AdvancedSettingsMembers() {
    return kAdvancedTable;
}

const MemberTable& SecuredSettingsMembers() {
    return kSecuredTable;
}

const MemberTable& TransportSettingsMembers() {
    return kTransportTable;
}

bool SettingValueAccepted(const MemberTable& table, DISPID id, long value) {
    for (const Range& range : kRanges) {
        if (range.table != &table || range.id != id) continue;
        for (long listed : range.values) {
            if (listed == value) return true;
        }
        return false;
    }
    return true;
}

const Member& ControlMember(ControlDispid id) {
    return *kControlTable.Find(id, 99);
}

const Member& AdvancedMember(SettingsDispid id) {
    return *kAdvancedTable.Find(id, 99);
}

HRESULT ReportFailure(HRESULT hr, const std::wstring& member, EXCEPINFO* exception) {
    if (hr != DISP_E_EXCEPTION || exception == nullptr) return hr;
    *exception = EXCEPINFO();
    exception->scode = E_FAIL;
    exception->bstrSource = SysAllocString(L"MsTscAx stand-in");
    const std::wstring description = L"The stand-in was asked to fail " + member + L".";
    exception->bstrDescription = SysAllocString(description.c_str());
    return hr;
}
