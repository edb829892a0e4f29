// A loader that cannot be found, or that lacks its entry point, stops the
// start with one error. Once the process has loaded a WebView2Loader.dll,
// the system answers every later search for that name with it, so each
// case runs in a fresh copy of this test program.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "core/file_io.h"
#include "core/paths.h"
#include "core/text.h"
#include "core/unicode.h"
#include "core/win_handle.h"
#include "webhost/webview_test_support.h"

namespace {

// Runs one disabled test of this program in a process of its own; its exit
// code (0 when it passed).
DWORD RunAlone(const std::string& test) {
    std::wstring command =
        L"\"" + ToWide(ExePath()) + L"\" --gtest_also_run_disabled_tests --gtest_filter=" + ToWide(test);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        return GetLastError();
    }
    UniqueHandle processHandle(process.hProcess);
    UniqueHandle threadHandle(process.hThread);
    WaitForSingleObject(process.hProcess, 60000);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    return code;
}

// The host's start with the given loader folder must fail with text.
void ExpectStartFails(const std::string& loaderFolder, const char* text) {
    LogCapture log;
    RecordingListener listener;
    HostWindow window;
    WebViewLoader loader;
    WebViewHost host(loader);
    TempDir folders;
    EXPECT_FALSE(host.create(window.get(), folders.path(), folders.file("data"), &listener, loaderFolder));
    EXPECT_FALSE(host.isLoaderReady());
    ASSERT_EQ(listener.errors.size(), 1u);
    EXPECT_EQ(listener.errors[0], text);
    EXPECT_EQ(log.records().size(), 1u);
    EXPECT_TRUE(log.has("ERROR", text));
    EXPECT_EQ(host.lastError(), text);
}

}  // namespace

TEST(WebViewLoader, AMissingLoaderOrEntryPointStopsTheStart) {
    EXPECT_EQ(RunAlone("LoaderAlone.DISABLED_NoLoaderAnywhere"), 0u);
    EXPECT_EQ(RunAlone("LoaderAlone.DISABLED_LoaderWithoutTheEntryPoint"), 0u);
}

TEST(LoaderAlone, DISABLED_NoLoaderAnywhere) {
    TempDir empty;
    ExpectStartFails(empty.path(), kLoaderMissingText);
}

TEST(LoaderAlone, DISABLED_LoaderWithoutTheEntryPoint) {
    // Any library will do, as long as it does not export the entry point.
    TempDir folder;
    std::string library;
    ASSERT_TRUE(ReadWholeFile(JoinPath(ExeDir(), "tavolin_rdp_standin.dll"), &library));
    ASSERT_TRUE(WriteWholeFile(folder.file("WebView2Loader.dll"), library));
    ExpectStartFails(folder.path(), kLoaderExportMissingText);
}

TEST(WebViewLoader, TheGivenFolderComesFirstAndTheLoaderIsKept) {
    WebViewLoader loader;
    std::string error;
    const CreateWebViewEnvironmentFunction first = loader.Load(StandinRuntimeFolder(), &error);
    ASSERT_NE(first, nullptr) << error;
    // Found once, kept: a later call does not search again.
    EXPECT_EQ(loader.Load("C:\\nowhere", &error), first);
    HMODULE module = nullptr;
    ASSERT_TRUE(GetModuleHandleExW(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCWSTR>(reinterpret_cast<void*>(first)), &module));
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(module, path, MAX_PATH);
    EXPECT_NE(ToUtf8(path).find("webview-standin"), std::string::npos) << ToUtf8(path);
}
