// Head reading: plain sockets peek first so the bytes after a CONNECT head stay for the TLS handshake.
#include "HeadReader.h"

#include <vector>

#include "HttpHead.h"

namespace exportserver {
namespace {

HeadResult ReadTlsHead(Stream& stream, std::string& head, Clock::time_point deadline) {
    std::vector<char> buffer(16 * 1024);
    for (;;) {
        std::size_t received = 0;
        if (stream.ReadSome(buffer.data(), buffer.size(), received, deadline) != IoStatus::kOk) {
            return HeadResult::kGone;
        }
        head.append(buffer.data(), received);
        // Whatever follows the head is ignored: requests are GETs and the connection closes after one.
        if (const auto end = FindHeadEnd(head); end && *end <= kMaxHeadBytes) {
            head.resize(*end);
            return HeadResult::kComplete;
        }
        if (head.size() > kMaxHeadBytes) {
            return HeadResult::kTooLarge;
        }
    }
}

HeadResult ReadPlainHead(Stream& stream, std::string& head, Clock::time_point deadline) {
    std::vector<char> buffer(16 * 1024);
    for (;;) {
        std::size_t peeked = 0;
        if (stream.PeekSome(buffer.data(), buffer.size(), peeked, deadline) != IoStatus::kOk) {
            return HeadResult::kGone;
        }
        const std::size_t before = head.size();
        std::string candidate = head;
        candidate.append(buffer.data(), peeked);
        std::size_t take = peeked;
        const auto end = FindHeadEnd(candidate);
        if (end) {
            take = *end - before;
        }
        std::size_t received = 0;
        if (stream.ReadSome(buffer.data(), take, received, deadline) != IoStatus::kOk || received != take) {
            return HeadResult::kGone;
        }
        head.append(buffer.data(), received);
        if (end && *end <= kMaxHeadBytes) {
            return HeadResult::kComplete;
        }
        if (head.size() > kMaxHeadBytes) {
            return HeadResult::kTooLarge;
        }
    }
}

}  // namespace

HeadResult ReadRequestHead(Stream& stream, std::string& head, Clock::time_point deadline) {
    head.clear();
    return stream.IsTls() ? ReadTlsHead(stream, head, deadline) : ReadPlainHead(stream, head, deadline);
}

}  // namespace exportserver
