// What every part of the stand-in loader shares: its instance, the count of
// live COM objects it made, a copyable reference holder and a guard that
// keeps C++ exceptions from crossing a COM method.
#pragma once

#include <unknwn.h>
#include <windows.h>

#include <new>
#include <utility>

HINSTANCE StandinInstance();
long LiveObjectCount();

// Base of every COM object the stand-in makes, so a test can tell whether the
// program released all it took (and no more).
class LiveObject {
protected:
    LiveObject();
    ~LiveObject();

public:
    LiveObject(const LiveObject&) = delete;
    LiveObject& operator=(const LiveObject&) = delete;
};

// An atomic reference count that starts at 1 (the creator's reference).
class RefCount {
public:
    ULONG Add() { return static_cast<ULONG>(InterlockedIncrement(&count_)); }
    ULONG Drop() { return static_cast<ULONG>(InterlockedDecrement(&count_)); }

private:
    volatile LONG count_ = 1;
};

// One reference to a COM object; copies take references of their own, so it
// can travel inside queued tasks.
template <typename T>
class Ref {
public:
    Ref() = default;
    ~Ref() { reset(); }
    Ref(const Ref& other) : ptr_(other.ptr_) {
        if (ptr_ != nullptr) ptr_->AddRef();
    }
    Ref(Ref&& other) noexcept : ptr_(std::exchange(other.ptr_, nullptr)) {}
    Ref& operator=(Ref other) noexcept {
        std::swap(ptr_, other.ptr_);
        return *this;
    }

    static Ref Adopt(T* ptr) {
        Ref result;
        result.ptr_ = ptr;
        return result;
    }
    static Ref Retain(T* ptr) {
        if (ptr != nullptr) ptr->AddRef();
        return Adopt(ptr);
    }

    T* get() const { return ptr_; }
    T* operator->() const { return ptr_; }
    explicit operator bool() const { return ptr_ != nullptr; }
    void reset() {
        if (ptr_ != nullptr) std::exchange(ptr_, nullptr)->Release();
    }

private:
    T* ptr_ = nullptr;
};

// The IUnknown of an object that serves one interface: event arguments and
// the like, which their creator hands out and forgets.
template <typename Interface>
class ComObject : public Interface, private LiveObject {
public:
    explicit ComObject(const IID& iid) : iid_(iid) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (object == nullptr) return E_POINTER;
        *object = nullptr;
        if (iid != IID_IUnknown && iid != iid_) return E_NOINTERFACE;
        *object = static_cast<Interface*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return references_.Add(); }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = references_.Drop();
        if (left == 0) delete this;
        return left;
    }

protected:
    virtual ~ComObject() = default;

private:
    RefCount references_;
    const IID& iid_;
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

// The failure every call on a closed controller or webview returns.
constexpr HRESULT kClosedError = HRESULT_FROM_WIN32(ERROR_INVALID_STATE);
