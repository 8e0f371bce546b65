#include "Lib/Networking/NKSecurityPolicy.h"

#include "Lib/Networking/NKNetworking.h"
#include "Platform/Foundation/Foundation.h"
#include "Platform/Security/Certificate.h"
#include "Platform/Security/Policy.h"
#include "Platform/Security/PublicKey.h"
#include "Platform/Security/Trust.h"
#include "Platform/Storage/KeyedArchiver.h"
#include "Platform/Storage/KeyedUnarchiver.h"
#include "Platform/Storage/Paths.h"

#include <algorithm>
#include <filesystem>
#include <mutex>

using foundation::Id;
using foundation::Ref;

namespace {

bool isValid(security::Trust& trust)
{
    const auto result = trust.evaluate();
    return result == security::TrustResult::Proceed || result == security::TrustResult::Unspecified;
}

// The evaluation "call" fails only when the trust cannot be examined at all; a failed check
// still yields the key.
bool evaluationRan(security::Trust& trust)
{
    const auto result = trust.evaluate();
    return result != security::TrustResult::OtherError && result != security::TrustResult::Invalid;
}

Ref<security::PublicKey> publicKeyOf(const Ref<security::Certificate>& certificate)
{
    auto trust = security::Trust::createWithCertificates({certificate}, security::Policy::basicX509());
    if (!trust || !evaluationRan(*trust))
        return nullptr;
    return trust->copyPublicKey();
}

} // namespace

const foundation::Class* NKSecurityPolicy::classObject()
{
    static const foundation::Class* cls = &foundation::Class::define("NKSecurityPolicy", Object::classObject(),
                                                          [] { return Ref<Object>(std::make_shared<NKSecurityPolicy>()); });
    return cls;
}

const foundation::Class* NKSecurityPolicy::isa() const
{
    return classObject();
}

std::string NKSSLPinningModeName(NKSSLPinningMode mode)
{
    switch (mode) {
    case NKSSLPinningMode::None:
        return "NKSSLPinningModeNone";
    case NKSSLPinningMode::PublicKey:
        return "NKSSLPinningModePublicKey";
    case NKSSLPinningMode::Certificate:
        return "NKSSLPinningModeCertificate";
    }
    return "Unknown Pinning Mode";
}

Ref<foundation::Set> NKSecurityPolicy::certificatesInBundle(const std::string& folder)
{
    std::vector<Id> certificates;
    std::error_code code;
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder, code))
        if (entry.path().extension() == ".cer")
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    for (const auto& file : files)
        if (auto data = foundation::Data::dataWithContentsOfFile(file))
            certificates.emplace_back(data);
    return foundation::Set::create(std::move(certificates));
}

Ref<foundation::Set> NKSecurityPolicy::defaultPinnedCertificates()
{
    static const Ref<foundation::Set> certificates = certificatesInBundle(foundation::Paths::resourceDirectory().string());
    return certificates;
}

Ref<NKSecurityPolicy> NKSecurityPolicy::defaultPolicy()
{
    return std::make_shared<NKSecurityPolicy>();
}

Ref<NKSecurityPolicy> NKSecurityPolicy::policyWithPinningMode(NKSSLPinningMode mode)
{
    return policyWithPinningMode(mode, defaultPinnedCertificates());
}

Ref<NKSecurityPolicy> NKSecurityPolicy::policyWithPinningMode(NKSSLPinningMode mode, const Ref<foundation::Set>& pinnedCertificates)
{
    auto policy = std::make_shared<NKSecurityPolicy>();
    policy->setSSLPinningMode(mode);
    policy->setPinnedCertificates(pinnedCertificates);
    return policy;
}

