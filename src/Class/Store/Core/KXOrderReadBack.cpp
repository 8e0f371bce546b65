#include "Class/Store/Core/KXOrderReadBack.h"

#include "Class/ServiceCore/Transport/KXAccountWrites.h"
#include "Class/ServiceCore/Transport/KXRequestAccount.h"
#include "Class/Theme/ToastPresenter.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Storage/UserDefaults.h"

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
void toldWithoutItsPage()
{
    if (auto presenter = ToastPresenter::shared())
        presenter->show(KXOrderReadBack::kOrderPlacedMessage, ToastStyle::Info, ToastWindow {});
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
    bool unknown = false;
    bool onItsWay = false;
    unsigned long long made = 0;
    // Numbers the reads: only the latest one asked sets the count.
    unsigned long long reads = 0;

    KXStoreService& store() { return service ? *service : *(service = KXStoreService::shared()); }

    // The unknown outcome as the account's defaults keep it across starts.
    void keep()
    {
        if (storageKey.empty())
            return;
        auto& defaults = foundation::UserDefaults::standardUserDefaults();
        const auto stored = defaults.dictionaryForKey(kStoredKey);
        auto kept = stored ? foundation::MutableDictionary::dictionaryWithDictionary(*stored) : foundation::MutableDictionary::create();
        if (unknown && count)
            kept->setObject(Id(*count), Id(storageKey));
        else
            kept->removeObjectForKey(Id(storageKey));
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
        if (kept.isNil())
            return;
        unknown = true;
        count = kept.integerValue();
        sentWith = count;
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
        std::weak_ptr<State> weak = weak_from_this();
        store().getUnpaidOriderSuceess(
            [weak, then](const Id& reply) {
                auto state = weak.lock();
                if (!state)
                    return;
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
                if (weak.lock())
                    then(Outcome::Unknown);
            });
    }

    // Every road that finds an order made ends here.
    void received(const Id& reply, const std::weak_ptr<Page>& page)
    {
        ++made;
        // The service took the ordered fonts out of the cart.
        KXAccountWrites::read(KXAccountWrites::Read::Cart);
        if (auto standing = page.lock(); standing && standing->stands())
            standing->orderMade(reply);
        else
            toldWithoutItsPage();
    }

    // Reads back as readBack() does, receiving an order found made before `then` hears of it.
    void readBackFor(std::weak_ptr<Page> page, Then then)
    {
        std::weak_ptr<State> weak = weak_from_this();
        readBack([weak, page = std::move(page), then = std::move(then)](Outcome outcome) {
            if (outcome == Outcome::Placed)
                if (auto state = weak.lock())
                    state->received(Id(), page);
            then(outcome);
        });
    }

    void answered(const Id& reply, const std::weak_ptr<Page>& page)
    {
        onItsWay = false;
        setUnknown(false);
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
            then(Outcome::Unknown);
            return;
        }
        ++reads;
        count = sentWith;
        unknown = true;
        keep();
        // The account that asked is gone: its unknown order waits for its return.
        if (KXRequestAccount::isEnded(error)) {
            then(Outcome::Unknown);
            return;
        }
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
    state_->setUnknown(false);
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

void KXOrderReadBack::beforeOrder(Then then, std::weak_ptr<Page> page)
{
    if (state_->onItsWay) {
        then(Outcome::Unknown);
        return;
    }
    if (!state_->unknown && state_->count) {
        then(Outcome::NotPlaced);
        return;
    }
    state_->readBackFor(std::move(page), std::move(then));
}

void KXOrderReadBack::orderSent()
{
    state_->sentWith = state_->count;
    state_->onItsWay = true;
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
    orderSent();
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
