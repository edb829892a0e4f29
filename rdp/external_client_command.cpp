#include "rdp/external_client_command.h"

#include "core/text.h"

bool IsSafeClientHost(std::string_view host) {
    for (char c : host) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte == 0x7F || c == '"') return false;
    }
    return true;
}

std::string ExternalClientCommandLine(std::string_view host, int port) {
    return Format("mstsc.exe /v:%.*s:%d", static_cast<int>(host.size()), host.data(), port < 1 ? 3389 : port);
}
