#include <ole2.h>
#include <windows.h>
// shellapi.h needs the types of windows.h first.
#include <shellapi.h>

#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/host_environment.h"
#include "app/main_window.h"
#include "app/main_window_keys.h"
#include "app/main_window_messages.h"
#include "app/monitors.h"
#include "app/network_watch.h"
#include "app/probe_results.h"
#include "app/single_instance.h"
#include "app/startup.h"
#include "app/ui_resources.h"
#include "app/unlock_dialog.h"
#include "app/window_placement.h"
#include "config/config_store.h"
#include "config/stored_password.h"
#include "controller/command_members.h"
#include "core/crash_filter.h"
#include "core/log.h"
#include "core/paths.h"
#include "core/unicode.h"
#include "core/win_handle.h"
#include "net/probe_scheduler.h"
#include "rdp/client_reaper.h"
#include "rdp/rdp_session.h"

namespace {

constexpr wchar_t kRunningElsewhereText[] =
    L"Tavolin 已在您的另一个 Windows 会话中运行。\n\n"
    L"同一用户同时只能运行一个 Tavolin（它们共用同一份服务器列表）。"
    L"请切换到那个会话使用，或先在那里关闭它。";

// The embedded browser reaches for nothing on the network by itself and
// stays as plain as the page needs.
constexpr wchar_t kBrowserArguments[] =
    L"--disable-background-networking --disable-component-update --disable-sync "
    L"--disable-domain-reliability --disable-client-side-phishing-detection "
    L"--disable-features=msSmartScreenProtection,Translate,OptimizationHints --no-first-run "
    L"--no-default-browser-check --disable-extensions";

constexpr UINT kDefaultProbePeriodMs = 10000;

void FailureBox(const wchar_t* text) {
    MessageBoxW(nullptr, text, kProgramTitle, MB_ICONERROR);
}

// COM and OLE for the user-interface thread, each taken down only when it
// was set up, OLE first.
class ComApartment {
public:
    ComApartment() = default;
    ~ComApartment() { Release(); }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

    bool InitCom() { return com_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)); }
    void InitOle() { ole_ = SUCCEEDED(OleInitialize(nullptr)); }
    void Release() {
        if (ole_) OleUninitialize();
        if (com_) CoUninitialize();
        ole_ = com_ = false;
    }

private:
    bool com_ = false;
    bool ole_ = false;
};

std::vector<std::string> CommandLineEntries() {
    std::vector<std::string> entries;
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
    if (argv == nullptr) return entries;
    for (int i = 0; i < count; ++i) entries.push_back(ToUtf8(argv[i]));
    LocalFree(argv);
    return entries;
}

// How long a start waits for a first instance that has no window: one that
// is ending (closed a moment ago) still holds its guard until its process
// is gone, and a start then must not end with nothing shown.
constexpr DWORD kFirstWithoutWindowWaitMs = 5000;
constexpr DWORD kFirstWithoutWindowStepMs = 50;

// False when this process must end: the first one runs in this session
// (its window is brought to the front; a minimized one restored, a full
// screen left as it is) or in another of this user's sessions (said so).
// Before there is a window of its own, so the short waits block nothing.
bool ClaimSingleInstance(SingleInstance& instance) {
    for (DWORD waited = 0;; waited += kFirstWithoutWindowStepMs) {
        switch (instance.Take()) {
            case InstanceClaim::kOurs:
            case InstanceClaim::kUnguarded:
                return true;
            case InstanceClaim::kRunningElsewhere:
                MessageBoxW(nullptr, kRunningElsewhereText, kProgramTitle, MB_ICONINFORMATION);
                return false;
            case InstanceClaim::kRunningHere:
                break;
        }
        if (HWND first = FindWindowW(kMainWindowClass, nullptr)) {
            if (IsIconic(first)) ShowWindow(first, SW_RESTORE);
            SetForegroundWindow(first);
            return false;
        }
        if (waited >= kFirstWithoutWindowWaitMs) return false;
        Sleep(kFirstWithoutWindowStepMs);
    }
}

// True when the program may go on: no start-up password, or the right one.
bool Unlock(HINSTANCE instance, AppConfig& config) {
    if (!config.security.enabled || config.security.hash.empty()) {
        Log(kLogInfo, "未设置启动密码，直接进入主界面");
        return true;
    }
    Log(kLogInfo, "检测到启动密码，弹出解锁窗口");
    if (!RunUnlockDialog(instance, config)) {
        Log(kLogInfo, "密码未通过，退出");
        return false;
    }
    Log(kLogInfo, "密码校验通过");
    return true;
}

// What the detection thread writes to; it lives as long as the process,
// since the thread is never joined and may still run while the process ends.
HostEnvironment& ProcessEnvironment() {
    static HostEnvironment* environment = new HostEnvironment;
    return *environment;
}

// Creating the control loads it, which takes long enough to keep it off
// the interface thread.
DWORD WINAPI DetectRdpControl(void*) {
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 0;
    std::string className;
    const bool available = ProbeRdpControl(&className);
    ProcessEnvironment().SetRdpControl(available, className);
    LogF(kLogInfo, "远程桌面控件可用=%s (%s)", available ? "是" : "否", className.c_str());
    CoUninitialize();
    return 0;
}

void StartRdpControlDetection() {
    ProcessEnvironment();  // made here, on this thread, before the thread reads it
    const HANDLE thread = CreateThread(nullptr, 0, &DetectRdpControl, nullptr, 0, nullptr);
    if (thread != nullptr) CloseHandle(thread);
}

