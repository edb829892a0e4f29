#include "core/paths.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "core/error_text.h"
#include "core/unicode.h"

TEST(Unicode, ConvertsBothWaysAndEmptyStaysEmpty) {
    const std::string utf8 = "服务器 A-1 😀";
    const std::wstring wide = ToWide(utf8);
    EXPECT_EQ(wide, L"服务器 A-1 \U0001F600");
    EXPECT_EQ(ToUtf8(wide), utf8);
    EXPECT_EQ(ToWide(""), L"");
    EXPECT_EQ(ToUtf8(L""), "");
    EXPECT_EQ(ToWide(std::string("a\0b", 3)), std::wstring(L"a\0b", 3));
    // Malformed input is replaced the system's way, not refused.
    EXPECT_FALSE(ToWide("ok\xFF").empty());
}

TEST(Paths, ExePathNamesThisProgramAndExeDirItsFolder) {
    const std::string path = ExePath();
    const std::string dir = ExeDir();
    ASSERT_GT(path.size(), 14u);
    EXPECT_EQ(path.substr(path.size() - 14), "core_tests.exe");
    EXPECT_EQ(path.compare(0, dir.size(), dir), 0);
    EXPECT_EQ(path[dir.size()], '\\');
    EXPECT_EQ(path.find_first_of("\\/", dir.size() + 1), std::string::npos);
}

TEST(ErrorTextTest, CarriesCodeAndSystemTextWithoutLineBreaks) {
    const std::string denied = ErrorText(5);
    ASSERT_GT(denied.size(), 4u);
    EXPECT_EQ(denied.compare(0, 4, "(5) "), 0) << denied;
    EXPECT_EQ(denied.find_first_of("\r\n"), std::string::npos) << denied;
    SetLastError(ERROR_FILE_NOT_FOUND);
    const std::string last = ErrorText(0);
    EXPECT_GT(last.size(), 4u);
    EXPECT_EQ(last.compare(0, 4, "(2) "), 0) << last;
    // A code the system has no text for still names the code.
    EXPECT_EQ(ErrorText(0x2FFFFFFF), "(805306367) ");
}
