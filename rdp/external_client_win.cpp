// Nothing here waits on the interface thread: the client's main window is
// looked for on a timer of the host window, and a client asked to close is
// given its grace time by a timer (Disconnect) or by the reaper (Close).
#include <cstdint>
#include <utility>

#include "config/rdp_file.h"
#include "core/error_text.h"
#include "core/log.h"
#include "core/text.h"
#include "core/unicode.h"
#include "rdp/client_reaper.h"
#include "rdp/external_client.h"
#include "rdp/external_client_command.h"
#include "rdp/session_clock.h"

namespace {

// The client's main window. Before it, the client shows windows of other
// classes that belong to the user, not to the tab: the connection status,
// the credential prompt, the certificate warning. The user may take as long
// as they like over those, so the search has no time limit.
constexpr wchar_t kMainWindowClass[] = L"TscShellContainerClass";
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
    if (owner != search->processId || !IsWindowVisible(window)) return TRUE;
    wchar_t name[64] = {};
    if (GetClassNameW(window, name, 64) == 0 || std::wstring(name) != kMainWindowClass) return TRUE;
    search->found = window;
    return FALSE;
}

bool HasEnded(HANDLE process) {
    return WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
}

}  // namespace

std::wstring SystemClientProgram() {
    wchar_t folder[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return std::wstring();
    return std::wstring(folder, length) + L"\\mstsc.exe";
}

ExternalClient::ExternalClient(HWND host, ExternalClientOptions options)
    : host_(host), options_(std::move(options)) {}

// Close: whatever still runs is asked to close and left to the reaper,
// which ends it after its grace time. A client whose main window was never
// found cannot be asked (its prompts are the user's) and is ended at once.
ExternalClient::~ExternalClient() {
    const bool askedBefore = endDeadline_ != 0;  // by a Disconnect still waiting
    endDeadline_ = 0;
    searching_ = false;
    KillHostTimer(kSearchTimer);
    KillHostTimer(kEndTimer);
    const bool asked = PostCloseToWindow() || askedBefore;
    if (!process_.valid()) return;
    if (!asked) TerminateProcess(process_.get(), 0);
    ReapClientProcess(std::move(process_), kCloseGraceMs);
}

namespace {

// The file as the embedded client needs it: in a window, since the tab is
// its frame.
std::string ClientFileBytes(const ServerRecord& server) {
    ServerRecord embedded = server;
    embedded.fullscreenOnConnect = false;
    return WriteRdpFile(embedded);
}

}  // namespace

bool ExternalClient::Start(const ServerRecord& server) {
    // A blank, a quote or a control character is no part of a host name;
    // such a host is refused rather than handed on.
    if (!IsSafeClientHost(server.host)) {
        Log(kLogError, "主机地址含有空格、引号或控制字符，不能交给 mstsc.exe：" + server.host);
        return false;
    }
    if (options_.program.empty()) {
        Log(kLogError, "找不到系统目录，无法启动 mstsc.exe");
        return false;
    }
    // The program is named in full: with no application name, CreateProcessW
    // would look in this program's folder and the current folder first.
    // https://learn.microsoft.com/windows/win32/api/processthreadsapi/nf-processthreadsapi-createprocessw
    // The options go in a file of our own rather than in switches: the
    // client reads every setting of its list from a .rdp file named as its
    // first argument (mstsc [<connection file>]).
    if (!file_.Write(ClientFileBytes(server))) return false;
    std::wstring commandLine = L"\"" + options_.program + L"\" \"" + file_.path() + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(options_.program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &info)) {
        Log(kLogError, "启动 " + ToUtf8(options_.program) + " 失败：" + ErrorText(0));
        file_.Delete();
        return false;
    }
    process_ = UniqueHandle(info.hProcess);
    processId_ = info.dwProcessId;
    CloseHandle(info.hThread);
    searching_ = true;
    SetTimer(host_, kSearchTimer, options_.searchPauseMs, nullptr);
    return true;
}

ExternalClient::Step ExternalClient::OnTimer(UINT_PTR id) {
    if (id == kSearchTimer) return Search();
    if (id == kEndTimer) return OnEndTick();
    return Step::Nothing;
}

