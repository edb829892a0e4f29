// Owns a GDI object (brush, pen, bitmap, font) and deletes it once.
#pragma once

#include <windows.h>

#include <utility>

class UniqueGdiObject {
public:
    explicit UniqueGdiObject(HGDIOBJ object) : object_(object) {}
    ~UniqueGdiObject() {
        if (object_ != nullptr) DeleteObject(object_);
    }
    UniqueGdiObject(const UniqueGdiObject&) = delete;
    UniqueGdiObject& operator=(const UniqueGdiObject&) = delete;
    UniqueGdiObject(UniqueGdiObject&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}

    HGDIOBJ get() const { return object_; }
    HBRUSH brush() const { return static_cast<HBRUSH>(object_); }

private:
    HGDIOBJ object_;
};
