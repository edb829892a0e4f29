#include "app/ui_resources.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>

#include "core/file_io.h"
#include "core/log.h"
#include "core/paths.h"
#include "core/text.h"
#include "core/unicode.h"
#include "support/memory_files.h"
#include "support/test_support.h"

namespace fs = std::filesystem;

namespace {

const char* const kPageFiles[] = {"index.html", "style.css", "app.js"};

// The page as the build made it, from which the resources were compiled.
std::string BuiltPage(const char* name) {
    return ReadRawFile(JoinPath(JoinPath(ExeDir(), "..\\page"), name));
}

std::string InWeb(const std::string& root, const char* name) {
    return JoinPath(JoinPath(root, "web"), name);
}

// A resource-only module built beside the test program, loaded as data.
using DataModule = std::unique_ptr<std::remove_pointer_t<HMODULE>, decltype(&FreeLibrary)>;
DataModule LoadBeside(const char* name) {
    const std::wstring path = ToWide(JoinPath(ExeDir(), name));
    return DataModule(LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE), &FreeLibrary);
}

class UiResourcesTest : public ::testing::Test {
protected:
    static void ExpectWhole(const std::string& root) {
        for (const char* file : kPageFiles) {
            EXPECT_EQ(ReadRawFile(InWeb(root, file)), BuiltPage(file)) << file;
        }
        EXPECT_EQ(ReadRawFile(JoinPath(root, ".ready")), root);
    }
    void ExpectExeWebFolder(const UiFolders& folders) {
        EXPECT_EQ(folders.webDir, JoinPath(ExeDir(), "web"));
        EXPECT_EQ(folders.loaderDir, "");
        EXPECT_TRUE(log.has(kLogInfo, "内嵌界面不可用，改用 exe 同目录的 web 目录：" + folders.webDir));
    }

    TempDir base;
    LogCapture log;
};

}  // namespace

// Into a folder of the base named by the content: other content, another
// folder. An empty root would make every path below it relative to the
// working folder, the source tree: the test stops there.
TEST_F(UiResourcesTest, UnpacksTheProgramsOwnPageAndLoaderIntoAFolderOfItsContent) {
    UiResources resources(GetModuleHandleW(nullptr), base.path());
    EXPECT_TRUE(resources.HasEmbeddedUi());
    const std::string root = resources.UnpackedRoot();
    ASSERT_FALSE(root.empty());
    EXPECT_EQ(root.substr(0, root.find_last_of('\\')), base.path());
    ExpectWhole(root);
    EXPECT_TRUE(log.has(kLogInfo, "已展开内嵌资源到 " + root + "（web 界面 + WebView2Loader.dll）"));
    const UiFolders folders = resources.ChooseFolders();
    EXPECT_EQ(folders.webDir, JoinPath(root, "web"));
    EXPECT_EQ(folders.loaderDir, root);

    const DataModule swapped = LoadBeside("swapped_page.dll");
    ASSERT_TRUE(swapped);
    const std::string otherRoot = UiResources(swapped.get(), base.path()).UnpackedRoot();
    EXPECT_NE(otherRoot, root);
    EXPECT_EQ(otherRoot.substr(0, base.path().size()), base.path());
    EXPECT_EQ(ReadRawFile(InWeb(otherRoot, "style.css")), BuiltPage("app.js"));
}

// A ready folder is taken only while every file is what the executable
// carries: a file changed, even by one byte, or deleted, or a folder without
// its marker, is written whole again before anything is loaded from it.
TEST_F(UiResourcesTest, AReadyFolderIsTakenOnlyWhileItsFilesAreTheExecutables) {
    const std::string root = UiResources(GetModuleHandleW(nullptr), base.path()).UnpackedRoot();
    ASSERT_FALSE(root.empty());
    UiResources untouched(GetModuleHandleW(nullptr), base.path());
    EXPECT_EQ(untouched.UnpackedRoot(), root);
    EXPECT_TRUE(log.has(kLogInfo, "内嵌资源已就绪：" + root));

    const std::string loader = JoinPath(root, "WebView2Loader.dll");
    std::string flipped = ReadRawFile(loader);
    ASSERT_FALSE(flipped.empty());
    flipped[flipped.size() / 2] ^= 1;
    const std::function<void()> tamperings[] = {
        [&] { ASSERT_TRUE(WriteWholeFile(loader, flipped)); },
        [&] { ASSERT_TRUE(WriteWholeFile(InWeb(root, "style.css"), BuiltPage("style.css") + " ")); },
        [&] { ASSERT_TRUE(RemoveFile(InWeb(root, "index.html"))); },
        [&] { ASSERT_TRUE(RemoveFile(JoinPath(root, ".ready"))); },
    };
    for (const auto& tamper : tamperings) {
        tamper();
        UiResources again(GetModuleHandleW(nullptr), base.path());
        EXPECT_EQ(again.UnpackedRoot(), root);
        ExpectWhole(root);
        EXPECT_NE(ReadRawFile(loader), flipped);
        EXPECT_EQ(again.UnpackedLoaderDir(), root);
        EXPECT_EQ(again.ChooseFolders().webDir, JoinPath(root, "web"));
    }
    EXPECT_TRUE(log.has(kLogWarn, "展开的内嵌资源与 exe 内容不一致，重新展开：" + root));
}

