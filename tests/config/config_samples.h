// A store with every field away from its default, texts that need escaping
// included, as config.json holds it: SaveConfig wrote these very bytes
// (with a final line feed), so loading and saving must give them back.
#pragma once

#include "config/app_config.h"
#include "config/config_json.h"

inline const char* const kFullConfigText = R"json({
  "servers": [
    {
      "id": "0123456789abcdef",
      "host": "服务器-1.example.cn",
      "port": 3390,
      "user": "管理员\"",
      "domain": "域\\corp",
      "password": "aesgcm1:c2VhbGVkIFwgIiDwn5iA",
      "remark": "备注：第一行\n第二行",
      "group": "生产",
      "colorDepth": 16,
      "width": 800,
      "height": 600,
      "smartSizing": false,
      "fullscreenOnConnect": true,
      "autoConnect": true,
      "pingPort": 22
    },
    {
      "id": "fedcba9876543210",
      "host": "",
      "port": 3389,
      "user": "",
      "domain": "",
      "remark": "",
      "group": "",
      "colorDepth": 32,
      "width": 0,
      "height": 0,
      "smartSizing": true,
      "fullscreenOnConnect": false,
      "autoConnect": false,
      "pingPort": 0
    }
  ],
  "ping": {
    "intervalSec": 5,
    "timeoutMs": 300,
    "threads": 2
  },
  "security": {
    "enabled": true,
    "salt": "s",
    "hash": "h",
    "hint": "提示",
    "iterations": 600000
  },
  "ui": {
    "darkTheme": true,
    "x": 1,
    "y": 2,
    "w": 900,
    "h": 600,
    "maximized": true
  },
  "defaults": {
    "user": "du",
    "domain": "dd",
    "colorDepth": 24,
    "smartSizing": false
  },
  "display": {
    "changeRemoteResolution": false
  },
  "sessions": {
    "autoReconnect": true
  }
})json";

inline AppConfig FullConfig() {
    JsonValue document;
    ParseJson(kFullConfigText, &document, nullptr);
    AppConfig config;
    ConfigFromJson(document, config);
    return config;
}
