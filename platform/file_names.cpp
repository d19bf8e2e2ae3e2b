#include "platform/file_names.h"

namespace platform {

std::filesystem::path filePath(std::string_view utf8) {
    return std::u8string(utf8.begin(), utf8.end());
}

std::string fileName(const std::filesystem::path& path) {
    const std::u8string utf8 = path.u8string();
    return {utf8.begin(), utf8.end()};
}

}  // namespace platform
