#include "app/window_placement.h"

#include <gtest/gtest.h>

namespace {

std::string Describe(const UiSettings& ui) {
    return std::to_string(ui.x) + "," + std::to_string(ui.y) + " " + std::to_string(ui.w) + "x" +
           std::to_string(ui.h) + (ui.maximized ? " maximized" : "");
}

UiSettings Saved(int x, int y, int w, int h, bool maximized = false) {
    UiSettings ui;
    ui.x = x;
    ui.y = y;
    ui.w = w;
    ui.h = h;
    ui.maximized = maximized;
    return ui;
}

}  // namespace

// On one monitor of 1600 x 1000.
TEST(WindowPlacement, SavedBoxOrCentredOnTheScreen) {
    const struct {
        UiSettings ui;
        WindowBox want;
    } cases[] = {
        {Saved(100, 50, 1180, 720), {100, 50, 1180, 720}},
        {Saved(0, 0, 900, 600), {0, 0, 900, 600}},
        // The defaults (-1) and any negative coordinate centre.
        {Saved(-1, -1, 1180, 720), {210, 140, 1180, 720}},
        {Saved(-1, 300, 1180, 720), {210, 140, 1180, 720}},
        {Saved(300, -5, 1000, 600), {300, 200, 1000, 600}},
        // 200 pixels from the right or bottom edge is still reachable, 201 is not.
        {Saved(1400, 800, 1000, 600), {1400, 800, 1000, 600}},
        {Saved(1401, 100, 1000, 600), {300, 200, 1000, 600}},
        {Saved(100, 801, 1000, 600), {300, 200, 1000, 600}},
        // Odd differences and a window wider than the screen truncate toward zero.
        {Saved(-1, -1, 1001, 601), {299, 199, 1001, 601}},
        {Saved(-1, -1, 1701, 1003), {-50, -1, 1701, 1003}},
    };
    for (const auto& c : cases) {
        const WindowBox got = InitialWindowBox(c.ui, {WindowBox{0, 0, 1600, 1000}}, 96);
        EXPECT_TRUE(got == c.want) << Describe(c.ui) << " -> " << Describe(Saved(got.x, got.y, got.w, got.h));
    }
}

// A second monitor left of the primary, one above it to the right, and the
// same place once that monitor is gone.
TEST(WindowPlacement, AnyPresentMonitorKeepsTheWindowElseThePrimaryTakesIt) {
    const WindowBox primary{0, 0, 1600, 1000}, left{-1920, 0, 1920, 1040}, upper{1600, -1024, 1280, 984};
    const struct {
        std::vector<WindowBox> monitors;
        WindowBox saved, want;
    } cases[] = {
        {{primary, left}, {-1800, 100, 1000, 600}, {-1800, 100, 1000, 600}},
        {{primary, upper}, {2000, -900, 800, 600}, {2000, -900, 800, 600}},
        {{primary}, {2000, -900, 800, 600}, {400, 200, 800, 600}},         // its monitor went away
        {{primary, left}, {-201, 900, 1000, 600}, {300, 200, 1000, 600}},  // too near that edge
        {{}, {5000, 5000, 800, 600}, {5000, 5000, 800, 600}},
    };
    for (const auto& c : cases) {
        const WindowBox got = ReachableBox(c.saved, c.monitors);
        EXPECT_TRUE(got == c.want) << c.saved.x << "," << c.saved.y << " -> " << got.x << "," << got.y;
    }
}

// A window never placed is as large to the eye at any scale; a saved one
// keeps its pixels; none outgrows the monitor.
TEST(WindowPlacement, TheFirstWindowIsScaledWithTheMonitor) {
    const std::vector<WindowBox> monitor = {{0, 0, 2560, 1400}};
    const struct {
        UiSettings ui;
        int dpi;
        WindowBox want;
    } cases[] = {
        {Saved(-1, -1, 1180, 720), 144, {395, 160, 1770, 1080}},
        {Saved(-1, -1, 1180, 720), 192, {100, 0, 2360, 1400}},
        {Saved(-1, -1, 1180, 720), 96, {690, 340, 1180, 720}},
        {Saved(100, 80, 1180, 720), 192, {100, 80, 1180, 720}},
    };
    for (const auto& c : cases) {
        const WindowBox got = InitialWindowBox(c.ui, monitor, c.dpi);
        EXPECT_TRUE(got == c.want) << c.dpi << " -> " << got.x << "," << got.y << " " << got.w << "x"
                                   << got.h;
    }
}

TEST(WindowPlacement, ShowCommand) {
    EXPECT_EQ(InitialShowCommand(Saved(0, 0, 900, 600, true), 7), kShowMaximized);
    EXPECT_EQ(InitialShowCommand(Saved(0, 0, 900, 600, true), 0), kShowMaximized);
    EXPECT_EQ(InitialShowCommand(Saved(0, 0, 900, 600), 7), 7);
    EXPECT_EQ(InitialShowCommand(Saved(0, 0, 900, 600), 0), kShowNormal);
}

TEST(WindowPlacement, WhatClosingKeeps) {
    const UiSettings before = Saved(10, 20, 1000, 700, true);
    const struct {
        const char* name;
        ClosingWindow window;
        UiSettings want;
    } cases[] = {
        // A normal and a maximized window: the start-up tests.
        {"rectangle unknown", {false, 1, 2, 3, 4, true, false, false}, before},
        {"minimized keeps the place",
         {true, -32000, -32000, -31840, -31972, false, true, false},
         Saved(10, 20, 1000, 700)},
        {"minimized from maximized",
         {true, -32000, -32000, -31840, -31972, false, true, true},
         Saved(10, 20, 1000, 700, true)},
    };
    for (const auto& c : cases) {
        UiSettings ui = before;
        RecordClosingPlacement(ui, c.window);
        EXPECT_EQ(Describe(ui), Describe(c.want)) << c.name;
    }
}
