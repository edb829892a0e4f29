#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <string>
#include <vector>

#include "core/json.h"
#include "core/json_test_support.h"

using namespace std::string_literals;
using namespace json_test;

namespace {

// ---------------------------------------------------------------- errors

struct ErrorCase {
    const char* name;
    std::string text;
    std::string message;
};

TEST(JsonParseErrors, EveryMessage) {
    const std::vector<ErrorCase> cases = {
        {"empty text", "", "意外结束"},
        {"only blanks", " \t\r\n ", "意外结束"},
        {"only a line comment", "// nothing here\n", "意外结束"},
        {"only a block comment", "/* nothing */", "意外结束"},
        {"unterminated block comment eats the value", "/* 1", "意外结束"},
        {"block comment star is not its own end", "/*/ 1", "意外结束"},
        {"open array at the end", "[", "意外结束"},
        {"member value missing at the end", "{\"a\":", "意外结束"},
        {"truncated true", "tru", "非法字面量"},
        {"truncated null", "nul", "非法字面量"},
        {"misspelt false", "fasle", "非法字面量"},
        {"array trailing comma", "[1,]", "非法数字"},
        {"sign alone", "-", "非法数字"},
        {"sign before a bracket", "[-]", "非法数字"},
        {"unknown first byte", "x", "非法数字"},
        {"lone slash is not a comment", "/ 1", "非法数字"},
        {"missing member value", "{\"a\":}", "非法数字"},
        {"two items without comma", "[1 2]", "数组里缺少逗号或右方括号"},
        {"array never closed", "[1", "数组里缺少逗号或右方括号"},
        {"literal glued to a letter in an array", "[nullx]", "数组里缺少逗号或右方括号"},
        {"array closed by a brace", "[1}", "数组里缺少逗号或右方括号"},
        {"object trailing comma", "{\"a\":1,}", "对象的键必须是字符串"},
        {"number as key", "{1:2}", "对象的键必须是字符串"},
        {"object open at the end", "{", "对象的键必须是字符串"},
        {"key without colon", "{\"a\" 1}", "缺少冒号"},
        {"key at the end", "{\"a\"", "缺少冒号"},
        {"members without comma", "{\"a\":1 \"b\":2}", "对象里缺少逗号或右花括号"},
        {"object never closed", "{\"a\":1", "对象里缺少逗号或右花括号"},
        {"string without closing quote", "\"abc", "字符串没有结束引号"},
        {"key without closing quote", "{\"abc", "字符串没有结束引号"},
        {"backslash last", "\"abc\\", "转义不完整"},
        {"unknown escape", "\"a\\xb\"", "未知的转义字符"},
        {"escaped apostrophe", "\"\\'\"", "未知的转义字符"},
        {"short unicode escape at the end", "\"\\u12", "\\u 转义不完整"},
        {"short unicode escape before the quote", "\"\\u12\"", "\\u 转义不完整"},
        {"non-hex in unicode escape", "\"\\u12g4\"", "\\u 后面不是十六进制"},
        {"second escape after a high surrogate is read on its own", "[\"\\uD83D\\u12\"]",
         "\\u 后面不是十六进制"},
        {"object followed by a letter", "{} x", "结尾有多余内容"},
        {"literal glued to a letter", "nullx", "结尾有多余内容"},
        {"two values", "1 2", "结尾有多余内容"},
        {"arrays one past the limit", NestedArrays(kJsonMaxDepth + 1), kJsonTooDeepMessage},
    };
    for (const ErrorCase& c : cases) EXPECT_EQ(ParseError(c.text), c.message) << c.name;
}

TEST(JsonParseErrors, NullOutputsAreAllowed) {
    EXPECT_TRUE(ParseJson("[1]", nullptr, nullptr));
    EXPECT_FALSE(ParseJson("[1", nullptr, nullptr));
    JsonValue value;
    EXPECT_FALSE(ParseJson("[1", &value, nullptr));
    EXPECT_TRUE(value.isNull());
}

TEST(JsonParseErrors, TooDeepMessageText) {
    EXPECT_STREQ(kJsonTooDeepMessage, "嵌套层数过深");
}

// ----------------------------------------------------------- nesting limit

TEST(JsonDepth, ArraysAtTheLimitParseAndOnePastFails) {
    JsonValue value = MustParse(NestedArrays(kJsonMaxDepth));
    int depth = 0;
    for (const JsonValue* level = &value; level->isArray(); ++depth)
        level = level->size() != 0 ? &level->at(0) : &JsonValue::SharedNull();
    EXPECT_EQ(depth, kJsonMaxDepth);
    EXPECT_EQ(ParseError(NestedArrays(kJsonMaxDepth + 1)), kJsonTooDeepMessage);
}

TEST(JsonDepth, ObjectsAtTheLimitParseAndOnePastFails) {
    JsonValue value = MustParse(NestedObjects(kJsonMaxDepth));
    int depth = 0;
    for (const JsonValue* level = &value; level->isObject(); ++depth) level = &level->find("a");
    EXPECT_EQ(depth, kJsonMaxDepth);
    EXPECT_EQ(ParseError(NestedObjects(kJsonMaxDepth + 1)), kJsonTooDeepMessage);
}

TEST(JsonDepth, MixedNestingCountsBothKinds) {
    const int pairs = kJsonMaxDepth / 2;
    MustParse(Repeat("[{\"a\":", pairs) + "1" + Repeat("}]", pairs));
    EXPECT_EQ(ParseError(Repeat("[{\"a\":", pairs) + "[1]" + Repeat("}]", pairs)), kJsonTooDeepMessage);
}

TEST(JsonDepth, VeryDeepInputFailsCleanly) {
    EXPECT_EQ(ParseError(std::string(100000, '[')), kJsonTooDeepMessage);
    EXPECT_EQ(ParseError(Repeat("{\"k\":", 100000)), kJsonTooDeepMessage);
    EXPECT_EQ(ParseError(Repeat("[{\"k\":", 50000)), kJsonTooDeepMessage);
}

TEST(JsonDepth, DeepestTreeCopiesComparesAndWrites) {
    const std::string text = NestedObjects(kJsonMaxDepth);
    JsonValue value = MustParse(text);
    JsonValue copy = value;
    EXPECT_EQ(copy, value);
    EXPECT_EQ(ToJson(copy, -1), text);
    JsonValue reread = MustParse(ToJson(value, 2));
    EXPECT_EQ(reread, value);
    JsonValue moved = std::move(copy);
    EXPECT_EQ(moved, value);
}

// ------------------------------------------------------------ valid input

TEST(JsonParse, CommentsAreBlanks) {
    EXPECT_EQ(MustParse("{} // trailing"), JsonValue::MakeObject());
    EXPECT_EQ(MustParse("/* leading */ [1]"), MustParse("[1]"));
    const JsonValue expected = MustParse("{\"a\":[1,2],\"b\":true}");
    EXPECT_EQ(
        MustParse("/*0*/{/*1*/\"a\"/*2*/:/*3*/[ // four\n1 /*5*/,//six\n2]//7\n,\"b\"\r\n:\ttrue}/*8*///9"),
        expected);
    EXPECT_EQ(MustParse("1 /* unterminated at the end"), JsonValue(1));
    EXPECT_EQ(MustParse("1 // no line feed"), JsonValue(1));
}

TEST(JsonParse, LiteralsAndContainers) {
    JsonValue value = MustParse(" [true, false, null, \"s\", 1, [], {}] ");
    ASSERT_TRUE(value.isArray());
    ASSERT_EQ(value.size(), 7u);
    EXPECT_EQ(value.at(0), JsonValue(true));
    EXPECT_EQ(value.at(1), JsonValue(false));
    EXPECT_TRUE(value.at(2).isNull());
    EXPECT_EQ(value.at(3), JsonValue("s"));
    EXPECT_EQ(value.at(4), JsonValue(1));
    EXPECT_EQ(value.at(5), JsonValue::MakeArray());
    EXPECT_EQ(value.at(6), JsonValue::MakeObject());
}

TEST(JsonParse, MemberOrderAndDuplicateKeys) {
    JsonValue value = MustParse("{\"a\":1,\"b\":2,\"a\":3}");
    ASSERT_EQ(value.size(), 2u);
    EXPECT_EQ(value.members()[0].first, "a");
    EXPECT_EQ(value.members()[0].second, JsonValue(3));
    EXPECT_EQ(value.members()[1].first, "b");
    EXPECT_EQ(value.members()[1].second, JsonValue(2));

    // A container replaced by a later duplicate leaves nothing of itself.
    JsonValue replaced = MustParse("{\"z\":{\"x\":1},\"A\":0,\"y\":2,\"z\":[true]}");
    EXPECT_EQ(ToJson(replaced, -1), "{\"z\":[true],\"A\":0,\"y\":2}");
}

struct NumberCase {
    const char* text;
    double value;
};

TEST(JsonParse, NumbersReadLikeStrtod) {
    const std::vector<NumberCase> cases = {
        {"0", 0.0},
        {"01", 1.0},
        {"+5", 5.0},
        {"-12", -12.0},
        {"2.5", 2.5},
        {"0.1", 0.1},
        {".5", 0.5},
        {"5.", 5.0},
        {"5.e1", 50.0},
        {"1E+2", 100.0},
        {"2.5e-3", 0.0025},
        {"1.2.3", 1.2},
        {"1e", 1.0},
        {"1e+", 1.0},
        {"1e5e5", 100000.0},
        {"1-2", 1.0},
        {"-e", 0.0},
        {"--5", 0.0},
        {"+-5", 0.0},
        {"e5", 0.0},
        {".", 0.0},
        {"999999999999999999", 1e18},
        {"123456789012345678901", 123456789012345678901.0},
        {"1.7976931348623157e308", 1.7976931348623157e308},
        {"4e-320", 4e-320},
        {"0.0001e310", 1e306},
        {"1000e305", 1e308},
        {"1e999", kInf},
        {"-1e999", -kInf},
        {"1.8e308", kInf},
        {"10000e305", kInf},
        {"1e99999999999999999999", kInf},
        {"0.00000e99999", 0.0},
        {"1e-999", 0.0},
        {"0.001e-400", 0.0},
        {"1e-99999999999999999999", 0.0},
        {"100000e-328", 1e-323},
    };
    for (const NumberCase& c : cases) {
        JsonValue value = MustParse(c.text);
        ASSERT_TRUE(value.isNumber()) << c.text;
        EXPECT_EQ(value.asNumber(-1), c.value) << c.text;
    }
    EXPECT_TRUE(std::signbit(MustParse("-0").asNumber(1)));
    EXPECT_TRUE(std::signbit(MustParse("-1e-999").asNumber(1)));
    EXPECT_FALSE(std::signbit(MustParse("-e").asNumber(1)));
}

TEST(JsonParse, NumberEndsAtTheFirstOtherByte) {
    EXPECT_EQ(ToJson(MustParse("[1 ,-2\t,3.5//x\n,4/**/]"), -1), "[1,-2,3.5,4]");
    EXPECT_EQ(ToJson(MustParse("{\"a\":-1.5e2}"), -1), "{\"a\":-150}");
}

TEST(JsonParse, StringEscapes) {
    const std::vector<StringCase> cases = {
        {"simple escapes", "\"\\\"\\\\\\/\\b\\f\\n\\r\\t\"", "\"\\/\b\f\n\r\t"},
        {"ascii unit", "\"\\u0041\"", "A"},
        {"two-byte unit", "\"\\u00e9\"", "\xC3\xA9"},
        {"three-byte unit, upper-case hex", "\"\\u4E2D\\u6587\"", "中文"},
        {"zero unit keeps a zero byte", "\"a\\u0000b\"", "a\0b"s},
        {"surrogate pair", "\"\\uD83D\\uDE00\"", "\xF0\x9F\x98\x80"},
        {"highest pair", "\"\\udbff\\udfff\"", "\xF4\x8F\xBF\xBF"},
        {"lone high surrogate", "\"\\uD83D\"", "\xED\xA0\xBD"},
        {"high surrogate then text", "\"\\uD83Dx\"", "\xED\xA0\xBDx"},
        {"lone low surrogate", "\"\\uDE00\"", "\xED\xB8\x80"},
        {"high then non-low escape", "\"\\uD83D\\u0041\"",
         "\xED\xA0\xBD"
         "A"},
        {"high then other escape", "\"\\uD83D\\n\"", "\xED\xA0\xBD\n"},
        {"high, high, low", "\"\\uD83D\\uD83D\\uDE00\"", "\xED\xA0\xBD\xF0\x9F\x98\x80"},
        {"low then high stays apart", "\"\\uDE00\\uD83D\"", "\xED\xB8\x80\xED\xA0\xBD"},
        {"raw control bytes and line breaks", "\"a\x01\n\r\tb\x7F\"", "a\x01\n\r\tb\x7F"},
        {"raw zero byte", "\"a\0b\""s, "a\0b"s},
        {"invalid UTF-8 copied", "\"\xFF\xC0\x80\xED\xA0\"", "\xFF\xC0\x80\xED\xA0"},
        {"UTF-8 text", "\"服务器 ☃\"", "服务器 ☃"},
        {"long run between escapes", "\"" + std::string(1000, 'x') + "\\n" + std::string(1000, 'y') + "\"",
         std::string(1000, 'x') + "\n" + std::string(1000, 'y')},
    };
    for (const StringCase& c : cases) {
        JsonValue value = MustParse(c.text);
        ASSERT_TRUE(value.isString()) << c.name;
        EXPECT_EQ(value.text(), c.bytes) << c.name;
    }
}

TEST(JsonParse, KeysUseTheSameStringRules) {
    JsonValue value = MustParse("{\"\\u00e9\\n\":1,\"\":2,\"a\\\"b\":3}");
    ASSERT_EQ(value.size(), 3u);
    EXPECT_EQ(value.members()[0].first, "\xC3\xA9\n");
    EXPECT_EQ(value.getInt("", 0), 2);
    EXPECT_EQ(value.getInt("a\"b", 0), 3);
}

TEST(JsonParse, SuccessReplacesTheOutputValue) {
    JsonValue value = MustParse("{\"old\":1}");
    std::string error = "before";
    ASSERT_TRUE(ParseJson("[2]", &value, &error));
    EXPECT_EQ(error, "before");
    EXPECT_EQ(ToJson(value, -1), "[2]");
}

// ----------------------------------------------------------------- writer

}  // namespace

// Objects past a few dozen members find repeated keys through an index; it
// must behave exactly like the scan of small objects.
TEST(JsonParse, RepeatedKeysInLargeObjectsKeepTheirFirstPosition) {
    std::string text = "{";
    for (int i = 0; i < 3000; ++i) text += "\"k" + std::to_string(i) + "\":" + std::to_string(i) + ",";
    text += "\"k0\":\"first\",\"k31\":\"index start\",\"k2999\":\"last\",\"new\":1,\"k40\":[1]}";
    JsonValue value;
    std::string error;
    ASSERT_TRUE(ParseJson(text, &value, &error)) << error;
    ASSERT_EQ(value.size(), 3001u);
    EXPECT_EQ(value.members()[0].first, "k0");
    EXPECT_EQ(value.members()[0].second.asString(""), "first");
    EXPECT_EQ(value.members()[31].second.asString(""), "index start");
    EXPECT_EQ(value.members()[2999].second.asString(""), "last");
    EXPECT_EQ(value.members()[40].second.at(0).asInt(0), 1);
    EXPECT_EQ(value.members()[3000].first, "new");
    EXPECT_EQ(value.find("k1500").asInt(-1), 1500);
}
