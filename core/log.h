// The log facility. The program itself sends records nowhere; a sink can be
// installed (tests use one to observe the records a behaviour produces).
#pragma once

#include <functional>
#include <string>

constexpr const char* kLogDebug = "DEBUG";
constexpr const char* kLogInfo = "INFO";
constexpr const char* kLogWarn = "WARN";
constexpr const char* kLogError = "ERROR";
constexpr const char* kLogFatal = "FATAL";

using LogSink = std::function<void(const char* level, const std::string& message)>;

// Installs the sink (an empty function removes it). Safe from any thread.
void SetLogSink(LogSink sink);

// Never fails and never throws. LogF only formats when a sink listens.
void Log(const char* level, const std::string& message);
void LogF(const char* level, const char* format, ...);
