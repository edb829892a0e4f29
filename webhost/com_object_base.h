// The counted base of the COM objects the program hands to the browser
// runtime (its completion and event handlers): the runtime keeps its own
// references and may let go of them on any thread, so the count is atomic,
// and the object deletes itself when the last one goes.
#pragma once

#include <unknwn.h>

#include <atomic>

// I: the one interface the object implements; iid: its id, as the SDK's
// header defines it (IID_I).
template <typename I, const IID* iid>
class ComObjectBase : public I {
public:
    ComObjectBase() = default;
    ComObjectBase(const ComObjectBase&) = delete;
    ComObjectBase& operator=(const ComObjectBase&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID wanted, void** out) override {
        if (out == nullptr) return E_POINTER;
        if (wanted == IID_IUnknown || wanted == *iid) {
            *out = static_cast<I*>(this);
            this->AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

protected:
    // Only Release deletes.
    virtual ~ComObjectBase() = default;

private:
    // The creator's reference.
    std::atomic<ULONG> references_{1};
};
