#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "core/json.h"
#include "core/json_test_support.h"

using namespace std::string_literals;
using namespace json_test;

namespace {

TEST(JsonParse, EveryErrorMessage) {
    // A block comment's star is not its own end; a lone slash is no comment;
    // after a high surrogate the next escape is read on its own; the
    // innermost error is the one reported.
    // clang-format off
    const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
        {"意外结束", {"", " \t\r\n ", "// nothing here\n", "/* 1", "/*/ 1", "[", "{\"a\": "}},
        {"非法字面量", {"tru", "fasle", "{\"a\":[tru]}"}},
        {"非法数字", {"[1,]", "-", "[-]", "x", "/ 1", "{\"a\":}"}},
        {"数组里缺少逗号或右方括号", {"[1 2]", "[1", "[12x]", "[1}"}},
        {"对象的键必须是字符串", {"{\"a\":1,}", "{1:2}", "{"}},
        {"缺少冒号", {"{\"a\" 1}", "{\"a\""}},
        {"对象里缺少逗号或右花括号", {"{\"a\":1 \"b\":2}", "{\"a\":1"}},
        {"字符串没有结束引号", {"\"abc", "{\"abc", "\"a\\\""}},
        {"转义不完整", {"\"abc\\"}},
        {"未知的转义字符", {"\"a\\xb\"", "{\"\\'\":1}"}},
        {"\\u 转义不完整", {"\"\\u12\""}},
        {"\\u 后面不是十六进制", {"\"\\u12g4\"", "[\"\\uD83D\\u12\"]"}},
        {"结尾有多余内容", {"{} x", "nullx", "1 2"}},
    };
    // clang-format on
    for (const auto& c : cases) {
        for (const std::string& text : c.second) EXPECT_EQ(ParseError(text), c.first) << text;
    }
    // No output is required either way; a success replaces the output.
    EXPECT_TRUE(ParseJson("[1]", nullptr, nullptr));
    EXPECT_FALSE(ParseJson("[1", nullptr, nullptr));
    JsonValue value = MustParse("{\"old\":1}");
    ASSERT_TRUE(ParseJson("[2]", &value, nullptr));
    EXPECT_EQ(ToJson(value, -1), "[2]");
}

// Nesting is limited so that hostile input fails instead of exhausting the
// stack; every recursive operation must work on the deepest tree accepted.
TEST(JsonParse, NestingLimit) {
    const std::string arrays = Repeat("[", kJsonMaxDepth) + Repeat("]", kJsonMaxDepth);
    const std::string objects = Repeat("{\"a\":", kJsonMaxDepth) + "1" + Repeat("}", kJsonMaxDepth);
    const int pairs = kJsonMaxDepth / 2;
    for (const std::string& deepest :
         {arrays, objects, Repeat("[{\"a\":", pairs) + "1" + Repeat("}]", pairs)}) {
        const JsonValue value = MustParse(deepest);
        EXPECT_EQ(ToJson(JsonValue(value), -1), deepest);  // a copy, written
        EXPECT_EQ(MustParse(ToJson(value, 2)), value);
    }
    const std::vector<std::string> tooDeep = {"[" + arrays + "]", "[" + objects + "]",
                                              Repeat("[{\"a\":", pairs) + "[1]" + Repeat("}]", pairs),
                                              std::string(100000, '['), Repeat("{\"k\":", 100000)};
    for (const std::string& text : tooDeep) EXPECT_EQ(ParseError(text), kJsonTooDeepMessage) << text.size();
}

TEST(JsonParse, BlanksAndComments) {
    EXPECT_EQ(
        Compact("/*0*/{/*1*/\"a\"/*2*/:/*3*/[ // four\n1 /*5*/,//six\n2]//7\n,\"b\"\r\n:\ttrue}/*8*///9"),
        "{\"a\":[1,2],\"b\":true}");
    EXPECT_EQ(Compact("1 /* unterminated at the end"), "1");
    EXPECT_EQ(Compact("1 // no line feed"), "1");
}

TEST(JsonParse, ValuesAndMemberOrder) {
    EXPECT_EQ(Compact(" [true, false, null, \"s\", 1, [], {}] "), "[true,false,null,\"s\",1,[],{}]");
    // A repeated key keeps its first position and takes the last value; a
    // container it replaces leaves nothing of itself.
    EXPECT_EQ(Compact("{\"a\":1,\"b\":2,\"a\":3}"), "{\"a\":3,\"b\":2}");
    EXPECT_EQ(Compact("{\"z\":{\"x\":1},\"A\":0,\"y\":2,\"z\":[true]}"), "{\"z\":[true],\"A\":0,\"y\":2}");
    // Keys follow the string rules, escapes included, and are exact bytes.
    EXPECT_EQ(Compact("{\"\\u00e9\\n\":1,\"\":2,\"a\\\"b\":3,\"A\":4,\"a\":5,\"\\u00e9\\n\":6}"),
              "{\"\xC3\xA9\\n\":6,\"\":2,\"a\\\"b\":3,\"A\":4,\"a\":5}");
}

