// A whole file in memory, followed by one byte 0xFF.
#pragma once

#include <cstdio>
#include <string>

namespace image {

// std::fopen for a UTF-8 name. Windows' narrow fopen reads names in the ANSI
// code page, so there the name goes through the wide call.
std::FILE* openFile(const char* path, const char* mode);

// Opens a file for reading, binary, only if it is a regular file: a FIFO or
// a device is refused at once ("cannot read: not a regular file") instead of
// waiting in open or in read. Otherwise as openFile; on failure says why in
// `error` ("cannot open: <reason>").
std::FILE* openRegularFile(const char* path, std::string& error);

class FileBuffer {
  public:
    // Reads the whole file; a file that cannot be read, or is not a regular
    // file, leaves the buffer empty (size 0, bytes null) and `error` saying why.
    explicit FileBuffer(const char* path);
    ~FileBuffer();
    FileBuffer(const FileBuffer&) = delete;
    FileBuffer& operator=(const FileBuffer&) = delete;

    // Replaces the contents with the file at path (the same rules).
    void load(const char* path);
    // The bytes, then one 0xFF; nullptr when empty.
    const unsigned char* contents() const { return bytes; }
    // For messages.
    const char* path() const { return path_.c_str(); }
    // Why the last load left the buffer empty; "" after a good load.
    const char* error() const { return error_.c_str(); }

    unsigned char* bytes = nullptr;
    int size = 0;  // file length + 1; 0 when the file could not be read
    bool owns = false;

  private:
    void release();

    std::string path_;
    std::string error_;
};

}  // namespace image
