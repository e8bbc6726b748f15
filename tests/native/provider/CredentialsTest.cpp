// Reading the user number and password out of the host's name=value lines.
#include "provider/Credentials.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct CredentialsCase {
    const char* name;
    std::string text;
    std::string userLogin;
    std::string password;
};

class ParseCredentials : public ::testing::TestWithParam<CredentialsCase> {};

TEST_P(ParseCredentials, FindsTheFirstLineOfEachName) {
    const provider::Credentials parsed = provider::ParseCredentials(GetParam().text);
    EXPECT_EQ(parsed.UserLogin, GetParam().userLogin);
    EXPECT_EQ(parsed.Password, GetParam().password);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ParseCredentials,
    ::testing::Values(
        CredentialsCase{"CrLf", "UserLogin=4711\r\nPassword=geheim\r\n", "4711", "geheim"},
        CredentialsCase{"CrAlone", "UserLogin=4711\rPassword=geheim", "4711", "geheim"},
        CredentialsCase{"LfAlone", "UserLogin=4711\nPassword=geheim", "4711", "geheim"},
        CredentialsCase{"LfCrIsTwoLineEnds", "UserLogin=4711\n\rPassword=geheim", "4711", "geheim"},
        CredentialsCase{"EmptyLinesAndOtherNames", "\r\n\r\nServer=x\r\nUserLogin=1\r\n\nPassword=2", "1",
                        "2"},
        CredentialsCase{"NamesInAnyCase", "USERLOGIN=4711\r\npassWORD=geheim", "4711", "geheim"},
        CredentialsCase{"BlankBeforeEqualsIsAnotherName", "UserLogin =4711\r\n Password=geheim", "", ""},
        CredentialsCase{"ValueWithEquals", "UserLogin=a=b\r\nPassword==x=", "a=b", "=x="},
        CredentialsCase{"ValueKeepsBlanks", "UserLogin= 4711 \r\nPassword=gehe im", " 4711 ", "gehe im"},
        CredentialsCase{"FirstLineWins", "Password=first\r\nUserLogin=1\r\nPassword=second", "1", "first"},
        CredentialsCase{"FirstLineWinsEvenWhenEmpty", "Password=\r\nPassword=second\r\nUserLogin=1", "1", ""},
        CredentialsCase{"NameOnlyBeforeTheFirstEquals", "Comment=Password=x\r\nUserLogin=1", "1", ""},
        CredentialsCase{"LineWithoutEqualsIsIgnored", "Password\r\nPassword=p", "", "p"},
        CredentialsCase{"LongerNameIsAnotherName", "UserLoginX=1\r\nXPassword=2", "", ""},
        CredentialsCase{"Missing", "Server=example", "", ""}, CredentialsCase{"EmptyText", "", "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
