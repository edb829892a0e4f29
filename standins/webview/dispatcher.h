// Delivers work on the thread that asked for it, through that thread's
// message queue: the runtime calls its handlers back on the requesting (UI)
// thread, never from inside the call that made the request, and one after
// the other: work that comes due while a task runs (say a handler shows a
// message box, whose modal loop pumps the queue) waits until it returns.
#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <map>
#include <mutex>

// Ends the windows the unloading thread owns, and their class.
void ReleaseDispatchers() noexcept;

class Dispatcher {
public:
    using Task = std::function<void()>;

    // The calling thread's dispatcher, made on first use; null when its
    // window cannot be made. It lives as long as the thread's window.
    static Dispatcher* ForCurrentThread() noexcept;

    bool IsOwnerThread() const { return GetCurrentThreadId() == thread_; }
    // Any thread. False when the task could not be queued (the thread is
    // gone); it is then destroyed on the calling thread.
    bool Post(Task task) noexcept;
    // The owner thread only: runs the task once, after milliseconds (at the
    // earliest; later when another task is running then).
    bool PostDelayed(UINT milliseconds, Task task) noexcept;

    Dispatcher(const Dispatcher&) = delete;
    Dispatcher& operator=(const Dispatcher&) = delete;

private:
    friend void ReleaseDispatchers() noexcept;
    Dispatcher() = default;
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void RunNext();
    void RunTimer(UINT_PTR id);
    void RunHeld(Task& task);
    void WakeIfPending();

    HWND window_ = nullptr;
    DWORD thread_ = 0;
    std::mutex lock_;
    std::deque<Task> tasks_;
    std::map<UINT_PTR, Task> timers_;  // owner thread only
    UINT_PTR nextTimer_ = 1;
    bool running_ = false;  // owner thread only: a task is on the stack
};
