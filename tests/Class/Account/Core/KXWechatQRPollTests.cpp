#include "Class/Account/Core/KXWechatQRPoll.h"

#include "Class/Account/Core/KXSignInEvents.h"
#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Platform/Dispatch/Clock.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/Dispatch/Queue.h"
#include "Platform/Dispatch/RunLoop.h"
#include "Platform/Foundation/Foundation.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using foundation::Dictionary;
using foundation::Id;

namespace {

double now()
{
    return dispatch::Clock::current()->secondsSince1970();
}

// Answers on the main queue as scripted and logs when each request was sent (virtual seconds).
class FakeEndpoints final : public KXWechatLoginEndpoints {
public:
    enum class Answer { Code, CodeError, CodeFailure, Waiting, Confirm, Failure, Hold };

    double start = now();
    std::vector<double> codeRequests;
    std::vector<std::pair<double, std::string>> polls;
    std::deque<Answer> pollAnswers; // then Waiting
    std::string confirmedTicket;    // polls with this ticket are confirmed
    Answer codeAnswer = Answer::Code;
    int codesIssued = 0;
    // A held reply, to be answered by the test.
    std::function<void()> held;

    void getWeChatCode(Reply reply, Failure failure) override
    {
        codeRequests.push_back(now() - start);
        const Answer answer = codeAnswer;
        if (answer == Answer::Hold) {
            const std::string ticket = "ticket-" + std::to_string(++codesIssued);
            held = [reply, ticket] { reply(codeReply(ticket)); };
            return;
        }
        const std::string ticket = "ticket-" + std::to_string(++codesIssued);
        dispatch::mainQueue().async([=] {
            if (answer == Answer::CodeFailure)
                failure();
            else if (answer == Answer::CodeError)
                reply(Id(Dictionary::create({{Id("errcode"), Id(1)}, {Id("message"), Id("busy")}})));
            else
                reply(codeReply(ticket));
        });
    }

    void loginWithWeChatTicket(const std::string& ticket, Reply reply, Failure failure) override
    {
        polls.emplace_back(now() - start, ticket);
        Answer answer = Answer::Waiting;
        if (!pollAnswers.empty()) {
            answer = pollAnswers.front();
            pollAnswers.pop_front();
        }
        if (ticket == confirmedTicket)
            answer = Answer::Confirm;
        if (answer == Answer::Hold) {
            held = [reply] { reply(confirmReply()); };
            return;
        }
        dispatch::mainQueue().async([=] {
            if (answer == Answer::Failure)
                failure();
            else if (answer == Answer::Confirm)
                reply(confirmReply());
            else
                reply(Id(Dictionary::create({{Id("errcode"), Id(1)}, {Id("message"), Id("等待扫码确认")}})));
        });
    }

    static Id codeReply(const std::string& ticket)
    {
        return Id(Dictionary::create({{Id("errcode"), Id(0)},
                                      {Id("corvane_data"), Id(Dictionary::create({{Id("ticket"), Id(ticket)},
                                                                                  {Id("url"), Id("https://s.example/qr/" + ticket + ".png")}}))}}));
    }
    static Id confirmReply()
    {
        return Id(Dictionary::create(
            {{Id("errcode"), Id(0)},
             {Id("corvane_data"), Id(Dictionary::create({{Id("userinfo"), Id(Dictionary::create({{Id("uname"), Id("demo")}, {Id("token"), Id("t")}}))}}))}}));
    }
};

class Panel final : public KXWechatQRPollDelegate {
public:
    std::vector<std::string> events;
    void wechatCodeShown(const std::string& url) override { events.push_back("code " + url); }
    void wechatCodeTimeOut() override { events.push_back("timeout"); }
    void wechatSignedIn(const Id& user) override { events.push_back("signed in " + user["uname"].stringValue()); }
};

class KXWechatQRPollTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        KXUserCenterConfig::sharedKXUserCenterConfig().setIsAutologin(false);
        signIns_ = dispatch::NotificationCenter::defaultCenter().addObserver(
            "homeNotificationCenter", {}, nullptr, [this](const dispatch::Notification& n) { posted_.push_back(Id(n.userInfo)); });
    }

    std::shared_ptr<KXWechatQRPoll> makePoll(std::shared_ptr<FakeEndpoints> endpoints, std::shared_ptr<Panel> panel)
    {
        auto poll = KXWechatQRPoll::create(std::move(endpoints));
        poll->setDelegate(panel);
        return poll;
    }

    dispatch::VirtualClock::Scope time_;
    std::vector<Id> posted_;
    dispatch::Subscription signIns_;
};

} // namespace

