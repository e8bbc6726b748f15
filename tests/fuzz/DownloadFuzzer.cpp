// DownloadToStream over the scripted HTTP layer, progress window and host of the native tests, with every
// answer, chunk, failure, dialog answer, cancel and injected fault taken from the input.
#include <fuzzer/FuzzedDataProvider.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "inet/ImpApiINet.h"
#include "tests/fuzz/FuzzCheck.h"
#include "tests/native/support/FakeDownloadUi.h"
#include "tests/native/support/FakeHostReporting.h"
#include "tests/native/support/FakeHttpLayer.h"

namespace {

using fuzzcheck::Check;
using testsupport::Opening;

constexpr char kUrl[] =
    "https://export.kalvento.de:443/export/export/export.php?usr=4711&pwd=geheim&type=0001";
// The largest read the engine asks for (the fake checks that no scripted chunk exceeds the request).
constexpr std::size_t kLargestChunk = 4095;
constexpr std::size_t kMostOpenings = 4;
constexpr std::size_t kMostChunks = 12;

constexpr std::int32_t kDownloadResults[] = {
    inet::kDownloadOk,           inet::kDownloadUndetermined,
    inet::kDownloadNoSession,    inet::kDownloadUrlFailed,
    inet::kDownloadAccessDenied, inet::kDownloadNotFound,
    inet::kDownloadHttpFailed,   inet::kDownloadIncomplete,
    inet::kDownloadServerBusy,   inet::kDownloadProxyAuthentication,
    inet::kDownloadCancelled,
};

// Results that classify a failure status; only a report to a registered callback may give them.
constexpr std::int32_t kClassifiedStatuses[] = {
    inet::kDownloadAccessDenied,        inet::kDownloadNotFound,
    inet::kDownloadHttpFailed,          inet::kDownloadServerBusy,
    inet::kDownloadProxyAuthentication,
};

// The fakes report misuse (a URL opened more often than scripted, a chunk larger than the read) through
// GoogleTest's non-fatal failures, which nobody collects here: each one ends the run.
class AbortOnFailure : public ::testing::EmptyTestEventListener {
    void OnTestPartResult(const ::testing::TestPartResult& result) override {
        if (result.failed()) {
            std::fprintf(stderr, "%s:%d: %s\n", result.file_name() != nullptr ? result.file_name() : "?",
                         result.line_number(), result.summary());
            std::abort();
        }
    }
};

// The scripted layer, watched: which handles are open, what every read delivered, and whether a request is
// still read after its body ended or a read failed.
class WatchedHttpLayer : public testsupport::FakeHttpLayer {
public:
    using FakeHttpLayer::FakeHttpLayer;

    std::string delivered;
    std::set<inet::HttpHandle> open;

    inet::HttpHandle OpenSession(const std::string& agent) override {
        return Opened(FakeHttpLayer::OpenSession(agent));
    }
    void SetTimeout(inet::HttpHandle handle, inet::TimeoutOption option,
                    std::uint32_t milliseconds) override {
        CheckOpen(handle);
        FakeHttpLayer::SetTimeout(handle, option, milliseconds);
    }
    inet::HttpHandle OpenUrl(inet::HttpHandle session, const std::string& url, std::uint32_t flags) override {
        CheckOpen(session);
        Check(url == kUrl, "the URL is opened as given");
        return Opened(FakeHttpLayer::OpenUrl(session, url, flags));
    }
    bool Query(inet::HttpHandle request, inet::HttpQuery query, std::string& text) override {
        CheckOpen(request);
        return FakeHttpLayer::Query(request, query, text);
    }
    std::uint32_t ProxyAuthenticationDialog(inet::HttpHandle request) override {
        CheckOpen(request);
        return FakeHttpLayer::ProxyAuthenticationDialog(request);
    }
    bool Read(inet::HttpHandle request, char* buffer, std::uint32_t size, std::uint32_t& bytesRead) override {
        CheckOpen(request);
        Check(!ended_.contains(request), "no read after the end of the body or a failed read");
        const bool ok = FakeHttpLayer::Read(request, buffer, size, bytesRead);
        delivered.append(buffer, bytesRead);
        if (!ok || bytesRead == 0) {
            ended_.insert(request);
        }
        return ok;
    }
    void Close(inet::HttpHandle handle) noexcept override {
        open.erase(handle);
        FakeHttpLayer::Close(handle);
    }

private:
    inet::HttpHandle Opened(inet::HttpHandle handle) {
        if (handle != inet::kNoHandle) {
            open.insert(handle);
        }
        return handle;
    }
    void CheckOpen(inet::HttpHandle handle) const {
        Check(open.contains(handle), "only open handles are used");
    }

    std::set<inet::HttpHandle> ended_;
};

// A stream whose writes can fail through the trace, like a memory stream that cannot grow. It keeps what it
// was given and how many bytes the refused write carried.
class FallibleStream : public inet::ByteStream {
public:
    explicit FallibleStream(testsupport::Trace& trace) : trace_(trace) {}

    std::string bytes;
    std::size_t refused = 0;

