// What the search box takes as an address to connect to without saving.
#include "controller/quick_address.h"

#include <gtest/gtest.h>

TEST(QuickAddress, HostsPortsAndUsers) {
    const struct {
        const char* typed;
        const char* parsed;  // "user|host|port", or nullptr when refused
    } cases[] = {
        {"10.0.0.5", "|10.0.0.5|3389"},
        {"  srv-01.example.com:3390 ", "|srv-01.example.com|3390"},
        {"admin@10.0.0.5", "admin|10.0.0.5|3389"},
        {"CORP\\ops@db:65535", "CORP\\ops|db|65535"},
        {"ops@corp.example@db", "ops@corp.example|db|3389"},
        {"[fe80::1%eth0]:3391", "|fe80::1%eth0|3391"},
        {"fe80::1", "|fe80::1|3389"},
        {"[::1]", "|::1|3389"},
        {"服务器.example", "|服务器.example|3389"},
        {"", nullptr},
        {"   ", nullptr},
        {"a b", nullptr},
        {"host:", nullptr},
        {"host:0", nullptr},
        {"host:65536", nullptr},
        {"host:+1", nullptr},
        {"@host", nullptr},
        {"user@", nullptr},
        {"-host", nullptr},
        {".host", nullptr},
        {"host/admin", nullptr},
        {"\"host\"", nullptr},
        {"[fe80::1", nullptr},
        {"[fe80::1]x", nullptr},
        {"[host]:3389", nullptr},
        {"host:3389:1", nullptr},
    };
    for (const auto& c : cases) {
        const std::optional<QuickAddress> address = ParseQuickAddress(c.typed);
        if (c.parsed == nullptr) {
            EXPECT_FALSE(address.has_value()) << c.typed;
            continue;
        }
        ASSERT_TRUE(address.has_value()) << c.typed;
        EXPECT_EQ(address->user + "|" + address->host + "|" + std::to_string(address->port), c.parsed)
            << c.typed;
    }
}
