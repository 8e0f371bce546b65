// The agreement gate against the local service: who is signed in while the question waits, what
// an acceptance needs of the service before it signs anyone in, and what every other end of the
// wait leaves behind.
#include "Class/Home/Core/KXSignInGate.h"

#include "Class/Home/Core/KXHomeProcessState.h"
#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"
#include "Class/ServiceCore/Transport/KXAccountState.h"
#include "Class/ServiceCore/Transport/KXRequestAccount.h"
#include "Class/ServiceCore/UnitTools/KXFileManager.h"
#include "Class/ServiceCore/Transport/TransportTestSupport.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/Storage/UserDefaults.h"

#include <map>
#include <optional>

using foundation::Id;
using localservice::Fault;
using transporttest::TransportTest;

namespace {

foundation::UserDefaults& gateDefaults()
{
    return foundation::UserDefaults::standardUserDefaults();
}

std::string token()
{
    return Id(gateDefaults().stringForKey("token")).stringValue();
}

// The settings as text, key by key.
std::map<std::string, std::string> settings()
{
    std::map<std::string, std::string> shown;
    const auto all = gateDefaults().dictionaryRepresentation();
    for (const auto& entry : *all)
        shown[entry.key.stringValue()] = entry.value.description();
    return shown;
}

class KXSignInGateTest : public TransportTest {
protected:
    void SetUp() override
    {
        TransportTest::SetUp();
        KXHomeProcessState::reset();
        KXUserCenterConfig::sharedKXUserCenterConfig().removeUserInfo();
        signedIns_ = dispatch::NotificationCenter::defaultCenter().addObserver(
            KXAccountState::kSignedInNotification, Id(), nullptr,
            [this](const dispatch::Notification& told) { announced_.push_back(Id(told.userInfo)["user"]["uname"].stringValue()); });
    }
    void TearDown() override
    {
        service().faults().releaseHeld();
        EXPECT_TRUE(waitForQuietTraffic());
        KXHomeProcessState::reset();
        KXUserCenterConfig::sharedKXUserCenterConfig().removeUserInfo();
        TransportTest::TearDown();
    }

    // The user as a sign-in page receives it.
    static Id loginReply(const char* name, const char* password)
    {
        const auto outcome = run([name, password](auto success, auto failure) {
            KXHTTPBUSINESS().LoginWithName(Id(name), Id(password), std::move(success), std::move(failure));
        });
        return outcome.reply["corvane_data"];
    }
    static Id newbie()
    {
        const Id user = loginReply("newbie", "newbie123");
        EXPECT_EQ(user["is_agree"].integerValue(), 0);
        return user;
    }

    struct Answer {
        std::optional<KXSignInGate::Outcome> outcome;
        std::string user;
        int calls = 0;
    };
    // Answers the question and waits for the gate's outcome.
    static std::shared_ptr<Answer> answer(const char* isAgree, bool wait = true)
    {
        auto heard = std::make_shared<Answer>();
        KXSignInGate::answer(Id(isAgree), [heard](KXSignInGate::Outcome outcome, const Id& user) {
            heard->outcome = outcome;
            heard->user = user["uname"].stringValue();
            ++heard->calls;
        });
        if (wait) {
            EXPECT_TRUE(waitFor([heard] { return heard->outcome.has_value(); }));
        }
        return heard;
    }

    // The requests that went with `sent` as their token.
    static std::vector<std::string> sentWithToken(const std::string& sent)
    {
        std::vector<std::string> paths;
        for (const auto& request : service().requestLog().entries()) {
            const std::string* carried = request.param("token");
            if (carried && *carried == sent)
                paths.push_back(request.path);
        }
        return paths;
    }

    std::vector<std::string> announced_;
    dispatch::Subscription signedIns_;
};

} // namespace

TEST_F(KXSignInGateTest, AnAgreedUserSignsInAtOnce)
{
    const Id demo = loginReply("demo", "demo1234");
    EXPECT_EQ(KXSignInGate::receive(demo), KXSignInGate::Step::SignIn);
    EXPECT_EQ(token(), demo["token"].stringValue());
    EXPECT_EQ(KXAccountState::state(), KXAccountState::State::SignedIn);
    EXPECT_FALSE(KXSignInGate::isWaiting());
    EXPECT_EQ(announced_, std::vector<std::string>{"demo"});
}

