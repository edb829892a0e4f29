// A person at the unlock dialog, played from a second thread with real key
// presses and mouse clicks on the X display Wine draws on (xdotool), while
// the test's own thread runs the dialog's modal loop.
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

// Moves the pointer to a screen point and waits until Windows sees it there.
bool MovePointer(int x, int y);

class DialogUser {
public:
    using Script = std::function<bool(DialogUser&)>;

    // Starts at once: waits for the dialog to appear with its field focused,
    // then plays the script. When a step fails, or the script ends and the
    // dialog stays open, the dialog is closed so the test never hangs.
    explicit DialogUser(Script script);
    ~DialogUser();
    DialogUser(const DialogUser&) = delete;
    DialogUser& operator=(const DialogUser&) = delete;

    // Waits for the script to end; "" when every step did what it waited for.
    std::string Finish();

    // Steps; each returns false after noting what did not happen.
    bool Type(const std::string& ascii);  // and waits until the field holds it
    bool Key(const char* keys);           // "Return", "Escape", "alt+F4"
    bool Click(UnlockItem item);          // the middle of the part
    bool ClickAt(int x, int y);           // client coordinates
    bool MoveTo(int x, int y);            // client coordinates, no click
    bool WaitForField(const std::wstring& text);
    bool Fail(const std::string& note);

    HWND dialog() const { return dialog_; }
    std::wstring FieldText() const;
    wchar_t PasswordChar() const;
    POINT ToScreen(int x, int y) const;

private:
    void Play(const Script& script);
    bool WaitForDialog();

    DWORD uiThread_;
    HWND dialog_ = nullptr;
    HWND field_ = nullptr;
    std::vector<std::string> failures_;
    std::thread thread_;
};

// Wine has no "Microsoft YaHei UI" and draws Chinese text in it as boxes
// unless the prefix names a replacement; it reads replacements only when a
// process starts, so a test that wants real glyphs runs in a child process
// started after this.
bool EnsureChineseFontReplacement();
// Runs this test program again for the one test named, with IsChildRun()
// true in it; its exit code, or -1 when it could not be started.
int RunInChild(const std::string& testName);
bool IsChildRun();

// A picture of a window as the screen shows it.
class ScreenPicture {
public:
    bool Take(HWND window);
    // A pixel in the window's client coordinates (the dialog has no frame).
    COLORREF At(int x, int y) const;
    // How many pixels inside area pass the test.
    int Count(const UnlockRect& area, const std::function<bool(COLORREF)>& test) const;
    // As a 24-bit BMP file.
    bool Save(const std::string& path) const;

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<COLORREF> pixels_;  // top-down rows
};
