// What the stand-in RDP control demands of its caller and what it survives,
// where the session tests never take it: they drive it the one right way.
// A stand-in that let a wrong call through would hide that call from them.
#include <gtest/gtest.h>
#include <objbase.h>
#include <ocidl.h>
#include <olectl.h>
#include <oleidl.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "core/com_ptr.h"
#include "rdp/control_events.h"
#include "rdp/dispatch_calls.h"
#include "rdp/rdp_event_sink.h"
#include "rdp/session_test_support.h"
#include "standins/rdp_test_peer.h"
#include "standins/rdpcontrol/standin_control.h"

namespace {

// Counts its references without deleting itself, so one the control keeps
// or drops twice shows in refs.
class CountingSink final : public IDispatch {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        *object = nullptr;
        if (iid != IID_IUnknown && iid != IID_IDispatch && iid != kIidMsTscAxEvents) return E_NOINTERFACE;
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispid, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        fired.push_back(dispid);
        if (onEvent) onEvent(dispid);
        return S_OK;
    }

    ULONG refs = 1;  // the test's own
    std::vector<DISPID> fired;
    std::function<void(DISPID)> onEvent;
};

// A put the way automation clients make it, or without the named
// DISPID_PROPERTYPUT argument.
HRESULT Put(IDispatch* object, const wchar_t* name, const Variant& value, bool named = true,
            UINT* argErr = nullptr) {
    DISPID id = DISPID_UNKNOWN;
    DispatchLookup(object, name, &id);
    VARIANT argument = value.value();
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS params = {&argument, named ? &put : nullptr, 1, named ? 1u : 0u};
    return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr,
                          argErr);
}

// The control and its AdvancedSettings2 object, created through COM from
// the DLL registered under every ProgID.
class RdpStandin : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        ASSERT_TRUE(dll.ok());
        ASSERT_EQ(CoCreateInstance(kStandinControlClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                   control.put_void()),
                  S_OK);
        advanced = DispatchGetObject(control.get(), L"AdvancedSettings2");
        ASSERT_TRUE(advanced);
    }
    void TearDown() override {
        advanced.reset();
        control.reset();
        EXPECT_EQ(dll.LiveObjects(), 0);
        EXPECT_EQ(sink.refs, 1u);  // every reference the control took, it gave back
        CoUninitialize();
    }

    void Target(int port) {
        ASSERT_EQ(Put(control.get(), L"Server", Variant::String("127.0.0.1")), S_OK);
        ASSERT_EQ(Put(advanced.get(), L"RDPPort", Variant::Int(port)), S_OK);
    }

    CountingSink sink;  // outlives the control, whatever it holds
    StandinControl dll;
    ComPtr<IDispatch> control;
    ComPtr<IDispatch> advanced;
};

}  // namespace

// A cookie unadvises through any of the control's connection points; a
// handler may tear everything down, and the control outlives it.
TEST_F(RdpStandin, ACookieServesAnyConnectionPointAndAHandlerMayReleaseAll) {
    RdpTestPeer peer;
    ComPtr<IOleObject> ole;
    ASSERT_EQ(control.As(IID_IOleObject, &ole), S_OK);
    ComPtr<IConnectionPointContainer> container;
    ASSERT_EQ(control.As(IID_IConnectionPointContainer, &container), S_OK);
    ComPtr<IConnectionPoint> point, enumerated;
    ASSERT_EQ(container->FindConnectionPoint(kIidMsTscAxEvents, point.put()), S_OK);
    ComPtr<IEnumConnectionPoints> points;
    ASSERT_EQ(container->EnumConnectionPoints(points.put()), S_OK);
    ASSERT_EQ(points->Next(1, enumerated.put(), nullptr), S_OK);
    DWORD cookie = 0;
    ASSERT_EQ(point->Advise(&sink, &cookie), S_OK);
    EXPECT_EQ(sink.refs, 2u);
    EXPECT_EQ(enumerated->Unadvise(cookie), S_OK);
    EXPECT_EQ(sink.refs, 1u);
    EXPECT_EQ(point->Unadvise(cookie), CONNECT_E_NOCONNECTION);
    points.reset();
    enumerated.reset();
    container.reset();

    ASSERT_EQ(point->Advise(&sink, &cookie), S_OK);
    // On OnConnected the host tears everything down, as a program does when
    // the user closes the tab at that moment.
    long liveInHandler = -1;
    sink.onEvent = [&](DISPID dispid) {
        if (dispid != kOnConnected) return;
        point->Unadvise(cookie);
        point.reset();
        advanced.reset();
        control.reset();
        ole->Close(OLECLOSE_NOSAVE);
        ole.reset();
        liveInHandler = dll.LiveObjects();
    };
    Target(peer.port());
    ASSERT_EQ(DispatchInvoke(control.get(), L"Connect", DISPATCH_METHOD, nullptr, 0, nullptr), S_OK);
    ASSERT_TRUE(PumpUntil([&] { return liveInHandler != -1; }, 8000));
    PumpFor(300);
    EXPECT_EQ(sink.fired, (std::vector<DISPID>{kOnConnecting, kOnConnected}));
    EXPECT_EQ(liveInHandler, 1);  // the control outlives the handler that dropped it
    EXPECT_EQ(dll.LiveObjects(), 0);
    EXPECT_TRUE(peer.WaitForClientClose(3000));
}

