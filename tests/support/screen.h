// The display Wine draws on, as a user sees and works it: real key presses
// and clicks through xdotool, and pictures of what a window shows.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <string>

// Runs xdotool with these arguments and waits for it; true on exit status 0.
bool Xdotool(std::initializer_list<std::string> args);

// A window's pixels as the screen shows them, kept as a 24-bit BMP file.
class WindowPicture {
public:
    bool Take(HWND window);
    COLORREF At(int x, int y) const;  // window coordinates; CLR_INVALID outside
    int Count(COLORREF colour) const;
    bool Flat() const { return Count(At(0, 0)) == width_ * height_; }
    // Into "screenshots" beside the test program.
    bool Save(const char* name) const;

private:
    int width_ = 0;
    int height_ = 0;
    std::string file_;
};
