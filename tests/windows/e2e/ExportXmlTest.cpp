// Export runs through the real DLL against the local export server: result codes, requests as the server
// logged them, status lines and pulses, and the export file.
#include <gtest/gtest.h>

#include <windows.h>
#include <wininet.h>

#include <cmath>
#include <functional>
#include <limits>
#include <regex>
#include <string>
#include <vector>

#include "support/KeyboardUser.h"
#include "support/PluginHost.h"

namespace {

using testenv::HostCall;
using testenv::Line;
using testenv::Pulse;
using Lines = std::vector<std::string>;

constexpr double kInitialImport = 0.0;
constexpr double kLastImport = 46022.0 + 18.5 / 24.0;  // 31 December 2025, 18:30
constexpr char kDeltaQuery[] = "&type=0004&dateto=31.12.2025 HTTP/1.1";
constexpr char kRequestPrefix[] = "GET /export/export/export.php?usr=";

std::string DeltaRequest(const std::string& user, const std::string& password) {
    return kRequestPrefix + user + "&pwd=" + password + kDeltaQuery;
}

std::string Credentials(const std::string& user, const std::string& password) {
    return "UserLogin=" + user + "\r\nPassword=" + password + "\r\n";
}

struct ExportRun {
    std::int32_t result = 0;
    std::vector<HostCall> calls;
    Lines requests;
    std::vector<std::string> files;
    std::string fileBytes;  // of the one file written
};

struct ExportOptions {
    double lastImport = kLastImport;
    bool callback = true;
    const char* credentials = nullptr;  // instead of UserLogin=user, Password=x
    std::string targetDir = {};         // instead of a fresh scratch directory
};

ExportRun Export(const std::string& user, ExportOptions options = {}) {
    const testenv::PluginHost plugin;
    plugin.RegProgrCallback(options.callback ? testenv::RecordingCallback : nullptr);
    const testenv::ScratchDirectory scratch;
    const std::string target = options.targetDir.empty() ? scratch.Path() : options.targetDir;
    const std::string credentials = options.credentials ? options.credentials : Credentials(user, "x");
    const testenv::RequestLog log;
    ExportRun run;
    run.result = plugin.ExportXML(target.c_str(), 7, -7, &options.lastImport, credentials.c_str());
    run.calls = testenv::RecordedCalls();
    run.requests = log.NewLines();
    for (const std::string& name : scratch.Files()) {
        run.files.push_back(name);
        run.fileBytes = testenv::ReadFileBytes(scratch.Path() + "\\" + name);
    }
    return run;
}

// Status lines only, in order.
Lines StatusLines(const std::vector<HostCall>& calls) {
    Lines lines;
    for (const HostCall& call : calls) {
        if (call.code == 3) {
            EXPECT_EQ(call.subCode, 0);
            lines.push_back(call.text);
        } else {
            EXPECT_EQ(call, Pulse()) << "only status lines and pulses are reported";
        }
    }
    return lines;
}

// Arms the server: the next connection presents a certificate for another host name.
void ArmWrongHostCertificate() {
    HINTERNET session = ::InternetOpenA("test", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    HINTERNET request =
        ::InternetOpenUrlA(session, testenv::ServerUrl("/control?wronghost=1").c_str(), nullptr, 0,
                           INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0);
    ASSERT_NE(request, nullptr);
    char buffer[16];
    DWORD read = 0;
    while (::InternetReadFile(request, buffer, sizeof buffer, &read) && read > 0) {
    }
    ::InternetCloseHandle(request);
    ::InternetCloseHandle(session);
}

// "kalvento_export_yymmdd_hhnnss.xml" for a local time.
std::string ExportFileName(const SYSTEMTIME& time) {
    char name[64];
    std::snprintf(name, sizeof name, "kalvento_export_%02d%02d%02d_%02d%02d%02d.xml", time.wYear % 100,
                  time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond);
    return name;
}

SYSTEMTIME LocalTimeIn(int seconds) {
    FILETIME now;
    ::GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER ticks{{now.dwLowDateTime, now.dwHighDateTime}};
    ticks.QuadPart += static_cast<ULONGLONG>(seconds) * 10000000;
    const FILETIME then{ticks.LowPart, ticks.HighPart};
    FILETIME local;
    ::FileTimeToLocalFileTime(&then, &local);
    SYSTEMTIME time;
    ::FileTimeToSystemTime(&local, &time);
    return time;
}

TEST(ExportXml, InitialImportResetsThenWritesTheCompleteHistory) {
    const std::string earliest = ExportFileName(LocalTimeIn(0));
    const ExportRun run =
        Export("4711", {.lastImport = kInitialImport, .credentials = "UserLogin=4711\r\nPassword=geheim"});
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(run.requests, (Lines{kRequestPrefix + std::string("4711&pwd=geheim&type=0003 HTTP/1.1"),
                                   kRequestPrefix + std::string("4711&pwd=geheim&type=0001 HTTP/1.1")}));
    ASSERT_GE(run.calls.size(), 8u);
    EXPECT_EQ(run.calls[0], Line("Initial-Import vorbereiten ..."));
    // Each download: a pulse when the window shows, one per chunk, one when it hides.
    std::size_t second = 1;
    while (second < run.calls.size() && run.calls[second] == Pulse()) {
        ++second;
    }
    EXPECT_GE(second - 1, 3u);
    ASSERT_LT(second, run.calls.size());
    EXPECT_EQ(run.calls[second], Line("Initial-Import gestartet (komplette Historie)"));
    EXPECT_GE(run.calls.size() - second - 1, 3u);
    EXPECT_EQ(StatusLines(run.calls).size(), 2u);

    ASSERT_EQ(run.files.size(), 1u);
    // Named for the local time at which it was written: between the start of the run and now.
    EXPECT_TRUE(std::regex_match(run.files[0], std::regex(R"(kalvento_export_\d{6}_\d{6}\.xml)")))
        << run.files[0];
    EXPECT_GE(run.files[0], earliest);
    EXPECT_LE(run.files[0], ExportFileName(LocalTimeIn(0)));
    EXPECT_EQ(run.fileBytes.rfind("<?xml", 0), 0u);
}

TEST(ExportXml, DeltaImportAsksForChangesUpToTheLastImportDay) {
    const ExportRun run = Export("4711", {.credentials = "userlogin=4711\nPASSWORD=geheim"});
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(run.requests, Lines{DeltaRequest("4711", "geheim")});
    EXPECT_EQ(StatusLines(run.calls), Lines{"Delta-Import gestartet (Update vom letzten Stand)"});
    EXPECT_EQ(run.files.size(), 1u);
}

TEST(ExportXml, FileHoldsTheAnswerByteForByte) {
    const ExportRun run = Export("bytes");
    EXPECT_EQ(run.result, 0);
    ASSERT_EQ(run.files.size(), 1u);
    const std::string expected =
        std::string("<?xml version=\"1.0\" encoding=\"windows-1252\"?>\r\n<export>") +
        std::string("\x00\377\r\n\374", 5) + "</export>\r\n";
    EXPECT_EQ(run.fileBytes, expected);
}

TEST(ExportXml, CredentialsTravelPercentEncodedAndCannotAddQueryKeys) {
    const ExportRun password = Export("", {.credentials = "UserLogin=bytes\r\nPassword=a&b=c%d\374+# ~"});
    EXPECT_EQ(password.result, 0);
    EXPECT_EQ(password.requests, Lines{DeltaRequest("bytes", "a%26b%3Dc%25d%FC%2B%23%20~")});
    // The whole value reaches the server as one user number, which it does not know.
    const ExportRun user = Export("", {.credentials = "UserLogin=bytes&type=0001\r\nPassword=x"});
    EXPECT_EQ(user.result, -22);
    EXPECT_EQ(user.requests, Lines{DeltaRequest("bytes%26type%3D0001", "x")});
}

struct CodeCase {
    const char* user;
    std::int32_t result;
    bool fileKept;
};

class ExportXmlCode : public testing::TestWithParam<CodeCase> {};

TEST_P(ExportXmlCode, DataAnswerDecidesTheCodeAndTheFile) {
    const CodeCase& c = GetParam();
    const ExportRun run = Export(c.user);
    EXPECT_EQ(run.result, c.result);
    EXPECT_EQ(run.requests, Lines{DeltaRequest(c.user, "x")});
    EXPECT_EQ(run.files.size(), c.fileKept ? 1u : 0u) << "an error answer is kept for the user to read";
    if (c.fileKept && c.result != 0) {
        EXPECT_EQ(run.fileBytes.rfind("ERROR", 0), 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(ServerAnswers, ExportXmlCode,
                         testing::Values(CodeCase{"err001", -21, true}, CodeCase{"err002", -22, true},
                                         CodeCase{"err003", -23, true}, CodeCase{"err004", -29, true},
                                         CodeCase{"err005", -25, true}, CodeCase{"err006", -26, true},
                                         CodeCase{"err007", -29, true}, CodeCase{"err008", -28, true},
                                         CodeCase{"err003-001", -21, true}, CodeCase{"err003-xml", 0, true},
                                         CodeCase{"nobody-knows-me", -22, true},
                                         CodeCase{"http401", -4, false}, CodeCase{"http403", -4, false},
                                         CodeCase{"http404", -5, false}, CodeCase{"http500", -6, false},
                                         CodeCase{"http503", -8, false}, CodeCase{"empty", -7, false},
                                         CodeCase{"short", -7, false}),
                         testenv::ScenarioName<CodeCase>);

class UnacknowledgedReset : public testing::TestWithParam<CodeCase> {};

// A reset answer without 007 stops the import after its one request, without a file; its error number, if
// any, names the fault as a data answer's would (a wrong password on the first import is -23, not -12).
TEST_P(UnacknowledgedReset, StopsAfterOneRequestWithTheServersNumber) {
    const CodeCase& c = GetParam();
    const ExportRun run = Export(c.user, {.lastImport = kInitialImport});
    EXPECT_EQ(run.result, c.result);
    EXPECT_EQ(run.requests, Lines{kRequestPrefix + std::string(c.user) + "&pwd=x&type=0003 HTTP/1.1"});
    EXPECT_EQ(StatusLines(run.calls), Lines{"Initial-Import vorbereiten ..."});
    EXPECT_EQ(run.files.size(), c.fileKept ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    ResetAnswers, UnacknowledgedReset,
    testing::Values(CodeCase{"noack", -21, false}, CodeCase{"reset-err002", -22, false},
                    CodeCase{"reset-err003", -23, false}, CodeCase{"reset-err004", -12, false},
                    CodeCase{"reset-err005", -25, false}, CodeCase{"reset-err006", -26, false},
                    CodeCase{"reset-err008", -28, false}, CodeCase{"reset-refused", -12, false}),
    testenv::ScenarioName<CodeCase>);

TEST(ExportXml, FailedResetReturnsItsDownloadCode) {
    const ExportRun run = Export("http503", {.lastImport = kInitialImport});
    EXPECT_EQ(run.result, -8);
    EXPECT_EQ(run.requests.size(), 1u);
    EXPECT_EQ(StatusLines(run.calls),
              (Lines{"Initial-Import vorbereiten ...",
                     "HTTP-Fehler 503: Der Server ist vor\374bergehend \374berlastet."}));
    EXPECT_TRUE(run.files.empty());
}

TEST(ExportXml, WithoutCallbackTheSameFileButFailureStatusesAreUndetermined) {
    const ExportRun ok = Export("bytes", {.callback = false});
    EXPECT_EQ(ok.result, 0);
    EXPECT_EQ(ok.files.size(), 1u);
    const ExportRun refused = Export("http404", {.callback = false});
    EXPECT_EQ(refused.result, -1);
    EXPECT_TRUE(refused.files.empty());
    EXPECT_TRUE(testenv::RecordedCalls().empty());
}

TEST(ExportXml, CertificateForAnotherHostFailsTheOpening) {
    ArmWrongHostCertificate();
    const ExportRun run = Export("xml-1000");
    EXPECT_EQ(run.result, -3);
    const Lines lines = StatusLines(run.calls);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1].rfind("WinINet-Systemfehler: 12038", 0), 0u) << lines[1];
    EXPECT_TRUE(run.files.empty());
}

TEST(ExportXml, CancelClickedDuringTheDownloadLeavesNoFile) {
    const testenv::WindowRobot user("TfrmDownloadProgress", testenv::ClickCancel);
    const ExportRun run = Export("slow");
    EXPECT_EQ(user.Actions(), 1);
    EXPECT_EQ(run.result, -1015);
    EXPECT_EQ(StatusLines(run.calls), (Lines{"Delta-Import gestartet (Update vom letzten Stand)",
                                             "Download durch Benutzer abgebrochen"}));
    EXPECT_TRUE(run.files.empty());
    EXPECT_EQ(testenv::FindOwnWindow("TfrmDownloadProgress"), nullptr);
}

struct ProgressKeys {
    const char* name;
    std::vector<testenv::Keystroke> keys;
    bool enterFirst;  // Enter before the keys, which must not cancel
};

// The cancel button by keyboard, in the host's own message loop: Tab reaches it, Escape presses it wherever
// the focus is, Space presses the focused button; Enter does nothing.
TEST(ExportXml, TheKeyboardReachesTheCancelButton) {
    const std::vector<ProgressKeys> cases = {
        {"Escape", {{VK_ESCAPE}}, false},
        {"Tab, Escape", {{VK_TAB}, {VK_ESCAPE}}, false},
        {"Shift+Tab, Space", {{VK_TAB, true}, {VK_SPACE}}, false},
        {"Enter, then Tab and Space", {{VK_TAB}, {VK_SPACE}}, true},
    };
    for (const ProgressKeys& c : cases) {
        std::string labelAfterEnter;
        bool cancelledByKeys = false;
        ExportRun run;
        {
            const testenv::WindowRobot user("TfrmDownloadProgress", [&](HWND window) {
                const HWND label = ::FindWindowExA(window, nullptr, "Static", nullptr);
                const auto caption = [label] {
                    char text[64] = {};
                    ::GetWindowTextA(label, text, sizeof text);
                    return std::string(text);
                };
                if (c.enterFirst) {
                    // Tab behind Enter tells when Enter was handled: the focus reaches the button.
                    testenv::TypeKeys(window, {{VK_RETURN}, {VK_TAB}});
                    testenv::WaitUntil([window] { return testenv::FocusOf(window) != window; });
                    labelAfterEnter = caption();
                }
                // A cancelled download ends at its next chunk, and the window with it.
                cancelledByKeys = testenv::TypeKeys(window, c.keys) &&
                                  testenv::WaitUntil([window] { return !::IsWindow(window); });
                if (!cancelledByKeys) {
                    testenv::ClickCancel(window);  // the slow answer would take minutes
                }
            });
            run = Export("slow");
        }  // the robot has finished
        EXPECT_TRUE(cancelledByKeys) << c.name;
        EXPECT_EQ(run.result, -1015) << c.name;
        if (c.enterFirst) {
            EXPECT_EQ(labelAfterEnter, "Download l\344uft ...") << c.name;
        }
    }
}

// Destroy messages that no DestroyWindow sent, from another thread or posted: the window stays the plug-in's,
// its cancel button works, and it is gone when the export returns, before the DLL is unloaded.
TEST(ExportXml, DestroyMessagesFromOutsideLeaveTheProgressWindowToThePlugin) {
    const std::vector<std::pair<const char*, std::function<void(HWND)>>> cases = {
        {"sent", [](HWND window) { ::SendMessageA(window, WM_NCDESTROY, 0, 0); }},
        {"sent to the button",
         [](HWND window) {
             const HWND button = ::FindWindowExA(window, nullptr, "Button", nullptr);
             ::SendMessageA(button, WM_DESTROY, 0, 0);
             ::SendMessageA(button, WM_NCDESTROY, 0, 0);
         }},
        {"posted",
         [](HWND window) {
             ::PostMessageA(window, WM_DESTROY, 0, 0);
             ::PostMessageA(window, WM_NCDESTROY, 0, 0);
         }},
    };
    for (const auto& [name, destroy] : cases) {
        const testenv::WindowRobot user("TfrmDownloadProgress", [&](HWND window) {
            destroy(window);
            testenv::ClickCancel(window);
        });
        const ExportRun run = Export("slow");  // the DLL is unloaded when it returns
        EXPECT_EQ(run.result, -1015) << name;
        EXPECT_EQ(::FindWindowA("TfrmDownloadProgress", nullptr), nullptr) << name;
        testenv::PumpMessages();  // a window left with the unloaded window procedure would crash here
    }
}

TEST(ExportXml, ProxyDemandGoesThroughTheDialog) {
    const testenv::ProxyConfiguration proxy;
    {
        const testenv::WindowRobot user("#32770", testenv::EnterProxyCredentials);
        const ExportRun run = Export("bytes");
        EXPECT_EQ(run.result, 0);
        EXPECT_EQ(run.files.size(), 1u);
    }
    // Wine's dialog gives the no-error answer when dismissed.
    const testenv::WindowRobot user("#32770", testenv::DismissDialog);
    const ExportRun run = Export("bytes");
    EXPECT_EQ(run.result, -9);
    EXPECT_EQ(StatusLines(run.calls), (Lines{"Delta-Import gestartet (Update vom letzten Stand)",
                                             "HTTP-Fehler 407: Authentifizierung erforderlich."}));
    EXPECT_TRUE(run.files.empty());
}

TEST(ExportXml, AnswerTooLargeForTheAddressSpaceEndsIncompleteWithoutFile) {
    // 3000 MiB cannot be held by a 32-bit process; the download must end cleanly, not crash the host.
    if (sizeof(void*) != 4) {
        GTEST_SKIP() << "only a 32-bit process runs out of address space here";
    }
    const ExportRun run = Export("xml-3000M");
    EXPECT_EQ(run.result, -7);
    EXPECT_TRUE(run.files.empty());
    const Lines lines = StatusLines(run.calls);
    ASSERT_EQ(lines.size(), 2u);
    const std::string prefix =
        "Fehler bei Download: Die angeforderte Datei wurde nur unvollst\344ndig geladen (";
    ASSERT_EQ(lines[1].rfind(prefix, 0), 0u) << lines[1];
    EXPECT_GT(std::stoull(lines[1].substr(prefix.size())), 1ull << 30) << "what was received is named";
}

TEST(ExportXml, MissingCredentialsAreRefusedBeforeAnyRequest) {
    for (const char* credentials : {"UserLogin=4711\r\nPassword=", "UserLogin=4711",
                                    "UserLogin =4711\r\nPassword=x", "Password=geheim\r\nUserLogin=", ""}) {
        const ExportRun run = Export("", {.credentials = credentials});
        EXPECT_EQ(run.result, -11) << credentials;
        EXPECT_TRUE(run.requests.empty()) << credentials;
        EXPECT_TRUE(run.calls.empty()) << credentials;
    }
}

TEST(ExportXml, InvalidDatesAreRefusedBeforeAnyRequest) {
    for (const double date :
         {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
          -std::numeric_limits<double>::infinity(), 2958466.0, -693594.0}) {
        const ExportRun run = Export("xml-1000", {.lastImport = date});
        EXPECT_EQ(run.result, -32) << date;
        EXPECT_TRUE(run.requests.empty()) << date;
        EXPECT_TRUE(run.calls.empty()) << date;
    }
}

TEST(ExportXml, UnwritableTargetIsRefusedBeforeAnyRequest) {
    const testenv::ScratchDirectory scratch;
    const std::string file = scratch.Path() + "\\not-a-directory";
    ::CloseHandle(::CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    for (const std::string& target : {scratch.Path() + "\\missing", file}) {
        const ExportRun run = Export("xml-1000", {.lastImport = kInitialImport, .targetDir = target});
        EXPECT_EQ(run.result, -31) << target;
        EXPECT_TRUE(run.requests.empty()) << "the reset would lose the history";
        EXPECT_TRUE(run.calls.empty());
    }
}

TEST(ExportXml, FileThatCannotBeWrittenEndsWithItsLineAndLeavesNothing) {
    const testenv::ScratchDirectory scratch;
    // Directories stand under the names the file would get in the coming seconds.
    for (int second = 0; second < 10; ++second) {
        ::CreateDirectoryA((scratch.Path() + "\\" + ExportFileName(LocalTimeIn(second))).c_str(), nullptr);
    }
    const ExportRun run = Export("bytes", {.targetDir = scratch.Path()});
    EXPECT_EQ(run.result, -31);
    const Lines lines = StatusLines(run.calls);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_TRUE(std::regex_match(
        lines[1], std::regex(R"(Datei .*\\kalvento_export_\d{6}_\d{6}\.xml kann nicht erstellt werden)")))
        << lines[1];
    EXPECT_EQ(lines[1].rfind("Datei " + scratch.Path() + "\\", 0), 0u);
    EXPECT_TRUE(scratch.Files().empty()) << "no temporary file is left behind";
}

TEST(ExportXml, ProviderParametersDoNotChangeTheOutcome) {
    const testenv::PluginHost plugin;
    const double lastImport = kLastImport;
    const std::string credentials = Credentials("err003", "x");
    for (const auto& [first, second] :
         {std::pair{0, 0}, std::pair{-1, 0x7FFFFFFF}, std::pair{12345, -12345}}) {
        const testenv::ScratchDirectory target;
        EXPECT_EQ(plugin.ExportXML(target.Path().c_str(), first, second, &lastImport, credentials.c_str()),
                  -23);
        EXPECT_EQ(target.Files().size(), 1u);
    }
}

TEST(ExportXml, TargetWithTrailingBackslashStillReceivesTheFile) {
    const testenv::ScratchDirectory scratch;
    const ExportRun run = Export("bytes", {.targetDir = scratch.Path() + "\\"});
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(scratch.Files().size(), 1u);
}

}  // namespace
