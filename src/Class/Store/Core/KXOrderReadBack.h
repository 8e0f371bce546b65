#pragma once

#include "Platform/Foundation/Error.h"

#include <functional>
#include <memory>
#include <optional>

class KXStoreService;

// Tells whether an order whose reply never came (a time-out, a broken connection) was made, from
// the number of unpaid orders (getUnpaid): a count above the one read before the order says the
// service made it. An order placed elsewhere meanwhile reads the same way; that errs on the side
// of sending no second order.
//
// The service may make such an order long after the client gave up, so its outcome stays unknown
// until it is known: until an order reply comes or a count above the one from before it is read.
// Until then that count stays the one to compare with, and every later order is preceded by a
// read that tells whether the lost one has appeared since.
//
// The owner (the order page) keeps it and sends one order at a time; a reply that arrives after
// it is gone is dropped. Main thread only.
class KXOrderReadBack {
public:
    enum class Outcome {
        Placed, // the count rose: the order was made
        NotPlaced, // the count did not rise: an order may be sent
        Unknown, // nothing could be read, or there is nothing to compare with
    };
    using Then = std::function<void(Outcome outcome)>;

    explicit KXOrderReadBack(std::shared_ptr<KXStoreService> service = nullptr);
    ~KXOrderReadBack();
    KXOrderReadBack(const KXOrderReadBack&) = delete;
    KXOrderReadBack& operator=(const KXOrderReadBack&) = delete;

    // Reads the count the next order compares with (when the page opens, after an order reply);
    // the latest read is kept. While it is read an order has nothing to compare with.
    void readCount();
    // Before an order is sent: NotPlaced at once while no order's outcome is unknown; otherwise
    // the count is read first and `then` gets Placed (it rose), NotPlaced (it did not: the order
    // may go, compared with that count) or Unknown (the read failed: send nothing).
    void beforeOrder(Then then);
    // The order goes now, compared with the count known at this moment.
    void orderSent();
    // The order's reply came: its outcome is known, and the count is read again.
    void orderAnswered();
    // The order failed without a reply. With a count from before it, that count is kept until the
    // outcome is known and read again now: `then` gets Placed when it rose, Unknown otherwise.
    // Without one, or when the account that asked is gone, there is nothing to tell (Unknown).
    void orderFailed(const foundation::Ref<foundation::Error>& error, Then then);

    // An order was sent whose outcome is still unknown.
    bool isOutcomeUnknown() const;
    // The count an order sent now compares with.
    std::optional<long long> count() const;

private:
    struct State;
    void readBack(Then then);

    std::shared_ptr<KXStoreService> service_;
    std::shared_ptr<State> state_;
};
