#include "core/file_io.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/file_replace.h"
#include "core/text.h"
#include "support/memory_files.h"
#include "support/test_support.h"
#ifdef _WIN32
#include <windows.h>

#include "core/unicode.h"
#endif

namespace {

// The files in memory that other tests keep their store in must refuse what
// a disk refuses: these cases run on both.
class FileLayers : public ::testing::TestWithParam<const char*> {
protected:
    FileLayers() {
        if (std::string(GetParam()) == "disk") return;
        memory_ = std::make_unique<MemoryFiles>();
        EXPECT_TRUE(EnsureDir(folder_));
    }
    std::string file(const std::string& name) const { return JoinPath(folder_, name); }

    TempDir disk_;
    std::unique_ptr<MemoryFiles> memory_;
    std::string folder_ = memory_ ? JoinPath(MemoryDataDir::Root(), "t") : disk_.path();
};

INSTANTIATE_TEST_SUITE_P(DiskAndMemory, FileLayers, ::testing::Values("disk", "memory"),
                         [](const auto& info) { return std::string(info.param); });

}  // namespace

TEST_P(FileLayers, ReadGivesWhatWasWrittenLessALeadingByteOrderMark) {
    std::string bytes;
    for (int i = 0; i < 70000; ++i) bytes.push_back(static_cast<char>(i * 7));
    const struct {
        std::string written, read;
    } cases[] = {
        {bytes, bytes},
        {"", ""},  // an empty file exists
        {"\xEF\xBB\xBF", ""},
        {"\xEF\xBB\xBF{}\xEF\xBB\xBF", "{}\xEF\xBB\xBF"},
    };
    const std::string path = file("数据.bin");
    for (const auto& c : cases) {
        for (bool atomic : {false, true}) {
            ASSERT_TRUE(atomic ? WriteFileAtomic(path, c.written) : WriteWholeFile(path, c.written));
            EXPECT_TRUE(IsFile(path));
            std::string read = "stale";
            ASSERT_TRUE(ReadWholeFile(path, &read));
            EXPECT_EQ(read, c.read) << c.written.size();
        }
    }
    EXPECT_FALSE(IsFile(path + ".tmp"));
    EXPECT_FALSE(WriteNewFile(path, "x"));  // the name is taken
    EXPECT_TRUE(RemoveFile(path));
    EXPECT_FALSE(RemoveFile(path));
    EXPECT_TRUE(WriteNewFile(path, "x"));
}

TEST_P(FileLayers, MissingFilesAndFoldersFailAndEnsureDirCreatesEveryMissingParent) {
    std::string read = "kept";
    EXPECT_EQ(ReadExistingFile(file("missing"), &read), FileRead::kMissing);
    EXPECT_EQ(ReadExistingFile(JoinPath(file("missing"), "f"), &read), FileRead::kMissing);
    EXPECT_EQ(read, "kept");
    EXPECT_FALSE(IsFile(file("missing")));
    EXPECT_FALSE(IsFile(folder_));  // a folder is not a file
    EXPECT_EQ(ReadExistingFile(folder_, &read), FileRead::kUnreadable);
    for (auto write : {&WriteWholeFile, &WriteNewFile, &WriteFileAtomic}) {
        EXPECT_FALSE(write(JoinPath(file("no-such-folder"), "f"), "x"));
        EXPECT_FALSE(write(folder_, "x"));  // a folder in the way
    }
    EXPECT_FALSE(IsFile(folder_ + ".tmp"));
    std::string deep = folder_;
    for (const char* part : {"a", "中文", "c d", "e", "f", "g"}) deep = JoinPath(deep, part);
    EXPECT_TRUE(EnsureDir(deep));
    EXPECT_TRUE(EnsureDir(deep));  // already there
    EXPECT_TRUE(WriteWholeFile(JoinPath(deep, "x"), "x"));
    EXPECT_FALSE(EnsureDir(""));
    // A file in the way can't become a folder.
    ASSERT_TRUE(WriteWholeFile(file("file"), "x"));
    EXPECT_FALSE(EnsureDir(JoinPath(file("file"), "sub")));
}

