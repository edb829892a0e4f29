// The process-wide record of calls and the options a test sets. Any thread
// may use them (the connection worker journals too); none of these throw.
#pragma once

#include <windows.h>

#include <string>

void Journal(const std::string& line) noexcept;
std::string JournalText() noexcept;
void ClearJournal() noexcept;

long Option(const char* name) noexcept;
void SetOption(const char* name, long value) noexcept;
// Options named "<call>_fail_hr": the HRESULT to fail that call with, or
// S_OK.
HRESULT FailureOption(const char* name) noexcept;
// The failure "update_display_fail_hr" asks for while the count
// "update_display_fail_times" lasts (0: every time); S_OK when none is due.
// Each failure handed out uses one of the count.
HRESULT TakeUpdateDisplayFailure() noexcept;

// What "GetErrorDescription" answers. Until a test sets a text (or null)
// after a reset, a sentence naming both reasons, so a preview has something
// to show.
void SetErrorDescription(const wchar_t* text) noexcept;
// False when the answer is a null BSTR.
bool ErrorDescription(long reason, long extended, std::wstring* text) noexcept;

// Options, the journal and the error description back to their first state.
void ResetTestState() noexcept;
