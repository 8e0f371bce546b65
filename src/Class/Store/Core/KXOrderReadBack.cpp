#include "Class/Store/Core/KXOrderReadBack.h"

#include "Class/ServiceCore/Transport/KXRequestAccount.h"
#include "Class/Store/Core/KXStoreService.h"

using foundation::Id;

namespace {

// The unpaid orders a getUnpaid reply counts; none for a refused reply.
std::optional<long long> unpaidOrdersIn(const Id& reply)
{
    const Id num = reply["corvane_data"]["num"];
    if (!KXStoreService::succeeded(reply) || num.isNil())
        return std::nullopt;
    return num.integerValue();
}

} // namespace

struct KXOrderReadBack::State {
    std::optional<long long> count;
    std::optional<long long> sentWith;
    bool unknown = false;
    unsigned long long reads = 0;
};

KXOrderReadBack::KXOrderReadBack(std::shared_ptr<KXStoreService> service)
    : service_(std::move(service))
    , state_(std::make_shared<State>())
{
}

KXOrderReadBack::~KXOrderReadBack() = default;

bool KXOrderReadBack::isOutcomeUnknown() const
{
    return state_->unknown;
}

std::optional<long long> KXOrderReadBack::count() const
{
    return state_->count;
}

void KXOrderReadBack::readCount()
{
    if (state_->unknown)
        return;
    state_->count.reset();
    const unsigned long long number = ++state_->reads;
    std::weak_ptr<State> weak = state_;
    auto keep = [weak, number](std::optional<long long> count) {
        auto state = weak.lock();
        if (state && state->reads == number && !state->unknown)
            state->count = count;
    };
    auto service = service_ ? service_ : KXStoreService::shared();
    service->getUnpaidOriderSuceess([keep](const Id& reply) { keep(unpaidOrdersIn(reply)); },
        [keep](const foundation::Ref<foundation::Error>&) { keep(std::nullopt); });
}

void KXOrderReadBack::beforeOrder(Then then)
{
    if (!state_->unknown) {
        then(Outcome::NotPlaced);
        return;
    }
    readBack(std::move(then));
}

void KXOrderReadBack::orderSent()
{
    state_->sentWith = state_->count;
}

void KXOrderReadBack::orderAnswered()
{
    state_->unknown = false;
    readCount();
}

void KXOrderReadBack::orderFailed(const foundation::Ref<foundation::Error>& error, Then then)
{
    // A count of an account that has gone tells nothing about the next one's orders.
    if (KXRequestAccount::isEnded(error)) {
        ++state_->reads;
        state_->unknown = false;
        state_->count.reset();
        then(Outcome::Unknown);
        return;
    }
    if (!state_->sentWith) {
        then(Outcome::Unknown);
        return;
    }
    ++state_->reads;
    state_->unknown = true;
    state_->count = state_->sentWith;
    readBack([then = std::move(then)](Outcome outcome) {
        then(outcome == Outcome::Placed ? Outcome::Placed : Outcome::Unknown);
    });
}

void KXOrderReadBack::readBack(Then then)
{
    std::weak_ptr<State> weak = state_;
    auto service = service_ ? service_ : KXStoreService::shared();
    service->getUnpaidOriderSuceess(
        [weak, then](const Id& reply) {
            auto state = weak.lock();
            if (!state)
                return;
            const auto now = unpaidOrdersIn(reply);
            if (!now) {
                then(Outcome::Unknown);
                return;
            }
            const bool rose = *now > state->count.value_or(*now);
            // Not risen, the order to be sent compares with this count; risen, the lost one was
            // made and its outcome is known.
            state->count = now;
            state->unknown = !rose;
            then(rose ? Outcome::Placed : Outcome::NotPlaced);
        },
        [weak, then](const foundation::Ref<foundation::Error>&) {
            if (weak.lock())
                then(Outcome::Unknown);
        });
}
