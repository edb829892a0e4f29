#include "rdp/disconnect_reason.h"

#include <algorithm>
#include <iterator>

#include "core/text.h"

namespace {

struct ReasonText {
    int code;
    const char* text;
};

// The reasons imstscaxevents-ondisconnected documents, with what each
// means there (learn.microsoft.com/windows/win32/termserv/imstscaxevents-ondisconnected).
// Sorted by code for the binary search.
constexpr ReasonText kReasons[] = {
    {0, "连接已结束"},
    {1, "本地主动断开"},
    {2, "对方主动断开"},
    {3, "会话被服务器结束"},
    {260, "找不到这台计算机：可能不在指定网络，或域名不对"},
    {262, "内存不足"},
    {264, "连接超时：在规定时间内没能建立连接"},
    {516, "连不上远程计算机：未开启远程桌面、机器关机或网络不可达"},
    {518, "内存不足"},
    {520, "找不到主机"},
    {772, "网络发送数据出错，连接中断"},
    {774, "内存不足"},
    {776, "IP 地址无效"},
    {1028, "网络接收数据出错，连接中断"},
    {1030, "安全数据无效"},
    {1032, "内部错误"},
    {1286, "指定的加密方式无效"},
    {1288, "DNS 解析失败"},
    {1540, "主机名解析失败"},
    {1542, "服务器安全数据无效"},
    {1544, "内部计时器错误"},
    {1796, "连接超时"},
    {1798, "服务器证书解析失败"},
    {2052, "IP 地址格式错误"},
    {2055, "登录失败：请核对用户名和密码"},
    {2056, "许可证协商失败"},
    {2308, "套接字已被关闭"},
    {2310, "内部安全错误"},
    {2312, "许可证协商超时"},
    {2566, "内部安全错误"},
    {2567, "指定的用户名不存在：请核对用户名"},
    {2822, "数据加密出错，会话被结束"},
    {2823, "该用户账户已被禁用"},
    {3078, "数据解密出错"},
    {3079, "用户账户受到限制（例如登录时段限制），无法登录"},
    {3080, "客户端解压失败，会话被断开"},
    {3335, "账户因连续登录失败已被锁定：请稍后再试，或联系服务器管理员"},
    {3591, "该用户账户已过期"},
    {3847, "用户密码已过期，需要先在服务器上修改密码"},
    {4615, "首次登录必须先修改密码"},
    {5639, "策略不允许把凭据委派给这台服务器"},
    {5895, "未完成双向身份验证，不允许把凭据委派给这台服务器"},
    {6151, "联系不到身份验证机构：域名可能不对，或域控制器不可达"},
    {6919, "收到的证书已过期"},
    {7175, "智能卡 PIN 不正确"},
    {8455, "服务器不接受保存的凭据：请重新输入用户名和密码"},
    {8711, "智能卡已被锁定"},
};

// Our own texts for reasons Microsoft does not document; only used when the
// control has no description of its own for them.
constexpr ReasonText kUndocumented[] = {
    {266, "智能卡服务未运行"},
    {522, "没检测到智能卡读卡器"},
    {778, "读卡器里没有插入智能卡"},
    {1034, "智能卡子系统出错"},
    {1800, "本机已有控制台会话，无法再连它自己的控制台会话"},
    {2820, "连接被中断：目标计算机上发生了阻止连接的故障"},
    {2825, "服务器要求网络级别身份验证（NLA）但认证没有完成：请核对这台服务器的用户名和密码"},
    {3590, "服务器要求 FIPS 级加密，本客户端不支持"},
    {3848, "服务器不接受发送过去的凭据：请核对用户名和密码"},
};

template <std::size_t N>
const char* Find(const ReasonText (&table)[N], int reason) {
    const auto found = std::lower_bound(std::begin(table), std::end(table), reason,
                                        [](const ReasonText& entry, int code) { return entry.code < code; });
    return found != std::end(table) && found->code == reason ? found->text : nullptr;
}

// A description this long or longer is cut; the cut keeps room for "...".
constexpr std::size_t kLongDescription = 91;
constexpr std::size_t kCutDescription = 87;

}  // namespace

const char* KnownDisconnectReasonText(int reason) {
    return Find(kReasons, reason);
}

std::string FallbackDisconnectReasonText(int reason) {
    if (const char* ours = Find(kUndocumented, reason)) return ours;
    return Format("断开（原因码 %d）", reason);
}

std::string CleanErrorDescription(std::string_view description) {
    std::string text(description);
    for (char& c : text) {
        if (c == '\r' || c == '\n' || c == '\t') c = ' ';
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    if (text.empty()) return "";
    // The control's generic answers add nothing to the reason code.
    if (text.find("内部错误") != std::string::npos || text.find("internal error") != std::string::npos) {
        return "";
    }
    if (text.size() >= kLongDescription) text = std::string(CutUtf8(text, kCutDescription)) + "...";
    return text;
}
