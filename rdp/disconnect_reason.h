// Texts for the disconnect reason codes of the RDP control. The lookup and
// the clean-up of the control's own descriptions need no operating system;
// asking the control is the session's part.
#pragma once

#include <string>
#include <string_view>

// The text of a reason code the program knows, or nullptr.
const char* KnownDisconnectReasonText(int reason);

// "断开（原因码 N）": what the user sees when no better text exists.
std::string FallbackDisconnectReasonText(int reason);

// Makes the control's description (UTF-8) fit a toast: line breaks and tabs
// become blanks, trailing blanks go, long texts are cut to 87 bytes at a
// whole character plus "...". Returns "" when the description is unusable
// (empty, or only the words "internal error", which tell the user nothing).
std::string CleanErrorDescription(std::string_view description);
