#include "core/crash_filter.h"

#include <gtest/gtest.h>

#include <string>

#include "support/test_support.h"

TEST(CrashFilter, HeadLineThenAtMostFourParameterLinesOrNoRecord) {
    const struct {
        DWORD parameters;
        std::size_t lines;
    } cases[] = {{0, 1}, {3, 4}, {6, 5}};
    for (const auto& c : cases) {
        LogCapture capture;
        EXCEPTION_RECORD record{};
        record.ExceptionCode = EXCEPTION_ACCESS_VIOLATION;
        record.ExceptionAddress = reinterpret_cast<PVOID>(static_cast<ULONG_PTR>(0x7FF612345678ull));
        record.NumberParameters = c.parameters;
        for (DWORD i = 0; i < c.parameters; ++i) record.ExceptionInformation[i] = 0xA0 + i;
        EXCEPTION_POINTERS pointers{&record, nullptr};
        EXPECT_EQ(CrashFilter(&pointers), EXCEPTION_EXECUTE_HANDLER);
        const auto records = capture.records();
        ASSERT_EQ(records.size(), c.lines) << c.parameters;
        for (const auto& r : records) EXPECT_EQ(r.first, "FATAL");
        EXPECT_EQ(records[0].second, "程序异常终止：code=0xC0000005 addr=00007FF612345678");
        for (std::size_t i = 1; i < records.size(); ++i) {
            const std::string index = std::to_string(i - 1);
            EXPECT_EQ(records[i].second, "  参数[" + index + "]=0x00000000000000A" + index);
        }
    }
    // Without a record the line says so.
    LogCapture capture;
    EXCEPTION_POINTERS empty{nullptr, nullptr};
    EXPECT_EQ(CrashFilter(nullptr), EXCEPTION_EXECUTE_HANDLER);
    EXPECT_EQ(CrashFilter(&empty), EXCEPTION_EXECUTE_HANDLER);
    const std::pair<std::string, std::string> named{"FATAL", "程序异常终止（无异常记录）"};
    EXPECT_EQ(capture.records(), (std::vector<std::pair<std::string, std::string>>{named, named}));
}
