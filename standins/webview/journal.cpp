#include "standins/webview/journal.h"

#include <windows.h>

#include <mutex>

#include "standins/webview/text.h"

namespace {

std::mutex g_lock;
std::string g_journal;

}  // namespace

void Journal(const std::string& line) noexcept {
    try {
        std::lock_guard<std::mutex> hold(g_lock);
        g_journal += line;
        g_journal += '\n';
    } catch (...) {
        // A line lost to a failed allocation is better than a crashed host.
    }
}

std::string JournalText() noexcept {
    try {
        std::lock_guard<std::mutex> hold(g_lock);
        return g_journal;
    } catch (...) {
        return std::string();
    }
}

void ClearJournal() noexcept {
    std::lock_guard<std::mutex> hold(g_lock);
    g_journal.clear();
}

std::string EnvironmentText(const wchar_t* name) noexcept {
    try {
        const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
        if (size == 0) return std::string();
        std::wstring value(size, L'\0');
        const DWORD length = GetEnvironmentVariableW(name, &value[0], size);
        if (length == 0 || length >= size) return std::string();
        value.resize(length);
        return Utf8(value);
    } catch (...) {
        return std::string();
    }
}

bool ParseMilliseconds(const std::string& text, unsigned* milliseconds) noexcept {
    constexpr unsigned kMost = 10 * 60 * 1000;
    if (text.empty() || text.size() > 6 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    const unsigned value = static_cast<unsigned>(std::stoul(text));
    if (value > kMost) return false;
    *milliseconds = value;
    return true;
}

bool FailureRequested(const char* name) noexcept {
    const std::string list = EnvironmentText(L"TAVOLIN_WEBVIEW_FAIL");
    const std::string wanted = name;
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(',', start);
        if (end == std::string::npos) end = list.size();
        size_t first = start;
        size_t last = end;
        while (first < last && list[first] == ' ') ++first;
        while (last > first && list[last - 1] == ' ') --last;
        if (list.compare(first, last - first, wanted) == 0) return true;
        start = end + 1;
    }
    return false;
}
