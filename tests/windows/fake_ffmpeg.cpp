// Stands in for ffmpeg.exe in the Wine check, which has no ffmpeg: takes its
// arguments as streakshow-capture passes them, reads its standard input to
// the end and writes into its last argument (the video's name) the
// arguments, one a line, and the number of bytes it read. Asked to decode
// the music (the last argument "-"), it only succeeds.
#include "platform/win32/win32.h"

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>
#include <string>

int main() {
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (arguments == nullptr || count < 2) return 2;
    const std::wstring output = arguments[count - 1];
    if (output == L"-") return 0;
    _setmode(_fileno(stdin), _O_BINARY);
    long long bytes = 0;
    static char buffer[1 << 16];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, stdin)) > 0;) bytes += got;
    std::FILE* video = _wfopen(output.c_str(), L"wb");
    if (video == nullptr) return 1;
    for (int i = 1; i < count; ++i) {
        char text[1024] = {};
        WideCharToMultiByte(CP_UTF8, 0, arguments[i], -1, text, sizeof text - 1, nullptr, nullptr);
        std::fprintf(video, "%s\n", text);
    }
    std::fprintf(video, "bytes %lld\n", bytes);
    return std::fclose(video) == 0 ? 0 : 1;
}
