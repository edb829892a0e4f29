# Source lists, by the platform they need.
set(TAVOLIN_PORTABLE_SOURCES
  core/json_value.cpp
  core/json_parse.cpp
  core/json_write.cpp
  core/text.cpp
  core/host_port.cpp
  core/log.cpp
  core/data_dir.cpp
  core/file_io.cpp
  core/file_replace.cpp
  core/utf16.cpp
  config/server_lookup.cpp
  config/stored_password.cpp
  config/config_json.cpp
  config/config_store.cpp
  config/import_text.cpp
  config/export_csv.cpp
  config/option_columns.cpp
  config/password.cpp
  config/rdp_file.cpp
  net/net_state.cpp
  net/probe_queue.cpp
  net/connect_plan.cpp
  net/probe_scheduler.cpp
  rdp/disconnect_reason.cpp
  rdp/logon_error.cpp
  rdp/display_sizing_rules.cpp
  rdp/external_client_command.cpp
  rdp/connection_options.cpp
  rdp/session_state.cpp
  app/resource_fingerprint.cpp
  app/command_line.cpp
  app/window_placement.cpp
  app/unlock_layout.cpp
  app/unlock_attempts.cpp
  app/fullscreen_geometry.cpp
  webhost/webview_text.cpp
  webhost/page_origin.cpp
  webhost/process_failure_policy.cpp
  controller/page_documents.cpp
  controller/page_events.cpp
  controller/ping_batch.cpp
  controller/command_members.cpp
  controller/export_path.cpp
  controller/startup_password.cpp
  controller/controller.cpp
  controller/probe_jobs.cpp
  controller/reconnect_plan.cpp
  controller/quick_address.cpp
  controller/controller_reconnect.cpp
  controller/command_table.cpp
  controller/server_commands.cpp
  controller/session_commands.cpp
  controller/settings_commands.cpp
  controller/transfer_commands.cpp
  controller/export_target.cpp
  controller/rdp_file_commands.cpp
  controller/window_commands.cpp
)

set(TAVOLIN_WIN32_SOURCES
  core/unicode_win.cpp
  core/file_io_win.cpp
  core/paths_win.cpp
  core/random_win.cpp
  core/user_sid_win.cpp
  core/sha256_win.cpp
  core/secret_crypto_win.cpp
  core/error_text_win.cpp
  core/crash_filter_win.cpp
  net/probe_win.cpp
  net/probe_engine_win.cpp
  net/name_lookup_win.cpp
  net/wake_signal_win.cpp
  rdp/session_clock_win.cpp
  rdp/dispatch_calls_win.cpp
  rdp/rdp_session_win.cpp
  rdp/rdp_control_win.cpp
  rdp/control_classes_win.cpp
  rdp/control_settings_win.cpp
  rdp/control_drives_win.cpp
  rdp/type_library_slots_win.cpp
  rdp/rdp_events_win.cpp
  rdp/display_sizing_win.cpp
  rdp/session_site_win.cpp
  rdp/rdp_frame_win.cpp
  rdp/external_client_win.cpp
  rdp/session_external_client_win.cpp
  rdp/client_reaper_win.cpp
  app/ui_resources_win.cpp
  app/main_window_win.cpp
  rdp/client_rdp_file_win.cpp
  app/main_window_keys_win.cpp
  app/title_bar_win.cpp
  app/export_dialog_win.cpp
  app/startup_win.cpp
  app/network_watch_win.cpp
  app/unlock_dialog_win.cpp
  app/unlock_paint_win.cpp
  app/fullscreen_win.cpp
  app/monitors_win.cpp
  app/single_instance_win.cpp
  app/fullscreen_bar_win.cpp
  webhost/webview_loader_win.cpp
  webhost/webview_handlers_win.cpp
  webhost/webview_host_win.cpp
  webhost/webview_host_events_win.cpp
  app/tab_registry_win.cpp
  app/host_environment_win.cpp
  app/probe_results_win.cpp
  app/main_web_listener_win.cpp
  app/main_window_actions_win.cpp
)

