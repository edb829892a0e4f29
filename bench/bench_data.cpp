#include "bench/bench_data.h"

#include <cstdint>
#include <string>

#include "config/config_json.h"
#include "core/json.h"

namespace {

// A fixed linear congruential generator: the data must not change between
// runs, or the numbers of two runs could not be compared.
class Lcg {
public:
    explicit Lcg(std::uint64_t seed) : state_(seed) {}
    std::uint32_t Next() {
        state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<std::uint32_t>(state_ >> 33);
    }
    int Below(int limit) { return static_cast<int>(Next() % static_cast<std::uint32_t>(limit)); }
    bool Chance(int percent) { return Below(100) < percent; }
    template <typename T, int N>
    const T& Pick(const T (&choices)[N]) {
        return choices[Below(N)];
    }

private:
    std::uint64_t state_;
};

const char* const kCities[] = {"北京", "上海", "广州", "深圳", "杭州", "成都", "武汉", "西安"};
const char* const kGroups[] = {"生产环境", "测试环境", "开发环境", "财务系统", "数据库", "办公网", "", ""};
const char* const kRoles[] = {"数据库主机", "应用服务器", "文件服务器", "域控制器",
                              "跳板机",     "备份服务器", "打印服务器", "监控主机"};
const char* const kNotes[] = {"", "", "夜间维护", "勿重启", "仅限运维", "新采购", "待下线", "双网卡"};
const char* const kUsers[] = {"administrator", "Administrator", "ops",    "zhang.wei",
                              "li.na",         "wang.fang",     "backup", "svc_rdp"};
const char* const kDomains[] = {"", "", "", "CORP", "corp.example.com", "FINANCE", "LAB"};
const char* const kNamePrefixes[] = {"srv", "db", "app", "file", "dc", "jump", "web", "build"};
const int kColorDepths[] = {32, 32, 32, 32, 24, 16, 15};
const int kWidths[] = {1920, 1600, 1366, 2560, 1280};
const int kHeights[] = {1080, 900, 768, 1440, 1024};

std::string Hex16(Lcg& random) {
    static const char kHex[] = "0123456789abcdef";
    std::string id;
    for (int i = 0; i < 16; ++i) id.push_back(kHex[random.Below(16)]);
    return id;
}

std::string MakeHost(Lcg& random, int index) {
    // One draw per statement: the order in which operands of + are evaluated
    // is unspecified, and the data must be the same with every compiler.
    if (random.Chance(70)) {
        std::string host = "10." + std::to_string(random.Below(256));
        host += "." + std::to_string(random.Below(256));
        host += "." + std::to_string(1 + random.Below(254));
        return host;
    }
    std::string host = random.Pick(kNamePrefixes);
    return host + "-" + std::to_string(index) + ".corp.example.com";
}

std::string MakePassword(Lcg& random) {
    if (random.Chance(25)) return "";
    static const char kChars[] = "abcdefghijkmnpqrstuvwxyzABCDEFGHJKLMNPQRSTUVWXYZ23456789!@#$%^&*";
    std::string password;
    int length = 8 + random.Below(12);
    for (int i = 0; i < length; ++i)
        password.push_back(kChars[random.Below(static_cast<int>(sizeof kChars) - 1)]);
    return password;
}

ServerRecord MakeServer(Lcg& random, int index) {
    ServerRecord server;
    server.id = Hex16(random);
    server.host = MakeHost(random, index);
    server.port = random.Chance(80) ? 3389 : 3389 + 1 + random.Below(20000);
    server.user = random.Pick(kUsers);
    server.domain = random.Pick(kDomains);
    server.password = MakePassword(random);
    server.remark = random.Pick(kCities);
    server.remark += random.Pick(kRoles);
    server.remark += " #" + std::to_string(index);
    server.remark += random.Pick(kNotes);
    server.group = random.Pick(kGroups);
    server.colorDepth = random.Pick(kColorDepths);
    if (random.Chance(30)) {
        int size = random.Below(5);
        server.width = kWidths[size];
        server.height = kHeights[size];
    }
    server.smartSizing = random.Chance(85);
    server.fullscreenOnConnect = random.Chance(10);
    server.autoConnect = random.Chance(3);
    server.pingPort = random.Chance(10) ? 22 : 0;
    return server;
}

}  // namespace

AppConfig MakeBenchConfig(int serverCount) {
    Lcg random(20240601);
    AppConfig config;
    config.servers.reserve(static_cast<std::size_t>(serverCount > 0 ? serverCount : 0));
    for (int i = 0; i < serverCount; ++i) config.servers.push_back(MakeServer(random, i));
    config.ping.intervalSec = 15;
    config.ping.threads = 8;
    config.security.hint = "公司常用密码";
    config.ui.darkTheme = true;
    config.ui.x = 120;
    config.ui.y = 80;
    config.defaults.user = "administrator";
    config.defaults.domain = "CORP";
    return config;
}

std::string MakeBenchConfigText(int serverCount) {
    return ToJson(ConfigToJson(MakeBenchConfig(serverCount)), 2) + "\n";
}
