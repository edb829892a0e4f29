// The unlock dialog in a real window, used with real key presses and clicks.
#include "app/unlock_dialog.h"

#include <gtest/gtest.h>

#include <string>

#include "app/unlock_test_support.h"
#include "core/file_io.h"
#include "core/paths.h"
#include "core/text.h"
#include "support/test_support.h"

namespace {

constexpr wchar_t kMask = 0x25CF;
const UnlockLayout kLayout = LayoutUnlockDialog(unlock::kDialogWidth, unlock::kDialogHeight);

class UnlockDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetDataDirOverride(dir_.path());
        config_.security.enabled = true;  // the digest of "secret" under this salt
        config_.security.salt = "00112233445566778899aabbccddeeff";
        config_.security.hash = "cb1f115d8713d4396290d30e31f5379e5c276a36bd408fe507367580ddd75616";
    }
    void TearDown() override { SetDataDirOverride(""); }

    // The dialog's answer while user plays script.
    bool RunWith(DialogUser::Script script) {
        DialogUser user(std::move(script));
        const bool unlocked = RunUnlockDialog(GetModuleHandleW(nullptr), config_);
        EXPECT_EQ(user.Finish(), "");
        return unlocked;
    }

    static bool Wrong(DialogUser& user, const std::string& typed) {
        return user.Type(typed) && user.Key("Return") && user.WaitForField(L"");
    }

    TempDir dir_;
    AppConfig config_;
};

}  // namespace

TEST_F(UnlockDialogTest, NothingIsShownWithoutAPasswordInForce) {
    config_.security.hash.clear();
    EXPECT_TRUE(RunUnlockDialog(GetModuleHandleW(nullptr), config_));
    config_.security.hash = "cb1f";
    config_.security.enabled = false;
    EXPECT_TRUE(RunUnlockDialog(GetModuleHandleW(nullptr), config_));
    EXPECT_EQ(FindWindowW(L"TavolinPasswordDlg", nullptr), nullptr);
}

// Enter on the empty field uses no attempt, so four wrong passwords after it
// still leave one for the right password; each wrong one clears the field.
TEST_F(UnlockDialogTest, TheRightPasswordAfterFourWrongOnesUnlocks) {
    EXPECT_TRUE(RunWith([](DialogUser& user) {
        if (!user.Key("Return")) return false;
        for (const char* typed : {"Secret", "secret1", "secre", "s"})
            if (!Wrong(user, typed)) return false;
        return user.Type("secret") && user.Key("Return");
    }));
}

TEST_F(UnlockDialogTest, FiveWrongPasswordsRefuseAndSaveNothing) {
    const std::string before = DescribeSettings(config_);
    EXPECT_FALSE(RunWith([](DialogUser& user) {
        for (const char* typed : {"one", "two", "three", "four"})
            if (!Wrong(user, typed)) return false;
        return user.Type("five") && user.Key("Return");
    }));
    EXPECT_EQ(DescribeSettings(config_), before);
    EXPECT_EQ(ReadRawFile(JoinPath(dir_.path(), "config.json")), "");
}

// Even with the right password typed, giving up is giving up.
TEST_F(UnlockDialogTest, EscapeTheExitButtonAndClosingRefuse) {
    const struct {
        const char* name;
        DialogUser::Script gesture;
    } cases[] = {
        {"Escape in the field", [](DialogUser& user) { return user.Key("Escape"); }},
        {"the exit button", [](DialogUser& user) { return user.Click(kLayout.exitButton); }},
        {"Alt+F4", [](DialogUser& user) { return user.Key("alt+F4"); }},
    };
    for (const auto& c : cases)
        EXPECT_FALSE(RunWith([&](DialogUser& user) { return user.Type("secret") && c.gesture(user); }))
            << c.name;
}

// The toggle shows and masks the text without touching it, typing goes on
// in the field, and the OK button submits.
TEST_F(UnlockDialogTest, TheToggleShowsTheTextAndKeepsIt) {
    EXPECT_TRUE(RunWith([](DialogUser& user) {
        if (!user.Type("sec") || user.PasswordChar() != kMask) return user.Fail("not masked at first");
        if (!user.Click(kLayout.toggle) || user.PasswordChar() != 0) return user.Fail("not shown");
        if (!user.Type("ret") || !user.Click(kLayout.toggle) || user.PasswordChar() != kMask)
            return user.Fail("not masked again");
        return user.WaitForField(L"secret") && user.Click(kLayout.okButton);
    }));
}

TEST_F(UnlockDialogTest, TheFieldTakes128Characters) {
    EXPECT_FALSE(RunWith([](DialogUser& user) {
        return Xdotool({"type", "--delay", "2", std::string(130, 'a')}) &&
               user.WaitForField(std::wstring(128, L'a')) && user.Key("Escape");
    }));
}

// What the user sees, saved as "screenshots/unlock-dialog.bmp" beside the
// test program: the hint under the field until a wrong password turns the
// line into the red count-down, and the OK button lit under the pointer.
TEST_F(UnlockDialogTest, WhatTheDialogShows) {
    config_.security.hint = "老地方";
    const std::string folder = JoinPath(ExeDir(), "screenshots");
    EnsureDir(folder);
    const POINT ok{kLayout.okButton.left + 8, kLayout.okButton.top + 19};  // clear of the label
    // How many pixels of the line under the field are reddish, or bluish grey.
    const auto count = [](const ScreenPicture& p, bool red) {
        int n = 0;
        for (int y = kLayout.message.top; y < kLayout.message.bottom; ++y) {
            for (int x = kLayout.message.left; x < kLayout.message.right; ++x) {
                const COLORREF c = p.At(x, y);
                n += red ? GetRValue(c) > GetBValue(c) + 60
                         : GetRValue(c) > 60 && GetBValue(c) > GetRValue(c) + 30;
            }
        }
        return n;
    };
    ScreenPicture picture;
    const auto showsSoon = [&](DialogUser& user, const std::function<bool()>& test) {
        for (int i = 0; i < 40; ++i, Sleep(50))
            if (picture.Take(user.dialog()) && test()) return true;
        return false;
    };
    EXPECT_FALSE(RunWith([&](DialogUser& user) {
        if (!showsSoon(user, [&] {
                return count(picture, false) > 20 && count(picture, true) == 0 &&
                       picture.At(220, 1) == RGB(59, 130, 246) && picture.At(ok.x, ok.y) == RGB(52, 120, 235);
            }))
            return user.Fail("no hint, accent bar and resting OK button");
        if (!Wrong(user, "wrong") || !showsSoon(user, [&] { return count(picture, true) > 20; }))
            return user.Fail("no red count-down under the field");
        if (!user.MoveTo(ok.x + 40, ok.y) ||
            !showsSoon(user, [&] { return picture.At(ok.x, ok.y) == RGB(70, 145, 255); }))
            return user.Fail("the OK button is not lit under the pointer");
        return (picture.Save(JoinPath(folder, "unlock-dialog.bmp")) || user.Fail("not saved")) &&
               user.Key("Escape");
    }));
}
