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
    return {
        {"ICoreWebView2Environment", kIidEnvironment},
        {"ICoreWebView2Controller", kIidController},
        {"ICoreWebView2Controller2", kIidController2},
        {"ICoreWebView2Controller3", kIidController3},
        {"ICoreWebView2Settings", kIidSettings},
        {"ICoreWebView2", kIidWebView},
        {"ICoreWebView2_2", kIidWebView2},
        {"ICoreWebView2_3", kIidWebView3},
        {"ICoreWebView2WebMessageReceivedEventArgs", kIidWebMessageArgs},
        {"ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler", kIidEnvironmentCompleted},
        {"ICoreWebView2CreateCoreWebView2ControllerCompletedHandler", kIidControllerCompleted},
        {"ICoreWebView2WebMessageReceivedEventHandler", kIidWebMessageReceived},
        {"ICoreWebView2CallDevToolsProtocolMethodCompletedHandler", kIidDevToolsCompleted},
        {"ICoreWebView2NavigationStartingEventArgs", kIidNavigationStartingArgs},
        {"ICoreWebView2NavigationStartingEventHandler", kIidNavigationStarting},
        {"ICoreWebView2NewWindowRequestedEventArgs", kIidNewWindowArgs},
        {"ICoreWebView2NewWindowRequestedEventHandler", kIidNewWindowRequested},
        {"ICoreWebView2ProcessFailedEventArgs", kIidProcessFailedArgs},
        {"ICoreWebView2ProcessFailedEventHandler", kIidProcessFailed},
    };
}

}  // namespace standin
