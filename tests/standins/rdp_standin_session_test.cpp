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
