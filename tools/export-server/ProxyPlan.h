// Decides, without any I/O, how the authenticating proxy answers a request on its plain port.
#pragma once

#include <string>
#include <string_view>

#include "HttpHead.h"

namespace exportserver {

inline constexpr std::string_view kDefaultProxyCredentials = "proxyuser:proxypass";

enum class ProxyAction {
    kTunnel,       // send reply, then serve one export request over TLS on the same socket
    kRequireAuth,  // send reply (407) and close
    kReject,       // send reply (400) and close
};

struct ProxyDecision {
    ProxyAction action;
    std::string reply;  // exact bytes to send before anything else happens
};

ProxyDecision DecideProxyRequest(const RequestHead& request, std::string_view credentials);

}  // namespace exportserver
