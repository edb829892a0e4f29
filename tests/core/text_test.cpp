#include "core/text.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

TEST(TextTrim, RemovesControlBytesAndBlanksOnlyAtTheEnds) {
    EXPECT_EQ(Trim(" \t\r\n a b \x01\x1f "), "a b");
    EXPECT_EQ(Trim(" \t \t"), "");
    EXPECT_EQ(Trim(""), "");
    // Bytes of multi-byte characters are never taken for blanks.
    EXPECT_EQ(Trim("\xE3\x80\x80x\xC2\xA0"), "\xE3\x80\x80x\xC2\xA0");
    EXPECT_EQ(Trim(std::string("\0x\0", 3)), "x");
}

TEST(TextHex, LowerCaseHighNibbleFirst) {
    EXPECT_EQ(HexLower(std::string("\x00\x0f\xa5\xff", 4)), "000fa5ff");
    EXPECT_EQ(HexLower(""), "");
}

TEST(TextBase64, EncodesStandardVectorsAndEveryByteRoundTrips) {
    // clang-format off
    const char* const cases[][2] = {{"", ""}, {"a", "YQ=="}, {"ab", "YWI="}, {"abc", "YWJj"}, {"foob", "Zm9vYg=="},
                                    {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"}};
    // clang-format on
    for (const auto& c : cases) {
        EXPECT_EQ(Base64Encode(c[0]), c[1]) << c[0];
        EXPECT_EQ(Base64Decode(c[1]), c[0]) << c[1];
    }
    EXPECT_EQ(Base64Encode("\xfb\xff"), "+/8=");
    std::string all;
    for (int i = 0; i < 256; ++i) all.push_back(static_cast<char>(i));
    EXPECT_EQ(Base64Decode(Base64Encode(all)), all);
}

TEST(TextBase64, DecodingIsLenient) {
    EXPECT_EQ(Base64Decode("YWI=YWJj"), "ab");       // stops at the first "="
    EXPECT_EQ(Base64Decode("Y W\r\nJ\tj!"), "abc");  // skips what is not in the alphabet
    EXPECT_EQ(Base64Decode("YW"), "a");              // leftover bits are dropped
    EXPECT_EQ(Base64Decode("Y"), "");
    EXPECT_EQ(Base64Decode("\xE4\xB8\xAD"), "");  // no alphabet character at all
}

TEST(TextFormat, FormatsShortAndLongTexts) {
    EXPECT_EQ(Format("%s=%d %lu %08lX", "x", -5, 7ul, 0xBEEFul), "x=-5 7 0000BEEF");
    EXPECT_EQ(Format("%lld", -1234567890123LL), "-1234567890123");
    EXPECT_EQ(Format("%s", "中文"), "中文");
    // Past the 4096-byte buffer the text is formatted again at full size.
    for (std::size_t size : {4095, 4096, 5000}) {
        const std::string text(size, 'z');
        EXPECT_EQ(Format("%s", text.c_str()), text) << size;
    }
}

TEST(TextJoinPath, AddsOneSeparatorOnlyWhenNeeded) {
    EXPECT_EQ(JoinPath("C:\\x\\", "y"), "C:\\x\\y");
    EXPECT_EQ(JoinPath("C:\\x", "y"), "C:\\x\\y");
    EXPECT_EQ(JoinPath("C:/x/", "y"), "C:/x/y");
    EXPECT_EQ(JoinPath("", "y"), "y");
    EXPECT_EQ(JoinPath("x", ""), "x");
}

TEST(TextCutUtf8, NeverSplitsACharacter) {
    const std::string text = "a\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80z";  // a é 中 😀 z
    EXPECT_EQ(CutUtf8(text, 100), text);
    EXPECT_EQ(CutUtf8(text, 1), "a");
    EXPECT_EQ(CutUtf8(text, 2), "a");
    EXPECT_EQ(CutUtf8(text, 3), "a\xC3\xA9");
    EXPECT_EQ(CutUtf8(text, 5), "a\xC3\xA9");
    EXPECT_EQ(CutUtf8(text, 6), "a\xC3\xA9\xE4\xB8\xAD");
    EXPECT_EQ(CutUtf8(text, 9), "a\xC3\xA9\xE4\xB8\xAD");
    EXPECT_EQ(CutUtf8(text, 10), "a\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80");
    EXPECT_EQ(CutUtf8(text, 0), "");
}

TEST(TextParseDigits, AcceptsOnlyPlainDecimalWithinInt) {
    int value = -1;
    for (const auto& [text, expected] : {std::pair{"3389", 3389}, {"0007", 7}, {"2147483647", 2147483647}}) {
        EXPECT_TRUE(ParseDigits(text, &value)) << text;
        EXPECT_EQ(value, expected) << text;
    }
    for (const char* bad : {"", "-1", "+1", "12a", " 1", "2147483648", "99999999999999999999", "１"}) {
        value = 42;
        EXPECT_FALSE(ParseDigits(bad, &value)) << bad;
        EXPECT_EQ(value, 42) << bad;
    }
}
