#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

#include "core/log.h"
#include "support/test_support.h"

TEST(Log, WithoutSinkRecordsGoNowhereAndNeverFail) {
    SetLogSink(nullptr);
    Log(kLogInfo, "nothing listens");
    LogF(kLogError, "%s %d", "still", 1);
    LogF(kLogError, nullptr);
}

TEST(Log, SinkReceivesLevelAndFormattedMessage) {
    LogCapture capture;
    Log(kLogInfo, "配置已加载");
    LogF(kLogWarn, "%d 台服务器，密码保护=%s", 3, "开");
    const auto records = capture.records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].first, "INFO");
    EXPECT_EQ(records[0].second, "配置已加载");
    EXPECT_EQ(records[1].first, "WARN");
    EXPECT_EQ(records[1].second, "3 台服务器，密码保护=开");
}

TEST(Log, ThrowingSinkDoesNotReachTheCaller) {
    SetLogSink([](const char*, const std::string&) { throw std::runtime_error("sink broke"); });
    EXPECT_NO_THROW(Log(kLogError, "x"));
    EXPECT_NO_THROW(LogF(kLogError, "%s", "y"));
    SetLogSink(nullptr);
}

TEST(Log, ManyThreadsLogWhileTheSinkChanges) {
    std::atomic<int> received{0};
    std::atomic<bool> stop{false};
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t) {
        writers.emplace_back([&, t] {
            while (!stop) LogF(kLogDebug, "worker %d", t);
        });
    }
    for (int i = 0; i < 200; ++i) {
        SetLogSink([&](const char*, const std::string& message) {
            if (message.compare(0, 7, "worker ") == 0) ++received;
        });
        SetLogSink(nullptr);
    }
    SetLogSink([&](const char*, const std::string&) { ++received; });
    while (received < 100) std::this_thread::yield();
    stop = true;
    for (auto& writer : writers) writer.join();
    SetLogSink(nullptr);
    EXPECT_GE(received.load(), 100);
}
