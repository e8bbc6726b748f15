// The HTTP client operations the download engine relies on; WinINet on Windows, a scripted fake in tests.
#pragma once

#include <cstdint>
#include <string>

namespace inet {

using HttpHandle = std::uintptr_t;
constexpr HttpHandle kNoHandle = 0;

// Option numbers and query kinds as the Windows internet library numbers them.
enum class TimeoutOption : std::uint32_t { Send = 5, Receive = 6 };
enum class HttpQuery : std::uint32_t { ContentLength = 5, StatusCode = 19 };

// Always fetch from the server and never store the answer in the cache. Certificate checks stay on: the
// password travels in the URL.
constexpr std::uint32_t kRequestFlags = 0x80000000u /*reload*/ | 0x04000000u /*no cache write*/;

// Answers of the proxy-authentication dialog.
constexpr std::uint32_t kDialogNoError = 0;
constexpr std::uint32_t kDialogRetry = 12032;  // ERROR_INTERNET_FORCE_RETRY

// The error code of an operation that timed out; its status line has a text of its own.
constexpr std::uint32_t kTimeoutErrorCode = 12002;  // ERROR_INTERNET_TIMEOUT

class HttpLayer {
public:
    virtual ~HttpLayer() = default;
    // kNoHandle on failure, with the error left for LastErrorText.
    virtual HttpHandle OpenSession(const std::string& agent) = 0;
    // The result does not matter to the engine, which also swallows anything thrown here.
    virtual void SetTimeout(HttpHandle handle, TimeoutOption option, std::uint32_t milliseconds) = 0;
    // Sends the request and waits for the response headers; kNoHandle on failure.
    virtual HttpHandle OpenUrl(HttpHandle session, const std::string& url, std::uint32_t flags) = 0;
    // The header value as text (at most 31 characters), or false when the query fails.
    virtual bool Query(HttpHandle request, HttpQuery query, std::string& text) = 0;
    virtual std::uint32_t ProxyAuthenticationDialog(HttpHandle request) = 0;
    // Up to `size` bytes; true with 0 bytes is the end of the body, false a failed read.
    virtual bool Read(HttpHandle request, char* buffer, std::uint32_t size, std::uint32_t& bytesRead) = 0;
    virtual void Close(HttpHandle handle) noexcept = 0;
    // Code and system text of the last failed operation, for status lines.
    virtual std::string LastErrorText() = 0;
};

}  // namespace inet
