// The program's start and end as processes: tavolin.exe run the way a user
// runs it, with the stand-in browser runtime and the test in the page's
// place.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/page_peer.h"
#include "app/program_process.h"
#include "core/file_io.h"
#include "core/json.h"
#include "core/text.h"
#include "core/unicode.h"
#include "support/message_pump.h"
#include "support/test_support.h"

namespace {

JsonValue ReadConfig(const std::string& folder) {
    JsonValue config;
    std::string text;
    std::string error;
    if (!ReadWholeFile(JoinPath(folder, "config.json"), &text) || !ParseJson(text, &config, &error)) {
        return JsonValue();
    }
    return config;
}

std::string UiJson(int x, int y, int w, int h, bool maximized) {
    return Format(R"({"ui":{"x":%d,"y":%d,"w":%d,"h":%d,"maximized":%s}})", x, y, w, h,
                  maximized ? "true" : "false");
}

class Startup : public ::testing::Test {
protected:
    void SetUp() override {
        SetEnvironmentVariableW(L"TAVOLIN_WEBVIEW_BROWSER", L"none");
        data = root.file("data-given");
    }
    void TearDown() override { SetEnvironmentVariableW(L"TAVOLIN_WEBVIEW_BROWSER", nullptr); }

    void WriteConfig(const std::string& json) {
        EnsureDir(data);
        ASSERT_TRUE(WriteWholeFile(JoinPath(data, "config.json"), json));
    }
    // Asks twice, as a user who insists: the page is not there to answer.
    static int CloseTwice(ProgramProcess& program, HWND window) {
        PostMessageW(window, WM_CLOSE, 0, 0);
        PumpFor(300);
        PostMessageW(window, WM_CLOSE, 0, 0);
        return program.WaitForExit();
    }
    std::vector<std::string> Args() const { return {"--multi", "--data", data}; }

    TempDir root;
    std::string data;
    ProgramProcess program{root.path()};
};

}  // namespace

TEST_F(Startup, ASecondStartRaisesTheFirstWindowAndEndsUnlessMulti) {
    ASSERT_TRUE(program.Start({"--data", data}));
    HWND first = program.WaitForWindow();
    ASSERT_NE(first, nullptr);
    ShowWindow(first, SW_MINIMIZE);
    ASSERT_TRUE(PumpUntil([&] { return IsIconic(first) != FALSE; }));

    const std::string secondData = root.file("data-second");
    ProgramProcess second(root.path());
    ASSERT_TRUE(second.Start({"--data", secondData}));
    EXPECT_EQ(second.WaitForExit(), 0);
    EXPECT_FALSE(IsFile(JoinPath(secondData, "config.json")));  // it ended before reading anything
    EXPECT_TRUE(PumpUntil([&] { return IsIconic(first) == FALSE; }));

    ProgramProcess third(root.path());
    ASSERT_TRUE(third.Start({"--multi", "--data", root.file("data-third")}));
    HWND thirdWindow = third.WaitForWindow();
    ASSERT_NE(thirdWindow, nullptr);
    EXPECT_TRUE(program.running());
    EXPECT_EQ(CloseTwice(third, thirdWindow), 0);
    EXPECT_EQ(CloseTwice(program, first), 0);
}

TEST_F(Startup, TheDataFolderIsTheOneNamedOrTheOneBesideTheProgram) {
    ASSERT_TRUE(program.Start(Args()));
    HWND window = program.WaitForWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(CloseTwice(program, window), 0);
    EXPECT_TRUE(ReadConfig(data).isObject());

    const std::string beside = root.file("data");
    EXPECT_FALSE(IsFile(JoinPath(beside, "config.json")));
    ASSERT_TRUE(program.Start({"--multi", "--data"}));  // no folder after it: ignored
    window = program.WaitForWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(CloseTwice(program, window), 0);
    EXPECT_TRUE(ReadConfig(beside).isObject());
}

