// URL building with escaped query values, date values as calendar days, and the export file's name.
#include "provider/ExportRequests.h"

#include <cmath>
#include <cstdio>

namespace provider {
namespace {

constexpr char kExportPath[] = "/export/export/export.php";

// Days from 30 December 1899 (day 0 of a date value) to 1 January 1970.
constexpr std::int64_t kDateValueUnixOffset = 25569;

bool IsUnreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

// Proleptic Gregorian calendar date of a day count since 1 January 1970.
CalendarDate CivilFromDays(std::int64_t days) {
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t dayOfEra = days - era * 146097;
    const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t monthIndex = (5 * dayOfYear + 2) / 153;
    const auto day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    const auto month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    const auto year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
    return {year, month, day};
}

std::string TwoDigits(int value) {
    char text[4];
    std::snprintf(text, sizeof text, "%02d", value % 100);
    return text;
}

}  // namespace

std::string PercentEncode(std::string_view value) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    encoded.reserve(value.size());
    for (const char ch : value) {
        const auto c = static_cast<unsigned char>(ch);
        if (IsUnreserved(c)) {
            encoded += ch;
        } else {
            encoded += '%';
            encoded += kHex[c >> 4];
            encoded += kHex[c & 0x0F];
        }
    }
    return encoded;
}

std::string ExportUrl(const ExportServer& server, const Credentials& credentials, std::string_view type,
                      std::string_view dateTo) {
    std::string url = "https://" + server.Host + ":" + std::to_string(server.Port) + kExportPath;
    url += "?usr=" + PercentEncode(credentials.UserLogin);
    url += "&pwd=" + PercentEncode(credentials.Password);
    url += "&type=";
    url += type;
    if (!dateTo.empty()) {
        url += "&dateto=";
        url += dateTo;
    }
    return url;
}

std::optional<CalendarDate> DateOfDateValue(double value) {
    // Far outside the years 1 to 9999 either way; also keeps the conversion below in range.
    if (!std::isfinite(value) || std::fabs(value) > 1.0e7) {
        return std::nullopt;
    }
    // The integral part is the day, also for values before day 0: -1.25 is 29 December 1899, 06:00.
    const auto days = static_cast<std::int64_t>(std::trunc(value));
    const CalendarDate date = CivilFromDays(days - kDateValueUnixOffset);
    if (date.Year < 1 || date.Year > 9999) {
        return std::nullopt;
    }
    return date;
}

std::string FormatDateTo(const CalendarDate& date) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d.%02d.%04d", date.Day, date.Month, date.Year);
    return text;
}

std::string ExportFileName(std::string_view targetDir, const LocalTime& time) {
    std::string name(targetDir);
    name += "\\kalvento_export_";
    name += TwoDigits(time.Year) + TwoDigits(time.Month) + TwoDigits(time.Day) + "_";
    name += TwoDigits(time.Hour) + TwoDigits(time.Minute) + TwoDigits(time.Second) + ".xml";
    return name;
}

}  // namespace provider
