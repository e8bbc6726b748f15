// DownloadToStream over the HTTP-layer, download-UI and host-reporting seams, and its texts.
#include "inet/ImpApiINet.h"

#include <charconv>

namespace inet {
namespace {

constexpr char kAgent[] = "ORBA-ImportApi";
constexpr std::uint32_t kChunkSize = 4095;

// Texts are Windows-1252 bytes written as octal escapes (\374 is ü), which end after three digits.
constexpr char kCancelledText[] = "Download durch Benutzer abgebrochen";
constexpr char kSystemErrorPrefix[] = "WinINet-Systemfehler: ";

// The application-starting cursor is set on every way out, exceptions included.
class CursorScope {
public:
    explicit CursorScope(DownloadUi& ui) : ui_(ui) { ui_.SetScreenCursor(ScreenCursor::Wait); }
    ~CursorScope() {
        try {
            ui_.SetScreenCursor(ScreenCursor::AppStarting);
        } catch (...) {
            // Nothing may leave a destructor; the cursor is cosmetic.
        }
    }
    CursorScope(const CursorScope&) = delete;
    CursorScope& operator=(const CursorScope&) = delete;

private:
    DownloadUi& ui_;
};

// Owns one session or request handle of the HTTP layer.
class HandleScope {
public:
    explicit HandleScope(HttpLayer& http, HttpHandle handle = kNoHandle) : http_(http), handle_(handle) {}
    ~HandleScope() { Close(); }
    HandleScope(const HandleScope&) = delete;
    HandleScope& operator=(const HandleScope&) = delete;

    HttpHandle Get() const { return handle_; }
    explicit operator bool() const { return handle_ != kNoHandle; }
    void Reset(HttpHandle handle) {
        Close();
        handle_ = handle;
    }
    void Close() noexcept {
        if (handle_ != kNoHandle) {
            http_.Close(handle_);
            handle_ = kNoHandle;
        }
    }

private:
    HttpLayer& http_;
    HttpHandle handle_;
};

// The progress window for the time of the body transfer, each end followed by a pulse. The normal way out
// closes it explicitly, so that a failure there reaches the caller; an exception passing through closes it
// in the destructor.
class ProgressScope {
public:
    ProgressScope(DownloadUi& ui, host::HostReporting& host) : ui_(ui), host_(host) {}
    ~ProgressScope() {
        try {
            Close();
        } catch (...) {
            // Already leaving with an exception; it is the one the caller needs to see.
        }
    }
    ProgressScope(const ProgressScope&) = delete;
    ProgressScope& operator=(const ProgressScope&) = delete;

