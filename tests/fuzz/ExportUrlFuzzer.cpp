// Export URLs for any bytes in the credentials, percent-encoding, and the dateto value of any date value.
#include <fuzzer/FuzzedDataProvider.h>

#include <bit>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "provider/ExportRequests.h"
#include "tests/fuzz/FuzzCheck.h"

namespace {

using fuzzcheck::Check;

constexpr char kUnreserved[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-._~";
constexpr char kUpperHex[] = "0123456789ABCDEF";

bool IsUnreserved(char c) {
    return c != '\0' && std::strchr(kUnreserved, c) != nullptr;
}

int HexValue(char c) {
    const char* digit = c != '\0' ? std::strchr(kUpperHex, c) : nullptr;
    return digit != nullptr ? static_cast<int>(digit - kUpperHex) : -1;
}

// Decodes a value that may hold only unreserved characters and %XX (upper-case hex) of any other byte.
std::optional<std::string> StrictDecode(std::string_view encoded) {
    std::string decoded;
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        if (IsUnreserved(encoded[i])) {
            decoded += encoded[i];
            continue;
        }
        if (encoded[i] != '%' || i + 2 >= encoded.size() || HexValue(encoded[i + 1]) < 0 ||
            HexValue(encoded[i + 2]) < 0) {
            return std::nullopt;
        }
        const auto byte = static_cast<char>(HexValue(encoded[i + 1]) * 16 + HexValue(encoded[i + 2]));
        if (IsUnreserved(byte)) {
            return std::nullopt;  // an unreserved character stays as it is
        }
        decoded += byte;
        i += 2;
    }
    return decoded;
}

void CheckEncoding(const std::string& value) {
    const std::optional<std::string> decoded = StrictDecode(provider::PercentEncode(value));
    Check(decoded.has_value(), "the encoded form holds only unreserved characters and %XX of other bytes");
    Check(*decoded == value, "decoding the encoded form gives the bytes back");
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    for (;;) {
        const std::size_t at = text.find(separator);
        parts.push_back(text.substr(0, at));
        if (at == std::string_view::npos) {
            return parts;
        }
        text.remove_prefix(at + 1);
    }
}

void CheckUrl(const provider::ExportServer& server, const provider::Credentials& credentials,
              std::string_view type, const std::string& dateTo) {
    const std::string url = provider::ExportUrl(server, credentials, type, dateTo);
    const std::string base =
        "https://" + server.Host + ":" + std::to_string(server.Port) + "/export/export/export.php?";
    Check(url.starts_with(base), "the URL starts with the server and the export path");

    std::vector<std::pair<std::string_view, std::string_view>> expected = {
        {"usr", {}}, {"pwd", {}}, {"type", type}};
    if (!dateTo.empty()) {
        expected.emplace_back("dateto", dateTo);
    }
    const std::vector<std::string_view> pairs = Split(std::string_view(url).substr(base.size()), '&');
    Check(pairs.size() == expected.size(),
          "the query has exactly the keys usr, pwd, type and dateto if given");
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        const std::size_t equals = pairs[i].find('=');
        Check(equals != std::string_view::npos && pairs[i].substr(0, equals) == expected[i].first,
              "the query keys are usr, pwd, type, dateto in this order");
        const std::string_view value = pairs[i].substr(equals + 1);
        if (i == 0 || i == 1) {
            const std::optional<std::string> decoded = StrictDecode(value);
            const std::string& original = i == 0 ? credentials.UserLogin : credentials.Password;
            Check(decoded.has_value() && *decoded == original, "usr and pwd decode to the credentials");
        } else {
            Check(value == expected[i].second, "type and dateto are sent as given");
        }
    }
}

// The date value's day by the standard library's calendar: day 0 is 30 December 1899.
std::optional<std::chrono::year_month_day> ReferenceDate(double value) {
    // Beyond 10^7 days either way the year is far outside 1 to 9999.
    if (!std::isfinite(value) || std::fabs(value) > 1.0e7) {
        return std::nullopt;
    }
    using namespace std::chrono;
    const auto dayNumber = static_cast<int>(std::trunc(value));
    const year_month_day date{sys_days{1899y / December / 30} + days{dayNumber}};
    if (date.year() < year{1} || date.year() > year{9999}) {
        return std::nullopt;
    }
    return date;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

void CheckDate(double value) {
    const std::optional<provider::CalendarDate> date = provider::DateOfDateValue(value);
    const std::optional<std::chrono::year_month_day> reference = ReferenceDate(value);
    Check(date.has_value() == reference.has_value(),
          "a date exists exactly for finite values in years 1-9999");
    if (!date) {
        return;
    }
    Check(date->Year == static_cast<int>(reference->year()) &&
              date->Month == static_cast<int>(static_cast<unsigned>(reference->month())) &&
              date->Day == static_cast<int>(static_cast<unsigned>(reference->day())),
          "the date is the calendar day of the value's integral part");
    const std::string text = provider::FormatDateTo(*date);
    Check(text.size() == 10 && text[2] == '.' && text[5] == '.', "dateto has the form dd.mm.yyyy");
    for (const std::size_t digit : {0, 1, 3, 4, 6, 7, 8, 9}) {
        Check(IsDigit(text[digit]), "dateto has the form dd.mm.yyyy");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    static constexpr const char* kTypes[] = {provider::kTypeReset, provider::kTypeCompleteHistory,
                                             provider::kTypeDelta};
    const char* type = input.PickValueInArray(kTypes);
    const provider::ExportServer server{"export.kalvento.de", input.ConsumeIntegralInRange(1, 65535)};

    std::string dateTo;
    if (input.ConsumeBool()) {
        // Plausible days with a time of day, or any bit pattern at all: infinities, NaNs, huge and tiny
        // values.
        double value = 0.0;
        if (input.ConsumeBool()) {
            value = std::bit_cast<double>(input.ConsumeIntegral<std::uint64_t>());
        } else {
            value = input.ConsumeIntegralInRange(-700000, 3000000);
            value += input.ConsumeProbability<double>();
        }
        CheckDate(value);
        // The year that follows as well: a calendar slip often hits a single day such as a leap day.
        if (std::isfinite(value) && std::fabs(value) < 1.0e7) {
            for (int day = 1; day <= 366; ++day) {
                CheckDate(std::trunc(value) + day);
            }
        }
        if (const auto date = provider::DateOfDateValue(value)) {
            dateTo = provider::FormatDateTo(*date);
        }
    }

    provider::Credentials credentials;
    credentials.UserLogin = input.ConsumeRandomLengthString(64);
    credentials.Password = input.ConsumeRemainingBytesAsString();
    CheckEncoding(credentials.UserLogin);
    CheckEncoding(credentials.Password);
    CheckUrl(server, credentials, type, dateTo);
    return 0;
}
