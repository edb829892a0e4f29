#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/json.h"
#include "core/json_test_support.h"

using namespace std::string_literals;
using namespace json_test;

namespace {

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
        for (const char* scalar : {"null", "true", "false", "\"x\"", "[]", "{}"})
            EXPECT_EQ(ToJson(MustParse(scalar), indent), scalar) << indent;
    }
    EXPECT_EQ(ToJson(MustParse("[[],{},[[]]]"), 1), "[\n [],\n {},\n [\n  []\n ]\n]");
}

}  // namespace
