// Helpers shared by the test programs (native and under Wine).
#pragma once

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "config/app_config.h"

// A fresh, empty folder for one test, removed with everything in it when the
// object goes away. path() is UTF-8 and ends without a separator.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    // path() joined with name by the product's own JoinPath.
    std::string file(const std::string& name) const;

private:
    std::string path_;
};

// Installs a log sink for its lifetime and keeps every record it receives.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::vector<std::pair<std::string, std::string>> records() const;  // (level, message)
    // True when a record of this level has exactly this message.
    bool has(const std::string& level, const std::string& message) const;
    // True when a record of this level starts with prefix.
    bool hasPrefix(const std::string& level, const std::string& prefix) const;

private:
    mutable std::mutex mutex_;
    std::vector<std::pair<std::string, std::string>> records_;
};

// True for a server id as the program makes them: 16 lower-case hex digits.
bool IsServerId(const std::string& id);

// Reads a file's raw bytes (no byte order mark handling), "" when missing.
std::string ReadRawFile(const std::string& path);

namespace test_support {
inline std::string ValueText(const std::string& value) {
    return value;
}
inline std::string ValueText(bool value) {
    return value ? "1" : "0";
}
inline std::string ValueText(const TextList& value) {
    std::string out;
    for (const std::string& item : value) out += (out.empty() ? "" : ",") + item;
    return out;
}
template <typename T>
std::string ValueText(T value) {
    return std::to_string(static_cast<int>(value));  // int and enumerations
}
}  // namespace test_support

// Which fields a description names: every one, or only those that differ
// from a new record's, so that a field added to the record shows only where
// a test sets it.
enum class DescribedFields { kEvery, kChanged };

// A record's fields from its field list, "name=value" in the list's order
// (config.json's names), in one line.
template <typename Record>
std::string DescribeFields(const Record& record, DescribedFields which = DescribedFields::kEvery) {
    std::string out;
    static const Record defaults{};
    Record::ForEachField(
        [&out, which](const FieldSpec& spec, const auto& value, const auto& fallback) {
            if (which == DescribedFields::kChanged && value == fallback) return;
            out += (out.empty() ? "" : " ") + std::string(spec.name) + "=" + test_support::ValueText(value);
        },
        record, defaults);
    return out;
}

// The changed fields of a server record but its id, then the transient plain
// password.
std::string DescribeServer(const ServerRecord& server);
// The settings of the store outside the server list that differ from a new
// store's, group by group, in one line ("" for none).
std::string DescribeSettings(const AppConfig& config);
// Success when the two records agree in every field but the id; a failure
// shows both records whole.
::testing::AssertionResult SameServer(const ServerRecord& got, const ServerRecord& want);
