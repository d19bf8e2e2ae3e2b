#include "image/file_buffer.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <new>

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
    std::FILE* file = path != nullptr ? openFile(path, "rb") : nullptr;
    if (file == nullptr) {
        error_ = std::string("cannot open: ") + std::strerror(path != nullptr ? errno : EINVAL);
        return;
    }
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
