// The program's start and end as processes: a copy of the built tavolin.exe
// in a folder of the test's (its "data" folder beside it is the test's too),
// run the way a user runs it, with the stand-in browser runtime and, where
// a page must answer, the test in the page's place.
#include <windows.h>
// aclapi.h and sddl.h need the types of windows.h first.
#include <aclapi.h>
#include <gtest/gtest.h>
#include <sddl.h>

#include <string>
#include <vector>

#include "app/main_window_messages.h"
#include "app/page_peer.h"
#include "app/single_instance.h"
#include "core/file_io.h"
#include "core/json.h"
#include "core/paths.h"
#include "core/text.h"
#include "core/unicode.h"
#include "core/win_handle.h"
#include "support/message_pump.h"
#include "support/test_support.h"

namespace {

class ProgramProcess {
public:
    explicit ProgramProcess(const std::string& folder) : exe_(JoinPath(folder, "tavolin.exe")) {
        const std::string built = JoinPath(JoinPath(ExeDir(), ".."), "tavolin.exe");
        CopyFileW(ToWide(built).c_str(), ToWide(exe_).c_str(), TRUE);
    }
    ~ProgramProcess() { Kill(); }

    // Started with these arguments, none of which holds a quote.
    bool Start(const std::vector<std::string>& args, int showCommand = SW_SHOWNORMAL) {
        std::wstring line = L"\"" + ToWide(exe_) + L"\"";
        for (const std::string& arg : args) line += L" \"" + ToWide(arg) + L"\"";
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = static_cast<WORD>(showCommand);
        PROCESS_INFORMATION info = {};
        if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                            &info)) {
            return false;
        }
        CloseHandle(info.hThread);
        process_ = UniqueHandle(info.hProcess);
        id_ = info.dwProcessId;
        return true;
    }
    // Started, and its visible main window once it shows; null without one.
    HWND Open(const std::vector<std::string>& args, int showCommand = SW_SHOWNORMAL) {
        HWND window = nullptr;
        if (Start(args, showCommand)) {
            PumpUntil([&] { return (window = VisibleWindow(L"TavolinMainWindow")) != nullptr || !running(); },
                      20000);
        }
        return window;
    }
    // The exit code; -1 while it still runs after ms.
    int WaitForExit(DWORD ms = 20000) {
        DWORD code = 0;
        if (!PumpUntil([&] { return !running(); }, ms) || !GetExitCodeProcess(process_.get(), &code)) {
            return -1;
        }
        return static_cast<int>(code);
    }
    // Asks twice, as a user who insists: the page is not there to answer.
    int CloseTwice(HWND window) {
        PostMessageW(window, WM_CLOSE, 0, 0);
        PumpFor(300);
        PostMessageW(window, WM_CLOSE, 0, 0);
        return WaitForExit();
    }
    // As the task manager ends a process: no chance to save anything.
    void Kill() {
        if (!running()) return;
        TerminateProcess(process_.get(), 9);
        WaitForSingleObject(process_.get(), 10000);
    }
    bool running() const {
        return process_.valid() && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
    }
    // The process's visible top-level window of this class (a message box is
    // "#32770"); null until one shows.
    HWND VisibleWindow(const wchar_t* windowClass) const {
        HWND window = nullptr;
        while ((window = FindWindowExW(nullptr, window, windowClass, nullptr)) != nullptr) {
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == id_ && IsWindowVisible(window)) return window;
        }
        return nullptr;
    }

private:
    std::string exe_;
    UniqueHandle process_;
    DWORD id_ = 0;
};

JsonValue ReadConfig(const std::string& folder) {
    JsonValue config;
    std::string text, error;
    if (!ReadWholeFile(JoinPath(folder, "config.json"), &text) || !ParseJson(text, &config, &error)) {
        return {};
    }
    return config;
}

std::string Ui(int x, int y, int w, int h, bool maximized) {
    return Format(R"({"darkTheme":false,"x":%d,"y":%d,"w":%d,"h":%d,"maximized":%s})", x, y, w, h,
                  maximized ? "true" : "false");
}

