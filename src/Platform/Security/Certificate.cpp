#include "Platform/Security/Certificate.h"

#include "Platform/Foundation/Data.h"
#include "Platform/Security/PublicKey.h"

#include <openssl/x509.h>

#include <functional>

namespace security {

using foundation::Ref;

const foundation::Class* Certificate::classObject()
{
    static const foundation::Class* cls = &foundation::Class::define("SecCertificate", Object::classObject());
    return cls;
}

const foundation::Class* Certificate::isa() const
{
    return classObject();
}

Certificate::Certificate(x509_st* owned)
    : x509_(owned)
{
}

Certificate::~Certificate()
{
    X509_free(x509_);
}

Ref<Certificate> Certificate::createWithData(const foundation::Data& der)
{
    const unsigned char* cursor = der.bytes();
    X509* x509 = d2i_X509(nullptr, &cursor, static_cast<long>(der.length()));
    if (!x509)
        return nullptr;
    if (cursor != der.bytes() + der.length()) {
        X509_free(x509);
        return nullptr;
    }
    return std::make_shared<Certificate>(x509);
}

Ref<Certificate> Certificate::adopt(x509_st* x509)
{
    return x509 ? std::make_shared<Certificate>(x509) : nullptr;
}

Ref<foundation::Data> Certificate::data() const
{
    unsigned char* bytes = nullptr;
    int length = i2d_X509(x509_, &bytes);
    if (length <= 0)
        return foundation::Data::create();
    auto data = foundation::Data::create(std::span<const std::uint8_t>(bytes, static_cast<std::size_t>(length)));
    OPENSSL_free(bytes);
    return data;
}

std::string Certificate::subjectSummary() const
{
    X509_NAME* subject = X509_get_subject_name(x509_);
    char buffer[256] = {};
    if (X509_NAME_get_text_by_NID(subject, NID_commonName, buffer, sizeof buffer) > 0)
        return buffer;
    char* line = X509_NAME_oneline(subject, nullptr, 0);
    std::string text = line ? line : "";
    OPENSSL_free(line);
    return text;
}

Ref<PublicKey> Certificate::publicKey() const
{
    EVP_PKEY* key = X509_get0_pubkey(x509_);
    if (!key)
        return nullptr;
    unsigned char* bytes = nullptr;
    int length = i2d_PUBKEY(key, &bytes);
    if (length <= 0)
        return nullptr;
    std::vector<std::uint8_t> spki(bytes, bytes + length);
    OPENSSL_free(bytes);
    return std::make_shared<PublicKey>(std::move(spki));
}

std::string Certificate::description() const
{
    return "<cert(" + std::to_string(reinterpret_cast<std::uintptr_t>(this)) + ") s: " + subjectSummary() + ">";
}

bool Certificate::isEqual(const foundation::Object& other) const
{
    auto* cert = dynamic_cast<const Certificate*>(&other);
    return cert && X509_cmp(x509_, cert->x509_) == 0;
}

std::size_t Certificate::hash() const
{
    return data()->hash();
}

} // namespace security
