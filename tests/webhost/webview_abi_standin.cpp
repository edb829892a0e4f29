// The stand-in runtime's side of the comparison: its own declarations, kept
// in a namespace of their own so they never meet the SDK's.
#include <oaidl.h>
#include <objidl.h>
#include <windows.h>

#include <vector>

#include "webhost/vtable_slot.h"

namespace standin {
#include "standins/webview/webview2_abi.h"

std::vector<AbiSlot> Slots() {
    return {
#include "webhost/webview_abi_rows.inc"
    };
}

std::vector<AbiId> Ids() {
#define ABI_ID(I, standinId) \
    { #I, standinId }
    return {
#include "webhost/webview_abi_ids.inc"
    };
#undef ABI_ID
}

}  // namespace standin
