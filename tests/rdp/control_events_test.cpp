#include "rdp/control_events.h"

#include <gtest/gtest.h>
#include <ocidl.h>

#include <utility>
#include <vector>

#include "core/unicode.h"
#include "rdp/control_classes.h"
#include "rdp/disconnect_reason.h"
#include "rdp/dispatch_calls.h"
#include "rdp/rdp_event_sink.h"
#include "rdp/vtable_interfaces.h"
#include "standins/rdpcontrol/control_classes.h"

namespace standin {
#include "standins/rdpcontrol/rdp_interfaces.h"
}  // namespace standin

TEST(VariantToInt, ConvertsNumbersTextsAndFlagsOnly) {
    VARIANT_BOOL flag = VARIANT_TRUE;
    LONG number = 5;
    struct Case {
        VARTYPE type;
        void (*fill)(VARIANT&, void*);
        int expected;
    };
    const Case cases[] = {
        {VT_I2, [](VARIANT& v, void*) { v.iVal = -12; }, -12},
        {VT_I4, [](VARIANT& v, void*) { v.lVal = 2825; }, 2825},
        {VT_UI4, [](VARIANT& v, void*) { v.ulVal = 0xFFFFFFFFu; }, -1},
        {VT_INT, [](VARIANT& v, void*) { v.intVal = 77; }, 77},
        {VT_R4, [](VARIANT& v, void*) { v.fltVal = -3.9f; }, -3},
        {VT_R8, [](VARIANT& v, void*) { v.dblVal = 516.99; }, 516},
        {VT_BOOL, [](VARIANT& v, void*) { v.boolVal = VARIANT_TRUE; }, 1},
        {VT_BOOL, [](VARIANT& v, void*) { v.boolVal = VARIANT_FALSE; }, 0},
        {VT_UI2, [](VARIANT& v, void*) { v.uiVal = 65535; }, 65535},
        {VT_BSTR, [](VARIANT& v, void*) { v.bstrVal = nullptr; }, 0},
        // By reference, or of any other type: 0.
        {VT_BYREF | VT_BOOL, [](VARIANT& v, void* p) { v.pboolVal = static_cast<VARIANT_BOOL*>(p); }, 0},
        {VT_BYREF | VT_I4, [](VARIANT& v, void* p) { v.plVal = static_cast<LONG*>(p); }, 0},
        {VT_I8, [](VARIANT& v, void*) { v.llVal = 9; }, 0},
        {VT_EMPTY, [](VARIANT&, void*) {}, 0},
    };
    for (const Case& c : cases) {
        VARIANT v;
        VariantInit(&v);
        v.vt = c.type;
        c.fill(v, c.type == (VT_BYREF | VT_BOOL) ? static_cast<void*>(&flag) : &number);
        EXPECT_EQ(VariantToInt(&v), c.expected) << "vt " << c.type;
    }
    EXPECT_EQ(VariantToInt(nullptr), 0);
    for (const auto& text : {std::pair<const char*, int>{"  264 and more", 264}, {"-7", -7}, {"abc", 0}}) {
        Variant value = Variant::String(text.first);
        EXPECT_EQ(VariantToInt(&value.value()), text.second) << text.first;
    }
}

TEST(EventSink, AnswersForTheEventInterfaceAndCountsItsReferences) {
    ComPtr<RdpEventSink> sink = ComPtr<RdpEventSink>::Adopt(new RdpEventSink(nullptr));
    const IID events = kIidMsTscAxEvents;
    for (const IID* iid : {&IID_IUnknown, &IID_IDispatch, &events}) {
        void* out = nullptr;
        EXPECT_EQ(sink->QueryInterface(*iid, &out), S_OK);
        EXPECT_EQ(out, static_cast<IDispatch*>(sink.get()));
        sink->Release();
    }
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(sink->QueryInterface(IID_IConnectionPoint, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    // Every interface handed out is counted: the control's references keep
    // the sink after the session has let go.
    EXPECT_EQ(sink->AddRef(), 2u);
    EXPECT_EQ(sink->Release(), 1u);
    // Without a session an event is taken and dropped.
    EXPECT_EQ(sink->Invoke(4, IID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr), S_OK);
}

// The program and the stand-in control each hold the control's interface
// ids, written independently from the platform's documentation; a typo in
// either copy shows up here and not on a user's machine; so do the event
// numbers.
TEST(PlatformFacts, TheProgramAndTheStandInAgree) {
    EXPECT_TRUE(IsEqualIID(kIidMsTscAxEvents, standin::kIidMsTscAxEvents));
    EXPECT_TRUE(IsEqualIID(kIidMsRdpExtendedSettings, standin::kIidMsRdpExtendedSettings));
    // The not-scriptable interfaces' ids and slots: compared through the
    // stand-in's type library (ControlCreation.VtableSlotsComeFromTheControlsTypeLibrary).
    // Every class the program creates is one the stand-in knows by the same
    // CLSID, and has every interface the sessions use.
    std::size_t count = 0;
    const RdpControlClass* classes = RdpControlClasses(&count);
    for (std::size_t i = 0; i < count; ++i) {
        SCOPED_TRACE(classes[i].name);
        const ControlClass* known = FindControlClassByName(ToWide(classes[i].name).c_str());
        ASSERT_NE(known, nullptr);
        EXPECT_TRUE(IsEqualCLSID(known->clsid, classes[i].clsid));
        EXPECT_TRUE(known->extendedSettings);
        EXPECT_GE(known->nonScriptableVersion, 3);
        EXPECT_GE(known->clientVersion, 5);  // GetErrorDescription, AdvancedSettings7
    }
    const std::pair<DISPID, DISPID> events[] = {
        {kOnConnecting, standin::kOnConnecting},
        {kOnConnected, standin::kOnConnected},
        {kOnLoginComplete, standin::kOnLoginComplete},
        {kOnDisconnected, standin::kOnDisconnected},
        {kOnFatalError, standin::kOnFatalError},
        {kOnWarning, standin::kOnWarning},
        {kOnRemoteDesktopSizeChange, standin::kOnRemoteDesktopSizeChange},
        {kOnAutoReconnecting, standin::kOnAutoReconnecting},
        {kOnAuthenticationWarningDisplayed, standin::kOnAuthenticationWarningDisplayed},
        {kOnAuthenticationWarningDismissed, standin::kOnAuthenticationWarningDismissed},
        {kOnLogonError, standin::kOnLogonError},
        {kOnFocusReleased, standin::kOnFocusReleased},
        {kOnAutoReconnected, standin::kOnAutoReconnected},
        {kOnAutoReconnecting2, standin::kOnAutoReconnecting2},
    };
    for (const auto& [program, standIn] : events) EXPECT_EQ(program, standIn);
    // Every reason the stand-in reports is one the program can name.
    for (long reason : {standin::kReasonLocal, standin::kReasonRemote, standin::kReasonDnsLookupFailed,
                        standin::kReasonTimedOut, standin::kReasonSocketConnectFailed,
                        standin::kReasonSocketRecvFailed, standin::kReasonSocketClosed}) {
        EXPECT_NE(KnownDisconnectReasonText(static_cast<int>(reason)), nullptr) << reason;
    }
}