    void Show() {
        ui_.ShowProgress();
        shown_ = true;
        host_.ProgressPulse();
    }
    void Close() {
        if (shown_) {
            shown_ = false;
            ui_.HideProgress();
            host_.ProgressPulse();
        }
    }

private:
    DownloadUi& ui_;
    host::HostReporting& host_;
    bool shown_ = false;
};

void SetTimeouts(HttpLayer& http, HttpHandle handle, std::int32_t timeoutSeconds) {
    if (timeoutSeconds <= 0) {
        return;
    }
    const auto milliseconds = static_cast<std::uint32_t>(std::int64_t{timeoutSeconds} * 1000);
    // A failure to set a time-out leaves the layer's own in force; it is not worth failing the download.
    for (const auto option : {TimeoutOption::Send, TimeoutOption::Receive}) {
        try {
            http.SetTimeout(handle, option, milliseconds);
        } catch (...) {
        }
    }
}

struct StatusRule {
    const char* status;
    const char* line;
    std::int32_t result;
};

// Checked in this order after "407", which needs the dialog.
constexpr StatusRule kStatusRules[] = {
    {"401", "HTTP-Fehler 401: Zugriff verweigert.", kDownloadAccessDenied},
    {"403", "HTTP-Fehler 403: Zugriff verweigert.", kDownloadAccessDenied},
    {"404", "HTTP-Fehler 404: Die Seite wurde nicht gefunden.", kDownloadNotFound},
    {"503", "HTTP-Fehler 503: Der Server ist vor\374bergehend \374berlastet.", kDownloadServerBusy},
};

}  // namespace

std::int32_t DownloadToStream(const std::string& Url, std::int32_t TimeoutSeconds, ByteStream& Stream,
                              std::string& StatusCode, const DownloadOptions& Options,
                              const DownloadServices& services) {
    HttpLayer& http = services.Http;
    host::HostReporting& host = services.Host;
    const auto line = [&](const std::string& text) {
        if (Options.Report) {
            host.StatusLine(text);
        }
    };

    StatusCode.clear();
    CursorScope cursor(services.Ui);

    HandleScope session(http, http.OpenSession(kAgent));
    if (!session) {
        line(kSystemErrorPrefix + http.LastErrorText());
        return kDownloadNoSession;
    }
    SetTimeouts(http, session.Get(), TimeoutSeconds);

    HandleScope request(http);
    for (;;) {
        // A request given up for a proxy retry is closed before the URL is opened again (Reset alone would
        // close it only after OpenUrl has run).
        request.Close();
        request.Reset(http.OpenUrl(session.Get(), Url, kRequestFlags));
        if (!request) {
            line(kSystemErrorPrefix + http.LastErrorText());
            return kDownloadUrlFailed;
        }
        SetTimeouts(http, request.Get(), TimeoutSeconds);

        std::string status;
        StatusCode = http.Query(request.Get(), HttpQuery::StatusCode, status) ? status : "200";
        if (StatusCode == "200" || StatusCode == "302") {
            break;
        }
        // Without someone to tell, a failure status is not classified and no dialog is shown.
        if (!Options.Report || !host.CallbackRegistered()) {
            return kDownloadUndetermined;
        }
        if (StatusCode == "407") {
            const std::uint32_t answer = http.ProxyAuthenticationDialog(request.Get());
            if (answer == kDialogRetry) {
                continue;  // the session keeps the proxy credentials for the next request
            }
            if (answer == kDialogNoError) {
                line("HTTP-Fehler 407: Authentifizierung erforderlich.");
                return kDownloadProxyAuthentication;
            }
            return kDownloadUndetermined;
        }
        for (const StatusRule& rule : kStatusRules) {
            if (StatusCode == rule.status) {
                line(rule.line);
                return rule.result;
            }
        }
        line("HTTP-Fehler: " + StatusCode);
        return kDownloadHttpFailed;
    }

    std::int32_t contentLength = 0;  // 0: not announced
    if (std::string text; http.Query(request.Get(), HttpQuery::ContentLength, text)) {
        contentLength = ParseContentLength(text);
    }

    bool readFailed = false;
    bool cancelled = false;
    ProgressScope progress(services.Ui, host);
    if (Options.ShowProgress) {
        progress.Show();
    }
    char buffer[kChunkSize + 1];
    for (;;) {
        std::uint32_t count = 0;
        const bool ok = http.Read(request.Get(), buffer, kChunkSize, count);
        if (count > 0) {
            // A read that fails after a time-out still delivers what it received.
            Stream.Write(buffer, count);
            host.ProgressPulse();
        }
        if (!ok) {
            readFailed = true;  // a broken transfer is never a complete one
            break;
        }
        if (count == 0) {
            break;
        }
        if (Options.ShowProgress && services.Ui.Cancelled()) {
            line(kCancelledText);
            cancelled = true;
            break;
        }
    }
    progress.Close();
    if (cancelled) {
        return kDownloadCancelled;  // what arrived stays in the stream; its length is not checked
    }

    const std::uint64_t size = Stream.Size();
    const bool lengthDiffers = contentLength > 0 && size != static_cast<std::uint64_t>(contentLength);
    if (readFailed || size == 0 || lengthDiffers) {
        line(IncompleteDownloadLine(size));
        return kDownloadIncomplete;
    }
    return kDownloadOk;
}

std::string DownloadResultText(std::int32_t code) {
    switch (code) {
        case kDownloadUndetermined:
            return "Unbestimmter Fehler bei Internet-Zugriff";
        case kDownloadNoSession:
            return "Internet-Fehler: Session nicht verf\374gbar";
        case kDownloadUrlFailed:
            return "Internet-Fehler: \326ffnen der URL fehlgeschlagen";
        case kDownloadAccessDenied:
            return "Internet-Fehler: Zugriff auf Seite verweigert";
        case kDownloadNotFound:
            return "Internet-Fehler: Seite nicht gefunden";
        case kDownloadHttpFailed:
            return "Internet-Fehler: Zugriff auf URL fehlgeschlagen";
        case kDownloadIncomplete:
            return "Internet-Fehler: Datei unvollst\344ndig \374bertragen";
        case kDownloadServerBusy:
            return "Internet-Fehler: Server \374berlastet. Bitte sp\344ter erneut versuchen";
        case kDownloadProxyAuthentication:
            return "Proxy-Fehler: Authentifizierung erforderlich";
        case kDownloadCancelled:
            return kCancelledText;
        default:
            return {};
    }
}

std::string FormatLastErrorText(std::uint32_t code, const std::string& systemMessage) {
    if (!systemMessage.empty()) {
        return std::to_string(code) + "-" + systemMessage;
    }
    if (code == kTimeoutErrorCode) {
        return std::to_string(code) + ":Zeit\374berschreitung (TimeOut)";
    }
    return std::to_string(code);
}

std::string IncompleteDownloadLine(std::uint64_t bytesReceived) {
    return "Fehler bei Download: Die angeforderte Datei wurde nur unvollst\344ndig geladen (" +
           std::to_string(bytesReceived) + " Bytes geladen)";
}

std::int32_t ParseContentLength(const std::string& text) {
    const char* first = text.data();
    const char* last = first + text.size();
    if (first != last && *first == '+') {
        ++first;  // from_chars takes a minus sign but no plus sign
        if (first != last && *first == '-') {
            return -1;
        }
    }
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc{} || end != last || first == last) {
        return -1;
    }
    return value;
}

}  // namespace inet
