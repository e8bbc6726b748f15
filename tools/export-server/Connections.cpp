// Handshake, request head, log line, plan and delivery for both ports.
#include "Connections.h"

#include "HeadReader.h"
#include "ProxyPlan.h"
#include "ResponsePlan.h"
#include "ResponseWriter.h"
#include "Stream.h"

namespace exportserver {
namespace {

constexpr std::chrono::seconds kHandshakeLimit{30};
constexpr std::chrono::seconds kHeadLimit{60};

void ServeRequest(Stream& stream, ServerShared& shared) {
    std::string head;
    const HeadResult result = ReadRequestHead(stream, head, Clock::now() + kHeadLimit);
    if (result == HeadResult::kGone) {
        return;
    }
    shared.log.Append(RequestLineOf(head));
    if (result == HeadResult::kTooLarge) {
        Deliver(stream, PlanTextAnswer(431, "request head too large\r\n"));
        return;
    }
    const std::optional<RequestHead> request = ParseRequestHead(head);
    if (!request) {
        Deliver(stream, PlanTextAnswer(400, "malformed request\r\n"));
        return;
    }
    const ResponsePlan plan = PlanResponse(*request);
    // Armed before the answer goes out, so a client that has read "ok" can rely on it.
    if (plan.armWrongHost) {
        shared.wrongHostArmed.store(true);
    }
    Deliver(stream, plan);
}

}  // namespace

void ServeTlsConnection(int fd, SSL_CTX* context, ServerShared& shared) {
    Stream stream(fd, shared.stopping);
    if (stream.StartTls(context, Clock::now() + kHandshakeLimit) != IoStatus::kOk) {
        return;
    }
    ServeRequest(stream, shared);
}

void ServeProxyConnection(int fd, ServerShared& shared) {
    Stream stream(fd, shared.stopping);
    std::string head;
    const HeadResult result = ReadRequestHead(stream, head, Clock::now() + kHeadLimit);
    if (result == HeadResult::kGone) {
        return;
    }
    shared.log.Append(RequestLineOf(head));
    const std::optional<RequestHead> request =
        result == HeadResult::kComplete ? ParseRequestHead(head) : std::nullopt;
    if (!request) {
        Deliver(stream, PlanTextAnswer(400, "malformed request\r\n"));
        return;
    }
    const ProxyDecision decision = DecideProxyRequest(*request, shared.proxyCredentials);
    if (stream.WriteAll(decision.reply, kHeadLimit) != IoStatus::kOk) {
        return;
    }
    if (decision.action != ProxyAction::kTunnel) {
        stream.Finish();
        return;
    }
    // The tunnel never leaves this process: the TLS server side runs right here on the client's socket.
    if (stream.StartTls(shared.localhostContext, Clock::now() + kHandshakeLimit) != IoStatus::kOk) {
        return;
    }
    ServeRequest(stream, shared);
}

}  // namespace exportserver
