// The announced content length of any header text, and the result texts of any code.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "inet/ImpApiINet.h"
#include "provider/ExportJob.h"
#include "provider/ResultTexts.h"
#include "tests/fuzz/FuzzCheck.h"

namespace {

using fuzzcheck::Check;

// The host passes a buffer of 144 bytes for a text and its terminator.
constexpr std::size_t kLongestText = 143;

constexpr std::int32_t kDownloadCodes[] = {
    inet::kDownloadUndetermined, inet::kDownloadNoSession,  inet::kDownloadUrlFailed,
    inet::kDownloadAccessDenied, inet::kDownloadNotFound,   inet::kDownloadHttpFailed,
    inet::kDownloadIncomplete,   inet::kDownloadServerBusy, inet::kDownloadProxyAuthentication,
    inet::kDownloadCancelled,
};

constexpr std::int32_t kExportCodes[] = {
    provider::kCredentialsMissing,   provider::kResetNotAcknowledged, provider::kServerLoginFailed,
    provider::kServerUserUnknown,    provider::kServerPasswordWrong,  provider::kServerNoCurrentData,
    provider::kServerXmlIncomplete,  provider::kServerDatabaseError,  provider::kServerUnknownAnswer,
    provider::kExportFileNotWritten, provider::kInvalidCall,
};

bool IsOneOf(std::int32_t code, const auto& codes) {
    return std::ranges::find(codes, code) != std::end(codes);
}

bool FitsTheHost(const std::string& text) {
    return !text.empty() && text.size() <= kLongestText && text.find('\0') == std::string::npos;
}

void CheckTexts(std::int32_t code) {
    const std::string download = inet::DownloadResultText(code);
    const std::string text = provider::ExportErrorText(code);
    if (IsOneOf(code, kDownloadCodes)) {
        Check(FitsTheHost(download), "a download code has a text of 1 to 143 bytes without NUL");
        Check(text == download, "the download engine words its own codes");
    } else if (IsOneOf(code, kExportCodes)) {
        Check(download.empty(), "the download engine has no text for an export code");
        Check(FitsTheHost(text), "an export code has a text of 1 to 143 bytes without NUL");
        const std::size_t lineEnd = text.find("\r\n");
        Check(lineEnd != std::string::npos && lineEnd > 0 && lineEnd + 2 < text.size() &&
                  text.find_first_of("\r\n", lineEnd + 2) == std::string::npos,
              "an export text is a statement and an advice line, separated by one CR LF");
    } else {
        Check(download.empty() && text.empty(), "a code without a meaning has no text");
    }
}

// A decimal 32-bit integer: an optional sign, then one or more digits and nothing else; otherwise -1.
std::int32_t ReferenceContentLength(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) {
        return -1;
    }
    std::int64_t magnitude = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return -1;
        }
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > std::int64_t{1} << 31) {
            return -1;
        }
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    return value > std::numeric_limits<std::int32_t>::max() ? -1 : static_cast<std::int32_t>(value);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    for (const std::int32_t code : kDownloadCodes) {
        CheckTexts(code);
    }
    for (const std::int32_t code : kExportCodes) {
        CheckTexts(code);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    CheckTexts(input.ConsumeIntegral<std::int32_t>());
    const std::string text = input.ConsumeRemainingBytesAsString();
    Check(inet::ParseContentLength(text) == ReferenceContentLength(text),
          "the content length is the decimal 32-bit integer of the text, else -1");
    return 0;
}
