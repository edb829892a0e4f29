// The program's declarations of the browser runtime's interfaces against
// the runtime's published facts: each method the program calls must land
// on its slot, and each interface must carry its id. A call goes through a
// fake object whose table records the slot it reached.
#include <gtest/gtest.h>
#include <windows.h>

#include <array>
#include <utility>

#include "webhost/webview2_abi.h"

namespace {

constexpr int kSlots = 80;
int g_lastSlot = -1;

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

// The slot that a call on an object of interface I reaches.
template <typename I>
int SlotOf(void (*call)(I*)) {
    static const std::array<void*, kSlots> table = MakeTable(std::make_integer_sequence<int, kSlots>());
    void* const* fake = table.data();  // a COM object begins with its table's address
    g_lastSlot = -1;
    call(reinterpret_cast<I*>(&fake));
    return g_lastSlot;
}

}  // namespace

#define SLOT_OF(I, call) SlotOf<I>([](I* i) { i->call; })

// Each row: the slot as the runtime's facts give it, and the slot reached.
TEST(WebViewAbi, EveryCalledMethodLandsOnItsSlot) {
    const int cases[][2] = {
        {3, SLOT_OF(ICoreWebView2Environment, CreateCoreWebView2Controller(nullptr, nullptr))},
        {4, SLOT_OF(ICoreWebView2Controller, put_IsVisible(TRUE))},
        {6, SLOT_OF(ICoreWebView2Controller, put_Bounds(RECT{}))},
        {24, SLOT_OF(ICoreWebView2Controller, Close())},
        {25, SLOT_OF(ICoreWebView2Controller, get_CoreWebView2(nullptr))},
        {27, SLOT_OF(ICoreWebView2Controller3, put_DefaultBackgroundColor({}))},
        {4, SLOT_OF(ICoreWebView2Settings, put_IsScriptEnabled(1))},
        {10, SLOT_OF(ICoreWebView2Settings, put_IsStatusBarEnabled(0))},
        {12, SLOT_OF(ICoreWebView2Settings, put_AreDevToolsEnabled(1))},
        {14, SLOT_OF(ICoreWebView2Settings, put_AreDefaultContextMenusEnabled(1))},
        {18, SLOT_OF(ICoreWebView2Settings, put_IsZoomControlEnabled(0))},
        {3, SLOT_OF(ICoreWebView2, get_Settings(nullptr))},
        {5, SLOT_OF(ICoreWebView2, Navigate(L""))},
        {31, SLOT_OF(ICoreWebView2, Reload())},
        {32, SLOT_OF(ICoreWebView2, PostWebMessageAsJson(L""))},
        {34, SLOT_OF(ICoreWebView2, add_WebMessageReceived(nullptr, nullptr))},
        {36, SLOT_OF(ICoreWebView2, CallDevToolsProtocolMethod(L"", L"", nullptr))},
        {51, SLOT_OF(ICoreWebView2, OpenDevToolsWindow())},
        {67, SLOT_OF(ICoreWebView2_2, get_Environment(nullptr))},
        {71, SLOT_OF(ICoreWebView2_3, SetVirtualHostNameToFolderMapping(
                                          L"", L"", COREWEBVIEW2_HOST_RESOURCE_ACCESS_KIND_ALLOW))},
        {5, SLOT_OF(ICoreWebView2WebMessageReceivedEventArgs, TryGetWebMessageAsString(nullptr))},
        {3, SLOT_OF(ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler, Invoke(S_OK, nullptr))},
        {3, SLOT_OF(ICoreWebView2CreateCoreWebView2ControllerCompletedHandler, Invoke(S_OK, nullptr))},
        {3, SLOT_OF(ICoreWebView2WebMessageReceivedEventHandler, Invoke(nullptr, nullptr))},
        {3, SLOT_OF(ICoreWebView2CallDevToolsProtocolMethodCompletedHandler, Invoke(S_OK, nullptr))},
    };
    for (const auto& c : cases) EXPECT_EQ(c[1], c[0]) << "row " << (&c - cases);
}

TEST(WebViewAbi, EveryInterfaceCarriesItsId) {
    const std::pair<GUID, const wchar_t*> cases[] = {
        {ICoreWebView2Environment::kIid, L"{B96D755E-0319-4E92-A296-23436F46A1FC}"},
        {ICoreWebView2Controller::kIid, L"{4D00C0D1-9434-4EB6-8078-8697A560334F}"},
        {ICoreWebView2Controller2::kIid, L"{C979903E-D4CA-4228-92EB-47EE3FA96EAB}"},
        {ICoreWebView2Controller3::kIid, L"{F9614724-5D2B-41DC-AEF7-73D62B51543B}"},
        {ICoreWebView2Settings::kIid, L"{E562E4F0-D7FA-43AC-8D71-C05150499F00}"},
        {ICoreWebView2::kIid, L"{76ECEACB-0462-4D94-AC83-423A6793775E}"},
        {ICoreWebView2_2::kIid, L"{9E8F0CF8-E670-4B5E-B2BC-73E061E3184C}"},
        {ICoreWebView2_3::kIid, L"{A0D6DF20-3B92-416D-AA0C-437A9C727857}"},
        {ICoreWebView2WebMessageReceivedEventArgs::kIid, L"{0F99A40C-E962-4207-9E92-E3D542EFF849}"},
        {ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler::kIid,
         L"{4E8A3389-C9D8-4BD2-B6B5-124FEE6CC14D}"},
        {ICoreWebView2CreateCoreWebView2ControllerCompletedHandler::kIid,
         L"{6C4819F3-C9B7-4260-8127-C9F5BDE7F68C}"},
        {ICoreWebView2WebMessageReceivedEventHandler::kIid, L"{57213F19-00E6-49FA-8E07-898EA01ECBD2}"},
        {ICoreWebView2CallDevToolsProtocolMethodCompletedHandler::kIid,
         L"{5C4889F0-5EF6-4C5A-952C-D8F1B92D0574}"},
    };
    for (const auto& c : cases) {
        GUID published = {};
        EXPECT_EQ(CLSIDFromString(c.second, &published), S_OK) << c.second;
        EXPECT_TRUE(c.first == published) << c.second;
    }
}
