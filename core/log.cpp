#include "core/log.h"

#include <cstdarg>
#include <memory>
#include <mutex>

#include "core/text.h"

namespace {

// The sink is swapped under the lock but called outside it, through a
// shared copy, so a sink may log or be replaced while records arrive.
std::mutex& SinkMutex() {
    static std::mutex mutex;
    return mutex;
}

std::shared_ptr<const LogSink>& SinkSlot() {
    static std::shared_ptr<const LogSink> slot;
    return slot;
}

std::shared_ptr<const LogSink> CurrentSink() {
    std::lock_guard<std::mutex> lock(SinkMutex());
    return SinkSlot();
}

void Deliver(const LogSink& sink, const char* level, const std::string& message) {
    try {
        sink(level != nullptr ? level : "", message);
    } catch (...) {
        // A record never fails and never throws, whatever the sink does.
    }
}

}  // namespace

void SetLogSink(LogSink sink) {
    std::shared_ptr<const LogSink> next;
    if (sink) next = std::make_shared<const LogSink>(std::move(sink));
    std::lock_guard<std::mutex> lock(SinkMutex());
    SinkSlot() = std::move(next);
}

void Log(const char* level, const std::string& message) {
    if (auto sink = CurrentSink()) Deliver(*sink, level, message);
}

void LogF(const char* level, const char* format, ...) {
    auto sink = CurrentSink();
    if (!sink) return;  // nobody listens: the text is never produced
    va_list args;
    va_start(args, format);
    std::string message = FormatV(format, args);
    va_end(args);
    Deliver(*sink, level, message);
}
