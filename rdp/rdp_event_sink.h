// Receives the RDP control's events (the dispatch interface IMsTscAxEvents)
// and hands each to its session. Counted for real: a control that holds it
// across an event (to call it, then release it) may do so after the
// session has closed inside that very event, so the session lets go of it
// with Detach and its last reference, not with delete.
#pragma once

#include <oaidl.h>

class RdpSession;

// {336D5562-EFA8-482E-8CB3-C5C0FC7A7DB6}
extern const IID kIidMsTscAxEvents;

class RdpEventSink : public IDispatch {
public:
    // Starts with one reference, the session's.
    explicit RdpEventSink(RdpSession* session) : session_(session) {}
    RdpEventSink(const RdpEventSink&) = delete;
    RdpEventSink& operator=(const RdpEventSink&) = delete;

    // Events that arrive later reach nobody.
    void Detach() { session_ = nullptr; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** out) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* args, VARIANT*, EXCEPINFO*,
                                     UINT*) override;

private:
    virtual ~RdpEventSink() = default;

    RdpSession* session_;
    ULONG references_ = 1;  // one apartment: no other thread counts
};

// The event argument as a number: integers, reals (truncated), decimal
// texts and flags convert; anything else, by-reference values included,
// and a missing argument give 0.
int VariantToInt(const VARIANT* value);
