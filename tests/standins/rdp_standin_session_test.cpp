// The stand-in RDP control in a session: sited and activated in place in a
// real window, connected to a peer on loopback, its events received by an
// advised sink while this thread pumps messages.
#include <gtest/gtest.h>
#include <objbase.h>
#include <ocidl.h>
#include <oleidl.h>
#include <windows.h>
#include <winsock2.h>

#include <string>
#include <vector>

#include "net/loopback_peers.h"
#include "standins/rdp_standin_support.h"
#include "standins/rdp_test_peer.h"

namespace {

// A name with a label longer than 63 bytes fails inside the resolver, so
// no query ever leaves the machine.
const std::wstring kUnresolvableHost = std::wstring(64, L'a') + L".invalid";

constexpr RECT kPosition = {10, 20, 650, 500};

// A control sited and activated in place in a host window, with a
// recording sink advised, the way the program sets one up.
class RdpStandinSessionTest : public RdpStandinTest {
protected:
    void SetUp() override {
        RdpStandinTest::SetUp();
        site_ = new TestSite(host_.get(), kPosition);
        sink_ = new RecordingSink();
    }
    void TearDown() override {
        CloseControl();
        EXPECT_EQ(site_->refs(), 1u);  // the control let go of its site
        EXPECT_EQ(sink_->refs(), 1u);  // and of the sink
        site_->Release();
        sink_->Release();
        EXPECT_EQ(dll_.LiveObjects(), 0);
        RdpStandinTest::TearDown();
    }

    void OpenControl() {
        ASSERT_EQ(CreateControl(control_), S_OK);
        ASSERT_EQ(control_->SetClientSite(site_), S_OK);
        ASSERT_EQ(control_->SetHostNames(L"Tavolin", nullptr), S_OK);
        ASSERT_EQ(control_->QueryInterface(IID_IDispatch, dispatch_.put_void()), S_OK);
        ComPtr<IConnectionPointContainer> container;
        ASSERT_EQ(control_->QueryInterface(IID_IConnectionPointContainer, container.put_void()), S_OK);
        ASSERT_EQ(container->FindConnectionPoint(kEventsIid, point_.put()), S_OK);
        ASSERT_EQ(point_->Advise(static_cast<IDispatch*>(sink_), &cookie_), S_OK);
        RECT position = kPosition;
        ASSERT_EQ(control_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site_, 0, host_.get(), &position),
                  S_OK);
    }

    void CloseControl() {
        if (point_.get() != nullptr) point_->Unadvise(cookie_);
        point_.reset();
        dispatch_.reset();
        if (control_.get() != nullptr) control_->Close(OLECLOSE_NOSAVE);
        control_.reset();
    }

    // Connect to host:port and pump until dispid has fired.
    void ConnectAndWaitFor(const wchar_t* host, int port, DISPID dispid) {
        ASSERT_EQ(Put(dispatch_.get(), L"Server", Str(host)), S_OK);
        VARIANT settings;
        ASSERT_EQ(Get(dispatch_.get(), L"AdvancedSettings2", &settings), S_OK);
        ASSERT_EQ(settings.vt, VT_DISPATCH);
        const HRESULT portPut = Put(settings.pdispVal, L"RDPPort", I4(port));
        VariantClear(&settings);
        ASSERT_EQ(portPut, S_OK);
        ASSERT_EQ(Call(dispatch_.get(), L"Connect"), S_OK);
        ASSERT_TRUE(PumpUntil([&] { return sink_->saw(dispid); }, 8000)) << "no event " << dispid;
    }

    ParentWindow host_{860, 640};
    TestSite* site_ = nullptr;
    RecordingSink* sink_ = nullptr;
    ComPtr<IOleObject> control_;
    ComPtr<IDispatch> dispatch_;
    ComPtr<IConnectionPoint> point_;
    DWORD cookie_ = 0;
};

}  // namespace

