#pragma once

#include "Platform/Foundation/Object.h"
#include "Platform/Storage/Coding.h"

#include <optional>
#include <string>

namespace foundation {
class Set;
}

namespace security {
class Trust;
}

enum class NKSSLPinningMode : unsigned long { None = 0, PublicKey = 1, Certificate = 2 };

// Decides whether a TLS server trust is accepted: chain and host name against the system store,
// optionally accepting invalid chains, optionally pinning certificates (which then become the
// only anchors) or public keys. Configure before use; evaluation may run on several threads.
class NKSecurityPolicy final : public foundation::Object, public foundation::Coding {
public:
    static const foundation::Class* classObject();
    const foundation::Class* isa() const override;

    // Every file ending in ".cer" directly inside `folder`; unreadable files are skipped.
    static foundation::Ref<foundation::Set> certificatesInBundle(const std::string& folder);
    // certificatesInBundle of the application's resource folder, read once per process.
    static foundation::Ref<foundation::Set> defaultPinnedCertificates();
    static foundation::Ref<NKSecurityPolicy> defaultPolicy();
    static foundation::Ref<NKSecurityPolicy> policyWithPinningMode(NKSSLPinningMode mode);
    static foundation::Ref<NKSecurityPolicy> policyWithPinningMode(NKSSLPinningMode mode, const foundation::Ref<foundation::Set>& pinnedCertificates);

    NKSecurityPolicy() = default;

    bool allowInvalidCertificates() const { return allowInvalidCertificates_; }
    void setAllowInvalidCertificates(bool value) { allowInvalidCertificates_ = value; }
    bool validatesDomainName() const { return validatesDomainName_; }
    void setValidatesDomainName(bool value) { validatesDomainName_ = value; }
    NKSSLPinningMode SSLPinningMode() const { return mode_; }
    void setSSLPinningMode(NKSSLPinningMode mode) { mode_ = mode; }
    const foundation::Ref<foundation::Set>& pinnedCertificates() const { return pinnedCertificates_; }
    // Stores the DER certificates and derives their public keys (nil for nil).
    void setPinnedCertificates(const foundation::Ref<foundation::Set>& certificates);
    const foundation::Ref<foundation::Set>& pinnedPublicKeys() const { return pinnedPublicKeys_; }

    // True when the trust is accepted for `domain`. Changes the trust's policy and, when pinning
    // certificates, its anchors.
    bool evaluateServerTrust(const foundation::Ref<security::Trust>& serverTrust, const std::optional<std::string>& domain) const;

    foundation::Ref<foundation::Object> copy() const override;
    static bool supportsSecureCoding() { return true; }
    void encodeWithCoder(foundation::KeyedArchiver& coder) const override;
    void initWithCoder(foundation::KeyedUnarchiver& coder) override;

private:
    bool allowInvalidCertificates_ = false;
    bool validatesDomainName_ = true;
    NKSSLPinningMode mode_ = NKSSLPinningMode::None;
    foundation::Ref<foundation::Set> pinnedCertificates_;
    foundation::Ref<foundation::Set> pinnedPublicKeys_;
};

// "NKSSLPinningModeNone", "NKSSLPinningModePublicKey", "NKSSLPinningModeCertificate" or
// "Unknown Pinning Mode".
std::string NKSSLPinningModeName(NKSSLPinningMode mode);
