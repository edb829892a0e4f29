// IMsTscNonScriptable up to IMsRdpClientNonScriptable3 (rdp_vtables.idl):
// the settings no script may reach. Journal lines are "vtable <method> <value>".
#include "standins/rdpcontrol/control.h"
#include "standins/rdpcontrol/drive_collection.h"
#include "standins/rdpcontrol/journal.h"
#include "standins/rdpcontrol/rdp_members.h"
#include "standins/rdpcontrol/text.h"

namespace {

std::string FlagText(VARIANT_BOOL value) {
    return value == VARIANT_FALSE ? "bool:0" : "bool:-1";
}

// The encoded password forms are gone from current controls
// (imstscnonscriptable-portablepassword: "Returns E_NOTIMPL").
HRESULT Retired(const char* name) {
    Journal(std::string("vtable ") + name);
    return E_NOTIMPL;
}

}  // namespace

HRESULT RdpControl::NonScriptablePut(const char* name, VARIANT_BOOL value, VARIANT_BOOL* stored) {
    Journal(std::string("vtable put_") + name + " " + FlagText(value));
    *stored = value;
    return S_OK;
}

HRESULT RdpControl::NonScriptableGet(const char* name, VARIANT_BOOL stored, VARIANT_BOOL* value) {
    Journal(std::string("vtable get_") + name);
    if (value == nullptr) return E_POINTER;
    *value = stored;
    return S_OK;
}

// imstscnonscriptable-cleartextpassword: only while not connected.
HRESULT RdpControl::put_ClearTextPassword(BSTR password) {
    Journal("vtable put_ClearTextPassword");
    if (password == nullptr) return E_INVALIDARG;
    return state_ == SessionState::kConnecting || state_ == SessionState::kConnected ? E_FAIL : S_OK;
}

HRESULT RdpControl::put_PortablePassword(BSTR) {
    return Retired("put_PortablePassword");
}
HRESULT RdpControl::get_PortablePassword(BSTR*) {
    return Retired("get_PortablePassword");
}
HRESULT RdpControl::put_PortableSalt(BSTR) {
    return Retired("put_PortableSalt");
}
HRESULT RdpControl::get_PortableSalt(BSTR*) {
    return Retired("get_PortableSalt");
}
HRESULT RdpControl::put_BinaryPassword(BSTR) {
    return Retired("put_BinaryPassword");
}
HRESULT RdpControl::get_BinaryPassword(BSTR*) {
    return Retired("get_BinaryPassword");
}
HRESULT RdpControl::put_BinarySalt(BSTR) {
    return Retired("put_BinarySalt");
}
HRESULT RdpControl::get_BinarySalt(BSTR*) {
    return Retired("get_BinarySalt");
}

HRESULT RdpControl::ResetPassword() {
    Journal("vtable ResetPassword");
    return S_OK;
}

HRESULT RdpControl::NotifyRedirectDeviceChange(WPARAM, LPARAM) {
    Journal("vtable NotifyRedirectDeviceChange");
    return S_OK;
}

HRESULT RdpControl::SendKeys(LONG, VARIANT_BOOL*, LONG*) {
    return Retired("SendKeys");
}
HRESULT RdpControl::put_UIParentWindowHandle(HWND) {
    return Retired("put_UIParentWindowHandle");
}
HRESULT RdpControl::get_UIParentWindowHandle(HWND*) {
    return Retired("get_UIParentWindowHandle");
}

HRESULT RdpControl::put_ShowRedirectionWarningDialog(VARIANT_BOOL show) {
    return NonScriptablePut("ShowRedirectionWarningDialog", show, &showRedirectionWarning_);
}
HRESULT RdpControl::get_ShowRedirectionWarningDialog(VARIANT_BOOL* show) {
    return NonScriptableGet("ShowRedirectionWarningDialog", showRedirectionWarning_, show);
}
HRESULT RdpControl::put_PromptForCredentials(VARIANT_BOOL prompt) {
    return NonScriptablePut("PromptForCredentials", prompt, &promptForCredentials_);
}
HRESULT RdpControl::get_PromptForCredentials(VARIANT_BOOL* prompt) {
    return NonScriptableGet("PromptForCredentials", promptForCredentials_, prompt);
}
HRESULT RdpControl::put_NegotiateSecurityLayer(VARIANT_BOOL negotiate) {
    return NonScriptablePut("NegotiateSecurityLayer", negotiate, &negotiateSecurityLayer_);
}
HRESULT RdpControl::get_NegotiateSecurityLayer(VARIANT_BOOL* negotiate) {
    return NonScriptableGet("NegotiateSecurityLayer", negotiateSecurityLayer_, negotiate);
}
HRESULT RdpControl::put_EnableCredSspSupport(VARIANT_BOOL enable) {
    return NonScriptablePut("EnableCredSspSupport", enable, &enableCredSsp_);
}
HRESULT RdpControl::get_EnableCredSspSupport(VARIANT_BOOL* enable) {
    return NonScriptableGet("EnableCredSspSupport", enableCredSsp_, enable);
}

HRESULT RdpControl::get_DriveCollection(IMsRdpDriveCollection** drives) {
    Journal("vtable get_DriveCollection");
    if (drives == nullptr) return E_POINTER;
    *drives = nullptr;
    if (drives_ == nullptr) {
        const HRESULT made = NewDriveCollection(&drives_);
        if (FAILED(made)) return made;
    }
    drives_->AddRef();
    *drives = drives_;
    return S_OK;
}
