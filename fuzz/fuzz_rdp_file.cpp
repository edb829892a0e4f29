// Any bytes as a remote desktop file: the reader must not crash, must give
// only servers the rest of the program can use, and writing a server it
// read and reading that again must settle on the same server at once.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "config/rdp_file.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

bool HasNoControls(const std::string& text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
    }
    return true;
}

void CheckUsable(const ServerRecord& r) {
    Check(!r.host.empty() && HasNoControls(r.host) && HasNoControls(r.user) && HasNoControls(r.domain));
    Check(r.port >= 1 && r.port <= 65535);
    Check(r.password.empty() && r.id.empty());
    Check(r.width == 0 || (r.width >= 200 && r.width <= 8192));
    Check(r.height == 0 || (r.height >= 200 && r.height <= 8192));
    const ConnectionOptions& o = r.options;
    Check(o.driveLetters == NormalizeDriveLetters(o.driveLetters));
    Check((o.redirectDrives == DriveRedirection::kChosen) == !o.driveLetters.empty() ||
          o.redirectDrives == DriveRedirection::kAll);
    Check(o.gatewayPort >= 1 && o.gatewayPort <= 65535 && o.gatewayPassword.empty());
    Check(o.gatewayMode == GatewayMode::kExplicit || o.gatewayHost.empty());
}

bool SameOptions(const ConnectionOptions& a, const ConnectionOptions& b) {
    return a.gatewayMode == b.gatewayMode && a.gatewayHost == b.gatewayHost &&
           a.gatewayPort == b.gatewayPort && a.gatewayCredentials == b.gatewayCredentials &&
           a.gatewayBypassLocal == b.gatewayBypassLocal && a.redirectClipboard == b.redirectClipboard &&
           a.redirectDrives == b.redirectDrives && a.driveLetters == b.driveLetters &&
           a.redirectPrinters == b.redirectPrinters && a.redirectSmartCards == b.redirectSmartCards &&
           a.audioMode == b.audioMode && a.redirectMicrophone == b.redirectMicrophone &&
           a.adminSession == b.adminSession && a.serverAuth == b.serverAuth &&
           a.keyboardHook == b.keyboardHook;
}

bool SameServer(const ServerRecord& a, const ServerRecord& b) {
    return a.host == b.host && a.port == b.port && a.user == b.user && a.domain == b.domain &&
           a.width == b.width && a.height == b.height && a.colorDepth == b.colorDepth &&
           a.smartSizing == b.smartSizing && a.fullscreenOnConnect == b.fullscreenOnConnect &&
           SameOptions(a.options, b.options);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const RdpFileRead first = ReadRdpFile(bytes);
    Check(first.ok != !first.error.empty() && first.ignored >= 0);
    if (!first.ok) return 0;
    CheckUsable(first.server);
    // Our own file holds nothing we do not read.
    const RdpFileRead second = ReadRdpFile(WriteRdpFile(first.server));
    Check(second.ok && second.ignored == 0);
    CheckUsable(second.server);
    const RdpFileRead third = ReadRdpFile(WriteRdpFile(second.server));
    Check(third.ok && SameServer(second.server, third.server));
    return 0;
}
