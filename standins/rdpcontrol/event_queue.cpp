#include "standins/rdpcontrol/event_queue.h"

#include <utility>

#include "standins/rdpcontrol/module.h"

namespace {

constexpr wchar_t kEventWindowClass[] = L"TavolinRdpStandinEvents";
constexpr UINT kWakeMessage = WM_APP + 1;

class QueueLock {
public:
    explicit QueueLock(SRWLOCK* lock) : lock_(lock) { AcquireSRWLockExclusive(lock_); }
    ~QueueLock() { ReleaseSRWLockExclusive(lock_); }
    QueueLock(const QueueLock&) = delete;
    QueueLock& operator=(const QueueLock&) = delete;

private:
    SRWLOCK* lock_;
};

// The target may be released, even destroyed, while it fires: nothing here
// touches the window or the queue after DeliverEvents.
LRESULT CALLBACK EventWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kWakeMessage) {
        auto* target = reinterpret_cast<EventTarget*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (target != nullptr) target->DeliverEvents();
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void RegisterEventWindowClass() {
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = EventWindowProc;
    windowClass.hInstance = StandinInstance();
    windowClass.lpszClassName = kEventWindowClass;
    RegisterClassExW(&windowClass);  // fails harmlessly once registered
}

}  // namespace

EventQueue::EventQueue(EventTarget* target) {
    RegisterEventWindowClass();
    window_ = CreateWindowExW(0, kEventWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              StandinInstance(), nullptr);
    if (window_ != nullptr) SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(target));
}

EventQueue::~EventQueue() {
    if (window_ == nullptr) return;
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
}

bool EventQueue::Post(PendingEvent event) noexcept {
    try {
        QueueLock lock(&lock_);
        events_.push_back(std::move(event));
    } catch (...) {
        return false;
    }
    return PostMessageW(window_, kWakeMessage, 0, 0) != FALSE;
}

bool EventQueue::Take(PendingEvent* event) {
    QueueLock lock(&lock_);
    if (events_.empty()) return false;
    *event = std::move(events_.front());
    events_.pop_front();
    return true;
}

void EventQueue::Clear() {
    QueueLock lock(&lock_);
    events_.clear();
}

void UnregisterEventWindowClass() {
    UnregisterClassW(kEventWindowClass, StandinInstance());
}
