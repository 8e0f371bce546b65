#include "Class/FontList/Core/KXListReload.h"

#include "Class/ServiceCore/Catalogue/KXBaseDBManager.h"
#include "Class/ServiceCore/Catalogue/KXFontBaseModel.h"
#include "Platform/Dispatch/Queue.h"

#include <unordered_map>
#include <utility>

using foundation::Array;
using foundation::MutableArray;
using foundation::Ref;

namespace {

long long fontidOf(const foundation::Id& item)
{
    const auto* record = item.ptr<KXFontBaseModel>();
    return record ? record->fontid : 0;
}

} // namespace

std::shared_ptr<KXListReload> KXListReload::create(KXBaseDBManager& manager, std::size_t firstRows)
{
    return std::shared_ptr<KXListReload>(new KXListReload(manager, firstRows));
}

KXListReload::KXListReload(KXBaseDBManager& manager, std::size_t firstRows)
    : manager_(manager)
    , firstRows_(firstRows > 0 ? firstRows : 1)
{
}

KXListReload::~KXListReload()
{
    supersede();
}

void KXListReload::supersede()
{
    generation_ += 1;
    readingRest_ = false;
    shown_.clear();
    if (stopRead_)
        stopRead_->store(true);
    stopRead_ = nullptr;
}

Ref<MutableArray> KXListReload::start(const KXCatalogueStatement& statement)
{
    return start(statement, statement, true);
}

Ref<MutableArray> KXListReload::start(const KXCatalogueStatement& first, const KXCatalogueStatement& whole)
{
    return start(first, whole, false);
}

Ref<MutableArray> KXListReload::start(
    const KXCatalogueStatement& firstStatement, const KXCatalogueStatement& statement, bool mayBeComplete)
{
    // The read under way stops first, so that the first rows need not wait for it on the queue.
    supersede();
    const KXBaseDBManager::FirstRows first = manager_.firstRowsBySqlStr(firstStatement, firstRows_);
    if (first.complete && mayBeComplete)
        return first.records;
    for (const foundation::Id& item : *first.records)
        shown_.push_back(fontidOf(item));
    shownCatalogue_ = first.generation;
    readingRest_ = true;
    auto stop = std::make_shared<std::atomic<bool>>(false);
    stopRead_ = stop;
    const unsigned long long generation = generation_;
    std::weak_ptr<KXListReload> weak = weak_from_this();
    manager_.readInBackground(
        statement, [stop] { return stop->load(); },
        [weak, generation](Ref<MutableArray> whole, unsigned long long catalogueGeneration) {
            dispatch::mainQueue().async([weak, generation, whole = std::move(whole), catalogueGeneration] {
                if (const auto reload = weak.lock())
                    reload->land(generation, whole, catalogueGeneration);
            });
        });
    return first.records;
}

void KXListReload::land(
    unsigned long long generation, const Ref<MutableArray>& whole, unsigned long long catalogueGeneration)
{
    if (generation != generation_ || !readingRest_)
        return;
    readingRest_ = false;
    stopRead_ = nullptr;
    const std::vector<long long> shown = std::exchange(shown_, {});
    Rest rest;
    // The read failed: the rows shown stay, and the handler learns that nothing more comes.
    if (!whole) {
        if (restHandler_)
            restHandler_(rest);
        return;
    }
    if (catalogueGeneration == shownCatalogue_)
        rest.following = following(shown, *whole);
    if (!rest.following)
        rest.replacement = whole;
    if (restHandler_)
        restHandler_(rest);
}

Ref<MutableArray> KXListReload::following(const std::vector<long long>& shown, const Array& whole)
{
    const auto& items = whole.objects();
    auto rest = MutableArray::create();
    // The usual case: the whole list starts with the rows shown, in their order.
    bool leads = shown.size() <= items.size();
    for (std::size_t i = 0; leads && i < shown.size(); ++i)
        leads = fontidOf(items[i]) == shown[i];
    if (leads) {
        for (std::size_t i = shown.size(); i < items.size(); ++i)
            rest->addObject(items[i]);
        return rest;
    }
    // Rows that tie on every ordering key came in another order: leave out each shown font once.
    std::unordered_map<long long, std::size_t> unmatched;
    for (long long fontid : shown)
        unmatched[fontid] += 1;
    for (const foundation::Id& item : items) {
        const auto found = unmatched.find(fontidOf(item));
        if (found != unmatched.end() && found->second > 0) {
            found->second -= 1;
            continue;
        }
        rest->addObject(item);
    }
    for (const auto& [fontid, left] : unmatched)
        if (left > 0)
            return nullptr;
    return rest;
}