HWND ExternalClient::FindMainWindow() const {
    WindowSearch search = {processId_, nullptr};
    EnumWindows(&TakeMainWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The client reads its file while it starts, before it takes any input:
// once it waits for input ("WaitForInputIdle ... until the specified process
// has finished processing its initial input and is waiting for user input";
// learn.microsoft.com/windows/win32/api/winuser/nf-winuser-waitforinputidle)
// the file has served. Asked with no wait, so the interface thread never
// blocks; a client that shows its main window or ends has read it too, and
// the file never outlives this object.
void ExternalClient::DeleteFileOnceRead() {
    if (file_.path().empty()) return;
    if (WaitForInputIdle(process_.get(), 0) == 0) file_.Delete();
}

// One look; the timer brings the next one after the pause.
ExternalClient::Step ExternalClient::Search() {
    if (!searching_ || !process_.valid()) return Step::Nothing;
    DeleteFileOnceRead();
    const HWND window = FindMainWindow();
    if (window != nullptr) {
        file_.Delete();
        searching_ = false;
        KillHostTimer(kSearchTimer);
        Embed(window);
        LogF(kLogInfo, "mstsc.exe 窗口已内嵌，pid=%lu hwnd=%s", static_cast<unsigned long>(processId_),
             PointerHex(reinterpret_cast<std::uintptr_t>(window)).c_str());
        return Step::Embedded;
    }
    // The user cancelled a prompt, or the client gave up on the server.
    if (HasEnded(process_.get())) {
        file_.Delete();
        searching_ = false;
        KillHostTimer(kSearchTimer);
        process_.reset();
        Log(kLogWarn, "mstsc.exe 没有打开主窗口就退出了");
        return Step::EndedUnseen;
    }
    return Step::Nothing;
}

namespace {

// A window of another process taken in as a child keeps its scaling only
// when both processes have the same DPI awareness; otherwise the system
// resets the child's process ("SetParent", remarks: cross-process, "Forced
// reset (of child window's process)" on every version; learn.microsoft.com/
// windows/win32/api/winuser/nf-winuser-setparent). The program is per-monitor
// aware (its manifest), as the system's client is; a client that is not is
// logged, since its picture is then scaled by the system.
void WarnOnDpiMismatch(HWND window, HWND host) {
    const DPI_AWARENESS client = GetAwarenessFromDpiAwarenessContext(GetWindowDpiAwarenessContext(window));
    const DPI_AWARENESS ours = GetAwarenessFromDpiAwarenessContext(GetWindowDpiAwarenessContext(host));
    if (client != ours) {
        LogF(kLogWarn, "远程桌面客户端的 DPI 感知 (%d) 与本程序 (%d) 不同，系统会重置其缩放",
             static_cast<int>(client), static_cast<int>(ours));
    }
}

}  // namespace

void ExternalClient::Embed(HWND window) {
    WarnOnDpiMismatch(window, host_);
    const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
    SetWindowLongPtrW(window, GWL_STYLE, (style & kKeptStyles) | kChildStyles);
    ShowWindow(window, SW_HIDE);
    SetParent(window, host_);
    RECT client = {};
    GetClientRect(host_, &client);
    SetWindowPos(window, nullptr, 0, 0, client.right, client.bottom, SWP_NOZORDER | SWP_NOACTIVATE);
    window_ = window;
    ShowWindow(window, SW_SHOW);
}

// Disconnect: the client is asked to close and watched on a timer.
ExternalClient::Step ExternalClient::AskToClose() {
    if (endDeadline_ != 0) return Step::Nothing;  // already on its way out
    searching_ = false;
    KillHostTimer(kSearchTimer);
    const bool asked = PostCloseToWindow();
    if (!process_.valid() || HasEnded(process_.get()) || !asked) {
        if (process_.valid()) TerminateProcess(process_.get(), 0);  // no window to ask
        return FinishEnd();
    }
    // Never 0, which means "not waiting".
    endDeadline_ = (SessionTicks() + kDisconnectGraceMs) | 1;
    SetTimer(host_, kEndTimer, kClientEndPollMs, nullptr);
    return Step::Nothing;
}

ExternalClient::Step ExternalClient::OnEndTick() {
    if (endDeadline_ == 0) return Step::Nothing;
    const bool late = static_cast<std::int32_t>(SessionTicks() - endDeadline_) >= 0;
    if (!HasEnded(process_.get()) && !late) return Step::Nothing;
    if (late) TerminateProcess(process_.get(), 0);
    return FinishEnd();
}

ExternalClient::Step ExternalClient::FinishEnd() {
    KillHostTimer(kEndTimer);
    endDeadline_ = 0;
    process_.reset();
    return Step::Gone;
}

void ExternalClient::ForgetWindow(HWND destroyed) {
    if (destroyed == window_) window_ = nullptr;
}

// Asks the embedded window, while it is still one, to close, and forgets it.
bool ExternalClient::PostCloseToWindow() {
    const bool posted = window_ != nullptr && IsWindow(window_) && PostMessageW(window_, WM_CLOSE, 0, 0);
    window_ = nullptr;
    return posted;
}

void ExternalClient::KillHostTimer(UINT_PTR id) {
    if (host_ != nullptr) KillTimer(host_, id);
}
