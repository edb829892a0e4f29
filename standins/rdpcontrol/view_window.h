// The control's visible window: what the session believes, in plain text,
// so a screenshot of the program shows it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class ViewSource {
public:
    virtual std::vector<std::wstring> ViewLines() const = 0;
    // The window is gone, destroyed by the control or with its parent.
    virtual void ViewDestroyed() = 0;
    // Ctrl+Alt+Right (1) or Ctrl+Alt+Left (-1) was pressed in the window.
    virtual void ViewReleaseFocus(long direction) = 0;

protected:
    ~ViewSource() = default;
};

HWND CreateViewWindow(HWND parent, const RECT& position, ViewSource* source);
void UnregisterViewWindowClass();