// While the question waits the account is nobody's: no reader sees it signed in, and the transport
// sends its token with nothing but the agreement's own requests.
TEST_F(KXSignInGateTest, AWaitingUserIsSignedInForNobody)
{
    const Id user = newbie();
    EXPECT_EQ(KXSignInGate::receive(user), KXSignInGate::Step::AwaitAgreement);
    EXPECT_EQ(token(), user["token"].stringValue()) << "stored while the window asks";
    EXPECT_EQ(KXAccountState::state(), KXAccountState::State::AwaitingAgreement);
    EXPECT_FALSE(KXUserCenterConfig::sharedKXUserCenterConfig().islogin());
    EXPECT_FALSE(KXRequestAccount::signedIn());
    EXPECT_EQ(KXRequestAccount::currentToken(), "");
    EXPECT_TRUE(announced_.empty());
}

TEST_F(KXSignInGateTest, AnAcceptanceSignsInOnlyOnceTheServiceHoldsIt)
{
    const Id user = newbie();
    KXSignInGate::receive(user);
    service().requestLog().clear();
    holdNextReply("agreement");
    auto accepted = answer("1", false);
    ASSERT_TRUE(waitForHeldReplies());
    EXPECT_TRUE(KXSignInGate::isConfirming());
    EXPECT_EQ(KXAccountState::state(), KXAccountState::State::AwaitingAgreement) << "not before the service says so";
    EXPECT_EQ(answer("1", false)->outcome, KXSignInGate::Outcome::NobodyWaits) << "a second acceptance sends nothing more";
    ASSERT_TRUE(releaseHeldReplies());
    ASSERT_TRUE(waitFor([accepted] { return accepted->outcome.has_value(); }));
    EXPECT_EQ(accepted->outcome, KXSignInGate::Outcome::SignedIn);
    EXPECT_EQ(accepted->user, "newbie");
    EXPECT_EQ(KXAccountState::state(), KXAccountState::State::SignedIn);
    EXPECT_TRUE(gateDefaults().objectForKey(KXSignInGate::kPendingKey).isNil());
    EXPECT_EQ(announced_, std::vector<std::string>{"newbie"});
    EXPECT_EQ(service().requestLog().withTag("118").size(), 1u);
    EXPECT_EQ(sentWithToken(user["token"].stringValue()), std::vector<std::string>{"agreement"});
    EXPECT_EQ(loginReply("newbie", "newbie123")["is_agree"].integerValue(), 1);
    EXPECT_EQ(answer("0")->outcome, KXSignInGate::Outcome::NobodyWaits) << "a late refusal signs nobody out";
    EXPECT_EQ(token(), user["token"].stringValue());
}

