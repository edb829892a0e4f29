// The stand-in RDP control as COM reaches it: registered under
// HKEY_CLASSES_ROOT, created through COM, driven through IDispatch, with its
// settings objects and connection points.
#include <gtest/gtest.h>
#include <objbase.h>
#include <ocidl.h>
#include <olectl.h>
#include <windows.h>

#include <string>

#include "standins/rdp_standin_support.h"

namespace {

// {302D8188-0052-4807-806A-362B628F9AC5}
constexpr IID kExtendedSettingsIid = {
    0x302D8188, 0x0052, 0x4807, {0x80, 0x6A, 0x36, 0x2B, 0x62, 0x8F, 0x9A, 0xC5}};

const wchar_t* const kAllProgIds[] = {
    L"MsTscAx.MsTscAx.12", L"MsTscAx.MsTscAx.11", L"MsTscAx.MsTscAx.10",
    L"MsRdpClient.9",      L"MsRdpClient.8",      L"MsTscAx.MsTscAx",
};

bool Resolves(const wchar_t* progId) {
    CLSID clsid = {};
    return SUCCEEDED(CLSIDFromProgID(progId, &clsid)) && clsid == kStandinControlClsid;
}

std::wstring ClassesValue(const std::wstring& key, const wchar_t* name) {
    wchar_t value[MAX_PATH * 2] = {};
    DWORD size = sizeof value;
    if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), name, RRF_RT_REG_SZ, nullptr, value, &size) !=
        ERROR_SUCCESS)
        return L"<missing>";
    return value;
}

std::wstring ClsidKey() {
    wchar_t text[64] = {};
    StringFromGUID2(kStandinControlClsid, text, 64);
    return std::wstring(L"CLSID\\") + text;
}

}  // namespace