TEST_F(KXWechatQRPollTest, FirstPollElevenSecondsAfterTheCodeThenOneSecondAfterEachReply)
{
    auto endpoints = std::make_shared<FakeEndpoints>();
    auto panel = std::make_shared<Panel>();
    auto poll = makePoll(endpoints, panel);
    poll->loadWechatCode();
    time_.advance(10.999);
    ASSERT_EQ(endpoints->codeRequests, std::vector<double>{0});
    EXPECT_EQ(panel->events, std::vector<std::string>{"code https://s.example/qr/ticket-1.png"});
    EXPECT_TRUE(endpoints->polls.empty());
    EXPECT_FALSE(poll->isRefreshArmed()) << "a fresh code does not react to clicks";

    time_.advance(3.001);
    ASSERT_EQ(endpoints->polls.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_DOUBLE_EQ(endpoints->polls[i].first, 11.0 + static_cast<double>(i));
        EXPECT_EQ(endpoints->polls[i].second, "ticket-1");
    }
    EXPECT_EQ(KXGlobalDataBase::sharedKXGlobalDataBase().currentModule()->utf8(), "二维码轮询异常");
    EXPECT_EQ(poll->budget(), 496);
}

TEST_F(KXWechatQRPollTest, AnUnconfirmedCodeIsPolled501TimesAndTimesOutDuringTheLast)
{
    auto endpoints = std::make_shared<FakeEndpoints>();
    auto panel = std::make_shared<Panel>();
    auto poll = makePoll(endpoints, panel);
    poll->loadWechatCode();
    time_.advance(10 + 500);
    EXPECT_EQ(endpoints->polls.size(), 500u);
    ASSERT_EQ(panel->events.back(), "timeout") << "the 500th refusal times the code out";
    EXPECT_TRUE(poll->isRefreshArmed());
    EXPECT_EQ(poll->state(), KXWechatQRPoll::State::TimedOut);

    time_.advance(1);
    EXPECT_EQ(endpoints->polls.size(), 501u) << "the poll scheduled before the time-out still goes";
    time_.advance(100);
    EXPECT_EQ(endpoints->polls.size(), 501u);
    EXPECT_EQ(std::count(panel->events.begin(), panel->events.end(), "timeout"), 1);

    // A click: a new code, a fresh budget, polling again 11 s later with the new ticket.
    const double clickedAt = now() - endpoints->start;
    ASSERT_TRUE(poll->refresh());
    EXPECT_FALSE(poll->refresh()) << "a second click while the new code is fresh does nothing";
    EXPECT_EQ(poll->budget(), 500);
    time_.advance(11);
    ASSERT_EQ(endpoints->polls.size(), 502u);
    EXPECT_DOUBLE_EQ(endpoints->polls.back().first, clickedAt + 11);
    EXPECT_EQ(endpoints->polls.back().second, "ticket-2");
}

TEST_F(KXWechatQRPollTest, AConfirmationOnTheLastPollStillSignsIn)
{
    auto endpoints = std::make_shared<FakeEndpoints>();
    endpoints->pollAnswers.assign(500, FakeEndpoints::Answer::Waiting);
    endpoints->pollAnswers.push_back(FakeEndpoints::Answer::Confirm);
    auto panel = std::make_shared<Panel>();
    auto poll = makePoll(endpoints, panel);
    poll->loadWechatCode();
    time_.advance(520);
    EXPECT_EQ(endpoints->polls.size(), 501u);
    ASSERT_EQ(posted_.size(), 1u);
    EXPECT_EQ(posted_[0]["loginMessage"]["uname"].stringValue(), "demo");
    EXPECT_EQ(panel->events.back(), "signed in demo");
    EXPECT_TRUE(KXUserCenterConfig::sharedKXUserCenterConfig().isAutologin());
    EXPECT_EQ(poll->state(), KXWechatQRPoll::State::SignedIn);
    EXPECT_FALSE(poll->refresh());
}

