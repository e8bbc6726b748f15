// The value format against the Format routine's rules for string specifiers and the cut to 255 characters.
#include "useredit/ValueFormat.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/native/support/Cp1252.h"

namespace {

using useredit::FormatValue;

TEST(FormatValue, AppliesStringSpecifiers) {
    struct Case {
        std::string value;
        std::string format;
        std::string expected;
    };
    const Case cases[] = {
        {"12", "", "12"},
        {std::string(300, 'x'), "", std::string(300, 'x')},  // no format, no cut
        {"12", "%s kg", "12 kg"},
        {"ab", "%S", "ab"},
        {"ab", "[%5s]", "[   ab]"},
        {"ab", "[%-5s]", "[ab   ]"},
        {"abc", "[%2s]", "[abc]"},  // a width never cuts
        {"abc", "%.1s", "a"},
        {"abc", "[%.0s]", "[]"},
        {"abc", "[%.s]", "[]"},
        {"abcdef", "[%4.2s]", "[  ab]"},
        {"abc", "[%0:-4.2s]", "[ab  ]"},
        {"", "[%3s]", "[   ]"},
        {"ab", "%0:s-%0:s", "ab-ab"},
        {"ab", "%s-%0:s", "ab-ab"},
        {"ab", "%00:s", "ab"},
        {"ab", "100%%", "100%"},
        {"ab", "%%s", "%s"},
        {"\374", "%s!", "\374!"},
        {std::string(300, 'x'), "%s", std::string(255, 'x')},
        {"ab", std::string(300, 'y'), std::string(255, 'y')},
        {"ab", "%300s", std::string(255, ' ')},
        {"ab", "%99999999999s", std::string(255, ' ')},
        {"ab", "%-99999999999s", "ab" + std::string(253, ' ')},
        {"ab", "%123456789012345678901234567890s", std::string(255, ' ')},
        {"ab", "-%254s", "-" + std::string(252, ' ') + "ab"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        EXPECT_EQ(FormatValue(c.value, c.format), c.expected);
    }
}

TEST(FormatValue, RefusesEverythingElseNamingTheFormat) {
    const std::string formats[] = {
        "%d",    "%x",  "%f",   "%s %s", "%0:s%s", "%1:s", "%99999999999:s", "%:s",
        "%-0:s", "%*s", "%.*s", "%*:s",  "%5-3s",  "%",    "abc%",           "%%%",
        "%5",    "%-",  "%0:",  "%.",    "%4.2",   "%s%",
    };
    for (const std::string& format : formats) {
        SCOPED_TRACE(format);
        try {
            FormatValue("ab", format);
            ADD_FAILURE() << "no EFormatError";
        } catch (const useredit::EFormatError& e) {
            EXPECT_EQ(e.what(), testsupport::Cp1252("Format '" + format +
                                                    "' ungültig oder nicht kompatibel mit Argument"));
        }
    }
}

}  // namespace