class Startup : public ::testing::Test {
protected:
    void WriteConfig(const std::string& json) {
        EnsureDir(data);
        ASSERT_TRUE(WriteWholeFile(JoinPath(data, "config.json"), json));
    }
    std::vector<std::string> Args() const { return {"--multi", "--data", data}; }

    TempDir root;
    TestLocalAppData local;
    std::string data = root.file("data-given");
    ProgramProcess program{root.path()};
};

}  // namespace

// One program per user and session, unless "--multi": the guard's names
// carry the user, only that user may open them, a second start in this
// session ends before reading anything (that it raises the first window is
// the end-to-end suite's), and a start while the same user's program runs
// in another session says so and ends (simulated: that session's global
// name exists, this session's does not).
TEST_F(Startup, OneProgramPerUserAndSessionUnlessMulti) {
    const std::wstring local = InstanceMutexName(false), global = InstanceMutexName(true);
    ASSERT_EQ(local.rfind(L"Local\\Tavolin-S-1-", 0), 0u);
    EXPECT_EQ(global, L"Global\\" + local.substr(6));
    HWND first = program.Open({"--data", data});
    ASSERT_NE(first, nullptr);
    UniqueHandle held(OpenMutexW(READ_CONTROL, FALSE, local.c_str()));
    ASSERT_TRUE(held.valid());
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_EQ(GetSecurityInfo(held.get(), SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                              &dacl, nullptr, &descriptor),
              static_cast<DWORD>(ERROR_SUCCESS));
    ASSERT_NE(dacl, nullptr);
    EXPECT_EQ(dacl->AceCount, 1);
    LPWSTR grantee = nullptr;
    ACCESS_ALLOWED_ACE* ace = nullptr;
    if (GetAce(dacl, 0, reinterpret_cast<void**>(&ace)) &&
        ConvertSidToStringSidW(reinterpret_cast<PSID>(&ace->SidStart), &grantee)) {
        EXPECT_EQ(std::wstring(L"Local\\Tavolin-") + grantee, local);
        LocalFree(grantee);
    } else {
        ADD_FAILURE() << "the mutex grants no one";
    }
    LocalFree(descriptor);
    held.reset();
    // A second start in this session brings the first forward and leaves
    // its full screen (entered from maximized) as it is.
    ShowWindow(first, SW_MAXIMIZE);
    ASSERT_TRUE(PumpUntil([&] { return IsZoomed(first) != FALSE; }));
    PostMessageW(first, WM_APP_TOGGLE_FULLSCREEN, 0, 0);
    // Full once the window covers the screen: its style changes before it moves.
    const RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    RECT full = {};
    ASSERT_TRUE(PumpUntil([&] {
        GetWindowRect(first, &full);
        return (GetWindowLongW(first, GWL_STYLE) & WS_CAPTION) == 0 && EqualRect(&full, &screen);
    }));
    const std::string secondData = root.file("data-second");
    ProgramProcess again(root.path());
    ASSERT_TRUE(again.Start({"--data", secondData}));
    EXPECT_EQ(again.WaitForExit(), 0);
    EXPECT_FALSE(IsFile(JoinPath(secondData, "config.json")));
    PumpFor(300);
    RECT after = {};
    GetWindowRect(first, &after);
    EXPECT_EQ(GetWindowLongW(first, GWL_STYLE) & WS_CAPTION, 0);
    EXPECT_TRUE(EqualRect(&full, &after))
        << after.left << "," << after.top << " " << after.right << "," << after.bottom;
    // With "--multi" another starts beside it; a "--data" with no folder
    // after it is ignored: the folder beside the program is taken.
    ProgramProcess third(root.path());
    HWND thirdWindow = third.Open({"--multi", "--data"});
    ASSERT_NE(thirdWindow, nullptr);
    EXPECT_TRUE(program.running());
    EXPECT_EQ(third.CloseTwice(thirdWindow), 0);
    EXPECT_TRUE(ReadConfig(root.file("data")).isObject());
    EXPECT_EQ(program.CloseTwice(first), 0);
    EXPECT_TRUE(ReadConfig(data).isObject());

    // A first one that is ending holds the guard without a window: a start
    // meanwhile waits for it to go and comes up as the first.
    UniqueHandle ending(CreateMutexW(nullptr, FALSE, local.c_str()));
    ASSERT_TRUE(ending.valid());
    ProgramProcess next(root.path());
    ASSERT_TRUE(next.Start({"--data", data}));
    PumpFor(300);
    ending.reset();
    HWND window = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (window = next.VisibleWindow(L"TavolinMainWindow")) != nullptr; }));
    EXPECT_EQ(next.CloseTwice(window), 0);

    UniqueHandle elsewhere(CreateMutexW(nullptr, FALSE, global.c_str()));
    ASSERT_TRUE(elsewhere.valid());
    ProgramProcess second(root.path());
    ASSERT_TRUE(second.Start({"--data", secondData}));
    HWND box = nullptr;
    // Found once it shows, with its text in place.
    ASSERT_TRUE(PumpUntil([&] { return (box = second.VisibleWindow(L"#32770")) != nullptr; }));
    std::wstring text;  // every control's, the message among them
    EnumChildWindows(
        box,
        [](HWND child, LPARAM out) {
            wchar_t part[512] = {};
            GetWindowTextW(child, part, 512);
            *reinterpret_cast<std::wstring*>(out) += part;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&text));
    EXPECT_NE(text.find(L"另一个 Windows 会话"), std::wstring::npos) << ToUtf8(text);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(second.WaitForExit(), 0);
    EXPECT_FALSE(IsFile(JoinPath(secondData, "config.json")));
}

