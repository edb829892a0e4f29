#include "standins/rdpcontrol/dispatch_table.h"

#include "standins/rdpcontrol/text.h"

const Member* MemberTable::Find(DISPID id, int version) const {
    for (std::size_t i = 0; i < count_; ++i) {
        if (members_[i].id == id && members_[i].since <= version) return &members_[i];
    }
    return nullptr;
}

HRESULT MemberTable::IdsOfNames(LPOLESTR* names, UINT count, DISPID* ids, int version) const {
    if (count == 0) return S_OK;
    if (names == nullptr || ids == nullptr) return E_POINTER;
    HRESULT result = S_OK;
    ids[0] = DISPID_UNKNOWN;
    for (std::size_t i = 0; names[0] != nullptr && i < count_; ++i) {
        if (members_[i].since <= version && lstrcmpiW(members_[i].name, names[0]) == 0)
            ids[0] = members_[i].id;
    }
    if (ids[0] == DISPID_UNKNOWN) result = DISP_E_UNKNOWNNAME;
    for (UINT i = 1; i < count; ++i) {
        ids[i] = DISPID_UNKNOWN;
        result = DISP_E_UNKNOWNNAME;
    }
    return result;
}

const VARIANT* PutValue(const DISPPARAMS& params) {
    if (params.cArgs == 0 || params.rgvarg == nullptr) return nullptr;
    for (UINT i = 0; i < params.cNamedArgs && i < params.cArgs; ++i) {
        if (params.rgdispidNamedArgs != nullptr && params.rgdispidNamedArgs[i] == DISPID_PROPERTYPUT)
            return &params.rgvarg[i];
    }
    return &params.rgvarg[0];
}

bool IsPut(WORD flags) {
    return (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
}

HRESULT CheckPut(const Member& member, WORD flags, const DISPPARAMS& params, UINT* argErr) {
    if (member.access == Access::kGetOnly || member.access == Access::kMethod) return DISP_E_MEMBERNOTFOUND;
    if ((flags & DISPATCH_PROPERTYPUT) == 0) return DISP_E_MEMBERNOTFOUND;
    if (params.cNamedArgs != 1 || params.rgdispidNamedArgs == nullptr ||
        params.rgdispidNamedArgs[0] != DISPID_PROPERTYPUT) {
        return DISP_E_PARAMNOTOPTIONAL;
    }
    if (params.cArgs != 1) return DISP_E_BADPARAMCOUNT;
    if (params.rgvarg == nullptr) return E_POINTER;
    if (params.rgvarg[0].vt != member.type) {
        if (argErr != nullptr) *argErr = 0;
        return DISP_E_TYPEMISMATCH;
    }
    return S_OK;
}

HRESULT CheckGet(const Member& member, const DISPPARAMS& params) {
    if (member.access == Access::kPutOnly || member.access == Access::kMethod) return DISP_E_MEMBERNOTFOUND;
    if (params.cArgs != 0) return DISP_E_BADPARAMCOUNT;
    return S_OK;
}

HRESULT MethodArguments(const DISPPARAMS& params, UINT expected, std::vector<long>* values, UINT* argErr) {
    if (params.cNamedArgs != 0) return DISP_E_NONAMEDARGS;
    if (params.cArgs != expected) return DISP_E_BADPARAMCOUNT;
    if (expected > 0 && params.rgvarg == nullptr) return E_POINTER;
    values->clear();
    for (UINT declared = 0; declared < expected; ++declared) {
        const UINT at = expected - 1 - declared;
        if (params.rgvarg[at].vt != VT_I4) {
            if (argErr != nullptr) *argErr = at;
            return DISP_E_TYPEMISMATCH;
        }
        values->push_back(params.rgvarg[at].lVal);
    }
    return S_OK;
}

std::string ArgumentsText(const DISPPARAMS& params) {
    std::string text;
    if (params.rgvarg == nullptr) return text;
    for (UINT declared = 0; declared < params.cArgs; ++declared) {
        const VARIANT& argument = params.rgvarg[params.cArgs - 1 - declared];
        text += ' ';
        text += argument.vt == VT_I4 ? std::to_string(argument.lVal) : ValueText(&argument);
    }
    return text;
}

void PropertyBag::Put(const Member& member, const VARIANT& value) {
    Value& stored = values_[member.id];
    switch (value.vt) {
        case VT_BSTR:
            stored.text = value.bstrVal != nullptr ? value.bstrVal : L"";
            break;
        case VT_BOOL:
            stored.number = value.boolVal != VARIANT_FALSE ? 1 : 0;
            break;
        case VT_I4:
            stored.number = value.lVal;
            break;
        case VT_UI4:
            stored.number = static_cast<long>(value.ulVal);
            break;
        default:
            break;
    }
}

HRESULT PropertyBag::Get(const Member& member, VARIANT* result) const {
    VariantInit(result);
    switch (member.type) {
        case VT_BSTR:
            result->vt = VT_BSTR;
            result->bstrVal = SysAllocString(Text(member.id).c_str());
            return result->bstrVal != nullptr ? S_OK : E_OUTOFMEMORY;
        case VT_BOOL:
            result->vt = VT_BOOL;
            result->boolVal = Flag(member.id) ? VARIANT_TRUE : VARIANT_FALSE;
            return S_OK;
        case VT_I4:
            result->vt = VT_I4;
            result->lVal = Number(member);
            return S_OK;
        case VT_UI4:
            result->vt = VT_UI4;
            result->ulVal = static_cast<ULONG>(Number(member));
            return S_OK;
        default:
            return DISP_E_MEMBERNOTFOUND;
    }
}

std::wstring PropertyBag::Text(DISPID id) const {
    const auto found = values_.find(id);
    return found == values_.end() ? std::wstring() : found->second.text;
}

long PropertyBag::Number(const Member& member) const {
    const auto found = values_.find(member.id);
    return found == values_.end() ? member.initial : found->second.number;
}

bool PropertyBag::Flag(DISPID id) const {
    const auto found = values_.find(id);
    return found != values_.end() && found->second.number != 0;
}
