// ICoreWebView2Controller (with 2 and 3): where the webview sits in its
// parent window, its visibility, background colour and keyboard focus.
// Close ends the webview; so do the last Release and the browser's end.
#pragma once

#include "standins/webview/module.h"
#include "standins/webview/webview.h"
#include "standins/webview/webview2_abi.h"

#define STANDIN_UNSERVED_EVENT(Name, Handler)                                          \
    HRESULT STDMETHODCALLTYPE add_##Name(Handler*, EventRegistrationToken*) override { \
        return E_NOTIMPL;                                                              \
    }                                                                                  \
    HRESULT STDMETHODCALLTYPE remove_##Name(EventRegistrationToken) override {         \
        return E_NOTIMPL;                                                              \
    }

class Controller final : public ICoreWebView2Controller3, private LiveObject {
public:
    // Takes over the creator's reference to webview.
    Controller(WebView* webview, HWND parent) : webview_(Ref<WebView>::Adopt(webview)), parent_(parent) {
        webview->SetPlacement(parent, bounds_);
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return references_.Add(); }
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE get_IsVisible(BOOL* isVisible) override;
    HRESULT STDMETHODCALLTYPE put_IsVisible(BOOL isVisible) override;
    HRESULT STDMETHODCALLTYPE get_Bounds(RECT* bounds) override;
    HRESULT STDMETHODCALLTYPE put_Bounds(RECT bounds) override;
    HRESULT STDMETHODCALLTYPE get_ZoomFactor(double*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_ZoomFactor(double) override { return E_NOTIMPL; }
    STANDIN_UNSERVED_EVENT(ZoomFactorChanged, ICoreWebView2ZoomFactorChangedEventHandler)
    HRESULT STDMETHODCALLTYPE SetBoundsAndZoomFactor(RECT, double) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON reason) override;
    STANDIN_UNSERVED_EVENT(MoveFocusRequested, ICoreWebView2MoveFocusRequestedEventHandler)
    STANDIN_UNSERVED_EVENT(GotFocus, ICoreWebView2FocusChangedEventHandler)
    STANDIN_UNSERVED_EVENT(LostFocus, ICoreWebView2FocusChangedEventHandler)
    STANDIN_UNSERVED_EVENT(AcceleratorKeyPressed, ICoreWebView2AcceleratorKeyPressedEventHandler)
    HRESULT STDMETHODCALLTYPE get_ParentWindow(HWND*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_ParentWindow(HWND) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE NotifyParentWindowPositionChanged() override;
    HRESULT STDMETHODCALLTYPE Close() override;
    HRESULT STDMETHODCALLTYPE get_CoreWebView2(ICoreWebView2** coreWebView2) override;
    // ICoreWebView2Controller2
    HRESULT STDMETHODCALLTYPE get_DefaultBackgroundColor(COREWEBVIEW2_COLOR* value) override;
    HRESULT STDMETHODCALLTYPE put_DefaultBackgroundColor(COREWEBVIEW2_COLOR value) override;
    // ICoreWebView2Controller3
    HRESULT STDMETHODCALLTYPE get_RasterizationScale(double* scale) override;
    HRESULT STDMETHODCALLTYPE put_RasterizationScale(double) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_ShouldDetectMonitorScaleChanges(BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_ShouldDetectMonitorScaleChanges(BOOL) override { return E_NOTIMPL; }
    STANDIN_UNSERVED_EVENT(RasterizationScaleChanged, ICoreWebView2RasterizationScaleChangedEventHandler)
    HRESULT STDMETHODCALLTYPE get_BoundsMode(COREWEBVIEW2_BOUNDS_MODE*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_BoundsMode(COREWEBVIEW2_BOUNDS_MODE) override { return E_NOTIMPL; }

private:
    ~Controller();
    HRESULT Usable() const;

    RefCount references_;
    Ref<WebView> webview_;
    HWND parent_;
    DWORD thread_ = GetCurrentThreadId();  // the UI thread, which made it
    bool closed_ = false;
    BOOL visible_ = TRUE;
    RECT bounds_ = {};
    COREWEBVIEW2_COLOR background_ = {255, 255, 255, 255};  // opaque white, as the runtime starts
};

#undef STANDIN_UNSERVED_EVENT
