#include "rdp/disconnect_reason.h"

#include <algorithm>
#include <iterator>

#include "core/text.h"

namespace {

struct ReasonText {
    int code;
    const char* text;
};

// Sorted by code for the binary search.
constexpr ReasonText kReasons[] = {
    {0, "连接已结束"},
    {1, "本地主动断开"},
    {2, "对方主动断开"},
    {3, "会话被服务器结束（管理员结束、建立连接出错或网络故障）"},
    {260, "找不到这台计算机：可能不在指定网络，或域名不对"},
    {262, "本机虚拟内存不足"},
    {264, "连接超时：在规定时间内没能建立连接"},
    {266, "智能卡服务未运行"},
    {516, "连不上远程计算机：未开启远程桌面、机器关机或网络不可达"},
    {518, "本机内存不足"},
    {520, "找不到主机（域名解析失败）"},
    {522, "没检测到智能卡读卡器"},
    {772, "网络错误导致连接中断"},
    {774, "本机内存不足"},
    {776, "IP 地址无效"},
    {778, "读卡器里没有插入智能卡"},
    {1028, "接收数据出错（socket recv 失败）"},
    {1030, "安全校验失败：请确认已连上网络后重试"},
    {1032, "计算机名含有非法字符"},
    {1034, "智能卡子系统出错"},
    {1286, "指定的加密方式无效"},
    {1288, "DNS 解析失败"},
    {1540, "找不到指定的服务器、设备或主机"},
    {1542, "服务器安全数据无效"},
    {1544, "内部计时器错误"},
    {1796, "连接超时"},
    {1798, "服务器证书解析失败"},
    {1800, "本机已有控制台会话，无法再连它自己的控制台会话"},
    {2052, "IP 地址格式错误"},
    {2056, "内部安全错误"},
    {2308, "套接字已被关闭"},
    {2310, "内部安全错误"},
    {2312, "授权超时"},
    {2566, "内部安全错误"},
    {2567, "指定的用户名不存在：请核对用户名"},
    {2820, "连接被中断：目标计算机上发生了阻止连接的故障"},
    {2822, "数据加密出错，会话被结束"},
    {2823, "该用户账户已被禁用"},
    {2825, "服务器要求网络级别身份验证（NLA）但认证没有完成：请核对这台服务器的用户名和密码"},
    {3078, "数据解密出错"},
    {3079, "用户账户受到限制（例如登录时段限制），无法登录"},
    {3080, "客户端解压失败，会话被断开"},
    {3335, "账户因连续登录失败已被锁定：请稍后再试，或联系服务器管理员"},
    {3590, "服务器要求 FIPS 级加密，本客户端不支持"},
    {3591, "该用户账户已过期"},
    {3847, "用户密码已过期，需要先在服务器上修改密码"},
    {3848, "服务器不接受发送过去的凭据：请核对用户名和密码"},
    {4615, "首次登录必须先修改密码"},
};

// A description this long or longer is cut; the cut keeps room for "...".
constexpr std::size_t kLongDescription = 91;
constexpr std::size_t kCutDescription = 87;

bool IsContinuationByte(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

}  // namespace

const char* KnownDisconnectReasonText(int reason) {
    const auto found = std::lower_bound(std::begin(kReasons), std::end(kReasons), reason,
                                        [](const ReasonText& entry, int code) { return entry.code < code; });
    return found != std::end(kReasons) && found->code == reason ? found->text : nullptr;
}

std::string FallbackDisconnectReasonText(int reason) {
    return Format("断开（原因码 %d）", reason);
}

std::string_view CutUtf8(std::string_view text, std::size_t maxBytes) {
    if (text.size() <= maxBytes) return text;
    std::size_t end = maxBytes;
    // The byte at end starts the first character that is left out; step
    // back while it is the middle of a character.
    while (end > 0 && IsContinuationByte(static_cast<unsigned char>(text[end]))) --end;
    return text.substr(0, end);
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
