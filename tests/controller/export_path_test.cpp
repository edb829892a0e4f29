#include "controller/export_path.h"

#include <gtest/gtest.h>

#include <string>

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
    EXPECT_EQ(CheckExportPath(beside, beside, folder, false), ExportPathCheck::kOk);
    EXPECT_EQ(CheckExportPath(beside, beside, "", false), ExportPathCheck::kOk);
    // What the system resolves the path to counts, not how it was spelt.
    EXPECT_EQ(CheckExportPath(beside, inside, folder, false), ExportPathCheck::kInsideDataFolder);
#ifdef _WIN32
    // A share, as written or as a drive the system resolves to one, takes
    // the list off the machine.
    for (const char* share :
         {"\\\\nas\\share\\s.csv", "//nas/share/s.csv", "\\\\?\\UNC\\nas\\share\\s.csv"}) {
        EXPECT_EQ(CheckExportPath(share, share, folder, false), ExportPathCheck::kNetworkPath) << share;
        EXPECT_EQ(CheckExportPath(beside, share, folder, false), ExportPathCheck::kNetworkPath) << share;
    }
    EXPECT_EQ(CheckExportPath("\\\\?\\C:\\s.csv", "C:\\s.csv", folder, false), ExportPathCheck::kOk);
#endif
}
