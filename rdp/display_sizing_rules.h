// The rules that keep the remote resolution in step with the tab, free of
// any window or control so that they can be checked on their own: sends are
// throttled to one per 70 ms, changes under 8 pixels are ignored, a server
// that is not ready yet is asked again at most three times, and a record
// with a size of its own keeps it.
#pragma once

#include <cstdint>

namespace sizing {
constexpr std::uint32_t kThrottleMs = 70;
constexpr std::uint32_t kRetryDelayMs = 700;
constexpr int kRetries = 3;
constexpr int kHysteresis = 8;
// A client area narrower or lower than this is no size for a desktop.
constexpr int kSmallestUsableClient = 200;
// The desktop sizes current clients accept, at creation and afterwards
// (learn.microsoft.com/windows/win32/termserv/imstscax-desktopwidth: 200 to
// 8192; the monitor layout of [MS-RDPEDISP] 2.2.2.2.1 also wants an even width).
constexpr int kSmallestDesktop = 200;
constexpr int kLargestDesktop = 8192;
// A physical size the protocol takes, in millimetres ([MS-RDPBCGR]
// 2.2.1.3.10.1: anything outside 10 to 10000 is ignored).
constexpr int kSmallestPhysicalMm = 10;
constexpr int kLargestPhysicalMm = 10000;
}  // namespace sizing

struct PixelSize {
    int width = 0;
    int height = 0;
};

// What a session remembers of the sizes it asked the server for.
struct RemoteSizing {
    int remoteWidth = 0;  // what the server is believed to show
    int remoteHeight = 0;
    int pendingWidth = 0;  // the newest host size, not yet sent
    int pendingHeight = 0;
    int lastSentWidth = 0;
    int lastSentHeight = 0;
    bool resizeEnabled = false;
    std::uint32_t lastSendTick = 0;  // 0: nothing sent since connecting
    int resizeRetriesLeft = sizing::kRetries;
};

// How a session follows its tab: follows is false while the picture is
// stretched or the record fixes the size.
struct SizingMode {
    bool changeRemoteResolution = true;
    bool fixedSize = false;
    bool follows() const { return changeRemoteResolution && !fixedSize; }
};

enum class ResizeStep {
    Ignore,       // nothing to send
    SendNow,      // send the pending size at once
    WaitForTimer  // a send was too recent: the throttle timer sends it
};

bool HasFixedSize(int recordWidth, int recordHeight);

// The nearest size the protocol carries: each side within 200 to 8192, the
// width even (one pixel less rather than more than the tab has).
PixelSize ProtocolSize(PixelSize size);

// The length of so many pixels on a screen of dpi dots per inch, in
// millimetres, or 0 ("not given") when the protocol would ignore it anyway.
int PhysicalMillimetres(int pixels, int dpi);

// The remote session's scale factors for a window on a monitor of dpi dots
// per inch: the desktop's is the monitor's own scale (100 % at 96), within
// the 100-500 the control takes; the device's is the nearest of the three
// the protocol knows, 100, 140 and 180
// (learn.microsoft.com/windows/win32/termserv/imsrdpextendedsettings-property).
struct ScaleFactors {
    unsigned long desktop;
    unsigned long device;
};
ScaleFactors ScaleFactorsForDpi(int dpi);

// The size the control's desktop starts with: the record's, or the host's
// client area (1024 x 768 in a part that is too small); always a size the
// protocol carries.
PixelSize DesktopSizeFor(int recordWidth, int recordHeight, PixelSize client);

// SmartSizing is on whenever the picture is stretched, and otherwise as the
// record says.
bool SmartSizingFor(bool changeRemoteResolution, bool recordSmartSizing);

// The host's client area is now width x height, at tick now.
ResizeStep OnHostResized(RemoteSizing& sizing, SizingMode mode, PixelSize size, std::uint32_t now);

// The pending size to send now, when there is one; marks it sent at now.
bool TakePendingSize(RemoteSizing& sizing, SizingMode mode, std::uint32_t now, PixelSize* size);

// The server took the size.
void OnSizeAccepted(RemoteSizing& sizing, PixelSize size);

// The server refused it: true (and one retry fewer) when it is worth asking
// again after the retry delay.
bool TakeRetry(RemoteSizing& sizing, bool notReadyYet);

// The session connected: true when the pending size must go at once.
bool OnConnectedSizing(RemoteSizing& sizing);

// The display mode switched to following (the next size goes at once) or
// to stretching (nothing pending any more).
void StartFollowing(RemoteSizing& sizing);
void StopFollowing(RemoteSizing& sizing);
