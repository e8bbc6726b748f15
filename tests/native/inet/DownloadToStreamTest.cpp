// The download state machine over a scripted HTTP layer: call order, status classification, proxy retries,
// completeness, cancellation, progress pulses and the releases on every way out.
#include "inet/ImpApiINet.h"

#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/native/support/Cp1252.h"
#include "tests/native/support/DownloadTexts.h"
#include "tests/native/support/FakeDownloadUi.h"
#include "tests/native/support/FakeHostReporting.h"
#include "tests/native/support/FakeHttpLayer.h"

namespace {

using testsupport::Cp1252;
using testsupport::Opening;
using Events = std::vector<std::string>;

constexpr char kUrl[] =
    "https://export.example.test:443/export/export/export.php?usr=4711&pwd=geheim&type=0001";
const std::string kOpenUrl = std::string("OpenUrl 1 ") + kUrl + " 0x84000000";

Opening Body(std::vector<std::string> chunks, std::optional<std::string> contentLength = std::nullopt) {
    Opening opening;
    opening.contentLength = std::move(contentLength);
    opening.chunks = std::move(chunks);
    return opening;
}

Opening Status(std::string status, std::uint32_t dialogAnswer = inet::kDialogNoError) {
    Opening opening;
    opening.status = std::move(status);
    opening.dialogAnswer = dialogAnswer;
    return opening;
}

Opening Unreachable() {
    Opening opening;
    opening.fails = true;
    return opening;
}

std::string IncompleteLine(std::uint64_t bytes) {
    return Cp1252("Fehler bei Download: Die angeforderte Datei wurde nur unvollständig geladen (") +
           std::to_string(bytes) + " Bytes geladen)";
}

std::string Content(const inet::MemoryStream& stream) {
    std::string content;
    stream.ForEachSegment([&](const char* data, std::size_t count) { content.append(data, count); });
    return content;
}

// A stream whose writes can be made to fail through the trace.
class TracedStream : public inet::ByteStream {
public:
    explicit TracedStream(testsupport::Trace& trace) : trace_(trace) {}
    void Write(const char* data, std::size_t count) override {
        trace_.Step("Write");
        bytes_.append(data, count);
    }
    std::uint64_t Size() const override { return bytes_.size(); }

private:
    testsupport::Trace& trace_;
    std::string bytes_;
};

// What the export job asks for; most cases run with it.
constexpr inet::DownloadOptions kReportAndShow{.Report = true, .ShowProgress = true};

// Everything one call of DownloadToStream works with.
struct World {
    testsupport::Trace trace;
    testsupport::FakeHttpLayer http{trace};
    testsupport::FakeDownloadUi ui{trace};
    testsupport::FakeHostReporting host{trace};
    inet::MemoryStream stream;
    std::string status = "stale";

