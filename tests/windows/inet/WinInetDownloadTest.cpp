// DownloadToStream over real WinINet against the local export server: statuses, bodies, failures, the proxy
// dialog and a cancellation clicked during a transfer.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "inet/win32/ImpApiDownloadProgress.h"
#include "inet/win32/WinDownload.h"
#include "support/TestEnvironment.h"
#include "toolkit/Graphics.h"

namespace {

class RecordingHost final : public host::HostReporting {
public:
    bool CallbackRegistered() const override { return registered; }
    void StatusLine(const std::string& text) override {
        if (registered) {
            lines.push_back(text);
        }
    }
    void ProgressPulse() override {
        if (registered) {
            ++pulses;
            testenv::PumpMessages();
        }
    }

    bool registered = true;
    std::vector<std::string> lines;
    int pulses = 0;
};

struct Outcome {
    std::int32_t result = 0;
    std::string statusCode;
    std::string body;
    std::vector<std::string> lines;
    int pulses = 0;
};

struct Options {
    std::int32_t timeoutSeconds = 30;
    bool report = true;
    bool showProgress = false;
    bool callback = true;
};

Outcome Download(const std::string& url, Options options = {}) {
    RecordingHost host;
    host.registered = options.callback;
    inet::MemoryStream stream;
    Outcome outcome;
    outcome.result =
        inet::DownloadToStream(url, options.timeoutSeconds, stream, outcome.statusCode,
                               {.Report = options.report, .ShowProgress = options.showProgress}, host);
    stream.ForEachSegment([&](const char* data, std::size_t count) { outcome.body.append(data, count); });
    outcome.lines = host.lines;
    outcome.pulses = host.pulses;
    return outcome;
}

using Lines = std::vector<std::string>;

TEST(WinInetDownload, XmlAnswerArrivesWholeAndCursorEndsAppStarting) {
    const Outcome outcome = Download(testenv::ExportUrl("xml-100000"), {.showProgress = true});
    EXPECT_EQ(outcome.result, 0);
    EXPECT_EQ(outcome.statusCode, "200");
    ASSERT_EQ(outcome.body.size(), 100000u);
    EXPECT_EQ(outcome.body.substr(0, 5), "<?xml");
    EXPECT_TRUE(outcome.lines.empty());
    // One pulse per chunk of at most 4095 bytes, and one each for showing and hiding the window.
    EXPECT_GE(outcome.pulses, 100000 / 4095 + 1 + 2);
    EXPECT_EQ(toolkit::ScreenCursor(), toolkit::TCursor::AppStart);
    EXPECT_EQ(::GetCursor(), ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32650)));
    EXPECT_FALSE(inet::frmDownloadProgress) << "the progress window is freed with the transfer";
}

struct StatusCase {
    const char* user;
    std::int32_t result;
    const char* statusCode;
    const char* line;
};

class WinInetStatus : public testing::TestWithParam<StatusCase> {};

TEST_P(WinInetStatus, IsClassifiedWithItsLine) {
    const StatusCase& c = GetParam();
    const Outcome outcome = Download(testenv::ExportUrl(c.user));
    EXPECT_EQ(outcome.result, c.result);
    EXPECT_EQ(outcome.statusCode, c.statusCode);
    EXPECT_EQ(outcome.lines, Lines{c.line});
    EXPECT_TRUE(outcome.body.empty()) << "a refused answer's body is not read";
}

INSTANTIATE_TEST_SUITE_P(
    Statuses, WinInetStatus,
    testing::Values(StatusCase{"http401", -4, "401", "HTTP-Fehler 401: Zugriff verweigert."},
                    StatusCase{"http403", -4, "403", "HTTP-Fehler 403: Zugriff verweigert."},
                    StatusCase{"http404", -5, "404", "HTTP-Fehler 404: Die Seite wurde nicht gefunden."},
                    StatusCase{"http500", -6, "500", "HTTP-Fehler: 500"},
                    StatusCase{"http503", -8, "503",
                               "HTTP-Fehler 503: Der Server ist vor\374bergehend \374berlastet."},
                    StatusCase{"close", -6, "0", "HTTP-Fehler: 0"}),
    testenv::ScenarioName<StatusCase>);

TEST(WinInetDownload, FailureStatusIsUndeterminedWithoutReportOrCallback) {
    for (const Options options : {Options{.report = false}, Options{.callback = false}}) {
        const Outcome outcome = Download(testenv::ExportUrl("http404"), options);
        EXPECT_EQ(outcome.result, -1);
        EXPECT_EQ(outcome.statusCode, "404");
        EXPECT_TRUE(outcome.lines.empty());
    }
}

struct BodyCase {
    const char* user;
    std::int32_t result;
    std::size_t size;
};

class WinInetBody : public testing::TestWithParam<BodyCase> {};

