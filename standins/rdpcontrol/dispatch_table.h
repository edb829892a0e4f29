// The rules every IDispatch of the stand-in follows, as type-library based
// automation applies them: names found without regard to case, puts only
// with the named DISPID_PROPERTYPUT argument, values only of the declared
// type (no coercion, so a caller's wrong VARIANT shows instead of being
// quietly converted).
#pragma once

#include <oaidl.h>

#include <cstddef>
#include <map>
#include <string>
#include <vector>

enum class Access { kGetPut, kGetOnly, kPutOnly, kMethod };

struct Member {
    const wchar_t* name;
    DISPID id;
    VARTYPE type;  // of the property; VT_EMPTY for methods
    Access access;
    long initial;  // the value of a number a caller never put
    // The version of the interface family that first declares the member;
    // an object of an older version does not know the name.
    int since;
};

class MemberTable {
public:
    template <std::size_t N>
    constexpr explicit MemberTable(const Member (&members)[N]) : members_(members), count_(N) {}

    // Members an object of interface version `version` has.
    const Member* Find(DISPID id, int version) const;
    // GetIDsOfNames: the first name is the member; names after it would be
    // parameter names, which no member here has.
    HRESULT IdsOfNames(LPOLESTR* names, UINT count, DISPID* ids, int version) const;

private:
    const Member* members_;
    std::size_t count_;
};

// The argument a put carries: the one named DISPID_PROPERTYPUT, else the
// first there is; null without arguments.
const VARIANT* PutValue(const DISPPARAMS& params);
// Everything a put must satisfy before its value is taken.
HRESULT CheckPut(const Member& member, WORD flags, const DISPPARAMS& params, UINT* argErr);
HRESULT CheckGet(const Member& member, const DISPPARAMS& params);
bool IsPut(WORD flags);

// A method's VT_I4 arguments in declared order (DISPPARAMS has them last
// first).
HRESULT MethodArguments(const DISPPARAMS& params, UINT expected, std::vector<long>* values, UINT* argErr);
// " <n> <n> ..." in declared order; an argument that is no VT_I4 as its
// ValueText.
std::string ArgumentsText(const DISPPARAMS& params);

// Property values as last put, typed by their member.
class PropertyBag {
public:
    void Put(const Member& member, const VARIANT& value);
    // Writes a copy into result (which the caller clears).
    HRESULT Get(const Member& member, VARIANT* result) const;
    std::wstring Text(DISPID id) const;
    long Number(const Member& member) const;
    bool Flag(DISPID id) const;

private:
    struct Value {
        std::wstring text;
        long number = 0;
    };
    std::map<DISPID, Value> values_;
};
