#include "Class/Store/Core/KXOrderReadBack.h"

#include "Class/ServiceCore/Transport/KXAccountWrites.h"
#include "Class/ServiceCore/Transport/KXRequestAccount.h"
#include "Class/Store/Core/KXOrderSelection.h"
#include "Class/Theme/ToastPresenter.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Storage/UserDefaults.h"

#include <utility>

using foundation::Id;
using Outcome = KXOrderReadBack::Outcome;

namespace {

// The unpaid orders a getUnpaid reply counts; none for a refused reply.
std::optional<long long> unpaidOrdersIn(const Id& reply)
{
    const Id num = reply["corvane_data"]["num"];
    if (!KXStoreService::succeeded(reply) || num.isNil())
        return std::nullopt;
    return num.integerValue();
}

// An order made after its page went: the person is told over the main window, and the reminder
// watches the order as the page's hand-over would have had it.
void toldWithoutItsPage(const char* message)
{
    if (auto presenter = ToastPresenter::shared())
        presenter->show(message, ToastStyle::Info, ToastWindow::main());
    auto& defaults = foundation::UserDefaults::standardUserDefaults();
    defaults.setObject(Id("0"), KXOrderReadBack::kOrderReminderKey);
    defaults.synchronize();
    dispatch::NotificationCenter::defaultCenter().post(KXOrderReadBack::kCheckOrderNotification);
}

} // namespace

// The bookkeeping lives here so that replies hold it weakly and outlive no owner.
struct KXOrderReadBack::State : std::enable_shared_from_this<State> {
    std::shared_ptr<KXStoreService> service;
    std::string storageKey;
    std::optional<long long> count;
    // The count read last, which an order the person sends again compares with.
    std::optional<long long> lastRead;
    std::optional<long long> sentWith;
    // The selection text of the order on its way, and of the one whose outcome is unknown ("" when
    // it is not known: an order kept by an earlier version).
    std::string sentOrder;
    std::string unknownOrder;
    // The page of the order whose outcome is unknown, told when a later read finds it made.
    std::weak_ptr<Page> unknownPage;
    // Reads of this read-back's own on their way: they decide, not a count read elsewhere meanwhile.
    unsigned ownReads = 0;
    bool unknown = false;
    bool onItsWay = false;
    unsigned long long made = 0;
    // Numbers the reads: only the latest one asked sets the count.
    unsigned long long reads = 0;

    KXStoreService& store() { return service ? *service : *(service = KXStoreService::shared()); }

    // What settles the order on its way or lost, as the account's defaults keep it across starts:
    // {"count": the count from before it, "order": its selection text}. Written before the order
    // leaves, so that an end of the client at any moment leaves it known.
    void keep()
    {
        if (storageKey.empty())
            return;
        auto& defaults = foundation::UserDefaults::standardUserDefaults();
        const auto stored = defaults.dictionaryForKey(kStoredKey);
        auto kept = stored ? foundation::MutableDictionary::dictionaryWithDictionary(*stored) : foundation::MutableDictionary::create();
        const std::optional<long long> from = unknown ? count : (onItsWay ? sentWith : std::nullopt);
        if (from) {
            const std::string& order = unknown ? unknownOrder : sentOrder;
            kept->setObject(Id(foundation::Dictionary::create(
                                { { Id("count"), Id(*from) }, { Id("order"), Id(order) } })),
                Id(storageKey));
        } else {
            kept->removeObjectForKey(Id(storageKey));
        }
        if (kept->count() > 0)
            defaults.setObject(Id(kept), kStoredKey);
        else
            defaults.removeObjectForKey(kStoredKey);
        defaults.synchronize();
    }
    void restore()
    {
        if (storageKey.empty())
            return;
        const Id kept = Id(foundation::UserDefaults::standardUserDefaults().dictionaryForKey(kStoredKey))[storageKey];
        // The older form holds the count alone: an order whose fonts are unknown.
        const Id from = kept.dictionary() ? kept["count"] : kept;
        if (from.isNil() || from.dictionary())
            return;
        unknown = true;
        count = from.integerValue();
        sentWith = count;
        unknownOrder = kept["order"].stringValue();
    }
    void setUnknown(bool value)
    {
        if (unknown == value)
            return;
        unknown = value;
        keep();
    }

