// Creation and reuse of the test CA and the server certificates with the OpenSSL C API.
#include "Certificates.h"

#include <fcntl.h>
#include <openssl/bn.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/rsa.h>
#include <openssl/x509v3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>

#include "OpenSslPtr.h"

namespace exportserver {
namespace {

namespace fs = std::filesystem;

constexpr int kRsaBits = 2048;
constexpr long kOneDaySeconds = 24L * 60 * 60;
constexpr int kValidityDays = 3653;  // ten years including leap days
constexpr mode_t kKeyMode = 0600;
constexpr mode_t kCertMode = 0644;

struct KeyPair {
    X509Ptr cert;
    PKeyPtr key;
};

struct ServerCertProfile {
    const char* commonName;
    const char* subjectAltName;
    const char* ip;  // nullptr when the certificate names no address
    fs::path certFile;
    fs::path keyFile;
};

[[noreturn]] void Fail(const std::string& what) {
    throw std::runtime_error(what + ": " + DrainOpenSslErrors());
}

std::optional<std::string> ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::ostringstream content;
    content << in.rdbuf();
    return in.bad() ? std::nullopt : std::optional<std::string>(content.str());
}

// Written beside the target and renamed, so a crash never leaves half a key that later "loads".
void WriteFileAtomically(const fs::path& path, const std::string& bytes, mode_t mode) {
    const fs::path temp = path.string() + ".tmp";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    if (fd < 0) {
        throw std::runtime_error("cannot write " + temp.string() + ": " + std::strerror(errno));
    }
    bool ok = ::fchmod(fd, mode) == 0;
    for (std::size_t done = 0; ok && done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        ok = n > 0;
        done += ok ? static_cast<std::size_t>(n) : 0;
    }
    const int savedErrno = errno;
    ok = ::close(fd) == 0 && ok;
    if (!ok || ::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        throw std::runtime_error("cannot write " + path.string() + ": " +
                                 std::strerror(ok ? errno : savedErrno));
    }
}

std::string BioContents(BIO* bio) {
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio, &data);
    return std::string(data, static_cast<std::size_t>(size));
}

std::string CertPem(X509* cert) {
    BioPtr bio(BIO_new(BIO_s_mem()));
    if (!bio || PEM_write_bio_X509(bio.get(), cert) != 1) {
        Fail("cannot encode certificate");
    }
    return BioContents(bio.get());
}

std::string CertDer(X509* cert) {
    BioPtr bio(BIO_new(BIO_s_mem()));
    if (!bio || i2d_X509_bio(bio.get(), cert) != 1) {
        Fail("cannot encode certificate");
    }
    return BioContents(bio.get());
}

std::string KeyPem(EVP_PKEY* key) {
    BioPtr bio(BIO_new(BIO_s_mem()));
    if (!bio || PEM_write_bio_PrivateKey(bio.get(), key, nullptr, nullptr, 0, nullptr, nullptr) != 1) {
        Fail("cannot encode private key");
    }
    return BioContents(bio.get());
}

void WritePair(const KeyPair& pair, const fs::path& certFile, const fs::path& keyFile) {
    WriteFileAtomically(keyFile, KeyPem(pair.key.get()), kKeyMode);
    WriteFileAtomically(certFile, CertPem(pair.cert.get()), kCertMode);
}

std::optional<KeyPair> LoadPair(const fs::path& certFile, const fs::path& keyFile) {
    const std::optional<std::string> certText = ReadFile(certFile);
    const std::optional<std::string> keyText = ReadFile(keyFile);
    if (!certText || !keyText) {
        return std::nullopt;
    }
    BioPtr certBio(BIO_new_mem_buf(certText->data(), static_cast<int>(certText->size())));
    BioPtr keyBio(BIO_new_mem_buf(keyText->data(), static_cast<int>(keyText->size())));
    KeyPair pair{X509Ptr(PEM_read_bio_X509(certBio.get(), nullptr, nullptr, nullptr)),
                 PKeyPtr(PEM_read_bio_PrivateKey(keyBio.get(), nullptr, nullptr, nullptr))};
    const bool usable = pair.cert && pair.key &&
                        X509_check_private_key(pair.cert.get(), pair.key.get()) == 1 &&
                        X509_cmp_current_time(X509_get0_notBefore(pair.cert.get())) < 0 &&
                        X509_cmp_current_time(X509_get0_notAfter(pair.cert.get())) > 0;
    ERR_clear_error();
    return usable ? std::optional<KeyPair>(std::move(pair)) : std::nullopt;
}

PKeyPtr GenerateKey() {
    PKeyPtr key(EVP_RSA_gen(kRsaBits));
    if (!key) {
        Fail("cannot generate RSA key");
    }
    return key;
}

void SetRandomSerial(X509* cert) {
    unsigned char bytes[16];
    if (RAND_bytes(bytes, sizeof bytes) != 1) {
        Fail("cannot draw a serial number");
    }
    bytes[0] = static_cast<unsigned char>((bytes[0] & 0x7F) | 0x40);  // positive, full length
    BIGNUM* number = BN_bin2bn(bytes, sizeof bytes, nullptr);
    const bool ok = number != nullptr && BN_to_ASN1_INTEGER(number, X509_get_serialNumber(cert)) != nullptr;
    BN_free(number);
    if (!ok) {
        Fail("cannot set serial number");
    }
}

void AddExtension(X509* cert, X509* issuer, int nid, const char* value) {
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, issuer, cert, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value);
    if (extension == nullptr) {
        Fail(std::string("cannot build extension ") + OBJ_nid2sn(nid) + "=" + value);
    }
    const int added = X509_add_ext(cert, extension, -1);
    X509_EXTENSION_free(extension);
    if (added != 1) {
        Fail("cannot add extension");
    }
}

