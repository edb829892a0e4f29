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

struct WriteCase {
    const char* name;
    double number;
    const char* text;
};

TEST(JsonWrite, NumberRules) {
    const std::vector<WriteCase> cases = {
        {"integer", 3, "3"},
        {"negative integer", -42, "-42"},
        {"fraction", 2.5, "2.5"},
        {"one third", 1.0 / 3, "0.3333333333"},
        {"tenth", 0.1, "0.1"},
        {"small", 1e-7, "1e-07"},
        {"negative zero", -0.0, "0"},
        {"largest plain integer", 999999999999999.0, "999999999999999"},
        {"largest plain negative integer", -999999999999999.0, "-999999999999999"},
        {"1e15 switches to exponent", 1e15, "1e+15"},
        {"2^53", 9007199254740992.0, "9.007199255e+15"},
        {"big", 1e300, "1e+300"},
        {"ten significant digits", 12345678901.5, "1.23456789e+10"},
        {"fraction rounded", 2.00000000001, "2"},
        {"smallest subnormal", 5e-324, "4.940656458e-324"},
        // Rounded to ten digits this lies past the double range, so it reads
        // back as infinity; the text is still what "%.10g" gives.
        {"largest double", 1.7976931348623157e308, "1.797693135e+308"},
        {"NaN", kNaN, "null"},
        {"infinity", kInf, "1e999"},
        {"negative infinity", -kInf, "-1e999"},
    };
    for (const WriteCase& c : cases) EXPECT_EQ(ToJson(JsonValue(c.number), -1), c.text) << c.name;
}

TEST(JsonWrite, InfinityReadsBack) {
    JsonValue value = JsonValue::MakeArray();
    value.push(JsonValue(kInf));
    value.push(JsonValue(-kInf));
    EXPECT_EQ(MustParse(ToJson(value, -1)), value);
    EXPECT_EQ(MustParse(ToJson(value, 2)), value);
}

TEST(JsonWrite, StringEscaping) {
    const std::vector<StringCase> cases = {
        {"control byte 0x01", "\\u0001", "\x01"},
        {"control byte 0x1F in lower-case hex", "\\u001f", "\x1F"},
        {"zero byte", "\\u0000", "\0"s},
        {"named escapes", "\\b\\f\\n\\r\\t", "\b\f\n\r\t"},
        {"quote and backslash", "\\\"\\\\", "\"\\"},
        {"slash stays", "a/b", "a/b"},
        {"DEL stays", "\x7F", "\x7F"},
        {"Chinese stays", "中文", "中文"},
        {"invalid UTF-8 stays", "\xFF\xC0\xED\xA0\xBD", "\xFF\xC0\xED\xA0\xBD"},
        {"runs around escapes", "ab\\ncd\\u0002ef",
         "ab\ncd\x02"
         "ef"},
    };
    for (const StringCase& c : cases) {
        EXPECT_EQ(ToJson(JsonValue(c.bytes), -1), "\"" + c.text + "\"") << c.name;
        std::string out = "prefix:";
        EscapeJsonString(c.bytes, out);
        EXPECT_EQ(out, "prefix:" + c.text) << c.name;
    }
}

TEST(JsonWrite, CompactAndIndentedLayout) {
    JsonValue value = JsonValue::MakeObject();
    JsonValue& list = value.set("a", JsonValue::MakeArray());
    list.push(JsonValue(1));
    list.push(JsonValue::MakeObject());
    value.set("b", JsonValue(""));

    EXPECT_EQ(ToJson(value, -1), "{\"a\":[1,{}],\"b\":\"\"}");
    EXPECT_EQ(ToJson(value, 2), "{\n  \"a\": [\n    1,\n    {}\n  ],\n  \"b\": \"\"\n}");
    EXPECT_EQ(ToJson(value, 0), "{\n\"a\": [\n1,\n{}\n],\n\"b\": \"\"\n}");
    EXPECT_EQ(ToJson(value, -7), ToJson(value, -1));
}

TEST(JsonWrite, TopLevelScalarsAndEmptyContainers) {
    for (int indent : {-1, 0, 4}) {
        EXPECT_EQ(ToJson(JsonValue(), indent), "null");
        EXPECT_EQ(ToJson(JsonValue(true), indent), "true");
        EXPECT_EQ(ToJson(JsonValue(false), indent), "false");
        EXPECT_EQ(ToJson(JsonValue("x"), indent), "\"x\"");
        EXPECT_EQ(ToJson(JsonValue::MakeArray(), indent), "[]");
        EXPECT_EQ(ToJson(JsonValue::MakeObject(), indent), "{}");
    }
    EXPECT_EQ(ToJson(MustParse("[[],{},[[]]]"), 1), "[\n [],\n {},\n [\n  []\n ]\n]");
}

// ------------------------------------------------------------ round trips

std::string AllBytes() {
    std::string bytes;
    for (int c = 0; c < 256; ++c) bytes.push_back(static_cast<char>(c));
    return bytes;
}

