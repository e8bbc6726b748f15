// An XML export of an exact size, handed out in pieces from a shared pattern so large sizes stream fast.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace exportserver {

class GeneratedXml {
public:
    // Sizes below kMinXmlBytes are raised to it.
    explicit GeneratedXml(std::uint64_t size);

    std::uint64_t Size() const { return size_; }

    // Up to maxBytes of the document from offset on, empty at the end. Shorter than maxBytes only at the
    // seams between declaration, records, padding and closing tag, as long as maxBytes is at most 60 KiB.
    std::string_view Piece(std::uint64_t offset, std::size_t maxBytes) const;

private:
    std::uint64_t size_;
    std::uint64_t recordsEnd_;  // offset past the last whole record
    std::uint64_t paddingEnd_;  // offset where the closing tag starts
};

}  // namespace exportserver