// Where each start opens, and that its end keeps the normal place and
// whether the window was maximized (that it saves a moved window's place is
// the end-to-end suite's closing scenario's).
TEST_F(Startup, WhereTheWindowOpensAndWhatClosingKeeps) {
    const int sw = GetSystemMetrics(SM_CXSCREEN);
    const int sh = GetSystemMetrics(SM_CYSCREEN);
    const struct {
        const char* name;
        std::string ui;  // saved before the start, and kept after it; "" none
        int showCommand;
        std::string opens;                // "maximized" or the window's rectangle
        bool closedInFullscreen = false;  // what it keeps is the place from before
    } cases[] = {
        {"never placed", "", SW_SHOWNORMAL, Format("%d,%d 1180x720", (sw - 1180) / 2, (sh - 720) / 2)},
        {"as saved", Ui(100, 80, 1000, 650, false), SW_SHOWNORMAL, "100,80 1000x650"},
        {"maximized, started minimized", Ui(150, 120, 1040, 700, true), SW_SHOWMINNOACTIVE, "maximized"},
        {"closed in full screen", Ui(100, 80, 1000, 650, false), SW_SHOWNORMAL, "100,80 1000x650", true},
        {"maximized, closed in full screen", Ui(150, 120, 1040, 700, true), SW_SHOWNORMAL, "maximized", true},
    };
    for (const auto& c : cases) {
        WriteConfig(c.ui.empty() ? "{}" : R"({"ui":)" + c.ui + "}");
        HWND window = program.Open(Args(), c.showCommand);
        ASSERT_NE(window, nullptr) << c.name;
        RECT r = {};
        GetWindowRect(window, &r);
        if (c.opens == "maximized") {
            EXPECT_TRUE(PumpUntil([&] { return IsZoomed(window) != FALSE; })) << c.name;
        } else {
            EXPECT_EQ(Format("%ld,%ld %ldx%ld", r.left, r.top, r.right - r.left, r.bottom - r.top), c.opens)
                << c.name;
        }
        if (c.closedInFullscreen) {
            PostMessageW(window, WM_APP_TOGGLE_FULLSCREEN, 0, 0);
            EXPECT_TRUE(PumpUntil([&] { return (GetWindowLongW(window, GWL_STYLE) & WS_CAPTION) == 0; }))
                << c.name;
        }
        EXPECT_EQ(program.CloseTwice(window), 0) << c.name;
        if (!c.ui.empty()) {
            EXPECT_EQ(ToJson(ReadConfig(data).find("ui"), -1), c.ui) << c.name;
        }
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
