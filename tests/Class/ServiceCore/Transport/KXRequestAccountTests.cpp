// Replies across an account switch: a request keeps the account it was asked for, and its reply
// reaches the caller, the sign-out notice and the toasts only while that account is signed in.
#include "TransportTestSupport.h"

#include "Class/ServiceCore/Transport/KXRequestAccount.h"
#include "Lib/Networking/NKHTTPSessionManager.h"
#include "Platform/Storage/UserDefaults.h"

#include <functional>
#include <string>

using foundation::Id;
using localservice::Fault;
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
    // The account of a token signed in before comes back, with no request.
    static void signInAgain(const std::string& token)
    {
        setDefault("token", Id(token));
        KXRequestAccount::changed();
    }
};

// The cart asked with a time-out short enough for a test to wait for.
void askForTheCartImpatiently(const Pending& pending)
{
    KXHTTPBUSINESS business;
    business.REQUEST()->NKManager()->requestSerializer()->setTimeoutInterval(0.5);
    auto asked = pending;
    business.getBuyCartsDataSuceess(asked.success(), asked.failure());
}

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

TEST(KXRequestAccountMark, AnyValueUnderTokenIsSignedInAnEmptyTextToo)
{
    auto& defaults = foundation::UserDefaults::standardUserDefaults();
    defaults.removeObjectForKey("token");
    EXPECT_FALSE(KXRequestAccount::signedIn());

    defaults.setObject(Id(""), "token");
    const auto asked = KXRequestAccount::current();
    EXPECT_TRUE(asked.signedIn());
    EXPECT_TRUE(KXRequestAccount::signedIn());
    EXPECT_TRUE(KXRequestAccount::isCurrent(asked));

    // Gone with no word to the marks: still not the account that asked.
    defaults.removeObjectForKey("token");
    EXPECT_FALSE(KXRequestAccount::isCurrent(asked));
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

TEST_F(KXRequestAccountTest, AFormerAccountsFailureIsLoggedAndReachesItsCallerAsEnded)
{
    struct Road {
        const char* name;
        std::function<void()> arrange;
        long long ownCode; // 0: any
    };
    const Road roads[] = {
        {"a held reply that times out", [] { holdNextReply("getCarts"); }, -1001},
        {"a reply that is not JSON", [] { setFault("getCarts", Fault::Kind::NotJson); }, 0},
        {"a reply lost on its way", [] { setFault("getCarts", Fault::Kind::LostReply); }, 0},
    };
    const std::string editor = signIn("editor", "editor123");
    const std::string demo = signIn("demo", "demo1234");
    for (const Road& road : roads) {
        SCOPED_TRACE(road.name);
        // Within one account the caller gets the transport's own error.
        road.arrange();
        Pending own;
        askForTheCartImpatiently(own);
        ASSERT_TRUE(waitFor([&] { return own.outcome->done; }));
        ASSERT_TRUE(own.outcome->error);
        EXPECT_FALSE(KXRequestAccount::isEnded(own.outcome->error));
        if (road.ownCode != 0) {
            EXPECT_EQ(own.outcome->error->code(), road.ownCode);
        }
        const std::string description = own.outcome->error->localizedDescription();

        // editor signs in while demo's request is on its way: the failure is logged as before,
        // and its caller only learns that the account has gone.
        road.arrange();
        Pending former;
        askForTheCartImpatiently(former);
        signInAgain(editor);
        ASSERT_TRUE(waitFor([&] { return former.outcome->done; }));
        EXPECT_TRUE(former.outcome->reply.isNil());
        EXPECT_TRUE(KXRequestAccount::isEnded(former.outcome->error));
        const std::string logged = errorLog()["errorinfo"].stringValue();
        EXPECT_TRUE(logged.ends_with(description + "\n")) << logged;

        service().faults().releaseHeld();
        service().faults().clearAll();
        signInAgain(demo);
    }
    EXPECT_TRUE(logouts().empty());
    EXPECT_TRUE(toasts_->shown.empty());
}
