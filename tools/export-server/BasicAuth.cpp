// Decoding of Basic credentials; kept strict so a client sending garbage is refused, not half-matched.
#include "BasicAuth.h"

#include <cstdint>

namespace exportserver {
namespace {

int Base64Value(char c) {
    if (c >= 'A' && c <= 'Z') {
        return c - 'A';
    }
    if (c >= 'a' && c <= 'z') {
        return c - 'a' + 26;
    }
    if (c >= '0' && c <= '9') {
        return c - '0' + 52;
    }
    if (c == '+') {
        return 62;
    }
    if (c == '/') {
        return 63;
    }
    return -1;
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

bool IsBasicScheme(std::string_view scheme) {
    constexpr std::string_view kBasic = "basic";
    if (scheme.size() != kBasic.size()) {
        return false;
    }
    for (std::size_t i = 0; i < kBasic.size(); ++i) {
        const char c = scheme[i];
        if ((c | 0x20) != kBasic[i]) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::optional<std::string> Base64Decode(std::string_view text) {
    while (!text.empty() && text.back() == '=') {
        text.remove_suffix(1);
    }
    if (text.size() % 4 == 1) {
        return std::nullopt;
    }
    std::string out;
    std::uint32_t bits = 0;
    int bitCount = 0;
    for (char c : text) {
        const int value = Base64Value(c);
        if (value < 0) {
            return std::nullopt;
        }
        bits = (bits << 6) | static_cast<std::uint32_t>(value);
        bitCount += 6;
        if (bitCount >= 8) {
            bitCount -= 8;
            out.push_back(static_cast<char>((bits >> bitCount) & 0xFF));
        }
    }
    return out;
}

bool BasicCredentialsMatch(std::string_view header, std::string_view credentials) {
    header = TrimBlanks(header);
    const std::size_t space = header.find(' ');
    if (space == std::string_view::npos || !IsBasicScheme(header.substr(0, space))) {
        return false;
    }
    const std::optional<std::string> decoded = Base64Decode(TrimBlanks(header.substr(space + 1)));
    return decoded && *decoded == credentials;
}

}  // namespace exportserver
