// Which addresses belong to the page: the view may only show the page's own
// documents, and only they may talk to the program. No operating system
// here, so the native build's sanitizers and fuzzers reach it.
#pragma once

#include <string>
#include <string_view>

// The part of an address that every one of the page's own addresses starts
// with: "https://<host>/" for the page's host name, or the file URL of the
// page's folder ending in "/" when the page was opened as a file.
class PageOrigin {
public:
    PageOrigin() = default;
    // pageAddress: the address the view was navigated to, for example
    // "https://tavolin.example/index.html" or "file:///C:/x/web/index.html".
    explicit PageOrigin(std::string_view pageAddress);

    // True when uri is one of the page's own addresses. Scheme and host are
    // compared without regard to case, as URLs do; a file folder too, as
    // Windows does. Anything with a user part, a port, "..", a backslash or
    // an encoded separator in its path is not the page's, however it reads.
    bool Contains(std::string_view uri) const;

    const std::string& prefix() const { return prefix_; }

private:
    std::string prefix_;  // lower-case; empty: nothing belongs
};
