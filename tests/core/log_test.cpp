#include "core/log.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

TEST(Log, RecordsNeverFailWithoutASinkOrWithAThrowingOne) {
    SetLogSink(nullptr);
    Log(kLogInfo, "nothing listens");
    LogF(kLogError, nullptr);
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
        SetLogSink([](const char*, const std::string&) {});
        SetLogSink(nullptr);
    }
    SetLogSink([&](const char*, const std::string& message) {
        if (message.compare(0, 7, "worker ") == 0) ++received;
    });
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (received < 100 && std::chrono::steady_clock::now() < end) std::this_thread::yield();
    stop = true;
    for (auto& writer : writers) writer.join();
    SetLogSink(nullptr);
    EXPECT_GE(received.load(), 100);  // whole records reach the sink installed last
}