void NKSecurityPolicy::setPinnedCertificates(const Ref<foundation::Set>& certificates)
{
    pinnedCertificates_ = certificates;
    if (!certificates) {
        pinnedPublicKeys_ = nullptr;
        return;
    }
    std::vector<Id> keys;
    for (const auto& member : *certificates) {
        auto data = member.as<foundation::Data>();
        auto certificate = data ? security::Certificate::createWithData(*data) : nullptr;
        if (!certificate)
            continue;
        if (auto key = publicKeyOf(certificate))
            keys.emplace_back(key);
    }
    pinnedPublicKeys_ = foundation::Set::create(std::move(keys));
}

bool NKSecurityPolicy::evaluateServerTrust(const Ref<security::Trust>& serverTrust, const std::optional<std::string>& domain) const
{
    const bool nothingPinned = !pinnedCertificates_ || pinnedCertificates_->count() == 0;
    if (domain && allowInvalidCertificates_ && validatesDomainName_ && (mode_ == NKSSLPinningMode::None || nothingPinned)) {
        NKLog("In order to validate a domain name for self signed certificates, you MUST use pinning.");
        return false;
    }
    if (!serverTrust)
        return false;
    serverTrust->setPolicies(validatesDomainName_ ? security::Policy::SSL(true, domain) : security::Policy::basicX509());

    if (mode_ == NKSSLPinningMode::None)
        return allowInvalidCertificates_ || isValid(*serverTrust);
    if (!isValid(*serverTrust) && !allowInvalidCertificates_)
        return false;

    if (mode_ == NKSSLPinningMode::Certificate) {
        std::vector<Ref<security::Certificate>> anchors;
        if (pinnedCertificates_)
            for (const auto& member : *pinnedCertificates_)
                if (auto data = member.as<foundation::Data>())
                    if (auto certificate = security::Certificate::createWithData(*data))
                        anchors.push_back(certificate);
        serverTrust->setAnchorCertificates(anchors);
        if (!isValid(*serverTrust))
            return false;
        const auto& chain = serverTrust->certificates();
        for (auto it = chain.rbegin(); it != chain.rend(); ++it)
            if (pinnedCertificates_->containsObject(Id((*it)->data())))
                return true;
        return false;
    }
    if (mode_ == NKSSLPinningMode::PublicKey) {
        if (!pinnedPublicKeys_)
            return false;
        std::size_t matches = 0;
        for (const auto& certificate : serverTrust->certificates()) {
            auto key = publicKeyOf(certificate);
            if (!key)
                continue;
            for (const auto& pinned : *pinnedPublicKeys_)
                if (auto pinnedKey = pinned.as<security::PublicKey>(); pinnedKey && pinnedKey->isEqual(*key))
                    ++matches;
        }
        return matches > 0;
    }
    return false;
}

Ref<foundation::Object> NKSecurityPolicy::copy() const
{
    auto other = std::make_shared<NKSecurityPolicy>();
    other->mode_ = mode_;
    other->allowInvalidCertificates_ = allowInvalidCertificates_;
    other->validatesDomainName_ = validatesDomainName_;
    other->setPinnedCertificates(pinnedCertificates_ ? std::static_pointer_cast<foundation::Set>(pinnedCertificates_->copy()) : nullptr);
    return other;
}

void NKSecurityPolicy::encodeWithCoder(foundation::KeyedArchiver& coder) const
{
    coder.encodeObject(Id(static_cast<unsigned long>(mode_)), "SSLPinningMode");
    coder.encodeBool(allowInvalidCertificates_, "allowInvalidCertificates");
    coder.encodeBool(validatesDomainName_, "validatesDomainName");
    coder.encodeObject(Id(pinnedCertificates_), "pinnedCertificates");
}

void NKSecurityPolicy::initWithCoder(foundation::KeyedUnarchiver& coder)
{
    mode_ = static_cast<NKSSLPinningMode>(coder.decodeObjectForKey("SSLPinningMode").unsignedLongLongValue());
    allowInvalidCertificates_ = coder.decodeBoolForKey("allowInvalidCertificates");
    validatesDomainName_ = coder.decodeBoolForKey("validatesDomainName");
    setPinnedCertificates(coder.decodeObjectForKey("pinnedCertificates").as<foundation::Set>());
}
