// The host example that ships with the release, run as a host programmer runs it against the local server.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "support/ChildProcess.h"
#include "support/PluginHost.h"

namespace {

// The example writes through the C runtime's text mode, which makes each "\n" a "\r\n": undone here.
std::string Written(const std::string& output) {
    std::string text;
    for (std::size_t i = 0; i < output.size(); ++i) {
        if (!(output[i] == '\r' && i + 1 < output.size() && output[i + 1] == '\n')) {
            text += output[i];
        }
    }
    return text;
}

TEST(MinimalHost, ExportsOrPrintsTheTextOfTheFailure) {
    const testenv::PluginHost plugin;  // for the texts the example must print
    char refused[IMPAPI_MESSAGE_BUFFER_SIZE] = {};
    ASSERT_EQ(plugin.GetExportErrorMsg(IMPAPI_SERVER_PASSWORD_WRONG, refused), 0);
    // err003: the server acknowledges the reset and answers the data request with its error 003.
    const struct {
        const char* user;
        const char* password;
        DWORD exitCode;
        std::string lastLine;
    } cases[] = {
        {"4711", "geheim", 0, "ExportXML: 0, the file kalvento_export_yymmdd_hhnnss.xml is in "},
        {"err003", "x", 1, "ExportXML: -23, " + std::string(refused)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.user);
        const testenv::ScratchDirectory scratch;
        const std::string arguments =
            "\"" + testenv::LocalDll() + "\" \"" + scratch.Path() + "\" " + c.user + " " + c.password;
        const testenv::ProgramRun run =
            testenv::RunProgram(testenv::WindowsPath(KALVENTO_TEST_MINIMAL_HOST), arguments);
        const std::string output = Written(run.output);
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_EQ(output.rfind("status: Initial-Import vorbereiten ...\n", 0), 0u) << output;
        const std::string lastLine = c.exitCode == 0 ? c.lastLine + scratch.Path() : c.lastLine;
        EXPECT_EQ(output.substr(output.rfind("ExportXML: ")), lastLine + "\n");
        EXPECT_EQ(scratch.Files().size(), 1u) << "the export file, or the server's refusal kept in it";
    }
}

}  // namespace
