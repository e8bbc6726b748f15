// CONNECT handling of the proxy: credentials decide between a tunnel and a 407.
#include "ProxyPlan.h"

#include "BasicAuth.h"

namespace exportserver {
namespace {

constexpr std::string_view kRejectText = "only CONNECT here\r\n";

}  // namespace

ProxyDecision DecideProxyRequest(const RequestHead& request, std::string_view credentials) {
    if (request.method != "CONNECT") {
        return {ProxyAction::kReject,
                SerializeResponseHead(400, {{"Content-Type", "text/plain; charset=windows-1252"},
                                            {"Content-Length", std::to_string(kRejectText.size())},
                                            {"Connection", "close"}}) +
                    std::string(kRejectText)};
    }
    const std::string* authorization = FindHeader(request.headers, "Proxy-Authorization");
    if (authorization != nullptr && BasicCredentialsMatch(*authorization, credentials)) {
        return {ProxyAction::kTunnel, "HTTP/1.1 200 Connection established\r\n\r\n"};
    }
    return {ProxyAction::kRequireAuth,
            SerializeResponseHead(407, {{"Proxy-Authenticate", "Basic realm=\"kalvento-proxy\""},
                                        {"Content-Length", "0"},
                                        {"Connection", "close"}})};
}

}  // namespace exportserver
