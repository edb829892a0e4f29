# Microsoft's WebView2 SDK, restored from NuGet by scripts/install-deps into
# build/nuget at the version scripts/webview2-sdk.csproj pins. Gives
#   TAVOLIN_WEBVIEW2_VERSION     the package's version
#   TAVOLIN_WEBVIEW2_SDK         its build/native folder
#   TAVOLIN_WEBVIEW2_LOADER_X64  the x64 WebView2Loader.dll a release embeds
#   tavolin_webview2_sdk         a target whose users compile against WebView2.h

file(STRINGS "${CMAKE_SOURCE_DIR}/scripts/webview2-sdk.csproj" reference
     REGEX "Include=\"Microsoft.Web.WebView2\" Version=")
string(REGEX REPLACE ".*Version=\"([^\"]+)\".*" "\\1" TAVOLIN_WEBVIEW2_VERSION "${reference}")
set(TAVOLIN_WEBVIEW2_SDK
    "${CMAKE_SOURCE_DIR}/build/nuget/microsoft.web.webview2/${TAVOLIN_WEBVIEW2_VERSION}/build/native")
set(TAVOLIN_WEBVIEW2_LOADER_X64 "${TAVOLIN_WEBVIEW2_SDK}/x64/WebView2Loader.dll")
if(NOT EXISTS "${TAVOLIN_WEBVIEW2_SDK}/include/WebView2.h")
  message(FATAL_ERROR "The WebView2 SDK ${TAVOLIN_WEBVIEW2_VERSION} is not in ${TAVOLIN_WEBVIEW2_SDK}: "
                      "run scripts/install-deps, which restores it from NuGet.")
endif()

add_library(tavolin_webview2_sdk INTERFACE)
# A system include: the header is Microsoft's, its warnings are not ours.
target_include_directories(tavolin_webview2_sdk SYSTEM INTERFACE "${TAVOLIN_WEBVIEW2_SDK}/include")
if(MINGW)
  # WebView2.h includes "EventToken.h"; MinGW-w64 ships it as eventtoken.h,
  # which a case-sensitive file system does not find under the other name.
  set(forward "${CMAKE_BINARY_DIR}/webview2-include")
  file(CONFIGURE OUTPUT "${forward}/EventToken.h" CONTENT "#include <eventtoken.h>\n")
  target_include_directories(tavolin_webview2_sdk SYSTEM INTERFACE "${forward}")
endif()
