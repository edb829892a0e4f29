#include "support/test_support.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#ifdef _WIN32
#include <windows.h>
#endif

#include "core/log.h"
#ifdef _WIN32
#include "core/paths.h"
#endif
#include "core/random.h"
#include "core/text.h"

namespace fs = std::filesystem;

#ifdef _WIN32
namespace {

// The program unpacks its page into the local application data and keeps
// the browser's data there; a test program, and every tavolin.exe it
// starts, gets a scratch folder in its place, so that no run leaves a
// "Tavolin" folder in the user's own. The folder is beside the test program,
// named after it, rather than in the user's temporary folder: the unpacked
// loader stays loaded for the life of the process (WebViewLoader) and a
// browser may still be writing its profile as the program ends, so the
// removal at the end can fail; the program's next run clears it first.
class ScratchLocalAppData : public ::testing::Environment {
public:
    void SetUp() override {
        folder_ = fs::u8path(ExePath()).replace_extension().concat(L"-local-app-data");
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
        fs::create_directories(folder_);
        SetEnvironmentVariableW(L"LOCALAPPDATA", folder_.wstring().c_str());
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }

private:
    fs::path folder_;
};

::testing::Environment* const kScratchLocalAppData =
    ::testing::AddGlobalTestEnvironment(new ScratchLocalAppData);

}  // namespace
#endif

TempDir::TempDir() {
    const fs::path folder = fs::temp_directory_path() / fs::u8path("tavolin-test-" + RandomHex(8));
    fs::create_directories(folder);
    path_ = folder.u8string();
}

TempDir::~TempDir() {
    std::error_code ignored;
    fs::remove_all(fs::u8path(path_), ignored);
}

std::string TempDir::file(const std::string& name) const {
    return JoinPath(path_, name);
}

LogCapture::LogCapture() {
    SetLogSink([this](const char* level, const std::string& message) {
        std::lock_guard<std::mutex> lock(mutex_);
        records_.emplace_back(level, message);
    });
}

LogCapture::~LogCapture() {
    SetLogSink(nullptr);
}

std::vector<std::pair<std::string, std::string>> LogCapture::records() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return records_;
}

bool LogCapture::has(const std::string& level, const std::string& message) const {
    for (const auto& record : records()) {
        if (record.first == level && record.second == message) return true;
    }
    return false;
}

bool LogCapture::hasPrefix(const std::string& level, const std::string& prefix) const {
    for (const auto& record : records()) {
        if (record.first == level && record.second.compare(0, prefix.size(), prefix) == 0) return true;
    }
    return false;
}

bool IsServerId(const std::string& id) {
    return id.size() == 16 && id.find_first_not_of("0123456789abcdef") == std::string::npos;
}

std::string ReadRawFile(const std::string& path) {
    std::string native = path;
#ifndef _WIN32
    for (char& c : native) {
        if (c == '\\') c = '/';
    }
#endif
    std::ifstream in(fs::u8path(native), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string DescribeServer(const ServerRecord& s) {
    ServerRecord copy = s;
    copy.id.clear();
    const std::string fields = DescribeFields(copy, DescribedFields::kChanged);
    return fields + (fields.empty() ? "" : " ") + "plain=" + s.password;
}

std::string DescribeSettings(const AppConfig& c) {
    std::string out;
    const auto group = [&out](const char* name, const auto& record) {
        const std::string fields = DescribeFields(record, DescribedFields::kChanged);
        if (!fields.empty()) out += (out.empty() ? "" : " | ") + std::string(name) + ": " + fields;
    };
    group("ping", c.ping);
    group("security", c.security);
    group("ui", c.ui);
    group("defaults", c.defaults);
    group("display", c.display);
    group("sessions", c.sessions);
    return out;
}

::testing::AssertionResult SameServer(const ServerRecord& got, const ServerRecord& want) {
    const std::string a = DescribeServer(got);
    const std::string b = DescribeServer(want);
    if (a == b) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "\n got: " << a << "\nwant: " << b;
}
