// A response body: literal bytes, or a generated XML export that is never held in memory as a whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "GeneratedXml.h"

namespace exportserver {

class Body {
public:
    Body() = default;
    explicit Body(std::string text) : content_(std::move(text)) {}
    explicit Body(GeneratedXml xml) : content_(xml) {}

    std::uint64_t Size() const;

    // Up to maxBytes from offset on; empty at the end.
    std::string_view Piece(std::uint64_t offset, std::size_t maxBytes) const;

    // The whole body as one string; meant for small bodies.
    std::string ToString() const;

private:
    std::variant<std::string, GeneratedXml> content_;
};

}  // namespace exportserver
