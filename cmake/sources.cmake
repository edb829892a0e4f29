# Source lists, by the platform they need.
set(TAVOLIN_PORTABLE_SOURCES
  core/json_value.cpp
  core/json_parse.cpp
  core/json_write.cpp
  core/text.cpp
  core/log.cpp
  core/data_dir.cpp
  config/server_lookup.cpp
  config/config_json.cpp
  config/config_store.cpp
  config/import_text.cpp
  config/export_csv.cpp
  net/net_state.cpp
)

set(TAVOLIN_WIN32_SOURCES
  core/unicode_win.cpp
  core/file_io_win.cpp
  core/paths_win.cpp
  core/random_win.cpp
  core/sha256_win.cpp
  core/error_text_win.cpp
  core/crash_filter_win.cpp
  config/password.cpp
  net/probe_win.cpp
  net/probe_scheduler.cpp
)

set(TAVOLIN_POSIX_SOURCES
  core/file_io_posix.cpp
  core/paths_posix.cpp
  core/random_posix.cpp
)
