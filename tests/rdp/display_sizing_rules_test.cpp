#include "rdp/display_sizing_rules.h"

#include <gtest/gtest.h>

namespace {

constexpr SizingMode kFollowing{true, false};

// A session that is connected and showing 1000 x 600, its last send at
// tick 1000.
RemoteSizing Connected() {
    RemoteSizing s;
    s.resizeEnabled = true;
    s.remoteWidth = s.lastSentWidth = 1000;
    s.remoteHeight = s.lastSentHeight = 600;
    s.lastSendTick = 1000;
    return s;
}

}  // namespace

TEST(DisplaySizingRules, WhenAHostSizeGoesOut) {
    const struct {
        const char* name;
        SizingMode mode;
        bool enabled;
        PixelSize size;
        std::uint32_t now;
        ResizeStep step;
    } cases[] = {
        {"after the throttle", kFollowing, true, {1100, 650}, 1070, ResizeStep::SendNow},
        {"within the throttle", kFollowing, true, {1100, 650}, 1069, ResizeStep::WaitForTimer},
        {"seven pixels wider and higher", kFollowing, true, {1007, 607}, 5000, ResizeStep::Ignore},
        {"seven pixels narrower", kFollowing, true, {993, 600}, 5000, ResizeStep::Ignore},
        {"eight pixels wider", kFollowing, true, {1008, 600}, 5000, ResizeStep::SendNow},
        {"the height alone", kFollowing, true, {1000, 608}, 5000, ResizeStep::SendNow},
        {"stretching", {false, false}, true, {1100, 650}, 5000, ResizeStep::Ignore},
        {"a record with its own size", {true, true}, true, {1100, 650}, 5000, ResizeStep::Ignore},
        {"before Connect", kFollowing, false, {1100, 650}, 5000, ResizeStep::Ignore},
        {"an empty host", kFollowing, true, {0, 650}, 5000, ResizeStep::Ignore},
    };
    for (const auto& c : cases) {
        RemoteSizing s = Connected();
        s.resizeEnabled = c.enabled;
        EXPECT_EQ(OnHostResized(s, c.mode, c.size, c.now), c.step) << c.name;
    }
}

// Coalescing, the throttle's timer, the switches between following and
// stretching and the retries of a server not ready are the display tests'
// part, with a session; here what they cannot reach.
TEST(DisplaySizingRules, RetriesAndTheSizeAtConnecting) {
    RemoteSizing s = Connected();
    EXPECT_EQ(OnHostResized(s, kFollowing, {1210, 710}, 5000), ResizeStep::SendNow);
    PixelSize sent;
    ASSERT_TRUE(TakePendingSize(s, kFollowing, 5000, &sent));
    // Every resize reports its size twice: the same size must not refill
    // the retries, a new one does; other failures are never retried.
    for (int i = 0; i < sizing::kRetries; ++i) {
        EXPECT_TRUE(TakeRetry(s, true));
        EXPECT_EQ(OnHostResized(s, kFollowing, {1210, 710}, 9000), ResizeStep::Ignore);
    }
    EXPECT_FALSE(TakeRetry(s, true));
    EXPECT_EQ(OnHostResized(s, kFollowing, {1300, 760}, 9000), ResizeStep::SendNow);
    EXPECT_FALSE(TakeRetry(s, false));
    EXPECT_TRUE(TakeRetry(s, true));

    // A size already shown does not go again once connected.
    s = Connected();
    s.pendingWidth = 1000;
    s.pendingHeight = 600;
    EXPECT_FALSE(OnConnectedSizing(s));
}

// Whether the picture scales is the control tests' part, put by put.
TEST(DisplaySizingRules, DesktopSize) {
    const struct {
        int recordWidth, recordHeight;
        PixelSize client, desktop;
    } sizes[] = {
        {1600, 900, {800, 600}, {1600, 900}},
        {1280, 0, {900, 500}, {900, 500}},
        {0, 0, {150, 500}, {1024, 500}},
        {0, 0, {199, 199}, {1024, 768}},
        {0, 0, {200, 200}, {200, 200}},
        // Only sizes the protocol carries: odd widths lose a pixel, a record
        // beyond the range is brought into it.
        {0, 0, {1001, 601}, {1000, 601}},
        {9000, 100, {800, 600}, {8192, 200}},
        {201, 8193, {800, 600}, {200, 8192}},
    };
    for (const auto& c : sizes) {
        const PixelSize desktop = DesktopSizeFor(c.recordWidth, c.recordHeight, c.client);
        EXPECT_EQ(desktop.width, c.desktop.width) << c.client.width;
        EXPECT_EQ(desktop.height, c.desktop.height) << c.client.height;
    }
}

// What goes out after connecting: the same range and even widths, and the
// physical size in millimetres (or 0, "not given", where the protocol would
// ignore it).
TEST(DisplaySizingRules, ProtocolSizesAndMillimetres) {
    const struct {
        PixelSize host, sent;
    } sizes[] = {{{1280, 720}, {1280, 720}},
                 {{1281, 721}, {1280, 721}},
                 {{10, 10}, {200, 200}},
                 {{20000, 9000}, {8192, 8192}},
                 {{201, 200}, {200, 200}}};
    for (const auto& c : sizes) {
        const PixelSize sent = ProtocolSize(c.host);
        EXPECT_EQ(sent.width, c.sent.width) << c.host.width;
        EXPECT_EQ(sent.height, c.sent.height) << c.host.height;
    }
    const struct {
        int pixels, dpi, mm;
    } lengths[] = {{1280, 96, 339}, {1280, 192, 169}, {96, 96, 25}, {30, 96, 0}, {8192, 1, 0}, {800, 0, 0}};
    for (const auto& c : lengths)
        EXPECT_EQ(PhysicalMillimetres(c.pixels, c.dpi), c.mm) << c.pixels << "@" << c.dpi;
    const struct {
        int dpi;
        unsigned long desktop, device;
    } scales[] = {{96, 100, 100},  {120, 125, 140}, {144, 150, 140}, {168, 175, 180},
                  {192, 200, 180}, {72, 100, 100},  {960, 500, 180}, {0, 100, 100}};
    for (const auto& c : scales) {
        const ScaleFactors factors = ScaleFactorsForDpi(c.dpi);
        EXPECT_EQ(factors.desktop, c.desktop) << c.dpi;
        EXPECT_EQ(factors.device, c.device) << c.dpi;
    }
}
