// The unlock dialog in a real window, used with real key presses and clicks
// on the X display Wine draws on.
#include "app/unlock_dialog.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>

#include "app/unlock_layout.h"
#include "config/password.h"
#include "core/paths.h"
#include "core/text.h"
#include "core/unicode.h"
#include "support/message_pump.h"
#include "support/screen.h"
#include "support/test_support.h"

namespace {

// A person at the dialog, played from a second thread while the test's own
// thread runs the dialog's modal loop. Each step returns false after noting
// what did not happen. When a step fails, or the script ends with the dialog
// still open, the dialog is closed so that the test never hangs.
class DialogUser {
public:
    using Script = std::function<bool(DialogUser&)>;

    explicit DialogUser(Script script) : uiThread_(GetCurrentThreadId()) {
        thread_ = std::thread([this, script] {
            const bool shown = PumpUntil([this] {
                GUITHREADINFO info = {};
                info.cbSize = sizeof info;
                dialog_ = FindWindowW(L"TavolinPasswordDlg", nullptr);
                field_ = dialog_ != nullptr ? GetDlgItem(dialog_, 1001) : nullptr;
                return field_ != nullptr && IsWindowVisible(dialog_) && GetGUIThreadInfo(uiThread_, &info) &&
                       info.hwndFocus == field_;
            });
            // Without a window manager key presses may go to the window
            // under the pointer: it rests on the subtitle.
            const bool played =
                (shown || Fail("no dialog with a focused field appeared")) && MoveTo(40, 76) && script(*this);
            if (PumpUntil([this] { return !IsWindow(dialog_); })) return;
            if (played) Fail("the dialog stayed open after the script");
            PostMessageW(dialog_, WM_CLOSE, 0, 0);
        });
    }
    ~DialogUser() { thread_.join(); }

    bool Fail(const std::string& note) {
        ADD_FAILURE() << note;
        return false;
    }
    // Types, and waits until the field holds it (at most 128 characters).
    bool Type(const std::string& ascii) {
        const std::wstring expected = (FieldText() + ToWide(ascii)).substr(0, 128);
        return (Xdotool({"type", "--delay", "5", ascii}) || Fail("xdotool type failed")) &&
               WaitForField(expected);
    }
    bool Key(const char* keys) { return Xdotool({"key", keys}) || Fail(std::string("xdotool key ") + keys); }
    bool MoveTo(int x, int y) {  // client coordinates
        POINT at{x, y};
        ClientToScreen(dialog_, &at);
        // Not xdotool's own --sync, which waits many seconds when the
        // pointer is already there.
        const bool moved =
            Xdotool({"mousemove", std::to_string(at.x), std::to_string(at.y)}) && PumpUntil([&] {
                POINT now;
                return GetCursorPos(&now) && now.x == at.x && now.y == at.y;
            });
        return moved || Fail(Format("the pointer did not reach %d, %d", x, y));
    }
    bool Click(const UnlockRect& part) {  // its middle
        return MoveTo((part.left + part.right) / 2, (part.top + part.bottom) / 2) &&
               (Xdotool({"click", "1"}) || Fail("xdotool click failed"));
    }
    bool WaitForField(const std::wstring& text) {
        if (PumpUntil([&] { return FieldText() == text; })) return true;
        return Fail("the field shows \"" + ToUtf8(FieldText()) + "\", not \"" + ToUtf8(text) + "\"");
    }
    HWND dialog() const { return dialog_; }
    wchar_t PasswordChar() const {
        DWORD_PTR mask = 0;
        SendMessageTimeoutW(field_, EM_GETPASSWORDCHAR, 0, 0, SMTO_ABORTIFHUNG, 2000, &mask);
        return static_cast<wchar_t>(mask);
    }

private:
    std::wstring FieldText() const {
        wchar_t text[512] = {};
        DWORD_PTR copied = 0;
        SendMessageTimeoutW(field_, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000,
                            &copied);
        return text;
    }

    DWORD uiThread_;
    HWND dialog_ = nullptr;
    HWND field_ = nullptr;
    std::thread thread_;
};

constexpr wchar_t kMask = 0x25CF;
const UnlockLayout kLayout = LayoutUnlockDialog(unlock::kDialogWidth, unlock::kDialogHeight);

class UnlockDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetDataDirOverride(dir_.path());
        config_.security.enabled = true;  // the digest of "secret" under this salt
        config_.security.salt = "00112233445566778899aabbccddeeff";
        config_.security.hash = "cb1f115d8713d4396290d30e31f5379e5c276a36bd408fe507367580ddd75616";
        config_.security.hint = "老地方";
    }
    void TearDown() override { SetDataDirOverride(""); }

    // The dialog's answer while user plays script.
    bool RunWith(DialogUser::Script script) {
        DialogUser user(std::move(script));
        return RunUnlockDialog(GetModuleHandleW(nullptr), config_);
    }

    static bool Wrong(DialogUser& user, const std::string& typed) {
        return user.Type(typed) && user.Key("Return") && user.WaitForField(L"");
    }

    TempDir dir_;
    AppConfig config_;
};

}  // namespace

