// The program as a user starts it, for the tests of its start and its end:
// a copy of the built tavolin.exe in a folder of the test's (its "data"
// folder beside it is the test's too), run with the given arguments.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "core/win_handle.h"

class ProgramProcess {
public:
    // Copies the program into folder (once per folder).
    explicit ProgramProcess(const std::string& folder);
    // Ends the process if it still runs.
    ~ProgramProcess();
    ProgramProcess(const ProgramProcess&) = delete;
    ProgramProcess& operator=(const ProgramProcess&) = delete;

    const std::string& exePath() const { return exe_; }
    bool Start(const std::vector<std::string>& args, int showCommand = SW_SHOWNORMAL);
    // The process's visible main window, waiting up to ms; null without.
    HWND WaitForWindow(DWORD ms = 20000) const;
    // The exit code; -1 while it still runs after ms.
    int WaitForExit(DWORD ms = 20000);
    // As the task manager ends a process: no chance to save anything.
    void Kill();
    bool running() const;

private:
    std::string exe_;
    UniqueHandle process_;
    DWORD processId_ = 0;
};

// The program's main windows (class "TavolinMainWindow") of the process.
std::vector<HWND> MainWindowsOf(DWORD processId);