    std::int32_t Download(std::int32_t timeout = 60, inet::DownloadOptions options = kReportAndShow) {
        return RunInto(stream, timeout, options);
    }
    std::int32_t RunInto(inet::ByteStream& target, std::int32_t timeout = 60,
                         inet::DownloadOptions options = kReportAndShow) {
        return inet::DownloadToStream(kUrl, timeout, target, status, options, {http, ui, host});
    }
    Events HttpCalls() const {
        return trace.Only({"OpenSession", "SetTimeout", "OpenUrl", "Query", "Dialog", "Read", "Close"});
    }
    Events Tail(std::size_t count) const {
        const auto& all = trace.events;
        return Events(all.end() - static_cast<std::ptrdiff_t>(std::min(count, all.size())), all.end());
    }
    void ExpectEveryHandleClosedOnce() const {
        for (const inet::HttpHandle handle : http.opened) {
            EXPECT_EQ(http.closeCounts.count(handle) ? http.closeCounts.at(handle) : 0, 1)
                << "handle " << handle;
        }
        EXPECT_EQ(http.closeCounts.size(), http.opened.size()) << "a handle was closed that was never opened";
    }
};

class DownloadToStreamTest : public ::testing::Test, public World {};

TEST_F(DownloadToStreamTest, Status200ReadsTheBodyInTheDocumentedCallOrder) {
    http.openings = {Body({"abc", "defg"}, "7")};
    EXPECT_EQ(Download(60), 0);
    // clang-format off
    const Events expected{
        "Cursor Wait", "OpenSession ORBA-ImportApi", "SetTimeout 1 5 60000", "SetTimeout 1 6 60000",
        kOpenUrl, "SetTimeout 2 5 60000", "SetTimeout 2 6 60000", "Query 2 19", "Query 2 5",
        "Show", "Pulse",
        "Read 2 4095", "Pulse", "Cancelled",
        "Read 2 4095", "Pulse", "Cancelled",
        "Read 2 4095", "Hide", "Pulse",
        "Close 2", "Close 1", "Cursor AppStarting"};
    // clang-format on
    EXPECT_EQ(trace.events, expected);
    EXPECT_EQ(status, "200");
    EXPECT_EQ(Content(stream), "abcdefg");
    EXPECT_TRUE(host.lines.empty());
}

struct PulseCase {
    int chunks;
    bool showProgress;
    bool callbackRegistered;
    int pulses;
};

class ProgressPulses : public DownloadToStreamTest, public ::testing::WithParamInterface<PulseCase> {};

TEST_P(ProgressPulses, OnePerChunkPlusWindowShownAndHidden) {
    const PulseCase& c = GetParam();
    http.openings = {Body(std::vector<std::string>(c.chunks, "chunk"))};
    host.registered = c.callbackRegistered;
    Download(60, {.Report = true, .ShowProgress = c.showProgress});
    EXPECT_EQ(host.pulses, c.pulses);
    EXPECT_EQ(ui.shown, c.showProgress ? 1 : 0);
    EXPECT_EQ(ui.hidden, ui.shown);
    EXPECT_EQ(ui.polls, c.showProgress ? c.chunks : 0) << "the cancel flag is polled after each chunk";
}

INSTANTIATE_TEST_SUITE_P(Chunks, ProgressPulses,
                         ::testing::Values(PulseCase{3, true, true, 5}, PulseCase{3, false, true, 3},
                                           PulseCase{3, true, false, 0}, PulseCase{1, true, true, 3},
                                           PulseCase{0, true, true, 2}, PulseCase{0, false, true, 0}));

struct TimeoutCase {
    std::int32_t seconds;
    Events options;
};

class Timeouts : public DownloadToStreamTest, public ::testing::WithParamInterface<TimeoutCase> {};

TEST_P(Timeouts, SetOnSessionThenOnRequestOnlyWhenPositive) {
    http.openings = {Body({"x"})};
    EXPECT_EQ(Download(GetParam().seconds), 0);
    EXPECT_EQ(trace.Only({"SetTimeout"}), GetParam().options);
}

INSTANTIATE_TEST_SUITE_P(Seconds, Timeouts,
                         ::testing::Values(TimeoutCase{300,
                                                       {"SetTimeout 1 5 300000", "SetTimeout 1 6 300000",
                                                        "SetTimeout 2 5 300000", "SetTimeout 2 6 300000"}},
                                           TimeoutCase{0, {}}, TimeoutCase{-1, {}},
                                           TimeoutCase{INT_MIN, {}}));

TEST_F(DownloadToStreamTest, FailureToSetATimeoutIsIgnored) {
    http.setTimeoutThrows = true;
    http.openings = {Body({"data"}, "4")};
    EXPECT_EQ(Download(300), 0);
    EXPECT_EQ(Content(stream), "data");
    ExpectEveryHandleClosedOnce();
}

struct StatusCase {
    const char* status;
    std::int32_t result;
    const char* line;  // UTF-8
};

class FailureStatus : public DownloadToStreamTest, public ::testing::WithParamInterface<StatusCase> {};

TEST_P(FailureStatus, IsClassifiedWithItsLineAndNothingIsRead) {
    http.openings = {Status(GetParam().status)};
    EXPECT_EQ(Download(), GetParam().result);
    EXPECT_EQ(host.lines, Events{Cp1252(GetParam().line)});
    EXPECT_EQ(status, GetParam().status);
    EXPECT_TRUE(trace.Only({"Read", "Dialog", "Show", "Query 2 5"}).empty());
    EXPECT_EQ(Tail(3), (Events{"Close 2", "Close 1", "Cursor AppStarting"}));
    EXPECT_EQ(stream.Size(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Statuses, FailureStatus,
    ::testing::Values(StatusCase{"401", -4, "HTTP-Fehler 401: Zugriff verweigert."},
                      StatusCase{"403", -4, "HTTP-Fehler 403: Zugriff verweigert."},
                      StatusCase{"404", -5, "HTTP-Fehler 404: Die Seite wurde nicht gefunden."},
                      StatusCase{"503", -8, "HTTP-Fehler 503: Der Server ist vorübergehend überlastet."},
                      StatusCase{"500", -6, "HTTP-Fehler: 500"}, StatusCase{"0", -6, "HTTP-Fehler: 0"},
                      StatusCase{"201", -6, "HTTP-Fehler: 201"}, StatusCase{"301", -6, "HTTP-Fehler: 301"},
                      StatusCase{"4040", -6, "HTTP-Fehler: 4040"}, StatusCase{"", -6, "HTTP-Fehler: "}));

// Without reporting, or without a host callback, a failure status is not classified and no dialog shows.
class UnreportedStatus : public DownloadToStreamTest,
                         public ::testing::WithParamInterface<std::tuple<const char*, bool>> {};

TEST_P(UnreportedStatus, EndsUndeterminedWithoutLineOrDialog) {
    const auto [code, reportOn] = GetParam();
    http.openings = {Status(code, inet::kDialogRetry)};
    host.registered = !reportOn;  // reporting on but no callback, or a callback but reporting off
    EXPECT_EQ(Download(60, {.Report = reportOn, .ShowProgress = true}), -1);
    EXPECT_TRUE(host.lines.empty());
    EXPECT_TRUE(trace.Only({"Dialog", "Read", "Line"}).empty());
    EXPECT_EQ(status, code);
    ExpectEveryHandleClosedOnce();
}

INSTANTIATE_TEST_SUITE_P(Statuses, UnreportedStatus,
                         ::testing::Combine(::testing::Values("401", "404", "407", "500", "503"),
                                            ::testing::Bool()));

class StatusReadLikeOk
    : public DownloadToStreamTest,
      public ::testing::WithParamInterface<std::tuple<std::optional<std::string>, std::string>> {};

TEST_P(StatusReadLikeOk, ReadsTheBody) {
    const auto& [queried, expectedStatus] = GetParam();
    http.openings = {Body({"body"})};
    http.openings[0].status = queried;
    EXPECT_EQ(Download(), 0);
    EXPECT_EQ(status, expectedStatus);
    EXPECT_EQ(Content(stream), "body");
}

INSTANTIATE_TEST_SUITE_P(
    Statuses, StatusReadLikeOk,
    ::testing::Values(std::make_tuple(std::optional<std::string>{}, std::string("200")),
                      std::make_tuple(std::optional<std::string>{"302"}, std::string("302")),
                      std::make_tuple(std::optional<std::string>{"200"}, std::string("200"))));

TEST_F(DownloadToStreamTest, ProxyRetryClosesTheRequestBeforeOpeningTheUrlAgainOnTheSameSession) {
    http.openings = {Status("407", inet::kDialogRetry), Body({"data"})};
    EXPECT_EQ(Download(60), 0);
    EXPECT_EQ(HttpCalls(),
              (Events{"OpenSession ORBA-ImportApi", "SetTimeout 1 5 60000", "SetTimeout 1 6 60000", kOpenUrl,
                      "SetTimeout 2 5 60000", "SetTimeout 2 6 60000", "Query 2 19", "Dialog 2", "Close 2",
                      kOpenUrl, "SetTimeout 3 5 60000", "SetTimeout 3 6 60000", "Query 3 19", "Query 3 5",
                      "Read 3 4095", "Read 3 4095", "Close 3", "Close 1"}));
    EXPECT_EQ(status, "200");
    EXPECT_EQ(Content(stream), "data");
}

struct ProxyCase {
    const char* name;
    Opening last;
    std::int32_t result;
    Events lines;
    const char* finalStatus;
};

// After any number of confirmed proxy dialogs, the last answer is classified as if it were the first.
class ProxyRetries : public DownloadToStreamTest,
                     public ::testing::WithParamInterface<std::tuple<int, ProxyCase>> {};

TEST_P(ProxyRetries, LastAnswerIsClassifiedFromScratch) {
    const auto& [retries, c] = GetParam();
    http.openings.assign(retries, Status("407", inet::kDialogRetry));
    http.openings.push_back(c.last);
    EXPECT_EQ(Download(), c.result);
    EXPECT_EQ(host.lines, c.lines);
    EXPECT_EQ(status, c.finalStatus);
    EXPECT_EQ(trace.Only({"OpenUrl"}).size(), static_cast<std::size_t>(retries + 1));
    EXPECT_EQ(trace.Only({"Dialog"}).size(),
              static_cast<std::size_t>(retries) + (c.finalStatus == std::string("407")));
    EXPECT_EQ(trace.Only({"SetTimeout 1 "}).size(), 2u) << "session time-outs are set once";
    ExpectEveryHandleClosedOnce();
}

INSTANTIATE_TEST_SUITE_P(
    Answers, ProxyRetries,
    ::testing::Combine(::testing::Values(0, 1, 3),
                       ::testing::Values(ProxyCase{"NoErrorAnswer",
                                                   Status("407", inet::kDialogNoError),
                                                   -9,
                                                   {"HTTP-Fehler 407: Authentifizierung erforderlich."},
                                                   "407"},
                                         ProxyCase{"DialogDismissed", Status("407", 1223), -1, {}, "407"},
                                         ProxyCase{"DialogFailed", Status("407", 0xFFFFFFFFu), -1, {}, "407"},
                                         ProxyCase{"NotFound",
                                                   Status("404"),
                                                   -5,
                                                   {"HTTP-Fehler 404: Die Seite wurde nicht gefunden."},
                                                   "404"},
                                         ProxyCase{"Body", Body({"data"}), 0, {}, "200"})),
    [](const auto& info) {
        return std::get<1>(info.param).name + std::string("After") + std::to_string(std::get<0>(info.param));
    });

struct OpenFailureCase {
    const char* name;
    bool sessionFails;
    std::vector<Opening> openings;
    bool report;
    std::int32_t result;
    const char* status;
};

class OpenFailure : public DownloadToStreamTest, public ::testing::WithParamInterface<OpenFailureCase> {};

TEST_P(OpenFailure, ReportsTheSystemErrorAndReleasesWhatWasOpened) {
    const OpenFailureCase& c = GetParam();
    http.sessionFails = c.sessionFails;
    http.openings = c.openings;
    http.lastErrorText = Cp1252("12002:Zeitüberschreitung (TimeOut)");
    EXPECT_EQ(Download(60, {.Report = c.report, .ShowProgress = true}), c.result);
    EXPECT_EQ(status, c.status);
    EXPECT_EQ(host.lines, c.report
                              ? Events{Cp1252("WinINet-Systemfehler: 12002:Zeitüberschreitung (TimeOut)")}
                              : Events{});
    EXPECT_EQ(stream.Size(), 0u);
    EXPECT_EQ(ui.cursors, (std::vector{inet::ScreenCursor::Wait, inet::ScreenCursor::AppStarting}));
    ExpectEveryHandleClosedOnce();
}

INSTANTIATE_TEST_SUITE_P(Failures, OpenFailure,
                         ::testing::Values(OpenFailureCase{"Session", true, {}, true, -2, ""},
                                           OpenFailureCase{"SessionSilent", true, {}, false, -2, ""},
                                           OpenFailureCase{"Url", false, {Unreachable()}, true, -3, ""},
                                           OpenFailureCase{
                                               "UrlSilent", false, {Unreachable()}, false, -3, ""},
                                           OpenFailureCase{"UrlAfterProxyRetry",
                                                           false,
                                                           {Status("407", inet::kDialogRetry), Unreachable()},
                                                           true,
                                                           -3,
                                                           "407"}),
                         [](const auto& info) { return std::string(info.param.name); });

struct CompletenessCase {
    const char* name;
    Opening opening;
    std::int32_t result;
    std::string content;
};

class Completeness : public DownloadToStreamTest, public ::testing::WithParamInterface<CompletenessCase> {};

TEST_P(Completeness, DecidedAfterTheWindowIsHidden) {
    const CompletenessCase& c = GetParam();
    http.openings = {c.opening};
    EXPECT_EQ(Download(), c.result);
    EXPECT_EQ(Content(stream), c.content);
    Events tail{"Hide", "Pulse", "Close 2", "Close 1", "Cursor AppStarting"};
    if (c.result == -7) {
        tail.insert(tail.begin() + 2, "Line " + IncompleteLine(c.content.size()));
    }
    EXPECT_EQ(Tail(tail.size()), tail);
}

Opening FailingRead(std::vector<std::string> chunks, std::string bytes, std::optional<std::string> length) {
    Opening opening = Body(chunks, std::move(length));
    opening.failingRead = chunks.size();
    opening.failingReadBytes = std::move(bytes);
    return opening;
}

INSTANTIATE_TEST_SUITE_P(
    Bodies, Completeness,
    ::testing::Values(CompletenessCase{"EmptyBody", Body({}), -7, ""},
                      CompletenessCase{"EmptyBodyOfLengthZero", Body({}, "0"), -7, ""},
                      CompletenessCase{"AnnouncedLength", Body({"abc", "defg"}, "7"), 0, "abcdefg"},
                      CompletenessCase{"ShorterThanAnnounced", Body({"abc", "defg"}, "10"), -7, "abcdefg"},
                      CompletenessCase{"LongerThanAnnounced", Body({"abc", "defg"}, "3"), -7, "abcdefg"},
                      CompletenessCase{"NoLength", Body({"abc", "defg"}), 0, "abcdefg"},
                      CompletenessCase{"LengthNotANumber", Body({"abc"}, "abc"), 0, "abc"},
                      CompletenessCase{"NegativeLength", Body({"abc"}, "-5"), 0, "abc"},
                      CompletenessCase{"LengthZeroWithBody", Body({"abc"}, "0"), 0, "abc"},
                      CompletenessCase{"ReadFailsWithoutLength", FailingRead({"abc"}, "xy", {}), -7, "abcxy"},
                      CompletenessCase{"ReadFailsAtAnnouncedLength", FailingRead({"abc"}, "xy", "5"), -7,
                                       "abcxy"},
                      CompletenessCase{"FirstReadFails", FailingRead({}, "", {}), -7, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DownloadToStreamTest, IncompleteBodyWithoutReportingSendsNoLine) {
    http.openings = {Body({"abc"}, "10")};
    EXPECT_EQ(Download(60, {.Report = false, .ShowProgress = true}), -7);
    EXPECT_TRUE(host.lines.empty());
}

class Cancellation : public DownloadToStreamTest, public ::testing::WithParamInterface<int> {};

TEST_P(Cancellation, StopsAfterTheChunkAndSkipsTheCompletenessCheck) {
    const int k = GetParam();
    http.openings = {Body({"aa", "bb", "cc"}, "999")};
    ui.cancelAtPoll = k;
    EXPECT_EQ(Download(), -1015);
    EXPECT_EQ(Content(stream), std::string("aabbcc").substr(0, 2 * k));
    EXPECT_EQ(trace.Only({"Read"}).size(), static_cast<std::size_t>(k));
    EXPECT_EQ(host.lines, Events{"Download durch Benutzer abgebrochen"});
    EXPECT_EQ(Tail(7), (Events{"Cancelled", "Line Download durch Benutzer abgebrochen", "Hide", "Pulse",
                               "Close 2", "Close 1", "Cursor AppStarting"}));
}

INSTANTIATE_TEST_SUITE_P(AfterChunk, Cancellation, ::testing::Values(1, 2, 3));

TEST_F(DownloadToStreamTest, CancellationWithoutReportingSendsNoLine) {
    http.openings = {Body({"aa", "bb"})};
    ui.cancelAtPoll = 1;
    EXPECT_EQ(Download(60, {.Report = false, .ShowProgress = true}), -1015);
    EXPECT_TRUE(host.lines.empty());
}

TEST_F(DownloadToStreamTest, CancelButtonIsIgnoredWithoutProgressWindow) {
    http.openings = {Body({"aa", "bb"})};
    ui.cancelAtPoll = 1;
    EXPECT_EQ(Download(60, {.Report = true, .ShowProgress = false}), 0);
    EXPECT_EQ(ui.polls, 0);
    EXPECT_EQ(Content(stream), "aabb");
}

TEST_F(DownloadToStreamTest, BodyIsWrittenAtTheStreamPositionAndTotalSizeIsChecked) {
    stream.Write("0123456789", 10);
    stream.Seek(2);
    http.openings = {Body({"ab"}, "10")};
    EXPECT_EQ(Download(), 0);
    EXPECT_EQ(Content(stream), "01ab456789");
}

TEST_F(DownloadToStreamTest, DataAlreadyInTheStreamCountsTowardsTheAnnouncedLength) {
    stream.Write("HEAD", 4);
    http.openings = {Body({"body"}, "4")};
    EXPECT_EQ(Download(), -7);
    EXPECT_EQ(host.lines, Events{IncompleteLine(8)});
    EXPECT_EQ(Content(stream), "HEADbody");
}

// A stream that refuses its second write.
class FailingStream : public inet::ByteStream {
public:
    void Write(const char*, std::size_t count) override {
        if (++writes_ == 2) {
            throw std::runtime_error("disk full");
        }
        size_ += count;
    }
    std::uint64_t Size() const override { return size_; }

private:
    int writes_ = 0;
    std::uint64_t size_ = 0;
};

TEST_F(DownloadToStreamTest, StreamFailurePassesToTheCallerAfterEverythingIsReleased) {
    FailingStream failing;
    http.openings = {Body({"abc", "def", "ghi"})};
    try {
        RunInto(failing);
        ADD_FAILURE() << "the stream's exception was swallowed";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "disk full");
    }
    EXPECT_EQ(Tail(5), (Events{"Hide", "Pulse", "Close 2", "Close 1", "Cursor AppStarting"}));
    EXPECT_EQ(trace.Only({"Read"}).size(), 2u);
    ExpectEveryHandleClosedOnce();
}

struct SweepScenario {
    const char* name;
    std::vector<Opening> openings;
    int cancelAtPoll;
};

void PrintTo(const SweepScenario& scenario, std::ostream* os) {
    *os << scenario.name;
}

// Fails every fallible operation of a scenario in turn (HTTP layer, stream, window and, in the second half,
// the host's callback): whatever fails, every handle is closed exactly once, a shown window is hidden and the
// cursor ends as AppStarting.
class FailureSweep : public ::testing::TestWithParam<std::tuple<SweepScenario, bool>> {
protected:
    static void Prepare(World& world) {
        const auto& [scenario, hostFails] = GetParam();
        world.http.openings = scenario.openings;
        world.ui.cancelAtPoll = scenario.cancelAtPoll;
        world.host.fallible = hostFails;
    }
};

TEST_P(FailureSweep, EveryFailureReleasesEverything) {
    int steps = 0;
    {
        World clean;
        Prepare(clean);
        TracedStream stream(clean.trace);
        clean.RunInto(stream);
        steps = clean.trace.steps;
    }
    ASSERT_GT(steps, 3);
    for (int failAt = 1; failAt <= steps; ++failAt) {
        World world;
        Prepare(world);
        TracedStream stream(world.trace);
        world.trace.failAt = failAt;
        std::string failure = "none";
        try {
            world.RunInto(stream);
        } catch (const testsupport::InjectedFault& fault) {
            failure = fault.what();
        }
        SCOPED_TRACE("failure at step " + std::to_string(failAt) + ": " + failure);
        world.ExpectEveryHandleClosedOnce();
        EXPECT_EQ(world.ui.hidden, world.ui.shown);
        if (!world.ui.cursors.empty()) {
            EXPECT_EQ(world.ui.cursors.back(), inet::ScreenCursor::AppStarting);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Scenarios, FailureSweep,
    ::testing::Combine(::testing::Values(SweepScenario{"BodyAfterProxyRetry",
                                                       {Status("407", inet::kDialogRetry),
                                                        Body({"abc", "def"}, "6")},
                                                       0},
                                         SweepScenario{"ClassifiedStatus", {Status("503")}, 0},
                                         SweepScenario{"UrlFails", {Unreachable()}, 0},
                                         SweepScenario{"Cancelled", {Body({"abc", "def"})}, 1},
                                         SweepScenario{"Incomplete", {Body({"abc", "def"}, "99")}, 0}),
                       ::testing::Bool()),
    [](const auto& info) {
        return std::get<0>(info.param).name + std::string(std::get<1>(info.param) ? "AndHost" : "");
    });

TEST(DownloadResultText, NamesEveryDownloadCode) {
    for (const auto& [code, text] : testsupport::kDownloadTexts) {
        EXPECT_EQ(inet::DownloadResultText(code), Cp1252(text)) << code;
    }
    for (const std::int32_t code : {0, -10, -11, -1014, -1016, 1, INT_MIN}) {
        EXPECT_EQ(inet::DownloadResultText(code), "") << code;
    }
}

TEST(FormatLastErrorText, SystemTextThenNamedTimeOutThenBareNumber) {
    EXPECT_EQ(inet::FormatLastErrorText(5, "Zugriff verweigert\r\n"), "5-Zugriff verweigert\r\n");
    EXPECT_EQ(inet::FormatLastErrorText(12002, "Text\r\n"), "12002-Text\r\n");
    EXPECT_EQ(inet::FormatLastErrorText(12002, ""), Cp1252("12002:Zeitüberschreitung (TimeOut)"));
    EXPECT_EQ(inet::FormatLastErrorText(12029, ""), "12029");
    EXPECT_EQ(inet::FormatLastErrorText(4294967295u, ""), "4294967295");
}

TEST(IncompleteDownloadLine, NamesTheBytesReceived) {
    EXPECT_EQ(inet::IncompleteDownloadLine(0), IncompleteLine(0));
    EXPECT_EQ(inet::IncompleteDownloadLine(5000000000u), IncompleteLine(5000000000u));
}

TEST(ParseContentLength, DecimalIntegerOrMinusOne) {
    const std::pair<const char*, std::int32_t> cases[] = {
        {"123", 123},       {"0", 0},    {"007", 7},  {"+7", 7},     {"-5", -5},  {"2147483647", 2147483647},
        {"2147483648", -1}, {"", -1},    {"abc", -1}, {"12abc", -1}, {"1.5", -1}, {"0x10", -1},
        {"+", -1},          {"+-7", -1}, {"12 ", -1},
    };
    for (const auto& [text, value] : cases) {
        EXPECT_EQ(inet::ParseContentLength(text), value) << '"' << text << '"';
    }
}

}  // namespace
