// The main window's part in the page's commands, for everything that is a
// plain call on the window. Full screen, the title bar's theme and the
// command-line expression belong to the main window itself, which derives
// from this and supplies them.
#pragma once

#include <windows.h>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

#include "controller/controller_ports.h"

// The window's WM_APP_ASIDE_DONE: runs the completion it carries.
void OnAsideDone(LPARAM lParam);

class MainWindowActions : public IMainWindow {
public:
    explicit MainWindowActions(HWND window = nullptr) : window_(window) {}
    // Waits for work still running aside: it may use what the window owns
    // (the start-up password's provider). It is a derivation, about a second
    // at most; its completion is dropped with the window. The window calls
    // it as it goes, before its own members do.
    void WaitForAsideWork();
    ~MainWindowActions() override { WaitForAsideWork(); }
    MainWindowActions(const MainWindowActions&) = delete;
    MainWindowActions& operator=(const MainWindowActions&) = delete;
    // Set once the window exists; every action does nothing before.
    void SetWindow(HWND window) { window_ = window; }
    HWND window() const { return window_; }

    void PostClose() override;
    void PostExportDialog() override;
    void PostRdpExportDialog(const std::string& id) override;
    void Minimize() override;
    void ToggleMaximize() override;
    void RestartProbeTimer(unsigned periodMs) override;
    void ArmEvalTimer() override;
    // A one-shot timer of the window's whose procedure calls due; without
    // a window, due runs at once.
    void ArmPingFlush(unsigned delayMs, std::function<void()> due) override;
    // The system folder's mstsc.exe through the shell, with the normal show
    // command; the outcome is not followed.
    void OpenExternalClient(const std::string& arguments) override;
    // work on a thread of its own; done comes back as WM_APP_ASIDE_DONE,
    // which the window hands to OnAsideDone. Without a window, or when no
    // thread can be made, both run at once.
    void RunAside(std::function<void()> work, std::function<void()> done) override;

private:
    static void CALLBACK OnPingFlushTimer(HWND window, UINT message, UINT_PTR id, DWORD time);

    HWND window_;
    std::function<void()> pingFlush_;
    // The pieces of work running aside, for the destructor.
    struct AsideCount {
        std::mutex mutex;
        std::condition_variable idle;
        int running = 0;
    };
    std::shared_ptr<AsideCount> aside_ = std::make_shared<AsideCount>();
};
