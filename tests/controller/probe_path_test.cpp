// Results from worker threads reach the page through the main window's
// queue; objects posted with a message are freed whatever happens to it.
#include <gtest/gtest.h>

#include <thread>

#include "controller/export_path.h"
#include "controller/host_environment.h"
#include "controller/main_window_messages.h"
#include "controller/probe_results.h"
#include "controller/tab_test_support.h"
#include "core/posted_object.h"

namespace {

struct Counted {
    explicit Counted(int* alive) : alive_(alive) { ++*alive_; }
    ~Counted() { --*alive_; }
    int* alive_;
};

class ProbePath : public ::testing::Test {
protected:
    ProbePath() {
        window.handler = [this](UINT message, WPARAM, LPARAM lParam) {
            if (message != WM_APP_PROBE_RESULT) return false;
            OnProbeResultMessage(controller, lParam);
            return true;
        };
    }
    TestMainWindow window;
    AppConfig config;
    RecordingPage page;
    FakeTabs tabs;
    FakeWindow mainWindow;
    FakeProbes probes;
    FakePassword password;
    FakeEnvironment environment;
    Controller controller{config, ControllerPorts{page, tabs, mainWindow, probes, password, environment}};
};

}  // namespace

TEST_F(ProbePath, AWorkersResultBecomesAPingOnTheInterfaceThread) {
    ProbeResultTarget target;
    ProbeResult result;
    result.id = "s1";
    result.netState = NetState::Refused;
    result.rtt = -1;
    result.netDetail = "端口拒绝连接";
    // Before the window exists the result is dropped.
    std::thread([&] { PostProbeResult(result, &target); }).join();
    target.window = window.get();
    std::thread([&] { PostProbeResult(result, &target); }).join();
    ASSERT_TRUE(PumpUntil([&] { return !page.data("ping").empty(); }));
    PumpFor(50);
    EXPECT_EQ(page.data("ping"),
              (std::vector<std::string>{
                  "{\"id\":\"s1\",\"state\":2,\"rtt\":-1,\"ip\":\"\",\"detail\":\"端口拒绝连接\"}"}));
    EXPECT_EQ(controller.probeResults().at("s1").netState, 2);
    OnProbeResultMessage(controller, 0);  // a null result is ignored
    EXPECT_EQ(page.data("ping").size(), 1u);
}

TEST(PostedObject, TheReceiverOrTheSenderFreesItExactlyOnce) {
    int alive = 0;
    EXPECT_FALSE(PostOwned(nullptr, WM_APP_CLOSE_TAB, std::make_unique<Counted>(&alive)));
    EXPECT_EQ(alive, 0);
    TestMainWindow window;
    LPARAM received = 0;
    window.handler = [&](UINT message, WPARAM, LPARAM lParam) {
        if (message != WM_APP + 20) return false;
        received = lParam;
        AdoptPosted<Counted>(lParam);
        return true;
    };
    ASSERT_TRUE(PostOwned(window.get(), WM_APP + 20, std::make_unique<Counted>(&alive)));
    EXPECT_EQ(alive, 1);  // in flight: owned by the queue's message
    ASSERT_TRUE(PumpUntil([&] { return received != 0; }));
    EXPECT_EQ(alive, 0);
    const HWND gone = CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 1, 1, SharedTopLevel(), nullptr,
                                      GetModuleHandleW(nullptr), nullptr);
    DestroyWindow(gone);
    EXPECT_FALSE(PostOwned(gone, WM_APP + 20, std::make_unique<Counted>(&alive)));
    EXPECT_EQ(alive, 0);
}

TEST(HostEnvironmentTest, DetectionResultAndFullPaths) {
    HostEnvironment environment;
    EXPECT_FALSE(environment.RdpControl().available);
    std::thread([&] { environment.SetRdpControl(true, "MsTscAx.MsTscAx.10"); }).join();
    EXPECT_TRUE(environment.RdpControl().available);
    EXPECT_EQ(environment.RdpControl().progId, "MsTscAx.MsTscAx.10");

    TempDir dir;
    const std::string want = dir.file("x.csv");
    EXPECT_EQ(PathCompareKey(environment.FullPath(dir.path() + "\\sub\\..\\x.csv. ")), PathCompareKey(want));
    EXPECT_EQ(PathCompareKey(environment.FullPath(dir.path() + "/./x.csv")), PathCompareKey(want));
}
