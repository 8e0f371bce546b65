#include "Lib/Networking/NKNetworking.h"
#include "Lib/Networking/NKSecurityPolicy.h"

#include "Platform/Foundation/Foundation.h"
#include "Platform/Security/Certificate.h"
#include "Platform/Security/Policy.h"
#include "Platform/Security/Trust.h"
#include "Support/TempHome.h"
#include "TestPKI.h"

#include "Platform/Storage/KeyedArchiver.h"
#include "Platform/Storage/KeyedUnarchiver.h"

#include <gtest/gtest.h>

#include <cstdlib>

using foundation::Data;
using foundation::Id;
using foundation::Ref;

namespace {

Ref<Data> der(const testpki::Identity& identity)
{
    return Data::create(std::span<const std::uint8_t>(identity.certificateDER.data(), identity.certificateDER.size()));
}

Ref<security::Trust> trustFor(std::initializer_list<const testpki::Identity*> chain)
{
    std::vector<Ref<security::Certificate>> certificates;
    for (const auto* identity : chain)
        certificates.push_back(security::Certificate::createWithData(*der(*identity)));
    return security::Trust::createWithCertificates(certificates, security::Policy::basicX509());
}

Ref<foundation::Set> pins(std::initializer_list<const testpki::Identity*> identities)
{
    std::vector<Id> members;
    for (const auto* identity : identities)
        members.emplace_back(der(*identity));
    return foundation::Set::create(std::move(members));
}

// A CA the process trusts (through SSL_CERT_FILE), a valid leaf, an expired one, a self-signed
// one, and an unrelated CA's leaf.
class NKSecurityPolicyTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        const auto folder = testsupport::makeScratchDir("policy-pki");
        ca_ = new testpki::Authority(folder, "Corvane Policy Root");
        setenv("SSL_CERT_FILE", ca_->identity().certificateFile.c_str(), 1);
        valid_ = new testpki::Identity(ca_->issue("valid"));
        testpki::LeafOptions expired;
        expired.notBeforeOffsetDays = -30;
        expired.notAfterOffsetDays = -1;
        expired_ = new testpki::Identity(ca_->issue("expired", expired));
        selfSigned_ = new testpki::Identity(testpki::selfSigned(folder, "self"));
        other_ = new testpki::Authority(folder / "other", "Unrelated Root");
        unrelated_ = new testpki::Identity(other_->issue("unrelated"));
    }
    static void TearDownTestSuite()
    {
        unsetenv("SSL_CERT_FILE");
        delete unrelated_;
        delete other_;
        delete selfSigned_;
        delete expired_;
        delete valid_;
        delete ca_;
    }

    static testpki::Authority* ca_;
    static testpki::Authority* other_;
    static testpki::Identity* valid_;
    static testpki::Identity* expired_;
    static testpki::Identity* selfSigned_;
    static testpki::Identity* unrelated_;
};

testpki::Authority* NKSecurityPolicyTest::ca_ = nullptr;
testpki::Authority* NKSecurityPolicyTest::other_ = nullptr;
testpki::Identity* NKSecurityPolicyTest::valid_ = nullptr;
testpki::Identity* NKSecurityPolicyTest::expired_ = nullptr;
testpki::Identity* NKSecurityPolicyTest::selfSigned_ = nullptr;
testpki::Identity* NKSecurityPolicyTest::unrelated_ = nullptr;

} // namespace

TEST_F(NKSecurityPolicyTest, DefaultPolicyFollowsTheSystemEvaluation)
{
    auto policy = NKSecurityPolicy::defaultPolicy();
    EXPECT_TRUE(policy->validatesDomainName());
    EXPECT_FALSE(policy->allowInvalidCertificates());
    EXPECT_TRUE(policy->evaluateServerTrust(trustFor({valid_}), "localhost"));
    EXPECT_TRUE(policy->evaluateServerTrust(trustFor({valid_}), "127.0.0.1"));
    EXPECT_FALSE(policy->evaluateServerTrust(trustFor({valid_}), "fonts.example.test"));
    EXPECT_FALSE(policy->evaluateServerTrust(trustFor({expired_}), "localhost"));
    EXPECT_FALSE(policy->evaluateServerTrust(trustFor({selfSigned_}), "localhost"));
    EXPECT_FALSE(policy->evaluateServerTrust(trustFor({unrelated_}), "localhost"));
}

TEST_F(NKSecurityPolicyTest, InvalidCertificatesWithDomainButNoPinningAreRefusedWithALogLine)
{
    std::vector<std::string> lines;
    auto previous = NKSetLogHandler([&](const std::string& line) { lines.push_back(line); });
    auto policy = NKSecurityPolicy::defaultPolicy();
    policy->setAllowInvalidCertificates(true);
    EXPECT_FALSE(policy->evaluateServerTrust(trustFor({selfSigned_}), "localhost"));
    EXPECT_FALSE(policy->evaluateServerTrust(trustFor({valid_}), "localhost"));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "In order to validate a domain name for self signed certificates, you MUST use pinning.");

    policy->setValidatesDomainName(false);
    EXPECT_TRUE(policy->evaluateServerTrust(trustFor({selfSigned_}), "localhost"));
    EXPECT_TRUE(policy->evaluateServerTrust(trustFor({expired_}), "anything"));
    EXPECT_EQ(lines.size(), 2u);
    NKSetLogHandler(previous);
}

