#include "rdp/external_client_command.h"

#include "core/text.h"

namespace {

bool IsHostByte(unsigned char byte) {
    if (byte >= 0x80) return true;  // part of a multi-byte (international) name
    if ((byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9'))
        return true;
    switch (byte) {
        case '.':
        case '-':
        case '_':
        case ':':
        case '[':
        case ']':
        case '%':
            return true;
        default:
            return false;
    }
}

}  // namespace

bool IsSafeClientHost(std::string_view host) {
    for (char c : host) {
        if (!IsHostByte(static_cast<unsigned char>(c))) return false;
    }
    return true;
}

std::string ExternalClientArguments(std::string_view host, int port) {
    return Format("/v:%.*s:%d", static_cast<int>(host.size()), host.data(), port < 1 ? 3389 : port);
}
