#include "image/file_buffer.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <new>
#include <string>

#if defined(_WIN32)
#include <io.h>

#include "platform/win32/win32.h"
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace image {

std::FILE* openFile(const char* path, const char* mode) {
#if defined(_WIN32)
    const std::string_view name = path;
    const std::filesystem::path wide(std::u8string(name.begin(), name.end()));
    const std::wstring wideMode(mode, mode + std::strlen(mode));
    return _wfopen(wide.c_str(), wideMode.c_str());
#else
    return std::fopen(path, mode);
#endif
}

std::FILE* openRegularFile(const char* path, std::string& error) {
    const auto cannotOpen = [&error](int code) {
        error = std::string("cannot open: ") + std::strerror(code);
        return nullptr;
    };
    const char* const notRegular = "cannot read: not a regular file";
    if (path == nullptr) return cannotOpen(EINVAL);
#if defined(_WIN32)
    std::FILE* file = openFile(path, "rb");
    if (file == nullptr) return cannotOpen(errno);
    // A console, a pipe or a serial port is no picture and may never end.
    if (GetFileType(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)))) != FILE_TYPE_DISK) {
        std::fclose(file);
        error = notRegular;
        return nullptr;
    }
    return file;
#else
    // A FIFO blocks in open until someone writes to it, and a device may
    // never end; opening a device can also do something to it. So the name
    // is looked at first, and what was opened (without waiting) is looked at
    // again, in case the name changed between the two.
    struct stat info {};
    if (stat(path, &info) != 0) return cannotOpen(errno);
    if (!S_ISREG(info.st_mode)) {
        error = notRegular;
        return nullptr;
    }
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return cannotOpen(errno);
    std::FILE* file = fstat(fd, &info) == 0 && S_ISREG(info.st_mode) ? fdopen(fd, "rb") : nullptr;
    if (file == nullptr) {
        const int code = errno;
        close(fd);
        if (S_ISREG(info.st_mode)) return cannotOpen(code);
        error = notRegular;
    }
    return file;
#endif
}

FileBuffer::FileBuffer(const char* path) {
    load(path);
}

FileBuffer::~FileBuffer() {
    release();
}

void FileBuffer::release() {
    if (owns) delete[] bytes;
    bytes = nullptr;
    size = 0;
    owns = false;
}

void FileBuffer::load(const char* path) {
    release();
    path_ = path != nullptr ? path : "";
    error_.clear();
    std::FILE* file = openRegularFile(path, error_);
    if (file == nullptr) return;
    long length = -1;
    if (std::fseek(file, 0, SEEK_END) == 0) length = std::ftell(file);
    if (length < 0 || length > INT_MAX - 1 || std::fseek(file, 0, SEEK_SET) != 0) {
        error_ = length > INT_MAX - 1 ? "file too large" : "cannot read: not a regular file";
        std::fclose(file);
        return;
    }
    auto* data = new (std::nothrow) unsigned char[static_cast<std::size_t>(length) + 1];
    if (data == nullptr) {
        error_ = "not enough memory to read it";
        std::fclose(file);
        return;
    }
    // Never more than the length measured above, even if the file grows;
    // a file that shrinks meanwhile keeps what was there.
    const std::size_t got = std::fread(data, 1, static_cast<std::size_t>(length), file);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        delete[] data;
        error_ = "cannot read the file";
        return;
    }
    data[got] = 0xFF;
    bytes = data;
    size = static_cast<int>(got) + 1;
    owns = true;
}

}  // namespace image
