#include "standins/rdpcontrol/auth_dialog.h"

#include "standins/rdpcontrol/module.h"

namespace {

constexpr wchar_t kAuthDialogClass[] = L"TavolinRdpStandinAuthDialog";
constexpr UINT_PTR kAcceptTimer = 1;

void RegisterAuthDialogClass(WNDPROC procedure) {
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = StandinInstance();
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kAuthDialogClass;
    RegisterClassExW(&windowClass);  // fails harmlessly once registered
}

}  // namespace

LRESULT CALLBACK AuthDialog::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<AuthDialog*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
        case WM_NCCREATE:
            SetWindowLongPtrW(
                window, GWLP_USERDATA,
                reinterpret_cast<LONG_PTR>(reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams));
            break;
        case WM_TIMER:
        case WM_LBUTTONUP:
            if (message == WM_TIMER && wParam != kAcceptTimer) break;
            DestroyWindow(window);
            return 0;
        case WM_NCDESTROY:
            if (self != nullptr) self->window_ = nullptr;
            break;
        default:
            break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void AuthDialog::Run(HWND owner, long ms) {
    if (window_ != nullptr) return;  // one at a time, as a modal dialog is
    RegisterAuthDialogClass(&AuthDialog::Proc);
    const HWND top = owner != nullptr ? GetAncestor(owner, GA_ROOT) : nullptr;
    window_ = CreateWindowExW(WS_EX_DLGMODALFRAME, kAuthDialogClass, kAuthDialogTitle,
                              WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE, 200, 200, 420, 160, top,
                              nullptr, StandinInstance(), this);
    if (window_ == nullptr) return;
    CreateWindowExW(0, L"STATIC", L"The identity of the remote computer cannot be verified (stand-in).",
                    WS_CHILD | WS_VISIBLE, 12, 12, 390, 60, window_, nullptr, StandinInstance(), nullptr);
    if (ms >= 0) SetTimer(window_, kAcceptTimer, static_cast<UINT>(ms), nullptr);
    const bool disabled = top != nullptr && IsWindowEnabled(top);
    if (disabled) EnableWindow(top, FALSE);
    MSG message;
    while (window_ != nullptr) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(message.wParam));  // for the loop outside
            break;
        }
        if (got < 0) break;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    if (disabled && IsWindow(top)) EnableWindow(top, TRUE);
    End();
}

void AuthDialog::End() {
    if (window_ != nullptr) DestroyWindow(window_);
    window_ = nullptr;
}
