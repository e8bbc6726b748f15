// Accept loop on a signalfd and the listeners, with a thread per connection.
#include "Server.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "Certificates.h"
#include "ConnectionThreads.h"
#include "Connections.h"
#include "Listener.h"
#include "RequestLog.h"
#include "TlsContext.h"

namespace exportserver {
namespace {

// Connection threads notice the stop within one poll slice; this only guards against the unforeseen.
constexpr std::chrono::milliseconds kShutdownGrace{5000};

class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : fd_(fd) {}
    ~FileDescriptor() { Reset(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int Get() const { return fd_; }
    void Reset() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = -1;
    }

private:
    int fd_;
};

// SIGTERM and SIGINT are blocked in every thread and read from this descriptor by the accept loop.
int BlockStopSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    if (pthread_sigmask(SIG_BLOCK, &signals, nullptr) != 0) {
        throw std::runtime_error("cannot block signals");
    }
    const int fd = ::signalfd(-1, &signals, SFD_CLOEXEC | SFD_NONBLOCK);
    if (fd < 0) {
        throw std::runtime_error(std::string("cannot create signalfd: ") + std::strerror(errno));
    }
    return fd;
}

void Spawn(ConnectionThreads& threads, int fd, std::function<void(int)> serve) {
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    const bool started = threads.Start([fd, serve = std::move(serve)] {
        try {
            serve(fd);
        } catch (const std::exception& error) {
            std::fprintf(stderr, "export-server: connection failed: %s\n", error.what());
        }
    });
    if (!started) {
        ::close(fd);
    }
}

// Accepts one pending connection; persistent failures (out of descriptors) back off instead of spinning.
int AcceptOne(int listener) {
    const int fd = ::accept4(listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR && errno != ECONNABORTED) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return fd;
}

}  // namespace

int RunServer(const Options& options) {
    ::signal(SIGPIPE, SIG_IGN);
    const FileDescriptor stopSignals(BlockStopSignals());

    const CertificateFiles certificates = EnsureCertificates(options.certDir);
    const SslCtxPtr localhost = MakeServerContext(certificates.localhostCert, certificates.localhostKey);
    const SslCtxPtr wrongHost = MakeServerContext(certificates.wrongHostCert, certificates.wrongHostKey);
    RequestLog log(options.logFile);

    FileDescriptor tlsListener(ListenOnLoopback(options.port));
    FileDescriptor proxyListener(options.proxyPort ? ListenOnLoopback(*options.proxyPort) : -1);

    std::atomic<bool> stopping{false};
    std::atomic<bool> wrongHostArmed{false};
    ServerShared shared{log, localhost.get(), wrongHostArmed, stopping, options.proxyCredentials};
    ConnectionThreads threads;

    std::fputs("ready\n", stdout);
    std::fflush(stdout);

    std::vector<pollfd> watched = {{stopSignals.Get(), POLLIN, 0}, {tlsListener.Get(), POLLIN, 0}};
    if (proxyListener.Get() >= 0) {
        watched.push_back({proxyListener.Get(), POLLIN, 0});
    }
    int exitCode = 0;
    for (;;) {
        if (::poll(watched.data(), watched.size(), -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            // Not thrown: the connection threads must be stopped and joined first.
            std::fprintf(stderr, "export-server: poll failed: %s\n", std::strerror(errno));
            exitCode = 1;
            break;
        }
        if (watched[0].revents != 0) {
            break;
        }
        if (watched[1].revents != 0) {
            if (const int fd = AcceptOne(tlsListener.Get()); fd >= 0) {
                // The one-shot is consumed by whichever connection is accepted next.
                SSL_CTX* context = wrongHostArmed.exchange(false) ? wrongHost.get() : localhost.get();
                Spawn(threads, fd,
                      [&shared, context](int client) { ServeTlsConnection(client, context, shared); });
            }
        }
        if (watched.size() > 2 && watched[2].revents != 0) {
            if (const int fd = AcceptOne(proxyListener.Get()); fd >= 0) {
                Spawn(threads, fd, [&shared](int client) { ServeProxyConnection(client, shared); });
            }
        }
        threads.JoinFinished();
    }

    stopping.store(true);
    tlsListener.Reset();
    proxyListener.Reset();
    if (!threads.JoinAll(kShutdownGrace)) {
        // Threads still use objects on this stack; leaving without unwinding is the only safe exit.
        std::fputs("export-server: connections did not stop in time\n", stderr);
        std::fflush(stdout);
        std::_Exit(exitCode);
    }
    return exitCode;
}

}  // namespace exportserver