// Enter on the empty field uses no attempt, so four wrong passwords after it
// still leave one for the right one; each wrong one clears the field. The
// toggle shows and masks the text without touching it, typing goes on in
// the field, and the OK button submits.
TEST_F(UnlockDialogTest, TheRightPasswordAfterFourWrongOnesUnlocks) {
    EXPECT_TRUE(RunWith([](DialogUser& user) {
        if (!user.Key("Return")) return false;
        for (const char* typed : {"Secret", "secret1", "secre", "s"}) {
            if (!Wrong(user, typed)) return false;
        }
        if (!user.Type("sec") || user.PasswordChar() != kMask) return user.Fail("not masked at first");
        if (!user.Click(kLayout.toggle) || user.PasswordChar() != 0) return user.Fail("not shown");
        if (!user.Type("ret") || !user.Click(kLayout.toggle) || user.PasswordChar() != kMask) {
            return user.Fail("not masked again");
        }
        return user.WaitForField(L"secret") && user.Click(kLayout.okButton);
    }));
}

// What the user sees first, saved as "unlock-dialog.bmp": the hint under the
// field until a wrong password turns the line into the red count-down, and
// the OK button lit under the pointer. Four more wrong ones, one of them
// longer than the 128 characters the field takes, refuse.
TEST_F(UnlockDialogTest, FiveWrongPasswordsRefuseAndSaveNothing) {
    const POINT ok{kLayout.okButton.left + 8, kLayout.okButton.top + 19};  // clear of the label
    WindowPicture picture;
    // How many pixels of the line under the field are reddish, or bluish grey.
    const auto count = [&](bool red) {
        int n = 0;
        for (int y = kLayout.message.top; y < kLayout.message.bottom; ++y) {
            for (int x = kLayout.message.left; x < kLayout.message.right; ++x) {
                const COLORREF c = picture.At(x, y);
                n += red ? GetRValue(c) > GetBValue(c) + 60
                         : GetRValue(c) > 60 && GetBValue(c) > GetRValue(c) + 30;
            }
        }
        return n;
    };
    const auto showsSoon = [&](DialogUser& user, const std::function<bool()>& test) {
        return PumpUntil([&] { return picture.Take(user.dialog()) && test(); });
    };
    const std::string before = DescribeSettings(config_);
    EXPECT_FALSE(RunWith([&](DialogUser& user) {
        if (!showsSoon(user, [&] {
                return count(false) > 20 && count(true) == 0 && picture.At(220, 1) == RGB(59, 130, 246) &&
                       picture.At(ok.x, ok.y) == RGB(52, 120, 235);
            })) {
            return user.Fail(
                Format("no hint, accent bar and resting OK button: %d grey-blue, %d red, bar %06x, "
                       "button %06x",
                       count(false), count(true), static_cast<unsigned>(picture.At(220, 1)),
                       static_cast<unsigned>(picture.At(ok.x, ok.y))));
        }
        if (!Wrong(user, "wrong") || !showsSoon(user, [&] { return count(true) > 20; })) {
            return user.Fail("no red count-down under the field");
        }
        if (!user.MoveTo(ok.x + 40, ok.y) ||
            !showsSoon(user, [&] { return picture.At(ok.x, ok.y) == RGB(70, 145, 255); })) {
            return user.Fail("the OK button is not lit under the pointer");
        }
        if (!picture.Save("unlock-dialog.bmp")) return user.Fail("not saved");
        if (!user.MoveTo(40, 76)) return false;
        for (const std::string& typed : {std::string(130, 'a'), std::string("three"), std::string("four")}) {
            if (!Wrong(user, typed)) return false;
        }
        return user.Type("five") && user.Key("Return");
    }));
    EXPECT_EQ(DescribeSettings(config_), before);
    EXPECT_EQ(ReadRawFile(JoinPath(dir_.path(), "config.json")), "");
}

// Even with the right password typed, giving up is giving up.
TEST_F(UnlockDialogTest, EscapeAndTheExitButtonRefuse) {
    for (const bool button : {false, true}) {
        EXPECT_FALSE(RunWith([&](DialogUser& user) {
            return user.Type("secret") && (button ? user.Click(kLayout.exitButton) : user.Key("Escape"));
        })) << (button ? "the exit button" : "Escape");
    }
}

// The derivation of a current verifier takes about half a second: the
// dialog answers messages within 100 ms meanwhile, takes no typing while it
// checks, and unlocks with the key in memory.
TEST_F(UnlockDialogTest, StaysResponsiveWhileTheSlowCheckRuns) {
    const PreparedStartupPassword prepared = PrepareStartupPassword("slow-secret", "");
    ASSERT_TRUE(prepared.ok);
    config_.security = prepared.security;
    EXPECT_TRUE(RunWith([](DialogUser& user) {
        if (!user.Type("slow-secret") || !user.Key("Return")) return false;
        HWND field = GetDlgItem(user.dialog(), 1001);
        if (!PumpUntil([&] { return (GetWindowLongW(field, GWL_STYLE) & ES_READONLY) != 0; })) {
            return user.Fail("the field did not wait for the check");
        }
        const ULONGLONG asked = GetTickCount64();
        DWORD_PTR answer = 0;
        if (SendMessageTimeoutW(user.dialog(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 100, &answer) == 0 ||
            GetTickCount64() - asked > 100) {
            return user.Fail("the dialog did not answer within 100 ms while checking");
        }
        return PumpUntil([&] { return !IsWindow(user.dialog()); }, 20000) || user.Fail("never unlocked");
    }));
    EXPECT_EQ(config_.passwordKey.get(), prepared.key.get());
}
