#include <gtest/gtest.h>
#include <ocidl.h>

#include "rdp/session_test_support.h"

namespace {

const IID kIidOleInPlaceSiteEx = {
    0x9C2CAD80, 0x3424, 0x11CF, {0xB6, 0x70, 0x00, 0xAA, 0x00, 0x4C, 0xD6, 0xD8}};
const IID kIidOleInPlaceSiteWindowless = {
    0x922EADA0, 0x3424, 0x11CF, {0xB6, 0x70, 0x00, 0xAA, 0x00, 0x4C, 0xD6, 0xD8}};

template <typename T>
T* Face(RdpSession& session, REFIID iid) {
    void* out = nullptr;
    return SUCCEEDED(session.QueryInterface(iid, &out)) ? static_cast<T*>(out) : nullptr;
}

}  // namespace

TEST(SessionSite, EachInterfaceAndServiceComesFromItsFaceWithoutCounting) {
    RdpSession session;
    auto* clientSite = Face<IOleClientSite>(session, IID_IOleClientSite);
    auto* inPlaceSite = Face<IOleInPlaceSite>(session, IID_IOleInPlaceSite);
    ASSERT_NE(clientSite, nullptr);
    ASSERT_NE(inPlaceSite, nullptr);
    EXPECT_EQ(Face<IUnknown>(session, IID_IUnknown), static_cast<IUnknown*>(clientSite));
    EXPECT_EQ(Face<IOleWindow>(session, IID_IOleWindow), static_cast<IOleWindow*>(inPlaceSite));
    EXPECT_EQ(Face<IOleControlSite>(session, IID_IOleControlSite), static_cast<IOleControlSite*>(&session));
    EXPECT_EQ(Face<IPropertyNotifySink>(session, IID_IPropertyNotifySink),
              static_cast<IPropertyNotifySink*>(&session));
    EXPECT_EQ(Face<IServiceProvider>(session, IID_IServiceProvider),
              static_cast<IServiceProvider*>(&session));

    // Asked through another face, the answer is the same.
    void* out = nullptr;
    EXPECT_EQ(inPlaceSite->QueryInterface(IID_IOleClientSite, &out), S_OK);
    EXPECT_EQ(out, clientSite);
    EXPECT_EQ(clientSite->AddRef(), 2u);
    EXPECT_EQ(inPlaceSite->Release(), 1u);

    for (const IID* refused :
         {&kIidOleInPlaceSiteEx, &kIidOleInPlaceSiteWindowless, &IID_IDispatch, &IID_IOleInPlaceFrame}) {
        out = reinterpret_cast<void*>(1);
        EXPECT_EQ(session.QueryInterface(*refused, &out), E_NOINTERFACE);
        EXPECT_EQ(out, nullptr);
    }
    EXPECT_EQ(session.QueryInterface(IID_IUnknown, nullptr), E_POINTER);

    // The control asks its site for services; the site offers only itself.
    const GUID anyService = {0x12345678, 0x1, 0x2, {3, 4, 5, 6, 7, 8, 9, 10}};
    EXPECT_EQ(session.QueryService(anyService, IID_IServiceProvider, &out), S_OK);
    EXPECT_EQ(out, static_cast<IServiceProvider*>(&session));
    out = reinterpret_cast<void*>(1);
    EXPECT_EQ(session.QueryService(IID_IServiceProvider, IID_IOleClientSite, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
}

TEST(SessionSite, WindowAndContextComeFromTheHostWindow) {
    RdpSession session;
    HWND window = reinterpret_cast<HWND>(1);
    EXPECT_EQ(session.GetWindow(&window), E_FAIL);  // before Create
    EXPECT_EQ(window, nullptr);
    EXPECT_EQ(session.GetWindow(nullptr), E_POINTER);

    ParentWindow parent;
    ASSERT_TRUE(session.Create(parent.get(), RECT{5, 5, 645, 485}, "s1"));
    EXPECT_EQ(session.GetWindow(&window), S_OK);
    EXPECT_EQ(window, session.hostWindow());

    EXPECT_EQ(session.GetWindowContext(nullptr, nullptr, nullptr, nullptr, nullptr), S_OK);

    IOleInPlaceFrame* frame = nullptr;
    IOleInPlaceUIWindow* document = reinterpret_cast<IOleInPlaceUIWindow*>(1);
    RECT position = {}, clip = {};
    OLEINPLACEFRAMEINFO info = {};
    info.cb = 1234;
    info.fMDIApp = TRUE;
    info.cAccelEntries = 9;
    ASSERT_EQ(session.GetWindowContext(&frame, &document, &position, &clip, &info), S_OK);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(document, nullptr);  // the frame is the document window too, which null says
    RECT border = {-1, -1, -1, -1};
    EXPECT_EQ(frame->GetBorder(&border), S_OK);  // the whole tab
    EXPECT_EQ(border.right - border.left, 640);
    EXPECT_EQ(border.bottom - border.top, 480);
    for (const IID* iid : {&IID_IUnknown, &IID_IOleWindow, &IID_IOleInPlaceUIWindow, &IID_IOleInPlaceFrame}) {
        void* out = nullptr;
        EXPECT_EQ(frame->QueryInterface(*iid, &out), S_OK);
        EXPECT_EQ(out, frame);
    }
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(frame->QueryInterface(IID_IOleInPlaceSite, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    HWND frameWindow = nullptr;
    EXPECT_EQ(frame->GetWindow(&frameWindow), S_OK);
    EXPECT_EQ(frameWindow, session.hostWindow());
    const RECT client = {0, 0, 640, 480};
    EXPECT_TRUE(EqualRect(&position, &client) && EqualRect(&clip, &client));
    EXPECT_EQ(info.cb, 1234u);
    EXPECT_FALSE(info.fMDIApp);
    EXPECT_EQ(info.hwndFrame, SharedTopLevel());
    EXPECT_EQ(info.haccel, nullptr);
    EXPECT_EQ(info.cAccelEntries, 0u);
}