TEST_F(RdpStandinTest, RegistersExactlyTheNamedProgIds) {
    // The fixture registered everything already; only from nothing does
    // registering everything prove itself.
    ASSERT_EQ(dll_.Unregister(), S_OK);
    for (const wchar_t* progId : kAllProgIds) ASSERT_FALSE(Resolves(progId)) << progId;
    ASSERT_EQ(dll_.Register(nullptr), S_OK);
    for (const wchar_t* progId : kAllProgIds) EXPECT_TRUE(Resolves(progId)) << progId;

    ASSERT_EQ(dll_.Register(L"MsRdpClient.9;MsTscAx.MsTscAx"), S_OK);
    for (const wchar_t* progId : kAllProgIds) {
        const bool named =
            std::wstring(progId) == L"MsRdpClient.9" || std::wstring(progId) == L"MsTscAx.MsTscAx";
        EXPECT_EQ(Resolves(progId), named) << progId;
    }

    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(dll_.module(), path, MAX_PATH);
    EXPECT_EQ(ClassesValue(ClsidKey() + L"\\InprocServer32", nullptr), path);
    EXPECT_EQ(ClassesValue(ClsidKey() + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");

    ASSERT_EQ(dll_.Unregister(), S_OK);
    for (const wchar_t* progId : kAllProgIds) EXPECT_FALSE(Resolves(progId)) << progId;
    EXPECT_EQ(ClassesValue(ClsidKey() + L"\\InprocServer32", nullptr), L"<missing>");
}

TEST_F(RdpStandinTest, CountsEveryObjectUntilReleased) {
    {
        ComPtr<IOleObject> control;
        ASSERT_EQ(CreateControl(control), S_OK);
        EXPECT_EQ(dll_.LiveObjects(), 1);
        EXPECT_EQ(dll_.CanUnloadNow(), S_FALSE);

        ComPtr<IDispatch> dispatch;
        ASSERT_EQ(control->QueryInterface(IID_IDispatch, dispatch.put_void()), S_OK);
        VARIANT settings;
        ASSERT_EQ(Get(dispatch.get(), L"SecuredSettings2", &settings), S_OK);
        ASSERT_EQ(settings.vt, VT_DISPATCH);
        ComPtr<IConnectionPointContainer> container;
        ASSERT_EQ(control->QueryInterface(IID_IConnectionPointContainer, container.put_void()), S_OK);
        ComPtr<IEnumConnectionPoints> points;
        ASSERT_EQ(container->EnumConnectionPoints(points.put()), S_OK);
        EXPECT_EQ(dll_.LiveObjects(), 3);

        // The settings object and the enumerator keep the control alive
        // after the caller's own references to it are gone.
        control.reset();
        dispatch.reset();
        container.reset();
        EXPECT_EQ(dll_.LiveObjects(), 3);
        VariantClear(&settings);
        EXPECT_EQ(dll_.LiveObjects(), 2);
    }
    EXPECT_EQ(dll_.LiveObjects(), 0);
    EXPECT_EQ(dll_.CanUnloadNow(), S_OK);
}

TEST_F(RdpStandinTest, OptionsRefuseCreationAndInterfaces) {
    ComPtr<IOleObject> control;
    dll_.SetOption("create_fail_hr", static_cast<long>(E_ACCESSDENIED));
    EXPECT_EQ(CreateControl(control), E_ACCESSDENIED);
    EXPECT_EQ(dll_.LiveObjects(), 0);

    dll_.Reset();
    ASSERT_EQ(CreateControl(control), S_OK);
    ComPtr<IUnknown> face;
    const struct {
        const char* option;
        IID iid;
    } faces[] = {
        {"no_dispatch", IID_IDispatch},
        {"no_inplace_object", IID_IOleInPlaceObject},
        {"no_connection_points", IID_IConnectionPointContainer},
        {"no_extended_settings", kExtendedSettingsIid},
    };
    for (const auto& entry : faces) {
        EXPECT_EQ(control->QueryInterface(entry.iid, face.put_void()), S_OK) << entry.option;
        dll_.SetOption(entry.option, 1);
        EXPECT_EQ(control->QueryInterface(entry.iid, face.put_void()), E_NOINTERFACE) << entry.option;
        EXPECT_EQ(face.get(), nullptr);
        dll_.SetOption(entry.option, 0);
    }
}

TEST_F(RdpStandinTest, DispatchRefusesMalformedPutsAndJournalsThem) {
    ComPtr<IOleObject> control;
    ASSERT_EQ(CreateControl(control), S_OK);
    ComPtr<IDispatch> dispatch;
    ASSERT_EQ(control->QueryInterface(IID_IDispatch, dispatch.put_void()), S_OK);

    ASSERT_EQ(Put(dispatch.get(), L"Server", Str(L"host-a")), S_OK);
    UINT argErr = 99;
    EXPECT_EQ(Put(dispatch.get(), L"Server", I4(5), &argErr), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(argErr, 0u);
    EXPECT_EQ(Put(dispatch.get(), L"DesktopWidth", Str(L"1280")), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(Put(dispatch.get(), L"FullScreen", I4(1)), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(Put(dispatch.get(), L"FullScreen", Bool(true)), S_OK);

    // Without the named DISPID_PROPERTYPUT argument, and with one too many.
    VARIANT value = Str(L"host-b");
    DISPPARAMS unnamed = {&value, nullptr, 1, 0};
    EXPECT_EQ(dispatch->Invoke(IdOf(dispatch.get(), L"Server"), IID_NULL, 0, DISPATCH_PROPERTYPUT, &unnamed,
                               nullptr, nullptr, nullptr),
              DISP_E_PARAMNOTOPTIONAL);
    VARIANT two[] = {Str(L"host-c"), I4(1)};
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS tooMany = {two, &named, 2, 1};
    EXPECT_EQ(dispatch->Invoke(IdOf(dispatch.get(), L"Server"), IID_NULL, 0, DISPATCH_PROPERTYPUT, &tooMany,
                               nullptr, nullptr, nullptr),
              DISP_E_BADPARAMCOUNT);
    VariantClear(&value);
    VariantClear(&two[0]);

    EXPECT_EQ(GetText(dispatch.get(), L"Server"), L"host-a");
    EXPECT_TRUE(dll_.Journaled("put Server=str:host-a"));
    EXPECT_TRUE(dll_.Journaled("put Server=i4:5"));
    EXPECT_TRUE(dll_.Journaled("put DesktopWidth=str:1280"));
    EXPECT_TRUE(dll_.Journaled("put FullScreen=i4:1"));
    EXPECT_TRUE(dll_.Journaled("put FullScreen=bool:-1"));
    EXPECT_TRUE(dll_.Journaled("put Server=str:host-b"));
    EXPECT_TRUE(dll_.Journaled("get Server"));
}

TEST_F(RdpStandinTest, DispatchNamesAndMethodArguments) {
    ComPtr<IOleObject> control;
    ASSERT_EQ(CreateControl(control), S_OK);
    ComPtr<IDispatch> dispatch;
    ASSERT_EQ(control->QueryInterface(IID_IDispatch, dispatch.put_void()), S_OK);

    LPOLESTR unknown[] = {const_cast<LPOLESTR>(L"NoSuchMember")};
    DISPID id = 0;
    EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, unknown, 1, 0, &id), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(id, DISPID_UNKNOWN);
    EXPECT_NE(IdOf(dispatch.get(), L"Server"), DISPID_UNKNOWN);
    EXPECT_EQ(IdOf(dispatch.get(), L"server"), IdOf(dispatch.get(), L"Server"));
    EXPECT_NE(IdOf(dispatch.get(), L"Server"), IdOf(dispatch.get(), L"UserName"));

    EXPECT_EQ(Call(dispatch.get(), L"Connect", {1}), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(Call(dispatch.get(), L"UpdateSessionDisplaySettings", {1, 2, 3, 4, 5, 6}),
              DISP_E_BADPARAMCOUNT);
    // Not connected: the platform's control refuses too.
    EXPECT_EQ(Call(dispatch.get(), L"UpdateSessionDisplaySettings", {1600, 900, 0, 0, 0, 100, 100}),
              E_UNEXPECTED);
    EXPECT_TRUE(dll_.Journaled("call UpdateSessionDisplaySettings 1600 900 0 0 0 100 100"));

    VARIANT text;
    dll_.SetErrorDescription(L"Die Sitzung wurde beendet");
    EXPECT_EQ(Call(dispatch.get(), L"GetErrorDescription", {2308, 7}, &text), S_OK);
    ASSERT_EQ(text.vt, VT_BSTR);
    EXPECT_STREQ(text.bstrVal, L"Die Sitzung wurde beendet");
    VariantClear(&text);
    EXPECT_TRUE(dll_.Journaled("call GetErrorDescription(method) 2308 7"));
    dll_.SetOption("error_description_mode", 1);
    EXPECT_EQ(Call(dispatch.get(), L"GetErrorDescription", {2308, 7}, &text, DISPATCH_PROPERTYGET),
              DISP_E_MEMBERNOTFOUND);
    EXPECT_TRUE(dll_.Journaled("call GetErrorDescription(get) 2308 7"));
    EXPECT_EQ(Call(dispatch.get(), L"GetErrorDescription", {2308, 7}, &text), S_OK);
    VariantClear(&text);

    dll_.SetOption("connect_fail_hr", static_cast<long>(DISP_E_EXCEPTION));
    EXCEPINFO exception = {};
    EXPECT_EQ(Call(dispatch.get(), L"Connect", {}, nullptr, DISPATCH_METHOD, &exception), DISP_E_EXCEPTION);
    EXPECT_NE(exception.bstrDescription, nullptr);
    EXPECT_NE(exception.scode, S_OK);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrHelpFile);
}

TEST_F(RdpStandinTest, SettingsObjectsShareTheirValuesWithTheControl) {
    ComPtr<IOleObject> control;
    ASSERT_EQ(CreateControl(control), S_OK);
    ComPtr<IDispatch> dispatch;
    ASSERT_EQ(control->QueryInterface(IID_IDispatch, dispatch.put_void()), S_OK);

    VARIANT value;
    ASSERT_EQ(Get(dispatch.get(), L"AdvancedSettings2", &value), S_OK);
    ASSERT_EQ(value.vt, VT_DISPATCH);
    ComPtr<IDispatch> advanced2;
    *advanced2.put() = value.pdispVal;
    ASSERT_EQ(Get(dispatch.get(), L"AdvancedSettings", &value), S_OK);
    ASSERT_EQ(value.vt, VT_DISPATCH);
    ComPtr<IDispatch> advanced;
    *advanced.put() = value.pdispVal;

    EXPECT_EQ(GetNumber(advanced2.get(), L"RDPPort"), 3389);
    EXPECT_EQ(Put(advanced2.get(), L"RDPPort", I4(3390)), S_OK);
    EXPECT_EQ(GetNumber(advanced.get(), L"RDPPort"), 3390);
    EXPECT_EQ(Put(advanced.get(), L"RDPPort", Str(L"3391")), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(GetNumber(advanced2.get(), L"RDPPort"), 3390);
    EXPECT_EQ(Put(advanced2.get(), L"ClearTextPassword", Str(L"s3cret")), S_OK);
    EXPECT_EQ(Get(advanced2.get(), L"ClearTextPassword", &value), DISP_E_MEMBERNOTFOUND);

    dll_.SetOption("smart_sizing_fail_hr", static_cast<long>(E_NOTIMPL));
    EXPECT_EQ(Put(advanced2.get(), L"SmartSizing", Bool(true)), E_NOTIMPL);
    ASSERT_EQ(Get(advanced2.get(), L"SmartSizing", &value), S_OK);
    EXPECT_EQ(value.vt, VT_BOOL);
    EXPECT_EQ(value.boolVal, VARIANT_FALSE);

    EXPECT_TRUE(dll_.Journaled("put AdvancedSettings2.RDPPort=i4:3390"));
    EXPECT_TRUE(dll_.Journaled("put AdvancedSettings.RDPPort=str:3391"));
    EXPECT_TRUE(dll_.Journaled("put AdvancedSettings2.ClearTextPassword=str:s3cret"));
    EXPECT_TRUE(dll_.Journaled("put AdvancedSettings2.SmartSizing=bool:-1"));
    EXPECT_TRUE(dll_.Journaled("get AdvancedSettings2"));

    dll_.SetOption("no_advanced_settings2", 1);
    ASSERT_EQ(Get(dispatch.get(), L"AdvancedSettings2", &value), S_OK);
    EXPECT_EQ(value.vt, VT_EMPTY);
}

TEST_F(RdpStandinTest, OneConnectionPointForTheEventInterface) {
    ComPtr<IOleObject> control;
    ASSERT_EQ(CreateControl(control), S_OK);
    ComPtr<IConnectionPointContainer> container;
    ASSERT_EQ(control->QueryInterface(IID_IConnectionPointContainer, container.put_void()), S_OK);

    ComPtr<IConnectionPoint> point;
    EXPECT_EQ(container->FindConnectionPoint(IID_IPropertyNotifySink, point.put()), CONNECT_E_NOCONNECTION);
    ASSERT_EQ(container->FindConnectionPoint(kEventsIid, point.put()), S_OK);
    IID iid = {};
    EXPECT_EQ(point->GetConnectionInterface(&iid), S_OK);
    EXPECT_TRUE(iid == kEventsIid);
    EXPECT_EQ(point->Unadvise(12345), CONNECT_E_NOCONNECTION);

    ComPtr<IEnumConnectionPoints> points;
    ASSERT_EQ(container->EnumConnectionPoints(points.put()), S_OK);
    IConnectionPoint* found[2] = {};
    ULONG fetched = 0;
    EXPECT_EQ(points->Next(2, found, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 1u);
    EXPECT_EQ(found[0]->GetConnectionInterface(&iid), S_OK);
    EXPECT_TRUE(iid == kEventsIid);
    found[0]->Release();
    EXPECT_EQ(points->Next(1, found, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 0u);
    EXPECT_EQ(points->Reset(), S_OK);
    ComPtr<IEnumConnectionPoints> copy;
    ASSERT_EQ(points->Clone(copy.put()), S_OK);
    EXPECT_EQ(points->Skip(1), S_OK);
    EXPECT_EQ(points->Skip(1), S_FALSE);
    EXPECT_EQ(copy->Next(1, found, nullptr), S_OK);  // the copy kept its own place
    found[0]->Release();

    dll_.SetOption("no_exact_connection_point", 1);
    EXPECT_EQ(container->FindConnectionPoint(kEventsIid, point.put()), CONNECT_E_NOCONNECTION);
}
