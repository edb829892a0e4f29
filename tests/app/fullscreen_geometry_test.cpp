#include "app/fullscreen_geometry.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

std::string Describe(const BarRect& r) {
    return "(" + std::to_string(r.left) + ", " + std::to_string(r.top) + ", " + std::to_string(r.right) +
           ", " + std::to_string(r.bottom) + ")";
}

std::string Describe(const BarHit& hit) {
    switch (hit.kind) {
        case BarHit::kExit:
            return "exit";
        case BarHit::kTab:
            return "tab " + std::to_string(hit.tab);
        default:
            return "nothing";
    }
}

}  // namespace

TEST(FullscreenGeometry, TheBarLiesOverTheTopOfItsMonitor) {
    const BarRect second{-1280, -200, 0, 824};  // left of and above the primary monitor
    EXPECT_EQ(Describe(BarWindowRect(&second)), "(-1280, -200, 0, -164)");
    const BarRect primary{0, 0, 1600, 1000};
    EXPECT_EQ(Describe(BarWindowRect(&primary)), "(0, 0, 1600, 36)");
    EXPECT_EQ(Describe(BarWindowRect(nullptr)), "(0, 0, 1920, 36)");
}

TEST(FullscreenGeometry, ButtonsAndLabelsInABarOfAnyHeight) {
    EXPECT_EQ(Describe(TabButtonRect(0, 36)), "(8, 5, 158, 31)");
    EXPECT_EQ(Describe(TabButtonRect(3, 36)), "(476, 5, 626, 31)");
    EXPECT_EQ(Describe(TabButtonRect(1, 50)), "(164, 5, 314, 45)");
    EXPECT_EQ(Describe(TabLabelRect(TabButtonRect(2, 36), 36)), "(330, 5, 464, 31)");
    EXPECT_EQ(Describe(ExitButtonRect(1920, 36)), "(1816, 6, 1912, 30)");
    EXPECT_EQ(Describe(ExitButtonRect(1600, 50)), "(1496, 6, 1592, 44)");
}

// A button fits while its right edge stays at or left of width - 112: on a
// 1920-pixel bar the 12th would end at 1874, beyond 1808; in a bar 270 wide
// the first ends exactly at the limit.
TEST(FullscreenGeometry, OnlyTheButtonsThatFitAreLaidOut) {
    const struct {
        int width;
        int tabs;
        int fit;
    } cases[] = {
        {1920, 20, 11}, {1920, 11, 11}, {1920, 3, 3}, {1920, 0, 0}, {1920, -1, 0}, {1600, 20, 9},
        {270, 5, 1},    {269, 5, 0},    {426, 5, 2},  {425, 5, 1},  {0, 5, 0},     {-50, 5, 0},
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
        {"third button", 400, 18, 1920, 3, "tab 2"},
        {"where a fourth would be", 500, 18, 1920, 3, "nothing"},
        {"above a button", 100, 4, 1920, 3, "nothing"},
        {"below a button", 100, 32, 1920, 3, "nothing"},
        {"left of the bar", -5, 18, 1920, 3, "nothing"},
        {"the 11th of 20", 1700, 18, 1920, 20, "tab 10"},
        {"the 12th, not laid out", 1800, 18, 1920, 20, "nothing"},
        {"exit, top left", 1816, 6, 1920, 0, "exit"},
        {"exit, bottom right", 1912, 30, 1920, 0, "exit"},
        {"left of exit", 1815, 18, 1920, 0, "nothing"},
        {"right of exit", 1913, 18, 1920, 0, "nothing"},
        {"above exit", 1850, 5, 1920, 0, "nothing"},
        {"below exit", 1850, 31, 1920, 0, "nothing"},
        {"exit of a narrower bar", 1500, 18, 1600, 20, "exit"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Describe(HitTestBar(c.x, c.y, c.width, 36, c.tabs)), c.hit) << c.where;
    }
}

TEST(FullscreenGeometry, ATabButtonNamesItsServer) {
    AppConfig config;
    ServerRecord a;
    a.id = "a";
    a.host = "10.0.0.1";
    a.remark = "财务 服务器";
    ServerRecord b;
    b.id = "b";
    b.host = "db01.example";
    ServerRecord duplicate = a;
    duplicate.remark = "second of the same id";
    config.servers = {a, b, duplicate};
    EXPECT_EQ(TabButtonLabel(&config, "a"), "财务 服务器");
    EXPECT_EQ(TabButtonLabel(&config, "b"), "db01.example");
    EXPECT_EQ(TabButtonLabel(&config, "gone"), "gone");
    EXPECT_EQ(TabButtonLabel(&config, "A"), "A");
    EXPECT_EQ(TabButtonLabel(nullptr, "a"), "a");
}

// Each row starts from the bar's state and polls once at tick now with the
// cursor at (x, y) over a bar at (0, 0, 1600, 36).
TEST(FullscreenGeometry, TheBarHidesTwoSecondsAfterTheMouseLeftAndReturnsAtTheTopEdge) {
    const BarRect bar{0, 0, 1600, 36};
    const std::uint32_t t = 50000;
    const struct {
        const char* name;
        bool visible;
        std::uint32_t deadline, now;
        int x, y;
        BarChange change;
        bool visibleAfter;
        std::uint32_t deadlineAfter;
    } cases[] = {
        {"over the visible bar: kept", true, t - 1, t, 800, 20, BarChange::kNone, true, t + 2000},
        {"on its bottom-right corner", true, t - 1, t, 1600, 36, BarChange::kNone, true, t + 2000},
        {"below it, at the deadline", true, t, t, 800, 37, BarChange::kNone, true, t},
        {"below it, after the deadline", true, t - 1, t, 800, 37, BarChange::kHide, false, t - 1},
        {"right of it, after the deadline", true, t - 1, t, 1601, 0, BarChange::kHide, false, t - 1},
        {"hidden, at the top row", false, 0, t, 800, 0, BarChange::kShow, true, t + 2000},
        {"hidden, fourth row", false, 0, t, 800, 3, BarChange::kShow, true, t + 2000},
        {"hidden, fifth row", false, 0, t, 800, 4, BarChange::kNone, false, t + 2000},
        {"hidden, lower", false, 7, t, 800, 500, BarChange::kNone, false, 7},
        {"hidden, above the monitor beside it", false, 0, t, 1700, -10, BarChange::kShow, true, t + 2000},
        {"deadline passed across the tick wrap", true, 0xFFFFFF00u, 0x10u, 800, 500, BarChange::kHide, false,
         0xFFFFFF00u},
        {"deadline ahead across the tick wrap", true, 0x100u, 0xFFFFFFF0u, 800, 500, BarChange::kNone, true,
         0x100u},
    };
    for (const auto& c : cases) {
        BarVisibility state{c.visible, c.deadline};
        EXPECT_EQ(PollBar(state, c.x, c.y, bar, c.now), c.change) << c.name;
        EXPECT_EQ(state.visible, c.visibleAfter) << c.name;
        EXPECT_EQ(state.hideDeadline, c.deadlineAfter) << c.name;
    }
    // Showing a visible bar changes nothing, not even its deadline.
    BarVisibility shown{true, 123};
    EXPECT_EQ(ShowBarState(shown, t), BarChange::kNone);
    EXPECT_EQ(shown.hideDeadline, 123u);
}