// A file where a folder of the base should be makes every write fail.
TEST_F(UiResourcesTest, UnwritableBaseIsTriedOnceAndFallsBackToTheExeWebFolder) {
    ASSERT_TRUE(WriteWholeFile(base.file("blocker"), "x"));
    const std::string blocked = JoinPath(base.file("blocker"), "res");
    UiResources resources(GetModuleHandleW(nullptr), blocked);
    ExpectExeWebFolder(resources.ChooseFolders());
    ASSERT_TRUE(RemoveFile(base.file("blocker")));
    EXPECT_EQ(resources.UnpackedRoot(), "");
    const auto records = log.records();
    ASSERT_EQ(records.size(), 2u);  // the failed write and the fallback
    const std::string prefix = "展开内嵌资源失败：" + blocked + "\\";
    EXPECT_EQ(records[0].first, kLogWarn);
    EXPECT_EQ(records[0].second.substr(0, prefix.size()), prefix);
    EXPECT_EQ(records[0].second.substr(prefix.size() + 16), "\\web\\index.html");
}

TEST_F(UiResourcesTest, MissingOrEmptyResourceUnpacksNothing) {
    const DataModule emptyLoader = LoadBeside("empty_loader.dll");
    ASSERT_TRUE(emptyLoader);
    const struct {
        HMODULE module;
        bool hasUi;
        int id;
    } cases[] = {{GetModuleHandleW(L"kernel32.dll"), false, 1001}, {emptyLoader.get(), true, 1004}};
    for (const auto& c : cases) {
        const std::size_t before = log.records().size();
        UiResources resources(c.module, base.path());
        EXPECT_EQ(resources.HasEmbeddedUi(), c.hasUi) << c.id;
        ExpectExeWebFolder(resources.ChooseFolders());
        EXPECT_EQ(resources.UnpackedRoot(), "");
        // Without a page the choice does not even try; the direct call does.
        EXPECT_EQ(log.records().size(), before + 2) << c.id;
        EXPECT_TRUE(log.has(kLogWarn, Format("内嵌资源 #%d 不存在，改从 exe 同目录查找界面文件", c.id)));
        EXPECT_TRUE(fs::is_empty(fs::u8path(base.path())));
    }
}

// The unpacked resources and the browser's data both live in the local
// application data, or else beside the executable and in the data folder.
TEST(ResourceBaseDir, LocalAppDataUnlessMissingOrTooLong) {
    const std::wstring saved = [] {
        wchar_t buffer[32768];
        const DWORD length = GetEnvironmentVariableW(L"LOCALAPPDATA", buffer, 32768);
        return std::wstring(buffer, length < 32768 ? length : 0);
    }();
    const std::string fits = "C:\\" + std::string(256, 'x');  // 259 characters
    const MemoryDataDir data;
    const std::string dataBrowser = JoinPath(data.path(), "WebView2");
    const struct {
        bool set;
        std::string value;
        std::string resources;
        std::string browser;
    } cases[] = {
        {false, "", JoinPath(ExeDir(), "res"), dataBrowser},
        {true, "C:\\本地", "C:\\本地\\Tavolin\\res", "C:\\本地\\Tavolin\\WebView2"},
        {true, fits, fits + "\\Tavolin\\res", fits + "\\Tavolin\\WebView2"},
        {true, fits + "x", JoinPath(ExeDir(), "res"), dataBrowser},
    };
    for (const auto& c : cases) {
        SetEnvironmentVariableW(L"LOCALAPPDATA", c.set ? ToWide(c.value).c_str() : nullptr);
        EXPECT_EQ(ResourceBaseDir(), c.resources) << c.value;
        EXPECT_EQ(BrowserDataDir(), c.browser) << c.value;
    }
    SetEnvironmentVariableW(L"LOCALAPPDATA", saved.empty() ? nullptr : saved.c_str());
}

// The program's own choice: the executable's resources below the base.
TEST(ProcessUiResources, ChoiceIsTheExecutablesUnpackedPage) {
    EXPECT_TRUE(HasEmbeddedUi());
    EXPECT_STREQ(UiSourceName(), "exe 内嵌资源（单文件）");
    const UiFolders folders = ChooseUiFolders();
    EXPECT_EQ(folders.webDir, UnpackedWebDir());
    EXPECT_EQ(folders.loaderDir, UnpackedLoaderDir());
    EXPECT_EQ(UnpackedRoot().substr(0, ResourceBaseDir().size() + 1), ResourceBaseDir() + "\\");
    EXPECT_EQ(ChosenUiFolder(), folders.webDir);
}
