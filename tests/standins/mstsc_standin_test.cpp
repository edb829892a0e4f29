#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "core/unicode.h"

namespace {

// The stand-in started the way the program starts the real client: by its
// bare name, with the behaviours chosen through its environment variable.
class StandInProcess {
public:
    StandInProcess(const std::string& arguments, const wchar_t* behaviours) {
        SetEnvironmentVariableW(L"TAVOLIN_MSTSC_STANDIN", behaviours);
        std::wstring commandLine = ToWide("mstsc.exe " + arguments);
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info = {};
        started_ = CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                  &startup, &info) != 0;
        SetEnvironmentVariableW(L"TAVOLIN_MSTSC_STANDIN", nullptr);
        if (!started_) return;
        CloseHandle(info.hThread);
        process_ = info.hProcess;
        id_ = info.dwProcessId;
    }
    ~StandInProcess() {
        if (process_ == nullptr) return;
        if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) TerminateProcess(process_, 0);
        CloseHandle(process_);
    }
    StandInProcess(const StandInProcess&) = delete;
    StandInProcess& operator=(const StandInProcess&) = delete;

    bool started() const { return started_; }
    bool EndsWithin(DWORD ms) const { return WaitForSingleObject(process_, ms) == WAIT_OBJECT_0; }

    // The visible top-level windows of the process, waiting up to ms for at
    // least count of them.
    std::vector<HWND> Windows(std::size_t count, DWORD ms) const {
        std::vector<HWND> found;
        for (DWORD waited = 0; waited <= ms; waited += 50) {
            found = Visible();
            if (found.size() >= count) break;
            Sleep(50);
        }
        return found;
    }

private:
    std::vector<HWND> Visible() const {
        struct Search {
            DWORD id;
            std::vector<HWND> windows;
        } search{id_, {}};
        EnumWindows(
            [](HWND window, LPARAM context) -> BOOL {
                auto* s = reinterpret_cast<Search*>(context);
                DWORD owner = 0;
                GetWindowThreadProcessId(window, &owner);
                if (owner == s->id && IsWindowVisible(window)) s->windows.push_back(window);
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
        return search.windows;
    }

    bool started_ = false;
    HANDLE process_ = nullptr;
    DWORD id_ = 0;
};

int Width(HWND window) {
    RECT rect;
    GetWindowRect(window, &rect);
    return rect.right - rect.left;
}

std::wstring Title(HWND window) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return text;
}

}  // namespace

TEST(MstscStandIn, ShowsTheAddressAndEndsOnClose) {
    StandInProcess client("/v:127.0.0.1:3390", L"");
    ASSERT_TRUE(client.started());
    const std::vector<HWND> windows = client.Windows(1, 5000);
    ASSERT_EQ(windows.size(), 1u);
    EXPECT_NE(Title(windows[0]).find(L"127.0.0.1:3390"), std::wstring::npos);
    EXPECT_GE(Width(windows[0]), 101);
    EXPECT_EQ(GetWindow(windows[0], GW_OWNER), nullptr);
    PostMessageW(windows[0], WM_CLOSE, 0, 0);
    EXPECT_TRUE(client.EndsWithin(3000));
}

TEST(MstscStandIn, CanIgnoreClose) {
    StandInProcess client("/v:host:3389", L"ignore-close");
    const std::vector<HWND> windows = client.Windows(1, 5000);
    ASSERT_EQ(windows.size(), 1u);
    PostMessageW(windows[0], WM_CLOSE, 0, 0);
    EXPECT_FALSE(client.EndsWithin(500));
}

TEST(MstscStandIn, NarrowAndOwnedWindowsOnRequest) {
    StandInProcess narrowOnly("/v:a:1", L"narrow-only");
    std::vector<HWND> windows = narrowOnly.Windows(1, 5000);
    ASSERT_EQ(windows.size(), 1u);
    EXPECT_EQ(Width(windows[0]), 100);
    EXPECT_EQ(narrowOnly.Windows(2, 1000).size(), 1u);  // and never a main window

    StandInProcess narrowFirst("/v:b:2", L"narrow-first");
    windows = narrowFirst.Windows(2, 5000);
    ASSERT_EQ(windows.size(), 2u);

    StandInProcess owned("/v:c:3", L"owned");
    windows = owned.Windows(2, 5000);
    ASSERT_EQ(windows.size(), 2u);
    int ownedCount = 0;
    for (HWND window : windows) ownedCount += GetWindow(window, GW_OWNER) != nullptr ? 1 : 0;
    EXPECT_EQ(ownedCount, 1);
}

TEST(MstscStandIn, NoWindowOnRequest) {
    StandInProcess client("/v:d:4", L"no-window");
    EXPECT_TRUE(client.Windows(1, 800).empty());
    EXPECT_FALSE(client.EndsWithin(0));
}
