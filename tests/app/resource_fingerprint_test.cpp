#include "app/resource_fingerprint.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Resources = std::vector<std::string>;

std::uint64_t FingerprintOf(const Resources& resources) {
    ResourceFingerprint fingerprint;
    for (const std::string& resource : resources) fingerprint.add(resource);
    return fingerprint.value();
}

}  // namespace

// Expected values computed independently (a few lines of Python following the
// algorithm's description). Neighbouring rows differ only by one byte, a
// moved boundary, a swap or an empty resource, and so must their values.
TEST(ResourceFingerprint, KnownValues) {
    const struct {
        Resources resources;
        std::uint64_t expected;
    } cases[] = {
        {{}, 0x14650FB0739D0383ull},
        {{""}, 0x44BD24D473CCEBB4ull},
        {{"a"}, 0x9BACE000C65CA21Bull},
        {{"a", ""}, 0xE36385510F68C96Cull},
        {{"", "a"}, 0x6D112F4F18982930ull},
        {{"ab", "c"}, 0x8F445394C4CD6293ull},
        {{"ab", "d"}, 0x8F4E5394C4D5B718ull},
        {{"a", "bc"}, 0x33B43574E9506A95ull},
        {{"c", "ab"}, 0x27D19A148AD87E57ull},
        {{std::string("\x00\xFF\x80\x7F", 4)}, 0xE99A2B1E0C638F3Cull},
        {{"<!doctype html>", "body{}", "'use strict';", std::string("MZ\x90\x00", 4)}, 0x170AB6AAE8D04DCBull},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FingerprintOf(c.resources), c.expected) << ::testing::PrintToString(c.resources);
    }
}

TEST(ResourceFingerprint, FolderNameIsSixteenUpperCaseHexDigits) {
    EXPECT_EQ(FingerprintName(0xABull), "00000000000000AB");
    EXPECT_EQ(FingerprintName(0xFEDCBA9876543210ull), "FEDCBA9876543210");
}
