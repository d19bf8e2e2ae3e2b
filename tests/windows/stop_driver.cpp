// Presses Ctrl-C for a program as a user at its console does. Runs under
// Wine beside the recorder.
//
//   stop_driver TEXT PROGRAM [ARGUMENT...]
//
// Starts PROGRAM in a process group of its own, on a console of this
// driver's own (started from a shell without a terminal it has none, and
// Ctrl-C reaches only programs on the caller's console). PROGRAM's standard
// error is copied to this driver's; at its first line that holds TEXT the
// driver presses Ctrl-C for PROGRAM's group. Exits with PROGRAM's exit code,
// or 1 with a line saying why when TEXT never came, Ctrl-C could not be
// pressed or PROGRAM did not end within a minute of it.
#include "platform/win32/win32.h"

#include <shellapi.h>

#include <cstdio>
#include <string>

int main() {
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (arguments == nullptr || count < 3) {
        std::fprintf(stderr, "usage: stop_driver TEXT PROGRAM [ARGUMENT...]\n");
        return 2;
    }
    char text[256] = {};
    WideCharToMultiByte(CP_UTF8, 0, arguments[1], -1, text, sizeof text - 1, nullptr, nullptr);
    std::wstring command;
    for (int i = 2; i < count; ++i)
        command += (i > 2 ? L" \"" : L"\"") + std::wstring(arguments[i]) + L"\"";

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    FreeConsole();
    if (!AllocConsole()) {
        std::printf("FAILED: no console of its own (error %lu)\n", GetLastError());
        return 1;
    }
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    HANDLE errors = nullptr;
    if (!CreatePipe(&errors, &startup.hStdError, &inherited, 0)) return 1;
    SetHandleInformation(errors, HANDLE_FLAG_INHERIT, 0);
    PROCESS_INFORMATION program{};
    if (!CreateProcessW(arguments[2], command.data(), nullptr, nullptr, TRUE,
                        CREATE_NEW_PROCESS_GROUP, nullptr, nullptr, &startup, &program)) {
        std::printf("FAILED: cannot start %ls (error %lu)\n", arguments[2], GetLastError());
        return 1;
    }
    CloseHandle(startup.hStdError);

    bool pressed = false;
    std::string line;
    char c = 0;
    for (DWORD got = 0; ReadFile(errors, &c, 1, &got, nullptr) && got == 1;) {
        std::fputc(c, stderr);
        line += c;
        if (c != '\n') continue;
        if (!pressed && line.find(text) != std::string::npos) {
            pressed = GenerateConsoleCtrlEvent(CTRL_C_EVENT, program.dwProcessId) != FALSE;
            if (!pressed) std::printf("FAILED: Ctrl-C not pressed (error %lu)\n", GetLastError());
        }
        line.clear();
    }
    const bool ended = WaitForSingleObject(program.hProcess, 60000) == WAIT_OBJECT_0;
    DWORD status = 1;
    if (!ended) {
        std::printf("FAILED: %ls did not end after Ctrl-C\n", arguments[2]);
        TerminateProcess(program.hProcess, 1);
    } else if (!pressed) {
        std::printf("FAILED: %ls ended before a line with \"%s\"\n", arguments[2], text);
    } else {
        GetExitCodeProcess(program.hProcess, &status);
    }
    return ended && pressed ? static_cast<int>(status) : 1;
}
