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

// Short texts are held inside the node, longer ones apart; both forms must
// behave as one.
TEST(JsonValue, TextsAroundTheInlineLength) {
    EXPECT_EQ(JsonValue(static_cast<const char*>(nullptr)), JsonValue(""));
    EXPECT_EQ(JsonValue(std::string_view("abcdef", 3)).text(), "abc");
    for (std::size_t length : {0, 1, 30, 31, 32, 33, 100}) {
        const std::string text(length, 'x');
        const std::string escaped = length == 0 ? "\"\"" : "\"\\u0078" + text.substr(1) + "\"";
        const JsonValue value(text);
        for (const JsonValue& same : {JsonValue(std::string(text)), JsonValue(text.c_str()),
                                      MustParse(escaped), MustParse("\"" + text + "\""), JsonValue(value)}) {
            EXPECT_EQ(same, value) << length;
            EXPECT_EQ(same.text(), text) << length;
            EXPECT_EQ(same.asString(""), text) << length;
        }
        EXPECT_NE(JsonValue(text + "y"), value) << length;
        EXPECT_EQ(ToJson(value, -1), "\"" + text + "\"") << length;
    }
}

TEST(JsonValue, Containers) {
    const JsonValue list = MustParse("[1,2]");
    JsonValue object = MustParse("{\"a\":null,\"b\":2,\"c\":3}");
    for (const JsonValue* missing :
         {&list.at(2), &list.find("a"), &object.find("A"), &object.at(0), &JsonValue(3).find("a")}) {
        EXPECT_EQ(missing, &JsonValue::SharedNull());
    }
    EXPECT_TRUE(object.contains("a"));  // a member holding null is there
    EXPECT_FALSE(object.contains("A"));
    EXPECT_FALSE(list.contains("a"));
    EXPECT_EQ(list.size() + object.size() + JsonValue("abc").size(), 5u);
    // set replaces in place or appends; erase keeps the order of the rest.
    object.set("b", JsonValue("two"));
    object.set("B", JsonValue(4)) = JsonValue("changed through the reference");
    EXPECT_TRUE(object.erase("c"));
    EXPECT_FALSE(object.erase("c"));
    EXPECT_FALSE(JsonValue(1).erase("b"));
    object.reserve(100);
    EXPECT_EQ(ToJson(object, -1), "{\"a\":null,\"b\":\"two\",\"B\":\"changed through the reference\"}");
    // push and set turn a value of another type into an empty container.
    JsonValue value("text");
    value.push(JsonValue(1));
    EXPECT_EQ(ToJson(value, -1), "[1]");
    value.set("k", JsonValue(true));
    EXPECT_EQ(ToJson(value, -1), "{\"k\":true}");
    JsonValue number(5);
    number.reserve(100);
    EXPECT_EQ(ToJson(number, -1), "5");
}

TEST(JsonValue, CopiesAreDeepAndMovesTakeTheTree) {
    const JsonValue original = MustParse("{\"list\":[{\"x\":1}]}");
    JsonValue copy = original;
    JsonValue inner = copy.find("list").at(0);
    inner.set("x", JsonValue(2));
    copy.set("list", JsonValue::MakeArray()).push(inner);
    EXPECT_EQ(ToJson(original, -1), "{\"list\":[{\"x\":1}]}");
    EXPECT_EQ(ToJson(copy, -1), "{\"list\":[{\"x\":2}]}");
    JsonValue moved = std::move(copy);
    EXPECT_EQ(ToJson(moved, -1), "{\"list\":[{\"x\":2}]}");
}

TEST(JsonValue, Equality) {
    EXPECT_EQ(MustParse("{\"a\":[1,\"x\"],\"b\":null}"),
              MustParse("{ \"a\" : [ 1.0 , \"x\" ] , \"b\" : null }"));
    EXPECT_NE(MustParse("{\"a\":1,\"b\":2}"), MustParse("{\"b\":2,\"a\":1}"));
    EXPECT_NE(MustParse("[1,2]"), MustParse("[1,2,3]"));
    EXPECT_NE(JsonValue(1), JsonValue(true));
    EXPECT_NE(JsonValue("1"), JsonValue(1));
    EXPECT_NE(JsonValue(), JsonValue(false));
    EXPECT_NE(JsonValue::MakeArray(), JsonValue::MakeObject());
    EXPECT_NE(JsonValue(kNaN), JsonValue(kNaN));
    EXPECT_EQ(JsonValue(0.0), JsonValue(-0.0));
}

