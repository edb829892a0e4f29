#include "app/program_process.h"

#include "core/paths.h"
#include "core/text.h"
#include "core/unicode.h"
#include "support/message_pump.h"

namespace {

// Quoted the way CommandLineToArgvW reads it back; the tests' arguments
// hold no quotes.
std::wstring CommandLine(const std::string& exe, const std::vector<std::string>& args) {
    std::wstring line = L"\"" + ToWide(exe) + L"\"";
    for (const std::string& arg : args) line += L" \"" + ToWide(arg) + L"\"";
    return line;
}

struct WindowSearch {
    DWORD processId;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectMainWindow(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<WindowSearch*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    if (owner == search->processId && std::wstring(name) == L"TavolinMainWindow")
        search->found.push_back(window);
    return TRUE;
}

}  // namespace

std::vector<HWND> MainWindowsOf(DWORD processId) {
    WindowSearch search{processId, {}};
    EnumWindows(&CollectMainWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

ProgramProcess::ProgramProcess(const std::string& folder) : exe_(JoinPath(folder, "tavolin.exe")) {
    const std::string built = JoinPath(JoinPath(ExeDir(), ".."), "tavolin.exe");
    CopyFileW(ToWide(built).c_str(), ToWide(exe_).c_str(), TRUE);
}

ProgramProcess::~ProgramProcess() {
    if (running()) Kill();
}

bool ProgramProcess::Start(const std::vector<std::string>& args, int showCommand) {
    std::wstring line = CommandLine(exe_, args);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(showCommand);
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        return false;
    }
    CloseHandle(info.hThread);
    process_ = UniqueHandle(info.hProcess);
    processId_ = info.dwProcessId;
    return true;
}

HWND ProgramProcess::WaitForWindow(DWORD ms) const {
    HWND window = nullptr;
    PumpUntil(
        [&] {
            for (HWND w : MainWindowsOf(processId_)) {
                if (IsWindowVisible(w)) window = w;
            }
            return window != nullptr || !running();
        },
        ms);
    return window;
}

int ProgramProcess::WaitForExit(DWORD ms) {
    if (!process_.valid()) return -1;
    PumpUntil([&] { return !running(); }, ms);
    DWORD code = 0;
    if (running() || !GetExitCodeProcess(process_.get(), &code)) return -1;
    return static_cast<int>(code);
}

void ProgramProcess::Kill() {
    if (!process_.valid()) return;
    TerminateProcess(process_.get(), 9);
    WaitForSingleObject(process_.get(), 10000);
}

bool ProgramProcess::running() const {
    return process_.valid() && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}
