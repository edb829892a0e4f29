#include "webhost/page_origin.h"

#include <cctype>

namespace {

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

// Spellings by which a path could climb out of the page's folder or name
// another host once a browser has normalised it.
bool HasEscape(std::string_view path) {
    const std::string lower = Lower(path);
    for (const char* bad : {"..", "\\", "%2e", "%2f", "%5c", "%00"}) {
        if (lower.find(bad) != std::string::npos) return true;
    }
    return false;
}

}  // namespace

PageOrigin::PageOrigin(std::string_view pageAddress) {
    const std::size_t slash = pageAddress.rfind('/');
    const std::size_t scheme = pageAddress.find("://");
    // "scheme://host/..." at least; the prefix keeps the last "/".
    if (scheme == std::string_view::npos || slash == std::string_view::npos || slash < scheme + 3) return;
    const std::string prefix = Lower(pageAddress.substr(0, slash + 1));
    if (HasEscape(prefix.substr(scheme + 3))) return;
    prefix_ = prefix;
}

bool PageOrigin::Contains(std::string_view uri) const {
    if (prefix_.empty() || uri.size() < prefix_.size()) return false;
    if (Lower(uri.substr(0, prefix_.size())) != prefix_) return false;
    return !HasEscape(uri.substr(prefix_.size()));
}
