#include "standins/rdpcontrol/settings_object.h"

#include "standins/rdpcontrol/control.h"
#include "standins/rdpcontrol/journal.h"
#include "standins/rdpcontrol/rdp_members.h"
#include "standins/rdpcontrol/text.h"

namespace {

const MemberTable& FamilyMembers(SettingsFamily family) {
    switch (family) {
        case SettingsFamily::kSecured:
            return SecuredSettingsMembers();
        case SettingsFamily::kTransport:
            return TransportSettingsMembers();
        default:
            return AdvancedSettingsMembers();
    }
}

PropertyBag& FamilyValues(RdpControl* control, SettingsFamily family) {
    switch (family) {
        case SettingsFamily::kSecured:
            return control->securedSettings();
        case SettingsFamily::kTransport:
            return control->transportSettings();
        default:
            return control->advancedSettings();
    }
}

class SettingsObject final : public SingleInterfaceObject<IDispatch, &IID_IDispatch> {
public:
    SettingsObject(RdpControl* control, SettingsFamily family, int version, const wchar_t* name)
        : control_(control),
          family_(family),
          version_(version),
          name_(Utf8(name)),
          members_(FamilyMembers(family)),
          values_(FamilyValues(control, family)) {
        control_->AddRef();
    }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count == nullptr) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
        if (info != nullptr) *info = nullptr;
        return DISP_E_BADINDEX;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) override {
        if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
        return members_.IdsOfNames(names, count, ids, version_);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception, UINT* argErr) override {
        return Guarded([&] {
            if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
            if (params == nullptr) return E_INVALIDARG;
            const Member* member = members_.Find(id, version_);
            if (member == nullptr) return DISP_E_MEMBERNOTFOUND;
            const std::string name = name_ + "." + Utf8(member->name);
            if (IsPut(flags)) return Put(*member, name, flags, *params, exception, argErr);
            Journal("get " + name);
            if ((flags & (DISPATCH_PROPERTYGET | DISPATCH_METHOD)) == 0) return DISP_E_MEMBERNOTFOUND;
            const HRESULT check = CheckGet(*member, *params);
            if (FAILED(check)) return check;
            return result != nullptr ? values_.Get(*member, result) : S_OK;
        });
    }

private:
    ~SettingsObject() { control_->Release(); }

    HRESULT Put(const Member& member, const std::string& name, WORD flags, const DISPPARAMS& params,
                EXCEPINFO* exception, UINT* argErr) {
        Journal("put " + name + "=" + ValueText(PutValue(params)));
        const HRESULT check = CheckPut(member, flags, params, argErr);
        if (FAILED(check)) return check;
        const VARIANT& value = params.rgvarg[0];
        const long number = value.vt == VT_UI4 ? static_cast<long>(value.ulVal) : value.lVal;
        if ((value.vt == VT_I4 || value.vt == VT_UI4) && !SettingValueAccepted(members_, member.id, number))
            return E_INVALIDARG;
        // imsrdpclientsecuredsettings-keyboardhookmode, -autoredirectionmode:
        // "These properties cannot be set when the control is connected."
        if (family_ == SettingsFamily::kSecured && control_->InSession()) return E_FAIL;
        // imsrdpclientadvancedsettings-connecttoserverconsole: "not supported.
        // Calls ... always return S_FALSE"; nothing is taken.
        if (family_ == SettingsFamily::kAdvanced && member.id == kConnectToServerConsole) return S_FALSE;
        if (family_ == SettingsFamily::kAdvanced && member.id == kSmartSizing) {
            const HRESULT failure = FailureOption("smart_sizing_fail_hr");
            if (failure != S_OK) return ReportFailure(failure, member.name, exception);
        }
        values_.Put(member, value);
        control_->Repaint();
        return S_OK;
    }

    RdpControl* control_;
    SettingsFamily family_;
    int version_;
    std::string name_;
    const MemberTable& members_;
    PropertyBag& values_;
};

}  // namespace

HRESULT CreateSettingsObject(RdpControl* control, SettingsFamily family, int version, const wchar_t* name,
                             IDispatch** object) {
    *object = new (std::nothrow) SettingsObject(control, family, version, name);
    return *object != nullptr ? S_OK : E_OUTOFMEMORY;
}
