// What the search box takes as an address to connect to without saving.
#include "controller/quick_address.h"

#include <gtest/gtest.h>

TEST(QuickAddress, HostsPortsAndUsers) {
    const struct {
        const char* typed;
        const char* parsed;  // "user|host|port"
    } accepted[] = {
        {"10.0.0.5", "|10.0.0.5|3389"},
        {"  srv-01.example.com:3390 ", "|srv-01.example.com|3390"},
        {"admin@10.0.0.5", "admin|10.0.0.5|3389"},
        {"CORP\\ops@db:65535", "CORP\\ops|db|65535"},
        {"ops@corp.example@db", "ops@corp.example|db|3389"},
        {"[fe80::1%eth0]:3391", "|fe80::1%eth0|3391"},
        {"fe80::1", "|fe80::1|3389"},
        {"[::1]", "|::1|3389"},
        {"服务器.example", "|服务器.example|3389"},
    };
    for (const auto& c : accepted) {
        const std::optional<QuickAddress> address = ParseQuickAddress(c.typed);
        ASSERT_TRUE(address.has_value()) << c.typed;
        EXPECT_EQ(address->user + "|" + address->host + "|" + std::to_string(address->port), c.parsed)
            << c.typed;
    }
    for (const char* refused :
         {"", "   ", "a b", "host:", "host:0", "host:65536", "host:+1", "@host", "user@", "-host", ".host",
          "host/admin", "\"host\"", "[fe80::1", "[fe80::1]x", "[host]:3389", "host:3389:1"}) {
        EXPECT_FALSE(ParseQuickAddress(refused).has_value()) << refused;
    }
}
