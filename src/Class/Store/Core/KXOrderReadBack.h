#pragma once

#include "Class/Store/Core/KXStoreService.h"
#include "Platform/Foundation/Error.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

// Tells whether an order whose reply never came (a time-out, a broken connection) was made, from
// the number of unpaid orders (getUnpaid): a count above the one read before the order says the
// service made it. An order placed elsewhere meanwhile reads the same way; that errs on the side
// of sending no second order.
//
// The service may make such an order long after the client gave up, so its outcome stays unknown
// until it is known: until an order reply comes or a count above the one from before it is read.
// Until then that count stays the one to compare with, and every later press reads first whether
// the lost one has appeared since. A count that has not risen does not make it unknown no more:
// the press sends nothing, and the person decides (submitAgain() before a new order). No order
// goes without a count from before it: a press with none reads it first.
//
// What settles an order is kept in the user defaults under kStoredKey, by the account's key, before
// its request leaves: the count from before it and its selection text (its fonts and licences). It
// is cleared when a reply or a read settles the order, so that an end of the client at any moment
// (before the request left, on its way, after a failure) leaves the order unknown to the next
// start, which reads the count once that account is signed in (settle()). A sign-out keeps it;
// another account never sees it. The older form ({account key: count}) is still read, as an order
// whose fonts are unknown.
//
// A lost order found made settles a press only when the press orders exactly its fonts with its
// licences; otherwise the person is told of the earlier order (kEarlierOrderPlacedMessage) and the
// press goes on. Found by a read no press asked for (a look, a count read elsewhere: countRead()),
// it is told to its page while it stands, otherwise over the main window.
//
// One belongs to an account (KXStoreSession::orderReadBack), not to a page: what it knows outlives
// the order page and a sign-out and sign-in of the same account. The order goes through
// sendOrder(), whose reply and failure it books even when the page that sent it has gone; it holds
// the page weakly.
//
// It is the one receiver of an order made, whichever road found it (the order's reply, a read
// after a lost reply, a read before the next order): the outcome is booked, the cart the service
// emptied is read again (a read back of the cart, which the cart page, its licence chooser and the
// cart badge follow), and the hand-over runs as far as the page that asked still stands: that
// page hands over itself (Page::orderMade); with the page gone the person is told over the main
// window (kOrderPlacedMessage), the order is marked as awaiting payment (kOrderReminderKey "0")
// and kCheckOrderNotification is posted so that the unpaid orders are watched. ordersMade()
// counts the orders made, so that a page tells a list taken before one (whose fonts the service
// took out of the cart) from a list taken after it. Main thread only.
class KXOrderReadBack {
public:
    enum class Outcome {
        Placed, // the count rose: the order was made
        NotPlaced, // no order's outcome is unknown: an order may be sent
        Unknown, // nothing could be read, or an order is still on its way: send nothing
        StillUnknown, // a lost order has not appeared (yet): send nothing unless the person says so
    };
    using Then = std::function<void(Outcome outcome)>;

    // The order page that asked, while it stands (held weakly). Its methods default to nothing.
    class Page {
    public:
        virtual ~Page() = default;
        // Whether the page still stands where the person sees it (it may outlive that briefly).
        virtual bool stands() const { return true; }
        // An order this page asked for was made: `reply` is its reply, nil when a read found it
        // made (there is no payment address then).
        virtual void orderMade(const foundation::Id& reply) = 0;
        // The order was refused by its reply: nothing was made.
        virtual void orderRefused(const foundation::Id& /*reply*/) { }
        // The order got no reply and has not been seen made (StillUnknown), or nothing could be
        // read (Unknown).
        virtual void orderOutcomeUnknown(Outcome /*outcome*/) { }
    };

