// The program compiles against Microsoft's WebView2.h; the stand-in runtime
// declares the same interfaces on its own. Both copies must put every call
// the program makes on the same slot and give every interface the same id,
// or the stand-in would answer calls a real runtime routes elsewhere.
#include <WebView2.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "webhost/vtable_slot.h"

namespace standin {
std::vector<AbiSlot> Slots();
std::vector<AbiId> Ids();
}  // namespace standin

namespace {

std::vector<AbiSlot> ProgramSlots() {
    return {
#include "webhost/webview_abi_rows.inc"
    };
}

std::vector<AbiId> ProgramIds() {
#define ABI_ID(I, standinId) \
    { #I, IID_##I }
    return {
#include "webhost/webview_abi_ids.inc"
    };
#undef ABI_ID
}

}  // namespace

TEST(WebViewAbi, TheStandinPutsEveryCallOnTheSdksSlot) {
    const std::vector<AbiSlot> program = ProgramSlots();
    const std::vector<AbiSlot> standin = standin::Slots();
    ASSERT_EQ(program.size(), standin.size());
    for (std::size_t i = 0; i < program.size(); ++i) {
        EXPECT_GE(program[i].slot, 3) << program[i].call;  // the recorder saw the call
        EXPECT_EQ(standin[i].slot, program[i].slot) << program[i].call;
    }
}

TEST(WebViewAbi, TheStandinGivesEveryInterfaceTheSdksId) {
    const std::vector<AbiId> program = ProgramIds();
    const std::vector<AbiId> standin = standin::Ids();
    ASSERT_EQ(program.size(), standin.size());
    for (std::size_t i = 0; i < program.size(); ++i) {
        EXPECT_TRUE(IsEqualIID(standin[i].iid, program[i].iid)) << program[i].name;
    }
}
