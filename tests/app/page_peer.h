// The page, played by a test: the program runs with the stand-in browser
// runtime and no browser (TAVOLIN_WEBVIEW_BROWSER=none), and the test takes
// the page's place on the runtime's loopback bridge. It reads what the
// program posts to the page from the event stream and posts page messages
// the way the page's bridge does. Works for a program in this process and
// in another one alike.
#pragma once

#include <winsock2.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/json.h"

class PagePeer {
public:
    PagePeer();
    ~PagePeer();
    PagePeer(const PagePeer&) = delete;
    PagePeer& operator=(const PagePeer&) = delete;

    // Waits up to ms for the page address the runtime writes into the
    // browser's user-data folder, then opens the page's event stream.
    bool Attach(const std::string& userDataFolder, DWORD ms = 20000);
    // One page message, JSON text posted as the page posts it; false when
    // the bridge refused it.
    bool Send(const std::string& json);

    // Waits, dispatching this thread's messages, until the program has
    // posted a message with this "cmd" beyond the first `skip` of them;
    // its "data" goes to data.
    bool WaitFor(const std::string& cmd, JsonValue* data = nullptr, DWORD ms = 8000, int skip = 0);
    // The "data" of every message with this "cmd", in order.
    std::vector<JsonValue> All(const std::string& cmd) const;
    // The expressions the program asked the page to evaluate, in order.
    std::vector<std::string> Evaluations();

private:
    void ReadEvents(SOCKET stream);
    void TakeEvent(const std::string& block);
    // One plain request; the response body, or false.
    bool Request(const std::string& method, const std::string& path, const std::string& headers,
                 const std::string& body, std::string* response);

    int port_ = 0;
    std::string pagePath_;
    SOCKET stream_ = INVALID_SOCKET;
    std::thread reader_;
    mutable std::mutex lock_;
    std::vector<std::pair<std::string, JsonValue>> messages_;  // (cmd, data)
    std::vector<int> evaluationIds_;
    std::vector<std::string> evaluations_;
};