#ifdef _WIN32
// Another program holding the file for a moment, without sharing delete,
// delays the replace; it does not lose it.
TEST(FileIo, AtomicWriteWaitsForAHolderToLetGo) {
    TempDir dir;
    const std::string path = dir.file("config.json");
    ASSERT_TRUE(WriteFileAtomic(path, "old"));
    std::string read;
    HANDLE held = CreateFileW(ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    std::thread release([held] {
        Sleep(25);
        CloseHandle(held);
    });
    EXPECT_TRUE(WriteFileAtomic(path, "after a holder"));
    release.join();
    ASSERT_TRUE(ReadWholeFile(path, &read));
    EXPECT_EQ(read, "after a holder");
}
#endif

// A reader running beside many replacements must only ever see one whole
// version of the file: never a mix, never a truncated one.
TEST(FileIo, ReaderNeverSeesAHalfWrittenFile) {
    TempDir dir;
    const std::string path = dir.file("config.json");
    const std::string versions[] = {std::string(64 * 1024, 'a'), std::string(160 * 1024, 'b')};
    ASSERT_TRUE(WriteFileAtomic(path, versions[0]));
    std::atomic<bool> done{false};
    std::atomic<int> reads{0};
    std::atomic<int> torn{0};
    std::thread reader([&] {
        std::string content;
        while (!done) {
            if (!ReadWholeFile(path, &content)) continue;  // a replace may hold the name for a moment
            ++reads;
            if (content != versions[0] && content != versions[1]) ++torn;
        }
    });
    // Windows refuses to replace a file another handle holds open, for a
    // few tries; a failure must leave the old version whole, which the
    // reader checks.
    const std::string* last = &versions[0];
    int replaced = 0;
    for (int i = 0; i < 100; ++i) {
        if (!WriteFileAtomic(path, versions[(i + 1) % 2])) continue;
        last = &versions[(i + 1) % 2];
        ++replaced;
    }
    done = true;
    reader.join();
    EXPECT_EQ(torn.load(), 0);
    EXPECT_GT(reads.load(), 0);
    EXPECT_GT(replaced, 0);
    std::string final;
    ASSERT_TRUE(ReadWholeFile(path, &final));
    EXPECT_EQ(final, *last);
    EXPECT_FALSE(IsFile(path + ".tmp"));
}

namespace {

// Records the steps of a replace and fails the one it is told to, as a
// disk or a power cut would.
class RecordedSteps : public FileReplaceSteps {
public:
    explicit RecordedSteps(std::string failing = "") : failing_(std::move(failing)) {}
    bool WriteTemp(const std::string& temp, std::string_view bytes) override {
        return Step("write " + temp + " " + std::string(bytes));
    }
    bool FlushTemp() override { return Step("flush"); }
    void CloseTemp() override { Step("close"); }
    bool Replace(const std::string& temp, const std::string& path) override {
        return Step("replace " + temp + " " + path);
    }
    void RemoveTemp(const std::string& temp) override { Step("remove " + temp); }
    std::vector<std::string> steps;

private:
    bool Step(const std::string& step) {
        steps.push_back(step);
        return step.rfind(failing_, 0) != 0 || failing_.empty();
    }
    std::string failing_;
};

}  // namespace

// The new bytes are on the disk before the file's name moves to them: a
// power cut at any moment leaves the old file or the new one. Whatever step
// fails, the name never moves and the temporary file goes.
TEST(FileReplace, TheMoveComesOnlyAfterTheFlush) {
    RecordedSteps ok;
    EXPECT_TRUE(ReplaceFileWith(ok, "d/config.json", "new"));
    EXPECT_EQ(ok.steps, (std::vector<std::string>{"write d/config.json.tmp new", "flush", "close",
                                                  "replace d/config.json.tmp d/config.json"}));
    const std::vector<std::pair<std::string, std::vector<std::string>>> failures = {
        {"write", {"write d/c.tmp x", "close", "remove d/c.tmp"}},
        {"flush", {"write d/c.tmp x", "flush", "close", "remove d/c.tmp"}},
        {"replace", {"write d/c.tmp x", "flush", "close", "replace d/c.tmp d/c", "remove d/c.tmp"}},
    };
    for (const auto& [failing, steps] : failures) {
        RecordedSteps failed(failing);
        EXPECT_FALSE(ReplaceFileWith(failed, "d/c", "x")) << failing;
        EXPECT_EQ(failed.steps, steps) << failing;
    }
}
