#include "app/fullscreen.h"
#include "app/main_window_keys.h"
#include "controller/main_window_messages.h"

namespace {

HHOOK g_hook = nullptr;
HWND g_target = nullptr;

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
                PostMessageW(g_target, WM_APP_TOGGLE_FULLSCREEN, 0, 0);
                return 1;
            case ProgramKey::kNextTab:
                PostMessageW(g_target, WM_APP_SWITCH_TAB, static_cast<WPARAM>(1), 0);
                return 1;
            case ProgramKey::kPreviousTab:
                PostMessageW(g_target, WM_APP_SWITCH_TAB, static_cast<WPARAM>(-1), 0);
                return 1;
            case ProgramKey::kNone:
                break;
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

bool IsMainWindowOrInside(HWND window, HWND mainWindow) {
    return mainWindow != nullptr && (window == mainWindow || IsChild(mainWindow, window));
}

}  // namespace

bool InstallKeyboardHook(HWND target) {
    g_target = target;
    if (g_hook == nullptr)
        g_hook = SetWindowsHookExW(WH_KEYBOARD_LL, &KeyboardHook, GetModuleHandleW(nullptr), 0);
    return g_hook != nullptr;
}

void RemoveKeyboardHook() {
    if (g_hook != nullptr) UnhookWindowsHookEx(g_hook);
    g_hook = nullptr;
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