TEST_F(RdpStandin, UnloadsOnlyWithNoObjectLeft) {
    control.reset();
    EXPECT_EQ(dll.LiveObjects(), 2);  // the settings object holds the control
    EXPECT_EQ(dll.CanUnloadNow(), S_FALSE);
    advanced.reset();
    EXPECT_EQ(dll.LiveObjects(), 0);
    EXPECT_EQ(dll.CanUnloadNow(), S_OK);
}

// Puts take only the declared type, and each connection option only on the
// object whose page declares it, within the values that page lists; a
// refused put changes nothing, what was taken reads back through any object
// of the family, and passwords cannot be read.
TEST_F(RdpStandin, PutsTakeOnlyWhatTheirObjectDeclaresAndPasswordsCannotBeRead) {
    // MsRdpClient9NotSafeForScripting: every settings object up to 9.
    constexpr CLSID kClient9 = {0x8B918B82, 0x7985, 0x4C24, {0x89, 0xDF, 0xC3, 0x3A, 0xD2, 0xBB, 0xFB, 0xCD}};
    ComPtr<IDispatch> client;
    ASSERT_EQ(CoCreateInstance(kClient9, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, client.put_void()),
              S_OK);
    // The object a row names below root; root itself without a name.
    const auto objectOf = [](IDispatch* root, const wchar_t* name) {
        return name == nullptr ? ComPtr<IDispatch>::Retain(root) : DispatchGetObject(root, name);
    };
    const struct {
        IDispatch* root;
        const wchar_t* object;
        const wchar_t* name;
        Variant value;
        HRESULT result;
        bool named = true;
    } puts[] = {
        {control.get(), nullptr, L"Server", Variant::String("host-a"), S_OK},
        {control.get(), nullptr, L"Server", Variant::Int(5), DISP_E_TYPEMISMATCH},
        {control.get(), nullptr, L"Server", Variant::String("host-b"), DISP_E_PARAMNOTOPTIONAL, false},
        {control.get(), nullptr, L"DesktopWidth", Variant::String("1280"), DISP_E_TYPEMISMATCH},
        {control.get(), nullptr, L"FullScreen", Variant::Int(1), DISP_E_TYPEMISMATCH},
        {control.get(), nullptr, L"FullScreen", Variant::Bool(true), S_OK},
        {advanced.get(), nullptr, L"RDPPort", Variant::Int(3390), S_OK},
        {advanced.get(), nullptr, L"RDPPort", Variant::String("3391"), DISP_E_TYPEMISMATCH},
        {advanced.get(), nullptr, L"SmartSizing", Variant::Int(1), DISP_E_TYPEMISMATCH},
        {advanced.get(), nullptr, L"ClearTextPassword", Variant::String("s3cret"), S_OK},
        {client.get(), L"TransportSettings", L"GatewayUsageMethod", Variant::UInt(2), S_OK},
        {client.get(), L"TransportSettings", L"GatewayUsageMethod", Variant::Int(2), DISP_E_TYPEMISMATCH},
        {client.get(), L"TransportSettings", L"GatewayUsageMethod", Variant::UInt(5), E_INVALIDARG},
        {client.get(), L"TransportSettings", L"GatewayCredsSource", Variant::UInt(3), E_INVALIDARG},
        {client.get(), L"TransportSettings", L"GatewayUsername", Variant::String("u"), DISP_E_UNKNOWNNAME},
        {client.get(), L"TransportSettings2", L"GatewayUsername", Variant::String("u"), S_OK},
        {client.get(), L"TransportSettings2", L"GatewayPassword", Variant::String("p"), S_OK},
        {client.get(), L"AdvancedSettings9", L"KeyboardHookMode", Variant::Int(1), DISP_E_UNKNOWNNAME},
        {client.get(), L"SecuredSettings2", L"KeyboardHookMode", Variant::Int(3), E_INVALIDARG},
        {client.get(), L"SecuredSettings2", L"KeyboardHookMode", Variant::Int(0), S_OK},
        {client.get(), L"AdvancedSettings5", L"RedirectClipboard", Variant::Bool(false), DISP_E_UNKNOWNNAME},
        {client.get(), L"AdvancedSettings6", L"RedirectClipboard", Variant::Bool(false), S_OK},
        {client.get(), L"AdvancedSettings7", L"AudioCaptureRedirectionMode", Variant::Bool(true),
         DISP_E_UNKNOWNNAME},
        {client.get(), L"AdvancedSettings9", L"AuthenticationLevel", Variant::Int(3), E_INVALIDARG},
        {client.get(), L"AdvancedSettings9", L"ConnectToServerConsole", Variant::Bool(true), S_FALSE},
    };
    for (const auto& p : puts) {
        const ComPtr<IDispatch> object = objectOf(p.root, p.object);
        ASSERT_TRUE(object) << p.name;
        DISPID id = DISPID_UNKNOWN;
        const HRESULT lookup = DispatchLookup(object.get(), p.name, &id);
        UINT argErr = 99;
        EXPECT_EQ(FAILED(lookup) ? lookup : Put(object.get(), p.name, p.value, p.named, &argErr), p.result)
            << p.name;
        EXPECT_EQ(argErr, p.result == DISP_E_TYPEMISMATCH ? 0u : 99u) << p.name;
    }
    // What was taken, and not what was refused after it; VT_EMPTY: not readable.
    const struct {
        IDispatch* root;
        const wchar_t* object;
        const wchar_t* name;
        VARTYPE type;
        long value;
    } reads[] = {
        {advanced.get(), nullptr, L"RDPPort", VT_I4, 3390},
        {client.get(), L"TransportSettings2", L"GatewayUsageMethod", VT_UI4, 2},
        {client.get(), L"SecuredSettings3", L"KeyboardHookMode", VT_I4, 0},
        {client.get(), L"AdvancedSettings9", L"RedirectClipboard", VT_BOOL, 0},
        {client.get(), L"AdvancedSettings9", L"ConnectToServerConsole", VT_BOOL, 0},
        {advanced.get(), nullptr, L"ClearTextPassword", VT_EMPTY, 0},
        {client.get(), L"TransportSettings2", L"GatewayPassword", VT_EMPTY, 0},
    };
    for (const auto& r : reads) {
        Variant value;
        const HRESULT read = DispatchInvoke(objectOf(r.root, r.object).get(), r.name, DISPATCH_PROPERTYGET,
                                            nullptr, 0, value.get());
        EXPECT_EQ(read, r.type == VT_EMPTY ? DISP_E_MEMBERNOTFOUND : S_OK) << r.name;
        EXPECT_EQ(value.value().vt, r.type) << r.name;
        const VARIANT& v = value.value();
        const long got = r.type == VT_UI4    ? static_cast<long>(v.ulVal)
                         : r.type == VT_BOOL ? v.boolVal
                         : r.type == VT_I4   ? v.lVal
                                             : 0;
        EXPECT_EQ(got, r.value) << r.name;
    }
    Variant server;
    ASSERT_EQ(DispatchInvoke(control.get(), L"Server", DISPATCH_PROPERTYGET, nullptr, 0, server.get()), S_OK);
    EXPECT_TRUE(server.value().vt == VT_BSTR && std::wstring(server.value().bstrVal) == L"host-a");
    // The stand-in's own class is as old as the oldest control: no gateway.
    DISPID id = DISPID_UNKNOWN;
    EXPECT_EQ(DispatchLookup(control.get(), L"TransportSettings", &id), DISP_E_UNKNOWNNAME);
}
