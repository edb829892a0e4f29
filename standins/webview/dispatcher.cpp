#include "standins/webview/dispatcher.h"

#include <utility>

#include "standins/webview/module.h"

namespace {

constexpr wchar_t kWindowClass[] = L"TavolinWebViewStandinQueue";
constexpr UINT kRunMessage = WM_APP + 1;

std::mutex g_registryLock;
// Dispatchers are never freed: a thread that ended leaves a window that no
// longer exists, and posting to it fails harmlessly.
std::map<DWORD, Dispatcher*> g_dispatchers;

void RegisterWindowClass(WNDPROC procedure) {
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = StandinInstance();
    windowClass.lpszClassName = kWindowClass;
    RegisterClassExW(&windowClass);  // fails harmlessly once registered
}

bool OwnsLiveWindow(HWND window, DWORD thread) {
    return window != nullptr && IsWindow(window) && GetWindowThreadProcessId(window, nullptr) == thread;
}

}  // namespace

Dispatcher* Dispatcher::ForCurrentThread() noexcept {
    const DWORD thread = GetCurrentThreadId();
    try {
        std::lock_guard<std::mutex> hold(g_registryLock);
        const auto found = g_dispatchers.find(thread);
        if (found != g_dispatchers.end() && OwnsLiveWindow(found->second->window_, thread))
            return found->second;
        RegisterWindowClass(&Dispatcher::WindowProc);
        auto* dispatcher = new Dispatcher();
        dispatcher->thread_ = thread;
        dispatcher->window_ = CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                              StandinInstance(), nullptr);
        if (dispatcher->window_ == nullptr) {
            delete dispatcher;
            return nullptr;
        }
        SetWindowLongPtrW(dispatcher->window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(dispatcher));
        g_dispatchers[thread] = dispatcher;
        return dispatcher;
    } catch (...) {
        return nullptr;
    }
}

bool Dispatcher::Post(Task task) noexcept {
    try {
        std::lock_guard<std::mutex> hold(lock_);
        tasks_.push_back(std::move(task));
    } catch (...) {
        return false;
    }
    if (PostMessageW(window_, kRunMessage, 0, 0)) return true;
    Task dropped;
    std::lock_guard<std::mutex> hold(lock_);
    if (!tasks_.empty()) {
        dropped = std::move(tasks_.back());
        tasks_.pop_back();
    }
    return false;
}

bool Dispatcher::PostDelayed(UINT milliseconds, Task task) noexcept {
    if (!IsOwnerThread()) return false;
    try {
        const UINT_PTR id = nextTimer_++;
        timers_[id] = std::move(task);
        if (SetTimer(window_, id, milliseconds, nullptr) != 0) return true;
        timers_.erase(id);
    } catch (...) {
    }
    return false;
}

// The runtime runs its callbacks serially: a callback that starts a nested
// message loop never sees another one inside it; the next waits until it
// returns (https://learn.microsoft.com/microsoft-edge/webview2/concepts/threading-model#reentrancy).
void Dispatcher::RunNext() {
    if (running_) return;  // WakeIfPending asks again once the running task returns
    Task task;
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (tasks_.empty()) return;
        task = std::move(tasks_.front());
        tasks_.pop_front();
    }
    RunHeld(task);
}

void Dispatcher::RunTimer(UINT_PTR id) {
    KillTimer(window_, id);
    const auto found = timers_.find(id);
    if (found == timers_.end()) return;
    Task task = std::move(found->second);
    timers_.erase(found);
    if (!running_) return RunHeld(task);
    // Due while another task runs: it queues behind what is waiting already.
    std::lock_guard<std::mutex> hold(lock_);
    tasks_.push_back(std::move(task));
}

void Dispatcher::RunHeld(Task& task) {
    running_ = true;
    try {
        task();
    } catch (...) {
        // A task that throws loses itself, not the thread's message loop.
    }
    running_ = false;
    WakeIfPending();
}

// One message per task still waiting: other messages of the thread are
// handled between tasks, as between the runtime's own callbacks.
void Dispatcher::WakeIfPending() {
    bool pending = false;
    {
        std::lock_guard<std::mutex> hold(lock_);
        pending = !tasks_.empty();
    }
    if (pending) PostMessageW(window_, kRunMessage, 0, 0);
}

LRESULT CALLBACK Dispatcher::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<Dispatcher*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self != nullptr && message == kRunMessage) {
        self->RunNext();
        return 0;
    }
    if (self != nullptr && message == WM_TIMER) {
        try {
            self->RunTimer(wParam);
        } catch (...) {
            // The task is lost when it cannot be queued; the loop goes on.
        }
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void ReleaseDispatchers() noexcept {
    const DWORD thread = GetCurrentThreadId();
    try {
        std::lock_guard<std::mutex> hold(g_registryLock);
        for (const auto& entry : g_dispatchers) {
            if (OwnsLiveWindow(entry.second->window_, thread)) DestroyWindow(entry.second->window_);
        }
    } catch (...) {
    }
    UnregisterClassW(kWindowClass, StandinInstance());
}
