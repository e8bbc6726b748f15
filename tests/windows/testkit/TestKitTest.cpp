// The test kit from its own files, in a Wine prefix of its own that trusts nothing yet (run-testkit-test sets
// it up and starts the kit's server): its CA trusted with its own tool, impapi-host and the example host run
// against the kit's DLL for the outcomes a host vendor tries first, and the CA untrusted again.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>

#include "support/ChildProcess.h"
#include "support/TestEnvironment.h"

namespace {

// A file of the kit (KALVENTO_TESTKIT_DIR), for the processor of this tree's programs.
std::string Kit(const std::string& relative) {
    const char* dir = std::getenv("KALVENTO_TESTKIT_DIR");
    return std::string(dir != nullptr ? dir : "") + "\\" + relative;
}

std::string Arch() {
    return sizeof(void*) == 8 ? "x64" : "x86";
}

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

testenv::ProgramRun Host(const std::string& arguments) {
    return testenv::RunProgram(Kit(Arch() + "\\impapi-host.exe"),
                               "--dll " + Quoted(Kit(Arch() + "\\ImpApiKalvento.dll")) + " " + arguments);
}

testenv::ProgramRun TrustCa(const std::string& option) {
    return testenv::RunProgram(Kit(Arch() + "\\trust-ca.exe"), option + Quoted(Kit("server\\certs\\ca.der")));
}

TEST(TestKit, TriesEveryFirstOutcomeWithoutAnAccount) {
    ASSERT_NE(std::getenv("KALVENTO_TESTKIT_DIR"), nullptr) << "run by run-testkit-test";
    // Nothing is trusted yet: the kit's server is refused.
    const testenv::ScratchDirectory scratch;
    const std::string target = Quoted(scratch.Path());
    EXPECT_NE(Host("export " + target + " 4711 geheim none").output.find("result: -3\n"), std::string::npos);
    ASSERT_EQ(TrustCa("").exitCode, 0u);

    const struct {
        const char* arguments;
        const char* result;
        bool file;
    } cases[] = {
        {"4711 geheim none", "result: 0\n", true},      {"4711 geheim 01.12.2026", "result: 0\n", true},
        {"4711 falsch none", "result: -23\n", false},    // a wrong password on the first import
        {"err008 x 01.12.2026", "result: -28\n", true},  // a server error, its answer kept
        {"http503 x none", "result: -8\n", false},
    };
    for (const auto& c : cases) {
        const testenv::ScratchDirectory dir;
        const testenv::ProgramRun run = Host("export " + Quoted(dir.Path()) + " " + c.arguments);
        EXPECT_NE(run.output.find(c.result), std::string::npos) << c.arguments << "\n" << run.output;
        EXPECT_EQ(dir.Files().size(), c.file ? 1u : 0u) << c.arguments;
    }
    {
        // The progress window lives in impapi-host's process.
        const testenv::WindowRobot user("TfrmDownloadProgress", testenv::ClickCancel, true);
        const testenv::ProgramRun run = Host("export " + target + " slow x none");
        EXPECT_EQ(user.Actions(), 1);
        EXPECT_NE(run.output.find("result: -1015\n"), std::string::npos) << run.output;
    }
    // The example host, as a vendor builds it, with the kit's DLL.
    const testenv::ScratchDirectory example;
    const testenv::ProgramRun run = testenv::RunProgram(
        testenv::WindowsPath(KALVENTO_TEST_MINIMAL_HOST),
        Quoted(Kit(Arch() + "\\ImpApiKalvento.dll")) + " " + Quoted(example.Path()) + " 4711 falsch");
    EXPECT_NE(run.output.find("file: none\r\nExportXML: -23, "), std::string::npos) << run.output;
    const testenv::ProgramRun good = testenv::RunProgram(
        testenv::WindowsPath(KALVENTO_TEST_MINIMAL_HOST),
        Quoted(Kit(Arch() + "\\ImpApiKalvento.dll")) + " " + Quoted(example.Path()) + " 4711 geheim");
    ASSERT_EQ(example.Files().size(), 1u);
    EXPECT_NE(good.output.find("file: " + *example.Files().begin() + "\r\nExportXML: 0\r\n"),
              std::string::npos)
        << good.output;

    // Untrusted again, the next connection fails.
    ASSERT_EQ(TrustCa("--remove ").exitCode, 0u);
    EXPECT_NE(Host("export " + target + " 4711 geheim none").output.find("result: -3\n"), std::string::npos);
}

}  // namespace
