#include "controller/command_members.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "core/text.h"

std::string ReadId(const JsonValue& data) {
    return data.getString("id", "");
}

ReorderRequest ReadReorder(const JsonValue& data) {
    return ReorderRequest{data.getString("id", ""), data.getString("before", "")};
}

// The page's numbers keep their fractions: at 200 % half a CSS pixel is a
// whole device pixel.
ContentRectRequest ReadContentRect(const JsonValue& data) {
    ContentRectRequest request;
    request.hidden = data.getBool("hidden", false);
    request.x = data.find("x").asNumber(0);
    request.y = data.find("y").asNumber(0);
    request.w = data.find("w").asNumber(0);
    request.h = data.find("h").asNumber(0);
    return request;
}

namespace {

// Far beyond any screen, and exact in a double and in 64 bits.
constexpr double kLargest = 1e12;

// A finite number kept within +-kLargest; NaN and the infinities as 0.
double Bounded(double value) {
    return std::isfinite(value) ? std::clamp(value, -kLargest, kLargest) : 0.0;
}

double ScaledEdge(double css, int dpi) {
    return std::round(Bounded(css) * dpi / 96.0);
}

}  // namespace

ContentRectRequest ScaleContentRect(const ContentRectRequest& css, int dpi) {
    if (dpi <= 0) dpi = 96;
    ContentRectRequest device = css;
    device.x = ScaledEdge(css.x, dpi);
    device.y = ScaledEdge(css.y, dpi);
    device.w = ScaledEdge(Bounded(css.x) + Bounded(css.w), dpi) - device.x;
    device.h = ScaledEdge(Bounded(css.y) + Bounded(css.h), dpi) - device.y;
    return device;
}

// In 64 bits, from bounded whole numbers: a page may send anything.
std::optional<PixelRect> ClampContentRect(const ContentRectRequest& request, int width, int height) {
    const auto whole = [](double v) { return static_cast<std::int64_t>(std::round(Bounded(v))); };
    const std::int64_t requestW = whole(request.w), requestH = whole(request.h);
    if (requestW < 1 || requestH < 1) return std::nullopt;
    const std::int64_t x = std::clamp<std::int64_t>(whole(request.x), 0, std::max(width, 0));
    const std::int64_t y = std::clamp<std::int64_t>(whole(request.y), 0, std::max(height, 0));
    const std::int64_t w = x + requestW > width ? width - x : requestW;
    const std::int64_t h = y + requestH > height ? height - y : requestH;
    if (w < 1 || h < 1) return std::nullopt;
    return PixelRect{static_cast<int>(x), static_cast<int>(y), static_cast<int>(x + w),
                     static_cast<int>(y + h)};
}

PasswordRequest ReadPasswordRequest(const JsonValue& data) {
    return PasswordRequest{data.getString("old", ""), data.getString("new", ""), data.getString("hint", "")};
}

unsigned ProbeTimerPeriodMs(int intervalSec) {
    // Multiplied in 64 bits: in 32 bits a large interval would wrap to a
    // short period and probe the servers many times a second. Window timers
    // take at most 0x7FFFFFFF ms.
    constexpr std::int64_t kLongest = 0x7FFFFFFF;
    if (intervalSec <= 0) return 0;
    return static_cast<unsigned>(std::min<std::int64_t>(std::int64_t{intervalSec} * 1000, kLongest));
}

std::string ReadImportText(const JsonValue& data) {
    return data.getString("text", "");
}

std::vector<RdpUpload> ReadRdpUploads(const JsonValue& data) {
    std::vector<RdpUpload> uploads;
    const JsonValue& files = data.find("files");
    if (!files.isArray()) return uploads;
    uploads.reserve(files.size());
    for (const JsonValue& file : files.items())
        uploads.push_back(RdpUpload{file.getString("name", ""), file.getString("data", "")});
    return uploads;
}

ExportRequest ReadExportRequest(const JsonValue& data) {
    ExportRequest request;
    if (data.contains("path")) request.path = Trim(data.getString("path", ""));
    request.includePasswords = data.getBool("includePasswords", false);
    request.password = data.getString("password", "");
    return request;
}

std::string ReadWindowAction(const JsonValue& data) {
    return data.getString("action", "");
}

int ReadSwitchDelta(const JsonValue& data) {
    return data.getInt("delta", 1);
}

bool ReadConfirmOk(const JsonValue& data) {
    return data.getBool("ok", false);
}
