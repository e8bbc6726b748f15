// Segmented memory stream: writes, positioning and searching without copying the content.
#include "inet/MemoryStream.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace inet {

void MemoryStream::Write(const char* data, std::size_t count) {
    while (count > 0) {
        const auto index = static_cast<std::size_t>(position_ / kSegmentSize);
        const auto offset = static_cast<std::size_t>(position_ % kSegmentSize);
        if (index == segments_.size()) {
            AddSegment(std::max(size_, position_ + count));
        }
        const std::size_t part = std::min(count, kSegmentSize - offset);
        std::memcpy(segments_[index].get() + offset, data, part);
        data += part;
        count -= part;
        position_ += part;
        size_ = std::max(size_, position_);
    }
}

void MemoryStream::AddSegment(std::uint64_t bytesReceived) {
    try {
        // Uninitialised on purpose: every byte up to size_ is written before it is read.
        segments_.push_back(std::make_unique_for_overwrite<char[]>(kSegmentSize));
    } catch (const std::bad_alloc&) {
        Clear();
        throw EStreamOverflow(bytesReceived);
    }
}

void MemoryStream::Seek(std::uint64_t position) {
    position_ = std::min(position, size_);
}

void MemoryStream::Clear() noexcept {
    std::vector<std::unique_ptr<char[]>>().swap(segments_);
    size_ = 0;
    position_ = 0;
}

std::size_t MemoryStream::SegmentLength(std::size_t index) const {
    const std::uint64_t start = std::uint64_t{index} * kSegmentSize;
    return static_cast<std::size_t>(std::min<std::uint64_t>(kSegmentSize, size_ - start));
}

void MemoryStream::ForEachSegment(const std::function<void(const char*, std::size_t)>& visit) const {
    for (std::size_t index = 0; index < segments_.size(); ++index) {
        const std::size_t length = SegmentLength(index);
        if (length > 0) {
            visit(segments_[index].get(), length);
        }
    }
}

bool MemoryStream::Contains(std::string_view needle) const {
    if (needle.empty()) {
        return true;
    }
    if (needle.size() > kSegmentSize) {
        return false;  // longer than any text this stream is searched for
    }
    const std::size_t overlap = needle.size() - 1;
    std::string border;
    for (std::size_t index = 0; index < segments_.size(); ++index) {
        const std::string_view segment(segments_[index].get(), SegmentLength(index));
        if (segment.find(needle) != std::string_view::npos) {
            return true;
        }
        // A hit that straddles this border lies within the last bytes before it and the first bytes after.
        if (overlap > 0 && index + 1 < segments_.size()) {
            const std::string_view next(segments_[index + 1].get(), SegmentLength(index + 1));
            border.assign(segment.substr(segment.size() - std::min(overlap, segment.size())));
            border.append(next.substr(0, std::min(overlap, next.size())));
            if (border.find(needle) != std::string::npos) {
                return true;
            }
        }
    }
    return false;
}

}  // namespace inet
