// The texts the web host builds and reads: the envelope of a message to the
// page, the parameters and the logged result of an evaluation, and the
// address of the page when it is opened as a file. No operating system
// here, so the native build's sanitizers and fuzzers reach it.
#pragma once

#include <string>
#include <string_view>

// The page's own host name, served from the page folder by the runtime.
extern const char* const kPageHostName;

// {"cmd":"<cmd>","data":<dataJson>}; empty data is sent as null. The command
// goes in as it is: command names are plain identifiers.
std::string PostEnvelope(std::string_view cmd, std::string_view dataJson);

// {"expression":...,"returnByValue":true,"awaitPromise":true}, compact.
std::string EvalParameters(std::string_view expression);

// At most limit bytes of text, ending on a whole character, with "..."
// when anything was cut.
std::string CutForLog(std::string_view text, std::size_t limit);

struct EvalOutcome {
    bool threw = false;
    // The exception's text when threw, otherwise the value for the log.
    std::string text;
};
// Reads an evaluation result in the DevTools shape: a thrown exception, a
// value written as compact JSON, or else the raw text; line breaks become
// spaces so one result is one log line.
EvalOutcome DescribeEvalResult(std::string_view resultJson);

// "file:///C:/a%20b/index.html" for a Windows path, with every byte that
// may not stand in a URL path percent-encoded.
std::string FileUrl(std::string_view windowsPath);