    void readCount()
    {
        // The count from before an order on its way or lost stays the one to compare with.
        if (unknown || onItsWay)
            return;
        count.reset();
        const unsigned long long number = ++reads;
        std::weak_ptr<State> weak = weak_from_this();
        auto keep = [weak, number](std::optional<long long> read) {
            auto state = weak.lock();
            if (state && state->reads == number && !state->unknown)
                state->count = read;
        };
        store().getUnpaidOriderSuceess([keep](const Id& reply) { keep(unpaidOrdersIn(reply)); },
            [keep](const foundation::Ref<foundation::Error>&) { keep(std::nullopt); });
    }

    // Reads the count now: Placed when it rose over the one from before a lost order, StillUnknown
    // when it did not, NotPlaced when no order was lost (the count to compare the next order with),
    // Unknown when it cannot be read.
    void readBack(Then then)
    {
        ++reads;
        ++ownReads;
        std::weak_ptr<State> weak = weak_from_this();
        store().getUnpaidOriderSuceess(
            [weak, then](const Id& reply) {
                auto state = weak.lock();
                if (!state)
                    return;
                --state->ownReads;
                const auto now = unpaidOrdersIn(reply);
                if (!now) {
                    then(Outcome::Unknown);
                    return;
                }
                state->lastRead = now;
                if (!state->unknown) {
                    // An order on its way meanwhile compares with the count from before it.
                    if (!state->onItsWay)
                        state->count = now;
                    then(Outcome::NotPlaced);
                    return;
                }
                // The count from before the lost order stays until it is seen made.
                const bool rose = state->count && *now > *state->count;
                if (rose) {
                    if (!state->onItsWay)
                        state->count = now;
                    state->setUnknown(false);
                }
                then(rose ? Outcome::Placed : Outcome::StillUnknown);
            },
            [weak, then](const foundation::Ref<foundation::Error>&) {
                if (auto state = weak.lock()) {
                    --state->ownReads;
                    then(Outcome::Unknown);
                }
            });
    }

    // Every road that finds an order made ends here.
    void received(
        const Id& reply, const std::weak_ptr<Page>& page, const char* withoutItsPage = kOrderPlacedMessage)
    {
        ++made;
        // The service took the ordered fonts out of the cart.
        KXAccountWrites::read(KXAccountWrites::Read::Cart);
        if (auto standing = page.lock(); standing && standing->stands())
            standing->orderMade(reply);
        else
            toldWithoutItsPage(withoutItsPage);
    }

    // The lost order was found made by a read that no press asked for.
    void foundMade() { received(Id(), std::exchange(unknownPage, {})); }

    // Reads back as readBack() does, receiving an order found made before `then` hears of it. For
    // a press (`pressed`: its selection text) the order found settles it only when it holds the
    // same fonts with the same licences; otherwise the person is told of the earlier order and the
    // press goes on as a new order (NotPlaced, compared with the count just read).
    void readBackFor(std::weak_ptr<Page> page, Then then, std::optional<std::string> pressed = std::nullopt)
    {
        std::weak_ptr<State> weak = weak_from_this();
        readBack([weak, page = std::move(page), then = std::move(then), pressed = std::move(pressed)](
                     Outcome outcome) {
            auto state = weak.lock();
            if (outcome == Outcome::Placed && state) {
                if (pressed && !KXOrderSelection::sameOrder(state->unknownOrder, *pressed)) {
                    // Told as with its page gone: the page that sent it may be this press's own,
                    // whose order this is not.
                    state->unknownPage.reset();
                    state->received(Id(), {}, kEarlierOrderPlacedMessage);
                    then(state->onItsWay ? Outcome::Unknown : Outcome::NotPlaced);
                    return;
                }
                state->unknownPage.reset();
                state->received(Id(), page);
            }
            then(outcome);
        });
    }

    // A count read elsewhere (the badge's, a look's, the settling read): it settles a lost order
    // as the order's own read would. While an order or a read of this read-back's own is on its
    // way, that one decides.
    void countRead(long long now)
    {
        if (!unknown || onItsWay || ownReads > 0 || !count)
            return;
        lastRead = now;
        if (now <= *count)
            return;
        count = now;
        setUnknown(false);
        foundMade();
    }

    void answered(const Id& reply, const std::weak_ptr<Page>& page)
    {
        onItsWay = false;
        unknown = false;
        unknownPage.reset();
        keep();
        readCount();
        if (KXStoreService::succeeded(reply))
            received(reply, page);
        else if (auto standing = page.lock())
            standing->orderRefused(reply);
    }

