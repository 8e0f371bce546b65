#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/Error.h"
#include "Platform/Security/Certificate.h"
#include "Platform/Security/Policy.h"
#include "Platform/Security/PublicKey.h"
#include "Platform/Security/Trust.h"
#include "Support/TempHome.h"
#include "TestPKI.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

using foundation::Ref;
using security::Certificate;
using security::Policy;
using security::Trust;
using security::TrustResult;

namespace {

Ref<Certificate> certificate(const testpki::Identity& identity)
{
    return Certificate::createWithData(*foundation::Data::create(std::span<const std::uint8_t>(identity.certificateDER)));
}

class TrustTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        folder_ = new std::filesystem::path(testsupport::makeScratchDir("pki"));
        ca_ = new testpki::Authority(*folder_, "Corvane Test CA");
        setenv("SSL_CERT_FILE", ca_->identity().certificateFile.c_str(), 1);
    }
    static void TearDownTestSuite()
    {
        unsetenv("SSL_CERT_FILE");
        delete ca_;
        delete folder_;
    }

    static TrustResult evaluate(const testpki::Identity& leaf, Ref<Policy> policy)
    {
        return Trust::createWithCertificates({certificate(leaf)}, std::move(policy))->evaluate();
    }

    static std::filesystem::path* folder_;
    static testpki::Authority* ca_;
};

std::filesystem::path* TrustTest::folder_ = nullptr;
testpki::Authority* TrustTest::ca_ = nullptr;

} // namespace

TEST_F(TrustTest, ChainFromTheSystemStoreNamingTheHostIsValid)
{
    auto leaf = ca_->issue("valid");
    EXPECT_EQ(evaluate(leaf, Policy::SSL(true, "localhost")), TrustResult::Unspecified);
    EXPECT_EQ(evaluate(leaf, Policy::SSL(true, "127.0.0.1")), TrustResult::Unspecified);
    EXPECT_EQ(evaluate(leaf, Policy::basicX509()), TrustResult::Unspecified);
}

TEST_F(TrustTest, WrongHostFailsOnlyWhenTheHostIsChecked)
{
    auto leaf = ca_->issue("otherhost", {{"fonts.example"}, {}});
    auto trust = Trust::createWithCertificates({certificate(leaf)}, Policy::SSL(true, "localhost"));
    Ref<foundation::Error> error;
    EXPECT_FALSE(trust->evaluateWithError(&error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), -67843);
    EXPECT_NE(error->localizedDescription().find("hostname mismatch"), std::string::npos);
    trust->setPolicies(Policy::basicX509());
    EXPECT_EQ(trust->evaluate(), TrustResult::Unspecified);
    EXPECT_EQ(evaluate(leaf, Policy::SSL(true, "127.0.0.2")), TrustResult::RecoverableTrustFailure);
}

TEST_F(TrustTest, SelfSignedAndExpiredCertificatesFail)
{
    auto self = testpki::selfSigned(*folder_, "self");
    EXPECT_EQ(evaluate(self, Policy::SSL(true, "localhost")), TrustResult::RecoverableTrustFailure);
    auto expired = ca_->issue("expired", {{"localhost"}, {}, -10, -1});
    auto trust = Trust::createWithCertificates({certificate(expired)}, Policy::SSL(true, "localhost"));
    EXPECT_EQ(trust->evaluate(), TrustResult::RecoverableTrustFailure);
    EXPECT_EQ(trust->lastFailureReason(), "certificate has expired");
    trust->setVerifyTime(std::time(nullptr) - 5 * 86400L);
    EXPECT_EQ(trust->evaluate(), TrustResult::Unspecified);
}

TEST_F(TrustTest, AnchorsReplaceTheSystemStore)
{
    auto self = testpki::selfSigned(*folder_, "pinned");
    auto pinned = Trust::createWithCertificates({certificate(self)}, Policy::SSL(true, "localhost"));
    pinned->setAnchorCertificates({certificate(self)});
    EXPECT_EQ(pinned->evaluate(), TrustResult::Unspecified);

    auto leaf = ca_->issue("ca-signed");
    auto trust = Trust::createWithCertificates({certificate(leaf)}, Policy::SSL(true, "localhost"));
    trust->setAnchorCertificates({certificate(self)});
    EXPECT_EQ(trust->evaluate(), TrustResult::RecoverableTrustFailure);
    trust->setAnchorCertificates({certificate(leaf)});
    EXPECT_EQ(trust->evaluate(), TrustResult::Unspecified) << "a pinned leaf is an anchor of its own";
    trust->setAnchorCertificates({});
    EXPECT_EQ(trust->evaluate(), TrustResult::RecoverableTrustFailure);
}

TEST_F(TrustTest, IntermediatesSentByThePeerCompleteTheChain)
{
    auto leaf = ca_->issue("leaf");
    auto trust = Trust::createWithCertificates({certificate(leaf), certificate(ca_->identity())}, Policy::SSL(true, "localhost"));
    EXPECT_EQ(trust->certificateCount(), 2u);
    EXPECT_TRUE(trust->certificateAtIndex(1)->isEqual(*certificate(ca_->identity())));
    EXPECT_FALSE(trust->certificateAtIndex(2));
    EXPECT_EQ(trust->evaluate(), TrustResult::Unspecified);
}

TEST(Certificate, ParsesExactlyOneDERCertificate)
{
    auto self = testpki::selfSigned(testsupport::makeScratchDir("pki"), "Ünïcode Name");
    auto bytes = self.certificateDER;
    auto cert = Certificate::createWithData(*foundation::Data::create(std::span<const std::uint8_t>(bytes)));
    ASSERT_TRUE(cert);
    EXPECT_EQ(cert->data()->vector(), bytes);
    EXPECT_EQ(cert->subjectSummary(), "Ünïcode Name");
    bytes.push_back(0);
    EXPECT_FALSE(Certificate::createWithData(*foundation::Data::create(std::span<const std::uint8_t>(bytes))));
    EXPECT_FALSE(Certificate::createWithData(*foundation::Data::create(std::string_view("not a certificate"))));
    EXPECT_FALSE(Trust::createWithCertificates({}, Policy::basicX509()));
}

TEST(PublicKey, KeysCompareByTheirEncoding)
{
    auto folder = testsupport::makeScratchDir("pki");
    auto a = testpki::selfSigned(folder, "a");
    auto b = testpki::selfSigned(folder, "b");
    auto keyA = certificate(a)->publicKey();
    ASSERT_TRUE(keyA);
    EXPECT_TRUE(keyA->isEqual(*certificate(a)->publicKey()));
    EXPECT_EQ(keyA->hash(), certificate(a)->publicKey()->hash());
    EXPECT_FALSE(keyA->isEqual(*certificate(b)->publicKey()));
    EXPECT_EQ(keyA->externalRepresentation()->length(), 91u) << "P-256 SubjectPublicKeyInfo";
    auto trust = Trust::createWithCertificates({certificate(a)}, nullptr);
    EXPECT_TRUE(trust->copyPublicKey()->isEqual(*keyA));
}
