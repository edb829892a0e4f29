// The fallback when no RDP control can be used: the system's own client,
// started for the server, with its main window re-parented into the tab.
//
// Nothing here waits on the interface thread: the client's window is looked
// for on a timer of the host window, and a client asked to close is given
// its grace time by a timer (Disconnect) or by the reaper (Close).
#include <cstdint>

#include "core/error_text.h"
#include "core/log.h"
#include "core/text.h"
#include "core/unicode.h"
#include "rdp/client_reaper.h"
#include "rdp/external_client_command.h"
#include "rdp/rdp_session.h"
#include "rdp/session_clock.h"

namespace {

constexpr int kNarrowestMainWindow = 101;
// Pop-up, caption, border, dialog frame, system menu, sizing frame and the
// minimise/maximise boxes go; the window becomes a visible child.
constexpr LONG_PTR kKeptStyles = 0x2F30FFFF;
constexpr LONG_PTR kChildStyles = WS_CHILD | WS_VISIBLE;
constexpr DWORD kDisconnectGraceMs = 3000;
constexpr DWORD kCloseGraceMs = 2000;
constexpr UINT kClientEndPollMs = 50;

struct WindowSearch {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK TakeMainWindow(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<WindowSearch*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !IsWindowVisible(window) || ::GetWindow(window, GW_OWNER) != nullptr) {
        return TRUE;
    }
    RECT rect;
    if (!GetWindowRect(window, &rect) || rect.right - rect.left < kNarrowestMainWindow) return TRUE;
    search->found = window;
    return FALSE;
}

bool HasEnded(HANDLE process) {
    return WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
}

}  // namespace

bool RdpSession::LaunchExternalClient(const ServerRecord& server) {
    // The host goes into a command line: a blank or a quote would let it
    // add arguments of its own.
    if (!IsSafeClientHost(server.host)) {
        Log(kLogError, "主机地址含有空格、引号或控制字符，不能交给 mstsc.exe：" + server.host);
        return false;
    }
    std::wstring commandLine = ToWide(ExternalClientCommandLine(server.host, server.port));
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info)) {
        Log(kLogError, "启动 mstsc.exe 失败：" + ErrorText(0));
        return false;
    }
    process_ = UniqueHandle(info.hProcess);
    processId_ = info.dwProcessId;
    CloseHandle(info.hThread);
    // The client runs from here on: a Close must end it, whether or not its
    // window has been found.
    mode_ = SessionMode::Mstsc;
    clientSearchesLeft_ = clientSearchAttempts_;
    SearchClientWindow();
    return true;
}

void RdpSession::SetClientWindowSearch(int attempts, DWORD pauseMs) {
    clientSearchAttempts_ = attempts;
    clientSearchPauseMs_ = pauseMs;
}

HWND RdpSession::FindClientWindow() const {
    WindowSearch search = {processId_, nullptr};
    EnumWindows(&TakeMainWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// One attempt; the timer brings the next one after the pause.
void RdpSession::SearchClientWindow() {
    if (clientSearchesLeft_ <= 0 || !process_.valid()) return;
    --clientSearchesLeft_;
    const HWND window = FindClientWindow();
    if (window != nullptr) {
        StopClientSearch();
        EmbedClientWindow(window);
        LogF(kLogInfo, "mstsc.exe 窗口已内嵌，pid=%lu hwnd=%s", static_cast<unsigned long>(processId_),
             PointerHex(reinterpret_cast<std::uintptr_t>(window)).c_str());
        SetState(SessionState::Connecting, 0, "已用系统 mstsc 打开会话");
        return;
    }
    if (clientSearchesLeft_ > 0) {
        SetTimer(hostWindow_, kClientSearchTimer, clientSearchPauseMs_, nullptr);
        return;
    }
    StopClientSearch();
    Log(kLogError, "等待 mstsc.exe 窗口超时");
    TerminateProcess(process_.get(), 0);
    process_.reset();
    mode_ = SessionMode::None;
    SetState(SessionState::Failed, -1, "无法创建远程桌面会话（控件与 mstsc 都不可用）");
}

void RdpSession::StopClientSearch() {
    clientSearchesLeft_ = 0;
    KillHostTimer(kClientSearchTimer);
}

void RdpSession::EmbedClientWindow(HWND window) {
    const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
    SetWindowLongPtrW(window, GWL_STYLE, (style & kKeptStyles) | kChildStyles);
    ShowWindow(window, SW_HIDE);
    SetParent(window, hostWindow_);
    controlWindow_ = window;
    if (hostWindow_ != nullptr) {
        const SIZE client = HostClientSize();
        SyncControlRect(client.cx, client.cy);
    }
    ShowWindow(window, SW_SHOW);
}

// Disconnect: the client is asked to close and watched on a timer; the
// state moves when it has gone, or when it was ended after its grace time.
void RdpSession::AskClientToClose() {
    if (clientEndDeadline_ != 0) return;  // already on its way out
    StopClientSearch();
    const bool asked = PostCloseToClientWindow();
    if (!process_.valid() || HasEnded(process_.get()) || !asked) {
        if (process_.valid()) TerminateProcess(process_.get(), 0);  // no window to ask
        FinishClientEnd();
        return;
    }
    // Never 0, which means "not waiting".
    clientEndDeadline_ = (SessionTicks() + kDisconnectGraceMs) | 1;
    SetTimer(hostWindow_, kClientEndTimer, kClientEndPollMs, nullptr);
}

void RdpSession::OnClientEndTick() {
    if (clientEndDeadline_ == 0) return;
    const bool late = static_cast<std::int32_t>(SessionTicks() - clientEndDeadline_) >= 0;
    if (!HasEnded(process_.get()) && !late) return;
    if (late) TerminateProcess(process_.get(), 0);
    FinishClientEnd();
}

void RdpSession::FinishClientEnd() {
    KillHostTimer(kClientEndTimer);
    clientEndDeadline_ = 0;
    process_.reset();
    SetState(SessionState::Disconnected, 1, "已断开");
}

// Close: whatever still runs is asked to close and left to the reaper,
// which ends it after its grace time. A client whose window was never
// found cannot be asked and is ended at once.
void RdpSession::ReleaseExternalClient() {
    if (mode_ != SessionMode::Mstsc) return;
    const bool askedBefore = clientEndDeadline_ != 0;  // by a Disconnect still waiting
    clientEndDeadline_ = 0;
    StopClientSearch();
    KillHostTimer(kClientEndTimer);
    const bool asked = PostCloseToClientWindow() || askedBefore;
    if (!process_.valid()) return;
    if (!asked) TerminateProcess(process_.get(), 0);
    ReapClientProcess(std::move(process_), kCloseGraceMs);
}

// Asks the embedded window, while it is still one, to close, and forgets it.
bool RdpSession::PostCloseToClientWindow() {
    const bool posted =
        controlWindow_ != nullptr && IsWindow(controlWindow_) && PostMessageW(controlWindow_, WM_CLOSE, 0, 0);
    controlWindow_ = nullptr;
    return posted;
}

void RdpSession::KillHostTimer(UINT_PTR id) {
    if (hostWindow_ != nullptr) KillTimer(hostWindow_, id);
}
