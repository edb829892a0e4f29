// IMsRdpExtendedSettings: named values the platform's control takes beyond
// its automation properties. The stand-in knows the ones below, each with
// the type and values imsrdpextendedsettings-property gives it, and refuses
// any other name, type or value.
#include "standins/rdpcontrol/control.h"
#include "standins/rdpcontrol/journal.h"
#include "standins/rdpcontrol/text.h"

namespace {

struct ExtendedProperty {
    const wchar_t* name;
    VARTYPE type;
    bool (*accepts)(const VARIANT& value);
};

bool AnyValue(const VARIANT&) {
    return true;
}

// "The value should be between 100 and 500 (percent)."
bool DesktopScale(const VARIANT& value) {
    return value.ulVal >= 100 && value.ulVal <= 500;
}

// "Valid values: 100, 140, 180"
bool DeviceScale(const VARIANT& value) {
    return value.ulVal == 100 || value.ulVal == 140 || value.ulVal == 180;
}

const ExtendedProperty kProperties[] = {
    {L"DesktopScaleFactor", VT_UI4, DesktopScale},
    {L"DeviceScaleFactor", VT_UI4, DeviceScale},
    {L"EnableZoom", VT_BOOL, AnyValue},
    {L"EnableHardwareMode", VT_BOOL, AnyValue},
    {L"AllowAxToContainerEvents", VT_BOOL, AnyValue},
};

const ExtendedProperty* FindProperty(BSTR name) {
    if (name == nullptr) return nullptr;
    for (const ExtendedProperty& property : kProperties) {
        if (lstrcmpiW(property.name, name) == 0) return &property;
    }
    return nullptr;
}

}  // namespace

HRESULT RdpControl::put_Property(BSTR name, VARIANT* value) {
    return Guarded([&] {
        Journal("put_Property " + Utf8(name) + "=" + ValueText(value));
        const HRESULT failure = FailureOption("extended_settings_fail_hr");
        if (failure != S_OK) return failure;
        const ExtendedProperty* property = FindProperty(name);
        if (property == nullptr || value == nullptr) return E_INVALIDARG;
        if (value->vt != property->type || !property->accepts(*value)) return E_INVALIDARG;
        VARIANT& stored = extended_[property->name];
        VariantClear(&stored);
        return VariantCopy(&stored, value);
    });
}

HRESULT RdpControl::get_Property(BSTR name, VARIANT* value) {
    return Guarded([&] {
        Journal("get_Property " + Utf8(name));
        if (name == nullptr || value == nullptr) return E_INVALIDARG;
        VariantInit(value);
        const ExtendedProperty* property = FindProperty(name);
        const auto found = property != nullptr ? extended_.find(property->name) : extended_.end();
        if (found == extended_.end()) return E_INVALIDARG;
        return VariantCopy(value, &found->second);
    });
}
