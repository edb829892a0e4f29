// Helpers shared by the JSON test files.
#pragma once

#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "core/json.h"

namespace json_test {

const double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();

// Parses text that must be valid; a success leaves the error text alone.
inline JsonValue MustParse(const std::string& text) {
    JsonValue value;
    std::string error = "untouched";
    EXPECT_TRUE(ParseJson(text, &value, &error)) << "text: " << text << " error: " << error;
    EXPECT_EQ(error, "untouched") << "text: " << text;
    return value;
}

// The message of a parse that must fail; a failure leaves the output alone.
inline std::string ParseError(const std::string& text) {
    JsonValue value("kept");
    std::string error;
    EXPECT_FALSE(ParseJson(text, &value, &error)) << "text: " << text;
    EXPECT_EQ(value, JsonValue("kept")) << "a failed parse changed the output, text: " << text;
    return error;
}

inline std::string Compact(const std::string& text) {
    return ToJson(MustParse(text), -1);
}

inline std::string Repeat(const std::string& piece, int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text += piece;
    return text;
}

// A JSON text and the bytes its string stands for.
struct StringCase {
    const char* name;
    std::string text;
    std::string bytes;
};

}  // namespace json_test
