#include "standins/rdpcontrol/rdp_members.h"

namespace {

const Member kControlMembers[] = {
    {L"Server", kServer, VT_BSTR, Access::kGetPut, 0},
    {L"Domain", kDomain, VT_BSTR, Access::kGetPut, 0},
    {L"UserName", kUserName, VT_BSTR, Access::kGetPut, 0},
    {L"DesktopWidth", kDesktopWidth, VT_I4, Access::kGetPut, 0},
    {L"DesktopHeight", kDesktopHeight, VT_I4, Access::kGetPut, 0},
    {L"ColorDepth", kColorDepth, VT_I4, Access::kGetPut, 32},
    {L"DesktopScaleFactor", kDesktopScaleFactor, VT_I4, Access::kGetPut, 100},
    {L"FullScreen", kFullScreen, VT_BOOL, Access::kGetPut, 0},
    {L"AdvancedSettings2", kAdvancedSettings2, VT_DISPATCH, Access::kGetOnly, 0},
    {L"AdvancedSettings", kAdvancedSettings, VT_DISPATCH, Access::kGetOnly, 0},
    {L"SecuredSettings2", kSecuredSettings2, VT_DISPATCH, Access::kGetOnly, 0},
    {L"ExtendedDisconnectReason", kExtendedDisconnectReason, VT_I4, Access::kGetOnly, 0},
    {L"Connect", kConnect, VT_EMPTY, Access::kMethod, 0},
    {L"Disconnect", kDisconnect, VT_EMPTY, Access::kMethod, 0},
    {L"UpdateSessionDisplaySettings", kUpdateSessionDisplaySettings, VT_EMPTY, Access::kMethod, 0},
    {L"GetErrorDescription", kGetErrorDescription, VT_EMPTY, Access::kMethod, 0},
};

const Member kAdvancedMembers[] = {
    {L"RDPPort", kRdpPort, VT_I4, Access::kGetPut, 3389},
    {L"GrabFocusOnConnect", kGrabFocusOnConnect, VT_BOOL, Access::kGetPut, 0},
    {L"EnableAutoReconnect", kEnableAutoReconnect, VT_BOOL, Access::kGetPut, 0},
    {L"RedirectPrinters", kRedirectPrinters, VT_BOOL, Access::kGetPut, 0},
    {L"EnableCredSspSupport", kEnableCredSspSupport, VT_BOOL, Access::kGetPut, 0},
    {L"PromptForCredentials", kPromptForCredentials, VT_BOOL, Access::kGetPut, 0},
    {L"SmartSizing", kSmartSizing, VT_BOOL, Access::kGetPut, 0},
    {L"AuthenticationLevel", kAuthenticationLevel, VT_I4, Access::kGetPut, 0},
    // Write-only in the platform's control too: a password never reads back.
    {L"ClearTextPassword", kClearTextPassword, VT_BSTR, Access::kPutOnly, 0},
};

const Member kSecuredMembers[] = {
    {L"AudioRedirectionMode", kAudioRedirectionMode, VT_I4, Access::kGetPut, 0},
};

const MemberTable kControlTable(kControlMembers);
const MemberTable kAdvancedTable(kAdvancedMembers);
const MemberTable kSecuredTable(kSecuredMembers);

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

const Member& ControlMember(ControlDispid id) {
    return *kControlTable.Find(id);
}

const Member& AdvancedMember(SettingsDispid id) {
    return *kAdvancedTable.Find(id);
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
