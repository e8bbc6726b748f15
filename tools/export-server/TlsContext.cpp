// Builds the SSL_CTX objects for the localhost and wrong.example certificates.
#include "TlsContext.h"

#include <stdexcept>

namespace exportserver {

SslCtxPtr MakeServerContext(const std::filesystem::path& certFile, const std::filesystem::path& keyFile) {
    SslCtxPtr context(SSL_CTX_new(TLS_server_method()));
    if (!context || SSL_CTX_set_min_proto_version(context.get(), TLS1_2_VERSION) != 1 ||
        SSL_CTX_set_max_proto_version(context.get(), TLS1_3_VERSION) != 1) {
        throw std::runtime_error("cannot create TLS context: " + DrainOpenSslErrors());
    }
    if (SSL_CTX_use_certificate_chain_file(context.get(), certFile.c_str()) != 1 ||
        SSL_CTX_use_PrivateKey_file(context.get(), keyFile.c_str(), SSL_FILETYPE_PEM) != 1 ||
        SSL_CTX_check_private_key(context.get()) != 1) {
        throw std::runtime_error("cannot load " + certFile.string() + ": " + DrainOpenSslErrors());
    }
    // Clients that drop the connection without close_notify are normal here; treat it as a plain close.
    SSL_CTX_set_options(context.get(), SSL_OP_IGNORE_UNEXPECTED_EOF);
    // No resumption: a resumed session skips the certificate, which would defeat the wrong-host one-shot.
    SSL_CTX_set_session_cache_mode(context.get(), SSL_SESS_CACHE_OFF);
    SSL_CTX_set_options(context.get(), SSL_OP_NO_TICKET);
    SSL_CTX_set_num_tickets(context.get(), 0);
    return context;
}

}  // namespace exportserver