TEST_F(KXWechatQRPollTest, SwitchingPanelsStopsPollingButAReplyInFlightMaySignIn)
{
    auto endpoints = std::make_shared<FakeEndpoints>();
    endpoints->pollAnswers = {FakeEndpoints::Answer::Waiting, FakeEndpoints::Answer::Hold};
    auto panel = std::make_shared<Panel>();
    auto poll = makePoll(endpoints, panel);
    poll->loadWechatCode();
    time_.advance(12);
    ASSERT_EQ(endpoints->polls.size(), 2u);
    poll->stop();
    endpoints->held();
    time_.advance(60);
    EXPECT_EQ(endpoints->polls.size(), 2u);
    EXPECT_EQ(posted_.size(), 1u) << "the confirmation in flight signs in";

    // An unconfirmed reply after the switch schedules nothing.
    auto second = std::make_shared<FakeEndpoints>();
    auto quiet = makePoll(second, panel);
    quiet->loadWechatCode();
    time_.advance(11.5);
    ASSERT_EQ(second->polls.size(), 1u);
    quiet->stop();
    time_.advance(60);
    EXPECT_EQ(second->polls.size(), 1u);
    EXPECT_EQ(quiet->state(), KXWechatQRPoll::State::Stopped);
    EXPECT_FALSE(quiet->refresh());
}

TEST_F(KXWechatQRPollTest, TwoWindowsPollOnTheirOwnBudgets)
{
    auto endpoints = std::make_shared<FakeEndpoints>();
    auto panel = std::make_shared<Panel>();
    auto first = makePoll(endpoints, panel);
    first->loadWechatCode();
    time_.advance(5);
    auto second = makePoll(endpoints, panel);
    second->loadWechatCode();
    time_.advance(20);
    first.reset(); // the older window's view goes away
    const std::size_t before = endpoints->polls.size();
    time_.advance(10);
    EXPECT_EQ(endpoints->polls.size(), before + 10) << "the newer window goes on polling";
    for (std::size_t i = before; i < endpoints->polls.size(); ++i)
        EXPECT_EQ(endpoints->polls[i].second, "ticket-2");
    EXPECT_EQ(second->budget(), 500 - 20);
}

TEST_F(KXWechatQRPollTest, ASignInInOneWindowEndsTheOtherWindowsPolling)
{
    auto endpoints = std::make_shared<FakeEndpoints>();
    auto firstPanel = std::make_shared<Panel>();
    auto first = makePoll(endpoints, firstPanel);
    first->loadWechatCode();
    time_.advance(5);
    auto secondPanel = std::make_shared<Panel>();
    auto second = makePoll(endpoints, secondPanel);
    second->loadWechatCode();
    time_.advance(13); // the first polls from 11 s, the second from 16 s
    const auto polled = [&](const std::string& ticket) {
        return std::count_if(endpoints->polls.begin(), endpoints->polls.end(), [&](const auto& p) { return p.second == ticket; });
    };
    ASSERT_EQ(polled("ticket-1"), 8);
    ASSERT_EQ(polled("ticket-2"), 3);
    endpoints->confirmedTicket = "ticket-2";
    time_.advance(1);
    ASSERT_EQ(posted_.size(), 1u);
    EXPECT_EQ(second->state(), KXWechatQRPoll::State::SignedIn);

    const std::size_t afterSignIn = endpoints->polls.size();
    time_.advance(600);
    EXPECT_EQ(endpoints->polls.size(), afterSignIn) << "the other window sends nothing more";
    EXPECT_EQ(posted_.size(), 1u);
    EXPECT_EQ(firstPanel->events.back(), "timeout") << "its code is shown as dead";
    EXPECT_EQ(secondPanel->events.back(), "signed in demo");

    // A click on the dead code asks for another, which is polled.
    ASSERT_TRUE(first->refresh());
    time_.advance(11);
    ASSERT_EQ(endpoints->polls.size(), afterSignIn + 1);
    EXPECT_EQ(endpoints->polls.back().second, "ticket-3");
}

