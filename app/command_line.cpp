#include "app/command_line.h"

CommandLineOptions ParseCommandLine(const std::vector<std::string>& args) {
    CommandLineOptions options;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasNext = i + 1 < args.size();
        if (arg == "--multi") {
            options.multi = true;
        } else if (arg == "--data" && hasNext) {
            options.hasDataDir = true;
            options.dataDir = args[++i];
        } else if (arg == "--eval" && hasNext) {
            options.evalExpression = args[++i];
        }
    }
    return options;
}
