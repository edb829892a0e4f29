// A person at the unlock dialog, played from a second thread with real key
// presses and clicks on the X display Wine draws on (xdotool), while the
// test's own thread runs the dialog's modal loop.
#pragma once

#include <windows.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <thread>
#include <vector>

#include "app/unlock_layout.h"

// Runs xdotool with these arguments and waits for it; true on exit status 0.
bool Xdotool(std::initializer_list<std::string> args);

class DialogUser {
public:
    using Script = std::function<bool(DialogUser&)>;

    // Waits for the dialog with its field focused, then plays the script.
    // When a step fails, or the script ends with the dialog still open, the
    // dialog is closed so that the test never hangs.
    explicit DialogUser(Script script);
    ~DialogUser() { Finish(); }
    DialogUser(const DialogUser&) = delete;
    DialogUser& operator=(const DialogUser&) = delete;

    // Waits for the script; "" when every step saw what it waited for.
    std::string Finish();

    // Each step returns false after noting what did not happen.
    bool Type(const std::string& ascii);  // and waits until the field holds it
    bool Key(const char* keys);           // "Return", "Escape", "alt+F4"
    bool MoveTo(int x, int y);            // client coordinates
    bool Click(const UnlockRect& part);   // its middle
    bool WaitForField(const std::wstring& text);
    bool Fail(const std::string& note);

    HWND dialog() const { return dialog_; }
    wchar_t PasswordChar() const;

private:
    std::wstring FieldText() const;
    bool WaitForDialog();

    DWORD uiThread_;
    HWND dialog_ = nullptr;
    HWND field_ = nullptr;
    std::vector<std::string> failures_;
    std::thread thread_;
};

// A window's pixels as the screen shows them, kept as a 24-bit BMP file.
class ScreenPicture {
public:
    bool Take(HWND window);
    COLORREF At(int x, int y) const;  // window coordinates
    bool Save(const std::string& path) const;

private:
    int width_ = 0;
    int height_ = 0;
    std::string file_;
};
