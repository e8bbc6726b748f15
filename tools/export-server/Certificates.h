// The test CA and server certificates in the certificate directory: reused when usable, else created.
#pragma once

#include <filesystem>

namespace exportserver {

struct CertificateFiles {
    std::filesystem::path caPem;
    std::filesystem::path caDer;
    std::filesystem::path localhostCert;
    std::filesystem::path localhostKey;
    std::filesystem::path wrongHostCert;
    std::filesystem::path wrongHostKey;
};

// Creates dir if needed. The CA is kept whenever it still loads, so a CA imported into a Wine prefix stays
// trusted; server certificates are replaced when missing, unreadable, expired or not issued by that CA.
// Throws std::runtime_error.
CertificateFiles EnsureCertificates(const std::filesystem::path& dir);

}  // namespace exportserver
