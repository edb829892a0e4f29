// The control's own authentication dialog (a certificate warning, say):
// modal to the window that holds the control, as the platform's is by
// default (imstscaxevents-onauthenticationwarningdisplayed).
#pragma once

#include <windows.h>

constexpr wchar_t kAuthDialogTitle[] = L"Remote Desktop Connection";

class AuthDialog {
public:
    AuthDialog() = default;
    ~AuthDialog() { End(); }
    AuthDialog(const AuthDialog&) = delete;
    AuthDialog& operator=(const AuthDialog&) = delete;

    // Shows the dialog and runs its modal loop until it closes: after ms
    // (as if the user accepted), or when it is closed (WM_CLOSE, a click on
    // it), End, or the owner's end. ms < 0 waits for the close alone. The
    // owner's top-level window is disabled meanwhile.
    void Run(HWND owner, long ms);
    // Closes the dialog, if it is up.
    void End();
    bool up() const { return window_ != nullptr; }

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND window_ = nullptr;
};
