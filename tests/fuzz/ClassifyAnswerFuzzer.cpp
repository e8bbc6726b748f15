// Classification of the export server's answer, also where the answer straddles a border of the stream's
// segments, and the stream's search that it rests on.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "inet/MemoryStream.h"
#include "provider/ExportJob.h"
#include "tests/fuzz/FuzzCheck.h"

namespace {

using fuzzcheck::Check;

// Holds no byte of any marker the classification looks for, so it cannot change the result.
constexpr char kFiller = ' ';

constexpr std::int32_t kAnswerCodes[] = {
    provider::kExportOk,
    provider::kServerLoginFailed,
    provider::kServerUserUnknown,
    provider::kServerPasswordWrong,
    provider::kServerNoCurrentData,
    provider::kServerXmlIncomplete,
    provider::kServerDatabaseError,
    provider::kServerUnknownAnswer,
};

// The server's error numbers as the result texts name them.
constexpr std::pair<std::int32_t, std::string_view> kErrorNumbers[] = {
    {provider::kServerLoginFailed, "001"},   {provider::kServerUserUnknown, "002"},
    {provider::kServerPasswordWrong, "003"}, {provider::kServerNoCurrentData, "005"},
    {provider::kServerXmlIncomplete, "006"}, {provider::kServerDatabaseError, "008"},
};

// `stream` holds `fillerSize` filler bytes and then `answer`.
void CheckSearch(const inet::MemoryStream& stream, std::size_t fillerSize, const std::string& needle,
                 const std::string& answer) {
    // A hit in the filler and answer together starts at most needle.size() bytes before the answer.
    const std::string tail = std::string(std::min(fillerSize, needle.size()), kFiller) + answer;
    Check(stream.Contains(needle) == (tail.find(needle) != std::string::npos),
          "the stream finds a text exactly where its content holds it");
    Check(stream.Contains(answer), "the stream finds its own content");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const bool straddle = input.ConsumeBool();
    const auto before = input.ConsumeIntegralInRange<std::size_t>(0, 16);
    const std::string needle = input.ConsumeRandomLengthString(12);
    const std::string answer = input.ConsumeRemainingBytesAsString();

    inet::MemoryStream alone;
    alone.Write(answer.data(), answer.size());
    const std::int32_t result = provider::ClassifyAnswer(alone);
    Check(std::ranges::find(kAnswerCodes, result) != std::end(kAnswerCodes),
          "the result is the data code or one of the server's error codes");

    const auto has = [&](std::string_view text) { return answer.find(text) != std::string::npos; };
    if (has("XML") || has("Xml") || has("xml")) {
        Check(result == provider::kExportOk, "an answer with XML in it is data");
    }
    for (const auto& [code, number] : kErrorNumbers) {
        if (result == code) {
            Check(has(number), "a server error's number occurs in the answer");
        }
    }

    if (!straddle) {
        CheckSearch(alone, 0, needle, answer);
        return 0;
    }
    // Only the first `before` bytes of the answer precede the border of the first segment.
    const std::size_t fillerSize = inet::MemoryStream::kSegmentSize - std::min(before, answer.size());
    inet::MemoryStream segmented;
    static const std::string fillerBlock(std::size_t{1} << 16, kFiller);
    for (std::size_t left = fillerSize; left > 0;) {
        const std::size_t part = std::min(left, fillerBlock.size());
        segmented.Write(fillerBlock.data(), part);
        left -= part;
    }
    segmented.Write(answer.data(), answer.size());
    Check(provider::ClassifyAnswer(segmented) == result,
          "where segment borders fall does not change the result");
    CheckSearch(segmented, fillerSize, needle, answer);
    return 0;
}
