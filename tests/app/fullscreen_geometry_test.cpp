#include "app/fullscreen_geometry.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

std::string Describe(const BarRect& r) {
    return "(" + std::to_string(r.left) + ", " + std::to_string(r.top) + ", " + std::to_string(r.right) +
           ", " + std::to_string(r.bottom) + ")";
}

std::string Describe(const BarHit& hit) {
    if (hit.kind == BarHit::kExit) return "exit";
    return hit.kind == BarHit::kTab ? "tab " + std::to_string(hit.tab) : "nothing";
}

}  // namespace

TEST(FullscreenGeometry, WhereTheBarAndItsButtonsLie) {
    const BarRect secondMonitor{-1280, -200, 0, 824};
    EXPECT_EQ(Describe(BarWindowRect(&secondMonitor)), "(-1280, -200, 0, -164)");
    EXPECT_EQ(Describe(BarWindowRect(nullptr)), "(0, 0, 1920, 36)");
    EXPECT_EQ(Describe(TabButtonRect(0, 36)), "(8, 5, 158, 31)");
    EXPECT_EQ(Describe(TabButtonRect(3, 50)), "(476, 5, 626, 45)");
    EXPECT_EQ(Describe(TabLabelRect(TabButtonRect(2, 36), 36)), "(330, 5, 464, 31)");
    EXPECT_EQ(Describe(ExitButtonRect(1920, 36)), "(1816, 6, 1912, 30)");
    EXPECT_EQ(Describe(ExitButtonRect(1600, 50)), "(1496, 6, 1592, 44)");
}

// A button fits while its right edge stays at or left of width - 112: on a
// 1920-pixel bar the 12th would end at 1874, beyond 1808; in a bar 270 wide
// the first ends exactly at the limit.
TEST(FullscreenGeometry, OnlyTheButtonsThatFitAreLaidOut) {
    const struct {
        int width, tabs, fit;
    } cases[] = {
        {1920, 20, 11}, {1920, 3, 3}, {1920, 0, 0}, {1600, 20, 9}, {270, 5, 1},
        {269, 5, 0},    {426, 5, 2},  {425, 5, 1},  {-50, 5, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FittingTabButtons(c.width, c.tabs), c.fit) << c.width << " wide, " << c.tabs << " tabs";
    }
}

TEST(FullscreenGeometry, AClickHitsTheButtonUnderItEdgesIncluded) {
    const struct {
        const char* where;
        int x, y, width, tabs;
        const char* hit;
    } cases[] = {
        {"first button, top left", 8, 5, 1920, 3, "tab 0"},
        {"first button, bottom right", 158, 31, 1920, 3, "tab 0"},
        {"left of it", 7, 18, 1920, 3, "nothing"},
        {"gap after it", 159, 18, 1920, 3, "nothing"},
        {"gap before the second", 163, 18, 1920, 3, "nothing"},
        {"second button", 164, 18, 1920, 3, "tab 1"},
        {"where a fourth would be", 500, 18, 1920, 3, "nothing"},
        {"above a button", 100, 4, 1920, 3, "nothing"},
        {"below a button", 100, 32, 1920, 3, "nothing"},
        {"the 11th of 20", 1700, 18, 1920, 20, "tab 10"},
        {"the 12th, not laid out", 1800, 18, 1920, 20, "nothing"},
        {"exit, top left", 1816, 6, 1920, 0, "exit"},
        {"exit, bottom right", 1912, 30, 1920, 0, "exit"},
        {"left of exit", 1815, 18, 1920, 0, "nothing"},
        {"right of exit", 1913, 18, 1920, 0, "nothing"},
        {"above exit", 1850, 5, 1920, 0, "nothing"},
        {"below exit", 1850, 31, 1920, 0, "nothing"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Describe(HitTestBar(c.x, c.y, c.width, 36, c.tabs)), c.hit) << c.where;
    }
}

TEST(FullscreenGeometry, ATabButtonNamesItsServer) {
    AppConfig config;
    config.servers.resize(3);
    for (ServerRecord& server : config.servers) server.id = "a";  // the first of an id counts
    config.servers[0].remark = "财务 服务器";
    config.servers[1].remark = "second";
    config.servers[2].id = "b";
    config.servers[2].host = "db01.example";
    EXPECT_EQ(TabButtonLabel(&config, "a"), "财务 服务器");
    EXPECT_EQ(TabButtonLabel(&config, "b"), "db01.example");
    EXPECT_EQ(TabButtonLabel(&config, "A"), "A");
    EXPECT_EQ(TabButtonLabel(nullptr, "a"), "a");
}

// Each row polls once at tick now with the cursor at (x, y) over a bar at
// (0, 0, 1600, 36).
TEST(FullscreenGeometry, TheBarHidesTwoSecondsAfterTheMouseLeftAndReturnsAtTheTopEdge) {
    const std::uint32_t t = 50000;
    const std::uint32_t wrapped = 0xFFFFFF00u;
    const struct {
        const char* name;
        bool visible;
        std::uint32_t deadline, now;
        int x, y;
        BarChange change;
        bool visibleAfter;
        std::uint32_t deadlineAfter;
    } cases[] = {
        {"over the visible bar", true, t - 1, t, 800, 20, BarChange::kNone, true, t + 2000},
        {"on its bottom-right corner", true, t - 1, t, 1600, 36, BarChange::kNone, true, t + 2000},
        {"below it, at the deadline", true, t, t, 800, 37, BarChange::kNone, true, t},
        {"below it, past the deadline", true, t - 1, t, 800, 37, BarChange::kHide, false, t - 1},
        {"right of it, past the deadline", true, t - 1, t, 1601, 0, BarChange::kHide, false, t - 1},
        {"hidden, fourth row", false, 0, t, 800, 3, BarChange::kShow, true, t + 2000},
        {"hidden, fifth row", false, 0, t, 800, 4, BarChange::kNone, false, t + 2000},
        {"hidden, lower", false, 7, t, 800, 500, BarChange::kNone, false, 7},
        {"hidden, on a monitor above", false, 0, t, 800, -10, BarChange::kNone, false, 0},
        {"hidden, top of a monitor to the right", false, 0, t, 1700, 0, BarChange::kNone, false, 0},
        {"passed across the tick wrap", true, wrapped, 0x10u, 8, 500, BarChange::kHide, false, wrapped},
        {"ahead across the tick wrap", true, 0x100u, wrapped, 8, 500, BarChange::kNone, true, 0x100u},
    };
    for (const auto& c : cases) {
        BarVisibility state{c.visible, c.deadline};
        EXPECT_EQ(PollBar(state, c.x, c.y, BarRect{0, 0, 1600, 36}, c.now), c.change) << c.name;
        EXPECT_EQ(state.visible, c.visibleAfter) << c.name;
        EXPECT_EQ(state.hideDeadline, c.deadlineAfter) << c.name;
    }
}
