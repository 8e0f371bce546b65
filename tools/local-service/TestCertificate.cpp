#include "local-service/TestCertificate.h"

#include <cstdio>
#include <memory>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>
#include <sys/stat.h>

namespace localservice {

namespace fs = std::filesystem;

namespace {

struct KeyFree {
    void operator()(EVP_PKEY* k) const { EVP_PKEY_free(k); }
};
struct CertFree {
    void operator()(X509* c) const { X509_free(c); }
};
using Key = std::unique_ptr<EVP_PKEY, KeyFree>;
using Cert = std::unique_ptr<X509, CertFree>;

bool addExtension(X509* cert, X509* issuer, int nid, const char* value)
{
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
    X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value);
    if (!ext)
        return false;
    const bool ok = X509_add_ext(cert, ext, -1) == 1;
    X509_EXTENSION_free(ext);
    return ok;
}

Cert makeCertificate(EVP_PKEY* key, const char* commonName, X509* issuer, EVP_PKEY* issuerKey, long days)
{
    Cert cert(X509_new());
    X509_set_version(cert.get(), 2);
    unsigned char serial[16];
    RAND_bytes(serial, sizeof serial);
    serial[0] &= 0x7f;
    BIGNUM* bn = BN_bin2bn(serial, sizeof serial, nullptr);
    BN_to_ASN1_INTEGER(bn, X509_get_serialNumber(cert.get()));
    BN_free(bn);
    X509_gmtime_adj(X509_getm_notBefore(cert.get()), -3600);
    X509_gmtime_adj(X509_getm_notAfter(cert.get()), days * 86400);
    X509_set_pubkey(cert.get(), key);
    X509_NAME* name = X509_get_subject_name(cert.get());
    X509_NAME_add_entry_by_txt(name, "O", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("Corvane local service"), -1, -1, 0);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>(commonName), -1, -1, 0);
    X509* signer = issuer ? issuer : cert.get();
    X509_set_issuer_name(cert.get(), X509_get_subject_name(signer));
    bool ok = addExtension(cert.get(), signer, NID_subject_key_identifier, "hash");
    if (!issuer) {
        ok = ok && addExtension(cert.get(), signer, NID_basic_constraints, "critical,CA:TRUE") &&
             addExtension(cert.get(), signer, NID_key_usage, "critical,keyCertSign,cRLSign");
    } else {
        ok = ok && addExtension(cert.get(), signer, NID_authority_key_identifier, "keyid:always") &&
             addExtension(cert.get(), signer, NID_basic_constraints, "critical,CA:FALSE") &&
             addExtension(cert.get(), signer, NID_key_usage, "critical,digitalSignature,keyEncipherment") &&
             addExtension(cert.get(), signer, NID_ext_key_usage, "serverAuth") &&
             addExtension(cert.get(), signer, NID_subject_alt_name, "IP:127.0.0.1,DNS:localhost");
    }
    if (!ok || X509_sign(cert.get(), issuerKey, EVP_sha256()) == 0)
        return nullptr;
    return cert;
}

bool writePem(const fs::path& path, X509* cert, EVP_PKEY* key)
{
    const fs::path temporary = path.string() + ".tmp";
    FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file)
        return false;
    if (key)
        fchmod(fileno(file), 0600);
    const bool ok = cert ? PEM_write_X509(file, cert) == 1
                         : PEM_write_PrivateKey(file, key, nullptr, nullptr, 0, nullptr, nullptr) == 1;
    std::fclose(file);
    std::error_code ec;
    if (ok)
        fs::rename(temporary, path, ec);
    return ok && !ec;
}

bool stillValid(const TestCertificate::Paths& paths)
{
    for (const auto& p : {paths.caCertificate, paths.caKey, paths.serverCertificate, paths.serverKey})
        if (!fs::exists(p))
            return false;
    FILE* file = std::fopen(paths.serverCertificate.c_str(), "rb");
    if (!file)
        return false;
    Cert cert(PEM_read_X509(file, nullptr, nullptr, nullptr));
    std::fclose(file);
    // Renew a week before the end so a running test never meets the expiry.
    time_t weekAhead = time(nullptr) + 7 * 86400;
    return cert && X509_cmp_time(X509_get0_notAfter(cert.get()), &weekAhead) > 0;
}

} // namespace

TestCertificate::Paths TestCertificate::pathsIn(const fs::path& stateDir)
{
    const fs::path tls = stateDir / "tls";
    return {tls / "ca.pem", tls / "ca-key.pem", tls / "server.pem", tls / "server-key.pem"};
}

bool TestCertificate::ensure(const fs::path& stateDir, std::string* error)
{
    const Paths paths = pathsIn(stateDir);
    if (stillValid(paths))
        return true;
    std::error_code ec;
    fs::create_directories(paths.caCertificate.parent_path(), ec);
    Key caKey(EVP_EC_gen("P-256"));
    Key serverKey(EVP_EC_gen("P-256"));
    if (!caKey || !serverKey) {
        if (error)
            *error = "cannot generate the TLS keys";
        return false;
    }
    Cert ca = makeCertificate(caKey.get(), "Corvane Local Test CA", nullptr, caKey.get(), 3650);
    Cert server = ca ? makeCertificate(serverKey.get(), "127.0.0.1", ca.get(), caKey.get(), 825) : nullptr;
    if (!ca || !server || !writePem(paths.caKey, nullptr, caKey.get()) || !writePem(paths.caCertificate, ca.get(), nullptr) ||
        !writePem(paths.serverKey, nullptr, serverKey.get()) ||
        !writePem(paths.serverCertificate, server.get(), nullptr)) {
        if (error)
            *error = "cannot write the TLS files in " + paths.caCertificate.parent_path().string();
        return false;
    }
    return true;
}

} // namespace localservice
