// IMsRdpExtendedSettings: named values the platform's control takes beyond
// its automation properties. The stand-in keeps whatever it is given.
#include "standins/rdpcontrol/control.h"
#include "standins/rdpcontrol/journal.h"
#include "standins/rdpcontrol/text.h"

HRESULT RdpControl::put_Property(BSTR name, VARIANT* value) {
    return Guarded([&] {
        Journal("put_Property " + Utf8(name) + "=" + ValueText(value));
        const HRESULT failure = FailureOption("extended_settings_fail_hr");
        if (failure != S_OK) return failure;
        if (name == nullptr || value == nullptr) return E_INVALIDARG;
        VARIANT& stored = extended_[name];
        VariantClear(&stored);
        return VariantCopy(&stored, value);
    });
}

HRESULT RdpControl::get_Property(BSTR name, VARIANT* value) {
    return Guarded([&] {
        Journal("get_Property " + Utf8(name));
        if (name == nullptr || value == nullptr) return E_INVALIDARG;
        VariantInit(value);
        const auto found = extended_.find(name);
        if (found == extended_.end()) return E_INVALIDARG;
        return VariantCopy(value, &found->second);
    });
}