// Everything but extensions and signature; issuerName nullptr means self-issued.
X509Ptr NewCertificate(EVP_PKEY* key, const char* commonName, X509_NAME* issuerName) {
    X509Ptr cert(X509_new());
    if (!cert || X509_set_version(cert.get(), X509_VERSION_3) != 1) {
        Fail("cannot create certificate");
    }
    SetRandomSerial(cert.get());
    X509_NAME* subject = X509_get_subject_name(cert.get());
    if (X509_NAME_add_entry_by_txt(subject, "CN", MBSTRING_UTF8,
                                   reinterpret_cast<const unsigned char*>(commonName), -1, -1, 0) != 1 ||
        X509_set_issuer_name(cert.get(), issuerName != nullptr ? issuerName : subject) != 1 ||
        X509_gmtime_adj(X509_getm_notBefore(cert.get()), -kOneDaySeconds) == nullptr ||
        X509_time_adj_ex(X509_getm_notAfter(cert.get()), kValidityDays, 0, nullptr) == nullptr ||
        X509_set_pubkey(cert.get(), key) != 1) {
        Fail("cannot fill certificate");
    }
    return cert;
}

void Sign(X509* cert, EVP_PKEY* signer) {
    if (X509_sign(cert, signer, EVP_sha256()) <= 0) {
        Fail("cannot sign certificate");
    }
}

KeyPair CreateCa() {
    PKeyPtr key = GenerateKey();
    X509Ptr cert = NewCertificate(key.get(), "kalvento Test CA", nullptr);
    AddExtension(cert.get(), cert.get(), NID_basic_constraints, "critical,CA:TRUE");
    AddExtension(cert.get(), cert.get(), NID_key_usage, "critical,keyCertSign,cRLSign");
    AddExtension(cert.get(), cert.get(), NID_subject_key_identifier, "hash");
    Sign(cert.get(), key.get());
    return {std::move(cert), std::move(key)};
}

KeyPair CreateServerCert(const ServerCertProfile& profile, const KeyPair& ca) {
    PKeyPtr key = GenerateKey();
    X509Ptr cert = NewCertificate(key.get(), profile.commonName, X509_get_subject_name(ca.cert.get()));
    AddExtension(cert.get(), ca.cert.get(), NID_basic_constraints, "CA:FALSE");
    AddExtension(cert.get(), ca.cert.get(), NID_key_usage, "digitalSignature,keyEncipherment");
    AddExtension(cert.get(), ca.cert.get(), NID_ext_key_usage, "serverAuth");
    AddExtension(cert.get(), ca.cert.get(), NID_subject_alt_name, profile.subjectAltName);
    AddExtension(cert.get(), ca.cert.get(), NID_subject_key_identifier, "hash");
    AddExtension(cert.get(), ca.cert.get(), NID_authority_key_identifier, "keyid:always");
    Sign(cert.get(), ca.key.get());
    return {std::move(cert), std::move(key)};
}

bool IsUsableCa(const KeyPair& ca) {
    const bool usable = X509_check_ca(ca.cert.get()) >= 1 &&
                        X509_check_issued(ca.cert.get(), ca.cert.get()) == 0 &&
                        X509_verify(ca.cert.get(), ca.key.get()) == 1;
    ERR_clear_error();
    return usable;
}

bool IsUsableServerCert(const KeyPair& pair, const ServerCertProfile& profile, const KeyPair& ca) {
    const bool usable = X509_check_issued(ca.cert.get(), pair.cert.get()) == 0 &&
                        X509_verify(pair.cert.get(), ca.key.get()) == 1 &&
                        X509_check_host(pair.cert.get(), profile.commonName, 0, 0, nullptr) == 1 &&
                        (profile.ip == nullptr || X509_check_ip_asc(pair.cert.get(), profile.ip, 0) == 1);
    ERR_clear_error();
    return usable;
}

}  // namespace

CertificateFiles EnsureCertificates(const fs::path& dir) {
    std::error_code error;
    fs::create_directories(dir, error);
    if (error) {
        throw std::runtime_error("cannot create certificate directory " + dir.string() + ": " +
                                 error.message());
    }
    const CertificateFiles files{dir / "ca.pem",        dir / "ca.der",        dir / "localhost.pem",
                                 dir / "localhost.key", dir / "wronghost.pem", dir / "wronghost.key"};
    const fs::path caKey = dir / "ca.key";

    std::optional<KeyPair> ca = LoadPair(files.caPem, caKey);
    if (!ca || !IsUsableCa(*ca)) {
        ca = CreateCa();
        WritePair(*ca, files.caPem, caKey);
    }
    const std::string caDer = CertDer(ca->cert.get());
    if (ReadFile(files.caDer) != caDer) {
        WriteFileAtomically(files.caDer, caDer, kCertMode);
    }

    const ServerCertProfile profiles[] = {
        {"localhost", "DNS:localhost,IP:127.0.0.1", "127.0.0.1", files.localhostCert, files.localhostKey},
        {"wrong.example", "DNS:wrong.example", nullptr, files.wrongHostCert, files.wrongHostKey},
    };
    for (const ServerCertProfile& profile : profiles) {
        const std::optional<KeyPair> existing = LoadPair(profile.certFile, profile.keyFile);
        if (!existing || !IsUsableServerCert(*existing, profile, *ca)) {
            WritePair(CreateServerCert(profile, *ca), profile.certFile, profile.keyFile);
        }
    }
    return files;
}

}  // namespace exportserver
