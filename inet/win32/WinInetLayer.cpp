// WinINet calls behind the HTTP layer; every handle opened here is closed here.
#include "inet/win32/WinInetLayer.h"

#include <algorithm>
#include <vector>

#include "inet/ImpApiINet.h"
#include "toolkit/Handles.h"

namespace inet {

// The portable engine and its HTTP layer carry these numbers without <wininet.h>: here they meet the
// platform's own definitions.
static_assert(static_cast<DWORD>(TimeoutOption::Send) == INTERNET_OPTION_SEND_TIMEOUT);
static_assert(static_cast<DWORD>(TimeoutOption::Receive) == INTERNET_OPTION_RECEIVE_TIMEOUT);
static_assert(static_cast<DWORD>(HttpQuery::ContentLength) == HTTP_QUERY_CONTENT_LENGTH);
static_assert(static_cast<DWORD>(HttpQuery::StatusCode) == HTTP_QUERY_STATUS_CODE);
static_assert(kRequestFlags == (INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE));
static_assert(kDialogNoError == ERROR_SUCCESS);
static_assert(kDialogRetry == ERROR_INTERNET_FORCE_RETRY);
static_assert(kTimeoutErrorCode == ERROR_INTERNET_TIMEOUT);

namespace {

struct InternetTraits {
    using Handle = HINTERNET;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle handle) noexcept { ::InternetCloseHandle(handle); }
};
using UniqueInternet = toolkit::UniqueHandle<InternetTraits>;

void SetTimeoutOption(HINTERNET handle, TimeoutOption option, DWORD milliseconds) {
    ::InternetSetOptionA(handle, static_cast<DWORD>(option), &milliseconds, sizeof milliseconds);
}

std::string UrlPart(const char* text, DWORD length) {
    return text != nullptr ? std::string(text, length) : "";
}

}  // namespace

// A request owns its connection: both go together, the request first. The session belongs to the caller.
struct WinInetLayer::Request {
    HINTERNET session = nullptr;
    UniqueInternet connection;
    UniqueInternet request;
};

std::string LastErrorText(DWORD code) {
    char message[1024] = {};
    // Without arguments, a message that has inserts is refused (invalid parameter): its code stands alone.
    const DWORD length =
        ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code, 0, message, 1023, nullptr);
    return FormatLastErrorText(code, std::string(message, length));
}

WinInetLayer::WinInetLayer() = default;
WinInetLayer::~WinInetLayer() = default;

void WinInetLayer::Fail() {
    lastError_ = ::GetLastError();
}

