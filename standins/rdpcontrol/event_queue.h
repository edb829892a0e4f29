// Events wait here until the thread that made the control fires them: the
// sinks live in its single-threaded apartment, so a worker thread only ever
// queues an event and wakes that thread through a message-only window.
#pragma once

#include <oaidl.h>
#include <windows.h>

#include <deque>
#include <vector>

// What firing an event changes in the control before its sinks hear of it.
// kAuthDialog: not an event itself but the control's authentication dialog,
// announced and ended by its two events.
enum class EventEffect { kNone, kConnected, kEnded, kResized, kAuthDialog };

struct PendingEvent {
    // The connection that produced it; 0 for events of the control's own
    // thread, which are never stale.
    unsigned generation = 0;
    DISPID dispid = 0;
    std::vector<long> arguments;  // declared order
    // OnAutoReconnecting's last argument: a by-reference continue flag.
    bool continueFlag = false;
    EventEffect effect = EventEffect::kNone;
};

class EventTarget {
public:
    // On the control's thread, whenever events may be waiting.
    virtual void DeliverEvents() = 0;

protected:
    ~EventTarget() = default;
};

class EventQueue {
public:
    explicit EventQueue(EventTarget* target);
    ~EventQueue();
    EventQueue(const EventQueue&) = delete;
    EventQueue& operator=(const EventQueue&) = delete;

    bool ok() const { return window_ != nullptr; }
    // Any thread; false when the event could not be queued.
    bool Post(PendingEvent event) noexcept;
    bool Take(PendingEvent* event);
    void Clear();

private:
    HWND window_ = nullptr;
    SRWLOCK lock_ = SRWLOCK_INIT;
    std::deque<PendingEvent> events_;
};

void UnregisterEventWindowClass();
