// Uniform piecewise access to literal and generated response bodies.
#include "Body.h"

namespace exportserver {

std::uint64_t Body::Size() const {
    if (const auto* text = std::get_if<std::string>(&content_)) {
        return text->size();
    }
    return std::get<GeneratedXml>(content_).Size();
}

std::string_view Body::Piece(std::uint64_t offset, std::size_t maxBytes) const {
    if (const auto* text = std::get_if<std::string>(&content_)) {
        if (offset >= text->size()) {
            return {};
        }
        return std::string_view(*text).substr(static_cast<std::size_t>(offset), maxBytes);
    }
    return std::get<GeneratedXml>(content_).Piece(offset, maxBytes);
}

std::string Body::ToString() const {
    std::string out;
    out.reserve(static_cast<std::size_t>(Size()));
    for (std::string_view piece = Piece(0, 64 * 1024); !piece.empty(); piece = Piece(out.size(), 64 * 1024)) {
        out += piece;
    }
    return out;
}

}  // namespace exportserver
