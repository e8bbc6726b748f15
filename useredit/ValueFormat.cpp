// The value format: parses the format once, writing at most kMaxFormattedValue characters.
#include "useredit/ValueFormat.h"

#include <cstddef>
#include <limits>
#include <string_view>

namespace useredit {

EFormatError::EFormatError(const std::string& format)
    : std::runtime_error("Format '" + format + "' ung\374ltig oder nicht kompatibel mit Argument") {}

namespace {

constexpr std::size_t kUnlimited = std::numeric_limits<std::size_t>::max();

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Reads the decimal digits at `pos`, saturating instead of overflowing: a huge width is as good as an
// unlimited one, since the result is cut anyway.
std::size_t ReadNumber(std::string_view format, std::size_t& pos) {
    std::size_t number = 0;
    for (; pos < format.size() && IsDigit(format[pos]); ++pos) {
        const auto digit = static_cast<std::size_t>(format[pos] - '0');
        number = number > (kUnlimited - digit) / 10 ? kUnlimited : number * 10 + digit;
    }
    return number;
}

// Appends what still fits of `count` copies of `c`, or of `text`.
void AppendCapped(std::string& out, std::size_t count, char c) {
    const std::size_t room = kMaxFormattedValue - out.size();
    out.append(count < room ? count : room, c);
}
void AppendCapped(std::string& out, std::string_view text) {
    out.append(text.substr(0, kMaxFormattedValue - out.size()));
}

}  // namespace

std::string FormatValue(const std::string& value, const std::string& format) {
    if (format.empty()) {
        return value;
    }
    const std::string_view pattern(format);
    std::string out;
    std::size_t nextArgument = 0;
    std::size_t pos = 0;
    while (pos < pattern.size()) {
        const std::size_t percent = pattern.find('%', pos);
        AppendCapped(out, pattern.substr(pos, percent - pos));
        if (percent == std::string_view::npos) {
            break;
        }
        pos = percent + 1;
        if (pos < pattern.size() && pattern[pos] == '%') {
            AppendCapped(out, 1, '%');
            ++pos;
            continue;
        }
        // Digits before a colon are the argument index; otherwise they are read again as the width.
        const std::size_t indexAt = pos;
        const std::size_t index = ReadNumber(pattern, pos);
        if (pos < pattern.size() && pattern[pos] == ':') {
            if (pos == indexAt || index != 0) {
                throw EFormatError(format);
            }
            nextArgument = 0;
            ++pos;
        } else {
            pos = indexAt;
        }
        const bool leftJustify = pos < pattern.size() && pattern[pos] == '-';
        if (leftJustify) {
            ++pos;
        }
        const std::size_t width = ReadNumber(pattern, pos);
        std::size_t precision = kUnlimited;
        if (pos < pattern.size() && pattern[pos] == '.') {
            ++pos;
            precision = ReadNumber(pattern, pos);
        }
        if (pos >= pattern.size() || (pattern[pos] != 's' && pattern[pos] != 'S') || nextArgument != 0) {
            throw EFormatError(format);
        }
        ++pos;
        ++nextArgument;

        const std::string_view text = std::string_view(value).substr(0, precision);
        const std::size_t padding = width > text.size() ? width - text.size() : 0;
        if (!leftJustify) {
            AppendCapped(out, padding, ' ');
        }
        AppendCapped(out, text);
        if (leftJustify) {
            AppendCapped(out, padding, ' ');
        }
    }
    return out;
}

}  // namespace useredit
