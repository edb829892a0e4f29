#include "app/unlock_layout.h"

#include <gtest/gtest.h>

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

// The field is placed by this table too, and the frame painted around it
// must leave room for the toggle on its right.
TEST(UnlockLayout, TheFieldLeavesRoomForTheToggle) {
    const UnlockLayout layout = LayoutUnlockDialog(unlock::kDialogWidth, unlock::kDialogHeight);
    EXPECT_EQ(layout.field.left, 30);
    EXPECT_EQ(layout.field.top, 112);
    EXPECT_EQ(layout.field.right, 366);
    EXPECT_EQ(layout.field.bottom, 142);
    EXPECT_LT(layout.field.right + 3, layout.toggle.left);
    EXPECT_LT(layout.field.bottom + 3, layout.message.top);
}
