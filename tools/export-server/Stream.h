// A connection's non-blocking socket, plain or TLS, driven by short polls so every wait notices a stop.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <string_view>

#include "OpenSslPtr.h"

namespace exportserver {

using Clock = std::chrono::steady_clock;

enum class IoStatus {
    kOk,
    kClosed,    // the peer closed or reset the connection
    kStopped,   // the server is shutting down
    kTimedOut,  // the deadline passed
    kFailed,    // any other socket or TLS error
};

class Stream {
public:
    // Takes ownership of fd, which must be non-blocking.
    Stream(int fd, const std::atomic<bool>& stopping);
    ~Stream();
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;

    // Server side of the TLS handshake; afterwards all reads and writes go through TLS.
    IoStatus StartTls(SSL_CTX* context, Clock::time_point deadline);
    bool IsTls() const { return ssl_ != nullptr; }

    // Reads what is there, at least one byte.
    IoStatus ReadSome(char* buffer, std::size_t capacity, std::size_t& received, Clock::time_point deadline);

    // Plain sockets only: like ReadSome but leaves the bytes queued.
    IoStatus PeekSome(char* buffer, std::size_t capacity, std::size_t& received, Clock::time_point deadline);

    // Gives up once the peer accepts nothing for idleLimit.
    IoStatus WriteAll(std::string_view data, std::chrono::milliseconds idleLimit);

    // Waits until `until`, discarding input; reports kClosed as soon as the peer goes away.
    IoStatus Idle(Clock::time_point until);

    // close_notify, FIN, then a short drain: closing with unread input would send a reset that can destroy
    // the answer before the client has read it.
    void Finish();

private:
    IoStatus WaitFor(short events, Clock::time_point deadline) const;
    IoStatus ReceivePlain(char* buffer, std::size_t capacity, std::size_t& received,
                          Clock::time_point deadline, int flags);
    template <typename Operation>
    IoStatus DriveTls(Operation operation, Clock::time_point deadline, int& result);

    int fd_;
    const std::atomic<bool>& stopping_;
    SslPtr ssl_;
    bool tlsBroken_ = false;  // OpenSSL forbids SSL_shutdown after a fatal error
};

}  // namespace exportserver