TEST_P(WinInetBody, CompletenessFollowsTheAnnouncedLength) {
    const BodyCase& c = GetParam();
    const Outcome outcome = Download(testenv::ExportUrl(c.user));
    EXPECT_EQ(outcome.result, c.result);
    EXPECT_EQ(outcome.body.size(), c.size) << "what arrived stays in the stream";
    if (c.result == -7) {
        std::string line = "Fehler bei Download: Die angeforderte Datei wurde nur unvollst\344ndig geladen (";
        line += std::to_string(c.size);
        line += " Bytes geladen)";
        EXPECT_EQ(outcome.lines, Lines{line});
    } else {
        EXPECT_TRUE(outcome.lines.empty());
    }
}

// This stack reports a chunked body that breaks off as a clean end of data, and no length was announced.
INSTANTIATE_TEST_SUITE_P(Bodies, WinInetBody,
                         testing::Values(BodyCase{"empty", -7, 0}, BodyCase{"short", -7, 1000},
                                         BodyCase{"chunked-cut", 0, 3000}, BodyCase{"nolength", 0, 5000},
                                         BodyCase{"badlength", 0, 5000}),
                         testenv::ScenarioName<BodyCase>);

TEST(WinInetDownload, ShortTimeOutFailsTheOpeningWithTheTimeOutLine) {
    const Outcome outcome = Download(testenv::ExportUrl("hang"), {.timeoutSeconds = 2});
    EXPECT_EQ(outcome.result, -3);
    EXPECT_EQ(outcome.statusCode, "");
    EXPECT_EQ(outcome.lines, Lines{"WinINet-Systemfehler: 12002:Zeit\374berschreitung (TimeOut)"});
}

TEST(WinInetDownload, CertificateForAnotherHostFailsTheOpening) {
    ASSERT_EQ(Download(testenv::ServerUrl("/control?wronghost=1")).result, 0);
    const Outcome outcome = Download(testenv::ExportUrl("xml-1000"));
    EXPECT_EQ(outcome.result, -3);
    ASSERT_EQ(outcome.lines.size(), 1u);
    EXPECT_EQ(outcome.lines[0].rfind("WinINet-Systemfehler: 12038", 0), 0u) << outcome.lines[0];
    EXPECT_TRUE(outcome.body.empty());
}

TEST(WinInetDownload, CancelClickedDuringTransferStopsIt) {
    const testenv::WindowRobot user("TfrmDownloadProgress", testenv::ClickCancel);
    const Outcome outcome = Download(testenv::ExportUrl("slow"), {.showProgress = true});
    EXPECT_EQ(user.Actions(), 1);
    EXPECT_EQ(outcome.result, -1015);
    EXPECT_EQ(outcome.lines, Lines{"Download durch Benutzer abgebrochen"});
    EXPECT_GT(outcome.body.size(), 0u);
    EXPECT_LT(outcome.body.size(), 10u << 20);
    EXPECT_FALSE(inet::frmDownloadProgress);
    EXPECT_EQ(testenv::FindOwnWindow("TfrmDownloadProgress"), nullptr);
}

TEST(WinInetProxy, ProxyDemandWithoutProxyIsDismissedWithoutDialog) {
    const Outcome outcome = Download(testenv::ExportUrl("http407"));
    EXPECT_EQ(outcome.result, -1);
    EXPECT_EQ(outcome.statusCode, "407");
    EXPECT_TRUE(outcome.lines.empty());
}

TEST(WinInetProxy, ConfirmedDialogSendsTheRequestAgainWithCredentials) {
    const testenv::ProxyConfiguration proxy;
    const testenv::RequestLog log;
    const testenv::WindowRobot user("#32770", testenv::EnterProxyCredentials);
    const Outcome outcome = Download(testenv::ExportUrl("xml-2000"));
    EXPECT_EQ(user.Actions(), 1);
    EXPECT_EQ(outcome.result, 0);
    EXPECT_EQ(outcome.statusCode, "200");
    EXPECT_EQ(outcome.body.size(), 2000u);
    EXPECT_TRUE(outcome.lines.empty());
    const auto requests = log.NewLines();
    ASSERT_FALSE(requests.empty());
    // The protocol version inside the tunnel follows the proxy's answer to CONNECT (tinyproxy's is 1.0).
    EXPECT_EQ(requests.back().substr(0, requests.back().rfind(' ')),
              "GET /export/export/export.php?usr=xml-2000&pwd=x&type=0004&dateto=01.12.2026");
}

TEST(WinInetProxy, DismissedDialogEndsWithoutTheRequest) {
    const testenv::ProxyConfiguration proxy;
    const testenv::RequestLog log;
    const testenv::WindowRobot user("#32770", testenv::DismissDialog);
    const Outcome outcome = Download(testenv::ExportUrl("xml-2000"));
    EXPECT_EQ(user.Actions(), 1);
    EXPECT_EQ(outcome.statusCode, "407");
    EXPECT_TRUE(outcome.body.empty());
    for (const std::string& request : log.NewLines()) {
        EXPECT_EQ(request.rfind("CONNECT ", 0), 0u) << "nothing may pass the proxy without credentials";
    }
    // Wine's dialog gives the no-error answer when dismissed (Windows gives a cancel code, which ends as -1).
    EXPECT_EQ(outcome.result, -9);
    EXPECT_EQ(outcome.lines, Lines{"HTTP-Fehler 407: Authentifizierung erforderlich."});
}

}  // namespace
