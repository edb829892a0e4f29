// A store with every field away from its default, texts that need escaping
// included.
#pragma once

#include "config/app_config.h"

inline AppConfig FullConfig() {
    AppConfig config;
    config.servers = {
        {"0123456789abcdef", "服务器-1.example.cn", 3390, "管理员\"", "域\\corp", "", "备注：第一行\n第二行",
         "生产", 16, 800, 600, false, true, true, 22, "aesgcm1:c2VhbGVkIFwgIiDwn5iA", ConnectionOptions()},
        ServerRecord()};
    config.servers[1].id = "fedcba9876543210";
    config.ping = {5, 300, 2};
    config.security = {true, "s", "h", "提示", 600000};
    config.ui = {true, 1, 2, 900, 600, true};
    config.defaults = {"du", "dd", 24, false};
    config.display.changeRemoteResolution = false;
    return config;
}
