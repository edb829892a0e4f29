// The program's declarations of the browser runtime's interfaces against
// the runtime's published facts: each method the program calls must land
// on its slot, and each interface must carry its id. A call goes through a
// fake object whose table records the slot it reached.
#include <gtest/gtest.h>
#include <windows.h>

#include <array>
#include <functional>
#include <string>
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

struct FakeObject {
    void* const* table;
};

// The slot that a call on an object of interface I reaches.
template <typename I>
int SlotOf(const std::function<void(I*)>& call) {
    static const std::array<void*, kSlots> table = MakeTable(std::make_integer_sequence<int, kSlots>());
    FakeObject fake{table.data()};
    g_lastSlot = -1;
    call(reinterpret_cast<I*>(&fake));
    return g_lastSlot;
}

struct SlotCase {
    const char* method;
    int slot;  // as the runtime's facts give it
    int reached;
};

template <typename I>
SlotCase Case(const char* method, int slot, const std::function<void(I*)>& call) {
    return {method, slot, SlotOf<I>(call)};
}

GUID Guid(const wchar_t* text) {
    GUID guid = {};
    EXPECT_EQ(CLSIDFromString(text, &guid), S_OK) << text;
    return guid;
}

}  // namespace

TEST(WebViewAbi, EveryCalledMethodLandsOnItsSlot) {
    const RECT rect = {};
    const SlotCase cases[] = {
        Case<ICoreWebView2Environment>("Environment.CreateCoreWebView2Controller", 3,
                                       [](auto* i) { i->CreateCoreWebView2Controller(nullptr, nullptr); }),
        Case<ICoreWebView2Controller>("Controller.put_IsVisible", 4, [](auto* i) { i->put_IsVisible(TRUE); }),
        Case<ICoreWebView2Controller>("Controller.put_Bounds", 6, [&](auto* i) { i->put_Bounds(rect); }),
        Case<ICoreWebView2Controller>("Controller.Close", 24, [](auto* i) { i->Close(); }),
        Case<ICoreWebView2Controller>("Controller.get_CoreWebView2", 25,
                                      [](auto* i) { i->get_CoreWebView2(nullptr); }),
        Case<ICoreWebView2Controller3>("Controller3.put_DefaultBackgroundColor", 27,
                                       [](auto* i) { i->put_DefaultBackgroundColor(COREWEBVIEW2_COLOR{}); }),
        Case<ICoreWebView2Settings>("Settings.put_IsScriptEnabled", 4,
                                    [](auto* i) { i->put_IsScriptEnabled(1); }),
        Case<ICoreWebView2Settings>("Settings.put_IsStatusBarEnabled", 10,
                                    [](auto* i) { i->put_IsStatusBarEnabled(0); }),
        Case<ICoreWebView2Settings>("Settings.put_AreDevToolsEnabled", 12,
                                    [](auto* i) { i->put_AreDevToolsEnabled(1); }),
        Case<ICoreWebView2Settings>("Settings.put_AreDefaultContextMenusEnabled", 14,
                                    [](auto* i) { i->put_AreDefaultContextMenusEnabled(1); }),
        Case<ICoreWebView2Settings>("Settings.put_IsZoomControlEnabled", 18,
                                    [](auto* i) { i->put_IsZoomControlEnabled(0); }),
        Case<ICoreWebView2>("WebView.get_Settings", 3, [](auto* i) { i->get_Settings(nullptr); }),
        Case<ICoreWebView2>("WebView.Navigate", 5, [](auto* i) { i->Navigate(L""); }),
        Case<ICoreWebView2>("WebView.Reload", 31, [](auto* i) { i->Reload(); }),
        Case<ICoreWebView2>("WebView.PostWebMessageAsJson", 32,
                            [](auto* i) { i->PostWebMessageAsJson(L""); }),
        Case<ICoreWebView2>("WebView.add_WebMessageReceived", 34,
                            [](auto* i) { i->add_WebMessageReceived(nullptr, nullptr); }),
        Case<ICoreWebView2>("WebView.CallDevToolsProtocolMethod", 36,
                            [](auto* i) { i->CallDevToolsProtocolMethod(L"", L"", nullptr); }),
        Case<ICoreWebView2>("WebView.OpenDevToolsWindow", 51, [](auto* i) { i->OpenDevToolsWindow(); }),
        Case<ICoreWebView2_2>("WebView2.get_Environment", 67, [](auto* i) { i->get_Environment(nullptr); }),
        Case<ICoreWebView2_3>("WebView3.SetVirtualHostNameToFolderMapping", 71,
                              [](auto* i) {
                                  i->SetVirtualHostNameToFolderMapping(
                                      L"", L"", COREWEBVIEW2_HOST_RESOURCE_ACCESS_KIND_ALLOW);
                              }),
        Case<ICoreWebView2WebMessageReceivedEventArgs>("MessageArgs.TryGetWebMessageAsString", 5,
                                                       [](auto* i) { i->TryGetWebMessageAsString(nullptr); }),
        Case<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler>(
            "EnvironmentCompleted.Invoke", 3, [](auto* i) { i->Invoke(S_OK, nullptr); }),
        Case<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler>(
            "ControllerCompleted.Invoke", 3, [](auto* i) { i->Invoke(S_OK, nullptr); }),
        Case<ICoreWebView2WebMessageReceivedEventHandler>("MessageReceived.Invoke", 3,
                                                          [](auto* i) { i->Invoke(nullptr, nullptr); }),
        Case<ICoreWebView2CallDevToolsProtocolMethodCompletedHandler>(
            "DevToolsCompleted.Invoke", 3, [](auto* i) { i->Invoke(S_OK, nullptr); }),
    };
    for (const SlotCase& c : cases) EXPECT_EQ(c.reached, c.slot) << c.method;
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
    for (const auto& c : cases) EXPECT_TRUE(c.first == Guid(c.second)) << c.second;
}
