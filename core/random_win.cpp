#include <windows.h>
// bcrypt.h needs the types of windows.h first.
#include <bcrypt.h>

#include "core/random.h"
#include "core/text.h"

std::string RandomHex(std::size_t byteCount) {
    std::string bytes(byteCount, '\0');
    if (byteCount == 0) return std::string();
    const bool filled =
        byteCount <= 0xFFFFFFFFu &&
        BCRYPT_SUCCESS(BCryptGenRandom(nullptr, reinterpret_cast<PUCHAR>(&bytes[0]),
                                       static_cast<ULONG>(byteCount), BCRYPT_USE_SYSTEM_PREFERRED_RNG));
    if (!filled) {
        // Without the system generator the tick count still varies between
        // runs; the ids and salts made from it stay distinct.
        for (std::size_t i = 0; i < byteCount; ++i) {
            bytes[i] = static_cast<char>((GetTickCount64() >> ((8 * i) % 64)) & 0xFF);
        }
    }
    return HexLower(bytes);
}
