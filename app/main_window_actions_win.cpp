#include <windows.h>
// shellapi.h needs the types of windows.h first.
#include <shellapi.h>

#include <memory>
#include <system_error>
#include <thread>
#include <utility>

#include "app/main_window_actions.h"
#include "app/main_window_messages.h"
#include "core/posted_object.h"
#include "core/unicode.h"
#include "rdp/external_client.h"

// Without a window nothing is posted: a null window would make the message
// a thread message that no window procedure sees.
void MainWindowActions::PostClose() {
    if (window_ != nullptr) PostMessageW(window_, WM_CLOSE, 0, 0);
}

void MainWindowActions::PostExportDialog() {
    if (window_ != nullptr) PostMessageW(window_, WM_APP_EXPORT_CSV, 0, 0);
}

void MainWindowActions::PostRdpExportDialog(const std::string& id) {
    PostOwned(window_, WM_APP_EXPORT_RDP, std::make_unique<std::string>(id));
}

void MainWindowActions::Minimize() {
    if (window_ != nullptr) ShowWindow(window_, SW_MINIMIZE);
}

void MainWindowActions::ToggleMaximize() {
    if (window_ != nullptr) ShowWindow(window_, IsZoomed(window_) ? SW_RESTORE : SW_MAXIMIZE);
}

void MainWindowActions::RestartProbeTimer(unsigned periodMs) {
    if (window_ == nullptr) return;
    KillTimer(window_, TIMER_PROBE);
    if (periodMs > 0) SetTimer(window_, TIMER_PROBE, periodMs, nullptr);
}

void MainWindowActions::ArmEvalTimer() {
    if (window_ != nullptr) SetTimer(window_, TIMER_EVAL, kEvalTimerMs, nullptr);
}

// The timer carries its own procedure, so the window's procedure (which
// knows nothing of it) never sees its WM_TIMER: DispatchMessage calls the
// TimerProc instead ("SetTimer function", learn.microsoft.com/windows/win32/
// api/winuser/nf-winuser-settimer). Its id is this object's address, which
// the procedure turns back into the object and no fixed timer id can equal;
// the window, and with it the timer, goes before this object does.
void MainWindowActions::ArmPingFlush(unsigned delayMs, std::function<void()> due) {
    if (window_ == nullptr) {
        if (due) due();
        return;
    }
    pingFlush_ = std::move(due);
    // Arming again replaces the timer and restarts its count. Without a
    // timer the results go at once rather than wait for the next batch.
    const UINT_PTR id = reinterpret_cast<UINT_PTR>(this);
    if (SetTimer(window_, id, delayMs, &MainWindowActions::OnPingFlushTimer) == 0)
        OnPingFlushTimer(window_, WM_TIMER, id, 0);
}

void CALLBACK MainWindowActions::OnPingFlushTimer(HWND window, UINT, UINT_PTR id, DWORD) {
    KillTimer(window, id);
    auto* self = reinterpret_cast<MainWindowActions*>(id);
    // Taken out first: the call may arm the timer again.
    const std::function<void()> due = std::move(self->pingFlush_);
    self->pingFlush_ = nullptr;
    if (due) due();
}

void MainWindowActions::OpenExternalClient(const std::string& arguments) {
    // By its full path: a bare name would be looked for in this program's
    // folder and the current folder before the system folder.
    const std::wstring program = SystemClientProgram();
    if (program.empty()) return;
    ShellExecuteW(nullptr, L"open", program.c_str(), ToWide(arguments).c_str(), nullptr, SW_SHOWNORMAL);
}

void MainWindowActions::WaitForAsideWork() {
    std::unique_lock<std::mutex> lock(aside_->mutex);
    aside_->idle.wait(lock, [this] { return aside_->running == 0; });
}

void MainWindowActions::RunAside(std::function<void()> work, std::function<void()> done) {
    // Shared, so that both are still at hand when no thread can be made.
    auto job = std::make_shared<std::pair<std::function<void()>, std::function<void()>>>(std::move(work),
                                                                                         std::move(done));
    const HWND window = window_;
    if (window != nullptr) {
        const std::shared_ptr<AsideCount> count = aside_;
        {
            std::lock_guard<std::mutex> lock(count->mutex);
            ++count->running;
        }
        try {
            // Detached, and counted: the window's end waits for the work,
            // not for its completion, which then goes with the window.
            std::thread([window, job, count] {
                job->first();
                PostOwned(window, WM_APP_ASIDE_DONE,
                          std::make_unique<std::function<void()>>(std::move(job->second)));
                std::lock_guard<std::mutex> lock(count->mutex);
                if (--count->running == 0) count->idle.notify_all();
            }).detach();
            return;
        } catch (const std::system_error&) {
            // No thread to be had: at once, below.
            std::lock_guard<std::mutex> lock(count->mutex);
            --count->running;
        }
    }
    job->first();
    job->second();
}

void OnAsideDone(LPARAM lParam) {
    if (const std::unique_ptr<std::function<void()>> done = AdoptPosted<std::function<void()>>(lParam)) {
        if (*done) (*done)();
    }
}
