// trust-ca: adds a CA certificate (DER file) to the current user's Root store, so that WinINet accepts the
// local export server's certificate. Used to prepare a Wine prefix; no dialog is shown.
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: trust-ca CERTIFICATE.der\n", stderr);
        return 2;
    }
    std::ifstream file(argv[1], std::ios::binary);
    const std::vector<unsigned char> der((std::istreambuf_iterator<char>(file)),
                                         std::istreambuf_iterator<char>());
    if (der.empty()) {
        std::fprintf(stderr, "trust-ca: cannot read %s\n", argv[1]);
        return 1;
    }
    HCERTSTORE store =
        ::CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, "Root");
    if (store == nullptr) {
        std::fprintf(stderr, "trust-ca: cannot open the Root store (error %lu)\n", ::GetLastError());
        return 1;
    }
    const BOOL added = ::CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, der.data(),
                                                          static_cast<DWORD>(der.size()),
                                                          CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
    const DWORD error = ::GetLastError();
    ::CertCloseStore(store, 0);
    if (!added) {
        std::fprintf(stderr, "trust-ca: cannot add the certificate (error %lu)\n", error);
        return 1;
    }
    return 0;
}
