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

TEST(JsonValueApi, ConstructionGivesTypeAndPayload) {
    EXPECT_TRUE(JsonValue().isNull());
    EXPECT_EQ(JsonValue(true).type(), JsonType::Bool);
    EXPECT_EQ(JsonValue(7).type(), JsonType::Number);
    EXPECT_EQ(JsonValue(7).asNumber(0), 7.0);
    EXPECT_EQ(JsonValue(2.5).asNumber(0), 2.5);
    EXPECT_EQ(JsonValue(static_cast<const char*>(nullptr)), JsonValue(""));
    EXPECT_EQ(JsonValue("abc"), JsonValue(std::string("abc")));
    EXPECT_EQ(JsonValue(std::string_view("abcdef", 3)).text(), "abc");
    EXPECT_EQ(JsonValue(std::string("a\0b", 3)).text().size(), 3u);
    EXPECT_EQ(static_cast<int>(JsonType::Object), 5);
}

TEST(JsonValueApi, LookupsThatFindNothingGiveTheSharedNull) {
    const JsonValue* shared = &JsonValue::SharedNull();
    JsonValue list = MustParse("[1,2]");
    JsonValue object = MustParse("{\"a\":null}");
    EXPECT_EQ(&list.at(2), shared);
    EXPECT_EQ(&list.find("a"), shared);
    EXPECT_EQ(&object.find("b"), shared);
    EXPECT_EQ(&object.at(0), shared);
    EXPECT_EQ(&JsonValue(3).find("a"), shared);
    EXPECT_NE(&object.find("a"), shared);
    EXPECT_TRUE(object.contains("a"));
    EXPECT_FALSE(object.contains("A"));
    EXPECT_FALSE(list.contains("a"));
    EXPECT_EQ(list.size(), 2u);
    EXPECT_EQ(JsonValue("abc").size(), 0u);
    EXPECT_TRUE(JsonValue::SharedNull().isNull());
}

TEST(JsonValueApi, PushAndSetConvertOtherTypes) {
    JsonValue value("text");
    value.push(JsonValue(1));
    EXPECT_TRUE(value.isArray());
    EXPECT_EQ(value.text(), "");
    EXPECT_EQ(ToJson(value, -1), "[1]");

    value.set("k", JsonValue(true));
    EXPECT_TRUE(value.isObject());
    EXPECT_TRUE(value.items().empty());
    EXPECT_EQ(ToJson(value, -1), "{\"k\":true}");

    JsonValue& slot = value.set("k", JsonValue("new"));
    slot = JsonValue("changed through the reference");
    EXPECT_EQ(value.getString("k", ""), "changed through the reference");
}

TEST(JsonValueApi, SetReplacesInPlaceAndEraseKeepsOrder) {
    JsonValue value = MustParse("{\"a\":1,\"b\":2,\"c\":3}");
    value.set("b", JsonValue("two"));
    value.set("B", JsonValue(4));
    EXPECT_EQ(ToJson(value, -1), "{\"a\":1,\"b\":\"two\",\"c\":3,\"B\":4}");
    EXPECT_TRUE(value.erase("b"));
    EXPECT_FALSE(value.erase("b"));
    EXPECT_FALSE(JsonValue(1).erase("b"));
    EXPECT_EQ(ToJson(value, -1), "{\"a\":1,\"c\":3,\"B\":4}");
}

TEST(JsonValueApi, CopiesAreDeep) {
    JsonValue original = MustParse("{\"list\":[{\"x\":1}]}");
    JsonValue copy = original;
    JsonValue inner = copy.find("list").at(0);
    inner.set("x", JsonValue(2));
    JsonValue list = JsonValue::MakeArray();
    list.push(inner);
    copy.set("list", list);
    EXPECT_EQ(ToJson(original, -1), "{\"list\":[{\"x\":1}]}");
    EXPECT_EQ(ToJson(copy, -1), "{\"list\":[{\"x\":2}]}");
}