TEST_F(RdpStandinSessionTest, ActivatesInPlaceAsAChildOfTheSiteWindow) {
    OpenControl();
    EXPECT_EQ(site_->activations, 1);
    EXPECT_TRUE(site_->frameInfoSized);
    EXPECT_TRUE(dll_.Journaled("DoVerb -5 10 20 650 500"));
    EXPECT_TRUE(dll_.Journaled("SetClientSite site"));
    EXPECT_TRUE(dll_.Journaled("SetHostNames Tavolin "));

    ComPtr<IOleInPlaceObject> inPlace;
    ASSERT_EQ(control_->QueryInterface(IID_IOleInPlaceObject, inPlace.put_void()), S_OK);
    HWND view = nullptr;
    ASSERT_EQ(inPlace->GetWindow(&view), S_OK);
    ASSERT_TRUE(IsWindow(view));
    EXPECT_EQ(GetParent(view), host_.get());
    const LONG_PTR style = GetWindowLongPtrW(view, GWL_STYLE);
    EXPECT_TRUE((style & WS_CHILD) && (style & WS_VISIBLE) && (style & WS_CLIPCHILDREN));
    RECT placed;
    GetWindowRect(view, &placed);
    MapWindowPoints(nullptr, host_.get(), reinterpret_cast<POINT*>(&placed), 2);
    EXPECT_EQ(placed.left, 10);
    EXPECT_EQ(placed.top, 20);
    EXPECT_EQ(placed.right, 650);
    EXPECT_EQ(placed.bottom, 500);

    const RECT moved = {0, 0, 400, 300};
    EXPECT_EQ(inPlace->SetObjectRects(&moved, &moved), S_OK);
    GetClientRect(view, &placed);
    EXPECT_EQ(placed.right, 400);
    EXPECT_EQ(placed.bottom, 300);
    EXPECT_TRUE(dll_.Journaled("SetObjectRects 0 0 400 300 / 0 0 400 300"));

    inPlace.reset();
    CloseControl();
    EXPECT_FALSE(IsWindow(view));
    EXPECT_EQ(site_->deactivations, 1);
    EXPECT_TRUE(dll_.Journaled("Close 1"));
}

TEST_F(RdpStandinSessionTest, NoWindowOnRequest) {
    dll_.SetOption("no_window", 1);
    OpenControl();
    ComPtr<IOleInPlaceObject> inPlace;
    ASSERT_EQ(control_->QueryInterface(IID_IOleInPlaceObject, inPlace.put_void()), S_OK);
    HWND view = nullptr;
    EXPECT_EQ(inPlace->GetWindow(&view), E_FAIL);
    EXPECT_EQ(GetWindow(host_.get(), GW_CHILD), nullptr);
}

TEST_F(RdpStandinSessionTest, PeerLinesBecomeEventsOnTheControlsThread) {
    RdpTestPeer peer;
    ASSERT_NE(peer.port(), 0);
    OpenControl();
    ConnectAndWaitFor(L"127.0.0.1", peer.port(), 3);
    ASSERT_TRUE(peer.WaitForConnection(2000));
    EXPECT_EQ(sink_->dispids(), (std::vector<DISPID>{1, 2, 3}));
    for (const FiredEvent& event : sink_->events) EXPECT_EQ(event.thread, GetCurrentThreadId());

    ASSERT_TRUE(peer.Send("size 1920 1080"));
    ASSERT_TRUE(PumpUntil([&] { return sink_->saw(12); }, 5000));
    const FiredEvent* size = sink_->find(12);
    ASSERT_EQ(size->values.size(), 2u);
    EXPECT_EQ(size->types[0], VT_I4);
    EXPECT_EQ(size->values[0], 1080);
    EXPECT_EQ(size->values[1], 1920);

    ASSERT_TRUE(peer.Send("reconnecting 3 2"));
    ASSERT_TRUE(peer.Send("event 99 7 8"));
    ASSERT_TRUE(PumpUntil([&] { return sink_->saw(99); }, 5000));
    const FiredEvent* reconnecting = sink_->find(17);
    ASSERT_NE(reconnecting, nullptr);
    ASSERT_EQ(reconnecting->types.size(), 3u);
    EXPECT_EQ(reconnecting->types[0], VT_BYREF | VT_BOOL);
    EXPECT_EQ(reconnecting->values[1], 2);
    EXPECT_EQ(reconnecting->values[2], 3);
    EXPECT_EQ(sink_->find(99)->values, (std::vector<long>{8, 7}));

    ASSERT_TRUE(peer.Send("disconnect 2825"));
    ASSERT_TRUE(PumpUntil([&] { return sink_->saw(4); }, 5000));
    EXPECT_EQ(sink_->find(4)->values, (std::vector<long>{2825}));
    EXPECT_TRUE(peer.WaitForClientClose(3000));

    EXPECT_TRUE(dll_.Journaled("call Connect"));
    EXPECT_TRUE(dll_.Journaled("event 1"));
    EXPECT_TRUE(dll_.Journaled("event 12 i4:1920 i4:1080"));
    EXPECT_TRUE(dll_.Journaled("event 99 i4:7 i4:8"));
    EXPECT_TRUE(dll_.Journaled("event 4 i4:2825"));
}

