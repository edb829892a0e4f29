// The counted base of the COM objects the program hands to the browser
// runtime (its completion and event handlers): the runtime keeps its own
// references and may let go of them on any thread, so the count is atomic,
// and the object deletes itself when the last one goes.
#pragma once

#include <unknwn.h>

#include <atomic>

// I: the one interface the object implements; it names its id as I::kIid.
template <typename I>
class ComObjectBase : public I {
public:
    ComObjectBase() = default;
    ComObjectBase(const ComObjectBase&) = delete;
    ComObjectBase& operator=(const ComObjectBase&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (out == nullptr) return E_POINTER;
        if (iid == IID_IUnknown || iid == I::kIid) {
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
