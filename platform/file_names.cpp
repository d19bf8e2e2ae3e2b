#include "platform/file_names.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <random>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>

#include "platform/win32/win32.h"
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace platform {

std::filesystem::path filePath(std::string_view utf8) {
    return std::u8string(utf8.begin(), utf8.end());
}

std::string fileName(const std::filesystem::path& path) {
    const std::u8string utf8 = path.u8string();
    return {utf8.begin(), utf8.end()};
}

#if defined(_WIN32)

namespace {

int errnoOf(DWORD error) {
    switch (error) {
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
            return EEXIST;
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            return ENOENT;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
            return EACCES;
        case ERROR_DISK_FULL:
            return ENOSPC;
        default:
            return EIO;
    }
}

}  // namespace

FileKind fileKind(const std::string& path) {
    // The handle opens a link or junction itself, and a folder too; its type
    // tells a device (NUL, CON, a pipe) from a file on a disk.
    const HANDLE file = CreateFileW(
        filePath(path).wstring().c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
                       error == ERROR_INVALID_NAME
                   ? FileKind::none
                   : FileKind::other;
    }
    BY_HANDLE_FILE_INFORMATION information{};
    const bool regular = GetFileType(file) == FILE_TYPE_DISK &&
                         GetFileInformationByHandle(file, &information) &&
                         (information.dwFileAttributes &
                          (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0;
    CloseHandle(file);
    return regular ? FileKind::regular : FileKind::other;
}

std::FILE* createNewFile(const std::string& path) {
    const HANDLE file = CreateFileW(filePath(path).wstring().c_str(), GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        errno = errnoOf(GetLastError());
        return nullptr;
    }
    const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_BINARY);
    if (descriptor < 0) {
        CloseHandle(file);
        errno = EMFILE;
        return nullptr;
    }
    std::FILE* stream = _fdopen(descriptor, "wb");
    if (stream == nullptr) _close(descriptor);
    return stream;
}

namespace {

bool moveOver(const std::string& from, const std::string& to) {
    // A link at `to` is replaced, never followed (it was refused before).
    if (MoveFileExW(filePath(from).wstring().c_str(), filePath(to).wstring().c_str(),
                    MOVEFILE_REPLACE_EXISTING) != 0)
        return true;
    errno = errnoOf(GetLastError());
    return false;
}

long processId() {
    return static_cast<long>(GetCurrentProcessId());
}

}  // namespace

#else

FileKind fileKind(const std::string& path) {
    struct stat information {};
    if (lstat(path.c_str(), &information) != 0) return FileKind::none;
    return S_ISREG(information.st_mode) ? FileKind::regular : FileKind::other;
}

std::FILE* createNewFile(const std::string& path) {
    const int descriptor =
        open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (descriptor < 0) return nullptr;
    std::FILE* stream = fdopen(descriptor, "wb");
    if (stream == nullptr) close(descriptor);
    return stream;
}

namespace {

bool moveOver(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}

long processId() {
    return static_cast<long>(getpid());
}

}  // namespace

#endif

std::FILE* createTemporaryBeside(const std::string& path, std::string& temporary) {
    const std::filesystem::path name = filePath(path);
    std::random_device device;
    std::mt19937 random(
        device() ^
        static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count()));
    // Another name is tried only when one is taken.
    for (int attempt = 0; attempt < 16; ++attempt) {
        char part[40];
        std::snprintf(part, sizeof part, ".partial-%ld-%08x", processId(),
                      static_cast<unsigned>(random()));
        std::filesystem::path candidate = name;
        candidate.replace_filename(name.stem().u8string() +
                                   std::u8string(part, part + std::strlen(part)) +
                                   name.extension().u8string());
        temporary = fileName(candidate);
        if (std::FILE* file = createNewFile(temporary)) return file;
        if (errno != EEXIST) break;
    }
    const int reason = errno;
    temporary.clear();
    errno = reason;
    return nullptr;
}

bool replaceFile(const std::string& temporary, const std::string& path, std::string& error) {
    if (fileKind(path) == FileKind::other) {
        error = "cannot write " + path + ": not a regular file";
        return false;
    }
    if (!moveOver(temporary, path)) {
        error = "cannot rename " + temporary + " to " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

void removeFile(const std::string& path) {
    std::error_code ignored;
    std::filesystem::remove(filePath(path), ignored);
}

bool sameFile(const std::string& a, const std::string& b) {
    std::error_code error;
    const std::filesystem::path first = filePath(a);
    const std::filesystem::path second = filePath(b);
    if (std::filesystem::equivalent(first, second, error)) return true;
    const std::filesystem::path resolvedFirst = std::filesystem::weakly_canonical(first, error);
    if (error) return false;
    return resolvedFirst == std::filesystem::weakly_canonical(second, error) && !error;
}

}  // namespace platform
