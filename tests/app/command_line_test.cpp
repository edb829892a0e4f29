#include "app/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// What a command line sets, in one line, so a table row reads whole.
std::string Describe(const CommandLineOptions& o) {
    return std::string(o.hasDataDir ? "data=" + o.dataDir : "no-data") + " eval=" + o.evalExpression +
           (o.multi ? " multi" : "");
}

}  // namespace

TEST(CommandLine, OptionsTheirArgumentsAndWhatIsIgnored) {
    const struct {
        std::vector<std::string> args;
        const char* want;
    } cases[] = {
        {{}, "no-data eval="},
        {{"tavolin.exe"}, "no-data eval="},
        // The program's own entry is never read as an option.
        {{"--multi"}, "no-data eval="},
        {{"tavolin.exe", "--data", "D:\\数据"}, "data=D:\\数据 eval="},
        {{"tavolin.exe", "--eval", "document.title"}, "no-data eval=document.title"},
        {{"tavolin.exe", "--multi"}, "no-data eval= multi"},
        {{"tavolin.exe", "--multi", "--data", "x", "--eval", "1+1"}, "data=x eval=1+1 multi"},
        // Last, without its argument: no effect.
        {{"tavolin.exe", "--data"}, "no-data eval="},
        {{"tavolin.exe", "--multi", "--eval"}, "no-data eval= multi"},
        // The argument is the next entry whatever it looks like.
        {{"tavolin.exe", "--data", "--multi"}, "data=--multi eval="},
        {{"tavolin.exe", "--eval", "--data", "x"}, "no-data eval=--data"},
        // The later of two wins.
        {{"tavolin.exe", "--data", "a", "--data", "b"}, "data=b eval="},
        // Exact and case-sensitive; everything else is ignored.
        {{"tavolin.exe", "--Data", "x", "-multi", "--multi=1", "/multi", "--eval=1"}, "no-data eval="},
        {{"tavolin.exe", "--data", ""}, "data= eval="},
    };
    for (const auto& c : cases) {
        std::string line;
        for (const std::string& a : c.args) line += "[" + a + "]";
        EXPECT_EQ(Describe(ParseCommandLine(c.args)), c.want) << line;
    }
}
