// The page, played by a test, for a program run with the stand-in browser
// runtime and no browser (TAVOLIN_WEBVIEW_BROWSER=none for the whole test
// program): page messages go to the runtime's loopback bridge as the page's
// bridge posts them, for a program in this process or in another; what the
// program in this process posted to the page is read from the runtime's journal.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "core/json.h"
#include "support/test_support.h"

// The test program's own local application data folder, the scratch one of
// its whole run (the program unpacks its page there once per process, and
// programs the test starts inherit it); each object clears what would show a
// page peer the address of an earlier test's page.
class TestLocalAppData {
public:
    TestLocalAppData();
    // Where the program keeps the browser's data, which the page peer attaches to.
    std::string browserData() const;
};

class PagePeer {
public:
    // Waits up to ms for the page address the runtime writes into the
    // browser's user-data folder.
    bool Attach(const std::string& userDataFolder, DWORD ms = 20000);
    // One page message as JSON text; false when the bridge refused it.
    bool Send(const std::string& json);
    // The expression of the program's evaluation id (counted from 1), served
    // while the page has not answered; "" without one.
    std::string Evaluation(int id);

private:
    int port_ = 0;
    std::string root_;  // "/<token>": the runtime serves nothing outside it
};

// The "data" of every message with this "cmd" posted to the page since the
// last ForgetPosted(), in order.
std::vector<JsonValue> Posted(const std::string& cmd);
// Waits, dispatching this thread's messages, until more than `skip` such
// messages have been posted; the data of the one after them goes to data.
bool WaitForPosted(const std::string& cmd, JsonValue* data = nullptr, int skip = 0, DWORD ms = 8000);
void ForgetPosted();
