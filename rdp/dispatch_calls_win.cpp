#include <vector>

#include "core/unicode.h"
#include "rdp/dispatch_calls.h"

Variant Variant::Int(long value) {
    Variant v;
    v.value_.vt = VT_I4;
    v.value_.lVal = value;
    return v;
}

Variant Variant::UInt(unsigned long value) {
    Variant v;
    v.value_.vt = VT_UI4;
    v.value_.ulVal = value;
    return v;
}

Variant Variant::Bool(bool value) {
    Variant v;
    v.value_.vt = VT_BOOL;
    v.value_.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
}

Variant Variant::String(const std::string& utf8) {
    Variant v;
    const std::wstring wide = ToWide(utf8);
    v.value_.vt = VT_BSTR;
    v.value_.bstrVal = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    return v;
}

HRESULT DispatchLookup(IDispatch* object, const wchar_t* name, DISPID* id) {
    if (object == nullptr) return E_POINTER;
    *id = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    return object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_SYSTEM_DEFAULT, id);
}

HRESULT DispatchInvokeId(IDispatch* object, DISPID id, WORD flags, const Variant* args, unsigned count,
                         VARIANT* result) {
    if (object == nullptr) return E_POINTER;
    std::vector<VARIANT> reversed(count);
    for (unsigned i = 0; i < count; ++i) reversed[i] = args[count - 1 - i].value();  // shallow: args own them
    DISPPARAMS params = {};
    params.rgvarg = count > 0 ? reversed.data() : nullptr;
    params.cArgs = count;
    DISPID putId = DISPID_PROPERTYPUT;
    if (flags & DISPATCH_PROPERTYPUT) {
        params.rgdispidNamedArgs = &putId;
        params.cNamedArgs = 1;
    }
    return object->Invoke(id, IID_NULL, LOCALE_SYSTEM_DEFAULT, flags, &params, result, nullptr, nullptr);
}

HRESULT DispatchInvoke(IDispatch* object, const wchar_t* name, WORD flags, const Variant* args,
                       unsigned count, VARIANT* result) {
    DISPID id = DISPID_UNKNOWN;
    const HRESULT found = DispatchLookup(object, name, &id);
    if (FAILED(found)) return found;
    return DispatchInvokeId(object, id, flags, args, count, result);
}

HRESULT DispatchPut(IDispatch* object, const wchar_t* name, Variant value) {
    return DispatchInvoke(object, name, DISPATCH_PROPERTYPUT, &value, 1, nullptr);
}

ComPtr<IDispatch> DispatchGetObject(IDispatch* object, const wchar_t* name) {
    Variant result;
    if (FAILED(DispatchInvoke(object, name, DISPATCH_PROPERTYGET, nullptr, 0, result.get()))) return {};
    const VARIANT& v = result.value();
    if (v.vt != VT_DISPATCH || v.pdispVal == nullptr) return {};
    v.pdispVal->AddRef();
    return ComPtr<IDispatch>::Adopt(v.pdispVal);
}
