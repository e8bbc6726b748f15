// Layout: declaration and root start tag, whole records, spaces, closing root tag as the last bytes.
#include "GeneratedXml.h"

#include <algorithm>
#include <string>

#include "Scenario.h"

namespace exportserver {
namespace {

constexpr std::string_view kPrefix = "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\r\n<export>\r\n";
constexpr std::string_view kRecord = "<record fund=\"KLV Rente\" date=\"31.12.2023\" value=\"123.45\"/>\r\n";
constexpr std::string_view kSuffix = "</export>";
static_assert(kPrefix.size() + kRecord.size() + kSuffix.size() <= kMinXmlBytes);

// The records repeat with this period. The pattern holds two periods, so a piece starting anywhere in the
// first one runs on for a whole period: pieces up to that size are never cut short by the repetition.
constexpr std::size_t kPeriodRecords = 1024;
constexpr std::size_t kPeriodBytes = kPeriodRecords * kRecord.size();

const std::string& Pattern() {
    static const std::string pattern = [] {
        std::string text;
        text.reserve(2 * kPeriodBytes);
        for (std::size_t i = 0; i < 2 * kPeriodRecords; ++i) {
            text += kRecord;
        }
        return text;
    }();
    return pattern;
}

const std::string& Spaces() {
    static const std::string spaces(kRecord.size(), ' ');
    return spaces;
}

std::string_view Slice(std::string_view text, std::uint64_t from, std::uint64_t limit) {
    return text.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(limit));
}

}  // namespace

GeneratedXml::GeneratedXml(std::uint64_t size) : size_(std::max(size, kMinXmlBytes)) {
    const std::uint64_t fill = size_ - kPrefix.size() - kSuffix.size();
    recordsEnd_ = kPrefix.size() + fill / kRecord.size() * kRecord.size();
    paddingEnd_ = size_ - kSuffix.size();
}

std::string_view GeneratedXml::Piece(std::uint64_t offset, std::size_t maxBytes) const {
    if (offset >= size_) {
        return {};
    }
    if (offset < kPrefix.size()) {
        return Slice(kPrefix, offset, maxBytes);
    }
    if (offset < recordsEnd_) {
        const std::uint64_t inPattern = (offset - kPrefix.size()) % kPeriodBytes;
        return Slice(Pattern(), inPattern, std::min<std::uint64_t>(maxBytes, recordsEnd_ - offset));
    }
    if (offset < paddingEnd_) {
        return Slice(Spaces(), 0, std::min<std::uint64_t>(maxBytes, paddingEnd_ - offset));
    }
    return Slice(kSuffix, offset - paddingEnd_, maxBytes);
}

}  // namespace exportserver