TEST_F(RdpStandinSessionTest, UpdateDisplayFailsAsOftenAsAsked) {
    RdpTestPeer peer;
    OpenControl();
    EXPECT_EQ(Call(dispatch_.get(), L"UpdateSessionDisplaySettings", {1600, 900, 0, 0, 0, 100, 100}),
              E_UNEXPECTED);
    ConnectAndWaitFor(L"127.0.0.1", peer.port(), 2);

    dll_.SetOption("update_display_fail_hr", static_cast<long>(E_ACCESSDENIED));
    dll_.SetOption("update_display_fail_times", 2);
    const std::vector<long> arguments = {1600, 900, 0, 0, 0, 100, 100};
    EXPECT_EQ(Call(dispatch_.get(), L"UpdateSessionDisplaySettings", arguments), E_ACCESSDENIED);
    EXPECT_EQ(Call(dispatch_.get(), L"UpdateSessionDisplaySettings", arguments), E_ACCESSDENIED);
    EXPECT_EQ(Call(dispatch_.get(), L"UpdateSessionDisplaySettings", arguments), S_OK);
    EXPECT_EQ(Call(dispatch_.get(), L"UpdateSessionDisplaySettings", arguments), S_OK);
}

TEST_F(RdpStandinSessionTest, ConnectionFailuresBecomeDisconnectReasons) {
    OpenControl();
    ConnectAndWaitFor(L"127.0.0.1", ClosedLoopbackPort(), 4);
    EXPECT_EQ(sink_->dispids(), (std::vector<DISPID>{1, 4}));
    EXPECT_EQ(sink_->find(4)->values, (std::vector<long>{516}));

    sink_->events.clear();
    ConnectAndWaitFor(kUnresolvableHost.c_str(), 3389, 4);
    EXPECT_EQ(sink_->find(4)->values, (std::vector<long>{260}));

    sink_->events.clear();
    BlackHoleListener blackHole;
    dll_.SetOption("connect_timeout_ms", 300);
    const ULONGLONG started = GetTickCount64();
    ConnectAndWaitFor(L"127.0.0.1", blackHole.port(), 4);
    EXPECT_GE(GetTickCount64() - started, 250u);
    EXPECT_EQ(sink_->find(4)->values, (std::vector<long>{264}));
}

TEST_F(RdpStandinSessionTest, DisconnectAndPeerCloseEndTheSession) {
    {
        RdpTestPeer peer;
        OpenControl();
        ConnectAndWaitFor(L"127.0.0.1", peer.port(), 3);
        ASSERT_EQ(Call(dispatch_.get(), L"Disconnect"), S_OK);
        EXPECT_TRUE(peer.WaitForClientClose(3000));
        ASSERT_TRUE(PumpUntil([&] { return sink_->saw(4); }, 3000));
        EXPECT_EQ(sink_->find(4)->values, (std::vector<long>{1}));
        // Once disconnected, Disconnect does nothing.
        ASSERT_EQ(Call(dispatch_.get(), L"Disconnect"), S_OK);
        PumpFor(200);
        EXPECT_EQ(sink_->dispids(), (std::vector<DISPID>{1, 2, 3, 4}));
    }
    sink_->events.clear();
    RdpTestPeer peer;
    ConnectAndWaitFor(L"127.0.0.1", peer.port(), 3);
    ASSERT_TRUE(peer.WaitForConnection(2000));
    peer.CloseConnection();
    ASSERT_TRUE(PumpUntil([&] { return sink_->saw(4); }, 5000));
    EXPECT_EQ(sink_->find(4)->values, (std::vector<long>{2}));
}