void LogShownWindow(HWND window, int showCommand) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    Log(kLogInfo, "主窗口已显示");
    LogF(kLogInfo, "主窗口已显示：rect=(%ld,%ld,%ld,%ld) showCmd=%d", static_cast<long>(rect.left),
         static_cast<long>(rect.top), static_cast<long>(rect.right), static_cast<long>(rect.bottom),
         showCommand);
    LogF(kLogInfo, "界面目录：%s", ChosenUiFolder().c_str());
    LogF(kLogInfo, "界面来源：%s", UiSourceName());
}

// The first sweep runs as soon as the loop starts, the next after a period,
// clamped as the settings command clamps it: in 32 bits a large interval
// wrapped to a period of milliseconds.
void StartProbeTimer(HWND window, const PingSettings& ping) {
    const UINT clamped = ProbeTimerPeriodMs(ping.intervalSec);
    SetTimer(window, TIMER_PROBE, clamped == 0 ? kDefaultProbePeriodMs : clamped, nullptr);
    PostMessageW(window, WM_TIMER, TIMER_PROBE, 0);
}

// F11 and Ctrl+Tab are looked at before translating, for the case the
// keyboard hook did not take them.
void RunMessageLoop(HWND mainWindow, ITabs& tabs) {
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (TakeProgramKey(message, mainWindow, tabs)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

// From the window class to the end of the message loop; 0, or 1 when the
// class or the window could not be made.
int RunMainWindow(HINSTANCE instance, int givenShowCommand, AppConfig& config, ProbeScheduler& scheduler,
                  ProbeResultTarget& target, const std::string& evalExpression) {
    if (!MainWindow::RegisterWindowClass(instance)) {
        FailureBox(L"窗口类注册失败");
        return 1;
    }
    SchedulerProbes probes(scheduler);
    MainWindow mainWindow(config, probes, ProcessEnvironment(), evalExpression);
    // On whichever monitor it closed, if that one is still there.
    const WindowBox box =
        InitialWindowBox(config.ui, MonitorWorkAreas(nullptr), static_cast<int>(GetDpiForSystem()));
    HWND window = mainWindow.Create(instance, box);
    if (window == nullptr) {
        FailureBox(L"主窗口创建失败");
        return 1;
    }
    target.window = window;
    Log(kLogInfo, "主窗口创建完成（WebView2 已开始异步初始化）");
    const int showCommand = InitialShowCommand(config.ui, givenShowCommand);
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    SetForegroundWindow(window);
    InstallKeyboardHook(window);
    StartRdpControlDetection();
    LogShownWindow(window, showCommand);
    StartProbeTimer(window, config.ping);
    NetworkWatch networkWatch;
    networkWatch.Start(window);
    RunMessageLoop(window, mainWindow.tabs());
    return 0;
}

}  // namespace

int RunProgram(HINSTANCE instance, int showCommand) {
    // Before anything loads a library by name: the system's DLLs come from
    // System32 alone, never from the current folder or PATH, where anyone
    // could have put one of the same name ("Dynamic-Link Library Security",
    // learn.microsoft.com/windows/win32/dlls/dynamic-link-library-security).
    // The browser's loader is loaded by its full path.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    SetDllDirectoryW(L"");
    const CommandLineOptions options = ParseCommandLine(CommandLineEntries());
    if (options.hasDataDir) SetDataDirOverride(options.dataDir);
    // Declared first, so that it is closed last.
    SingleInstance singleInstance;
    if (!options.multi && !ClaimSingleInstance(singleInstance)) return 0;

    ComApartment apartment;
    if (!apartment.InitCom()) {
        FailureBox(L"COM 初始化失败，程序无法启动。");
        return 1;
    }
    apartment.InitOle();
    SetUnhandledExceptionFilter(&CrashFilter);
    Log(kLogInfo, "================ 程序启动 ================");
    // Read by the browser's environment, which the main window's creation
    // makes.
    SetEnvironmentVariableW(L"WEBVIEW2_ADDITIONAL_BROWSER_ARGUMENTS", kBrowserArguments);
    LogF(kLogInfo, "exe=%s", ExePath().c_str());

    AppConfig config;
    LoadConfig(config);
    Log(kLogInfo, "配置已载入");
    const std::string verifierBefore = config.security.hash;
    if (!Unlock(instance, config)) return 0;
    // Only now is the key known: the passwords of earlier versions, and
    // those stored in another form than the one in force, are sealed again,
    // and with a replaced verifier saved in one write.
    if (ProtectStoredPasswords(config) || config.security.hash != verifierBefore) SaveConfig(config);

    // The workers post to the target, which must outlive them.
    ProbeResultTarget target;
    ProbeScheduler scheduler;
    scheduler.SetTimeout(config.ping.timeoutMs);
    scheduler.Start(config.ping.threads, &PostProbeResult, &target);
    const int result =
        RunMainWindow(instance, showCommand, config, scheduler, target, options.evalExpression);
    if (result != 0) return result;

    // The way down, in this order: nothing posts to the window any more,
    // no worker runs, the store is on disk, no external client outlives us.
    RemoveKeyboardHook();
    scheduler.Stop();
    target.window = nullptr;
    SaveConfig(config);
    TerminatePendingClients();
    apartment.Release();
    singleInstance.Release();
    Log(kLogInfo, "================ 程序退出 ================");
    return 0;
}
