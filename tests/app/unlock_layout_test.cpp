#include "app/unlock_layout.h"

#include <gtest/gtest.h>

#include <vector>

// Points on and just beyond every edge of each part of the 440 x 268
// dialog, and the same parts in a larger client, where they keep their
// distances from the right and bottom edges.
TEST(UnlockLayout, WhatAPointHits) {
    const struct {
        const char* name;
        int width, height, x, y;
        UnlockItem item;
    } cases[] = {
        {"toggle top left", 440, 268, 374, 116, UnlockItem::Toggle},
        {"toggle bottom right", 440, 268, 401, 137, UnlockItem::Toggle},
        {"left of the toggle", 440, 268, 373, 120, UnlockItem::None},
        {"right of the toggle", 440, 268, 402, 120, UnlockItem::None},
        {"above the toggle", 440, 268, 380, 115, UnlockItem::None},
        {"below the toggle", 440, 268, 380, 138, UnlockItem::None},
        {"OK top left", 440, 268, 182, 200, UnlockItem::OkButton},
        {"OK bottom right", 440, 268, 289, 237, UnlockItem::OkButton},
        {"between the buttons", 440, 268, 295, 220, UnlockItem::None},
        {"exit top left", 440, 268, 302, 200, UnlockItem::ExitButton},
        {"exit bottom right", 440, 268, 409, 237, UnlockItem::ExitButton},
        {"right of exit", 440, 268, 410, 220, UnlockItem::None},
        {"below the buttons", 440, 268, 300, 238, UnlockItem::None},
        {"above the buttons", 440, 268, 300, 199, UnlockItem::None},
        {"in the field", 440, 268, 200, 127, UnlockItem::None},
        {"in the title", 440, 268, 100, 40, UnlockItem::None},
        {"wider: toggle", 600, 300, 534, 116, UnlockItem::Toggle},
        {"wider: old toggle place", 600, 300, 380, 120, UnlockItem::None},
        {"wider: OK", 600, 300, 342, 232, UnlockItem::OkButton},
        {"wider: exit", 600, 300, 569, 269, UnlockItem::ExitButton},
    };
    for (const auto& c : cases) {
        const UnlockLayout layout = LayoutUnlockDialog(c.width, c.height);
        EXPECT_EQ(HitUnlockItem(layout, c.x, c.y), c.item) << c.name;
    }
}

// The edit control is placed by the table too, 104 pixels narrower than
// the dialog.
TEST(UnlockLayout, TheField) {
    const UnlockRect f = LayoutUnlockDialog(unlock::kDialogWidth, unlock::kDialogHeight).field;
    EXPECT_EQ((std::vector<int>{f.left, f.top, f.right, f.bottom}), (std::vector<int>{30, 112, 366, 142}));
}
