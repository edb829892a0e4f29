// Which addresses count as the page's own, and how a failing browser process
// is answered: the two rules that keep the view on the page.
#include <gtest/gtest.h>

#include "webhost/page_origin.h"
#include "webhost/process_failure_policy.h"

namespace {

struct OriginCase {
    const char* page;
    const char* uri;
    bool own;
};

}  // namespace

TEST(PageOrigin, OnlyThePagesOwnAddressesBelongToIt) {
    const char* https = "https://tavolin.example/index.html";
    const char* file = "file:///C:/Users/a%20b/res/0123/web/index.html";
    const OriginCase cases[] = {
        {https, "https://tavolin.example/index.html", true},
        {https, "https://tavolin.example/index.html?x=1#top", true},
        {https, "HTTPS://Tavolin.Example/style.css", true},
        {https, "http://tavolin.example/index.html", false},
        {https, "https://tavolin.example.evil.com/index.html", false},
        {https, "https://tavolin.example:444/index.html", false},
        {https, "https://tavolin.example@evil.com/", false},
        {https, "https://evil.com/https://tavolin.example/", false},
        {https, "https://tavolin.example", false},
        {https, "https://tavolin.example/../x", false},
        {https, "https://tavolin.example/%2e%2e/x", false},
        {https, "file:///C:/Windows/win.ini", false},
        {https, "about:blank", false},
        {https, "", false},
        // Opened as a file: the page's folder and nothing outside it.
        {file, "file:///C:/Users/a%20b/res/0123/web/index.html", true},
        {file, "file:///c:/users/A%20B/res/0123/web/app.js", true},
        {file, "file:///C:/Users/a%20b/res/0123/web/..%5Cconfig.json", false},
        {file, "file:///C:/Users/a%20b/res/0123/web/../../secret.txt", false},
        {file, "file:///C:/Users/a%20b/res/0123/config.json", false},
        {file, "file:///C:/Users/a%20b/res/0123/web2/index.html", false},
        // An address that names no folder gives an origin nothing belongs to.
        {"index.html", "index.html", false},
        {"", "", false},
    };
    for (const OriginCase& c : cases) {
        EXPECT_EQ(PageOrigin(c.page).Contains(c.uri), c.own) << c.page << " / " << c.uri;
    }
}

TEST(ProcessFailurePolicy, RecoversOnceThenGivesUpOnceUntilAMinuteHasPassed) {
    struct Step {
        int kind;
        std::int64_t at;
        RecoveryAction action;
    };
    const std::int64_t window = ProcessFailurePolicy::kRepeatWindowMs;
    const Step steps[] = {
        {6, 0, RecoveryAction::kNone},  // the GPU process: the runtime brings it back
        {3, 0, RecoveryAction::kNone},  // a subframe's renderer
        {0, 1000, RecoveryAction::kRecreate},
        {1, 1000 + window, RecoveryAction::kReload},  // long enough after: recovered again
        {2, 2000 + window, RecoveryAction::kGiveUp},
        {2, 3000 + window, RecoveryAction::kNone},  // told once
        {0, 100 * window, RecoveryAction::kNone},
    };
    ProcessFailurePolicy policy;
    for (const Step& s : steps) {
        EXPECT_EQ(policy.Decide(s.kind, s.at), s.action) << "kind " << s.kind << " at " << s.at;
    }
}
