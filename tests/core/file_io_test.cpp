#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "core/file_io.h"
#include "core/text.h"
#include "support/test_support.h"

TEST(FileIo, WholeFileRoundTripKeepsEveryByte) {
    TempDir dir;
    std::string bytes;
    for (int i = 0; i < 70000; ++i) bytes.push_back(static_cast<char>(i * 7));
    const std::string path = dir.file("数据.bin");
    ASSERT_TRUE(WriteWholeFile(path, bytes));
    std::string read;
    ASSERT_TRUE(ReadWholeFile(path, &read));
    EXPECT_EQ(read, bytes);
    EXPECT_TRUE(IsFile(path));
    EXPECT_FALSE(IsFile(dir.path()));
    EXPECT_FALSE(IsFile(dir.file("missing")));
}

TEST(FileIo, ByteOrderMarkIsDroppedOnRead) {
    TempDir dir;
    std::string read = "unchanged";
    ASSERT_TRUE(WriteWholeFile(dir.file("bom"), "\xEF\xBB\xBF"));
    ASSERT_TRUE(ReadWholeFile(dir.file("bom"), &read));
    EXPECT_EQ(read, "");
    ASSERT_TRUE(WriteWholeFile(dir.file("bom2"), "\xEF\xBB\xBF{}\xEF\xBB\xBF"));
    ASSERT_TRUE(ReadWholeFile(dir.file("bom2"), &read));
    EXPECT_EQ(read, "{}\xEF\xBB\xBF");
}

TEST(FileIo, EmptyWriteCreatesAnEmptyFileAndMissingFilesFail) {
    TempDir dir;
    ASSERT_TRUE(WriteWholeFile(dir.file("empty"), ""));
    std::string read = "x";
    ASSERT_TRUE(ReadWholeFile(dir.file("empty"), &read));
    EXPECT_EQ(read, "");
    read = "kept";
    EXPECT_FALSE(ReadWholeFile(dir.file("missing"), &read));
    EXPECT_EQ(read, "kept");
    EXPECT_FALSE(WriteWholeFile(JoinPath(dir.file("no-such-folder"), "f"), "x"));
    EXPECT_FALSE(WriteFileAtomic(JoinPath(dir.file("no-such-folder"), "f"), "x"));
}

TEST(FileIo, EnsureDirCreatesEveryMissingParent) {
    TempDir dir;
    std::string deep = dir.path();
    for (const char* part : {"a", "中文", "c d", "e", "f", "g"}) deep = JoinPath(deep, part);
    EXPECT_TRUE(EnsureDir(deep));
    EXPECT_TRUE(EnsureDir(deep));  // already there
    EXPECT_TRUE(WriteWholeFile(JoinPath(deep, "x"), "x"));
    EXPECT_FALSE(EnsureDir(""));
    // A file in the way can't become a folder.
    ASSERT_TRUE(WriteWholeFile(dir.file("file"), "x"));
    EXPECT_FALSE(EnsureDir(JoinPath(dir.file("file"), "sub")));
}

TEST(FileIo, AtomicWriteReplacesAndLeavesNoTemporaryFile) {
    TempDir dir;
    const std::string path = dir.file("config.json");
    ASSERT_TRUE(WriteFileAtomic(path, "old"));
    ASSERT_TRUE(WriteFileAtomic(path, "new content"));
    std::string read;
    ASSERT_TRUE(ReadWholeFile(path, &read));
    EXPECT_EQ(read, "new content");
    EXPECT_FALSE(IsFile(path + ".tmp"));
}

TEST(FileIo, AtomicWriteFailureKeepsTheOldFile) {
    TempDir dir;
    // A folder at the target's name can't be replaced by a file.
    const std::string path = dir.file("target");
    ASSERT_TRUE(EnsureDir(path));
    EXPECT_FALSE(WriteFileAtomic(path, "new"));
    EXPECT_FALSE(IsFile(path + ".tmp"));
}

// A reader running beside many replacements must only ever see one whole
// version of the file: never a mix, never a truncated one.
TEST(FileIo, ReaderNeverSeesAHalfWrittenFile) {
    TempDir dir;
    const std::string path = dir.file("config.json");
    const std::string versionA(64 * 1024, 'a');
    const std::string versionB(160 * 1024, 'b');
    ASSERT_TRUE(WriteFileAtomic(path, versionA));

    std::atomic<bool> done{false};
    std::atomic<int> reads{0};
    std::atomic<int> torn{0};
    std::thread reader([&] {
        std::string content;
        while (!done) {
            if (!ReadWholeFile(path, &content)) continue;  // a replace may hold the name for a moment
            ++reads;
            if (content != versionA && content != versionB) ++torn;
        }
    });
    int replaced = 0;
    std::string last = versionA;
    for (int i = 0; i < 300; ++i) {
        const std::string& next = (i % 2 == 0) ? versionB : versionA;
        // Windows refuses to replace a file another handle holds open; that
        // failure must leave the old version whole, which the reader checks.
        if (WriteFileAtomic(path, next)) {
            ++replaced;
            last = next;
        }
    }
    done = true;
    reader.join();

    EXPECT_EQ(torn.load(), 0);
    EXPECT_GT(reads.load(), 0);
    EXPECT_GT(replaced, 0);
    std::string final;
    ASSERT_TRUE(ReadWholeFile(path, &final));
    EXPECT_EQ(final, last);
    EXPECT_FALSE(IsFile(path + ".tmp"));
}

TEST(FileIo, TimestampHasTheFileNameForm) {
    const std::string stamp = FileTimestamp();
    ASSERT_EQ(stamp.size(), 19u);
    for (std::size_t i = 0; i < stamp.size(); ++i) {
        if (i == 4 || i == 7 || i == 13 || i == 16) {
            EXPECT_EQ(stamp[i], '-') << stamp;
        } else if (i == 10) {
            EXPECT_EQ(stamp[i], '_') << stamp;
        } else {
            EXPECT_TRUE(stamp[i] >= '0' && stamp[i] <= '9') << stamp;
        }
    }
}
