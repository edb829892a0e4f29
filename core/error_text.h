#pragma once

#include <string>

// "(code) system text" for a Windows error code; 0 means the calling
// thread's last error. The text is empty when the system has none.
std::string ErrorText(unsigned long code);
