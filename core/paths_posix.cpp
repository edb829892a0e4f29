// The native build's answers to "where is the program" and "where is the
// user's application data" (tests, fuzzers, benchmarks).
#include <unistd.h>

#include <cstdlib>

#include "core/paths.h"
#include "core/text.h"

std::string ExePath() {
    char buffer[4096];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
}

std::string RoamingAppDataDir() {
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && *config != '\0')
        return config;
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0')
        return JoinPath(home, ".config");
    return std::string();
}
