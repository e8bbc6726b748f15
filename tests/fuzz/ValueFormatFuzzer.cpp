// The value format on any value and format, against a reading of the string specifiers written another way.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <regex>
#include <string>
#include <string_view>

#include "tests/fuzz/FuzzCheck.h"
#include "useredit/ValueFormat.h"

namespace {

using fuzzcheck::Check;

// "%%", or %[0:][-][width][.precision] and s in either case; the index may be written with several zeros.
const std::regex kSpecifier(R"(%(?:(%)|(?:(0+):)?(-?)([0-9]*)(?:\.([0-9]*))?[sS]))");

// More than a billion is as good as unlimited here, and so is padding that fills the cut result by itself.
constexpr std::size_t kHuge = 1'000'000'000;
constexpr std::size_t kPastTheCut = useredit::kMaxFormattedValue + 1;

std::size_t Number(const std::ssub_match& digits) {
    const std::string text = digits.str();
    const std::size_t first = text.find_first_not_of('0');
    if (first == std::string::npos) {
        return 0;
    }
    return text.size() - first > 9 ? kHuge : std::stoul(text.substr(first));
}

// The whole result, cut at the end; nothing for a format that is refused.
std::optional<std::string> ReferenceFormat(const std::string& value, const std::string& format) {
    if (format.empty()) {
        return value;
    }
    std::string out;
    bool argumentTaken = false;  // by a specifier since the start or the last "0:"
    for (auto at = format.cbegin(); at != format.cend();) {
        if (*at != '%') {
            out += *at++;
            continue;
        }
        std::smatch match;
        if (!std::regex_search(at, format.cend(), match, kSpecifier,
                               std::regex_constants::match_continuous)) {
            return std::nullopt;
        }
        at = match[0].second;
        if (match[1].matched) {
            out += '%';
            continue;
        }
        if (match[2].matched) {
            argumentTaken = false;
        }
        if (argumentTaken) {
            return std::nullopt;  // there is one argument only
        }
        argumentTaken = true;
        const std::string text = match[5].matched ? value.substr(0, Number(match[5])) : value;
        const std::size_t width = Number(match[4]);
        const std::string padding(std::min(width > text.size() ? width - text.size() : 0, kPastTheCut), ' ');
        out += match[3].length() > 0 ? text + padding : padding + text;
    }
    return out.substr(0, useredit::kMaxFormattedValue);
}

// Any exception but EFormatError leaves the target, and libFuzzer keeps the input as a crash.
std::optional<std::string> Format(const std::string& value, const std::string& format) {
    try {
        return useredit::FormatValue(value, format);
    } catch (const useredit::EFormatError& error) {
        // what() ends at the first NUL of the format.
        const std::string named = "Format '" + format + "'";
        Check(std::string_view(error.what()).starts_with(named.c_str()), "the format error names the format");
        return std::nullopt;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string value = input.ConsumeRandomLengthString(300);
    const std::string format = input.ConsumeRemainingBytesAsString();

    const std::optional<std::string> result = Format(value, format);
    Check(result == Format(value, format), "the same value and format give the same result");
    Check(result == ReferenceFormat(value, format), "the result is that of the string specifiers");
    if (format.empty()) {
        Check(result == value, "an empty format gives the value unchanged");
    } else if (result) {
        Check(result->size() <= useredit::kMaxFormattedValue, "a formatted value has at most 255 characters");
    }
    if (format.find('%') == std::string::npos) {
        Check(result == format.substr(0, useredit::kMaxFormattedValue) || format.empty(),
              "a format without specifiers gives itself, cut to 255 characters");
    }
    Check(Format(value, "%s") == value.substr(0, useredit::kMaxFormattedValue),
          "%s gives the value, cut to 255 characters");
    return 0;
}
