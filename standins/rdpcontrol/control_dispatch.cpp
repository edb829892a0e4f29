// The control's automation face: its properties, the settings objects it
// hands out, and its methods.
#include "standins/rdpcontrol/control.h"
#include "standins/rdpcontrol/journal.h"
#include "standins/rdpcontrol/rdp_members.h"
#include "standins/rdpcontrol/settings_object.h"
#include "standins/rdpcontrol/text.h"

namespace {

// GetErrorDescription answers as a method and as a property get (callers of
// the platform's control use either), each of which a test may break.
enum ErrorDescriptionMode : long {
    kDescriptionWorks = 0,
    kDescriptionGetFails = 1,
    kDescriptionGetEmpty = 2,
    kDescriptionFails = 3,
    kDescriptionNumber = 4,
};

bool InvokedAsGet(WORD flags) {
    return (flags & DISPATCH_METHOD) == 0 && (flags & DISPATCH_PROPERTYGET) != 0;
}

struct SettingsGet {
    ControlDispid id;
    SettingsFamily family;
    int version;
    const char* missingOption;  // the test option that makes the get give VT_EMPTY
};

constexpr SettingsGet kSettingsGets[] = {
    {kAdvancedSettings, SettingsFamily::kAdvanced, 1, "no_advanced_settings"},
    {kAdvancedSettings2, SettingsFamily::kAdvanced, 2, "no_advanced_settings2"},
    {kAdvancedSettings3, SettingsFamily::kAdvanced, 3, "no_advanced_settings"},
    {kAdvancedSettings4, SettingsFamily::kAdvanced, 4, "no_advanced_settings"},
    {kAdvancedSettings5, SettingsFamily::kAdvanced, 5, "no_advanced_settings"},
    {kAdvancedSettings6, SettingsFamily::kAdvanced, 6, "no_advanced_settings"},
    {kAdvancedSettings7, SettingsFamily::kAdvanced, 7, "no_advanced_settings"},
    {kAdvancedSettings8, SettingsFamily::kAdvanced, 8, "no_advanced_settings"},
    {kAdvancedSettings9, SettingsFamily::kAdvanced, 9, "no_advanced_settings"},
    {kSecuredSettings, SettingsFamily::kSecured, 1, "no_secured_settings2"},
    {kSecuredSettings2, SettingsFamily::kSecured, 2, "no_secured_settings2"},
    {kSecuredSettings3, SettingsFamily::kSecured, 3, "no_secured_settings2"},
    {kTransportSettings, SettingsFamily::kTransport, 1, "no_transport_settings"},
    {kTransportSettings2, SettingsFamily::kTransport, 2, "no_transport_settings"},
};

}  // namespace

HRESULT RdpControl::GetTypeInfoCount(UINT* count) {
    if (count == nullptr) return E_POINTER;
    *count = Option("no_type_info") == 0 ? 1 : 0;
    return S_OK;
}

// The type library is the DLL's own resource (type_library.rc), loaded from
// the DLL's path as LoadTypeLibEx documents, and not registered: nothing
// outside a client holding the control needs it.
HRESULT RdpControl::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
    if (info == nullptr) return E_POINTER;
    *info = nullptr;
    if (index != 0 || Option("no_type_info") != 0) return DISP_E_BADINDEX;
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(StandinInstance(), path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return E_FAIL;
    ITypeLib* library = nullptr;
    HRESULT hr = LoadTypeLibEx(path, REGKIND_NONE, &library);
    if (FAILED(hr)) return hr;
    hr = library->GetTypeInfoOfGuid(DIID_StandinControl, info);
    library->Release();
    return hr;
}

HRESULT RdpControl::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    return ControlMembers().IdsOfNames(names, count, ids, class_.clientVersion);
}

HRESULT RdpControl::Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                           EXCEPINFO* exception, UINT* argErr) {
    // A call may fire events whose handlers let go of every reference the
    // caller had: the control lives until the call is over.
    SelfReference self(static_cast<IOleObject*>(this));
    return Guarded([&] {
        if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
        if (params == nullptr) return E_INVALIDARG;
        const Member* member = ControlMembers().Find(id, class_.clientVersion);
        if (member == nullptr) return DISP_E_MEMBERNOTFOUND;
        if (member->access == Access::kMethod)
            return InvokeMethod(*member, flags, *params, result, exception, argErr);
        if (IsPut(flags)) return PutProperty(*member, flags, *params, argErr);
        Journal("get " + Utf8(member->name));
        if ((flags & (DISPATCH_PROPERTYGET | DISPATCH_METHOD)) == 0) return DISP_E_MEMBERNOTFOUND;
        return GetProperty(*member, *params, result, exception);
    });
}

namespace {

// learn.microsoft.com/windows/win32/termserv/imstscax-desktopwidth (and
// -desktopheight): 200 to 8192 on current clients; 0 leaves it to the
// control's own size.
bool DesktopSideAccepted(long side) {
    return side == 0 || (side >= 200 && side <= 8192);
}

// The monitor layout the control sends for UpdateSessionDisplaySettings
// ([MS-RDPEDISP] 2.2.2.2.1): each side 200 to 8192, the width even.
bool SessionSizeAccepted(long width, long height) {
    return width >= 200 && width <= 8192 && width % 2 == 0 && height >= 200 && height <= 8192;
}

}  // namespace

