// Owning pointers for the OpenSSL objects the server creates.
#pragma once

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

#include <memory>
#include <string>

namespace exportserver {

template <auto FreeFunction>
struct OpenSslDeleter {
    template <typename T>
    void operator()(T* object) const {
        FreeFunction(object);
    }
};

using X509Ptr = std::unique_ptr<X509, OpenSslDeleter<X509_free>>;
using PKeyPtr = std::unique_ptr<EVP_PKEY, OpenSslDeleter<EVP_PKEY_free>>;
using BioPtr = std::unique_ptr<BIO, OpenSslDeleter<BIO_free_all>>;
using SslCtxPtr = std::unique_ptr<SSL_CTX, OpenSslDeleter<SSL_CTX_free>>;
using SslPtr = std::unique_ptr<SSL, OpenSslDeleter<SSL_free>>;

// The queued OpenSSL errors as one line (and clears the queue), for exception messages.
std::string DrainOpenSslErrors();

}  // namespace exportserver
