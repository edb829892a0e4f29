// The program's command line: the data folder, an expression for the page,
// and whether to skip the single-instance check.
#pragma once

#include <string>
#include <vector>

struct CommandLineOptions {
    // "--data": names the data folder; only set when given with its folder.
    bool hasDataDir = false;
    std::string dataDir;
    // "--eval": evaluated in the page once, after it first reports ready.
    std::string evalExpression;
    // "--multi": no single-instance check at all.
    bool multi = false;
};

// args as the system split them (UTF-8), the program's own entry first; that
// one is skipped. Options match exactly and case-sensitively. An option
// whose argument is missing because it comes last is ignored, as is every
// entry that is no option.
CommandLineOptions ParseCommandLine(const std::vector<std::string>& args);
