#include "image/file_buffer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string writeFile(const std::string& name, const std::vector<unsigned char>& bytes) {
    const std::string path = testing::TempDir() + "streakshow_" + name;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    EXPECT_NE(file, nullptr);
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
    return path;
}

TEST(FileBuffer, HoldsTheBytesThenOneFF) {
    const std::string empty = writeFile("empty.bin", {});
    image::FileBuffer buffer(empty.c_str());
    ASSERT_EQ(buffer.size, 1);
    EXPECT_TRUE(buffer.owns);
    EXPECT_EQ(buffer.contents()[0], 0xFF);
    EXPECT_STREQ(buffer.path(), empty.c_str());

    // Binary: the bytes that text mode would change come through unchanged.
    const std::vector<unsigned char> bytes = {0x1A, 0x0D, 0x0A, 0x00, 0xFF, 0x41};
    const std::string other = writeFile("six.bin", bytes);
    buffer.load(other.c_str());  // frees the first array (LeakSanitizer checks)
    ASSERT_EQ(buffer.size, 7);
    EXPECT_EQ(std::vector<unsigned char>(buffer.bytes, buffer.bytes + 6), bytes);
    EXPECT_EQ(buffer.bytes[6], 0xFF);
    EXPECT_STREQ(buffer.error(), "");
    std::remove(empty.c_str());
    std::remove(other.c_str());
}

TEST(FileBuffer, AnUnreadablePathLeavesItEmpty) {
    image::FileBuffer missing("no/such/picture.jpg");
    EXPECT_EQ(missing.size, 0);
    EXPECT_EQ(missing.contents(), nullptr);
    EXPECT_FALSE(missing.owns);
    EXPECT_NE(std::string(missing.error()).find("cannot open"), std::string::npos);

    // A directory opens on some systems but cannot be read.
    image::FileBuffer directory(testing::TempDir().c_str());
    EXPECT_EQ(directory.size, 0);
    EXPECT_EQ(directory.contents(), nullptr);
    EXPECT_STRNE(directory.error(), "");

    // A good load after a failed one, and a failed one after a good one.
    const std::string path = writeFile("one.bin", {0x42});
    missing.load(path.c_str());
    ASSERT_EQ(missing.size, 2);
    missing.load("no/such/file");
    EXPECT_EQ(missing.size, 0);
    EXPECT_EQ(missing.bytes, nullptr);
    std::remove(path.c_str());
}

}  // namespace
