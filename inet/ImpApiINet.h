// Download of one URL into a caller's stream, with result codes, status lines and progress pulses.
#pragma once

#include <cstdint>
#include <string>

#include "inet/DownloadUi.h"
#include "inet/HttpLayer.h"
#include "inet/MemoryStream.h"
#include "host/HostReporting.h"

namespace inet {

// Result codes of DownloadToStream.
enum DownloadResult : std::int32_t {
    kDownloadOk = 0,
    kDownloadUndetermined = -1,
    kDownloadNoSession = -2,
    kDownloadUrlFailed = -3,
    kDownloadAccessDenied = -4,
    kDownloadNotFound = -5,
    kDownloadHttpFailed = -6,
    kDownloadIncomplete = -7,
    kDownloadServerBusy = -8,
    kDownloadProxyAuthentication = -9,
    kDownloadCancelled = -1015,
};

// The platform services one download works with.
struct DownloadServices {
    HttpLayer& Http;
    DownloadUi& Ui;
    host::HostReporting& Host;
};

// What one download tells the user. Both are off unless a caller asks for them.
struct DownloadOptions {
    // Status lines, and with a registered callback the classification of failure statuses.
    bool Report = false;
    // The progress window, whose cancel button ends the transfer.
    bool ShowProgress = false;
};

// Fetches Url into Stream at its position. StatusCode receives the HTTP status as text. Returns a
// DownloadResult. An exception from the stream or the window passes on to the caller after the window, the
// request, the session and the cursor have been released.
std::int32_t DownloadToStream(const std::string& Url, std::int32_t TimeoutSeconds, ByteStream& Stream,
                              std::string& StatusCode, const DownloadOptions& Options,
                              const DownloadServices& services);

// The German text of a DownloadResult (Windows-1252); empty for 0 and for every other code.
std::string DownloadResultText(std::int32_t code);

// The text of a failed system call for status lines: the code, "-" and the system's message when it has one;
// the time-out code with its own text; otherwise the bare code.
std::string FormatLastErrorText(std::uint32_t code, const std::string& systemMessage);

// The status line of an incomplete download that received `bytesReceived` bytes in all.
std::string IncompleteDownloadLine(std::uint64_t bytesReceived);

// The announced content length: the number, or -1 when the text is not a decimal 32-bit integer.
std::int32_t ParseContentLength(const std::string& text);

}  // namespace inet
