// Where a vtable-only interface of the RDP control keeps a member, read from
// the control's own type library. The platform's pages for these interfaces
// list members alphabetically, not in vtable order, and give "Type library:
// MsTscAx.dll"; a slot taken from the library that describes the very object
// is right on every version of the control, where a guessed one would call
// some other method. FUNCDESC.oVft is the member's byte offset in the vtable
// (learn.microsoft.com/windows/win32/api/oaidl/ns-oaidl-funcdesc).
#pragma once

#include <oaidl.h>

#include <cstddef>

#include "core/com_ptr.h"

class TypeLibrarySlots {
public:
    // The library of the type information the control's IDispatch gives
    // (IDispatch::GetTypeInfo, then ITypeInfo::GetContainingTypeLib).
    // Empty when the control gives none.
    static TypeLibrarySlots Of(IDispatch* control);

    explicit operator bool() const { return static_cast<bool>(library_); }

    // The byte offset of the member `name` of kind `kind` declared by the
    // interface `iid` itself, when it takes `params` parameters (a
    // [retval] counts) as its page documents; -1 when the library has no
    // such member, or one whose offset is not a slot past IUnknown's within
    // the interface's vtable.
    int Offset(REFIID iid, const wchar_t* name, INVOKEKIND kind, int params) const;

private:
    ComPtr<ITypeLib> library_;
};

// Calls the method at byte offset `offset` of the vtable of `object`, with
// the arguments its page documents: the same call a C client makes through
// lpVtbl. `object` must be the pointer QueryInterface gave for the interface
// whose library gave the offset.
template <typename... Args>
HRESULT CallVtableSlot(IUnknown* object, int offset, Args... args) {
    using Method = HRESULT(STDMETHODCALLTYPE*)(IUnknown*, Args...);
    void** const vtable = *reinterpret_cast<void***>(object);
    const Method method = reinterpret_cast<Method>(vtable[static_cast<std::size_t>(offset) / sizeof(void*)]);
    return method(object, args...);
}
