#include "Platform/Desktop/FocusQueries.h"

namespace desktop {
namespace {

struct FocusQueriesSlot {
    std::mutex mutex;
    std::shared_ptr<FocusQueries> queries;
};

FocusQueriesSlot& focusQueriesSlot()
{
    static FocusQueriesSlot slot;
    return slot;
}

} // namespace

std::shared_ptr<FocusQueries> FocusQueries::shared()
{
    auto& slot = focusQueriesSlot();
    std::lock_guard lock(slot.mutex);
    return slot.queries;
}

std::shared_ptr<FocusQueries> FocusQueries::install(std::shared_ptr<FocusQueries> queries)
{
    auto& slot = focusQueriesSlot();
    std::lock_guard lock(slot.mutex);
    auto previous = std::move(slot.queries);
    slot.queries = std::move(queries);
    return previous;
}

bool FakeFocusQueries::pointerButtonHeld()
{
    std::lock_guard lock(mutex_);
    return buttonHeld_;
}

unsigned long FakeFocusQueries::activeWindow()
{
    std::lock_guard lock(mutex_);
    return active_;
}

bool FakeFocusQueries::ownsWindow(unsigned long window)
{
    std::lock_guard lock(mutex_);
    return own_.contains(window);
}

void FakeFocusQueries::setPointerButtonHeld(bool held)
{
    std::lock_guard lock(mutex_);
    buttonHeld_ = held;
}

void FakeFocusQueries::setActiveWindow(unsigned long window)
{
    std::lock_guard lock(mutex_);
    active_ = window;
}

void FakeFocusQueries::addOwnWindow(unsigned long window)
{
    std::lock_guard lock(mutex_);
    own_.insert(window);
}

ScopedFakeFocusQueries::ScopedFakeFocusQueries()
    : fake_(std::make_shared<FakeFocusQueries>())
    , previous_(FocusQueries::install(fake_))
{
}

ScopedFakeFocusQueries::~ScopedFakeFocusQueries()
{
    FocusQueries::install(previous_);
}

} // namespace desktop