struct ConversionCase {
    const char* name;
    JsonValue value;
    bool asBool;           // fallback true
    int asInt;             // fallback -99
    double asNumber;       // fallback -99.5
    std::string asString;  // fallback "fb"
};

TEST(JsonValue, LenientConversions) {
    const std::vector<ConversionCase> cases = {
        {"null", JsonValue(), true, -99, -99.5, "fb"},
        {"true", JsonValue(true), true, 1, 1.0, "true"},
        {"false", JsonValue(false), false, 0, 0.0, "false"},
        {"negative zero", JsonValue(-0.0), false, 0, -0.0, "0"},
        {"integer", JsonValue(3390), true, 3390, 3390.0, "3390"},
        {"fraction truncates toward zero", JsonValue(-2.9), true, -2, -2.9, "-2.9"},
        {"six digits for non-integers", JsonValue(1.0 / 3), true, 0, 1.0 / 3, "0.333333"},
        {"%g exponent", JsonValue(1234567.5), true, 1234567, 1234567.5, "1.23457e+06"},
        {"integer past int range", JsonValue(1e18), true, INT_MAX, 1e18, "1000000000000000000"},
        {"past 64-bit range", JsonValue(1e20), true, INT_MAX, 1e20, "1e+20"},
        {"huge negative", JsonValue(-1e300), true, INT_MIN, -1e300, "-1e+300"},
        {"just past INT_MAX", JsonValue(2147483648.0), true, INT_MAX, 2147483648.0, "2147483648"},
        {"INT_MIN with fraction", JsonValue(-2147483648.5), true, INT_MIN, -2147483648.5, "-2.14748e+09"},
        {"infinity", JsonValue(kInf), true, INT_MAX, kInf, "inf"},
        {"text 3390", JsonValue("3390"), true, 3390, 3390.0, "3390"},
        {"text with blanks and tail", JsonValue(" \t\n42.9abc"), true, 42, 42.9, " \t\n42.9abc"},
        {"text with plus", JsonValue("+5"), true, 5, 5.0, "+5"},
        {"text hex is read as its 0", JsonValue("0x10"), true, 0, 0.0, "0x10"},
        {"text 1e400 overflows", JsonValue("-1e400"), true, INT_MIN, -kInf, "-1e400"},
        {"text abc", JsonValue("abc"), true, -99, -99.5, "abc"},
        {"text inf is no number", JsonValue("inf"), true, -99, -99.5, "inf"},
        {"text sign only", JsonValue("-"), true, -99, -99.5, "-"},
        {"text 0", JsonValue("0"), false, 0, 0.0, "0"},
        {"text false", JsonValue("false"), false, -99, -99.5, "false"},
        {"text empty", JsonValue(""), false, -99, -99.5, ""},
        {"text no", JsonValue("no"), true, -99, -99.5, "no"},
        {"text FALSE is true", JsonValue("FALSE"), true, -99, -99.5, "FALSE"},
        {"array", MustParse("[1]"), true, -99, -99.5, "fb"},
        {"object", MustParse("{\"a\":1}"), true, -99, -99.5, "fb"},
    };
    for (const ConversionCase& c : cases) {
        EXPECT_EQ(c.value.asBool(true), c.asBool) << c.name;
        EXPECT_EQ(c.value.asInt(-99), c.asInt) << c.name;
        EXPECT_EQ(c.value.asNumber(-99.5), c.asNumber) << c.name;
        EXPECT_EQ(c.value.asString("fb"), c.asString) << c.name;
    }
    EXPECT_TRUE(JsonValue(kNaN).asBool(false));
    EXPECT_EQ(JsonValue(kNaN).asInt(-7), -7);
    EXPECT_TRUE(std::isnan(JsonValue(kNaN).asNumber(0)));
    // A member reads as its value does; a missing member, and any member of
    // a value that is not an object, reads as the default.
    const JsonValue object = MustParse("{\"a\":\"0.5e1x\"}");
    EXPECT_EQ(object.getInt("a", 7), 5);
    EXPECT_TRUE(object.getBool("a", false));
    EXPECT_EQ(object.getString("a", "fb"), "0.5e1x");
    EXPECT_EQ(object.getInt("missing", 7), 7);
    EXPECT_FALSE(object.getBool("missing", false));
    EXPECT_EQ(object.getString("missing", "fb"), "fb");
    EXPECT_EQ(JsonValue(5).getString("a", "fb"), "fb");
    EXPECT_EQ(MustParse("[1]").getInt("0", 9), 9);
}

