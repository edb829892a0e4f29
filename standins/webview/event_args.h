// The arguments of the NavigationStarting, NewWindowRequested and
// ProcessFailed events. What a handler decides counts only while the
// handlers run: once the last returned, the stand-in reads the decision and
// Finish() freezes it; later puts succeed and change nothing.
#pragma once

#include <string>

#include "standins/webview/module.h"
#include "standins/webview/webview2_abi.h"

class NavigationArgs final : public ComObject<ICoreWebView2NavigationStartingEventArgs> {
public:
    NavigationArgs(std::wstring uri, bool userInitiated, UINT64 navigationId)
        : ComObject(kIidNavigationStartingArgs),
          uri_(std::move(uri)),
          userInitiated_(userInitiated ? TRUE : FALSE),
          navigationId_(navigationId) {}

    void Finish() { finished_ = true; }
    bool cancelled() const { return cancel_ != FALSE; }

    HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) override;
    HRESULT STDMETHODCALLTYPE get_IsUserInitiated(BOOL* isUserInitiated) override;
    HRESULT STDMETHODCALLTYPE get_IsRedirected(BOOL* isRedirected) override;
    HRESULT STDMETHODCALLTYPE get_RequestHeaders(ICoreWebView2HttpRequestHeaders** requestHeaders) override;
    HRESULT STDMETHODCALLTYPE get_Cancel(BOOL* cancel) override;
    HRESULT STDMETHODCALLTYPE put_Cancel(BOOL cancel) override;
    HRESULT STDMETHODCALLTYPE get_NavigationId(UINT64* navigationId) override;

private:
    std::wstring uri_;
    BOOL userInitiated_;
    UINT64 navigationId_;
    BOOL cancel_ = FALSE;
    bool finished_ = false;
};

class NewWindowArgs final : public ComObject<ICoreWebView2NewWindowRequestedEventArgs> {
public:
    NewWindowArgs(std::wstring uri, bool userInitiated)
        : ComObject(kIidNewWindowArgs), uri_(std::move(uri)), userInitiated_(userInitiated ? TRUE : FALSE) {}

    void Finish() { finished_ = true; }
    // The host took the window over: it handled it or gave a webview for it.
    bool handled() const { return handled_ != FALSE || newWindow_; }

    HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) override;
    HRESULT STDMETHODCALLTYPE put_NewWindow(ICoreWebView2* newWindow) override;
    HRESULT STDMETHODCALLTYPE get_NewWindow(ICoreWebView2** newWindow) override;
    HRESULT STDMETHODCALLTYPE put_Handled(BOOL handled) override;
    HRESULT STDMETHODCALLTYPE get_Handled(BOOL* handled) override;
    HRESULT STDMETHODCALLTYPE get_IsUserInitiated(BOOL* isUserInitiated) override;
    HRESULT STDMETHODCALLTYPE GetDeferral(ICoreWebView2Deferral** deferral) override;
    HRESULT STDMETHODCALLTYPE get_WindowFeatures(ICoreWebView2WindowFeatures** value) override;

private:
    std::wstring uri_;
    BOOL userInitiated_;
    BOOL handled_ = FALSE;
    Ref<ICoreWebView2> newWindow_;
    bool finished_ = false;
};

class ProcessFailedArgs final : public ComObject<ICoreWebView2ProcessFailedEventArgs> {
public:
    explicit ProcessFailedArgs(COREWEBVIEW2_PROCESS_FAILED_KIND kind)
        : ComObject(kIidProcessFailedArgs), kind_(kind) {}

    HRESULT STDMETHODCALLTYPE get_ProcessFailedKind(COREWEBVIEW2_PROCESS_FAILED_KIND* kind) override;

private:
    COREWEBVIEW2_PROCESS_FAILED_KIND kind_;
};