TEST_F(KXWechatQRPollTest, AConfirmationInFlightWhenSomeoneSignsInElsewhereSignsNobodyIn)
{
    // A poll on show, one switched away and one timed out on its last poll: each has a
    // confirmation in flight when the account form signs someone in.
    auto endpoints = std::make_shared<FakeEndpoints>();
    auto panel = std::make_shared<Panel>();
    auto polling = makePoll(endpoints, panel);
    auto switched = makePoll(endpoints, panel);
    auto lastPoll = makePoll(endpoints, panel);
    endpoints->pollAnswers.assign(500, FakeEndpoints::Answer::Waiting);
    lastPoll->loadWechatCode();
    time_.advance(510);
    ASSERT_EQ(lastPoll->state(), KXWechatQRPoll::State::TimedOut);
    endpoints->pollAnswers = {FakeEndpoints::Answer::Hold};
    time_.advance(1);
    auto lastHeld = std::exchange(endpoints->held, nullptr);
    ASSERT_TRUE(lastHeld);

    polling->loadWechatCode();
    time_.advance(1);
    switched->loadWechatCode();
    endpoints->pollAnswers = {FakeEndpoints::Answer::Hold, FakeEndpoints::Answer::Hold};
    time_.advance(10);
    auto pollingHeld = std::exchange(endpoints->held, nullptr);
    time_.advance(1);
    auto switchedHeld = std::exchange(endpoints->held, nullptr);
    ASSERT_EQ(endpoints->polls.size(), 503u);
    ASSERT_TRUE(pollingHeld && switchedHeld);
    switched->stop();

    KXSignInEvents::postLoginMessage(Id(Dictionary::create({{Id("uname"), Id("editor")}})), KXSignInEvents::startAttempt());
    ASSERT_EQ(posted_.size(), 1u);
    lastHeld();
    pollingHeld();
    switchedHeld();
    time_.advance(60);
    EXPECT_EQ(posted_.size(), 1u) << "nobody is signed in over editor";
    EXPECT_EQ(endpoints->polls.size(), 503u);
    EXPECT_TRUE(std::find(panel->events.begin(), panel->events.end(), "signed in demo") == panel->events.end());
}

TEST_F(KXWechatQRPollTest, OtherNotificationsOfTheCentreLeaveThePollRunning)
{
    auto endpoints = std::make_shared<FakeEndpoints>();
    auto poll = makePoll(endpoints, std::make_shared<Panel>());
    poll->loadWechatCode();
    time_.advance(12);
    KXSignInEvents::postLoginStarting();
    dispatch::NotificationCenter::defaultCenter().post("homeNotificationCenter", {},
                                                       Dictionary::create({{Id("loginOut"), Id("1")}}));
    time_.advance(3);
    EXPECT_EQ(endpoints->polls.size(), 5u);
    EXPECT_EQ(poll->state(), KXWechatQRPoll::State::Requesting);
}

TEST_F(KXWechatQRPollTest, FailuresEndInTheTimedOutStateAndNeverPollWithoutATicket)
{
    for (auto answer : {FakeEndpoints::Answer::CodeFailure, FakeEndpoints::Answer::CodeError}) {
        auto endpoints = std::make_shared<FakeEndpoints>();
        endpoints->codeAnswer = answer;
        auto panel = std::make_shared<Panel>();
        auto poll = makePoll(endpoints, panel);
        poll->loadWechatCode();
        time_.advance(600);
        EXPECT_TRUE(endpoints->polls.empty());
        EXPECT_EQ(panel->events, std::vector<std::string>{"timeout"});
        EXPECT_TRUE(poll->isRefreshArmed()) << "a click tries again";
    }

    auto endpoints = std::make_shared<FakeEndpoints>();
    endpoints->pollAnswers = {FakeEndpoints::Answer::Waiting, FakeEndpoints::Answer::Failure};
    auto panel = std::make_shared<Panel>();
    auto poll = makePoll(endpoints, panel);
    poll->loadWechatCode();
    time_.advance(600);
    EXPECT_EQ(endpoints->polls.size(), 2u) << "a poll without a reply ends polling";
    EXPECT_EQ(panel->events.back(), "timeout");
    EXPECT_TRUE(poll->isRefreshArmed());
}

TEST_F(KXWechatQRPollTest, TheFirstPollWaitsForALateCode)
{
    auto endpoints = std::make_shared<FakeEndpoints>();
    endpoints->codeAnswer = FakeEndpoints::Answer::Hold;
    auto panel = std::make_shared<Panel>();
    auto poll = makePoll(endpoints, panel);
    poll->loadWechatCode();
    time_.advance(30);
    EXPECT_TRUE(endpoints->polls.empty()) << "no poll overtakes the code request";
    endpoints->held();
    dispatch::RunLoop::drain();
    ASSERT_EQ(endpoints->polls.size(), 1u);
    EXPECT_EQ(endpoints->polls[0].second, "ticket-1");
}

TEST_F(KXWechatQRPollTest, NothingRunsOnceThePanelIsGone)
{
    auto endpoints = std::make_shared<FakeEndpoints>();
    auto panel = std::make_shared<Panel>();
    auto poll = makePoll(endpoints, panel);
    poll->loadWechatCode();
    time_.advance(11.5);
    poll.reset();
    time_.advance(100);
    EXPECT_EQ(endpoints->polls.size(), 1u);
}
