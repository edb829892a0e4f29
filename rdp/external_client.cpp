// The fallback when no RDP control can be used: the system's own client,
// started for the server, with its main window re-parented into the tab.
#include <cstdint>

#include "core/error_text.h"
#include "core/log.h"
#include "core/text.h"
#include "core/unicode.h"
#include "rdp/external_client_command.h"
#include "rdp/rdp_session.h"

namespace {

constexpr int kNarrowestMainWindow = 101;
// Pop-up, caption, border, dialog frame, system menu, sizing frame and the
// minimise/maximise boxes go; the window becomes a visible child.
constexpr LONG_PTR kKeptStyles = 0x2F30FFFF;
constexpr LONG_PTR kChildStyles = WS_CHILD | WS_VISIBLE;

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

    const HWND window = FindClientWindow();
    if (window == nullptr) {
        Log(kLogError, "等待 mstsc.exe 窗口超时");
        TerminateProcess(process_.get(), 0);
        process_.reset();
        return false;
    }
    EmbedClientWindow(window);
    SetState(SessionState::Connecting, 0, "已用系统 mstsc 打开会话");
    LogF(kLogInfo, "mstsc.exe 窗口已内嵌，pid=%lu hwnd=%s", static_cast<unsigned long>(processId_),
         PointerHex(reinterpret_cast<std::uintptr_t>(window)).c_str());
    return true;
}

HWND RdpSession::FindClientWindow() const {
    for (int attempt = 0; attempt < clientSearchAttempts_; ++attempt) {
        WindowSearch search = {processId_, nullptr};
        EnumWindows(&TakeMainWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr) return search.found;
        Sleep(clientSearchPauseMs_);
    }
    return nullptr;
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
    mode_ = "mstsc";
}

// Asks the client to close, waits for it, and ends it when it does not.
void RdpSession::EndExternalClient(DWORD waitMs) {
    if (controlWindow_ != nullptr && IsWindow(controlWindow_)) PostMessageW(controlWindow_, WM_CLOSE, 0, 0);
    controlWindow_ = nullptr;
    if (!process_.valid()) return;
    if (WaitForSingleObject(process_.get(), waitMs) != WAIT_OBJECT_0) TerminateProcess(process_.get(), 0);
    process_.reset();
}
