#include "Class/Store/Core/KXBrandLookup.h"

#include "Platform/Dispatch/Queue.h"
#include "Platform/Foundation/Array.h"

using foundation::Id;

struct KXBrandLookup::State {
    std::shared_ptr<const Table> table = std::make_shared<Table>();
    unsigned long long requested = 0;
};

KXBrandLookup::KXBrandLookup()
    : state_(std::make_shared<State>())
{
}

KXBrandLookup::~KXBrandLookup() = default;

std::shared_ptr<const KXBrandLookup::Table> KXBrandLookup::index(const Id& categories)
{
    auto table = std::make_shared<Table>();
    for (std::size_t c = 0; c < categories.count(); ++c) {
        const Id offers = categories[c]["brand_data"];
        for (std::size_t o = 0; o < offers.count(); ++o) {
            const Id offer = offers[o];
            (*table)[offer["brand_id"].stringValue()] = offer;
        }
    }
    return table;
}

void KXBrandLookup::getBlindBrandData(const Id& categories, std::function<void()> swapped)
{
    const unsigned long long number = ++state_->requested;
    std::weak_ptr<State> weak = state_;
    // The background reads its own copy of the list; the page keeps changing its own.
    const Id snapshot = categories.copy();
    dispatch::globalQueue(dispatch::Priority::Background)
        .async([weak, number, snapshot, swapped = std::move(swapped)] {
            auto table = index(snapshot);
            dispatch::mainQueue().async([weak, number, table = std::move(table), swapped] {
                auto state = weak.lock();
                if (!state || state->requested != number)
                    return;
                state->table = table;
                if (swapped)
                    swapped();
            });
        });
}

Id KXBrandLookup::offerForBrandID(const std::string& brandID) const
{
    const auto found = state_->table->find(brandID);
    return found == state_->table->end() ? Id() : found->second;
}

std::size_t KXBrandLookup::count() const
{
    return state_->table->size();
}
