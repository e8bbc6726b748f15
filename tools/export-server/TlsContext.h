// Server-side TLS settings shared by all connections that present one certificate.
#pragma once

#include <filesystem>

#include "OpenSslPtr.h"

namespace exportserver {

// TLS 1.2 and 1.3 only. Throws std::runtime_error when the files do not load.
SslCtxPtr MakeServerContext(const std::filesystem::path& certFile, const std::filesystem::path& keyFile);

}  // namespace exportserver
