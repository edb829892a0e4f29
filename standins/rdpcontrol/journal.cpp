#include "standins/rdpcontrol/journal.h"

#include <cstdlib>
#include <map>

namespace {

enum class DescriptionKind { kDefault, kNull, kText };

// Everything below is reached from the tests' thread, the control's thread
// and connection workers; one lock keeps journal lines whole and in order.
struct TestState {
    SRWLOCK lock = SRWLOCK_INIT;
    std::string journal;
    std::map<std::string, long> options;
    DescriptionKind descriptionKind = DescriptionKind::kDefault;
    std::wstring description;
    bool environmentRead = false;
};

TestState g_state;

class StateLock {
public:
    StateLock() { AcquireSRWLockExclusive(&g_state.lock); }
    ~StateLock() { ReleaseSRWLockExclusive(&g_state.lock); }
    StateLock(const StateLock&) = delete;
    StateLock& operator=(const StateLock&) = delete;
};

// A program that loads the control through COM cannot be reached by the
// tests' calls: "TAVOLIN_RDP_STANDIN_OPTIONS" ("name=value,name=value")
// gives it its options from the start. Read once; a reset does not bring
// them back.
void ReadEnvironmentOptionsLocked() {
    if (g_state.environmentRead) return;
    g_state.environmentRead = true;
    char text[1024] = {};
    const DWORD length = GetEnvironmentVariableA("TAVOLIN_RDP_STANDIN_OPTIONS", text, sizeof(text));
    if (length == 0 || length >= sizeof(text)) return;
    std::string rest(text, length);
    while (!rest.empty()) {
        const size_t comma = rest.find(',');
        const std::string item = rest.substr(0, comma);
        rest = comma == std::string::npos ? std::string() : rest.substr(comma + 1);
        const size_t equals = item.find('=');
        if (equals == std::string::npos || equals == 0) continue;
        g_state.options[item.substr(0, equals)] = std::strtol(item.c_str() + equals + 1, nullptr, 0);
    }
}

long OptionLocked(const std::string& name) {
    ReadEnvironmentOptionsLocked();
    const auto found = g_state.options.find(name);
    return found == g_state.options.end() ? 0 : found->second;
}

}  // namespace

void Journal(const std::string& line) noexcept {
    try {
        StateLock lock;
        g_state.journal += line;
        g_state.journal += '\n';
    } catch (...) {
        // A line lost to a failed allocation is better than a crashed host.
    }
}

std::string JournalText() noexcept {
    try {
        StateLock lock;
        return g_state.journal;
    } catch (...) {
        return std::string();
    }
}

void ClearJournal() noexcept {
    StateLock lock;
    g_state.journal.clear();
}

long Option(const char* name) noexcept {
    if (name == nullptr) return 0;
    try {
        StateLock lock;
        return OptionLocked(name);
    } catch (...) {
        return 0;
    }
}

void SetOption(const char* name, long value) noexcept {
    if (name == nullptr) return;
    try {
        StateLock lock;
        ReadEnvironmentOptionsLocked();
        g_state.options[name] = value;
    } catch (...) {
    }
}

HRESULT FailureOption(const char* name) noexcept {
    return static_cast<HRESULT>(Option(name));
}

HRESULT TakeUpdateDisplayFailure() noexcept {
    try {
        StateLock lock;
        const HRESULT failure = static_cast<HRESULT>(OptionLocked("update_display_fail_hr"));
        if (failure == S_OK) return S_OK;
        const long times = OptionLocked("update_display_fail_times");
        if (times == 0) return failure;
        if (times < 0) return S_OK;
        // Down to -1 rather than 0, which would mean "every time" again.
        g_state.options["update_display_fail_times"] = times == 1 ? -1 : times - 1;
        return failure;
    } catch (...) {
        return S_OK;
    }
}

void SetErrorDescription(const wchar_t* text) noexcept {
    try {
        StateLock lock;
        g_state.descriptionKind = text == nullptr ? DescriptionKind::kNull : DescriptionKind::kText;
        g_state.description = text == nullptr ? std::wstring() : std::wstring(text);
    } catch (...) {
    }
}

bool ErrorDescription(long reason, long extended, std::wstring* text) noexcept {
    try {
        StateLock lock;
        switch (g_state.descriptionKind) {
            case DescriptionKind::kNull:
                text->clear();
                return false;
            case DescriptionKind::kText:
                *text = g_state.description;
                return true;
            case DescriptionKind::kDefault:
                break;
        }
        *text = L"Stand-in session ended (reason " + std::to_wstring(reason) + L", extended " +
                std::to_wstring(extended) + L")";
        return true;
    } catch (...) {
        text->clear();
        return false;
    }
}

void ResetTestState() noexcept {
    StateLock lock;
    g_state.environmentRead = true;
    g_state.journal.clear();
    g_state.options.clear();
    g_state.descriptionKind = DescriptionKind::kDefault;
    g_state.description.clear();
}
