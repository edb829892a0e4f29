// The program compiles against Microsoft's WebView2.h; the stand-in runtime
// declares the same interfaces on its own. Both copies must put every call
// the program makes on the same slot and give every interface the same id,
// or the stand-in would answer calls a real runtime routes elsewhere.
#include <WebView2.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <map>
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

std::map<std::string, IID> ProgramIds() {
    return {
        {"ICoreWebView2Environment", IID_ICoreWebView2Environment},
        {"ICoreWebView2Controller", IID_ICoreWebView2Controller},
        {"ICoreWebView2Controller2", IID_ICoreWebView2Controller2},
        {"ICoreWebView2Controller3", IID_ICoreWebView2Controller3},
        {"ICoreWebView2Settings", IID_ICoreWebView2Settings},
        {"ICoreWebView2", IID_ICoreWebView2},
        {"ICoreWebView2_2", IID_ICoreWebView2_2},
        {"ICoreWebView2_3", IID_ICoreWebView2_3},
        {"ICoreWebView2WebMessageReceivedEventArgs", IID_ICoreWebView2WebMessageReceivedEventArgs},
        {"ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler",
         IID_ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler},
        {"ICoreWebView2CreateCoreWebView2ControllerCompletedHandler",
         IID_ICoreWebView2CreateCoreWebView2ControllerCompletedHandler},
        {"ICoreWebView2WebMessageReceivedEventHandler", IID_ICoreWebView2WebMessageReceivedEventHandler},
        {"ICoreWebView2CallDevToolsProtocolMethodCompletedHandler",
         IID_ICoreWebView2CallDevToolsProtocolMethodCompletedHandler},
        {"ICoreWebView2NavigationStartingEventArgs", IID_ICoreWebView2NavigationStartingEventArgs},
        {"ICoreWebView2NavigationStartingEventHandler", IID_ICoreWebView2NavigationStartingEventHandler},
        {"ICoreWebView2NewWindowRequestedEventArgs", IID_ICoreWebView2NewWindowRequestedEventArgs},
        {"ICoreWebView2NewWindowRequestedEventHandler", IID_ICoreWebView2NewWindowRequestedEventHandler},
        {"ICoreWebView2ProcessFailedEventArgs", IID_ICoreWebView2ProcessFailedEventArgs},
        {"ICoreWebView2ProcessFailedEventHandler", IID_ICoreWebView2ProcessFailedEventHandler},
    };
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
    const std::map<std::string, IID> program = ProgramIds();
    for (const AbiId& id : standin::Ids()) {
        const auto found = program.find(id.name);
        ASSERT_NE(found, program.end()) << id.name;
        EXPECT_TRUE(IsEqualIID(found->second, id.iid)) << id.name;
    }
    EXPECT_EQ(standin::Ids().size(), program.size());
}