// The agreement refused by the service, or lost on its way: the service's record decides, and
// the question stays open until it says the user has agreed.
TEST_F(KXSignInGateTest, AnAcceptanceTheServiceDoesNotConfirmLeavesTheQuestionOpen)
{
    struct Case {
        const char* what;
        Fault::Kind fault;
        KXSignInGate::Outcome outcome;
        std::size_t reads; // renewals of the waiting sign-in that read its record back
    };
    const Case cases[] = {
        {"refused", Fault::Kind::ErrorCode, KXSignInGate::Outcome::StillWaiting, 0},
        {"a server error, not made", Fault::Kind::Http500, KXSignInGate::Outcome::StillWaiting, 1},
        {"made, its reply lost", Fault::Kind::LostReply, KXSignInGate::Outcome::SignedIn, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        service().setAgreed("newbie", false);
        const Id user = newbie();
        KXSignInGate::receive(user);
        service().requestLog().clear();
        Fault fault;
        fault.kind = c.fault;
        fault.errcode = 1;
        fault.message = "协议提交失败";
        fault.remaining = 1;
        service().faults().set("agreement", fault);
        const auto heard = answer("1");
        ASSERT_TRUE(waitForQuietTraffic());
        EXPECT_EQ(heard->outcome, c.outcome);
        EXPECT_EQ(heard->calls, 1);
        EXPECT_EQ(service().requestLog().withTag("114").size(), c.reads);
        // Nothing but the agreement and its read went with the waiting token.
        for (const auto& path : sentWithToken(user["token"].stringValue()))
            EXPECT_TRUE(path == "agreement" || path == "login") << path;
        if (c.outcome == KXSignInGate::Outcome::StillWaiting) {
            EXPECT_TRUE(KXSignInGate::isWaiting()) << "asked again";
            EXPECT_EQ(KXAccountState::state(), KXAccountState::State::AwaitingAgreement);
            EXPECT_EQ(token(), user["token"].stringValue());
            // The next acceptance that reaches the service signs in.
            EXPECT_EQ(answer("1")->outcome, KXSignInGate::Outcome::SignedIn);
        }
        EXPECT_EQ(KXAccountState::state(), KXAccountState::State::SignedIn);
        KXUserCenterConfig::sharedKXUserCenterConfig().removeUserInfo();
    }
}

// A waiting sign-in that ends while its acceptance is on its way: the late answer signs nobody in.
TEST_F(KXSignInGateTest, AnAcceptanceAnsweredAfterTheWaitEndedSignsNobodyIn)
{
    KXSignInGate::receive(newbie());
    holdNextReply("agreement");
    auto accepted = answer("1", false);
    ASSERT_TRUE(waitForHeldReplies());
    KXSignInGate::abandon();
    ASSERT_TRUE(releaseHeldReplies());
    ASSERT_TRUE(waitForQuietTraffic());
    EXPECT_FALSE(accepted->outcome.has_value());
    EXPECT_EQ(KXAccountState::state(), KXAccountState::State::SignedOut);
    EXPECT_TRUE(announced_.empty());
}

// The acceptance's own reply lost, its read back late: the outcome of that read belongs to the wait
// it was asked for, and to no other.
class KXSignInGateLateReadTest : public KXSignInGateTest {
protected:
    // `user` waits, its acceptance is sent and lost, and the read back's reply is held.
    std::shared_ptr<Answer> acceptWithTheReadBackHeld(const Id& user)
    {
        KXSignInGate::receive(user);
        Fault lost;
        lost.kind = Fault::Kind::LostReply;
        lost.remaining = 1;
        service().faults().set("agreement", lost);
        holdNextReply("login");
        auto accepted = answer("1", false);
        EXPECT_TRUE(waitForHeldReplies());
        EXPECT_TRUE(KXSignInGate::isConfirming());
        return accepted;
    }
};

TEST_F(KXSignInGateLateReadTest, AReadBackThatLandsAfterTheWaitEndedSignsNobodyIn)
{
    service().setAgreed("newbie", false);
    auto accepted = acceptWithTheReadBackHeld(newbie());
    KXSignInGate::abandon();
    ASSERT_TRUE(releaseHeldReplies());
    ASSERT_TRUE(waitForQuietTraffic());
    EXPECT_FALSE(accepted->outcome.has_value());
    EXPECT_EQ(KXAccountState::state(), KXAccountState::State::SignedOut);
    EXPECT_TRUE(token().empty());
    EXPECT_TRUE(announced_.empty());
}

// A second waiting sign-in takes the first one's place while the first one's read back is on its
// way: the read says the first user agreed, which signs nobody in; the second still waits for its
// own answer.
TEST_F(KXSignInGateLateReadTest, AReadBackOfAFormerWaitDoesNotSignInTheUserWaitingNow)
{
    service().setAgreed("newbie", false);
    service().setAgreed("designer", false);
    const Id designer = loginReply("designer", "designer123");
    ASSERT_EQ(designer["is_agree"].integerValue(), 0);
    auto accepted = acceptWithTheReadBackHeld(newbie());
    EXPECT_EQ(KXSignInGate::receive(designer), KXSignInGate::Step::AwaitAgreement);
    ASSERT_TRUE(releaseHeldReplies());
    ASSERT_TRUE(waitForQuietTraffic());
    EXPECT_FALSE(accepted->outcome.has_value());
    EXPECT_TRUE(KXSignInGate::isWaiting());
    EXPECT_EQ(KXAccountState::state(), KXAccountState::State::AwaitingAgreement);
    EXPECT_EQ(token(), designer["token"].stringValue());
    EXPECT_TRUE(announced_.empty()) << "designer is not signed in on newbie's agreement";
    service().setAgreed("designer", true);
}

// Every end of a waiting sign-in but an acceptance leaves the settings and the session as a client
// that never signed in has them, whatever a former run stored for that account.
TEST_F(KXSignInGateTest, EveryEndOfAWaitLeavesWhatAClientThatNeverSignedInHas)
{
    auto& session = KXUserCenterConfig::sharedKXUserCenterConfig();
    const auto never = settings();
    const std::pair<const char*, std::function<bool()>> ends[] = {
        {"a refusal", [] { return answer("0")->outcome == KXSignInGate::Outcome::Refused; }},
        {"the client quits or signs out", [] {
             KXSignInGate::abandon();
             return true;
         }},
        {"the next start", [] {
             KXHomeProcessState::reset(); // only what is on disk remains
             return KXSignInGate::discardUnanswered();
         }},
    };
    for (const auto& [how, end] : ends) {
        SCOPED_TRACE(how);
        const Id user = newbie();
        // What a sign-in of the same account stored before it was asked again.
        for (const auto& [key, value] : {std::pair{"Name", "newbie"}, {"my_shop_url", "https://shop.example/newbie"},
                                         {"my_heartbeat_url", "https://beat.example/newbie"}, {"vip_type", "2"}, {"my_orderClick", "1"}})
            gateDefaults().setObject(Id(value), key);
        session.setIsAutologin(true);
        session.setUpUserconfigWithInfo(user);
        session.setGroupsInfo(foundation::Array::create({Id(foundation::Dictionary::create({{Id("fonts"), Id(foundation::Array::create({Id(7)}))}}))}));
        session.setFollowsArray(foundation::MutableArray::create({Id("followed")}));
        KXSignInGate::receive(user);
        const auto before = KXRequestAccount::current();

        ASSERT_TRUE(end());
        EXPECT_EQ(settings(), never);
        EXPECT_EQ(KXAccountState::state(), KXAccountState::State::SignedOut);
        EXPECT_FALSE(KXSignInGate::isWaiting());
        EXPECT_FALSE(KXRequestAccount::isCurrent(before));
        EXPECT_FALSE(session.isCollected(7));
        EXPECT_EQ(session.followsArray(), nullptr);
        EXPECT_TRUE(Id(session.userinfo()).isNil() || Id(session.userinfo()).count() == 0) << "no record, nor its archive";
        EXPECT_TRUE(KXFileManager::sharedKXFileManager().returnDecryptDataByPathKey(foundation::String::create("userInfo")).isNil());
        session.setIsAutologin(false);
    }
    EXPECT_TRUE(logouts().empty()) << "nobody was signed out";
    EXPECT_TRUE(announced_.empty());
}

TEST_F(KXSignInGateTest, AWaitingSignInTakesThePlaceOfTheAccountSignedInBefore)
{
    auto& session = KXUserCenterConfig::sharedKXUserCenterConfig();
    const Id demo = loginReply("demo", "demo1234");
    KXSignInGate::receive(demo);
    session.setUserinfo(demo.mutableCopy().as<foundation::MutableDictionary>());
    gateDefaults().setObject(Id("演示用户"), "Name");
    session.setGroupsInfo(foundation::Array::create({Id(foundation::Dictionary::create({{Id("fonts"), Id(foundation::Array::create({Id(9)}))}}))}));

    KXSignInGate::receive(newbie());
    EXPECT_FALSE(session.isCollected(9)) << "demo's folders went with demo";
    EXPECT_TRUE(gateDefaults().objectForKey("Name").isNil());
    EXPECT_EQ(KXAccountState::state(), KXAccountState::State::AwaitingAgreement);

    // An agreed user signing in over a question still open takes its place.
    KXSignInGate::receive(demo);
    EXPECT_FALSE(KXSignInGate::isWaiting());
    EXPECT_EQ(KXAccountState::state(), KXAccountState::State::SignedIn);
    EXPECT_EQ(answer("1")->outcome, KXSignInGate::Outcome::NobodyWaits) << "the earlier user is not signed in by a late answer";
}

TEST_F(KXSignInGateTest, AtTheNextStartOnlyATokenLeftUnansweredGoes)
{
    gateDefaults().setObject(Id("agreed"), "token");
    EXPECT_FALSE(KXSignInGate::discardUnanswered());
    EXPECT_EQ(token(), "agreed") << "an ordinary token stays";
    // Not while this very process asks.
    const Id user = newbie();
    KXSignInGate::receive(user);
    EXPECT_FALSE(KXSignInGate::discardUnanswered());
    EXPECT_EQ(token(), user["token"].stringValue());
}
