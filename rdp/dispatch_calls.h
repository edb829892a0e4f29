// Late-bound calls on the RDP control and its settings objects: everything
// except one interface is reached by name through IDispatch.
#pragma once

#include <oaidl.h>

#include <string>

#include "core/com_ptr.h"

// A VARIANT that clears itself.
class Variant {
public:
    Variant() { VariantInit(&value_); }
    ~Variant() { VariantClear(&value_); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;

    static Variant Int(long value);
    static Variant UInt(unsigned long value);
    static Variant Bool(bool value);
    // UTF-8 in, BSTR of its UTF-16 form held.
    static Variant String(const std::string& utf8);

    VARIANT* get() { return &value_; }
    const VARIANT& value() const { return value_; }
    void clear() { VariantClear(&value_); }

    Variant(Variant&& other) noexcept : value_(other.value_) { VariantInit(&other.value_); }

private:
    VARIANT value_;
};

// Looks one name up (IID_NULL, LOCALE_SYSTEM_DEFAULT).
HRESULT DispatchLookup(IDispatch* object, const wchar_t* name, DISPID* id);

// Invokes a member already looked up. args are in declared order; they are
// handed to the object reversed, as IDispatch expects.
HRESULT DispatchInvokeId(IDispatch* object, DISPID id, WORD flags, const Variant* args, unsigned count,
                         VARIANT* result);

// Both of the above; the failing HRESULT of the lookup or of the call is
// returned.
HRESULT DispatchInvoke(IDispatch* object, const wchar_t* name, WORD flags, const Variant* args,
                       unsigned count, VARIANT* result);

// A property put with the one named argument DISPID_PROPERTYPUT.
HRESULT DispatchPut(IDispatch* object, const wchar_t* name, Variant value);

// A property get that counts only when it gives a non-null VT_DISPATCH; the
// object comes with a reference of its own.
ComPtr<IDispatch> DispatchGetObject(IDispatch* object, const wchar_t* name);
