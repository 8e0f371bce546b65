#include "Class/Account/Core/KXWechatQRPoll.h"

#include "Class/Account/Core/KXSignInEvents.h"
#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/ServiceCore/Transport/KXHTTPBUSINESS.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/Dispatch/Queue.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/String.h"

using foundation::Id;

namespace {

class ServiceEndpoints final : public KXWechatLoginEndpoints {
public:
    void getWeChatCode(Reply reply, Failure failure) override
    {
        KXHTTPBUSINESS().getWeChatCodeSuceess(std::move(reply), [failure = std::move(failure)](const auto&) { failure(); });
    }
    void loginWithWeChatTicket(const std::string& ticket, Reply reply, Failure failure) override
    {
        KXHTTPBUSINESS().loginWithWeChatTicket(Id(ticket), std::move(reply), [failure = std::move(failure)](const auto&) { failure(); });
    }
};

bool ticketReplySucceeded(const Id& reply)
{
    return !reply["errcode"].isNil() && reply["errcode"].integerValue() == 0;
}

} // namespace

std::shared_ptr<KXWechatLoginEndpoints> KXWechatLoginEndpoints::service()
{
    return std::make_shared<ServiceEndpoints>();
}

std::shared_ptr<KXWechatQRPoll> KXWechatQRPoll::create(std::shared_ptr<KXWechatLoginEndpoints> endpoints)
{
    return std::make_shared<KXWechatQRPoll>(endpoints ? std::move(endpoints) : KXWechatLoginEndpoints::service());
}

KXWechatQRPoll::KXWechatQRPoll(std::shared_ptr<KXWechatLoginEndpoints> endpoints)
    : endpoints_(std::move(endpoints))
{
}

void KXWechatQRPoll::loadWechatCode()
{
    observeSignIns();
    attempt_ = KXSignInEvents::startAttempt();
    const std::uint64_t generation = ++generation_;
    state_ = State::Requesting;
    budget_ = kBudget;
    ticket_.clear();
    codeInFlight_ = true;
    pollWaitsForCode_ = false;

    std::weak_ptr<KXWechatQRPoll> weak = weak_from_this();
    endpoints_->getWeChatCode(
        [weak, generation](const Id& reply) {
            if (auto self = weak.lock())
                self->codeReplied(generation, reply);
        },
        [weak, generation] {
            if (auto self = weak.lock())
                self->codeReplied(generation, Id());
        });
    dispatch::mainQueue().after(kFirstPollDelay, [weak, generation] {
        if (auto self = weak.lock())
            self->checkLoginState(generation);
    });
}

bool KXWechatQRPoll::refresh()
{
    if (!isRefreshArmed())
        return false;
    loadWechatCode();
    return true;
}

void KXWechatQRPoll::stop()
{
    if (state_ == State::SignedIn)
        return;
    ++generation_;
    state_ = State::Stopped;
    budget_ = 0;
    codeInFlight_ = false;
    pollWaitsForCode_ = false;
}

void KXWechatQRPoll::codeReplied(std::uint64_t generation, const Id& reply)
{
    if (generation != generation_)
        return;
    codeInFlight_ = false;
    const Id data = reply["corvane_data"];
    const Id ticket = data["ticket"];
    if (!ticketReplySucceeded(reply) || !ticket.string() || ticket.stringValue().empty()) {
        // No code to show, or none that could ever be confirmed.
        timeOut();
        return;
    }
    ticket_ = ticket.stringValue();
    if (auto delegate = delegate_.lock())
        delegate->wechatCodeShown(data["url"].stringValue());
    if (pollWaitsForCode_) {
        pollWaitsForCode_ = false;
        sendPoll(generation);
    }
}

void KXWechatQRPoll::checkLoginState(std::uint64_t generation)
{
    KXGlobalDataBase::sharedKXGlobalDataBase().setCurrentModule(foundation::String::create(kPollModule));
    if (generation != generation_ || budget_ <= 0 || state_ != State::Requesting)
        return;
    std::weak_ptr<KXWechatQRPoll> weak = weak_from_this();
    dispatch::mainQueue().after(kPollPause, [weak, generation] {
        if (auto self = weak.lock())
            self->sendPoll(generation);
    });
}

void KXWechatQRPoll::sendPoll(std::uint64_t generation)
{
    // The budget may be spent by now (the last poll is sent after the time-out shows); a newer
    // code or a stop is what ends a scheduled poll.
    if (generation != generation_ || state_ == State::Stopped || state_ == State::SignedIn)
        return;
    if (codeInFlight_) {
        pollWaitsForCode_ = true;
        return;
    }
    if (ticket_.empty())
        return;
    std::weak_ptr<KXWechatQRPoll> weak = weak_from_this();
    endpoints_->loginWithWeChatTicket(
        ticket_,
        [weak, generation](const Id& reply) {
            if (auto self = weak.lock())
                self->pollReplied(generation, reply);
        },
        [weak, generation] {
            if (auto self = weak.lock())
                self->pollFailed(generation);
        });
}

void KXWechatQRPoll::pollReplied(std::uint64_t generation, const Id& reply)
{
    if (state_ == State::SignedIn || generation < firstLiveGeneration_)
        return;
    if (ticketReplySucceeded(reply)) {
        const Id user = reply["corvane_data"]["userinfo"];
        // A confirmation counts even when the panel moved on: the user did scan the code.
        if (user.dictionary()) {
            signIn(user);
            return;
        }
        // A confirmation without a user cannot sign anyone in, and the ticket is spent.
        pollFailed(generation);
        return;
    }
    if (generation != generation_)
        return;
    checkLoginState(generation);
    if (budget_-- == 1)
        timeOut();
}

void KXWechatQRPoll::pollFailed(std::uint64_t generation)
{
    if (generation != generation_ || state_ != State::Requesting)
        return;
    timeOut();
}

void KXWechatQRPoll::signIn(const Id& user)
{
    if (!KXSignInEvents::isCurrent(attempt_)) {
        // The account changed while this code was on show: the first sign-in stays.
        signedInElsewhere();
        return;
    }
    // Signed in before the post, so that this poll's own observer does not take it for another.
    ++generation_;
    state_ = State::SignedIn;
    budget_ = 0;
    KXSignInEvents::postLoginMessage(user, attempt_);
    KXUserCenterConfig::sharedKXUserCenterConfig().setIsAutologin(true);
    if (auto delegate = delegate_.lock())
        delegate->wechatSignedIn(user);
}

void KXWechatQRPoll::observeSignIns()
{
    if (signIns_.isActive())
        return;
    std::weak_ptr<KXWechatQRPoll> weak = weak_from_this();
    signIns_ = dispatch::NotificationCenter::defaultCenter().addObserver(
        KXSignInEvents::kNotification, Id(), nullptr, [weak](const dispatch::Notification& notification) {
            if (!notification.userInfo || !notification.userInfo->containsKey("loginMessage"))
                return;
            if (auto self = weak.lock())
                self->signedInElsewhere();
        });
}

void KXWechatQRPoll::signedInElsewhere()
{
    // This poll's own sign-in posts the same message.
    if (state_ == State::SignedIn)
        return;
    firstLiveGeneration_ = ++generation_;
    budget_ = 0;
    codeInFlight_ = false;
    pollWaitsForCode_ = false;
    timeOut();
}

void KXWechatQRPoll::timeOut()
{
    if (state_ != State::Requesting)
        return;
    state_ = State::TimedOut;
    if (auto delegate = delegate_.lock())
        delegate->wechatCodeTimeOut();
}
