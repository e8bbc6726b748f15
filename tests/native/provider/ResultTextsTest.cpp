// The German texts of every result code the host may ask about, and the host versions the plug-in accepts.
#include "provider/ResultTexts.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "inet/ImpApiINet.h"
#include "provider/KalventoProvider.h"
#include "tests/native/support/Cp1252.h"
#include "tests/native/support/DownloadTexts.h"

namespace {

using testsupport::Cp1252;

constexpr char kCheckAccessData[] =
    "\r\nÜberprüfen Sie Ihre persönlichen Zugangsdaten über die Beraterverwaltung.";
constexpr char kAskPlatform[] = "\r\nBitte wenden Sie sich zur Klärung ggf. direkt an kalvento.";

struct TextCase {
    std::int32_t code;
    std::string text;  // UTF-8
};

class ExportErrorText : public ::testing::TestWithParam<TextCase> {};

TEST_P(ExportErrorText, IsTheExactWindows1252Text) {
    EXPECT_EQ(provider::ExportErrorText(GetParam().code), Cp1252(GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(
    ExportCodes, ExportErrorText,
    ::testing::Values(
        TextCase{-11, std::string("kalvento-Zugangsdaten nicht erfasst.") + kCheckAccessData},
        TextCase{-12, std::string("Der kalvento-Server meldet Fehler beim Zurücksetzen des Datenstands.") +
                          kAskPlatform},
        TextCase{-21, std::string("Der kalvento-Server meldet Zugangsfehler 001: Login fehlgeschlagen") +
                          kCheckAccessData},
        TextCase{-22, std::string("Der kalvento-Server meldet Zugangsfehler 002: User unbekannt") +
                          kCheckAccessData},
        TextCase{-23, std::string("Der kalvento-Server meldet Zugangsfehler 003: Passwort nicht korrekt") +
                          kCheckAccessData},
        TextCase{-25, std::string("Der kalvento-Server meldet Fehler 005: Keine aktuellen Daten vorhanden") +
                          kAskPlatform},
        TextCase{-26,
                 std::string("Der kalvento-Server meldet Fehler 006: XML nicht vollständig") + kAskPlatform},
        TextCase{-28,
                 std::string("Der kalvento-Server meldet Fehler 008: Datenbankfehler auf kalvento-Server") +
                     kAskPlatform},
        TextCase{-29,
                 "Der kalvento-Server meldet Zugangsfehler ???: Unbekannter Fehler\r\n"
                 "Bitte Hotline kontaktieren; Server-Antwort findet sich ggf. in XML-Datei."},
        TextCase{-31,
                 "Die Exportdatei konnte nicht geschrieben werden.\r\n"
                 "Überprüfen Sie das Importverzeichnis und die Schreibrechte."},
        TextCase{-32, "Ungültiger Aufruf der Import-Schnittstelle.\r\nBitte Hotline kontaktieren."}));

INSTANTIATE_TEST_SUITE_P(WithoutText, ExportErrorText,
                         ::testing::Values(TextCase{0, ""}, TextCase{-10, ""}, TextCase{-13, ""},
                                           TextCase{-14, ""}, TextCase{-15, ""}, TextCase{-16, ""},
                                           TextCase{-17, ""}, TextCase{-18, ""}, TextCase{-19, ""},
                                           TextCase{-20, ""}, TextCase{-24, ""}, TextCase{-27, ""},
                                           TextCase{-30, ""}, TextCase{-33, ""}, TextCase{1, ""},
                                           TextCase{-1014, ""}, TextCase{-1016, ""}, TextCase{INT_MIN, ""}));

TEST(ExportErrorText, DownloadCodesAreWordedByTheDownloadEngine) {
    for (const auto& [code, text] : testsupport::kDownloadTexts) {
        EXPECT_EQ(provider::ExportErrorText(code), Cp1252(text)) << code;
    }
}

TEST(ExportErrorText, LongestTextFillsTheHostBufferOfTheInterface) {
    EXPECT_EQ(provider::ExportErrorText(-23).size(), 143u)
        << "the host passes 144 bytes, terminator included";
    for (std::int32_t code = -1100; code <= 0; ++code) {
        EXPECT_LE(provider::ExportErrorText(code).size(), 143u) << code;
    }
}

TEST(CheckHostVersion, AcceptsFrom40333On) {
    for (const std::int32_t refused : {INT_MIN, -40333, -1, 0, 40300, 40332}) {
        EXPECT_EQ(provider::CheckHostVersion(refused), -1) << refused;
    }
    for (const std::int32_t accepted : {40333, 40334, 50000, INT_MAX}) {
        EXPECT_EQ(provider::CheckHostVersion(accepted), 0) << accepted;
    }
}

}  // namespace