HttpHandle WinInetLayer::OpenSession(const std::string& agent) {
    HINTERNET session = ::InternetOpenA(agent.c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    if (session == nullptr) {
        Fail();
    }
    return reinterpret_cast<HttpHandle>(session);
}

void WinInetLayer::SetTimeout(HttpHandle handle, TimeoutOption option, std::uint32_t milliseconds) {
    if (const auto found = requests_.find(handle); found != requests_.end()) {
        SetTimeoutOption(found->second->request.Get(), option, milliseconds);
        return;
    }
    SetTimeoutOption(reinterpret_cast<HINTERNET>(handle), option, milliseconds);
    sessionTimeouts_[option] = milliseconds;  // handed on to every connection and request of the session
}

HttpHandle WinInetLayer::OpenUrl(HttpHandle session, const std::string& url, std::uint32_t flags) {
    URL_COMPONENTSA parts{};
    parts.dwStructSize = sizeof parts;
    parts.dwSchemeLength = parts.dwHostNameLength = parts.dwUrlPathLength = parts.dwExtraInfoLength = 1;
    if (!::InternetCrackUrlA(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts)) {
        Fail();
        return kNoHandle;
    }
    const std::string host = UrlPart(parts.lpszHostName, parts.dwHostNameLength);
    const std::string object = UrlPart(parts.lpszUrlPath, parts.dwUrlPathLength) +
                               UrlPart(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    if (parts.nScheme == INTERNET_SCHEME_HTTPS) {
        flags |= INTERNET_FLAG_SECURE;
    }

    auto request = std::make_unique<Request>();
    request->session = reinterpret_cast<HINTERNET>(session);
    request->connection.Reset(::InternetConnectA(reinterpret_cast<HINTERNET>(session), host.c_str(),
                                                 parts.nPort, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
    if (!request->connection) {
        Fail();
        return kNoHandle;
    }
    for (const auto& [option, milliseconds] : sessionTimeouts_) {
        SetTimeoutOption(request->connection.Get(), option, milliseconds);
    }
    request->request.Reset(::HttpOpenRequestA(request->connection.Get(), "GET", object.c_str(), nullptr,
                                              nullptr, nullptr, flags, 0));
    if (!request->request) {
        Fail();
        return kNoHandle;
    }
    for (const auto& [option, milliseconds] : sessionTimeouts_) {
        SetTimeoutOption(request->request.Get(), option, milliseconds);
    }
    const ULONGLONG sent = ::GetTickCount64();
    if (!::HttpSendRequestA(request->request.Get(), nullptr, 0, nullptr, 0)) {
        Fail();
        // Wine's WinINet reports an answer that did not come within the receive time-out as an aborted
        // connection; once that time has passed, it is the time-out.
        if (lastError_ == ERROR_INTERNET_CONNECTION_ABORTED && ReceiveTimeoutPassedSince(sent)) {
            lastError_ = ERROR_INTERNET_TIMEOUT;
        }
        return kNoHandle;
    }
    const auto handle = reinterpret_cast<HttpHandle>(request->request.Get());
    requests_.emplace(handle, std::move(request));
    return handle;
}

bool WinInetLayer::ReceiveTimeoutPassedSince(ULONGLONG start) const {
    constexpr ULONGLONG kTimerSlack = 50;
    const auto found = sessionTimeouts_.find(TimeoutOption::Receive);
    return found != sessionTimeouts_.end() && ::GetTickCount64() - start + kTimerSlack >= found->second;
}

HINTERNET WinInetLayer::RequestHandle(HttpHandle request) const {
    const auto found = requests_.find(request);
    return found != requests_.end() ? found->second->request.Get() : nullptr;
}

bool WinInetLayer::Query(HttpHandle request, HttpQuery query, std::string& text) {
    char buffer[32] = {};
    DWORD length = sizeof buffer;
    DWORD index = 0;
    if (!::HttpQueryInfoA(RequestHandle(request), static_cast<DWORD>(query), buffer, &length, &index)) {
        Fail();
        return false;
    }
    text.assign(buffer, strnlen(buffer, sizeof buffer));
    return true;
}

std::uint32_t WinInetLayer::ProxyAuthenticationDialog(HttpHandle request) {
    constexpr DWORD kFlags = FLAGS_ERROR_UI_FILTER_FOR_ERRORS | FLAGS_ERROR_UI_FLAGS_CHANGE_OPTIONS;
    // Without a proxy there is nobody to give proxy credentials to; Wine's dialog even crashes then.
    if (!ProxyConfigured(request)) {
        return ERROR_CANCELLED;
    }
    return ::InternetErrorDlg(::GetDesktopWindow(), RequestHandle(request), ERROR_INTERNET_INCORRECT_PASSWORD,
                              kFlags, nullptr);
}

bool WinInetLayer::ProxyConfigured(HttpHandle request) const {
    const auto found = requests_.find(request);
    if (found == requests_.end()) {
        return false;
    }
    // The session's own settings: a named proxy.
    DWORD size = 0;
    ::InternetQueryOptionA(found->second->session, INTERNET_OPTION_PROXY, nullptr, &size);
    std::vector<char> buffer(std::max<DWORD>(size, sizeof(INTERNET_PROXY_INFO)));
    size = static_cast<DWORD>(buffer.size());
    if (::InternetQueryOptionA(found->second->session, INTERNET_OPTION_PROXY, buffer.data(), &size) &&
        reinterpret_cast<const INTERNET_PROXY_INFO*>(buffer.data())->dwAccessType ==
            INTERNET_OPEN_TYPE_PROXY) {
        return true;
    }
    // The system's settings: a proxy, a configuration script or automatic detection. Only a clear "direct"
    // counts as no proxy; when the system cannot tell, the dialog is shown.
    INTERNET_PER_CONN_OPTIONA option{};
    option.dwOption = INTERNET_PER_CONN_FLAGS;
    INTERNET_PER_CONN_OPTION_LISTA list{};
    list.dwSize = sizeof list;
    list.dwOptionCount = 1;
    list.pOptions = &option;
    DWORD listSize = sizeof list;
    if (!::InternetQueryOptionA(nullptr, INTERNET_OPTION_PER_CONNECTION_OPTION, &list, &listSize)) {
        return true;
    }
    constexpr DWORD kProxyTypes = PROXY_TYPE_PROXY | PROXY_TYPE_AUTO_PROXY_URL | PROXY_TYPE_AUTO_DETECT;
    return (option.Value.dwValue & kProxyTypes) != 0;
}

bool WinInetLayer::Read(HttpHandle request, char* buffer, std::uint32_t size, std::uint32_t& bytesRead) {
    DWORD count = 0;
    const BOOL ok = ::InternetReadFile(RequestHandle(request), buffer, size, &count);
    bytesRead = count;
    if (!ok) {
        Fail();
    }
    return ok != FALSE;
}

void WinInetLayer::Close(HttpHandle handle) noexcept {
    if (const auto found = requests_.find(handle); found != requests_.end()) {
        requests_.erase(found);
        return;
    }
    InternetTraits::Close(reinterpret_cast<HINTERNET>(handle));  // a session the engine opened through us
    sessionTimeouts_.clear();
}

std::string WinInetLayer::LastErrorText() {
    return inet::LastErrorText(lastError_);
}

}  // namespace inet
