#pragma once

#include "Platform/Foundation/Object.h"

#include <mutex>
#include <string>
#include <vector>

namespace foundation {
class Error;
}

namespace security {

class Certificate;
class Policy;
class PublicKey;

// The platform's trust results; a valid trust answers Unspecified (system anchors, no user
// setting) and every failed check RecoverableTrustFailure.
enum class TrustResult : int {
    Invalid = 0,
    Proceed = 1,
    Deny = 3,
    Unspecified = 4,
    RecoverableTrustFailure = 5,
    FatalTrustFailure = 6,
    OtherError = 7,
};

// A certificate chain to evaluate (SecTrust): the leaf first, then whatever intermediates the
// peer sent. It is checked against the system store (OpenSSL's default locations, so
// SSL_CERT_FILE and SSL_CERT_DIR are honoured) or, once anchors are set, against those anchors
// only, where any anchor may end the chain (a pinned intermediate or leaf is enough).
// Thread-safe: the members lock; evaluations of one trust run one at a time.
class Trust final : public foundation::Object {
public:
    static const foundation::Class* classObject(); // SecTrust
    const foundation::Class* isa() const override;

    // nil for an empty chain.
    static foundation::Ref<Trust> createWithCertificates(std::vector<foundation::Ref<Certificate>> chain,
                                                         foundation::Ref<Policy> policy);

    void setPolicies(foundation::Ref<Policy> policy);
    foundation::Ref<Policy> policy() const;
    void setAnchorCertificates(std::vector<foundation::Ref<Certificate>> anchors);
    // Evaluation time for tests of expiry; 0 (the default) is now.
    void setVerifyTime(long long unixSeconds);

    TrustResult evaluate();
    // true for a valid trust; otherwise the error says why (NSOSStatusErrorDomain, -67843 as the
    // platform's "certificate not trusted" status) with OpenSSL's reason as its description.
    bool evaluateWithError(foundation::Ref<foundation::Error>* error);

    std::size_t certificateCount() const { return chain_.size(); }
    foundation::Ref<Certificate> certificateAtIndex(std::size_t index) const;
    const std::vector<foundation::Ref<Certificate>>& certificates() const { return chain_; }
    foundation::Ref<PublicKey> copyPublicKey() const; // the leaf's key
    std::string lastFailureReason() const;

    Trust(std::vector<foundation::Ref<Certificate>> chain, foundation::Ref<Policy> policy);

private:
    const std::vector<foundation::Ref<Certificate>> chain_;
    mutable std::mutex mutex_;
    foundation::Ref<Policy> policy_;
    std::vector<foundation::Ref<Certificate>> anchors_;
    bool hasAnchors_ = false;
    long long verifyTime_ = 0;
    std::string failureReason_;
};

} // namespace security
