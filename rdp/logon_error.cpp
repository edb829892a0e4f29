#include "rdp/logon_error.h"

namespace {

struct Entry {
    std::int32_t code;
    LogonErrorMeaning meaning;
};

// The codes and their meanings as imstscaxevents-onlogonerror lists them.
// The two "password expired" codes do not end the logon: the page says the
// user must update the password "to continue logging on", which happens
// on the logon screen inside the session.
const Entry kCodes[] = {
    // ERROR_CODE_ACCESS_DENIED
    {-1, {true, "登录被拒绝：该用户没有访问权限", true}},
    // ARBITRATION_CODE_CONTINUE_LOGON
    {-2, {false, "登录继续进行", false}},
    // ARBITRATION_CODE_CONTINUE_TERMINATE
    {-3, {true, "远程登录已静默结束", true}},
    // ARBITRATION_CODE_RECONN_OPTIONS
    {-4, {false, "远程桌面显示了“重新连接”对话框，请在会话中选择", true}},
    // ARBITRATION_CODE_BUMP_OPTIONS
    {-5, {false, "远程桌面显示了“会话争用”对话框，请在会话中选择", true}},
    // ARBITRATION_CODE_NOPERM_DIALOG
    {-6, {false, "远程桌面显示了“没有权限”对话框，请在会话中查看", true}},
    // ARBITRATION_CODE_REFUSED_DIALOG
    {-7, {false, "远程桌面显示了“拒绝断开”对话框，请在会话中查看", true}},
    // LOGON_FAILED_BAD_PASSWORD
    {0, {true, "登录失败：用户名或密码不正确", true}},
    // LOGON_FAILED_UPDATE_PASSWORD
    {1, {false, "密码已过期：请在会话中修改密码后继续登录", true}},
    // LOGON_FAILED_OTHER: the client shows its logon screen
    {2, {false, "登录未完成，远程桌面显示了登录界面，请在会话中登录", true}},
    // LOGON_WARNING: a dialog with information inside the session
    {3, {false, "远程桌面显示了一条登录提示，请在会话中查看", true}},
    // STATUS_ACCOUNT_RESTRICTION (0xC000006E)
    {static_cast<std::int32_t>(0xC000006Eu),
     {true, "登录被拒绝：账户受限制（例如不在允许的登录时段）", true}},
    // STATUS_LOGON_FAILURE (0xC000006D)
    {static_cast<std::int32_t>(0xC000006Du), {true, "登录失败：用户名或密码不正确", true}},
    // STATUS_PASSWORD_MUST_CHANGE (0xC0000224)
    {static_cast<std::int32_t>(0xC0000224u), {false, "密码已过期：请在会话中修改密码后继续登录", true}},
};

}  // namespace

LogonErrorMeaning MeaningOfLogonError(std::int32_t code) {
    for (const Entry& entry : kCodes) {
        if (entry.code == code) return entry.meaning;
    }
    return LogonErrorMeaning{false, "远程登录报告了未知的登录事件", false};
}