// Past a few dozen members repeated keys are found through an index; it must
// behave exactly like the scan of small objects.
TEST(JsonParse, RepeatedKeysInLargeObjects) {
    std::string text = "{";
    for (int i = 0; i < 3000; ++i) text += "\"k" + std::to_string(i) + "\":" + std::to_string(i) + ",";
    text += "\"k0\":\"first\",\"k31\":\"index start\",\"k2999\":\"last\",\"new\":1,\"k40\":[1]}";
    const JsonValue value = MustParse(text);
    ASSERT_EQ(value.size(), 3001u);
    EXPECT_EQ(value.members()[0].second.asString(""), "first");
    EXPECT_EQ(value.members()[31].second.asString(""), "index start");
    EXPECT_EQ(value.members()[2999].second.asString(""), "last");
    EXPECT_EQ(value.members()[40].second.at(0).asInt(0), 1);
    EXPECT_EQ(value.members()[3000].first, "new");
    EXPECT_EQ(value.find("k1500").asInt(-1), 1500);
}

struct NumberCase {
    const char* text;
    double value;
};

TEST(JsonParse, NumbersReadLikeStrtod) {
    // clang-format off
    const std::vector<NumberCase> cases = {
        {"0", 0.0}, {"01", 1.0}, {"+5", 5.0}, {"-12", -12.0}, {"999999999", 999999999.0},
        {"4294967296", 4294967296.0}, {"2.5", 2.5}, {".5", 0.5}, {"5.e1", 50.0}, {"1E+2", 100.0},
        {"2.5e-3", 0.0025}, {"1.2.3", 1.2}, {"1e+", 1.0}, {"-e", 0.0}, {"+-5", 0.0}, {".", 0.0},
        {"999999999999999999", 1e18}, {"123456789012345678901", 123456789012345678901.0},
        {"1.7976931348623157e308", 1.7976931348623157e308}, {"4e-320", 4e-320}, {"0.0001e310", 1e306},
        {"1000e305", 1e308}, {"-1e999", -kInf}, {"10000e305", kInf}, {"1e99999999999999999999", kInf},
        {"0.00000e99999", 0.0}, {"0.001e-400", 0.0}, {"1e-99999999999999999999", 0.0},
        {"100000e-328", 1e-323},
    };
    // clang-format on
    for (const NumberCase& c : cases) {
        const JsonValue value = MustParse(c.text);
        ASSERT_TRUE(value.isNumber()) << c.text;
        EXPECT_EQ(value.asNumber(-1), c.value) << c.text;
        EXPECT_EQ(MustParse("[" + std::string(c.text) + " ,7]").at(0).asNumber(-1), c.value) << c.text;
    }
    EXPECT_TRUE(std::signbit(MustParse("-0").asNumber(1)));
    EXPECT_TRUE(std::signbit(MustParse("-1e-999").asNumber(1)));
    EXPECT_FALSE(std::signbit(MustParse("-e").asNumber(1)));
    EXPECT_EQ(Compact("[1 ,-2\t,3.5//x\n,4/**/,{\"a\":-1.5e2}]"), "[1,-2,3.5,4,{\"a\":-150}]");
}

TEST(JsonParse, StringEscapes) {
    const std::vector<StringCase> cases = {
        {"simple escapes", "\"\\\"\\\\\\/\\b\\f\\n\\r\\t\"", "\"\\/\b\f\n\r\t"},
        {"two-byte unit", "\"\\u00e9\"", "\xC3\xA9"},
        {"three-byte units, upper-case hex", "\"\\u4E2D\\u6587\"", "中文"},
        {"zero unit keeps a zero byte", "\"a\\u0000b\"", "a\0b"s},
        {"surrogate pair", "\"\\uD83D\\uDE00\"", "\xF0\x9F\x98\x80"},
        {"highest pair", "\"\\udbff\\udfff\"", "\xF4\x8F\xBF\xBF"},
        {"lone high surrogate", "\"\\uD83D\"", "\xED\xA0\xBD"},
        {"lone low surrogate", "\"\\uDE00\"", "\xED\xB8\x80"},
        {"high then non-low escape", "\"\\uD83D\\u0041\"",
         "\xED\xA0\xBD"
         "A"},
        {"high then other escape", "\"\\uD83D\\n\"", "\xED\xA0\xBD\n"},
        {"low then high stays apart", "\"\\uDE00\\uD83D\"", "\xED\xB8\x80\xED\xA0\xBD"},
        {"high, high, low", "\"\\uD83D\\uD83D\\uDE00\"", "\xED\xA0\xBD\xF0\x9F\x98\x80"},
        {"raw control bytes, zero and line breaks", "\"a\x01\n\r\tb\x7F\0\""s, "a\x01\n\r\tb\x7F\0"s},
        {"invalid UTF-8 copied", "\"\xFF\xC0\x80\xED\xA0\"", "\xFF\xC0\x80\xED\xA0"},
        {"long runs between escapes", "\"" + std::string(1000, 'x') + "\\n" + std::string(1000, 'y') + "\"",
         std::string(1000, 'x') + "\n" + std::string(1000, 'y')},
    };
    for (const StringCase& c : cases) {
        const JsonValue value = MustParse(c.text);
        ASSERT_TRUE(value.isString()) << c.name;
        EXPECT_EQ(value.text(), c.bytes) << c.name;
    }
}

}  // namespace
