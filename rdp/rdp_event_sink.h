// Receives the RDP control's events (the dispatch interface IMsTscAxEvents)
// and hands each to its session. Owned by the session; reference counts
// never free it.
#pragma once

#include <oaidl.h>

class RdpSession;

// {336D5562-EFA8-482E-8CB3-C5C0FC7A7DB6}
extern const IID kIidMsTscAxEvents;

class RdpEventSink : public IDispatch {
public:
    explicit RdpEventSink(RdpSession* session) : session_(session) {}
    virtual ~RdpEventSink() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** out) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* args, VARIANT*, EXCEPINFO*,
                                     UINT*) override;

private:
    RdpSession* session_;
};

// The event argument as a number: integers, reals (truncated), decimal
// texts and flags convert; anything else, by-reference values included,
// and a missing argument give 0.
int VariantToInt(const VARIANT* value);
