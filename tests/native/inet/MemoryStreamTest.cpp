// The segmented memory stream: content across segment borders, positioning, searching and clearing.
#include "inet/MemoryStream.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <string>
#include <vector>

namespace {

// Makes the allocation of a new segment fail, as it does when a 32-bit address space is full.
bool segmentAllocationsFail = false;

}  // namespace

void* operator new[](std::size_t size) {
    if (segmentAllocationsFail && size == inet::MemoryStream::kSegmentSize) {
        throw std::bad_alloc();
    }
    if (void* memory = std::malloc(size > 0 ? size : 1)) {
        return memory;
    }
    throw std::bad_alloc();
}
void operator delete[](void* memory) noexcept {
    std::free(memory);
}
void operator delete[](void* memory, std::size_t) noexcept {
    std::free(memory);
}

namespace {

constexpr std::size_t kSegment = inet::MemoryStream::kSegmentSize;

std::string Content(const inet::MemoryStream& stream) {
    std::string content;
    stream.ForEachSegment([&](const char* data, std::size_t count) {
        EXPECT_GT(count, 0u) << "an empty run was visited";
        content.append(data, count);
    });
    return content;
}

// Bytes that differ from their neighbours, so that a misplaced copy shows.
std::string Pattern(std::size_t size) {
    std::string text(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        text[i] = static_cast<char>('a' + (i * 7 + i / 251) % 26);
    }
    return text;
}

TEST(MemoryStream, WritesOfOddSizesAcrossSegmentBordersKeepEveryByte) {
    const std::string expected = Pattern(2 * kSegment + kSegment / 2);
    inet::MemoryStream stream;
    for (std::size_t offset = 0, piece = 1; offset < expected.size();
         offset += piece, piece = piece * 3 + 1) {
        piece = std::min(piece, expected.size() - offset);
        stream.Write(expected.data() + offset, piece);
    }
    EXPECT_EQ(stream.Size(), expected.size());
    EXPECT_EQ(stream.Position(), expected.size());
    EXPECT_TRUE(Content(stream) == expected);
}

TEST(MemoryStream, OneWriteLargerThanASegmentIsSplitInOrder) {
    const std::string expected = Pattern(kSegment + 3);
    inet::MemoryStream stream;
    stream.Write(expected.data(), expected.size());
    std::vector<std::size_t> runs;
    stream.ForEachSegment([&](const char*, std::size_t count) { runs.push_back(count); });
    EXPECT_EQ(runs, (std::vector<std::size_t>{kSegment, 3}));
    EXPECT_TRUE(Content(stream) == expected);
}

TEST(MemoryStream, SeekThenWriteOverwritesAcrossABorderAndExtendsOnlyPastTheEnd) {
    std::string expected = Pattern(kSegment + 10);
    inet::MemoryStream stream;
    stream.Write(expected.data(), expected.size());

    stream.Seek(kSegment - 3);
    stream.Write("XXXXXX", 6);
    expected.replace(kSegment - 3, 6, "XXXXXX");
    EXPECT_EQ(stream.Position(), kSegment + 3);
    EXPECT_EQ(stream.Size(), kSegment + 10) << "an overwrite inside the content does not grow it";

    stream.Seek(kSegment + 8);
    stream.Write("YYYY", 4);
    expected.replace(kSegment + 8, 2, "YYYY");
    EXPECT_EQ(stream.Size(), kSegment + 12);
    EXPECT_TRUE(Content(stream) == expected);
}

TEST(MemoryStream, SeekBeyondTheEndStopsAtTheEnd) {
    inet::MemoryStream stream;
    stream.Write("abc", 3);
    stream.Seek(100);
    EXPECT_EQ(stream.Position(), 3u);
    stream.Write("d", 1);
    EXPECT_EQ(Content(stream), "abcd");
}

// The needle "needle" placed so that `split` of its bytes lie before the first segment border.
class ContainsAcrossBorder : public ::testing::TestWithParam<std::size_t> {};

TEST_P(ContainsAcrossBorder, FindsANeedleAtEverySplitPoint) {
    const std::string needle = "needle";
    const std::size_t split = GetParam();
    std::string content(kSegment + 20, '.');
    content.replace(kSegment - split, needle.size(), needle);
    inet::MemoryStream stream;
    stream.Write(content.data(), content.size());
    EXPECT_TRUE(stream.Contains(needle));
    EXPECT_FALSE(stream.Contains("needles"));
    EXPECT_FALSE(stream.Contains("eneedle"));
}

INSTANTIATE_TEST_SUITE_P(Splits, ContainsAcrossBorder, ::testing::Range<std::size_t>(0, 7));

TEST(MemoryStream, ContainsFindsANeedleThatEndsInAShortLastSegment) {
    std::string content(kSegment - 2, '.');
    content += "xml";
    inet::MemoryStream stream;
    stream.Write(content.data(), content.size());
    EXPECT_TRUE(stream.Contains("xml"));
    EXPECT_TRUE(stream.Contains(".x"));
    EXPECT_FALSE(stream.Contains("xml."));
}

TEST(MemoryStream, ContainsIsCaseSensitiveAndTreatsContentAsBytes) {
    inet::MemoryStream stream;
    const std::string content("<?xml\0 003\374", 11);
    stream.Write(content.data(), content.size());
    EXPECT_TRUE(stream.Contains("xml"));
    EXPECT_FALSE(stream.Contains("XML"));
    EXPECT_TRUE(stream.Contains(std::string("\0 003\374", 6)));
    EXPECT_FALSE(stream.Contains("0033"));
}

TEST(MemoryStream, ContainsDoesNotLookBeyondTheContent) {
    inet::MemoryStream stream;
    stream.Write("0070070070", 10);
    stream.Clear();
    stream.Write("00", 2);
    EXPECT_FALSE(stream.Contains("007"));
    EXPECT_FALSE(stream.Contains("000"));
    EXPECT_TRUE(stream.Contains("00"));
}

TEST(MemoryStream, ClearEmptiesTheStreamForNewContent) {
    inet::MemoryStream stream;
    const std::string large = Pattern(kSegment + 5);
    stream.Write(large.data(), large.size());
    stream.Clear();
    EXPECT_EQ(stream.Size(), 0u);
    EXPECT_EQ(stream.Position(), 0u);
    EXPECT_EQ(Content(stream), "");
    EXPECT_FALSE(stream.Contains("a"));
    stream.Write("new", 3);
    EXPECT_EQ(Content(stream), "new");
}

TEST(MemoryStream, FailingToGrowGivesTheMemoryBackAndNamesWhatArrived) {
    inet::MemoryStream stream;
    const std::string body = Pattern(kSegment + 100);
    stream.Write(body.data(), body.size());
    segmentAllocationsFail = true;
    const std::string more = Pattern(kSegment);
    try {
        stream.Write(more.data(), more.size());
        ADD_FAILURE() << "the stream grew without memory";
    } catch (const inet::EStreamOverflow& overflow) {
        EXPECT_EQ(overflow.BytesReceived(), body.size() + more.size());
    }
    segmentAllocationsFail = false;
    EXPECT_EQ(stream.Size(), 0u) << "the memory is given back before the exception travels on";
    EXPECT_EQ(Content(stream), "");
    EXPECT_FALSE(stream.Contains("a"));
}

}  // namespace
