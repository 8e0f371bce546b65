#pragma once

#include "Platform/Foundation/Object.h"

#include <string>

struct x509_st;

namespace foundation {
class Data;
}

namespace security {

class PublicKey;

// One X.509 certificate (SecCertificate), parsed from its DER bytes. Immutable and thread-safe.
class Certificate final : public foundation::Object {
public:
    static const foundation::Class* classObject(); // SecCertificate
    const foundation::Class* isa() const override;

    // nil when the bytes are not exactly one DER certificate.
    static foundation::Ref<Certificate> createWithData(const foundation::Data& der);
    // Takes one reference of `x509`; for the TLS hook, which receives OpenSSL's own objects.
    static foundation::Ref<Certificate> adopt(x509_st* x509);

    foundation::Ref<foundation::Data> data() const; // the DER bytes
    std::string subjectSummary() const;             // the common name, else the whole subject
    foundation::Ref<PublicKey> publicKey() const;   // nil for a key OpenSSL cannot read
    x509_st* x509() const { return x509_; }

    std::string description() const override;
    bool isEqual(const foundation::Object& other) const override;
    std::size_t hash() const override;

    explicit Certificate(x509_st* owned);
    ~Certificate() override;
    Certificate(const Certificate&) = delete;
    Certificate& operator=(const Certificate&) = delete;

private:
    x509_st* x509_;
};

} // namespace security
