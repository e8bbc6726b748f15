// The host example that ships with the release, run as a host programmer runs it against the local server:
// its lines, the file it names, and the plug-in's texts as UTF-8 on a pipe.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <set>

#include "support/ChildProcess.h"
#include "support/PluginHost.h"

namespace {

// The text of -23 in UTF-8, the two sentences apart by CR LF as the plug-in keeps them.
const std::string kPasswordWrong =
    "Der kalvento-Server meldet Zugangsfehler 003: Passwort nicht korrekt\r\n"
    "\xC3\x9C"
    "berpr\xC3\xBC"
    "fen Sie Ihre pers\xC3\xB6"
    "nlichen Zugangsdaten \xC3\xBC"
    "ber die "
    "Beraterverwaltung.";
constexpr char kPrepare[] = "status: Initial-Import vorbereiten ...\r\n";
constexpr char kHistory[] = "status: Initial-Import gestartet (komplette Historie)\r\n";
constexpr char kDelta[] = "status: Delta-Import gestartet (Update vom letzten Stand)\r\n";

TEST(MinimalHost, PrintsReadableTextsAndTheFileOfItsRun) {
    // "{file}" stands for the name of the one file the run left, which the example must print.
    const struct {
        const char* arguments;  // user, password, and the date of the last import, if any
        DWORD exitCode;
        std::string output;
    } cases[] = {
        {"4711 geheim", 0, std::string(kPrepare) + kHistory + "file: {file}\r\nExportXML: 0\r\n"},
        {"4711 geheim 01.12.2026", 0, std::string(kDelta) + "file: {file}\r\nExportXML: 0\r\n"},
        // err003: the reset is acknowledged, the data request refused; the refusal is kept in a file.
        {"err003 x", 1,
         std::string(kPrepare) + kHistory + "file: {file}\r\nExportXML: -23, " + kPasswordWrong + "\r\n"},
        // A refused reset leaves no file.
        {"reset-err003 x", 1,
         std::string(kPrepare) + "file: none\r\nExportXML: -23, " + kPasswordWrong + "\r\n"},
        {"4711 geheim 31.04.2026", 2, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        const testenv::ScratchDirectory scratch;
        const testenv::ProgramRun run =
            testenv::RunProgram(testenv::WindowsPath(KALVENTO_TEST_MINIMAL_HOST),
                                "\"" + testenv::LocalDll() + "\" \"" + scratch.Path() + "\" " + c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode);
        const std::set<std::string> files = scratch.Files();
        std::string expected = c.output;
        if (const std::size_t at = expected.find("{file}"); at != std::string::npos) {
            ASSERT_EQ(files.size(), 1u);
            expected.replace(at, 6, *files.begin());
        } else {
            EXPECT_TRUE(files.empty());
        }
        EXPECT_EQ(run.output, expected);
    }
}

}  // namespace