TEST_F(Startup, WhereTheWindowOpens) {
    const int sw = GetSystemMetrics(SM_CXSCREEN);
    const int sh = GetSystemMetrics(SM_CYSCREEN);
    const struct {
        const char* name;
        std::string config;
        int showCommand;
        RECT want;  // left, top, width, height; all 0 for maximized
    } cases[] = {
        {"never placed", "{}", SW_SHOWNORMAL, {(sw - 1180) / 2, (sh - 720) / 2, 1180, 720}},
        {"as saved", UiJson(100, 80, 1000, 650, false), SW_SHOWNORMAL, {100, 80, 1000, 650}},
        {"near the right edge",
         UiJson(sw - 150, 80, 1000, 650, false),
         SW_SHOWNORMAL,
         {(sw - 1000) / 2, (sh - 650) / 2, 1000, 650}},
        {"maximized, started minimized", UiJson(100, 80, 1000, 650, true), SW_SHOWMINNOACTIVE, {0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        WriteConfig(c.config);
        ASSERT_TRUE(program.Start(Args(), c.showCommand)) << c.name;
        HWND window = program.WaitForWindow();
        ASSERT_NE(window, nullptr) << c.name;
        if (c.want.right == 0) {
            EXPECT_TRUE(PumpUntil([&] { return IsZoomed(window) != FALSE; })) << c.name;
        } else {
            RECT got = {};
            GetWindowRect(window, &got);
            EXPECT_EQ(got.left, c.want.left) << c.name;
            EXPECT_EQ(got.top, c.want.top) << c.name;
            EXPECT_EQ(got.right - got.left, c.want.right) << c.name;
            EXPECT_EQ(got.bottom - got.top, c.want.bottom) << c.name;
        }
        EXPECT_EQ(CloseTwice(program, window), 0) << c.name;
    }
}

TEST_F(Startup, ClosingKeepsTheNormalPlaceAndWhetherMaximized) {
    WriteConfig(UiJson(100, 80, 1000, 650, false));
    ASSERT_TRUE(program.Start(Args()));
    HWND window = program.WaitForWindow();
    ASSERT_NE(window, nullptr);
    SetWindowPos(window, nullptr, 150, 120, 1040, 700, SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(CloseTwice(program, window), 0);
    const JsonValue& normal = ReadConfig(data).find("ui");
    EXPECT_EQ(ToJson(normal, -1),
              R"({"darkTheme":false,"x":150,"y":120,"w":1040,"h":700,"maximized":false})");

    ASSERT_TRUE(program.Start(Args()));
    window = program.WaitForWindow();
    ASSERT_NE(window, nullptr);
    ShowWindow(window, SW_MAXIMIZE);
    ASSERT_TRUE(PumpUntil([&] { return IsZoomed(window) != FALSE; }));
    EXPECT_EQ(CloseTwice(program, window), 0);
    const JsonValue& maximized = ReadConfig(data).find("ui");
    EXPECT_EQ(ToJson(maximized, -1),
              R"({"darkTheme":false,"x":150,"y":120,"w":1040,"h":700,"maximized":true})");
}

TEST_F(Startup, ThePageIsAskedBeforeClosingUnlessTheSystemIsEnding) {
    ASSERT_TRUE(program.Start(Args()));
    HWND window = program.WaitForWindow();
    ASSERT_NE(window, nullptr);
    PagePeer page;
    ASSERT_TRUE(page.Attach(JoinPath(data, "WebView2")));

    PostMessageW(window, WM_CLOSE, 0, 0);
    JsonValue asked;
    ASSERT_TRUE(page.WaitFor("confirmClose", &asked));
    EXPECT_EQ(ToJson(asked, -1), R"({"tabs":0,"connected":0})");
    ASSERT_TRUE(page.Send(R"({"cmd":"confirmClose","data":{"ok":false}})"));
    PumpFor(700);
    EXPECT_TRUE(program.running());
    // Cancelled: the next request asks again.
    PostMessageW(window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(page.WaitFor("confirmClose", nullptr, 8000, 1));
    ASSERT_TRUE(page.Send(R"({"cmd":"confirmClose","data":{"ok":true}})"));
    EXPECT_EQ(program.WaitForExit(), 0);

    // The next run's page lies at another address.
    DeleteFileW(ToWide(JoinPath(data, "WebView2\\standin-page-address.txt")).c_str());
    ASSERT_TRUE(program.Start(Args()));
    window = program.WaitForWindow();
    ASSERT_NE(window, nullptr);
    PagePeer ending;
    ASSERT_TRUE(ending.Attach(JoinPath(data, "WebView2")));
    DWORD_PTR answer = 0;
    ASSERT_TRUE(SendMessageTimeoutW(window, WM_QUERYENDSESSION, 0, 0, SMTO_BLOCK, 5000, &answer));
    EXPECT_EQ(answer, static_cast<DWORD_PTR>(TRUE));
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.WaitForExit(), 0);
    EXPECT_TRUE(ending.All("confirmClose").empty());
}

TEST_F(Startup, AKilledProgramLeavesAConfigurationThatLoadsWhole) {
    WriteConfig(
        R"({"servers":[{"id":"00000000000000a1","host":"10.0.0.1"},)"
        R"({"id":"00000000000000a2","host":"10.0.0.2"},{"id":"00000000000000a3","host":"10.0.0.3"}]})");
    ASSERT_TRUE(program.Start(Args()));
    ASSERT_NE(program.WaitForWindow(), nullptr);
    PagePeer page;
    ASSERT_TRUE(page.Attach(JoinPath(data, "WebView2")));
    ASSERT_TRUE(page.Send(R"({"cmd":"addServer","data":{"host":"10.9.8.7"}})"));
    ASSERT_TRUE(page.WaitFor("toast"));
    // Killed while it saves one change after another.
    for (int i = 0; i < 40; ++i) {
        page.Send(Format(R"({"cmd":"addServer","data":{"host":"10.8.0.%d","remark":"第%d台"}})", i, i));
    }
    program.Kill();

    const JsonValue servers = ReadConfig(data).find("servers");
    ASSERT_TRUE(servers.isArray());
    ASSERT_GE(servers.size(), 4u);
    EXPECT_EQ(servers.at(0).getString("id", ""), "00000000000000a1");
    EXPECT_EQ(servers.at(2).getString("id", ""), "00000000000000a3");
    EXPECT_EQ(servers.at(3).getString("host", ""), "10.9.8.7");
    for (std::size_t i = 4; i < servers.size(); ++i) {
        EXPECT_EQ(servers.at(i).getString("host", ""), Format("10.8.0.%d", static_cast<int>(i - 4)));
    }
}

TEST_F(Startup, ARefusedPasswordEndsTheProgramWithNothingSaved) {
    const std::string config =
        R"({"security":{"enabled":true,"salt":"00112233445566778899aabbccddeeff","hash":"ab"},)"
        R"("servers":[{"id":"00000000000000b1","host":"10.0.0.9"}]})";
    WriteConfig(config);
    ASSERT_TRUE(program.Start(Args()));
    HWND dialog = nullptr;
    ASSERT_TRUE(
        PumpUntil([&] { return (dialog = FindWindowW(L"TavolinPasswordDlg", nullptr)) != nullptr; }, 20000));
    PostMessageW(dialog, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.WaitForExit(), 0);
    EXPECT_EQ(ReadRawFile(JoinPath(data, "config.json")), config);
}
