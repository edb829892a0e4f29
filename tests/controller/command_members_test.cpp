#include "controller/command_members.h"

#include <gtest/gtest.h>

#include <climits>

#include "controller/export_path.h"

namespace {

std::string Describe(const std::optional<PixelRect>& r) {
    if (!r) return "none";
    return std::to_string(r->left) + "," + std::to_string(r->top) + "," + std::to_string(r->right) + "," +
           std::to_string(r->bottom);
}

}  // namespace

TEST(CommandMembers, ContentRectIsKeptInsideTheClientArea) {
    const std::pair<ContentRectRequest, const char*> cases[] = {
        {{false, -10, 5, 5000, 300}, "0,5,1200,305"},
        {{false, 100, 50, 400, 300}, "100,50,500,350"},
        {{false, 0, 0, 0, 300}, "none"},
        {{false, 0, 0, 300, -1}, "none"},
        {{false, 1200, 0, 300, 300}, "none"},  // starts at the right edge: no width left
        {{false, 5000, 9000, 10, 10}, "none"},
        {{false, INT_MAX, INT_MAX, INT_MAX, INT_MAX}, "none"},
        {{false, 10, 10, INT_MAX, INT_MAX}, "10,10,1200,800"},
        {{false, INT_MIN, INT_MIN, INT_MAX, INT_MAX}, "0,0,1200,800"},
    };
    for (const auto& [r, want] : cases)
        EXPECT_EQ(Describe(ClampContentRect(r, 1200, 800)), want)
            << r.x << " " << r.y << " " << r.w << " " << r.h;
}

TEST(CommandMembers, ProbePeriodNeverWrapsToAShortOne) {
    EXPECT_EQ(ProbeTimerPeriodMs(10), 10000u);
    EXPECT_EQ(ProbeTimerPeriodMs(0), 0u);
    EXPECT_EQ(ProbeTimerPeriodMs(-3), 0u);
    EXPECT_EQ(ProbeTimerPeriodMs(4294968), 0x7FFFFFFFu);  // 4294968000 would wrap to 704 ms
    EXPECT_EQ(ProbeTimerPeriodMs(INT_MAX), 0x7FFFFFFFu);
}

TEST(ExportPath, FullWindowsPaths) {
    for (const char* path : {"C:\\backup\\s.csv", "d:/s.csv", "\\\\nas\\share\\s.csv", "//nas/share/s.csv",
                             "\\\\?\\C:\\long\\s.csv", "\\\\?\\UNC\\nas\\share\\s.csv"}) {
        EXPECT_TRUE(IsFullWindowsPath(path)) << path;
    }
    for (const char* path : {"s.csv", "backup\\s.csv", "C:s.csv", "\\s.csv", "/s.csv", "..\\s.csv", "",
                             "\\\\.\\PhysicalDrive0", "\\\\?\\", "C:\\s.csv:stream", "1:\\s.csv"}) {
        EXPECT_FALSE(IsFullWindowsPath(path)) << path;
    }
}

// The spellings Windows resolves to the same file compare equal.
TEST(ExportPath, TheDataFolderIsRecognisedUnderOtherSpellings) {
    const std::string folder = PathCompareKey("C:\\Users\\me\\Tavolin\\data") + "\\";
    for (const char* path :
         {"c:/users/ME/tavolin/DATA/config.json", "C:\\Users\\me\\Tavolin\\data\\config.json. ",
          "C:\\Users\\me\\x\\..\\Tavolin\\.\\data\\\\config.json",
          "\\\\?\\C:\\Users\\me\\Tavolin\\data\\config.json"}) {
        EXPECT_EQ(PathCompareKey(path), folder + "config.json") << path;
    }
    EXPECT_EQ(PathCompareKey("\\\\?\\UNC\\Nas\\S\\f"), "\\\\nas\\s\\f");
}

// Checked with the Windows rules in the Windows build and with POSIX rules
// (a leading "/") in the native one.
TEST(ExportPath, CheckRefusesTheDataFolderAsTheSystemResolvesIt) {
#ifdef _WIN32
    const std::string folder = "C:\\Users\\me\\data";
    const std::string inside = "C:\\Users\\me\\DATA\\config.json";
    const std::string beside = "C:\\Users\\me\\data-backup\\s.csv";
#else
    const std::string folder = "/home/me/data";
    const std::string inside = "/home/me/data/../data/config.json";
    const std::string beside = "/home/me/data-backup/s.csv";
#endif
    // Relative paths and paths inside as written are the export command's cases.
    EXPECT_EQ(CheckExportPath(beside, beside, folder), ExportPathCheck::kOk);
    EXPECT_EQ(CheckExportPath(beside, beside, ""), ExportPathCheck::kOk);
    // What the system resolves the path to counts, not how it was spelt.
    EXPECT_EQ(CheckExportPath(beside, inside, folder), ExportPathCheck::kInsideDataFolder);
}
