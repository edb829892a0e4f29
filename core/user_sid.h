// The string form ("S-1-5-21-...") of the user this process runs as; empty
// when the system does not say.
#pragma once

#include <string>

std::wstring CurrentUserSid();
