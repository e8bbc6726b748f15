// The export server's URLs, the dateto value of a date value, and the export file's name.
#include "provider/ExportRequests.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <limits>
#include <string>

namespace {

using namespace std::chrono;

// The date value of a calendar day: days since 30 December 1899, plus a fraction for the time of day.
double DateValue(int year, unsigned month, unsigned day, double fraction = 0.0) {
    const sys_days date{std::chrono::year{year} / std::chrono::month{month} / std::chrono::day{day}};
    return static_cast<double>((date - sys_days{1899y / December / 30}).count()) + fraction;
}

const provider::ExportServer kServer{"export.example.test", 443};

TEST(ExportUrl, BuildsEachRequestKind) {
    const provider::Credentials user{"4711", "geheim"};
    const std::string base = "https://export.example.test:443/export/export/export.php?usr=4711&pwd=geheim";
    EXPECT_EQ(provider::ExportUrl(kServer, user, "0003"), base + "&type=0003");
    EXPECT_EQ(provider::ExportUrl(kServer, user, "0001"), base + "&type=0001");
    EXPECT_EQ(provider::ExportUrl(kServer, user, "0004", "31.12.2025"),
              base + "&type=0004&dateto=31.12.2025");
    EXPECT_EQ(provider::ExportUrl({"localhost", 48443}, user, "0001"),
              "https://localhost:48443/export/export/export.php?usr=4711&pwd=geheim&type=0001");
}

TEST(ExportUrl, EncodesUserAndPasswordSoNoValueEndsItsKey) {
    const provider::Credentials user{"a&b=c%d", "\374 \x01+/?#"};
    EXPECT_EQ(
        provider::ExportUrl(kServer, user, "0001"),
        "https://export.example.test:443/export/export/export.php?usr=a%26b%3Dc%25d&pwd=%FC%20%01%2B%2F%3F%23"
        "&type=0001");
}

TEST(PercentEncode, KeepsOnlyUnreservedCharacters) {
    EXPECT_EQ(provider::PercentEncode("AZaz09-._~"), "AZaz09-._~");
    EXPECT_EQ(provider::PercentEncode("a&b=c%d"), "a%26b%3Dc%25d");
    EXPECT_EQ(provider::PercentEncode("\374\200\377"), "%FC%80%FF");
    EXPECT_EQ(provider::PercentEncode(std::string("\0\t\"@[`{\x7F", 8)), "%00%09%22%40%5B%60%7B%7F");
    EXPECT_EQ(provider::PercentEncode(""), "");
}

struct DateCase {
    const char* name;
    double value;
    const char* dateTo;  // nullptr: refused
};

class DateOfDateValue : public ::testing::TestWithParam<DateCase> {};

TEST_P(DateOfDateValue, GivesTheDayOfTheIntegralPart) {
    const auto date = provider::DateOfDateValue(GetParam().value);
    if (GetParam().dateTo == nullptr) {
        EXPECT_FALSE(date.has_value());
    } else {
        ASSERT_TRUE(date.has_value());
        EXPECT_EQ(provider::FormatDateTo(*date), GetParam().dateTo);
    }
}

constexpr double kInfinity = std::numeric_limits<double>::infinity();

INSTANTIATE_TEST_SUITE_P(
    Values, DateOfDateValue,
    ::testing::Values(DateCase{"EveningDropsTheTime", DateValue(2025, 12, 31, 18.5 / 24), "31.12.2025"},
                      DateCase{"LeapDay", DateValue(2024, 2, 29, 0.999), "29.02.2024"},
                      DateCase{"HalfDayAfterDayZero", 0.5, "30.12.1899"},
                      DateCase{"DayOne", 1.0, "31.12.1899"}, DateCase{"BeforeDayZero", -1.25, "29.12.1899"},
                      DateCase{"NegativeFractionOfDayZero", -0.5, "30.12.1899"},
                      DateCase{"FarBeforeDayZero", DateValue(1700, 3, 1, -0.75), "01.03.1700"},
                      DateCase{"FirstYear", DateValue(1, 1, 1), "01.01.0001"},
                      DateCase{"FirstYearAtNoon", DateValue(1, 1, 1, -0.5), "01.01.0001"},
                      DateCase{"LastYear", DateValue(9999, 12, 31, 0.99), "31.12.9999"},
                      DateCase{"YearZero", DateValue(1, 1, 1) - 1, nullptr},
                      DateCase{"Year10000", DateValue(9999, 12, 31) + 1, nullptr},
                      DateCase{"FarOutside", 1.0e300, nullptr}, DateCase{"NaN", std::nan(""), nullptr},
                      DateCase{"PlusInfinity", kInfinity, nullptr},
                      DateCase{"MinusInfinity", -kInfinity, nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ExportFileName, IsDirectoryPrefixTimeStampAndExtension) {
    EXPECT_EQ(provider::ExportFileName("C:\\Import", {2026, 2, 3, 14, 5, 9}),
              "C:\\Import\\kalvento_export_260203_140509.xml");
    EXPECT_EQ(provider::ExportFileName("C:\\Import\\", {2026, 2, 3, 14, 5, 9}),
              "C:\\Import\\\\kalvento_export_260203_140509.xml");
    EXPECT_EQ(provider::ExportFileName("D:\\x", {2000, 1, 1, 0, 0, 0}),
              "D:\\x\\kalvento_export_000101_000000.xml");
    EXPECT_EQ(provider::ExportFileName("D:\\x", {2099, 12, 31, 23, 59, 59}),
              "D:\\x\\kalvento_export_991231_235959.xml");
}

}  // namespace
