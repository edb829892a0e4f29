#include <string>

#include "net/probe.h"

namespace {

constexpr int kWsaTimedOut = 10060;
constexpr int kWsaConnRefused = 10061;
constexpr int kWsaNetUnreach = 10051;
constexpr int kWsaHostUnreach = 10065;

}  // namespace

std::string ProbePortText(int port) {
    return std::to_string(port < 1 || port > 65535 ? 3389 : port);
}

const char* NetStateName(NetState state) {
    switch (state) {
        case NetState::Online:
            return "online";
        case NetState::Refused:
            return "refused";
        case NetState::Timeout:
            return "timeout";
        case NetState::DnsFail:
            return "dnsfail";
        case NetState::Error:
            return "error";
        default:
            return "unknown";
    }
}

void ClassifyFailure(int error, ProbeResult& result) {
    result.rtt = -1.0;
    switch (error) {
        case kWsaNetUnreach:
        case kWsaHostUnreach:
            result.netState = NetState::Error;
            result.netDetail = "网络或主机不可达";
            return;
        case kWsaTimedOut:
            result.netState = NetState::Timeout;
            result.netDetail = "连接超时";
            return;
        case kWsaConnRefused:
            result.netState = NetState::Refused;
            result.netDetail = "主机在线，但端口被拒绝（RDP 未启用或被防火墙拦截）";
            return;
        case 0:
            result.netState = NetState::Error;
            result.netDetail = "连接失败";
            return;
        default:
            result.netState = NetState::Error;
            result.netDetail = "连接失败，错误码 " + std::to_string(error);
            return;
    }
}
