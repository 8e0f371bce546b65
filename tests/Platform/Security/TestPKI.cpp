#include "TestPKI.h"

#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <fstream>
#include <stdexcept>

namespace testpki {

namespace {

EVP_PKEY* newKey()
{
    EVP_PKEY* key = EVP_EC_gen("P-256");
    if (!key)
        throw std::runtime_error("key generation failed");
    return key;
}

void addExtension(X509* cert, X509* issuer, int nid, const std::string& value)
{
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
    X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value.c_str());
    if (!ext)
        throw std::runtime_error("bad extension " + value);
    X509_add_ext(cert, ext, -1);
    X509_EXTENSION_free(ext);
}

X509* makeCertificate(EVP_PKEY* key, const std::string& name, X509* issuer, EVP_PKEY* issuerKey, bool isCA,
                      const LeafOptions& options)
{
    static long serial = 1000;
    X509* cert = X509_new();
    X509_set_version(cert, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert), ++serial);
    X509_gmtime_adj(X509_getm_notBefore(cert), options.notBeforeOffsetDays * 86400L);
    X509_gmtime_adj(X509_getm_notAfter(cert), options.notAfterOffsetDays * 86400L);
    X509_set_pubkey(cert, key);
    X509_NAME* subject = X509_get_subject_name(cert);
    X509_NAME_add_entry_by_txt(subject, "CN", MBSTRING_UTF8, reinterpret_cast<const unsigned char*>(name.c_str()), -1, -1, 0);
    X509_set_issuer_name(cert, issuer ? X509_get_subject_name(issuer) : subject);
    X509* signer = issuer ? issuer : cert;
    if (isCA) {
        addExtension(cert, signer, NID_basic_constraints, "critical,CA:TRUE");
        addExtension(cert, signer, NID_key_usage, "critical,keyCertSign,cRLSign");
    } else {
        addExtension(cert, signer, NID_basic_constraints, "critical,CA:FALSE");
        addExtension(cert, signer, NID_ext_key_usage, "serverAuth");
        std::string san;
        for (const auto& dns : options.dnsNames)
            san += (san.empty() ? "" : ",") + std::string("DNS:") + dns;
        for (const auto& ip : options.ipAddresses)
            san += (san.empty() ? "" : ",") + std::string("IP:") + ip;
        if (!san.empty())
            addExtension(cert, signer, NID_subject_alt_name, san);
    }
    addExtension(cert, signer, NID_subject_key_identifier, "hash");
    X509_sign(cert, issuerKey ? issuerKey : key, EVP_sha256());
    return cert;
}

std::string certificatePEM(X509* cert)
{
    BIO* bio = BIO_new(BIO_s_mem());
    PEM_write_bio_X509(bio, cert);
    char* data = nullptr;
    long length = BIO_get_mem_data(bio, &data);
    std::string text(data, static_cast<std::size_t>(length));
    BIO_free(bio);
    return text;
}

std::string keyPEM(EVP_PKEY* key)
{
    BIO* bio = BIO_new(BIO_s_mem());
    PEM_write_bio_PrivateKey(bio, key, nullptr, nullptr, 0, nullptr, nullptr);
    char* data = nullptr;
    long length = BIO_get_mem_data(bio, &data);
    std::string text(data, static_cast<std::size_t>(length));
    BIO_free(bio);
    return text;
}

Identity describe(X509* cert, EVP_PKEY* key, const std::filesystem::path& folder, const std::string& name)
{
    Identity identity;
    identity.certificatePEM = certificatePEM(cert);
    identity.keyPEM = keyPEM(key);
    identity.certificateDER = derFromPEM(identity.certificatePEM);
    identity.certificateFile = folder / (name + ".crt");
    identity.keyFile = folder / (name + ".key");
    std::ofstream(identity.certificateFile) << identity.certificatePEM;
    std::ofstream(identity.keyFile) << identity.keyPEM;
    return identity;
}

} // namespace

struct Authority::Impl {
    EVP_PKEY* key = nullptr;
    X509* cert = nullptr;
};

Authority::Authority(const std::filesystem::path& folder, const std::string& name)
    : impl_(std::make_unique<Impl>())
    , folder_(folder)
{
    impl_->key = newKey();
    impl_->cert = makeCertificate(impl_->key, name, nullptr, nullptr, true, LeafOptions{{}, {}, -30, 365});
    identity_ = describe(impl_->cert, impl_->key, folder, name);
}

Authority::~Authority()
{
    X509_free(impl_->cert);
    EVP_PKEY_free(impl_->key);
}

Identity Authority::issue(const std::string& name, const LeafOptions& options) const
{
    EVP_PKEY* key = newKey();
    X509* cert = makeCertificate(key, name, impl_->cert, impl_->key, false, options);
    Identity identity = describe(cert, key, folder_, name);
    X509_free(cert);
    EVP_PKEY_free(key);
    return identity;
}

Identity selfSigned(const std::filesystem::path& folder, const std::string& name, const LeafOptions& options)
{
    EVP_PKEY* key = newKey();
    X509* cert = makeCertificate(key, name, nullptr, nullptr, false, options);
    Identity identity = describe(cert, key, folder, name);
    X509_free(cert);
    EVP_PKEY_free(key);
    return identity;
}

std::vector<unsigned char> derFromPEM(const std::string& pem)
{
    BIO* bio = BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size()));
    X509* cert = PEM_read_bio_X509(bio, nullptr, nullptr, nullptr);
    BIO_free(bio);
    if (!cert)
        return {};
    unsigned char* bytes = nullptr;
    int length = i2d_X509(cert, &bytes);
    std::vector<unsigned char> der(bytes, bytes + length);
    OPENSSL_free(bytes);
    X509_free(cert);
    return der;
}

} // namespace testpki
