// Which slot of its table a call on an interface reaches: the call goes
// through a fake object whose table records the slot it landed on.
#pragma once

#include <windows.h>

#include <array>
#include <utility>

namespace vtable_slot {

constexpr int kSlots = 100;
inline int g_lastSlot = -1;

// On x64 the caller cleans up the arguments, so one recorder per slot can
// take any call that returns an HRESULT.
template <int N>
HRESULT STDMETHODCALLTYPE RecordSlot(void*) {
    g_lastSlot = N;
    return S_OK;
}

template <int... N>
std::array<void*, kSlots> MakeTable(std::integer_sequence<int, N...>) {
    return {reinterpret_cast<void*>(&RecordSlot<N>)...};
}

template <typename I>
int SlotOf(void (*call)(I*)) {
    static const std::array<void*, kSlots> table = MakeTable(std::make_integer_sequence<int, kSlots>());
    void* const* fake = table.data();  // a COM object begins with its table's address
    g_lastSlot = -1;
    call(reinterpret_cast<I*>(&fake));
    return g_lastSlot;
}

}  // namespace vtable_slot

// One row: the call's text and the slot it reached.
struct AbiSlot {
    const char* call;
    int slot;
};
#define ABI_SLOT(I, call)                                              \
    AbiSlot {                                                          \
#I "::" #call, vtable_slot::SlotOf < I>([](I* i) { i->call; }) \
    }

// One row: an interface's name and the id its declarations give it.
struct AbiId {
    const char* name;
    IID iid;
};