    void failed(const foundation::Ref<foundation::Error>& error, std::weak_ptr<Page> page, Then then)
    {
        onItsWay = false;
        if (!sentWith) {
            keep();
            then(Outcome::Unknown);
            return;
        }
        ++reads;
        count = sentWith;
        unknown = true;
        unknownOrder = sentOrder;
        unknownPage = page;
        keep();
        // The account that asked is gone: its unknown order waits for its return.
        if (KXRequestAccount::isEnded(error)) {
            then(Outcome::Unknown);
            return;
        }
        // The service may make it long after the client gave up: each look at the orders and the
        // end of the settling time read the count again (countRead()).
        KXAccountWrites::settleLater(KXAccountWrites::Read::UnpaidCount);
        readBackFor(std::move(page), [then = std::move(then)](Outcome outcome) {
            then(outcome == Outcome::Placed || outcome == Outcome::StillUnknown ? outcome : Outcome::Unknown);
        });
    }
};

KXOrderReadBack::KXOrderReadBack(std::shared_ptr<KXStoreService> service, std::string storageKey)
    : state_(std::make_shared<State>())
{
    state_->service = std::move(service);
    state_->storageKey = std::move(storageKey);
    state_->restore();
}

void KXOrderReadBack::submitAgain()
{
    if (!state_->unknown || state_->onItsWay)
        return;
    if (state_->lastRead)
        state_->count = state_->lastRead;
    state_->unknownPage.reset();
    state_->setUnknown(false);
}

void KXOrderReadBack::submitAgain(Then then, std::weak_ptr<Page> page, std::optional<std::string> order)
{
    if (state_->onItsWay) {
        then(Outcome::Unknown);
        return;
    }
    std::weak_ptr<State> weak = state_;
    state_->readBackFor(
        std::move(page),
        [weak, then = std::move(then)](Outcome outcome) {
            auto state = weak.lock();
            if (outcome != Outcome::StillUnknown || !state) {
                then(outcome);
                return;
            }
            // Not made by now: the person's choice stands, compared with the count just read.
            state->count = state->lastRead;
            state->unknownPage.reset();
            state->setUnknown(false);
            then(Outcome::NotPlaced);
        },
        std::move(order));
}

KXOrderReadBack::~KXOrderReadBack() = default;

bool KXOrderReadBack::isOutcomeUnknown() const
{
    return state_->unknown;
}

bool KXOrderReadBack::isOrderOnItsWay() const
{
    return state_->onItsWay;
}

std::optional<long long> KXOrderReadBack::count() const
{
    return state_->count;
}

unsigned long long KXOrderReadBack::ordersMade() const
{
    return state_->made;
}

void KXOrderReadBack::readCount()
{
    state_->readCount();
}

void KXOrderReadBack::beforeOrder(Then then, std::weak_ptr<Page> page, std::optional<std::string> order)
{
    if (state_->onItsWay) {
        then(Outcome::Unknown);
        return;
    }
    if (!state_->unknown && state_->count) {
        then(Outcome::NotPlaced);
        return;
    }
    state_->readBackFor(std::move(page), std::move(then), std::move(order));
}

void KXOrderReadBack::orderSent(const std::string& order)
{
    state_->sentWith = state_->count;
    state_->sentOrder = order;
    state_->onItsWay = true;
    state_->keep();
}

void KXOrderReadBack::settle()
{
    if (!state_->unknown || state_->onItsWay || state_->ownReads > 0)
        return;
    std::weak_ptr<State> weak = state_;
    state_->readBack([weak](Outcome outcome) {
        if (auto state = weak.lock(); state && outcome == Outcome::Placed)
            state->foundMade();
    });
}

void KXOrderReadBack::countRead(long long count)
{
    state_->countRead(count);
}

void KXOrderReadBack::orderAnswered(const Id& reply)
{
    state_->answered(reply, {});
}

void KXOrderReadBack::orderFailed(const foundation::Ref<foundation::Error>& error, Then then)
{
    state_->failed(error, {}, std::move(then));
}

void KXOrderReadBack::sendOrder(const std::string& info, std::weak_ptr<Page> page)
{
    orderSent(info);
    // Booked whether or not the page that sent it is still there.
    std::weak_ptr<State> weak = state_;
    state_->store().submitBuyCartsOriderWithInfo(
        info,
        [weak, page](const Id& reply) {
            if (auto state = weak.lock())
                state->answered(reply, page);
        },
        [weak, page](const foundation::Ref<foundation::Error>& error) {
            auto state = weak.lock();
            if (!state)
                return;
            state->failed(error, page, [page](Outcome outcome) {
                if (outcome == Outcome::Placed)
                    return;
                if (auto standing = page.lock())
                    standing->orderOutcomeUnknown(outcome);
            });
        });
}
