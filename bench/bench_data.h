// Deterministic test data shared by the benchmarks: a store of many varied
// servers and its config.json text.
#pragma once

#include <string>

#include "config/app_config.h"

// serverCount realistic, varied records; the same count always gives the
// same store.
AppConfig MakeBenchConfig(int serverCount);

// config.json's text for MakeBenchConfig(serverCount), as SaveConfig lays it
// out (indent 2, final line feed).
std::string MakeBenchConfigText(int serverCount);
