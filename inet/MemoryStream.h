// Growable in-memory byte stream with a position; the body of a download lives here until it is written out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

namespace inet {

// The stream a download writes into: each write lands at the current position.
class ByteStream {
public:
    virtual ~ByteStream() = default;
    virtual void Write(const char* data, std::size_t count) = 0;
    virtual std::uint64_t Size() const = 0;
};

// Stores its bytes in fixed-size segments, so growing never copies what is already there: a 32-bit host
// holds exactly one copy of a large body, and a body that does not fit ends with std::bad_alloc, not a crash.
class MemoryStream final : public ByteStream {
public:
    static constexpr std::size_t kSegmentSize = std::size_t{1} << 20;

    MemoryStream() = default;
    MemoryStream(const MemoryStream&) = delete;
    MemoryStream& operator=(const MemoryStream&) = delete;

    // Overwrites at the position and extends the stream past its end as needed.
    void Write(const char* data, std::size_t count) override;
    std::uint64_t Size() const override { return size_; }
    std::uint64_t Position() const { return position_; }
    // Positions beyond the end are clamped to the end.
    void Seek(std::uint64_t position);
    // Releases all content; size and position become 0.
    void Clear() noexcept;

    // Calls `visit` with each stored run of bytes, in order, from the first byte to the last.
    void ForEachSegment(const std::function<void(const char* data, std::size_t count)>& visit) const;
    // Case-sensitive byte search over the whole content, across segment borders, without copying it.
    bool Contains(std::string_view needle) const;

private:
    std::size_t SegmentLength(std::size_t index) const;

    std::vector<std::unique_ptr<char[]>> segments_;
    std::uint64_t size_ = 0;
    std::uint64_t position_ = 0;
};

}  // namespace inet
