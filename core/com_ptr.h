// Holds one reference to a COM object obtained from the platform and
// releases it once. Objects the program implements itself keep their own,
// fixed reference scheme and are not held in this.
#pragma once

#include <unknwn.h>

#include <utility>

template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : ptr_(std::exchange(other.ptr_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            reset();
            ptr_ = std::exchange(other.ptr_, nullptr);
        }
        return *this;
    }

    // Takes over a reference the caller already owns.
    static ComPtr Adopt(T* ptr) {
        ComPtr result;
        result.ptr_ = ptr;
        return result;
    }

    // Takes a reference of its own, for a caller that must keep the object
    // alive across a call that may let go of every other reference.
    static ComPtr Retain(T* ptr) {
        if (ptr != nullptr) ptr->AddRef();
        return Adopt(ptr);
    }

    T* get() const { return ptr_; }
    T* operator->() const { return ptr_; }
    explicit operator bool() const { return ptr_ != nullptr; }

    // For out parameters: releases what is held and hands out the slot.
    T** put() {
        reset();
        return &ptr_;
    }
    void** put_void() { return reinterpret_cast<void**>(put()); }

    void reset() {
        if (ptr_ != nullptr) std::exchange(ptr_, nullptr)->Release();
    }

    // Gives up the reference without releasing it.
    T* detach() { return std::exchange(ptr_, nullptr); }

    template <typename U>
    HRESULT As(REFIID iid, ComPtr<U>* out) const {
        if (ptr_ == nullptr) return E_POINTER;
        return ptr_->QueryInterface(iid, out->put_void());
    }

private:
    T* ptr_ = nullptr;
};
