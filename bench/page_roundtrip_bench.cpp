// The time one page message takes from the page through the web host and
// back to the page, with the stand-in browser runtime and headless
// Chromium, run under Wine. The page sends, the host's listener answers at
// once, the page times the answer; it reports the median of the runs.
#include <ole2.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "core/file_io.h"
#include "core/json.h"
#include "core/paths.h"
#include "core/text.h"
#include "webhost/webview_host.h"

namespace {

constexpr int kRuns = 1000;
constexpr int kQuickRuns = 50;

// Sends "ask" and waits for "answer" kRuns times (after a warm-up of 50),
// then sends {"median": ms, "mean": ms}.
const char kPage[] = R"(<!doctype html><html><head><meta charset="utf-8"></head><body><script>
const w = window.chrome.webview;
const runs = RUNS, warm = 50, times = [];
let sent = 0;
function ask() { sent = performance.now(); w.postMessage('ask'); }
w.addEventListener('message', () => {
  times.push(performance.now() - sent);
  if (times.length < runs + warm) { ask(); return; }
  const t = times.slice(warm).sort((a, b) => a - b);
  const mean = t.reduce((a, b) => a + b, 0) / t.length;
  w.postMessage(JSON.stringify({ median: t[t.length >> 1], mean: mean }));
});
ask();
</script></body></html>
)";

class Answerer : public WebViewHost::IListener {
public:
    explicit Answerer(WebViewHost* host) : host_(host) {}
    void onReady() override {}
    void onMessage(const std::string& text) override {
        if (text == "ask") {
            host_->post("answer", "");
            return;
        }
        result = text;
        PostQuitMessage(0);
    }
    void onError(const std::string& text) override {
        std::printf("the browser did not start: %s\n", text.c_str());
        PostQuitMessage(1);
    }
    void onRuntimeMissing() override { onError("no runtime"); }
    void onPageGone() override {}
    void onProcessFailed(bool) override {}
    std::string result;

private:
    WebViewHost* host_;
};

HWND MakeWindow() {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"TavolinBenchHost";
    RegisterClassExW(&wc);
    return CreateWindowExW(0, wc.lpszClassName, L"bench", WS_OVERLAPPEDWINDOW, 0, 0, 800, 600, nullptr,
                           nullptr, wc.hInstance, nullptr);
}

}  // namespace

// --quick: a few round trips, to see that it runs.
int main(int argc, char** argv) {
    const int runs = argc > 1 && std::string(argv[1]) == "--quick" ? kQuickRuns : kRuns;
    OleInitialize(nullptr);
    SetEnvironmentVariableW(L"TAVOLIN_WEBVIEW_BROWSER", L"headless");
    const std::string folder = JoinPath(ExeDir(), "page-roundtrip-bench");
    EnsureDir(JoinPath(folder, "web"));
    std::string page = kPage;
    page.replace(page.find("RUNS"), 4, std::to_string(runs));
    WriteWholeFile(JoinPath(folder, "web\\index.html"), page);

    WebViewHost host;
    Answerer answerer(&host);
    HWND window = MakeWindow();
    if (!host.create(window, JoinPath(folder, "web"), JoinPath(folder, "WebView2"), &answerer,
                     JoinPath(ExeDir(), "webview-standin"))) {
        return 1;
    }
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    JsonValue figures;
    if (ParseJson(answerer.result, &figures, nullptr)) {
        std::printf("page message round trip (page -> host -> page): median %.3f ms, mean %.3f ms over %d\n",
                    figures.find("median").asNumber(-1), figures.find("mean").asNumber(-1), runs);
    }
    host.close();
    DestroyWindow(window);
    OleUninitialize();
    return figures.isObject() ? 0 : 1;
}
