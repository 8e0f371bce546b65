#pragma once

#include "Class/ServiceCore/Transport/KXHTTPBUSINESS.h"

#include <functional>
#include <memory>
#include <string>

// What the order reminder shows through its owner (the hub's unpaid-order badge and cart button).
// Every method does nothing unless the owner implements it.
class KXOrderReminderDelegate {
public:
    virtual ~KXOrderReminderDelegate() = default;
    virtual void orderReminderHideBadge() { }
    // A request is on its way: the badge gets its red, rounded look.
    virtual void orderReminderPrepareBadge() { }
    // The badge is shown with this text (empty once the service asked to stop).
    virtual void orderReminderShowBadge(const std::string& text) { (void)text; }
    // The service counts unpaid orders: a personal centre on top refreshes.
    virtual void orderReminderUnpaidOrders() { }
    // A reminder started after an order.
    virtual void orderReminderStarted() { }
};

// The reminder of an order the user has not looked at yet (the user default "my_orderClick" is
// non-empty): every 300 seconds, at most 500 times, it asks the service for the unpaid orders and
// shows their number on the badge. It stops when the key becomes empty (the user opened the order
// page), when the service answers "num" 9999 or a non-zero errcode, or when the polls run out,
// which writes "" to the key; its owner stops it at a sign-out, so that no count of the account
// that ordered reaches the next one. A failed request costs a second poll.
//
// There is one chain of polls at a time: a new order restarts it with 500 polls (the cycle
// waiting and a reply still on its way from the previous chain do nothing). The polls left are
// the process-wide KXHomeProcessState::remainingOrderPolls. Waits are main-queue blocks on the
// installed clock and hold the reminder weakly. Main thread only.
class KXOrderReminder : public std::enable_shared_from_this<KXOrderReminder> {
public:
    // Sends the unpaid-order request.
    using Ask = std::function<void(KXHTTPBUSINESS::Success, KXHTTPBUSINESS::Failure)>;

    static constexpr double kInterval = 300;
    static constexpr unsigned kPolls = 500;
    static constexpr long long kStopNumber = 9999;
    static constexpr const char* kOrderKey = "my_orderClick";

    // `ask` defaults to getUnpaidOriderSuceess on a new facade for every request.
    static std::shared_ptr<KXOrderReminder> create(Ask ask = {});
    KXOrderReminder(const KXOrderReminder&) = delete;
    KXOrderReminder& operator=(const KXOrderReminder&) = delete;

    void setDelegate(const std::shared_ptr<KXOrderReminderDelegate>& delegate) { delegate_ = delegate; }

    // After an order: starts the reminder when the key is set, else hides the badge.
    void tempCheckOrder();
    // One cycle: counts a poll and waits kInterval for the next request, or ends.
    void checkMyOrderState();
    // One request.
    void askMyOrderState();
    // Ends the chain: no polls left; what waits or is on its way does nothing.
    void stop();

    // Whether a cycle waits for its request.
    bool isWaiting() const { return waiting_; }
    // Whether a request is on its way.
    bool isAsking() const { return asking_; }

private:
    explicit KXOrderReminder(Ask ask);
    void endChain();
    static bool orderAwaitsAttention();

    Ask ask_;
    std::weak_ptr<KXOrderReminderDelegate> delegate_;
    unsigned long long chain_ = 0;
    bool waiting_ = false;
    bool asking_ = false;
};
