#include <gtest/gtest.h>

#include <filesystem>

#include "core/file_io.h"
#include "core/paths.h"
#include "core/text.h"
#include "support/test_support.h"

namespace fs = std::filesystem;

namespace {

// Each case starts without an override or a cached folder, and without a
// "data" entry beside the test program.
class DataDirTest : public ::testing::Test {
protected:
    void SetUp() override { Reset(); }
    void TearDown() override { Reset(); }

    static std::string BesideExe() { return JoinPath(ExeDir(), "data"); }

    static void Reset() {
        SetDataDirOverride("");
        std::error_code ignored;
        fs::remove_all(fs::u8path(BesideExe()), ignored);
    }
};

}  // namespace

TEST_F(DataDirTest, OverrideIsUsedEvenWhenItCannotBeCreated) {
    TempDir temp;
    const std::string wanted = JoinPath(temp.file("数据"), "deeper");
    SetDataDirOverride(wanted);
    EXPECT_EQ(DataDir(), wanted);
    EXPECT_TRUE(fs::is_directory(fs::u8path(wanted)));
    ASSERT_TRUE(WriteWholeFile(temp.file("blocker"), "x"));
    const std::string impossible = JoinPath(temp.file("blocker"), "data");
    SetDataDirOverride(impossible);
    EXPECT_EQ(DataDir(), impossible);
}

// A file named "data" beside the program makes every write into the folder
// fail, as a read-only installation folder does.
TEST_F(DataDirTest, UnwritableExeFolderFallsBackToRoamingAppData) {
    ASSERT_TRUE(WriteWholeFile(BesideExe(), "not a folder"));
    const std::string expected = JoinPath(RoamingAppDataDir(), "Tavolin");
    EXPECT_EQ(DataDir(), expected);
    EXPECT_TRUE(fs::is_directory(fs::u8path(expected)));
}

TEST_F(DataDirTest, WritableExeFolderHoldsTheDataUntilTheOverrideChanges) {
    EXPECT_EQ(DataDir(), BesideExe());
    EXPECT_TRUE(fs::is_directory(fs::u8path(BesideExe())));
    EXPECT_FALSE(IsFile(JoinPath(BesideExe(), ".write_probe")));
    // Resolved once: a folder that can no longer be written stays the answer.
    fs::remove_all(fs::u8path(BesideExe()));
    ASSERT_TRUE(WriteWholeFile(BesideExe(), "not a folder"));
    EXPECT_EQ(DataDir(), BesideExe());
    TempDir temp;
    SetDataDirOverride(temp.path());
    EXPECT_EQ(DataDir(), temp.path());
}
