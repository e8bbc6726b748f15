// The HTTP layer over WinINet, and the text of the last failed system call.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include <windows.h>
#include <wininet.h>

#include "inet/HttpLayer.h"

namespace inet {

// The text of a failed system call: "code-text" from the system's message table, the time-out code with its
// own text, or the bare code.
std::string LastErrorText(DWORD code);

// Opens a URL as connection, request and send, so that the time-outs are on the connection and the request
// before anything is sent: set on the session alone, some WinINet implementations ignore them.
class WinInetLayer final : public HttpLayer {
public:
    WinInetLayer();
    ~WinInetLayer() override;

    HttpHandle OpenSession(const std::string& agent) override;
    void SetTimeout(HttpHandle handle, TimeoutOption option, std::uint32_t milliseconds) override;
    HttpHandle OpenUrl(HttpHandle session, const std::string& url, std::uint32_t flags) override;
    bool Query(HttpHandle request, HttpQuery query, std::string& text) override;
    std::uint32_t ProxyAuthenticationDialog(HttpHandle request) override;
    bool Read(HttpHandle request, char* buffer, std::uint32_t size, std::uint32_t& bytesRead) override;
    void Close(HttpHandle handle) noexcept override;
    std::string LastErrorText() override;

private:
    struct Request;

    HINTERNET RequestHandle(HttpHandle request) const;
    bool ReceiveTimeoutPassedSince(ULONGLONG start) const;
    bool ProxyConfigured(HttpHandle request) const;
    void Fail();

    std::map<HttpHandle, std::unique_ptr<Request>> requests_;
    std::map<TimeoutOption, std::uint32_t> sessionTimeouts_;
    DWORD lastError_ = 0;
};

}  // namespace inet
