#include "rdp/type_library_slots_win.h"

#include <utility>

namespace {

constexpr int kUnknownSlots = 3;

// A description an ITypeInfo lends (its attributes, a function's), given
// back to it once through the matching release call.
template <typename T, void (STDMETHODCALLTYPE ITypeInfo::*giveBack)(T*)>
class Lent {
public:
    Lent(ITypeInfo* info, HRESULT got, T* value) : info_(info), value_(SUCCEEDED(got) ? value : nullptr) {}
    ~Lent() {
        if (value_ != nullptr) (info_->*giveBack)(value_);
    }
    Lent(const Lent&) = delete;
    Lent& operator=(const Lent&) = delete;

    const T* get() const { return value_; }

private:
    ITypeInfo* info_;
    T* value_;
};

using TypeAttributes = Lent<TYPEATTR, &ITypeInfo::ReleaseTypeAttr>;
using FunctionDescription = Lent<FUNCDESC, &ITypeInfo::ReleaseFuncDesc>;

TypeAttributes AttributesOf(ITypeInfo* info) {
    TYPEATTR* attributes = nullptr;
    const HRESULT got = info->GetTypeAttr(&attributes);
    return TypeAttributes(info, got, attributes);
}

// A dual interface is listed as its dispinterface; its vtable half is the
// implemented type -1 (ITypeInfo::GetRefTypeOfImplType).
ComPtr<ITypeInfo> VtableHalf(ComPtr<ITypeInfo> info) {
    const TypeAttributes attributes = AttributesOf(info.get());
    if (attributes.get() == nullptr) return {};
    if (attributes.get()->typekind == TKIND_INTERFACE) return info;
    if (attributes.get()->typekind != TKIND_DISPATCH || (attributes.get()->wTypeFlags & TYPEFLAG_FDUAL) == 0)
        return {};
    HREFTYPE vtable = 0;
    ComPtr<ITypeInfo> half;
    if (FAILED(info->GetRefTypeOfImplType(static_cast<UINT>(-1), &vtable)) ||
        FAILED(info->GetRefTypeInfo(vtable, half.put())))
        return {};
    return half;
}

}  // namespace

TypeLibrarySlots TypeLibrarySlots::Of(IDispatch* control) {
    TypeLibrarySlots slots;
    ComPtr<ITypeInfo> info;
    UINT index = 0;
    if (control == nullptr || FAILED(control->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.put())) || !info ||
        FAILED(info->GetContainingTypeLib(slots.library_.put(), &index)))
        slots.library_.reset();
    return slots;
}

int TypeLibrarySlots::Offset(REFIID iid, const wchar_t* name, INVOKEKIND kind, int params) const {
    ComPtr<ITypeInfo> declared;
    if (!library_ || FAILED(library_->GetTypeInfoOfGuid(iid, declared.put())) || !declared) return -1;
    const ComPtr<ITypeInfo> info = VtableHalf(std::move(declared));
    if (!info) return -1;
    MEMBERID member = MEMBERID_NIL;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    if (FAILED(info->GetIDsOfNames(names, 1, &member))) return -1;
    const TypeAttributes attributes = AttributesOf(info.get());
    if (attributes.get() == nullptr) return -1;
    const int slots = attributes.get()->cbSizeVft / static_cast<int>(sizeof(void*));
    for (UINT i = 0; i < attributes.get()->cFuncs; ++i) {
        FUNCDESC* lent = nullptr;
        const HRESULT got = info->GetFuncDesc(i, &lent);
        const FunctionDescription function(info.get(), got, lent);
        const FUNCDESC* f = function.get();
        if (f == nullptr || f->memid != member || f->invkind != kind) continue;
        const int offset = f->oVft;
        const int slot = offset / static_cast<int>(sizeof(void*));
        const bool fits =
            offset % static_cast<int>(sizeof(void*)) == 0 && slot >= kUnknownSlots && slot < slots;
        const bool virtualCall = f->funckind == FUNC_PUREVIRTUAL || f->funckind == FUNC_VIRTUAL;
        return fits && virtualCall && f->cParams == params ? offset : -1;
    }
    return -1;
}
