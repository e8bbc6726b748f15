// Poll-driven socket and TLS I/O with stop checks at least every kPollSlice.
#include "Stream.h"

#include <openssl/err.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace exportserver {
namespace {

constexpr std::chrono::milliseconds kPollSlice{50};
constexpr std::chrono::milliseconds kLinger{1000};

}  // namespace

Stream::Stream(int fd, const std::atomic<bool>& stopping) : fd_(fd), stopping_(stopping) {}

Stream::~Stream() {
    ssl_.reset();
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

IoStatus Stream::WaitFor(short events, Clock::time_point deadline) const {
    for (;;) {
        if (stopping_.load()) {
            return IoStatus::kStopped;
        }
        const Clock::time_point now = Clock::now();
        if (now >= deadline) {
            return IoStatus::kTimedOut;
        }
        const auto slice = std::min<Clock::duration>(kPollSlice, deadline - now);
        const auto sliceMs = std::chrono::ceil<std::chrono::milliseconds>(slice).count();
        pollfd entry{fd_, events, 0};
        const int ready = ::poll(&entry, 1, static_cast<int>(sliceMs));
        if (ready > 0) {
            return IoStatus::kOk;
        }
        if (ready < 0 && errno != EINTR) {
            return IoStatus::kFailed;
        }
    }
}

template <typename Operation>
IoStatus Stream::DriveTls(Operation operation, Clock::time_point deadline, int& result) {
    for (;;) {
        ERR_clear_error();
        errno = 0;
        result = operation();
        if (result > 0) {
            return IoStatus::kOk;
        }
        const int error = SSL_get_error(ssl_.get(), result);
        IoStatus waited;
        if (error == SSL_ERROR_WANT_READ) {
            waited = WaitFor(POLLIN, deadline);
        } else if (error == SSL_ERROR_WANT_WRITE) {
            waited = WaitFor(POLLOUT, deadline);
        } else if (error == SSL_ERROR_ZERO_RETURN) {
            return IoStatus::kClosed;
        } else {
            tlsBroken_ = true;
            const bool peerGone =
                error == SSL_ERROR_SYSCALL && (errno == 0 || errno == EPIPE || errno == ECONNRESET);
            ERR_clear_error();
            return peerGone ? IoStatus::kClosed : IoStatus::kFailed;
        }
        if (waited != IoStatus::kOk) {
            return waited;
        }
    }
}

IoStatus Stream::StartTls(SSL_CTX* context, Clock::time_point deadline) {
    ssl_.reset(SSL_new(context));
    if (!ssl_ || SSL_set_fd(ssl_.get(), fd_) != 1) {
        tlsBroken_ = true;
        return IoStatus::kFailed;
    }
    int result = 0;
    return DriveTls([this] { return SSL_accept(ssl_.get()); }, deadline, result);
}

IoStatus Stream::ReadSome(char* buffer, std::size_t capacity, std::size_t& received,
                          Clock::time_point deadline) {
    received = 0;
    if (ssl_) {
        int result = 0;
        const int size = static_cast<int>(std::min<std::size_t>(capacity, 1 << 30));
        const IoStatus status =
            DriveTls([&] { return SSL_read(ssl_.get(), buffer, size); }, deadline, result);
        if (status == IoStatus::kOk) {
            received = static_cast<std::size_t>(result);
        }
        return status;
    }
    return ReceivePlain(buffer, capacity, received, deadline, 0);
}

IoStatus Stream::PeekSome(char* buffer, std::size_t capacity, std::size_t& received,
                          Clock::time_point deadline) {
    received = 0;
    if (ssl_) {
        return IoStatus::kFailed;
    }
    return ReceivePlain(buffer, capacity, received, deadline, MSG_PEEK);
}

IoStatus Stream::ReceivePlain(char* buffer, std::size_t capacity, std::size_t& received,
                              Clock::time_point deadline, int flags) {
    for (;;) {
        const ssize_t n = ::recv(fd_, buffer, capacity, flags);
        if (n > 0) {
            received = static_cast<std::size_t>(n);
            return IoStatus::kOk;
        }
        if (n == 0) {
            return IoStatus::kClosed;
        }
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
            return IoStatus::kClosed;
        }
        if (const IoStatus waited = WaitFor(POLLIN, deadline); waited != IoStatus::kOk) {
            return waited;
        }
    }
}

IoStatus Stream::WriteAll(std::string_view data, std::chrono::milliseconds idleLimit) {
    while (!data.empty()) {
        const Clock::time_point deadline = Clock::now() + idleLimit;
        std::size_t written = 0;
        if (ssl_) {
            int result = 0;
            const int size = static_cast<int>(std::min<std::size_t>(data.size(), 1 << 30));
            const IoStatus status =
                DriveTls([&] { return SSL_write(ssl_.get(), data.data(), size); }, deadline, result);
            if (status != IoStatus::kOk) {
                return status;
            }
            written = static_cast<std::size_t>(result);
        } else {
            const ssize_t n = ::send(fd_, data.data(), data.size(), MSG_NOSIGNAL);
            if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
                return IoStatus::kClosed;
            }
            if (n <= 0) {
                if (const IoStatus waited = WaitFor(POLLOUT, deadline); waited != IoStatus::kOk) {
                    return waited;
                }
                continue;
            }
            written = static_cast<std::size_t>(n);
        }
        data.remove_prefix(written);
    }
    return IoStatus::kOk;
}

IoStatus Stream::Idle(Clock::time_point until) {
    char discard[4096];
    for (;;) {
        const IoStatus waited = WaitFor(POLLIN, until);
        if (waited == IoStatus::kTimedOut) {
            return IoStatus::kOk;
        }
        if (waited != IoStatus::kOk) {
            return waited;
        }
        if (ssl_) {
            ERR_clear_error();
            const int n = SSL_read(ssl_.get(), discard, sizeof discard);
            if (n > 0) {
                continue;
            }
            const int error = SSL_get_error(ssl_.get(), n);
            if (error != SSL_ERROR_WANT_READ && error != SSL_ERROR_WANT_WRITE) {
                tlsBroken_ = error != SSL_ERROR_ZERO_RETURN;
                ERR_clear_error();
                return IoStatus::kClosed;
            }
        } else {
            const ssize_t n = ::recv(fd_, discard, sizeof discard, 0);
            if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
                return IoStatus::kClosed;
            }
        }
    }
}

void Stream::Finish() {
    if (fd_ < 0) {
        return;
    }
    if (!stopping_.load()) {
        if (ssl_ && !tlsBroken_ && SSL_is_init_finished(ssl_.get())) {
            ERR_clear_error();
            // Only our close_notify matters; the client's reply is drained below with the rest.
            const int result = SSL_shutdown(ssl_.get());
            if (result < 0 && SSL_get_error(ssl_.get(), result) == SSL_ERROR_WANT_WRITE &&
                WaitFor(POLLOUT, Clock::now() + kLinger) == IoStatus::kOk) {
                SSL_shutdown(ssl_.get());
            }
            ERR_clear_error();
        }
        ::shutdown(fd_, SHUT_WR);
        const Clock::time_point deadline = Clock::now() + kLinger;
        char discard[4096];
        while (WaitFor(POLLIN, deadline) == IoStatus::kOk) {
            const ssize_t n = ::recv(fd_, discard, sizeof discard, 0);
            if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
                break;
            }
        }
    }
    ssl_.reset();
    ::close(fd_);
    fd_ = -1;
}

}  // namespace exportserver