    // The user default that keeps unknown outcomes: {account key: the count from before the order}.
    static constexpr const char* kStoredKey = "orderOutcomeUnknown";
    // Told when an order is made without a payment address to open, or after its page went.
    static constexpr const char* kOrderPlacedMessage = "订单已提交，请在个人中心-我的订单中完成支付";
    // Told when a press finds an earlier lost order made that holds other fonts or licences.
    static constexpr const char* kEarlierOrderPlacedMessage
        = "之前的订单已提交，请在个人中心-我的订单中完成支付";
    // Marks an order awaiting payment ("0"), which the unpaid-order reminder watches.
    static constexpr const char* kOrderReminderKey = "my_orderClick";
    // An order is known to be made with no hand-over to the orders: the unpaid orders are watched.
    static constexpr const char* kCheckOrderNotification = "buyCartsCheckOrder";

    // `storageKey`: the account's key to keep an unknown outcome under; empty keeps nothing.
    explicit KXOrderReadBack(std::shared_ptr<KXStoreService> service = nullptr, std::string storageKey = {});
    ~KXOrderReadBack();
    KXOrderReadBack(const KXOrderReadBack&) = delete;
    KXOrderReadBack& operator=(const KXOrderReadBack&) = delete;

    // Reads the count the next order compares with (when the page opens, after an order reply);
    // the latest read is kept. While it is read an order has nothing to compare with.
    void readCount();
    // Before an order is sent: NotPlaced at once while a count is known and no order's outcome is
    // unknown; Unknown at once while an order is on its way. Otherwise the count is read first and
    // `then` gets Placed (it rose over the one from before a lost order: the order made has been
    // received, for `page`, before `then` hears of it), StillUnknown (it did not: the lost order
    // may still be made), NotPlaced (no order was lost: the order may go, compared with that count)
    // or Unknown (the read failed: send nothing). `order`, the press's selection text: a lost order
    // found made with other fonts or licences is told as an earlier order and the press gets
    // NotPlaced; without it any order found settles the press.
    void beforeOrder(
        Then then, std::weak_ptr<Page> page = {}, std::optional<std::string> order = std::nullopt);
    // The person chose to order again although a lost order may have been made: its outcome is
    // no longer waited for, and the next order compares with the count read last.
    void submitAgain();
    // The person chose to order again: the count is read once more first, so that a lost order
    // that has landed meanwhile is found (Placed, or NotPlaced after telling of an earlier order
    // with other fonts, as beforeOrder()); not seen made, the next order compares with this count
    // (NotPlaced). Unknown when nothing could be read or an order is on its way.
    void submitAgain(Then then, std::weak_ptr<Page> page, std::optional<std::string> order);
    // Sends the order `info` (subOrder), compared with the count known now, for `page`. A reply
    // that accepts it is an order made; one that refuses it reaches Page::orderRefused. A failure
    // is read back: made when the count rose, otherwise Page::orderOutcomeUnknown.
    void sendOrder(const std::string& info, std::weak_ptr<Page> page);

    // The steps of sendOrder(), for a caller that sends the order itself.
    // The order `order` (its selection text) goes now, compared with the count known at this
    // moment; both are kept before it leaves.
    void orderSent(const std::string& order = {});
    // The order's reply came: its outcome is known (an order made when the reply accepts it), and
    // the count is read again.
    void orderAnswered(const foundation::Id& reply = {});
    // The order failed without a reply. With a count from before it, that count is kept until the
    // outcome is known and read again now: `then` gets Placed when it rose (the order made
    // received first), Unknown otherwise. When the account that asked is gone nothing is read,
    // and the outcome stays unknown for its return. Without a count from before it there is
    // nothing to tell (Unknown).
    void orderFailed(const foundation::Ref<foundation::Error>& error, Then then);

    // A look at the orders (a start once signed in, the window activated): an order whose outcome
    // is unknown is read back, and told when found made. Nothing while an order or a read is on
    // its way.
    void settle();
    // A count of unpaid orders read elsewhere: a lost order is found made when it rose.
    void countRead(long long count);

    // An order was sent whose outcome is still unknown.
    bool isOutcomeUnknown() const;
    // An order request is on its way.
    bool isOrderOnItsWay() const;
    // The count an order sent now compares with.
    std::optional<long long> count() const;
    // How many orders were known made so far.
    unsigned long long ordersMade() const;

private:
    struct State;
    std::shared_ptr<State> state_;
};
