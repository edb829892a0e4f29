// Where the unlock dialog's parts lie and which one a point hits: one table
// for the painting, the password field's placement and the mouse alike.
#pragma once

namespace unlock {
constexpr int kDialogWidth = 440;
constexpr int kDialogHeight = 268;
}  // namespace unlock

struct UnlockRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    // Left and top edges inside, right and bottom edges outside, as Windows
    // counts a point in a rectangle.
    bool Contains(int x, int y) const;
};

struct UnlockLayout {
    UnlockRect field;  // the password field itself, without its painted frame
    UnlockRect toggle;
    UnlockRect okButton;
    UnlockRect exitButton;
    UnlockRect title;
    UnlockRect subtitle;
    UnlockRect message;
};

// The layout of a client area width x height pixels.
UnlockLayout LayoutUnlockDialog(int width, int height);

// The part under the mouse; the values are the dialog's hover numbers.
enum class UnlockItem { None = 0, Toggle = 1, OkButton = 2, ExitButton = 3 };

UnlockItem HitUnlockItem(const UnlockLayout& layout, int x, int y);

// "隐藏" while the password is shown in plain text, "显示" while masked.
const char* ToggleLabel(bool passwordShown);
