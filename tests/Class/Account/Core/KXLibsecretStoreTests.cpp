// The keyring through libsecret. KXLibsecretStoreOnSecretService runs on a private session bus
// with a keyring daemon (with-secret-service.sh); KXLibsecretStoreWithoutService on a bus address
// that leads nowhere, as on a desktop without a Secret Service.
#include "Class/Account/Core/KXLibsecretStore.h"
#include "Class/Account/Core/KXRememberedAccount.h"

#include "Class/ServiceCore/UnitTools/KXFileManager.h"
#include "Platform/Dispatch/RunLoop.h"
#include "Platform/Foundation/Foundation.h"
#include "Support/TempHome.h"

#include "FakeSecretStore.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

namespace {

bool stored(KXSecretStore& store, const std::string& account, const std::string& password)
{
    std::optional<bool> ok;
    store.storePassword(account, password, [&](bool result) { ok = result; });
    dispatch::RunLoop::runUntil([&] { return ok.has_value(); }, 30);
    return ok.value_or(false);
}

std::optional<std::string> lookedUp(KXSecretStore& store, const std::string& account)
{
    bool done = false;
    std::optional<std::string> password;
    store.lookupPassword(account, [&](std::optional<std::string> found) {
        password = std::move(found);
        done = true;
    });
    EXPECT_TRUE(dispatch::RunLoop::runUntil([&] { return done; }, 30));
    return password;
}

bool cleared(KXSecretStore& store, const std::string& account)
{
    std::optional<bool> ok;
    store.clearPassword(account, [&](bool result) { ok = result; });
    dispatch::RunLoop::runUntil([&] { return ok.has_value(); }, 30);
    return ok.value_or(false);
}

class KXLibsecretStoreOnSecretService : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* marker = std::getenv("CORVANE_SECRET_SERVICE");
        ASSERT_TRUE(marker && std::string(marker) == "1") << "run through with-secret-service.sh";
    }
};

} // namespace

TEST_F(KXLibsecretStoreOnSecretService, StoresLooksUpReplacesAndClearsByAccount)
{
    KXLibsecretStore store;
    ASSERT_TRUE(stored(store, "13800000000", "first-secret")) << store.lastError();
    ASSERT_TRUE(stored(store, "demo", "demo-secret")) << store.lastError();
    EXPECT_EQ(lookedUp(store, "13800000000"), "first-secret");
    EXPECT_EQ(lookedUp(store, "demo"), "demo-secret") << "one item per account";
    EXPECT_EQ(lookedUp(store, "nobody"), std::nullopt);

    ASSERT_TRUE(stored(store, "demo", "新的密码 with spaces"));
    EXPECT_EQ(lookedUp(store, "demo"), "新的密码 with spaces") << "storing again replaces";

    EXPECT_TRUE(cleared(store, "demo"));
    EXPECT_EQ(lookedUp(store, "demo"), std::nullopt);
    EXPECT_EQ(lookedUp(store, "13800000000"), "first-secret");
    EXPECT_TRUE(cleared(store, "demo")) << "clearing nothing is no failure";
    EXPECT_TRUE(cleared(store, "13800000000"));
}

TEST_F(KXLibsecretStoreOnSecretService, TheRememberedAccountRoundTripsThroughTheKeyringAlone)
{
    KXFileManager::sharedKXFileManager().removeFileByPathkey(foundation::String::create("accountInfo"));
    auto store = std::make_shared<KXLibsecretStore>();
    KXRememberedAccount remembered(store);
    std::optional<bool> kept;
    remembered.remember("keyring-user", "kr-pa55word", [&](bool ok) { kept = ok; });
    ASSERT_TRUE(dispatch::RunLoop::runUntil([&] { return kept.has_value(); }, 30));
    EXPECT_TRUE(*kept) << store->lastError();

    KXRememberedAccount later(store);
    std::optional<std::string> password;
    bool loaded = false;
    later.load([&](const std::string& account, const std::optional<std::string>& found) {
        EXPECT_EQ(account, "keyring-user");
        password = found;
        loaded = true;
    });
    ASSERT_TRUE(dispatch::RunLoop::runUntil([&] { return loaded; }, 30));
    EXPECT_EQ(password, "kr-pa55word");
    EXPECT_FALSE(accounttest::anyFileContains(testsupport::TempHome::instance().root(), "kr-pa55word"));

    later.forget();
    EXPECT_TRUE(dispatch::RunLoop::runUntil([&] { return !lookedUp(*store, "keyring-user").has_value(); }, 30));
}

TEST(KXLibsecretStoreWithoutService, NothingIsKeptAndNothingHangs)
{
    KXLibsecretStore store;
    EXPECT_FALSE(stored(store, "demo", "demo1234"));
    EXPECT_FALSE(store.lastError().empty());
    EXPECT_EQ(lookedUp(store, "demo"), std::nullopt);

    KXFileManager::sharedKXFileManager().removeFileByPathkey(foundation::String::create("accountInfo"));
    KXRememberedAccount remembered(std::make_shared<KXLibsecretStore>());
    std::optional<bool> kept;
    remembered.remember("demo", "demo1234", [&](bool ok) { kept = ok; });
    ASSERT_TRUE(dispatch::RunLoop::runUntil([&] { return kept.has_value(); }, 30));
    EXPECT_FALSE(*kept);
    EXPECT_EQ(KXRememberedAccount::storedAccount(), "demo") << "the account name is still remembered";
    EXPECT_FALSE(accounttest::anyFileContains(testsupport::TempHome::instance().root(), "demo1234"));
}
