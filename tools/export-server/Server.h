// The server's lifetime: certificates, listeners, the accept loop and shutdown on SIGTERM/SIGINT.
#pragma once

#include "Options.h"

namespace exportserver {

// Returns the exit code; throws std::runtime_error for start-up failures (certificates, ports, log).
int RunServer(const Options& options);

}  // namespace exportserver
