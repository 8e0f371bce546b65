#include "Class/Account/Core/KXRememberedAccount.h"

#include "Class/ServiceCore/UnitTools/KXFileManager.h"
#include "Platform/Dispatch/Queue.h"
#include "Platform/Dispatch/RunLoop.h"
#include "Platform/Foundation/Foundation.h"
#include "Support/TempHome.h"

#include "FakeSecretStore.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

using foundation::Id;

namespace {

Id archive()
{
    return KXFileManager::sharedKXFileManager().returnDecryptDataByPathKey(foundation::String::create("accountInfo"));
}

struct Loaded {
    bool done = false;
    std::string account;
    std::optional<std::string> password;
};

Loaded load(KXRememberedAccount& remembered)
{
    Loaded result;
    remembered.load([&](const std::string& account, const std::optional<std::string>& password) {
        result = {true, account, password};
    });
    dispatch::RunLoop::runUntil([&] { return result.done; }, 5);
    return result;
}

class KXRememberedAccountTest : public ::testing::Test {
protected:
    void SetUp() override { KXFileManager::sharedKXFileManager().removeFileByPathkey(foundation::String::create("accountInfo")); }

    std::shared_ptr<accounttest::FakeSecretStore> store_ = std::make_shared<accounttest::FakeSecretStore>();
};

} // namespace

TEST_F(KXRememberedAccountTest, TheFileKeepsTheAccountAndTheKeyringThePassword)
{
    KXRememberedAccount remembered(store_);
    bool kept = false;
    remembered.remember("13800000000", "pa55-w0rd", [&](bool ok) { kept = ok; });
    const Id written = archive();
    ASSERT_TRUE(written.dictionary()) << "written before remember() returns";
    EXPECT_EQ(written.count(), 1u);
    EXPECT_EQ(written["account"].stringValue(), "13800000000");
    ASSERT_TRUE(dispatch::RunLoop::runUntil([&] { return kept; }, 5));
    EXPECT_EQ(store_->passwordFor("13800000000"), "pa55-w0rd");

    const Loaded loaded = load(remembered);
    EXPECT_EQ(loaded.account, "13800000000");
    EXPECT_EQ(loaded.password, "pa55-w0rd");
    EXPECT_FALSE(accounttest::anyFileContains(testsupport::TempHome::instance().root(), "pa55-w0rd"));
}

TEST_F(KXRememberedAccountTest, AnotherAccountTakesTheFormerPasswordOut)
{
    KXRememberedAccount remembered(store_);
    remembered.remember("first", "one-secret");
    remembered.remember("second", "two-secret");
    dispatch::RunLoop::runUntil([&] { return store_->passwordFor("second").has_value(); }, 5);
    EXPECT_FALSE(store_->passwordFor("first"));
    EXPECT_EQ(archive()["account"].stringValue(), "second");
}

TEST_F(KXRememberedAccountTest, ForgettingDeletesTheFileAndThePassword)
{
    KXRememberedAccount remembered(store_);
    remembered.remember("demo", "demo1234");
    dispatch::RunLoop::runUntil([&] { return store_->passwordFor("demo").has_value(); }, 5);
    remembered.forget();
    EXPECT_TRUE(archive().isNil());
    ASSERT_TRUE(dispatch::RunLoop::runUntil([&] { return !store_->passwordFor("demo"); }, 5));
    bool called = false;
    remembered.load([&](const std::string&, const std::optional<std::string>&) { called = true; });
    dispatch::RunLoop::drain();
    EXPECT_FALSE(called) << "nothing is remembered";
}

TEST_F(KXRememberedAccountTest, WithoutAKeyringOnlyTheAccountIsRemembered)
{
    store_->setAvailable(false);
    KXRememberedAccount remembered(store_);
    std::optional<bool> kept;
    remembered.remember("demo", "demo1234", [&](bool ok) { kept = ok; });
    ASSERT_TRUE(dispatch::RunLoop::runUntil([&] { return kept.has_value(); }, 5));
    EXPECT_FALSE(*kept);
    const Loaded loaded = load(remembered);
    EXPECT_EQ(loaded.account, "demo");
    EXPECT_FALSE(loaded.password);
    EXPECT_FALSE(accounttest::anyFileContains(testsupport::TempHome::instance().root(), "demo1234"));
}

TEST_F(KXRememberedAccountTest, AFormerClearTextPasswordMovesToTheKeyringOrIsDropped)
{
    for (bool keyring : {true, false}) {
        store_->setAvailable(keyring);
        // What a former version wrote.
        KXFileManager::sharedKXFileManager().writeEncryptDataWithDictionary(
            Id(foundation::Dictionary::create({{Id("account"), Id("legacy")}, {Id("pwd"), Id("clear-text-secret")}})),
            foundation::String::create("accountInfo"));
        ASSERT_TRUE(accounttest::anyFileContains(testsupport::TempHome::instance().root(), "clear-text-secret"));

        KXRememberedAccount remembered(store_);
        const Loaded loaded = load(remembered);
        EXPECT_EQ(loaded.account, "legacy");
        EXPECT_EQ(archive().count(), 1u) << "rewritten with the account only";
        EXPECT_FALSE(accounttest::anyFileContains(testsupport::TempHome::instance().root(), "clear-text-secret"));
        if (keyring) {
            EXPECT_EQ(loaded.password, "clear-text-secret");
            EXPECT_EQ(store_->passwordFor("legacy"), "clear-text-secret");
        } else {
            EXPECT_FALSE(loaded.password);
        }
    }
}
