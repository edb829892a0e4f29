// The texts the web host sends to the page and writes to the log.
#include "webhost/webview_text.h"

#include <gtest/gtest.h>

// Where the cut falls is CutUtf8's (core/text_test.cpp).
TEST(WebViewText, CutForLogMarksACutText) {
    struct Case {
        std::string text;
        std::size_t limit;
        std::string want;
    };
    const Case cases[] = {
        {"abc", 3, "abc"},
        {"ab中x", 5, "ab中..."},
    };
    for (const Case& c : cases) EXPECT_EQ(CutForLog(c.text, c.limit), c.want) << c.text.size();
}

TEST(WebViewText, EvalResultsInTheDevToolsShape) {
    struct Case {
        const char* json;
        bool threw;
        const char* text;
    };
    const Case cases[] = {
        {R"({"result":{"type":"number","value":3,"description":"3"}})", false, "3"},
        {R"({"result":{"type":"object","value":{"a":[1,"x\ny"]}}})", false, R"({"a":[1,"x\ny"]})"},
        {R"({"result":{"type":"object","value":null}})", false, "null"},
        // No value (undefined): the raw text, on one line.
        {"{\"result\":{\"type\":\"undefined\"}}\r\n", false, "{\"result\":{\"type\":\"undefined\"}}  "},
        {R"({"result":{"type":"object"},"exceptionDetails":{"text":"Uncaught","lineNumber":0}})", true,
         "Uncaught"},
        {R"({"exceptionDetails":{}})", true, "?"},
        {"not json\nat all", false, "not json at all"},
        {"", false, ""},
    };
    for (const Case& c : cases) {
        const EvalOutcome got = DescribeEvalResult(c.json);
        EXPECT_EQ(got.threw, c.threw) << c.json;
        EXPECT_EQ(got.text, c.text) << c.json;
    }
}

TEST(WebViewText, FileUrlEncodesWhatAUrlPathCannotHold) {
    EXPECT_EQ(FileUrl(R"(C:\Tavolin\web\index.html)"), "file:///C:/Tavolin/web/index.html");
    EXPECT_EQ(FileUrl(R"(C:\My Files\#1 100%\张\index.html)"),
              "file:///C:/My%20Files/%231%20100%25/%E5%BC%A0/index.html");
}
