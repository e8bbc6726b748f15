// Growable in-memory byte stream with a position; the body of a download lives here until it is written out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <new>
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

// Thrown by a memory stream that could not grow. The stream has already given all its memory back, so the
// code that unwinds (windows, callbacks, the HTTP layer) runs with room to work.
class EStreamOverflow final : public std::bad_alloc {
public:
    explicit EStreamOverflow(std::uint64_t bytesReceived) : bytesReceived_(bytesReceived) {}
    std::uint64_t BytesReceived() const { return bytesReceived_; }
    const char* what() const noexcept override { return "memory stream cannot grow"; }

private:
    std::uint64_t bytesReceived_;
};

// Stores its bytes in fixed-size segments, so growing never copies what is already there: a 32-bit host
// holds exactly one copy of a large body, and a body that does not fit ends with EStreamOverflow, not a
// crash.
class MemoryStream final : public ByteStream {
public:
    // A little under 1 MiB, so that a segment and the heap's own header fit one 1 MiB reservation.
    static constexpr std::size_t kSegmentSize = (std::size_t{1} << 20) - 4096;

    MemoryStream() = default;
    MemoryStream(const MemoryStream&) = delete;
    MemoryStream& operator=(const MemoryStream&) = delete;

    // Overwrites at the position and extends the stream past its end as needed. When it cannot grow, the
    // stream empties itself and throws EStreamOverflow with the number of bytes it held and was given.
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
    void AddSegment(std::uint64_t bytesReceived);

    std::vector<std::unique_ptr<char[]>> segments_;
    std::uint64_t size_ = 0;
    std::uint64_t position_ = 0;
};

}  // namespace inet
