// Short-string output of version texts: length byte, characters, nothing after them.
#include "plugin/PluginVersion.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace {

std::array<unsigned char, 300> FilledBuffer() {
    std::array<unsigned char, 300> buffer;
    buffer.fill(0xAA);
    return buffer;
}

TEST(WriteShortString, WritesLengthAndCharactersOnly) {
    auto buffer = FilledBuffer();
    plugin::WriteShortString("2.0.1", buffer.data());
    EXPECT_EQ(buffer[0], 5);
    EXPECT_EQ(std::string(buffer.begin() + 1, buffer.begin() + 6), "2.0.1");
    EXPECT_EQ(buffer[6], 0xAA) << "no terminator may be written after the characters";
}

TEST(WriteShortString, EmptyTextWritesOneZeroByte) {
    auto buffer = FilledBuffer();
    plugin::WriteShortString("", buffer.data());
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(buffer[1], 0xAA);
}

TEST(WriteShortString, LongTextIsCutTo255Characters) {
    auto buffer = FilledBuffer();
    const std::string text(400, 'x');
    plugin::WriteShortString(text, buffer.data());
    EXPECT_EQ(buffer[0], 255);
    EXPECT_EQ(buffer[255], 'x');
    EXPECT_EQ(buffer[256], 0xAA);
}

}  // namespace