TEST_F(RdpStandinSessionTest, ResultsOfADroppedConnectionNeverFire) {
    OpenControl();
    const auto connectTo = [&](int port) {
        ASSERT_EQ(Put(dispatch_.get(), L"Server", Str(L"127.0.0.1")), S_OK);
        VARIANT settings;
        ASSERT_EQ(Get(dispatch_.get(), L"AdvancedSettings2", &settings), S_OK);
        ASSERT_EQ(Put(settings.pdispVal, L"RDPPort", I4(port)), S_OK);
        VariantClear(&settings);
        ASSERT_EQ(Call(dispatch_.get(), L"Connect"), S_OK);
    };

    // The refusal is queued before Disconnect, but fires no more after it.
    connectTo(ClosedLoopbackPort());
    Sleep(500);  // not pumping: the worker's result waits in the queue
    ASSERT_EQ(Call(dispatch_.get(), L"Disconnect"), S_OK);
    PumpFor(300);
    EXPECT_EQ(sink_->dispids(), (std::vector<DISPID>{1, 4}));
    ASSERT_EQ(sink_->events.size(), 2u);
    EXPECT_EQ(sink_->events[1].values, (std::vector<long>{1}));

    // Stopped while it waits for an answer, the worker reports nothing.
    sink_->events.clear();
    BlackHoleListener blackHole;
    dll_.SetOption("connect_timeout_ms", 300);
    connectTo(blackHole.port());
    ASSERT_EQ(Call(dispatch_.get(), L"Disconnect"), S_OK);
    PumpFor(800);  // well past the time-out
    EXPECT_EQ(sink_->dispids(), (std::vector<DISPID>{1, 4}));
    ASSERT_EQ(sink_->events.size(), 2u);
    EXPECT_EQ(sink_->events[1].values, (std::vector<long>{1}));

    // After Close nothing fires at all, not even what was queued before.
    sink_->events.clear();
    connectTo(blackHole.port());
    control_->Close(OLECLOSE_NOSAVE);
    PumpFor(800);
    EXPECT_TRUE(sink_->events.empty());
}

TEST_F(RdpStandinSessionTest, HandlerMayCloseAndReleaseTheControl) {
    RdpTestPeer peer;
    OpenControl();
    // On OnConnected the host tears everything down, as a program does when
    // the user closes the tab at that moment.
    long liveInHandler = -1;
    sink_->onEvent = [&](DISPID dispid) {
        if (dispid != 2) return;
        CloseControl();
        liveInHandler = dll_.LiveObjects();
    };
    ConnectAndWaitFor(L"127.0.0.1", peer.port(), 2);
    PumpFor(300);
    EXPECT_EQ(sink_->dispids(), (std::vector<DISPID>{1, 2}));
    // The control outlives the handler that dropped it, and no longer.
    EXPECT_EQ(liveInHandler, 1);
    EXPECT_EQ(dll_.LiveObjects(), 0);
    EXPECT_TRUE(peer.WaitForClientClose(3000));
}

TEST_F(RdpStandinSessionTest, WindowShowsWhatTheSessionBelieves) {
    RdpTestPeer peer;
    OpenControl();
    ComPtr<IOleInPlaceObject> inPlace;
    ASSERT_EQ(control_->QueryInterface(IID_IOleInPlaceObject, inPlace.put_void()), S_OK);
    HWND view = nullptr;
    ASSERT_EQ(inPlace->GetWindow(&view), S_OK);
    ASSERT_EQ(Put(dispatch_.get(), L"UserName", Str(L"alice")), S_OK);
    ASSERT_EQ(Put(dispatch_.get(), L"Domain", Str(L"CORP")), S_OK);
    int width = 0;
    const std::vector<DWORD> before = Capture(view, &width);
    ASSERT_EQ(width, 640);
    EXPECT_EQ(before[2 * width + 2], 0x1E222Au);  // dark background
    EXPECT_GT(LightPixels(before), 200);          // light text on it

    ConnectAndWaitFor(L"127.0.0.1", peer.port(), 3);
    ASSERT_TRUE(peer.Send("size 1920 1080"));
    ASSERT_TRUE(PumpUntil([&] { return sink_->saw(12); }, 5000));
    const std::vector<DWORD> after = Capture(view, &width);
    EXPECT_GT(LightPixels(after), LightPixels(before));  // longer lines now
}
