#include "rdp/type_library_slots_win.h"

#include <utility>

namespace {

constexpr int kUnknownSlots = 3;

// Type information with its attributes, released together.
class TypeAttributes {
public:
    explicit TypeAttributes(ITypeInfo* info) : info_(info) {
        if (FAILED(info_->GetTypeAttr(&attributes_))) attributes_ = nullptr;
    }
    ~TypeAttributes() {
        if (attributes_ != nullptr) info_->ReleaseTypeAttr(attributes_);
    }
    TypeAttributes(const TypeAttributes&) = delete;
    TypeAttributes& operator=(const TypeAttributes&) = delete;

    const TYPEATTR* get() const { return attributes_; }

private:
    ITypeInfo* info_;
    TYPEATTR* attributes_ = nullptr;
};

class FunctionDescription {
public:
    FunctionDescription(ITypeInfo* info, UINT index) : info_(info) {
        if (FAILED(info_->GetFuncDesc(index, &description_))) description_ = nullptr;
    }
    ~FunctionDescription() {
        if (description_ != nullptr) info_->ReleaseFuncDesc(description_);
    }
    FunctionDescription(const FunctionDescription&) = delete;
    FunctionDescription& operator=(const FunctionDescription&) = delete;

    const FUNCDESC* get() const { return description_; }

private:
    ITypeInfo* info_;
    FUNCDESC* description_ = nullptr;
};

// A dual interface is listed as its dispinterface; its vtable half is the
// implemented type -1 (ITypeInfo::GetRefTypeOfImplType).
ComPtr<ITypeInfo> VtableHalf(ComPtr<ITypeInfo> info) {
    TypeAttributes attributes(info.get());
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
    TypeAttributes attributes(info.get());
    if (attributes.get() == nullptr) return -1;
    const int slots = attributes.get()->cbSizeVft / static_cast<int>(sizeof(void*));
    for (UINT i = 0; i < attributes.get()->cFuncs; ++i) {
        FunctionDescription function(info.get(), i);
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
