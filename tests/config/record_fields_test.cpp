// The rules a row of a field list can state, each on a record of its own:
// what config.json and the page get, and how what they send back is read.
#include <gtest/gtest.h>

#include "config/record_json.h"
#include "support/test_support.h"

namespace {

enum class Mode { kAuto, kAlways, kNever };

}  // namespace

TAVOLIN_ENUM_NAMES(Mode, "auto", "always", "never");

namespace {

#define SAMPLE_FIELDS(X)                                     \
    X(std::string, label, "label", "n", kPage | kTrimmed)    \
    X(int, port, "port", 3389, InRange(1, 65535) | kPage)    \
    X(int, count, "count", 6, Clamped(1, 32) | kPage)        \
    X(bool, on, "on", true, kPage)                           \
    X(Mode, mode, "mode", Mode::kAuto, kPage)                \
    X(Mode, level, "level", Mode::kAuto, kAsNumber | kShown) \
    X(TextList, drives, "drives", TextList(), kPage)         \
    X(std::string, sealedKey, "key", "", kSecret | kPage)    \
    X(int, extra, "extra", 0, kOmittedAtDefault)

struct SampleRecord {
    TAVOLIN_RECORD_FIELDS(SAMPLE_FIELDS)
};

const char* const kDefaults = "label=n port=3389 count=6 on=1 mode=0 level=0 drives= key= extra=0";

SampleRecord Parsed(const char* text) {
    JsonValue value;
    EXPECT_TRUE(ParseJson(text, &value, nullptr)) << text;
    SampleRecord record;
    record.label = "not a default";
    RecordFromJson(value, record);
    return record;
}

}  // namespace

TEST(RecordFields, ReadLenientlyAndCorrected) {
    const std::pair<const char*, const char*> cases[] = {
        {"{}", kDefaults},
        {"[1]", kDefaults},
        {R"({"label":"a","port":65535,"count":99,"on":"0","mode":"never","level":2,"drives":["C","D",1],)"
         R"("key":"k","extra":5})",
         "label=a port=65535 count=32 on=0 mode=2 level=2 drives=C,D key=k extra=5"},
        // Both forms of an enumeration are read, whichever it is written as.
        {R"({"mode":1,"level":"never","count":-3,"port":0})",
         "label=n port=3389 count=1 on=1 mode=1 level=2 drives= key= extra=0"},
        {R"({"label":null,"port":"x","count":"7","on":[],"mode":"Never","level":1.5,"drives":"C"})",
         "label=n port=3389 count=7 on=1 mode=0 level=0 drives= key= extra=0"},
        {R"({"port":70000,"mode":3,"level":-1,"extra":null})", kDefaults},
    };
    for (const auto& [text, want] : cases) EXPECT_EQ(DescribeFields(Parsed(text)), want) << text;
}

TEST(RecordFields, WrittenToConfigJsonAndThePage) {
    SampleRecord record;
    EXPECT_EQ(ToJson(RecordToJson(record), -1),
              R"({"label":"n","port":3389,"count":6,"on":true,"mode":"auto","level":0,"drives":[]})");
    record = Parsed(R"({"label":"a\"b","mode":"always","level":2,"drives":["C","D"],"key":"k","extra":5})");
    const std::string stored =
        R"({"label":"a\"b","port":3389,"count":6,"on":true,"mode":"always","level":2,"drives":["C","D"],)"
        R"("key":"k","extra":5})";
    EXPECT_EQ(ToJson(RecordToJson(record), -1), stored);
    // The page: its own names, what is only kept stays, a secret only as
    // whether it is set, after the rest.
    std::string page;
    JsonObjectText object(page);
    PutPageMembers(object, record, "sample");
    object.End();
    EXPECT_EQ(
        page,
        R"({"sampleLabel":"a\"b","samplePort":3389,"sampleCount":6,"sampleOn":true,"sampleMode":"always",)"
        R"("sampleLevel":2,"sampleDrives":["C","D"],"hasKey":true})");
}

TEST(RecordFields, ThePageChangesOnlyWhatItSendsAndMayEdit) {
    const char* const start = "label=a port=22 count=6 on=0 mode=1 level=2 drives=C key=old extra=5";
    const std::pair<const char*, const char*> cases[] = {
        {"{}", start},
        {"null", start},
        {R"({"level":0,"extra":1,"sampleExtra":1,"sampleLevel":0,"label":"x"})", start},
        {R"({"sampleLabel":"  b \t","samplePort":70000,"sampleCount":0,"sampleOn":null,"sampleMode":"never",)"
         R"("sampleDrives":["D","E"]})",
         "label=b port=3389 count=1 on=1 mode=2 level=2 drives=D,E key=old extra=5"},
        {R"({"sampleLabel":[1],"samplePort":"443","sampleMode":7})",
         "label=n port=443 count=6 on=0 mode=0 level=2 drives=C key=old extra=5"},
        // A secret comes as plain text under its own name, to be sealed.
        {R"({"key":"new"})", "label=a port=22 count=6 on=0 mode=1 level=2 drives=C key=sealed:new extra=5"},
    };
    for (const auto& [text, want] : cases) {
        SampleRecord record = Parsed(R"({"label":"a","port":22,"on":false,"mode":1,"level":2,"drives":["C"],)"
                                     R"("key":"old","extra":5})");
        JsonValue data;
        ASSERT_TRUE(ParseJson(text, &data, nullptr)) << text;
        ApplyPageMembers(record, data, "sample",
                         [](const FieldSpec&, const std::string& plain, std::string& sealed) {
                             sealed = "sealed:" + plain;
                         });
        EXPECT_EQ(DescribeFields(record), want) << text;
    }
}
