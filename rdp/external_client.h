// The fallback when no RDP control can be used: the system's own client,
// started for one server, its main window re-parented into the tab. The
// session owns one while it runs in mode "mstsc" and turns what each step
// came to into its state reports; nothing here reports by itself, so a
// report that closes the session never finds this object half-way.
#pragma once

#include <windows.h>

#include <string>

#include "config/app_config.h"
#include "core/win_handle.h"
#include "rdp/client_rdp_file.h"

// "<system folder>\mstsc.exe": the only client ever started, so that a
// program of that name in the current folder or beside this one is not.
std::wstring SystemClientProgram();

struct ExternalClientOptions {
    std::wstring program = SystemClientProgram();
    DWORD searchPauseMs = 100;  // between two looks for the main window
};

class ExternalClient {
public:
    enum class Step {
        Nothing,      // still waiting, or nothing to do
        Embedded,     // the main window is now a child of the host
        EndedUnseen,  // the client ended before it showed its main window
        Gone,         // the client, asked to close, has gone or was ended
    };
    // The host window's timers that belong to the client; the owner hands
    // them to OnTimer.
    static constexpr UINT_PTR kSearchTimer = 2;
    static constexpr UINT_PTR kEndTimer = 3;
    static bool OwnsTimer(UINT_PTR id) { return id == kSearchTimer || id == kEndTimer; }

    ExternalClient(HWND host, ExternalClientOptions options);
    // Whatever still runs is asked to close and left to the reaper.
    ~ExternalClient();
    ExternalClient(const ExternalClient&) = delete;
    ExternalClient& operator=(const ExternalClient&) = delete;

    // Starts the client with a .rdp file of the server's address and
    // options (ClientRdpFile); its main window is looked for on the timer.
    bool Start(const ServerRecord& server);
    Step OnTimer(UINT_PTR id);
    // Disconnect: asks the client to close; Gone when that is already over,
    // otherwise the end timer brings Gone later.
    Step AskToClose();
    // The embedded window was destroyed by its own process.
    void ForgetWindow(HWND destroyed);

    HWND window() const { return window_; }
    DWORD processId() const { return processId_; }
    // Still looking for the main window, or waiting for the client to end.
    bool waiting() const { return searching_ || endDeadline_ != 0; }

private:
    Step Search();
    void DeleteFileOnceRead();
    HWND FindMainWindow() const;
    void Embed(HWND window);
    Step OnEndTick();
    Step FinishEnd();
    bool PostCloseToWindow();
    void KillHostTimer(UINT_PTR id);

    HWND host_;
    ExternalClientOptions options_;
    ClientRdpFile file_;
    UniqueHandle process_;
    DWORD processId_ = 0;
    HWND window_ = nullptr;
    bool searching_ = false;
    DWORD endDeadline_ = 0;  // 0: not waiting for the client to end
};
