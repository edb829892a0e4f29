#include <windows.h>
// shellapi.h needs the types of windows.h first.
#include <shellapi.h>

#include "controller/main_window_actions.h"
#include "controller/main_window_messages.h"
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

void MainWindowActions::OpenExternalClient(const std::string& arguments) {
    // By its full path: a bare name would be looked for in this program's
    // folder and the current folder before the system folder.
    const std::wstring program = SystemClientProgram();
    if (program.empty()) return;
    ShellExecuteW(nullptr, L"open", program.c_str(), ToWide(arguments).c_str(), nullptr, SW_SHOWNORMAL);
}
