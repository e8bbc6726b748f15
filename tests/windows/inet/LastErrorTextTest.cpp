// The text of a failed system call, from the system's real message table.
#include <gtest/gtest.h>

#include <string>

#include "inet/win32/WinInetLayer.h"

namespace {

TEST(LastErrorText, SystemMessageFollowsTheCodeAndADash) {
    const std::string text = inet::LastErrorText(ERROR_FILE_NOT_FOUND);
    ASSERT_EQ(text.rfind("2-", 0), 0u) << text;
    EXPECT_GT(text.size(), 4u) << "the system's own words follow";
}

TEST(LastErrorText, InternetCodesHaveNoSystemTextButTheTimeOutIsNamed) {
    EXPECT_EQ(inet::LastErrorText(12002), "12002:Zeit\374berschreitung (TimeOut)");
    EXPECT_EQ(inet::LastErrorText(12038), "12038");
    EXPECT_EQ(inet::LastErrorText(12030), "12030");
}

TEST(LastErrorText, MessageWithInsertsIsRefusedSoTheCodeStandsAlone) {
    // "Bad EXE format for %1.": there is nothing to insert, and nothing is read in its place.
    EXPECT_EQ(inet::LastErrorText(ERROR_BAD_EXE_FORMAT), "193");
}

}  // namespace
