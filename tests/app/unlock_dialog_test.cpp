// The unlock dialog in a real window, used with real key presses and mouse
// clicks.
#include "app/unlock_dialog.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "app/unlock_test_support.h"
#include "core/file_io.h"
#include "core/paths.h"
#include "core/text.h"
#include "support/test_support.h"

namespace {

constexpr wchar_t kMask = 0x25CF;

class UnlockDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetDataDirOverride(dir_.path());
        // The digest of "secret" under this salt.
        config_.security.enabled = true;
        config_.security.salt = "00112233445566778899aabbccddeeff";
        config_.security.hash = "cb1f115d8713d4396290d30e31f5379e5c276a36bd408fe507367580ddd75616";
    }
    void TearDown() override { SetDataDirOverride(""); }

    // Runs the dialog while user plays script; the dialog's answer.
    bool RunWith(DialogUser::Script script) {
        DialogUser user(std::move(script));
        const bool unlocked = RunUnlockDialog(GetModuleHandleW(nullptr), config_);
        EXPECT_EQ(user.Finish(), "");
        return unlocked;
    }

    // Takes pictures of the dialog until one passes test, for 2 s at most.
    static bool ShowsSoon(DialogUser& user, ScreenPicture& picture,
                          const std::function<bool(const ScreenPicture&)>& test) {
        for (int i = 0; i < 40; ++i) {
            if (picture.Take(user.dialog()) && test(picture)) return true;
            Sleep(50);
        }
        return false;
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
    const std::string before = DescribeSettings(config_);
    EXPECT_TRUE(RunWith([](DialogUser& user) {
        if (!user.Key("Return")) return false;
        for (const char* typed : {"Secret", "secret1", "secre", "s"})
            if (!Wrong(user, typed)) return false;
        return user.Type("secret") && user.Key("Return");
    }));
    EXPECT_EQ(DescribeSettings(config_), before);
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
        {"the exit button", [](DialogUser& user) { return user.Click(UnlockItem::ExitButton); }},
        {"Alt+F4", [](DialogUser& user) { return user.Key("alt+F4"); }},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(RunWith([&](DialogUser& user) { return user.Type("secret") && c.gesture(user); }))
            << c.name;
    }
}

// The toggle shows and hides the text without touching it, the focus comes
// back to the field, and the OK button submits.
TEST_F(UnlockDialogTest, TheToggleShowsTheTextAndKeepsIt) {
    EXPECT_TRUE(RunWith([](DialogUser& user) {
        if (!user.Type("sec")) return false;
        if (user.PasswordChar() != kMask) return user.Fail("the field was not masked at first");
        if (!user.Click(UnlockItem::Toggle)) return false;
        if (user.PasswordChar() != 0) return user.Fail("the toggle did not show the text");
        if (!user.Type("ret") || !user.Click(UnlockItem::Toggle)) return false;
        if (user.PasswordChar() != kMask) return user.Fail("the second click did not mask the text");
        return user.WaitForField(L"secret") && user.Click(UnlockItem::OkButton);
    }));
}

TEST_F(UnlockDialogTest, TheFieldTakes128Characters) {
    EXPECT_FALSE(RunWith([](DialogUser& user) {
        const std::string many(130, 'a');
        Xdotool({"type", "--delay", "2", many});
        return user.WaitForField(std::wstring(128, L'a')) && user.Key("Escape");
    }));
}

// Dragging anywhere off the parts moves the borderless dialog.
TEST_F(UnlockDialogTest, DraggingTheDialogMovesIt) {
    EXPECT_FALSE(RunWith([](DialogUser& user) {
        RECT before;
        GetWindowRect(user.dialog(), &before);
        const POINT from = user.ToScreen(100, 45);
        const bool dragged = MovePointer(from.x, from.y) && Xdotool({"mousedown", "1"}) &&
                             MovePointer(from.x + 40, from.y + 25) && MovePointer(from.x + 60, from.y + 30) &&
                             Xdotool({"mouseup", "1"});
        if (!dragged) return user.Fail("the drag could not be played");
        RECT after;
        for (int i = 0; i < 100; ++i) {
            GetWindowRect(user.dialog(), &after);
            if (after.left == before.left + 60 && after.top == before.top + 30) return user.Key("Escape");
            Sleep(20);
        }
        return user.Fail(
            Format("the dialog moved by %ld, %ld", after.left - before.left, after.top - before.top));
    }));
}

// What the user sees, saved as "screenshots/unlock-dialog.bmp" beside the
// test program: the hint under the field until a wrong password turns the
// line into the red count-down, and the OK button lit under the pointer.
TEST_F(UnlockDialogTest, WhatTheDialogShows) {
    if (!IsChildRun()) {
        ASSERT_TRUE(EnsureChineseFontReplacement());
        EXPECT_EQ(RunInChild("UnlockDialogTest.WhatTheDialogShows"), 0);
        return;
    }
    config_.security.hint = "老地方";
    const UnlockLayout layout = LayoutUnlockDialog(unlock::kDialogWidth, unlock::kDialogHeight);
    const auto red = [](COLORREF c) { return GetRValue(c) > GetBValue(c) + 60; };
    const auto hint = [](COLORREF c) { return GetRValue(c) > 60 && GetBValue(c) > GetRValue(c) + 30; };
    const POINT okFill{layout.okButton.left + 8, (layout.okButton.top + layout.okButton.bottom) / 2};
    const std::string folder = JoinPath(ExeDir(), "screenshots");
    EnsureDir(folder);
    EXPECT_FALSE(RunWith([&](DialogUser& user) {
        ScreenPicture picture;
        if (!ShowsSoon(user, picture, [&](const ScreenPicture& p) {
                return p.Count(layout.message, hint) > 20 && p.Count(layout.message, red) == 0 &&
                       p.At(220, 1) == RGB(59, 130, 246) && p.At(okFill.x, okFill.y) == RGB(52, 120, 235);
            }))
            return user.Fail("no hint, accent bar and resting OK button");
        if (!Wrong(user, "wrong")) return false;
        if (!ShowsSoon(user, picture,
                       [&](const ScreenPicture& p) { return p.Count(layout.message, red) > 20; }))
            return user.Fail("no red count-down under the field");
        if (!user.MoveTo(okFill.x + 40, okFill.y)) return false;
        if (!ShowsSoon(user, picture,
                       [&](const ScreenPicture& p) { return p.At(okFill.x, okFill.y) == RGB(70, 145, 255); }))
            return user.Fail("the OK button is not lit under the pointer");
        if (!picture.Save(JoinPath(folder, "unlock-dialog.bmp")))
            return user.Fail("the picture was not saved");
        return user.Key("Escape");
    }));
}