HRESULT RdpControl::PutProperty(const Member& member, WORD flags, const DISPPARAMS& params, UINT* argErr) {
    Journal("put " + Utf8(member.name) + "=" + ValueText(PutValue(params)));
    const HRESULT check = CheckPut(member, flags, params, argErr);
    if (FAILED(check)) return check;
    if ((member.id == kDesktopWidth || member.id == kDesktopHeight) &&
        !DesktopSideAccepted(PutValue(params)->lVal))
        return E_INVALIDARG;
    properties_.Put(member, params.rgvarg[0]);
    Repaint();
    return S_OK;
}

HRESULT RdpControl::GetProperty(const Member& member, const DISPPARAMS& params, VARIANT* result,
                                EXCEPINFO* exception) {
    const HRESULT check = CheckGet(member, params);
    if (FAILED(check)) return check;
    if (member.type == VT_DISPATCH) return GetSettingsObject(member, result);
    if (member.id == kExtendedDisconnectReason) {
        const HRESULT failure = FailureOption("extended_reason_fail_hr");
        if (failure != S_OK) return ReportFailure(failure, member.name, exception);
        if (result == nullptr) return S_OK;
        VariantInit(result);
        result->vt = VT_I4;
        result->lVal = Option("extended_reason");
        return S_OK;
    }
    return result != nullptr ? properties_.Get(member, result) : S_OK;
}

HRESULT RdpControl::GetSettingsObject(const Member& member, VARIANT* result) {
    if (result == nullptr) return S_OK;
    VariantInit(result);
    for (const SettingsGet& get : kSettingsGets) {
        if (get.id != member.id) continue;
        if (Option(get.missingOption) != 0) return S_OK;
        IDispatch* settings = nullptr;
        const HRESULT created = CreateSettingsObject(this, get.family, get.version, member.name, &settings);
        if (FAILED(created)) return created;
        result->vt = VT_DISPATCH;
        result->pdispVal = settings;
        return S_OK;
    }
    return DISP_E_MEMBERNOTFOUND;
}

HRESULT RdpControl::InvokeMethod(const Member& member, WORD flags, const DISPPARAMS& params, VARIANT* result,
                                 EXCEPINFO* exception, UINT* argErr) {
    const bool describing = member.id == kGetErrorDescription;
    const bool asGet = InvokedAsGet(flags);
    std::string line = "call " + Utf8(member.name);
    if (describing) line += asGet ? "(get)" : "(method)";
    Journal(line + ArgumentsText(params));
    if ((flags & DISPATCH_METHOD) == 0 && !(describing && asGet)) return DISP_E_MEMBERNOTFOUND;

    std::vector<long> arguments;
    const UINT expected = member.id == kUpdateSessionDisplaySettings ? 7 : describing ? 2 : 0;
    const HRESULT check = MethodArguments(params, expected, &arguments, argErr);
    if (FAILED(check)) return check;
    switch (member.id) {
        case kConnect: {
            const HRESULT failure = FailureOption("connect_fail_hr");
            if (failure != S_OK) return ReportFailure(failure, member.name, exception);
            return Connect();
        }
        case kDisconnect:
            // imstscax-disconnect: "returns a failure error value if it is
            // called when the control is not connected".
            if (state_ != SessionState::kConnecting && state_ != SessionState::kConnected) return E_FAIL;
            Disconnect();
            return S_OK;
        case kUpdateSessionDisplaySettings:
            return UpdateDisplay(arguments, exception);
        case kGetErrorDescription:
            return DescribeError(flags, arguments, result);
        default:
            return DISP_E_MEMBERNOTFOUND;
    }
}

// desktopWidth, desktopHeight, physicalWidth, physicalHeight, orientation,
// desktopScaleFactor, deviceScaleFactor.
HRESULT RdpControl::UpdateDisplay(const std::vector<long>& arguments, EXCEPINFO* exception) {
    if (state_ != SessionState::kConnected) return E_UNEXPECTED;
    if (!SessionSizeAccepted(arguments[0], arguments[1])) return E_INVALIDARG;
    const HRESULT failure = TakeUpdateDisplayFailure();
    if (failure != S_OK) return ReportFailure(failure, L"UpdateSessionDisplaySettings", exception);
    remoteKnown_ = true;
    remoteWidth_ = arguments[0];
    remoteHeight_ = arguments[1];
    Repaint();
    return S_OK;
}

HRESULT RdpControl::DescribeError(WORD flags, const std::vector<long>& arguments, VARIANT* result) {
    const long mode = Option("error_description_mode");
    const bool asGet = InvokedAsGet(flags);
    if (mode == kDescriptionFails || (mode == kDescriptionGetFails && asGet)) return DISP_E_MEMBERNOTFOUND;
    if (result == nullptr) return S_OK;
    VariantInit(result);
    if (mode == kDescriptionGetEmpty && asGet) return S_OK;
    if (mode == kDescriptionNumber) {
        result->vt = VT_I4;
        result->lVal = 0;
        return S_OK;
    }
    std::wstring text;
    result->vt = VT_BSTR;
    if (!ErrorDescription(arguments[0], arguments[1], &text)) return S_OK;  // a null BSTR
    result->bstrVal = SysAllocString(text.c_str());
    return result->bstrVal != nullptr ? S_OK : E_OUTOFMEMORY;
}
