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

TEST(DisplaySizingRules, TheNewestSizeGoesAndIsNotResentOrRefilled) {
    RemoteSizing s = Connected();
    EXPECT_EQ(OnHostResized(s, kFollowing, {1100, 650}, 1010), ResizeStep::WaitForTimer);
    EXPECT_EQ(OnHostResized(s, kFollowing, {1210, 710}, 1020), ResizeStep::WaitForTimer);
    PixelSize sent;
    ASSERT_TRUE(TakePendingSize(s, kFollowing, 1070, &sent));
    EXPECT_EQ(sent.width, 1210);
    EXPECT_EQ(sent.height, 710);
    EXPECT_EQ(s.lastSendTick, 1070u);
    // Failing sends use up the retries; the same size reported again (as
    // every resize reports it twice) must not refill them.
    EXPECT_TRUE(TakeRetry(s, true));
    EXPECT_EQ(OnHostResized(s, kFollowing, {1210, 710}, 9000), ResizeStep::Ignore);
    EXPECT_TRUE(TakeRetry(s, true));
    EXPECT_TRUE(TakeRetry(s, true));
    EXPECT_FALSE(TakeRetry(s, true));
    EXPECT_EQ(s.resizeRetriesLeft, 0);
    // A new size refills them; other failures are never retried.
    EXPECT_EQ(OnHostResized(s, kFollowing, {1300, 760}, 9000), ResizeStep::SendNow);
    EXPECT_EQ(s.resizeRetriesLeft, sizing::kRetries);
    EXPECT_FALSE(TakeRetry(s, false));
    OnSizeAccepted(s, {1300, 760});
    EXPECT_EQ(s.remoteWidth, 1300);
    EXPECT_FALSE(TakePendingSize(s, {false, false}, 9100, &sent));
}

TEST(DisplaySizingRules, ConnectingAndSwitchingModes) {
    RemoteSizing s = Connected();
    s.pendingWidth = 1150;
    s.pendingHeight = 680;
    EXPECT_TRUE(OnConnectedSizing(s));  // sizes that waited for the connection
    EXPECT_EQ(s.lastSendTick, 0u);
    s.pendingWidth = 1000;
    s.pendingHeight = 600;
    EXPECT_FALSE(OnConnectedSizing(s));  // already shown

    StopFollowing(s);
    PixelSize sent;
    EXPECT_FALSE(TakePendingSize(s, kFollowing, 5000, &sent));
    StartFollowing(s);
    EXPECT_EQ(s.remoteWidth, 0);  // the next size goes whatever it is
    EXPECT_EQ(OnHostResized(s, kFollowing, {1000, 600}, 5000), ResizeStep::SendNow);
}

// Whether the picture scales is the control tests' part, put by put.
TEST(DisplaySizingRules, DesktopSize) {
    const struct {
        int recordWidth, recordHeight;
        PixelSize client, desktop;
    } sizes[] = {
        {1600, 900, {800, 600}, {1600, 900}}, {1280, 0, {900, 500}, {900, 500}},
        {0, 0, {150, 500}, {1024, 500}},      {0, 0, {199, 199}, {1024, 768}},
        {0, 0, {200, 200}, {200, 200}},
    };
    for (const auto& c : sizes) {
        const PixelSize desktop = DesktopSizeFor(c.recordWidth, c.recordHeight, c.client);
        EXPECT_EQ(desktop.width, c.desktop.width) << c.client.width;
        EXPECT_EQ(desktop.height, c.desktop.height) << c.client.height;
    }
}