TEST(JsonValueApi, Equality) {
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

// ------------------------------------------------------------ conversions

struct ConversionCase {
    const char* name;
    JsonValue value;
    bool asBool;           // fallback true
    int asInt;             // fallback -99
    double asNumber;       // fallback -99.5
    std::string asString;  // fallback "fb"
};

TEST(JsonConversions, ByType) {
    const std::vector<ConversionCase> cases = {
        {"null", JsonValue(), true, -99, -99.5, "fb"},
        {"true", JsonValue(true), true, 1, 1.0, "true"},
        {"false", JsonValue(false), false, 0, 0.0, "false"},
        {"zero", JsonValue(0), false, 0, 0.0, "0"},
        {"negative zero", JsonValue(-0.0), false, 0, -0.0, "0"},
        {"integer", JsonValue(3390), true, 3390, 3390.0, "3390"},
        {"fraction truncates toward zero", JsonValue(-2.9), true, -2, -2.9, "-2.9"},
        {"six digits for non-integers", JsonValue(1.0 / 3), true, 0, 1.0 / 3, "0.333333"},
        {"%g exponent", JsonValue(1234567.5), true, 1234567, 1234567.5, "1.23457e+06"},
        {"integer past int range", JsonValue(1e18), true, INT_MAX, 1e18, "1000000000000000000"},
        {"past 64-bit range", JsonValue(1e20), true, INT_MAX, 1e20, "1e+20"},
        {"huge", JsonValue(1e300), true, INT_MAX, 1e300, "1e+300"},
        {"huge negative", JsonValue(-1e300), true, INT_MIN, -1e300, "-1e+300"},
        {"just past INT_MAX", JsonValue(2147483648.0), true, INT_MAX, 2147483648.0, "2147483648"},
        {"INT_MIN with fraction", JsonValue(-2147483648.5), true, INT_MIN, -2147483648.5, "-2.14748e+09"},
        {"infinity", JsonValue(kInf), true, INT_MAX, kInf, "inf"},
        {"text 3390", JsonValue("3390"), true, 3390, 3390.0, "3390"},
        {"text with blanks and tail", JsonValue(" \t\n42.9abc"), true, 42, 42.9, " \t\n42.9abc"},
        {"text with plus", JsonValue("+5"), true, 5, 5.0, "+5"},
        {"text point five", JsonValue(".5"), true, 0, 0.5, ".5"},
        {"text hex is read as its 0", JsonValue("0x10"), true, 0, 0.0, "0x10"},
        {"text 1e400 overflows", JsonValue("-1e400"), true, INT_MIN, -kInf, "-1e400"},
        {"text abc", JsonValue("abc"), true, -99, -99.5, "abc"},
        {"text inf is no number", JsonValue("inf"), true, -99, -99.5, "inf"},
        {"text nan is no number", JsonValue("nan"), true, -99, -99.5, "nan"},
        {"text sign only", JsonValue("-"), true, -99, -99.5, "-"},
        {"text point only", JsonValue("."), true, -99, -99.5, "."},
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
    EXPECT_FALSE(JsonValue(false).asBool(true));
    EXPECT_TRUE(JsonValue(kNaN).asBool(false));
    EXPECT_EQ(JsonValue(kNaN).asInt(-7), -7);
    EXPECT_TRUE(std::isnan(JsonValue(kNaN).asNumber(0)));
}

TEST(JsonConversions, MemberReads) {
    JsonValue value = MustParse(R"({"port":"3390","name":"abc","flag":true,"none":null,
        "zero":"0","off":"false","empty":"","no":"no","big":1e300,"small":-1e300,"n":12.7,"list":[1]})");
    EXPECT_EQ(value.getInt("port", 1), 3390);
    EXPECT_EQ(value.getInt("name", 7), 7);
    EXPECT_EQ(value.getInt("flag", 7), 1);
    EXPECT_EQ(value.getInt("missing", 7), 7);
    EXPECT_EQ(value.getInt("none", 7), 7);
    EXPECT_EQ(value.getInt("list", 7), 7);
    EXPECT_EQ(value.getInt("big", 7), INT_MAX);
    EXPECT_EQ(value.getInt("small", 7), INT_MIN);
    EXPECT_EQ(value.getInt("n", 7), 12);

    EXPECT_FALSE(value.getBool("zero", true));
    EXPECT_FALSE(value.getBool("off", true));
    EXPECT_FALSE(value.getBool("empty", true));
    EXPECT_TRUE(value.getBool("no", false));
    EXPECT_TRUE(value.getBool("missing", true));
    EXPECT_FALSE(value.getBool("none", false));
    EXPECT_TRUE(value.getBool("list", true));

    EXPECT_EQ(value.getString("name", "fb"), "abc");
    EXPECT_EQ(value.getString("n", "fb"), "12.7");
    EXPECT_EQ(value.getString("flag", "fb"), "true");
    EXPECT_EQ(value.getString("none", "fb"), "fb");
    EXPECT_EQ(value.getString("missing", "fb"), "fb");
    EXPECT_EQ(JsonValue(5).getString("name", "fb"), "fb");
    EXPECT_EQ(MustParse("[1]").getInt("0", 9), 9);
}

}  // namespace
