// The one way work reaches the user-interface thread from other threads
// and from inside callbacks: a posted window message whose lParam is a heap
// object. The receiver adopts it; when posting fails the sender still owns
// it, so it is freed either way and never twice.
#pragma once

#include <windows.h>

#include <memory>

// Posts message with wParam and the object as lParam. False (and the object
// freed here) when there is no window or the post fails. A null window is
// refused: PostMessageW would make it a thread message that no window
// procedure ever adopts.
template <typename T>
bool PostOwned(HWND window, UINT message, WPARAM wParam, std::unique_ptr<T> object) {
    if (window == nullptr || !object) return false;
    if (!PostMessageW(window, message, wParam, reinterpret_cast<LPARAM>(object.get()))) return false;
    object.release();  // the receiver owns it now
    return true;
}

template <typename T>
bool PostOwned(HWND window, UINT message, std::unique_ptr<T> object) {
    return PostOwned(window, message, 0, std::move(object));
}

// The receiver's side: takes ownership of what PostOwned sent (null stays
// null).
template <typename T>
std::unique_ptr<T> AdoptPosted(LPARAM lParam) {
    return std::unique_ptr<T>(reinterpret_cast<T*>(lParam));
}
