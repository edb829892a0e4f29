#include "app/unlock_layout.h"

bool UnlockRect::Contains(int x, int y) const {
    return x >= left && x < right && y >= top && y < bottom;
}

UnlockLayout LayoutUnlockDialog(int width, int height) {
    const int w = width;
    const int h = height;
    UnlockLayout layout;
    layout.field = {30, 112, 30 + (w - 104), 112 + 30};
    layout.toggle = {w - 66, 116, w - 38, 138};
    layout.okButton = {w - 258, h - 68, w - 150, h - 30};
    layout.exitButton = {w - 138, h - 68, w - 30, h - 30};
    layout.title = {30, 30, w - 30, 62};
    layout.subtitle = {30, 64, w - 30, 88};
    layout.message = {30, 160, w - 30, 184};
    return layout;
}

UnlockItem HitUnlockItem(const UnlockLayout& layout, int x, int y) {
    if (layout.toggle.Contains(x, y)) return UnlockItem::Toggle;
    if (layout.okButton.Contains(x, y)) return UnlockItem::OkButton;
    if (layout.exitButton.Contains(x, y)) return UnlockItem::ExitButton;
    return UnlockItem::None;
}

const char* ToggleLabel(bool passwordShown) {
    return passwordShown ? "隐藏" : "显示";
}
