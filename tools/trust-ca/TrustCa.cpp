// trust-ca: adds a CA certificate (DER file) to the current user's Root store, so that WinINet accepts the
// local export server's certificate, or with --remove takes it out again. Prepares a Wine prefix for the
// tests, and a machine for the test kit; no dialog of its own.
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr char kUsage[] = "usage: trust-ca [--remove] CERTIFICATE.der\n";

struct Store {
    HCERTSTORE handle =
        ::CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, "Root");
    Store() = default;
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;
    ~Store() {
        if (handle != nullptr) {
            ::CertCloseStore(handle, 0);
        }
    }
};

// The store's copy of the certificate, or null; the caller frees it.
PCCERT_CONTEXT FindIn(HCERTSTORE store, PCCERT_CONTEXT certificate) {
    return ::CertFindCertificateInStore(store, X509_ASN_ENCODING, 0, CERT_FIND_EXISTING, certificate, nullptr);
}

int Add(const std::vector<unsigned char>& der) {
    const Store store;
    if (store.handle == nullptr) {
        std::fprintf(stderr, "trust-ca: cannot open the Root store (error %lu)\n", ::GetLastError());
        return 1;
    }
    if (!::CertAddEncodedCertificateToStore(store.handle, X509_ASN_ENCODING, der.data(),
                                            static_cast<DWORD>(der.size()), CERT_STORE_ADD_REPLACE_EXISTING,
                                            nullptr)) {
        std::fprintf(stderr, "trust-ca: cannot add the certificate (error %lu)\n", ::GetLastError());
        return 1;
    }
    return 0;
}

// Deletes the certificate from the store; where the store reports success but keeps it (seen under Wine), its
// registry entry (the key named by the certificate's SHA-1 hash) goes instead.
int Remove(PCCERT_CONTEXT certificate) {
    BYTE hash[20] = {};
    DWORD hashSize = sizeof hash;
    if (!::CertGetCertificateContextProperty(certificate, CERT_SHA1_HASH_PROP_ID, hash, &hashSize)) {
        std::fprintf(stderr, "trust-ca: cannot hash the certificate (error %lu)\n", ::GetLastError());
        return 1;
    }
    {
        const Store store;
        if (store.handle == nullptr) {
            std::fprintf(stderr, "trust-ca: cannot open the Root store (error %lu)\n", ::GetLastError());
            return 1;
        }
        PCCERT_CONTEXT found = FindIn(store.handle, certificate);
        if (found == nullptr) {
            return 0;  // not trusted: nothing to remove
        }
        ::CertDeleteCertificateFromStore(found);  // frees `found`, whatever it returns
    }
    const Store again;
    if (PCCERT_CONTEXT still = again.handle != nullptr ? FindIn(again.handle, certificate) : nullptr) {
        ::CertFreeCertificateContext(still);
        std::string key = "Software\\Microsoft\\SystemCertificates\\Root\\Certificates\\";
        for (const BYTE byte : hash) {
            char digits[3];
            std::snprintf(digits, sizeof digits, "%02X", byte);
            key += digits;
        }
        const LSTATUS status = ::RegDeleteKeyA(HKEY_CURRENT_USER, key.c_str());
        if (status != ERROR_SUCCESS) {
            std::fprintf(stderr, "trust-ca: cannot remove the certificate (error %ld)\n", status);
            return 1;
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const bool remove = argc == 3 && std::strcmp(argv[1], "--remove") == 0;
    if (argc != 2 + (remove ? 1 : 0) || argv[argc - 1][0] == '-') {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const char* path = argv[argc - 1];
    std::ifstream file(path, std::ios::binary);
    const std::vector<unsigned char> der((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (der.empty()) {
        std::fprintf(stderr, "trust-ca: cannot read %s\n", path);
        return 1;
    }
    if (!remove) {
        return Add(der);
    }
    PCCERT_CONTEXT certificate =
        ::CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()));
    if (certificate == nullptr) {
        std::fprintf(stderr, "trust-ca: %s is no DER certificate (error %lu)\n", path, ::GetLastError());
        return 1;
    }
    const int result = Remove(certificate);
    ::CertFreeCertificateContext(certificate);
    return result;
}
