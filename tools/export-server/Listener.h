// Listening sockets on the loopback address.
#pragma once

#include <cstdint>

namespace exportserver {

// A non-blocking listening socket on 127.0.0.1:port. Throws std::runtime_error (e.g. port in use).
int ListenOnLoopback(std::uint16_t port);

}  // namespace exportserver