    void Write(const char* data, std::size_t count) override {
        try {
            trace_.Step("Write");
        } catch (const testsupport::InjectedFault&) {
            refused = count;
            throw;
        }
        bytes.append(data, count);
    }
    std::uint64_t Size() const override { return bytes.size(); }

private:
    testsupport::Trace& trace_;
};

// Bytes that differ from chunk to chunk, so that a lost, repeated or reordered chunk shows.
std::string Pattern(std::size_t length, std::uint8_t seed) {
    std::string bytes(length, '\0');
    for (std::size_t i = 0; i < length; ++i) {
        bytes[i] = static_cast<char>(seed + i * 7 + i / 256);
    }
    return bytes;
}

std::string StatusText(FuzzedDataProvider& input) {
    static constexpr const char* kStatuses[] = {"200", "302", "401", "403", "404", "407", "503", "500", ""};
    return input.ConsumeBool() ? input.PickValueInArray(kStatuses) : input.ConsumeRandomLengthString(31);
}

Opening ScriptedOpening(FuzzedDataProvider& input) {
    Opening opening;
    opening.fails = input.ConsumeBool();
    opening.status =
        input.ConsumeIntegralInRange(0, 7) == 0 ? std::nullopt : std::optional(StatusText(input));
    const auto chunkCount = input.ConsumeIntegralInRange<std::size_t>(0, kMostChunks);
    std::size_t bodySize = 0;
    for (std::size_t i = 0; i < chunkCount; ++i) {
        const auto length = input.ConsumeIntegralInRange<std::size_t>(0, kLargestChunk);
        opening.chunks.push_back(Pattern(length, input.ConsumeIntegral<std::uint8_t>()));
        bodySize += length;
    }
    if (input.ConsumeBool()) {
        opening.failingRead = input.ConsumeIntegralInRange<std::size_t>(0, chunkCount);
        const auto length = input.ConsumeIntegralInRange<std::size_t>(0, kLargestChunk);
        opening.failingReadBytes = Pattern(length, input.ConsumeIntegral<std::uint8_t>());
    }
    switch (input.ConsumeIntegralInRange(0, 3)) {
        case 0:
            break;  // the length query fails
        case 1:
            opening.contentLength = std::to_string(bodySize);
            break;
        case 2:
            opening.contentLength = std::to_string(input.ConsumeIntegral<std::int32_t>());
            break;
        default:
            opening.contentLength = input.ConsumeRandomLengthString(31);
            break;
    }
    static constexpr std::uint32_t kDialogAnswers[] = {inet::kDialogNoError, inet::kDialogRetry,
                                                       1223 /*cancel*/};
    opening.dialogAnswer =
        input.ConsumeBool() ? input.PickValueInArray(kDialogAnswers) : input.ConsumeIntegral<std::uint32_t>();
    return opening;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    ::testing::UnitTest::GetInstance()->listeners().Append(new AbortOnFailure);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    testsupport::Trace trace;
    WatchedHttpLayer http{trace};
    testsupport::FakeDownloadUi ui{trace};
    testsupport::FakeHostReporting host{trace};

    const bool report = input.ConsumeBool();
    const bool showProgress = input.ConsumeBool();
    const auto timeoutSeconds = input.ConsumeIntegral<std::int32_t>();
    host.registered = input.ConsumeBool();
    host.fallible = input.ConsumeBool();
    http.sessionFails = input.ConsumeIntegralInRange(0, 15) == 0;
    http.setTimeoutThrows = input.ConsumeBool();
    http.lastErrorText = input.ConsumeRandomLengthString(16);
    ui.cancelAtPoll = input.ConsumeIntegralInRange(0, 16);
    trace.failAt = input.ConsumeIntegralInRange(0, 3) == 0 ? input.ConsumeIntegralInRange(1, 80) : 0;

    const auto openingCount = input.ConsumeIntegralInRange<std::size_t>(1, kMostOpenings);
    for (std::size_t i = 0; i < openingCount; ++i) {
        http.openings.push_back(ScriptedOpening(input));
    }
    // Never more proxy retries than scripted openings.
    if (http.openings.back().dialogAnswer == inet::kDialogRetry) {
        http.openings.back().dialogAnswer = inet::kDialogNoError;
    }

    FallibleStream stream{trace};
    std::string statusCode;
    std::optional<std::int32_t> result;
    try {
        result = inet::DownloadToStream(kUrl, timeoutSeconds, stream, statusCode,
                                        {.Report = report, .ShowProgress = showProgress}, {http, ui, host});
    } catch (const testsupport::InjectedFault&) {
        Check(trace.failAt > 0 && trace.steps >= trace.failAt, "only an injected fault leaves the download");
    }

    if (result) {
        Check(std::ranges::find(kDownloadResults, *result) != std::end(kDownloadResults),
              "the result is a documented DownloadResult");
        Check(*result != inet::kDownloadOk || stream.Size() > 0, "a complete download has a body");
        Check(*result != inet::kDownloadCancelled || showProgress, "only the progress window cancels");
        Check((report && host.registered) ||
                  std::ranges::find(kClassifiedStatuses, *result) == std::end(kClassifiedStatuses),
              "a failure status is classified only for a registered callback");
    }

    Check(stream.bytes == http.delivered.substr(0, http.delivered.size() - stream.refused),
          "the stream holds exactly the bytes the reads delivered, in order");

    Check(http.open.empty(), "no handle stays open");
    Check(http.closeCounts.size() == http.opened.size(), "only handles handed out are closed");
    for (const inet::HttpHandle handle : http.opened) {
        Check(http.closeCounts[handle] == 1, "every handle is closed exactly once");
    }

    Check(ui.hidden == ui.shown, "a progress window shown is hidden again");
    Check(showProgress || (ui.shown == 0 && ui.polls == 0),
          "without progress no window and no cancel button");
    Check((report && host.registered) || trace.Only({"Dialog "}).empty(),
          "the proxy dialog is shown only for a registered callback");
    Check(report || host.lines.empty(), "status lines only when reporting");

    const std::vector<inet::ScreenCursor> waitThenAppStarting = {inet::ScreenCursor::Wait,
                                                                 inet::ScreenCursor::AppStarting};
    Check(ui.cursors == waitThenAppStarting || (ui.cursors.empty() && !result && trace.failAt == 1),
          "the wait cursor is set first and the application-starting cursor on the way out");
    return 0;
}
