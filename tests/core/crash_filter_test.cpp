#include <gtest/gtest.h>

#include "core/crash_filter.h"
#include "support/test_support.h"

namespace {

EXCEPTION_RECORD MakeRecord(DWORD parameterCount) {
    EXCEPTION_RECORD record{};
    record.ExceptionCode = EXCEPTION_ACCESS_VIOLATION;
    record.ExceptionAddress = reinterpret_cast<PVOID>(static_cast<ULONG_PTR>(0x7FF612345678ull));
    record.NumberParameters = parameterCount;
    for (DWORD i = 0; i < parameterCount && i < EXCEPTION_MAXIMUM_PARAMETERS; ++i) {
        record.ExceptionInformation[i] = 0xA0 + i;
    }
    return record;
}

}  // namespace

TEST(CrashFilter, HeadLineThenAtMostFourParameterLines) {
    LogCapture capture;
    EXCEPTION_RECORD record = MakeRecord(6);
    CONTEXT context{};
    EXCEPTION_POINTERS pointers{&record, &context};
    EXPECT_EQ(CrashFilter(&pointers), EXCEPTION_EXECUTE_HANDLER);

    const auto records = capture.records();
    ASSERT_EQ(records.size(), 5u);
    for (const auto& r : records) EXPECT_EQ(r.first, "FATAL");
    EXPECT_EQ(records[0].second, "程序异常终止：code=0xC0000005 addr=00007FF612345678");
    EXPECT_EQ(records[1].second, "  参数[0]=0x00000000000000A0");
    EXPECT_EQ(records[4].second, "  参数[3]=0x00000000000000A3");
}

TEST(CrashFilter, NoParametersGiveOnlyTheHeadLine) {
    LogCapture capture;
    EXCEPTION_RECORD record = MakeRecord(0);
    EXCEPTION_POINTERS pointers{&record, nullptr};
    EXPECT_EQ(CrashFilter(&pointers), EXCEPTION_EXECUTE_HANDLER);
    ASSERT_EQ(capture.records().size(), 1u);
}

TEST(CrashFilter, MissingRecordIsNamed) {
    LogCapture capture;
    EXCEPTION_POINTERS empty{nullptr, nullptr};
    EXPECT_EQ(CrashFilter(nullptr), EXCEPTION_EXECUTE_HANDLER);
    EXPECT_EQ(CrashFilter(&empty), EXCEPTION_EXECUTE_HANDLER);
    const auto records = capture.records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].second, "程序异常终止（无异常记录）");
    EXPECT_EQ(records[1].second, "程序异常终止（无异常记录）");
}
