// Runs the Windows show as a user would and checks what a user sees: the
// question box with its exact caption, text and buttons; the window "ZERK"
// after the answer, with its outer size; Escape ending the show with exit
// code 0. Runs under Wine beside the show.
//
//   show_driver SHOW.EXE no|yes
//
// The show runs in the current folder; its standard error is this program's.
// SHOW.EXE may lie in a folder of any name (it is started by the wide call).
// Prints one line per finding and exits 1 when a check fails.
#include "platform/win32/win32.h"

#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr const char* kQuestionText = "                  fullscreen?     ";
constexpr const char* kQuestionCaption = "                                ' -";
constexpr const char* kFailureCaption = "you fail";
constexpr const char* kModeChangeFailed =
    "can't change display settingsdgorij\xF6oiejh\xF6oj\xF6ose";

int failures = 0;

void check(bool good, const std::string& what) {
    std::printf("%s: %s\n", good ? "ok" : "FAILED", what.c_str());
    std::fflush(stdout);
    if (!good) ++failures;
}

// Waits up to `seconds` for a top-level window of the class and title.
HWND waitForWindow(const char* className, const char* title, HANDLE process, int seconds) {
    for (int tenth = 0; tenth < seconds * 10; ++tenth) {
        if (HWND window = FindWindowA(className, title)) return window;
        if (WaitForSingleObject(process, 100) == WAIT_OBJECT_0) return nullptr;
    }
    return nullptr;
}

std::string dialogText(HWND box, int id) {
    char text[256] = {};
    GetDlgItemTextA(box, id, text, sizeof text);
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 || (std::strcmp(argv[2], "no") != 0 && std::strcmp(argv[2], "yes") != 0)) {
        std::fprintf(stderr, "usage: show_driver SHOW.EXE no|yes\n");
        return 2;
    }
    const bool yes = std::strcmp(argv[2], "yes") == 0;
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (arguments == nullptr || count != 3) return 2;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION show{};
    std::wstring command = std::wstring(L"\"") + arguments[1] + L"\"";
    if (!CreateProcessW(arguments[1], command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &show)) {
        std::printf("FAILED: cannot start %s (error %lu)\n", argv[1], GetLastError());
        return 1;
    }

    // The question: a box without an owner, captioned and worded exactly.
    HWND box = waitForWindow("#32770", kQuestionCaption, show.hProcess, 120);
    check(box != nullptr, "the question box appears with its caption");
    if (box == nullptr) {
        TerminateProcess(show.hProcess, 1);
        return 1;
    }
    check(dialogText(box, 0xFFFF) == kQuestionText,
          "the question's text is \"" + dialogText(box, 0xFFFF) + "\"");
    check(GetDlgItem(box, IDYES) != nullptr && GetDlgItem(box, IDNO) != nullptr &&
              GetDlgItem(box, IDOK) == nullptr,
          "the question has the buttons Yes and No");
    const int answer = yes ? IDYES : IDNO;
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, answer)));

    // Full screen: Wine either changes the mode or refuses; a refusal shows
    // the failure box, and the show then runs in a window.
    if (yes) {
        for (int tenth = 0; tenth < 1200; ++tenth) {
            if (HWND failure = FindWindowA("#32770", kFailureCaption)) {
                std::printf("full screen: the mode change was refused\n");
                check(dialogText(failure, 0xFFFF) == kModeChangeFailed,
                      "the refusal is told in code page 1252: \"" + dialogText(failure, 0xFFFF) +
                          "\"");
                PostMessageA(failure, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
                break;
            }
            if (FindWindowA("ZERK", "ZERK") != nullptr) {
                std::printf("full screen: the display mode was changed\n");
                break;
            }
            if (WaitForSingleObject(show.hProcess, 100) == WAIT_OBJECT_0) break;
        }
    }

    HWND window = waitForWindow("ZERK", "ZERK", show.hProcess, 120);
    check(window != nullptr, "the window \"ZERK\" opens");
    if (window != nullptr) {
        RECT outer{};
        GetWindowRect(window, &outer);
        const LONG style = GetWindowLongA(window, GWL_STYLE);
        check(outer.right - outer.left == 1024 && outer.bottom - outer.top == 768,
              "its outer size is " + std::to_string(outer.right - outer.left) + " by " +
                  std::to_string(outer.bottom - outer.top));
        const bool framed = (style & WS_CAPTION) == WS_CAPTION;
        std::printf("the window is %s\n", framed ? "framed (windowed)" : "a popup (full screen)");
        if (!yes) check(framed, "No gives a framed window");
        // Some frames, then Escape, which ends the show after its frame.
        Sleep(3000);
        check(IsWindowVisible(window) != FALSE, "the window is shown");
        PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0);
    }
    const bool ended = WaitForSingleObject(show.hProcess, 120000) == WAIT_OBJECT_0;
    DWORD status = 0;
    GetExitCodeProcess(show.hProcess, &status);
    check(ended && status == 0, "Escape ends the show with exit code " + std::to_string(status));
    if (!ended) TerminateProcess(show.hProcess, 1);
    CloseHandle(show.hThread);
    CloseHandle(show.hProcess);
    return failures == 0 ? 0 : 1;
}