TEST(JsonRoundTrip, HostileStringsSurviveBothForms) {
    const std::vector<std::string> texts = {
        AllBytes(),
        std::string("\0\0", 2),
        "\xED\xA0\xBD",  // high surrogate as stored by the parser
        "\xED\xA0\xBD"
        "A",                     // high surrogate followed by another unit
        "\xF0\x9F\x98\x80",      // a pair, combined
        "\xED\xB8\x80",          // lone low surrogate
        "\xFF\xFE\x80\xC0\xAF",  // never valid UTF-8
        "\"\\/\b\f\n\r\t\x7F 服务器",
    };
    for (const std::string& text : texts) {
        JsonValue value = JsonValue::MakeObject();
        value.set(text, JsonValue(text));
        value.set("list", JsonValue::MakeArray()).push(JsonValue(text));
        for (int indent : {-1, 2}) EXPECT_EQ(MustParse(ToJson(value, indent)), value) << ToJson(value, -1);
    }
}

TEST(JsonRoundTrip, EscapedInputWritesBackTheSameBytes) {
    const std::vector<StringCase> cases = {
        {"zero unit", "\"\\u0000\"", "\"\\u0000\""},
        {"pair becomes raw UTF-8", "\"\\uD83D\\uDE00\"", "\"\xF0\x9F\x98\x80\""},
        {"lone high surrogate", "\"\\ud83d\"", "\"\xED\xA0\xBD\""},
        {"high then non-low", "\"\\uD83D\\u0041\"",
         "\"\xED\xA0\xBD"
         "A\""},
        {"unit 001F", "\"\\u001F\"", "\"\\u001f\""},
        {"escaped slash", "\"\\/\"", "\"/\""},
    };
    for (const StringCase& c : cases) {
        std::string written = ToJson(MustParse(c.text), -1);
        EXPECT_EQ(written, c.bytes) << c.name;
        EXPECT_EQ(ToJson(MustParse(written), -1), written) << c.name;
    }
}

TEST(JsonRoundTrip, ConfigLikeDocument) {
    const std::string text = R"({
  "version": 1,
  "servers": [
    {
      "id": "0f3a9c21d4e5b6a7",
      "host": "10.0.12.34",
      "port": 3389,
      "user": "administrator",
      "remark": "财务部 \"主\" 服务器",
      "group": "北京/机房A",
      "width": 1920,
      "smartSizing": true,
      "autoConnect": false
    }
  ],
  "ping": {
    "intervalSec": 10,
    "timeoutMs": 2000
  },
  "security": {
    "enabled": false,
    "salt": ""
  },
  "emptyList": [],
  "emptyObject": {}
})";
    JsonValue value = MustParse(text);
    EXPECT_EQ(ToJson(value, 2), text);
    EXPECT_EQ(MustParse(ToJson(value, -1)), value);
    EXPECT_EQ(value.find("servers").at(0).getString("remark", ""), "财务部 \"主\" 服务器");
}

TEST(JsonRoundTrip, WrittenNumbersReadBackToTheirTenDigits) {
    const std::vector<double> numbers = {0.1,  1.0 / 3,         -2.5e-9, 123456.789, 1e15,
                                         1e21, 9.87654321e-300, 4e-320,  1.7e308};
    for (double number : numbers) {
        std::string written = ToJson(JsonValue(number), -1);
        JsonValue reread = MustParse(written);
        EXPECT_EQ(ToJson(reread, -1), written) << number;
        EXPECT_NEAR(reread.asNumber(0) / number, 1.0, 1e-9) << number;
    }
}

// ------------------------------------------------------------- value API

}  // namespace

// Long texts are escaped piece by piece; escapes on either side of a piece's
// edge must come out whole.
TEST(JsonWrite, LongTextsWithEscapesAcrossPieces) {
    std::string text;
    for (int i = 0; i < 70000; ++i) text.push_back(i % 97 == 0 ? '\x01' : (i % 89 == 0 ? '"' : 'a' + i % 26));
    for (int edge : {16383, 16384, 16385, 32767, 32768}) text[static_cast<std::size_t>(edge)] = '\n';
    const std::string written = ToJson(JsonValue(text), -1);
    JsonValue back;
    ASSERT_TRUE(ParseJson(written, &back, nullptr));
    EXPECT_EQ(back.asString(""), text);

    std::string appended = "prefix:";
    EscapeJsonString(text, appended);
    EXPECT_EQ("\"" + appended.substr(7) + "\"", written);
}

TEST(JsonWrite, ReserveChangesNothingVisible) {
    JsonValue array = MustParse("[1,2]");
    array.reserve(100);
    EXPECT_EQ(ToJson(array, -1), "[1,2]");
    JsonValue object = MustParse("{\"a\":1}");
    object.reserve(100);
    EXPECT_EQ(ToJson(object, -1), "{\"a\":1}");
    JsonValue number(5);
    number.reserve(100);
    EXPECT_TRUE(number.isNumber());
    EXPECT_EQ(number.size(), 0u);
}
