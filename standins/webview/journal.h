// The process-wide record of calls, and the test switches read from the
// environment. Any thread may use them; none of these throw.
#pragma once

#include <string>

void Journal(const std::string& line) noexcept;
std::string JournalText() noexcept;
void ClearJournal() noexcept;

// A process environment variable in UTF-8, "" when unset.
std::string EnvironmentText(const wchar_t* name) noexcept;

// A test switch's milliseconds: digits only, at most ten minutes; false for
// anything else, which the switches then ignore.
bool ParseMilliseconds(const std::string& text, unsigned* milliseconds) noexcept;

// True when TAVOLIN_WEBVIEW_FAIL names this failure. Read at every call, so
// a test can change it between calls.
bool FailureRequested(const char* name) noexcept;
