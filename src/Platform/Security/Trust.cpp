#include "Platform/Security/Trust.h"

#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/Error.h"
#include "Platform/Foundation/String.h"
#include "Platform/Security/Certificate.h"
#include "Platform/Security/Policy.h"
#include "Platform/Security/PublicKey.h"
#include "Platform/Security/TrustStore.h"

#include <openssl/x509.h>
#include <openssl/x509_vfy.h>
#include <openssl/x509v3.h>

#include <arpa/inet.h>

#include <memory>

namespace security {

using foundation::Ref;

namespace {

// The platform's status for a chain that does not lead to a trusted anchor.
constexpr long long kCertificateNotTrusted = -67843;

struct StoreFree {
    void operator()(X509_STORE* store) const { X509_STORE_free(store); }
};
struct StoreCtxFree {
    void operator()(X509_STORE_CTX* ctx) const { X509_STORE_CTX_free(ctx); }
};
struct StackFree {
    void operator()(STACK_OF(X509) * stack) const { sk_X509_free(stack); }
};

bool isIPAddress(const std::string& host)
{
    unsigned char buffer[16];
    return inet_pton(AF_INET, host.c_str(), buffer) == 1 || inet_pton(AF_INET6, host.c_str(), buffer) == 1;
}

} // namespace

const foundation::Class* Trust::classObject()
{
    static const foundation::Class* cls = &foundation::Class::define("SecTrust", Object::classObject());
    return cls;
}

const foundation::Class* Trust::isa() const
{
    return classObject();
}

Trust::Trust(std::vector<Ref<Certificate>> chain, Ref<Policy> policy)
    : chain_(std::move(chain))
    , policy_(policy ? std::move(policy) : Policy::basicX509())
{
}

Ref<Trust> Trust::createWithCertificates(std::vector<Ref<Certificate>> chain, Ref<Policy> policy)
{
    std::erase(chain, nullptr);
    if (chain.empty())
        return nullptr;
    return std::make_shared<Trust>(std::move(chain), std::move(policy));
}

void Trust::setPolicies(Ref<Policy> policy)
{
    std::lock_guard lock(mutex_);
    policy_ = policy ? std::move(policy) : Policy::basicX509();
}

Ref<Policy> Trust::policy() const
{
    std::lock_guard lock(mutex_);
    return policy_;
}

void Trust::setAnchorCertificates(std::vector<Ref<Certificate>> anchors)
{
    std::lock_guard lock(mutex_);
    std::erase(anchors, nullptr);
    anchors_ = std::move(anchors);
    hasAnchors_ = true;
}

void Trust::setVerifyTime(long long unixSeconds)
{
    std::lock_guard lock(mutex_);
    verifyTime_ = unixSeconds;
}

Ref<Certificate> Trust::certificateAtIndex(std::size_t index) const
{
    return index < chain_.size() ? chain_[index] : nullptr;
}

Ref<PublicKey> Trust::copyPublicKey() const
{
    return chain_.front()->publicKey();
}

std::string Trust::lastFailureReason() const
{
    std::lock_guard lock(mutex_);
    return failureReason_;
}

TrustResult Trust::evaluate()
{
    std::lock_guard lock(mutex_);
    std::unique_ptr<X509_STORE, StoreFree> store;
    if (hasAnchors_) {
        store.reset(X509_STORE_new());
        if (store)
            for (const auto& anchor : anchors_)
                X509_STORE_add_cert(store.get(), anchor->x509());
    } else {
        store.reset(systemTrustStore());
    }
    std::unique_ptr<STACK_OF(X509), StackFree> untrusted(sk_X509_new_null());
    std::unique_ptr<X509_STORE_CTX, StoreCtxFree> ctx(X509_STORE_CTX_new());
    if (!store || !untrusted || !ctx) {
        failureReason_ = "out of memory";
        return TrustResult::OtherError;
    }
    for (std::size_t i = 1; i < chain_.size(); ++i)
        sk_X509_push(untrusted.get(), chain_[i]->x509());
    if (X509_STORE_CTX_init(ctx.get(), store.get(), chain_.front()->x509(), untrusted.get()) != 1) {
        failureReason_ = "cannot start the evaluation";
        return TrustResult::OtherError;
    }
    X509_VERIFY_PARAM* param = X509_STORE_CTX_get0_param(ctx.get());
    if (hasAnchors_)
        X509_VERIFY_PARAM_set_flags(param, X509_V_FLAG_PARTIAL_CHAIN);
    if (verifyTime_ != 0)
        X509_VERIFY_PARAM_set_time(param, static_cast<time_t>(verifyTime_));
    if (policy_->isSSL()) {
        X509_STORE_CTX_set_purpose(ctx.get(), policy_->isServer() ? X509_PURPOSE_SSL_SERVER : X509_PURPOSE_SSL_CLIENT);
        if (const auto& host = policy_->hostName(); host && !host->empty()) {
            if (isIPAddress(*host))
                X509_VERIFY_PARAM_set1_ip_asc(param, host->c_str());
            else
                X509_VERIFY_PARAM_set1_host(param, host->c_str(), host->size());
        }
    }
    if (X509_verify_cert(ctx.get()) == 1) {
        failureReason_.clear();
        return TrustResult::Unspecified;
    }
    failureReason_ = X509_verify_cert_error_string(X509_STORE_CTX_get_error(ctx.get()));
    return TrustResult::RecoverableTrustFailure;
}

bool Trust::evaluateWithError(Ref<foundation::Error>* error)
{
    TrustResult result = evaluate();
    if (result == TrustResult::Unspecified || result == TrustResult::Proceed)
        return true;
    if (error) {
        std::string reason = "“" + chain_.front()->subjectSummary() + "” certificate is not trusted: " + lastFailureReason();
        *error = foundation::Error::create(foundation::NSOSStatusErrorDomain, kCertificateNotTrusted, reason);
    }
    return false;
}

} // namespace security
