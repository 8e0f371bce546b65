#pragma once

#include "Class/Account/Core/KXSignInEvents.h"
#include "Platform/Dispatch/Subscription.h"
#include "Platform/Foundation/Object.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

// The two service operations of the WeChat sign-in; service() sends them through KXHTTPBUSINESS
// (getWxQrCode, checkWxLogin). Tests install their own. Replies and failures arrive on the main
// queue.
class KXWechatLoginEndpoints {
public:
    using Reply = std::function<void(const foundation::Id& reply)>;
    using Failure = std::function<void()>;

    virtual ~KXWechatLoginEndpoints() = default;
    virtual void getWeChatCode(Reply reply, Failure failure) = 0;
    virtual void loginWithWeChatTicket(const std::string& ticket, Reply reply, Failure failure) = 0;

    static std::shared_ptr<KXWechatLoginEndpoints> service();
};

// What the QR panel shows; every method defaults to doing nothing.
class KXWechatQRPollDelegate {
public:
    virtual ~KXWechatQRPollDelegate() = default;
    // A fresh code: load its image from `url`.
    virtual void wechatCodeShown(const std::string& url) { (void)url; }
    // The code is dead (no confirmation in time, or the service could not be asked): show the
    // timed-out image; a click asks for a new code.
    virtual void wechatCodeTimeOut() { }
    // Someone scanned and confirmed: the sign-in notification has been posted; close the window.
    virtual void wechatSignedIn(const foundation::Id& user) { (void)user; }
};

// The WeChat QR sign-in of one login panel: asks for a code, then polls the service with the
// code's ticket until someone confirms, the budget runs out or the panel stops it.
//
// Timing: the first poll 11 s after the code was asked for (10 s, then the 1 s pause before every
// poll), each later poll 1 s after the previous reply, strictly one at a time, and never before
// the code's reply is in. Each code starts a budget of 500: a code nobody confirms is polled 501
// times, the timed-out state begins while the 501st poll is in flight, and a confirmation that
// this last poll still reports signs the user in.
//
// Each panel has its own poll, budget and ticket, so one window never stops another's polling. A
// code request or poll that fails (no reply, an error reply to the code request, a reply without
// a ticket) ends in the timed-out state instead of leaving a dead code on show; no poll is ever
// sent without a ticket. stop() (the panel switched or went away) schedules nothing further; a
// confirmation already in flight still signs in.
//
// Any sign-in of the process ("homeNotificationCenter" with "loginMessage": another panel, the
// account form, QQ, a registration) ends every poll that has asked for a code: nothing further
// is sent, a code on show turns to the timed-out state (a click asks for a new one, which is
// polled again), and a confirmation still in flight for any earlier code is dropped, so nobody is
// signed in over the account that just signed in. Each code is an attempt of its own: it takes the
// account mark when it is asked for (KXSignInEvents), and a confirmation whose mark has gone out of
// date meanwhile (any sign-in or sign-out since) posts nothing and ends like the code of a window
// that someone else signed in from.
//
// A confirmation posts "homeNotificationCenter" {"loginMessage": user} and turns automatic
// sign-in on (KXUserCenterConfig). The module label becomes "二维码轮询异常" at every poll step.
//
// Delays run on the main queue's clock; replies and the delayed steps hold the poll weakly.
// Main thread only.
class KXWechatQRPoll : public std::enable_shared_from_this<KXWechatQRPoll> {
public:
    enum class State {
        Idle,       // no code asked for yet
        Requesting, // a code is asked for or on show, polls scheduled
        TimedOut,   // the code is dead; refresh() asks for another
        SignedIn,
        Stopped,    // the panel switched away or went away
    };

    static constexpr long long kBudget = 500;
    static constexpr double kFirstPollDelay = 10;
    static constexpr double kPollPause = 1;
    static constexpr const char* kPollModule = "二维码轮询异常";

    static std::shared_ptr<KXWechatQRPoll> create(std::shared_ptr<KXWechatLoginEndpoints> endpoints = nullptr);

    void setDelegate(std::weak_ptr<KXWechatQRPollDelegate> delegate) { delegate_ = std::move(delegate); }

    // Asks for a new code with a fresh budget and schedules the first poll.
    void loadWechatCode();
    // The click on the timed-out image: a new code, only while timed out.
    bool refresh();
    // No further poll; replies in flight are ignored unless they confirm.
    void stop();

    State state() const { return state_; }
    long long budget() const { return budget_; }
    const std::string& ticket() const { return ticket_; }
    // Whether a click on the image asks for a new code (the click gesture is attached).
    bool isRefreshArmed() const { return state_ == State::TimedOut; }

    explicit KXWechatQRPoll(std::shared_ptr<KXWechatLoginEndpoints> endpoints);

private:
    void checkLoginState(std::uint64_t generation);
    void sendPoll(std::uint64_t generation);
    void codeReplied(std::uint64_t generation, const foundation::Id& reply);
    void pollReplied(std::uint64_t generation, const foundation::Id& reply);
    void pollFailed(std::uint64_t generation);
    void signIn(const foundation::Id& user);
    void timeOut();
    void observeSignIns();
    void signedInElsewhere();

    std::shared_ptr<KXWechatLoginEndpoints> endpoints_;
    std::weak_ptr<KXWechatQRPollDelegate> delegate_;
    State state_ = State::Idle;
    long long budget_ = 0;
    std::string ticket_;
    // Each code request starts a generation; replies and delays of an older one are dropped.
    std::uint64_t generation_ = 0;
    bool codeInFlight_ = false;
    bool pollWaitsForCode_ = false;
    // Confirmations of generations before this one came after someone else signed in.
    std::uint64_t firstLiveGeneration_ = 0;
    // The account mark taken when the code on show was asked for.
    KXSignInEvents::Attempt attempt_;
    dispatch::Subscription signIns_;
};
