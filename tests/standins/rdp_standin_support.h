// Equipment for the tests of the stand-in RDP control itself: a container
// site and an event sink of the test's own, automation calls made the way
// clients make them, and a fixture that holds the DLL with COM started.
#pragma once

#include <gtest/gtest.h>
#include <objbase.h>
#include <ocidl.h>
#include <oleidl.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "core/com_ptr.h"
#include "rdp/session_test_support.h"
#include "standins/rdpcontrol/standin_control.h"

// {336D5562-EFA8-482E-8CB3-C5C0FC7A7DB6}
inline constexpr IID kEventsIid = {
    0x336D5562, 0xEFA8, 0x482E, {0x8C, 0xB3, 0xC5, 0xC0, 0xFC, 0x7A, 0x7D, 0xB6}};

// Refcounting shared by the test's own COM objects; they live on the heap
// so a reference the control forgets to release shows in refs().
template <typename Self>
class Counted {
public:
    ULONG refs() const { return static_cast<ULONG>(references_); }

protected:
    ULONG AddRefImpl() { return static_cast<ULONG>(InterlockedIncrement(&references_)); }
    ULONG ReleaseImpl() {
        const LONG left = InterlockedDecrement(&references_);
        if (left == 0) delete static_cast<Self*>(this);
        return static_cast<ULONG>(left);
    }

private:
    volatile LONG references_ = 1;
};

// The container's side: a client site that can host in place, in a real
// window, placing the control at position.
class TestSite final : public IOleClientSite, public IOleInPlaceSite, public Counted<TestSite> {
public:
    TestSite(HWND window, const RECT& position) : window_(window), position_(position) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return AddRefImpl(); }
    ULONG STDMETHODCALLTYPE Release() override { return ReleaseImpl(); }

    HRESULT STDMETHODCALLTYPE SaveObject() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** moniker) override;
    HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** container) override;
    HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }

    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override;
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override;
    HRESULT STDMETHODCALLTYPE OnUIActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                               LPRECT position, LPRECT clip,
                                               LPOLEINPLACEFRAMEINFO info) override;
    HRESULT STDMETHODCALLTYPE Scroll(SIZE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override;
    HRESULT STDMETHODCALLTYPE DiscardUndoState() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT) override { return S_OK; }

    int activations = 0;
    int deactivations = 0;
    bool frameInfoSized = false;

private:
    friend class Counted<TestSite>;
    ~TestSite() = default;

    HWND window_;
    RECT position_;
};

struct FiredEvent {
    DISPID dispid;
    std::vector<VARTYPE> types;  // DISPPARAMS order: last declared first
    std::vector<long> values;    // a by-reference VT_I4 as what it points to
    DWORD thread;
};

class RecordingSink final : public IDispatch, public Counted<RecordingSink> {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return AddRefImpl(); }
    ULONG STDMETHODCALLTYPE Release() override { return ReleaseImpl(); }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispid, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
                                     EXCEPINFO*, UINT*) override;

    bool saw(DISPID dispid) const { return find(dispid) != nullptr; }
    const FiredEvent* find(DISPID dispid) const;
    std::vector<DISPID> dispids() const;

    std::vector<FiredEvent> events;
    std::function<void(DISPID)> onEvent;

private:
    friend class Counted<RecordingSink>;
    ~RecordingSink() = default;
};

DISPID IdOf(IDispatch* object, const wchar_t* name);
VARIANT I4(long value);
VARIANT Bool(bool value);
VARIANT Str(const wchar_t* text);

// A put as automation clients make it; value is cleared afterwards.
HRESULT Put(IDispatch* object, const wchar_t* name, VARIANT value, UINT* argErr = nullptr);
HRESULT Get(IDispatch* object, const wchar_t* name, VARIANT* result);
// "<none>" when the get fails or gives no string.
std::wstring GetText(IDispatch* object, const wchar_t* name);
// -12345 when the get fails or gives no VT_I4.
long GetNumber(IDispatch* object, const wchar_t* name);
// A method call with VT_I4 arguments in declared order.
HRESULT Call(IDispatch* object, const wchar_t* name, std::vector<long> arguments = {},
             VARIANT* result = nullptr, WORD flags = DISPATCH_METHOD, EXCEPINFO* exception = nullptr);

// The control window's client area as PrintWindow draws it, 0x00RRGGBB
// per pixel, rows top to bottom.
std::vector<DWORD> Capture(HWND window, int* width);
// Pixels light in all three channels: the view's text on its dark ground.
int LightPixels(const std::vector<DWORD>& pixels);

// COM started on this thread and the DLL loaded, reset and registered
// under every ProgID for the test.
class RdpStandinTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        ASSERT_TRUE(dll_.ok());
    }
    void TearDown() override { CoUninitialize(); }

    HRESULT CreateControl(ComPtr<IOleObject>& control) {
        return CoCreateInstance(kStandinControlClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                control.put_void());
    }

    StandinControl dll_;
};