TEST(JsonWrite, Numbers) {
    // Ten significant digits, exponent from 1e15 on. Rounded to ten digits
    // the largest double lies past the double range, so it reads back as
    // infinity; the text is still what "%.10g" gives.
    // clang-format off
    const std::vector<std::pair<double, const char*>> cases = {
        {3, "3"}, {-42, "-42"}, {2.5, "2.5"}, {1.0 / 3, "0.3333333333"}, {0.1, "0.1"}, {1e-7, "1e-07"},
        {-0.0, "0"}, {999999999999999.0, "999999999999999"}, {-999999999999999.0, "-999999999999999"},
        {1e15, "1e+15"}, {9007199254740992.0, "9.007199255e+15"}, {12345678901.5, "1.23456789e+10"},
        {2.00000000001, "2"}, {5e-324, "4.940656458e-324"}, {1.7976931348623157e308, "1.797693135e+308"},
        {kNaN, "null"}, {kInf, "1e999"}, {-kInf, "-1e999"}};
    // clang-format on
    for (const auto& c : cases) EXPECT_EQ(ToJson(JsonValue(c.first), -1), c.second) << c.second;
}

TEST(JsonWrite, StringEscaping) {
    const std::vector<StringCase> cases = {
        {"control byte 0x1F in lower-case hex", "\\u001f", "\x1F"},
        {"zero byte", "\\u0000", "\0"s},
        {"named escapes", "\\b\\f\\n\\r\\t", "\b\f\n\r\t"},
        {"quote and backslash", "\\\"\\\\", "\"\\"},
        {"slash, DEL, Chinese and invalid UTF-8 stay", "a/b\x7F中文\xFF\xC0", "a/b\x7F中文\xFF\xC0"},
        {"runs around escapes", "ab\\ncd\\u0002ef",
         "ab\ncd\x02"
         "ef"},
        {"escapes outgrowing the room made for the text", Repeat("\\u0001", 300), std::string(300, '\x01')},
    };
    for (const StringCase& c : cases) {
        EXPECT_EQ(ToJson(JsonValue(c.bytes), -1), "\"" + c.text + "\"") << c.name;
        JsonValue object = JsonValue::MakeObject();
        object.set(c.bytes, JsonValue(1));
        EXPECT_EQ(ToJson(object, 0), "{\n\"" + c.text + "\": 1\n}") << c.name;
        std::string out = "prefix:";
        EscapeJsonString(c.bytes, out);
        EXPECT_EQ(out, "prefix:" + c.text) << c.name;
    }
}

// Long texts are escaped piece by piece; escapes on either side of a piece's
// edge must come out whole.
TEST(JsonWrite, LongTextsWithEscapesAcrossPieces) {
    std::string text;
    for (int i = 0; i < 70000; ++i) text.push_back(i % 97 == 0 ? '\x01' : (i % 89 == 0 ? '"' : 'a' + i % 26));
    for (int edge : {16383, 16384, 16385, 32767, 32768}) text[static_cast<std::size_t>(edge)] = '\n';
    JsonValue object = JsonValue::MakeObject();
    object.set(text, JsonValue(text));
    const std::string written = ToJson(object, -1);
    EXPECT_EQ(MustParse(written), object);
    std::string escaped;
    EscapeJsonString(text, escaped);
    EXPECT_EQ(written, "{\"" + escaped + "\":\"" + escaped + "\"}");
}

TEST(JsonWrite, CompactAndIndentedLayout) {
    const JsonValue value = MustParse("{\"a\":[1,{},{\"x\":-2}],\"b\":\"\"}");
    EXPECT_EQ(ToJson(value, -1), "{\"a\":[1,{},{\"x\":-2}],\"b\":\"\"}");
    EXPECT_EQ(ToJson(value, 2),
              "{\n  \"a\": [\n    1,\n    {},\n    {\n      \"x\": -2\n    }\n  ],\n  \"b\": \"\"\n}");
    EXPECT_EQ(ToJson(value, 0), "{\n\"a\": [\n1,\n{},\n{\n\"x\": -2\n}\n],\n\"b\": \"\"\n}");
    EXPECT_EQ(ToJson(value, -7), ToJson(value, -1));
    for (int indent : {-1, 0, 4}) {
        for (const char* scalar : {"null", "true", "false", "\"x\"", "[]", "{}"}) {
            EXPECT_EQ(ToJson(MustParse(scalar), indent), scalar) << indent;
        }
    }
    EXPECT_EQ(ToJson(MustParse("[[],{},[[]]]"), 1), "[\n [],\n {},\n [\n  []\n ]\n]");
}

}  // namespace
