// What every part of the stand-in DLL shares: its instance, the count of live
// COM objects and server locks that decides whether COM may unload it, and a
// guard that keeps C++ exceptions from crossing a COM method.
#pragma once

#include <unknwn.h>
#include <windows.h>

#include <new>

HINSTANCE StandinInstance();

long LiveObjectCount();
void LockModule(bool lock);
bool ModuleCanUnload();

// Base of every COM object of the stand-in, so the tests of the program can
// tell whether it released all it took.
class LiveObject {
protected:
    LiveObject();
    ~LiveObject();

public:
    LiveObject(const LiveObject&) = delete;
    LiveObject& operator=(const LiveObject&) = delete;
};

// A stand-in COM object that answers for IUnknown and one interface I
// (whose IID is *iid, or any of *iids for an interface that extends others
// it also answers for) and frees itself with its last reference.
template <typename I, const IID*... iids>
class SingleInterfaceObject : public I, private LiveObject {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID requested, void** object) override {
        if (object == nullptr) return E_POINTER;
        *object = nullptr;
        if (requested != IID_IUnknown && ((requested != *iids) && ...)) return E_NOINTERFACE;
        *object = static_cast<I*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override {
        return static_cast<ULONG>(InterlockedIncrement(&references_));
    }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&references_);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

protected:
    SingleInterfaceObject() = default;
    virtual ~SingleInterfaceObject() = default;

private:
    volatile LONG references_ = 1;
};

// Runs body, turning any exception (an allocation that failed, mostly) into
// an HRESULT: a COM caller cannot receive a C++ exception.
template <typename Body>
HRESULT Guarded(Body&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}
