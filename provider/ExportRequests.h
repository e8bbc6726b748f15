// The export server's requests and the export file's name: URLs, query values, dates and time stamps.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "provider/Credentials.h"

namespace provider {

// Where the export server is and how long its answers may take; a build setting (production or the local
// server, and for tests of failures one with short time-outs).
struct ExportServer {
    std::string Host;
    int Port = 443;
    std::int32_t ResetTimeoutSeconds = 60;
    std::int32_t DataTimeoutSeconds = 300;
};

// Request types of the export server.
inline constexpr char kTypeReset[] = "0003";
inline constexpr char kTypeCompleteHistory[] = "0001";
inline constexpr char kTypeDelta[] = "0004";

struct CalendarDate {
    int Year = 0;
    int Month = 0;
    int Day = 0;
};

struct LocalTime {
    int Year = 0;
    int Month = 0;
    int Day = 0;
    int Hour = 0;
    int Minute = 0;
    int Second = 0;
};

// Every byte except A-Z a-z 0-9 - . _ ~ as %XX (upper-case hex), so that no value can end a query key early.
std::string PercentEncode(std::string_view value);

// "https://host:port/export/export/export.php?usr=..&pwd=..&type=..", plus "&dateto=.." when given.
std::string ExportUrl(const ExportServer& server, const Credentials& credentials, std::string_view type,
                      std::string_view dateTo = {});

// The calendar day of a date value (days since 30 December 1899, time of day as the fraction); none when
// the value is not finite or its year lies outside 1 to 9999.
std::optional<CalendarDate> DateOfDateValue(double value);

// "dd.mm.yyyy".
std::string FormatDateTo(const CalendarDate& date);

// The directory, one backslash, "kalvento_export_", "yymmdd_hhnnss" and ".xml".
std::string ExportFileName(std::string_view targetDir, const LocalTime& time);

}  // namespace provider
