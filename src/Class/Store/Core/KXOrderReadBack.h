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
// An unknown outcome outlives the client: it is kept in the user defaults under kStoredKey, by the
// account's key, with the count from before it, and read again when that account's read-back is
// made (a sign-out keeps it; another account never sees it).
//
// One belongs to an account (KXStoreSession::orderReadBack), not to a page: what it knows outlives
// the order page and a sign-out and sign-in of the same account. The order goes through
// sendOrder(), whose reply and failure it books even when the page that sent it has gone; the
// blocks it is given hold the page weakly. Main thread only.
class KXOrderReadBack {
public:
    enum class Outcome {
        Placed, // the count rose: the order was made
        NotPlaced, // no order's outcome is unknown: an order may be sent
        Unknown, // nothing could be read, or an order is still on its way: send nothing
        StillUnknown, // a lost order has not appeared (yet): send nothing unless the person says so
    };
    using Then = std::function<void(Outcome outcome)>;
    // As Then, answering whether anyone was there to be told.
    using Tell = std::function<bool(Outcome outcome)>;

    // The user default that keeps unknown outcomes: {account key: the count from before the order}.
    static constexpr const char* kStoredKey = "orderOutcomeUnknown";

    // `storageKey`: the account's key to keep an unknown outcome under; empty keeps nothing.
    explicit KXOrderReadBack(std::shared_ptr<KXStoreService> service = nullptr, std::string storageKey = {});
    ~KXOrderReadBack();
    KXOrderReadBack(const KXOrderReadBack&) = delete;
    KXOrderReadBack& operator=(const KXOrderReadBack&) = delete;

    // Reads the count the next order compares with (when the page opens, after an order reply);
    // the latest read is kept. While it is read an order has nothing to compare with.
    void readCount();
    // Before an order is sent: Placed at once for a lost order found made with nobody told;
    // NotPlaced at once while a count is known and no order's outcome is unknown; Unknown at once
    // while an order is on its way. Otherwise the count is read first and
    // `then` gets Placed (it rose over the one from before a lost order), StillUnknown (it did not:
    // the lost order may still be made), NotPlaced (no order was lost: the order may go, compared
    // with that count) or Unknown (the read failed: send nothing).
    void beforeOrder(Then then);
    // The person chose to order again although a lost order may have been made: its outcome is
    // no longer waited for, and the next order compares with the count read last.
    void submitAgain();
    // Sends the order `info` (subOrder), compared with the count known now. Its reply reaches
    // `answered` after the outcome is booked as known; its failure is read back and `tell` gets
    // Placed when the count rose, Unknown otherwise. A Placed that `tell` says reached nobody is
    // given to the next beforeOrder().
    void sendOrder(const std::string& info, KXStoreService::Reply answered, Tell tell);

    // The steps of sendOrder(), for a caller that sends the order itself.
    // The order goes now, compared with the count known at this moment.
    void orderSent();
    // The order's reply came: its outcome is known, and the count is read again.
    void orderAnswered();
    // The order failed without a reply. With a count from before it, that count is kept until the
    // outcome is known and read again now: `then` gets Placed when it rose, Unknown otherwise.
    // When the account that asked is gone nothing is read, and the outcome stays unknown for its
    // return. Without a count from before it there is nothing to tell (Unknown).
    void orderFailed(const foundation::Ref<foundation::Error>& error, Then then);

    // An order was sent whose outcome is still unknown.
    bool isOutcomeUnknown() const;
    // An order request is on its way.
    bool isOrderOnItsWay() const;
    // The count an order sent now compares with.
    std::optional<long long> count() const;

private:
    struct State;
    std::shared_ptr<State> state_;
};
