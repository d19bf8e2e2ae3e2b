#include "platform/child_process.h"

#include "platform/file_names.h"
#include "platform/program.h"
#include "platform/win32/win32.h"

#include <fcntl.h>
#include <io.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <sstream>

namespace platform {
namespace {

// One argument as the C runtime's command-line parser (and
// CommandLineToArgvW) reads it back: quoted when it holds a blank or a
// quote, with the backslashes before a quote doubled.
std::wstring quoted(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
        return argument;
    }
    std::wstring out = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        out.push_back(c);
    }
    out.append(backslashes * 2, L'\\');
    return out + L"\"";
}

void (*stopHandler)(int) = nullptr;
volatile std::sig_atomic_t stopAsked = 0;

void stopRequest(int signal) {
    stopAsked = 1;
    if (stopHandler != nullptr) stopHandler(signal);
}

// The children running, for `endChildProcesses`.
std::atomic<HANDLE> running[4];

void noteRunning(HANDLE child, HANDLE was) {
    for (auto& slot : running) {
        HANDLE expected = was;
        if (slot.compare_exchange_strong(expected, child)) return;
    }
}

BOOL WINAPI consoleEvent(DWORD event) {
    if (stopHandler == nullptr) return FALSE;
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) {
        stopRequest(SIGINT);
        return TRUE;
    }
    // A closed console window ends the process when this returns, or five
    // seconds on: time for the program to finish what it was writing.
    stopRequest(1);  // SIGHUP's number elsewhere
    Sleep(4500);
    return TRUE;
}

}  // namespace

std::string findProgram(const std::string& name) {
    const std::filesystem::path file = filePath(name + ".exe");
    std::error_code error;
    if (const std::filesystem::path here = executableFolder(); !here.empty()) {
        if (std::filesystem::is_regular_file(here / file, error)) return fileName(here / file);
    }
    const wchar_t* path = _wgetenv(L"PATH");
    std::wstringstream folders(path != nullptr ? path : L"");
    for (std::wstring folder; std::getline(folders, folder, L';');) {
        // An entry may be quoted, as "C:\Program Files\ffmpeg\bin".
        if (folder.size() >= 2 && folder.front() == L'"' && folder.back() == L'"') {
            folder = folder.substr(1, folder.size() - 2);
        }
        const std::filesystem::path candidate =
            std::filesystem::path(folder.empty() ? L"." : folder) / file;
        if (std::filesystem::is_regular_file(candidate, error)) return fileName(candidate);
    }
    return {};
}

std::string findProgramHint(const std::string& name) {
    return "put " + name + ".exe beside this program or in a folder on the PATH";
}

ChildProcess::~ChildProcess() {
    finish();
}

bool ChildProcess::start(const std::string& program, const std::vector<std::string>& arguments,
                         bool fed) {
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    HANDLE read = nullptr;
    HANDLE write = nullptr;
    if (fed) {
        if (!CreatePipe(&read, &write, &inherited, 1 << 20)) return false;
        SetHandleInformation(write, HANDLE_FLAG_INHERIT, 0);
    } else {
        read = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited,
                           OPEN_EXISTING, 0, nullptr);
    }
    const std::wstring path = filePath(program).wstring();
    std::wstring commandLine = quoted(path);
    for (const std::string& argument : arguments) {
        commandLine += L" " + quoted(filePath(argument).wstring());
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = read;
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION child{};
    // A group of its own and a hidden console: neither Ctrl-C, Ctrl-Break nor
    // a closed console window reach the child, which ends when its input
    // does (the recorder's ffmpeg would otherwise stop taking frames first).
    const bool started = CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                                        CREATE_NEW_PROCESS_GROUP | CREATE_NO_WINDOW, nullptr,
                                        nullptr, &startup, &child) != FALSE;
    if (read != nullptr && read != INVALID_HANDLE_VALUE) CloseHandle(read);
    if (!started) {
        if (write != nullptr) CloseHandle(write);
        errno = ENOENT;
        return false;
    }
    CloseHandle(child.hThread);
    process_ = child.hProcess;
    noteRunning(child.hProcess, nullptr);
    if (fed) {
        const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(write), _O_BINARY);
        input_ = descriptor >= 0 ? _fdopen(descriptor, "wb") : nullptr;
    }
    return true;
}

bool ChildProcess::write(const void* data, std::size_t bytes) {
    return input_ != nullptr && std::fwrite(data, 1, bytes, input_) == bytes;
}

int ChildProcess::finish() {
    // Tenths of a second a child has after a stop request.
    int grace = input_ != nullptr ? 50 : 10;
    if (input_ != nullptr) std::fclose(input_);
    input_ = nullptr;
    if (process_ == nullptr) return -1;
    bool ended = true;
    while (WaitForSingleObject(process_, 100) == WAIT_TIMEOUT) {
        if (stopAsked != 0 && grace-- <= 0) {
            TerminateProcess(process_, 1);
            WaitForSingleObject(process_, INFINITE);
            ended = false;
            break;
        }
    }
    DWORD status = 0;
    const bool known = ended && GetExitCodeProcess(process_, &status) != FALSE;
    noteRunning(nullptr, process_);
    CloseHandle(process_);
    process_ = nullptr;
    return known ? static_cast<int>(status) : -1;
}

void catchStopRequests(void (*handler)(int)) {
    stopHandler = handler;
    // A program started in a process group of its own (as launchers and
    // scripts may start it) begins with Ctrl-C ignored; a recording still
    // stops on it.
    SetConsoleCtrlHandler(nullptr, FALSE);
    SetConsoleCtrlHandler(consoleEvent, TRUE);
    std::signal(SIGTERM, stopRequest);
}

void endChildProcesses() {
    for (auto& slot : running)
        if (const HANDLE child = slot.load(); child != nullptr) TerminateProcess(child, 1);
}

void removeFileNow(const char* path) {
    // (The console's handler runs on a thread of its own.)
    DeleteFileW(filePath(path).wstring().c_str());
}

}  // namespace platform