TEST_F(NKSecurityPolicyTest, CertificatePinning)
{
    auto pinnedSelf = NKSecurityPolicy::policyWithPinningMode(NKSSLPinningMode::Certificate, pins({selfSigned_}));
    EXPECT_FALSE(pinnedSelf->evaluateServerTrust(trustFor({selfSigned_}), "localhost")); // refused before the anchors are set
    pinnedSelf->setAllowInvalidCertificates(true);
    EXPECT_TRUE(pinnedSelf->evaluateServerTrust(trustFor({selfSigned_}), "localhost"));
    EXPECT_FALSE(pinnedSelf->evaluateServerTrust(trustFor({selfSigned_}), "elsewhere.test"));

    auto pinnedCA = NKSecurityPolicy::policyWithPinningMode(NKSSLPinningMode::Certificate, pins({&ca_->identity()}));
    // The chain walked is the one the server presented, so the pinned root must be among it.
    EXPECT_TRUE(pinnedCA->evaluateServerTrust(trustFor({valid_, &ca_->identity()}), "localhost"));

    auto pinnedOther = NKSecurityPolicy::policyWithPinningMode(NKSSLPinningMode::Certificate, pins({unrelated_}));
    EXPECT_FALSE(pinnedOther->evaluateServerTrust(trustFor({valid_}), "localhost"));
}

TEST_F(NKSecurityPolicyTest, PublicKeyPinning)
{
    auto policy = NKSecurityPolicy::policyWithPinningMode(NKSSLPinningMode::PublicKey, pins({selfSigned_}));
    ASSERT_EQ(policy->pinnedPublicKeys()->count(), 1u);
    EXPECT_FALSE(policy->evaluateServerTrust(trustFor({selfSigned_}), "localhost"));
    policy->setAllowInvalidCertificates(true);
    EXPECT_TRUE(policy->evaluateServerTrust(trustFor({selfSigned_}), "localhost"));
    EXPECT_FALSE(policy->evaluateServerTrust(trustFor({unrelated_}), "localhost"));

    auto byLeaf = NKSecurityPolicy::policyWithPinningMode(NKSSLPinningMode::PublicKey, pins({valid_}));
    EXPECT_TRUE(byLeaf->evaluateServerTrust(trustFor({valid_}), "localhost"));
}

TEST_F(NKSecurityPolicyTest, DataThatIsNotACertificatePinsNothing)
{
    auto junk = foundation::Set::create({Id(Data::create("not a certificate"))});
    for (const auto mode : {NKSSLPinningMode::Certificate, NKSSLPinningMode::PublicKey}) {
        auto policy = NKSecurityPolicy::policyWithPinningMode(mode, junk);
        policy->setAllowInvalidCertificates(true);
        EXPECT_EQ(policy->pinnedPublicKeys()->count(), 0u);
        EXPECT_FALSE(policy->evaluateServerTrust(trustFor({valid_}), "localhost"));
    }
    auto none = NKSecurityPolicy::policyWithPinningMode(NKSSLPinningMode::Certificate, nullptr);
    EXPECT_FALSE(none->pinnedPublicKeys());
}

TEST_F(NKSecurityPolicyTest, CertificatesInAFolderAndCopies)
{
    const auto folder = testsupport::makeScratchDir("cer-bundle");
    ASSERT_TRUE(der(*valid_)->writeToFile(folder / "server.cer", true));
    ASSERT_TRUE(Data::create("ignored")->writeToFile(folder / "readme.txt", true));
    auto certificates = NKSecurityPolicy::certificatesInBundle(folder.string());
    ASSERT_EQ(certificates->count(), 1u);
    EXPECT_TRUE(certificates->containsObject(Id(der(*valid_))));

    auto policy = NKSecurityPolicy::policyWithPinningMode(NKSSLPinningMode::PublicKey, certificates);
    policy->setValidatesDomainName(false);
    auto copy = std::static_pointer_cast<NKSecurityPolicy>(policy->copy());
    EXPECT_EQ(copy->SSLPinningMode(), NKSSLPinningMode::PublicKey);
    EXPECT_FALSE(copy->validatesDomainName());
    EXPECT_EQ(copy->pinnedPublicKeys()->count(), 1u);
}

TEST_F(NKSecurityPolicyTest, ArchiveKeepsModeFlagsAndPins)
{
    auto policy = NKSecurityPolicy::policyWithPinningMode(NKSSLPinningMode::Certificate, pins({selfSigned_}));
    policy->setAllowInvalidCertificates(true);
    auto data = foundation::KeyedArchiver::archivedDataWithRootObject(Id(policy));
    ASSERT_TRUE(data);
    auto decoded = foundation::KeyedUnarchiver::unarchiveObjectWithData(*data).as<NKSecurityPolicy>();
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->SSLPinningMode(), NKSSLPinningMode::Certificate);
    EXPECT_TRUE(decoded->allowInvalidCertificates());
    EXPECT_TRUE(decoded->validatesDomainName());
    EXPECT_EQ(decoded->pinnedPublicKeys()->count(), 1u);
    EXPECT_TRUE(decoded->evaluateServerTrust(trustFor({selfSigned_}), "localhost"));
}
