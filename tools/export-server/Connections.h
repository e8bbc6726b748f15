// Serving one accepted connection on the TLS port or on the proxy port, start to close.
#pragma once

#include <atomic>
#include <string>

#include "OpenSslPtr.h"
#include "RequestLog.h"

namespace exportserver {

struct ServerShared {
    RequestLog& log;
    SSL_CTX* localhostContext;
    std::atomic<bool>& wrongHostArmed;
    const std::atomic<bool>& stopping;
    std::string proxyCredentials;
};

// fd is a freshly accepted, non-blocking socket; context is the certificate to present.
void ServeTlsConnection(int fd, SSL_CTX* context, ServerShared& shared);

// fd is a freshly accepted, non-blocking socket on the proxy port.
void ServeProxyConnection(int fd, ServerShared& shared);

}  // namespace exportserver
