// How probe results travel from the workers to the page: a heap copy posted
// to the main window as WM_APP_PROBE_RESULT, adopted on the user-interface
// thread, kept for the server list and posted as "ping". And the scheduler
// as the controller sees it.
#pragma once

#include <windows.h>

#include <atomic>

#include "controller/controller.h"
#include "net/probe_scheduler.h"

// Where the workers post: the main window, once it exists (the scheduler
// starts before the window is made). Results that find no window, or a
// window already gone, are dropped. Must outlive the scheduler's workers:
// stop the scheduler first.
struct ProbeResultTarget {
    std::atomic<HWND> window{nullptr};
};

// The scheduler's callback, on a worker thread; context is the
// ProbeResultTarget.
void PostProbeResult(const ProbeResult& result, void* context);

// WM_APP_PROBE_RESULT; a null lParam is ignored.
void OnProbeResultMessage(Controller& controller, LPARAM lParam);

class SchedulerProbes : public IProbes {
public:
    explicit SchedulerProbes(ProbeScheduler& scheduler) : scheduler_(scheduler) {}
    void Submit(const std::vector<ProbeJob>& jobs) override { scheduler_.Submit(jobs); }
    void SetTimeout(int timeoutMs) override { scheduler_.SetTimeout(timeoutMs); }

private:
    ProbeScheduler& scheduler_;
};
