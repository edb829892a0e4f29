#include "rdp/display_sizing_rules.h"

#include <algorithm>
#include <cstdlib>

bool HasFixedSize(int recordWidth, int recordHeight) {
    return recordWidth >= 1 && recordHeight >= 1;
}

namespace {

int Within(int value, int low, int high) {
    return value < low ? low : value > high ? high : value;
}

}  // namespace

PixelSize ProtocolSize(PixelSize size) {
    const int width = Within(size.width, sizing::kSmallestDesktop, sizing::kLargestDesktop);
    return PixelSize{width - width % 2,
                     Within(size.height, sizing::kSmallestDesktop, sizing::kLargestDesktop)};
}

int PhysicalMillimetres(int pixels, int dpi) {
    if (pixels <= 0 || dpi <= 0) return 0;
    const long long mm =
        (static_cast<long long>(pixels) * 254 + dpi * 5) / (static_cast<long long>(dpi) * 10);
    return mm < sizing::kSmallestPhysicalMm || mm > sizing::kLargestPhysicalMm ? 0 : static_cast<int>(mm);
}

ScaleFactors ScaleFactorsForDpi(int dpi) {
    if (dpi <= 0) dpi = 96;
    const long long percent = (static_cast<long long>(dpi) * 100 + 48) / 96;
    const unsigned long desktop = static_cast<unsigned long>(std::clamp<long long>(percent, 100, 500));
    // Halfway between the three: 120 and 160.
    const unsigned long device = desktop < 120 ? 100 : desktop < 160 ? 140 : 180;
    return ScaleFactors{desktop, device};
}

PixelSize DesktopSizeFor(int recordWidth, int recordHeight, PixelSize client) {
    if (HasFixedSize(recordWidth, recordHeight)) return ProtocolSize(PixelSize{recordWidth, recordHeight});
    return ProtocolSize(PixelSize{client.width < sizing::kSmallestUsableClient ? 1024 : client.width,
                                  client.height < sizing::kSmallestUsableClient ? 768 : client.height});
}

bool SmartSizingFor(bool changeRemoteResolution, bool recordSmartSizing) {
    return !changeRemoteResolution || recordSmartSizing;
}

ResizeStep OnHostResized(RemoteSizing& s, SizingMode mode, PixelSize size, std::uint32_t now) {
    if (size.width <= 0 || size.height <= 0 || !s.resizeEnabled || !mode.follows()) return ResizeStep::Ignore;
    s.pendingWidth = size.width;
    s.pendingHeight = size.height;
    if (s.remoteWidth > 0 && std::abs(size.width - s.remoteWidth) < sizing::kHysteresis &&
        std::abs(size.height - s.remoteHeight) < sizing::kHysteresis) {
        return ResizeStep::Ignore;
    }
    // A size already sent is not news: it must not refill the retry budget
    // of a send that is failing (every resize reports the size twice, once
    // from the window and once from whoever moved it).
    if (size.width == s.lastSentWidth && size.height == s.lastSentHeight) return ResizeStep::Ignore;
    if (s.remoteWidth > 0) s.resizeRetriesLeft = sizing::kRetries;
    if (s.lastSendTick == 0 || now - s.lastSendTick >= sizing::kThrottleMs) return ResizeStep::SendNow;
    return ResizeStep::WaitForTimer;
}

bool TakePendingSize(RemoteSizing& s, SizingMode mode, std::uint32_t now, PixelSize* size) {
    if (!mode.follows() || s.pendingWidth < 1 || s.pendingHeight < 1) return false;
    s.lastSendTick = now;
    s.lastSentWidth = s.pendingWidth;
    s.lastSentHeight = s.pendingHeight;
    *size = PixelSize{s.pendingWidth, s.pendingHeight};
    return true;
}

void OnSizeAccepted(RemoteSizing& s, PixelSize size) {
    s.remoteWidth = size.width;
    s.remoteHeight = size.height;
    s.resizeRetriesLeft = sizing::kRetries;
}

bool TakeRetry(RemoteSizing& s, bool notReadyYet) {
    if (!notReadyYet || s.resizeRetriesLeft < 1) return false;
    --s.resizeRetriesLeft;
    return true;
}

bool OnConnectedSizing(RemoteSizing& s) {
    s.lastSendTick = 0;
    s.resizeRetriesLeft = sizing::kRetries;
    return s.pendingWidth >= 1 && (s.pendingWidth != s.remoteWidth || s.pendingHeight != s.remoteHeight);
}

void StartFollowing(RemoteSizing& s) {
    s.remoteWidth = s.remoteHeight = 0;
    s.lastSendTick = 0;
    s.resizeRetriesLeft = sizing::kRetries;
    s.lastSentWidth = s.lastSentHeight = 0;
}

void StopFollowing(RemoteSizing& s) {
    s.pendingWidth = s.pendingHeight = 0;
    s.lastSentWidth = s.lastSentHeight = 0;
}
