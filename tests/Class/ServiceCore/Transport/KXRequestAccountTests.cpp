// Replies across an account switch: a request keeps the account it was asked for, and its reply
// reaches the caller, the sign-out notice and the toasts only while that account is signed in.
#include "TransportTestSupport.h"

#include "Class/ServiceCore/Transport/KXRequestAccount.h"

using foundation::Id;
using transporttest::Outcome;
using transporttest::TransportTest;

namespace {

// An outcome filled by callbacks that stay valid after the test's call returns.
struct Pending {
    std::shared_ptr<Outcome> outcome = std::make_shared<Outcome>();
    KXHTTPBUSINESS::Success success()
    {
        return [outcome = outcome](const Id& reply) {
            outcome->done = true;
            outcome->reply = reply;
        };
    }
    KXHTTPBUSINESS::Failure failure()
    {
        return [outcome = outcome](const foundation::Ref<foundation::Error>& error) {
            outcome->done = true;
            outcome->error = error;
        };
    }
};

class KXRequestAccountTest : public TransportTest {
protected:
    void TearDown() override
    {
        EXPECT_TRUE(waitForQuietTraffic());
        TransportTest::TearDown();
    }

    // Signs in as the sign-in gate does: the token is stored and the account changes.
    static std::string signIn(const char* name, const char* password)
    {
        const auto outcome = run([name, password](auto success, auto failure) {
            KXHTTPBUSINESS().LoginWithName(Id(name), Id(password), std::move(success), std::move(failure));
        });
        const std::string token = outcome.reply["corvane_data"]["token"].stringValue();
        EXPECT_FALSE(token.empty());
        setDefault("token", Id(token));
        KXRequestAccount::changed();
        return token;
    }
};

} // namespace

TEST(KXRequestAccountMark, MovesOnWithEveryTokenChangeEvenToTheSameToken)
{
    auto& defaults = foundation::UserDefaults::standardUserDefaults();
    defaults.setObject(Id("token-a"), "token");
    const auto asked = KXRequestAccount::current();
    EXPECT_TRUE(asked.signedIn());
    EXPECT_TRUE(KXRequestAccount::isCurrent(asked));

    // Signed out and in again, and handed the same token: still a later sign-in.
    defaults.removeObjectForKey("token");
    KXRequestAccount::changed();
    defaults.setObject(Id("token-a"), "token");
    KXRequestAccount::changed();
    EXPECT_FALSE(KXRequestAccount::isCurrent(asked));

    // A token written anywhere else also leaves the marks taken before it behind.
    const auto again = KXRequestAccount::current();
    defaults.setObject(Id("token-b"), "token");
    EXPECT_FALSE(KXRequestAccount::isCurrent(again));
    defaults.removeObjectForKey("token");
    EXPECT_FALSE(KXRequestAccount::current().signedIn());
}

TEST_F(KXRequestAccountTest, AnotherAccountsReplyReachesOnlyTheFailurePath)
{
    // A sign-in is asked signed out: it is answered whoever signs in meanwhile.
    holdNextReply("login");
    Pending login;
    KXHTTPBUSINESS().LoginWithName(Id("designer"), Id("designer123"), login.success(), login.failure());
    ASSERT_TRUE(waitForHeldReplies());

    signIn("demo", "demo1234");
    holdNextReply("getCarts");
    Pending carts;
    KXHTTPBUSINESS().getBuyCartsDataSuceess(carts.success(), carts.failure());
    ASSERT_TRUE(waitForHeldReplies(2));
    holdNextReply("getAllBrand");
    Pending brands;
    KXHTTPBUSINESS().getAllBrandSuceess(brands.success(), brands.failure());
    ASSERT_TRUE(waitForHeldReplies(3));

    signIn("editor", "editor123");
    ASSERT_TRUE(releaseHeldReplies(3));
    ASSERT_TRUE(waitFor([&] { return login.outcome->done && carts.outcome->done && brands.outcome->done; }));
    EXPECT_TRUE(carts.outcome->reply.isNil()) << "demo's cart never reaches the caller";
    EXPECT_TRUE(KXRequestAccount::isEnded(carts.outcome->error));
    EXPECT_EQ(brands.outcome->reply["errcode"].integerValue(), 0) << "the same for everyone: handed over";
    EXPECT_FALSE(login.outcome->reply["corvane_data"]["token"].stringValue().empty());

    // Within one account the reply is the caller's.
    holdNextReply("getCarts");
    Pending own;
    KXHTTPBUSINESS().getBuyCartsDataSuceess(own.success(), own.failure());
    ASSERT_TRUE(releaseHeldReplies());
    ASSERT_TRUE(waitFor([&] { return own.outcome->done; }));
    EXPECT_EQ(own.outcome->reply["errcode"].integerValue(), 0);
}

TEST_F(KXRequestAccountTest, AFormerAccountsRefusalIsLoggedButNeitherSignsOutNorToasts)
{
    signIn("demo", "demo1234");
    holdNextReply("createCollect");
    Pending refused;
    KXHTTPBUSINESS().CreateGroupWithName(Id(""), refused.success(), refused.failure());
    ASSERT_TRUE(waitForHeldReplies());
    service().expireAllTokens();
    holdNextReply("getCarts");
    Pending expired;
    KXHTTPBUSINESS().getBuyCartsDataSuceess(expired.success(), expired.failure());
    ASSERT_TRUE(waitForHeldReplies(2));

    signIn("editor", "editor123");
    ASSERT_TRUE(releaseHeldReplies(2));
    ASSERT_TRUE(waitFor([&] { return expired.outcome->done && refused.outcome->done; }));
    EXPECT_TRUE(logouts().empty()) << "editor stays signed in";
    EXPECT_TRUE(toasts_->shown.empty());
    EXPECT_TRUE(KXRequestAccount::isEnded(expired.outcome->error));
    EXPECT_TRUE(KXRequestAccount::isEnded(refused.outcome->error));
    const std::string logged = errorLog()["errorinfo"].stringValue();
    EXPECT_NE(logged.find("登录已过期，请重新登录"), std::string::npos) << logged;

    // The present account's own refusal signs it out, as before.
    service().expireAllTokens();
    const Outcome own = run([](auto success, auto failure) { KXHTTPBUSINESS().getBuyCartsDataSuceess(success, failure); });
    EXPECT_EQ(own.reply["errcode"].integerValue(), 122);
    EXPECT_EQ(logouts().size(), 1u);
}
