// Where the data folder lands, decided over files kept in memory: the
// fallback would otherwise make a folder in the user's real application
// data, and the folder beside the program would outlive the test.
#include <gtest/gtest.h>

#include "core/file_io.h"
#include "core/paths.h"
#include "core/text.h"
#include "support/memory_files.h"

namespace {

// Each case starts without an override or a cached folder, with the
// program's folder and nothing in it.
class DataDirTest : public ::testing::Test {
protected:
    DataDirTest() {
        SetDataDirOverride("");
        EXPECT_TRUE(EnsureDir(ExeDir()));
    }
    ~DataDirTest() override { SetDataDirOverride(""); }

    static std::string BesideExe() { return JoinPath(ExeDir(), "data"); }

    MemoryFiles files;
};

}  // namespace

TEST_F(DataDirTest, OverrideIsUsedEvenWhenItCannotBeCreated) {
    const std::string wanted = JoinPath(JoinPath(MemoryDataDir::Root(), "数据"), "deeper");
    SetDataDirOverride(wanted);
    EXPECT_EQ(DataDir(), wanted);
    EXPECT_TRUE(files.IsFolder(wanted));
    const std::string blocker = JoinPath(MemoryDataDir::Root(), "blocker");
    ASSERT_TRUE(WriteWholeFile(blocker, "x"));
    SetDataDirOverride(JoinPath(blocker, "data"));
    EXPECT_EQ(DataDir(), JoinPath(blocker, "data"));
}

// A file named "data" beside the program makes every write into the folder
// fail, as a read-only installation folder does.
TEST_F(DataDirTest, UnwritableExeFolderFallsBackToRoamingAppData) {
    ASSERT_TRUE(WriteWholeFile(BesideExe(), "not a folder"));
    const std::string expected = JoinPath(RoamingAppDataDir(), "Tavolin");
    EXPECT_EQ(DataDir(), expected);
    EXPECT_TRUE(files.IsFolder(expected));
}

TEST_F(DataDirTest, WritableExeFolderHoldsTheDataUntilTheOverrideChanges) {
    EXPECT_EQ(DataDir(), BesideExe());
    EXPECT_TRUE(files.IsFolder(BesideExe()));
    EXPECT_TRUE(files.Names().empty());  // the probe of the folder is gone
    // Resolved once: a folder that can no longer be written stays the answer.
    MemoryFiles later;
    ASSERT_TRUE(EnsureDir(ExeDir()));
    ASSERT_TRUE(WriteWholeFile(BesideExe(), "not a folder"));
    EXPECT_EQ(DataDir(), BesideExe());
    SetDataDirOverride(MemoryDataDir::Root());
    EXPECT_EQ(DataDir(), MemoryDataDir::Root());
}
