#include <atomic>

#include "app/fullscreen.h"
#include "app/main_window_keys.h"
#include "app/main_window_messages.h"
#include "core/win_handle.h"

namespace {

// The hook runs on a thread of its own that does nothing else: the system
// calls a low-level hook on the thread that installed it and, when that
// thread does not answer within its time-out, passes the key on and, since
// Windows 7, removes the hook without a word ("LowLevelKeyboardProc",
// learn.microsoft.com/windows/win32/winmsg/lowlevelkeyboardproc). A busy
// interface thread (a dialog of the control, a slow page) must not cost the
// program its F11.
std::atomic<HWND> g_target{nullptr};
UniqueHandle g_thread;
DWORD g_threadId = 0;

enum class ProgramKey { kNone, kToggleFullscreen, kNextTab, kPreviousTab };

bool IsKeyDown(UINT message) {
    return message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
}

using KeyStateFn = SHORT(WINAPI*)(int virtualKey);

// Outside full screen Ctrl+Tab belongs to the remote computer; F11 never
// does. keyState tells whether Ctrl and Shift are down.
ProgramKey Classify(DWORD virtualKey, KeyStateFn keyState) {
    if (virtualKey == VK_F11) return ProgramKey::kToggleFullscreen;
    if (virtualKey == VK_TAB && IsFullscreen() && keyState(VK_CONTROL) < 0) {
        return keyState(VK_SHIFT) < 0 ? ProgramKey::kPreviousTab : ProgramKey::kNextTab;
    }
    return ProgramKey::kNone;
}

bool ForegroundIsThisProcess() {
    DWORD process = 0;
    GetWindowThreadProcessId(GetForegroundWindow(), &process);
    return process == GetCurrentProcessId();
}

// Only posts: the hook must return quickly, or the system drops it.
LRESULT CALLBACK KeyboardHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && IsKeyDown(static_cast<UINT>(wParam)) && ForegroundIsThisProcess()) {
        const auto* event = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
        // The hook sees a key before this thread has read the keys pressed
        // just before it, so the thread's own key state (GetKeyState) may
        // not show Ctrl down yet: the keyboard's state does.
        switch (Classify(event->vkCode, &GetAsyncKeyState)) {
            case ProgramKey::kToggleFullscreen:
                PostMessageW(g_target.load(), WM_APP_TOGGLE_FULLSCREEN, 0, 0);
                return 1;
            case ProgramKey::kNextTab:
                PostMessageW(g_target.load(), WM_APP_SWITCH_TAB, static_cast<WPARAM>(1), 0);
                return 1;
            case ProgramKey::kPreviousTab:
                PostMessageW(g_target.load(), WM_APP_SWITCH_TAB, static_cast<WPARAM>(-1), 0);
                return 1;
            case ProgramKey::kNone:
                break;
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

struct HookStart {
    UniqueHandle ready{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    bool installed = false;
};

// Installs the hook, says so, and keeps the thread's message loop going:
// the system calls the hook from it.
DWORD WINAPI HookThread(void* parameter) {
    auto* start = static_cast<HookStart*>(parameter);
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);  // the thread's queue, for WM_QUIT
    const HHOOK hook = SetWindowsHookExW(WH_KEYBOARD_LL, &KeyboardHook, GetModuleHandleW(nullptr), 0);
    start->installed = hook != nullptr;
    SetEvent(start->ready.get());
    if (hook == nullptr) return 1;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
    UnhookWindowsHookEx(hook);
    return 0;
}

bool IsMainWindowOrInside(HWND window, HWND mainWindow) {
    return mainWindow != nullptr && (window == mainWindow || IsChild(mainWindow, window));
}

}  // namespace

bool InstallKeyboardHook(HWND target) {
    g_target = target;
    if (g_thread.valid()) return true;
    HookStart start;
    if (!start.ready.valid()) return false;
    g_thread = UniqueHandle(CreateThread(nullptr, 0, &HookThread, &start, 0, &g_threadId));
    if (!g_thread.valid()) return false;
    // The thread only installs the hook: its answer comes at once.
    WaitForSingleObject(start.ready.get(), INFINITE);
    if (!start.installed) {
        WaitForSingleObject(g_thread.get(), INFINITE);
        g_thread.reset();
        return false;
    }
    SetThreadPriority(g_thread.get(), THREAD_PRIORITY_ABOVE_NORMAL);
    return true;
}

void RemoveKeyboardHook() {
    if (g_thread.valid()) {
        PostThreadMessageW(g_threadId, WM_QUIT, 0, 0);
        WaitForSingleObject(g_thread.get(), INFINITE);
        g_thread.reset();
    }
    g_threadId = 0;
    g_target = nullptr;
}

// Unlike the hook's path, the full-screen bar is not repainted here.
bool TakeProgramKey(const MSG& message, HWND mainWindow, ITabs& tabs) {
    if (!IsKeyDown(message.message) || !IsMainWindowOrInside(message.hwnd, mainWindow)) return false;
    switch (Classify(static_cast<DWORD>(message.wParam), &GetKeyState)) {
        case ProgramKey::kToggleFullscreen:
            ToggleFullscreen();
            return true;
        case ProgramKey::kNextTab:
            tabs.SwitchTab(1);
            return true;
        case ProgramKey::kPreviousTab:
            tabs.SwitchTab(-1);
            return true;
        case ProgramKey::kNone:
            return false;
    }
    return false;
}
