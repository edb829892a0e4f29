#include "webhost/webview_test_support.h"

#include <gtest/gtest.h>
#include <ole2.h>

#include <algorithm>

#include "core/file_io.h"
#include "core/paths.h"
#include "core/text.h"
#include "core/unicode.h"
#include "standins/webview/standin_webview.h"

namespace {

// The host lives on a single-threaded apartment, as the program's
// user-interface thread does.
class OleApartment : public ::testing::Environment {
public:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr))); }
    void TearDown() override { OleUninitialize(); }
};

::testing::Environment* const g_oleApartment = ::testing::AddGlobalTestEnvironment(new OleApartment);

// Answers the host: "echo" sends the data back inside {"echo":...}, "text"
// posts the data as it is, "object" posts something that is not a string,
// "huge" posts a text of that many bytes; every load says "hello".
const char kTestPage[] = R"(<!doctype html>
<html><head><meta charset="utf-8"><title>host test</title></head><body><script>
const w = window.chrome.webview;
w.addEventListener('message', (e) => {
  const m = e.data;
  if (m.cmd === 'echo') w.postMessage(JSON.stringify({ echo: m.data }));
  else if (m.cmd === 'text') w.postMessage(m.data);
  else if (m.cmd === 'object') w.postMessage({ not: 'a string' });
  else if (m.cmd === 'huge') w.postMessage('x'.repeat(m.data));
});
w.postMessage('hello');
</script></body></html>
)";

template <typename Fn>
Fn Export(HMODULE module, const char* name) {
    return module == nullptr ? nullptr
                             : reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

std::string StandinRuntimeFolder() {
    return JoinPath(ExeDir(), "..\\webview-standin");
}

StandinRuntime::StandinRuntime() {
    module_ = LoadLibraryW(ToWide(JoinPath(StandinRuntimeFolder(), "WebView2Loader.dll")).c_str());
}

StandinRuntime::~StandinRuntime() {
    if (module_ != nullptr) FreeLibrary(module_);
}

long StandinRuntime::LiveObjects() const {
    const auto live = Export<StandinLiveObjectsFn>(module_, "StandinLiveObjects");
    return live != nullptr ? live() : -1;
}

std::vector<std::string> StandinRuntime::Journal() const {
    const auto read = Export<StandinJournalFn>(module_, "StandinJournal");
    if (read == nullptr) return {};
    std::string text(static_cast<std::size_t>(read(nullptr, 0)) + 1, '\0');
    text.resize(static_cast<std::size_t>(read(&text[0], static_cast<int>(text.size()))));
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

void StandinRuntime::ClearJournal() const {
    if (const auto reset = Export<StandinResetFn>(module_, "StandinReset")) reset();
}

bool StandinRuntime::Journaled(const std::string& prefix) const {
    const std::vector<std::string> lines = Journal();
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& line) { return line.rfind(prefix, 0) == 0; });
}

ScopedEnv::ScopedEnv(const char* name, const char* value) : name_(ToWide(name)) {
    SetEnvironmentVariableW(name_.c_str(), ToWide(value).c_str());
}

ScopedEnv::~ScopedEnv() {
    SetEnvironmentVariableW(name_.c_str(), nullptr);
}

bool RecordingListener::received(const std::string& text) const {
    return std::find(messages.begin(), messages.end(), text) != messages.end();
}

HostWindow::HostWindow(int width, int height) {
    static const ATOM windowClass = [] {
        WNDCLASSEXW wc = {};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &WindowProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"TavolinTestHost";
        return RegisterClassExW(&wc);
    }();
    RECT rect = {0, 0, width, height};
    AdjustWindowRect(&rect, WS_OVERLAPPEDWINDOW, FALSE);
    window_ = CreateWindowExW(0, reinterpret_cast<LPCWSTR>(static_cast<ULONG_PTR>(windowClass)), L"host test",
                              WS_OVERLAPPEDWINDOW, 40, 40, rect.right - rect.left, rect.bottom - rect.top,
                              nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

HostWindow::~HostWindow() {
    if (window_ != nullptr) DestroyWindow(window_);
}

void HostFixture::SetUp() {
    ASSERT_TRUE(runtime.ok()) << StandinRuntimeFolder();
    runtime.ClearJournal();
    ASSERT_TRUE(EnsureDir(folders.file("web")));
    ASSERT_TRUE(WriteWholeFile(JoinPath(folders.file("web"), "index.html"), kTestPage));
}

void HostFixture::TearDown() {
    host.close();
    // The runtime lets go of its objects as its queued work drains.
    EXPECT_TRUE(PumpUntil([&] { return runtime.LiveObjects() == 0; }, 5000)) << runtime.LiveObjects();
}

bool HostFixture::Create() {
    return host.create(window.get(), folders.file("web"), folders.file("data\\WebView2"), &listener,
                       StandinRuntimeFolder());
}
