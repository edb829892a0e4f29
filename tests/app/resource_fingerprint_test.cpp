#include "app/resource_fingerprint.h"

#include <gtest/gtest.h>

#include <set>
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

// Expected values computed independently (a few lines of Python following
// the algorithm's description), so the algorithm itself is pinned.
TEST(ResourceFingerprint, KnownValues) {
    const struct {
        Resources resources;
        std::uint64_t expected;
    } cases[] = {
        {{}, 0x14650FB0739D0383ull},
        {{""}, 0x44BD24D473CCEBB4ull},
        {{"a"}, 0x9BACE000C65CA21Bull},
        {{"ab", "c"}, 0x8F445394C4CD6293ull},
        {{"a", "bc"}, 0x33B43574E9506A95ull},
        {{"c", "ab"}, 0x27D19A148AD87E57ull},
        {{std::string("\x00\xFF\x80\x7F", 4)}, 0xE99A2B1E0C638F3Cull},
        {{"<!doctype html>", "body{}", "'use strict';", std::string("MZ\x90\x00", 4)}, 0x170AB6AAE8D04DCBull},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FingerprintOf(c.resources), c.expected) << ::testing::PrintToString(c.resources);
    }
}

TEST(ResourceFingerprint, WhatMovesTheValueAndWhatDoesNot) {
    const struct {
        const char* what;
        Resources a;
        Resources b;
        bool same;
    } cases[] = {
        {"identical resources", {"index", "style", "app", "dll"}, {"index", "style", "app", "dll"}, true},
        {"two resources swapped", {"index", "style", "app", "dll"}, {"index", "app", "style", "dll"}, false},
        {"boundary moved", {"ab", "c"}, {"a", "bc"}, false},
        {"empty resource added", {"a"}, {"a", ""}, false},
        {"content moved into the next resource", {"a", ""}, {"", "a"}, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FingerprintOf(c.a) == FingerprintOf(c.b), c.same) << c.what;
    }
}

// Every single changed byte, in any of the four resources, gives its own value.
TEST(ResourceFingerprint, EverySingleByteChangeGivesANewValue) {
    const Resources base = {"<html>", "b{}", "f();", std::string("MZ\0\xFF", 4)};
    std::set<std::uint64_t> seen = {FingerprintOf(base)};
    std::size_t variants = 1;
    for (std::size_t r = 0; r < base.size(); ++r) {
        for (std::size_t i = 0; i < base[r].size(); ++i) {
            for (const unsigned char flip : {0x01, 0x80}) {
                Resources changed = base;
                changed[r][i] = static_cast<char>(changed[r][i] ^ flip);
                seen.insert(FingerprintOf(changed));
                ++variants;
            }
        }
    }
    EXPECT_EQ(seen.size(), variants);
}

TEST(ResourceFingerprint, FolderNameIsSixteenUpperCaseHexDigits) {
    EXPECT_EQ(FingerprintName(0xABull), "00000000000000AB");
    EXPECT_EQ(FingerprintName(0x14650FB0739D0383ull), "14650FB0739D0383");
    EXPECT_EQ(FingerprintName(~0ull), "FFFFFFFFFFFFFFFF");
}
