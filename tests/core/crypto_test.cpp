#include <gtest/gtest.h>

#include <set>
#include <string>

#include "core/random.h"
#include "core/sha256.h"

TEST(Sha256, MatchesKnownDigests) {
    const struct {
        std::string data;
        const char* digest;
    } cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const auto& c : cases) {
        std::string digest;
        ASSERT_TRUE(Sha256Hex(c.data, &digest));
        EXPECT_EQ(digest, c.digest) << c.data.size();
    }
}

TEST(RandomHexTest, TwoLowerHexDigitsPerByteAndNeverTheSameTwice) {
    for (std::size_t bytes : {0, 1, 1000}) EXPECT_EQ(RandomHex(bytes).size(), 2 * bytes);
    std::set<std::string> seen;
    for (int i = 0; i < 200; ++i) {
        const std::string text = RandomHex(16);
        EXPECT_EQ(text.find_first_not_of("0123456789abcdef"), std::string::npos) << text;
        seen.insert(text);
    }
    EXPECT_EQ(seen.size(), 200u);
}