set(TAVOLIN_POSIX_SOURCES
  core/file_io_posix.cpp
  core/paths_posix.cpp
  core/random_posix.cpp
  core/secret_crypto_posix.cpp
)

# A source's name says which side of the platform seam it is on: a source
# that reaches a Windows header, through its own includes or the project
# headers they include, is a Win32 source, listed above and named *_win.cpp;
# no other source is. Every product source is in one of the lists (the
# program's entry, app/main.cpp, belongs to the executable), so none escapes
# the check. The configure step fails on a file that breaks the rule.
# A Windows header is any <name.h> without a folder but the few of C and
# POSIX the native files use.
set(TAVOLIN_NOT_WINDOWS_HEADERS unistd fcntl errno stdio stdlib string stdint signal)

# Sets ${result} to TRUE when file (relative to the source folder) reaches a
# Windows header; seen carries the project headers already looked at.
function(tavolin_reaches_windows file result)
  set(seen ${ARGN})
  file(STRINGS "${CMAKE_SOURCE_DIR}/${file}" includes REGEX "^#include [<\"]")
  foreach(line IN LISTS includes)
    if(line MATCHES "^#include <([A-Za-z0-9_]+)\\.h>" AND NOT CMAKE_MATCH_1 IN_LIST TAVOLIN_NOT_WINDOWS_HEADERS)
      set(${result} TRUE PARENT_SCOPE)
      return()
    endif()
    if(line MATCHES "^#include \"([^\"]+)\"" AND EXISTS "${CMAKE_SOURCE_DIR}/${CMAKE_MATCH_1}")
      set(header "${CMAKE_MATCH_1}")
      if(NOT header IN_LIST seen)
        list(APPEND seen "${header}")
        tavolin_reaches_windows("${header}" reaches ${seen})
        if(reaches)
          set(${result} TRUE PARENT_SCOPE)
          return()
        endif()
      endif()
    endif()
  endforeach()
  set(${result} FALSE PARENT_SCOPE)
endfunction()

function(tavolin_check_source_names)
  set(problems "")
  foreach(source IN LISTS TAVOLIN_WIN32_SOURCES)
    tavolin_reaches_windows("${source}" reaches)
    if(NOT source MATCHES "_win\\.cpp$")
      list(APPEND problems "${source}: a Win32 source, its name must end in _win.cpp")
    elseif(NOT reaches)
      list(APPEND problems "${source}: reaches no Windows header: list it as portable, without _win")
    endif()
  endforeach()
  foreach(source IN LISTS TAVOLIN_PORTABLE_SOURCES TAVOLIN_POSIX_SOURCES)
    tavolin_reaches_windows("${source}" reaches)
    if(source MATCHES "_win\\.cpp$")
      list(APPEND problems "${source}: listed as portable, yet named _win.cpp")
    elseif(reaches)
      list(APPEND problems "${source}: reaches a Windows header: list it as Win32 and name it _win.cpp")
    endif()
  endforeach()
  file(GLOB found RELATIVE "${CMAKE_SOURCE_DIR}" ${CMAKE_SOURCE_DIR}/core/*.cpp ${CMAKE_SOURCE_DIR}/config/*.cpp
       ${CMAKE_SOURCE_DIR}/controller/*.cpp ${CMAKE_SOURCE_DIR}/net/*.cpp ${CMAKE_SOURCE_DIR}/rdp/*.cpp
       ${CMAKE_SOURCE_DIR}/webhost/*.cpp ${CMAKE_SOURCE_DIR}/app/*.cpp)
  list(REMOVE_ITEM found app/main.cpp ${TAVOLIN_PORTABLE_SOURCES} ${TAVOLIN_WIN32_SOURCES} ${TAVOLIN_POSIX_SOURCES})
  foreach(source IN LISTS found)
    list(APPEND problems "${source}: in no source list of cmake/sources.cmake")
  endforeach()
  if(problems)
    list(JOIN problems "\n  " text)
    message(FATAL_ERROR "Source names and platforms disagree:\n  ${text}")
  endif()
endfunction()
tavolin_check_source_names()
