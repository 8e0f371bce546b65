#include "Class/Store/Core/KXOrderSelection.h"

#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/String.h"
#include "Platform/Serialization/JSONSerialization.h"

#include <algorithm>
#include <optional>
#include <set>
#include <unordered_set>
#include <utility>

using foundation::Id;

namespace {

std::string joined(const std::vector<std::string>& ids)
{
    std::string text;
    for (const std::string& id : ids) {
        if (!text.empty())
            text.push_back(',');
        text += id;
    }
    return text;
}

// The (offer, font) pairs of a selection text; nullopt for a text that is none.
std::optional<std::set<std::pair<std::string, std::string>>> orderedPairs(const std::string& text)
{
    const Id entries = foundation::JSONSerialization::JSONObjectWithData(foundation::Data::create(text), 0);
    if (!entries.array())
        return std::nullopt;
    std::set<std::pair<std::string, std::string>> pairs;
    for (std::size_t i = 0; i < entries.count(); ++i) {
        const Id entry = entries[i];
        const std::string bid = entry["bid"].stringValue();
        const std::string all = entry["fids"].stringValue();
        std::size_t start = 0;
        while (start <= all.size()) {
            const std::size_t comma = all.find(',', start);
            const std::string fid
                = all.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
            if (!fid.empty())
                pairs.emplace(bid, fid);
            if (comma == std::string::npos)
                break;
            start = comma + 1;
        }
    }
    if (pairs.empty())
        return std::nullopt;
    return pairs;
}

} // namespace

bool KXOrderSelection::sameOrder(const std::string& one, const std::string& other)
{
    const auto first = orderedPairs(one);
    return first && first == orderedPairs(other);
}

KXOrderSelection::KXOrderSelection()
    : dataA_(foundation::MutableArray::create())
{
}

std::string KXOrderSelection::brandID(const Id& offer)
{
    return offer["brand_id"].stringValue();
}

void KXOrderSelection::setDataA(
    const foundation::Ref<foundation::Array>& offers, std::vector<std::string> fontsA)
{
    dataA_
        = offers ? foundation::MutableArray::create(offers->objects()) : foundation::MutableArray::create();
    fontsA_ = std::move(fontsA);
    oriInfoArray_.clear();
    if (!fontsA_.empty()) {
        for (const Id& offer : dataA_->objects())
            oriInfoArray_.push_back({ brandID(offer), fontsA_ });
    }
    infoArray_ = oriInfoArray_;
    rebuildText();
}

std::vector<KXOrderEntry>::iterator KXOrderSelection::entryOf(const std::string& brandid)
{
    return std::find_if(
        infoArray_.begin(), infoArray_.end(), [&](const KXOrderEntry& e) { return e.bid == brandid; });
}

std::vector<KXOrderEntry>::const_iterator KXOrderSelection::entryOf(const std::string& brandid) const
{
    return std::find_if(
        infoArray_.begin(), infoArray_.end(), [&](const KXOrderEntry& e) { return e.bid == brandid; });
}

void KXOrderSelection::fontChoice(const std::string& brandid, const std::string& fontid)
{
    auto entry = entryOf(brandid);
    if (entry == infoArray_.end()) {
        infoArray_.push_back({ brandid, { fontid } });
    } else {
        auto& fids = entry->fids;
        if (auto found = std::find(fids.begin(), fids.end(), fontid); found != fids.end())
            fids.erase(found);
        else
            fids.push_back(fontid);
        if (fids.empty())
            infoArray_.erase(entry);
    }
    rebuildText();
}

void KXOrderSelection::clearChoice()
{
    infoArray_.clear();
    rebuildText();
}

bool KXOrderSelection::isChosen(const std::string& brandid, const std::string& fontid) const
{
    const auto entry = entryOf(brandid);
    return entry != infoArray_.end()
        && std::find(entry->fids.begin(), entry->fids.end(), fontid) != entry->fids.end();
}

std::vector<std::string> KXOrderSelection::chosenFonts(const std::string& brandid) const
{
    const auto entry = entryOf(brandid);
    return entry == infoArray_.end() ? std::vector<std::string>() : entry->fids;
}

bool KXOrderSelection::isAllSelected() const
{
    return allFontsA_.size() == dataA_->count() * fontsA_.size();
}

long long KXOrderSelection::removeOffer(const std::string& brandid)
{
    const auto& rows = dataA_->objects();
    const auto row
        = std::find_if(rows.begin(), rows.end(), [&](const Id& offer) { return brandID(offer) == brandid; });
    if (row == rows.end())
        return -1;
    const auto index = static_cast<std::size_t>(row - rows.begin());
    if (auto entry = entryOf(brandid); entry != infoArray_.end())
        infoArray_.erase(entry);
    const auto full = std::find_if(
        oriInfoArray_.begin(), oriInfoArray_.end(), [&](const KXOrderEntry& e) { return e.bid == brandid; });
    if (full != oriInfoArray_.end())
        oriInfoArray_.erase(full);
    dataA_->removeObjectAtIndex(index);
    rebuildText();
    return static_cast<long long>(index);
}

KXOrderSelection::Reconciliation KXOrderSelection::reconcile(
    const foundation::Ref<foundation::Array>& selectedOffers)
{
    Reconciliation result;
    const auto offers = selectedOffers ? selectedOffers : foundation::Array::create();
    std::unordered_set<std::string> selected;
    for (const Id& offer : offers->objects())
        selected.insert(brandID(offer));

    for (std::size_t row = 0; row < dataA_->count(); ++row) {
        if (!selected.contains(brandID(dataA_->objectAtIndex(row))))
            result.removedRows.push_back(row);
    }
    for (auto it = result.removedRows.rbegin(); it != result.removedRows.rend(); ++it) {
        const std::string bid = brandID(dataA_->objectAtIndex(*it));
        if (auto entry = entryOf(bid); entry != infoArray_.end())
            infoArray_.erase(entry);
        const auto full = std::find_if(
            oriInfoArray_.begin(), oriInfoArray_.end(), [&](const KXOrderEntry& e) { return e.bid == bid; });
        if (full != oriInfoArray_.end())
            oriInfoArray_.erase(full);
        dataA_->removeObjectAtIndex(*it);
    }

    result.firstAddedRow = dataA_->count();
    std::unordered_set<std::string> held;
    for (const Id& offer : dataA_->objects())
        held.insert(brandID(offer));
    for (const Id& offer : offers->objects()) {
        if (!held.insert(brandID(offer)).second)
            continue;
        dataA_->addObject(offer);
        ++result.addedRows;
        if (fontsA_.empty())
            continue;
        oriInfoArray_.push_back({ brandID(offer), fontsA_ });
        infoArray_.push_back(oriInfoArray_.back());
    }
    rebuildText();
    return result;
}

void KXOrderSelection::rebuildText()
{
    allFontsA_.clear();
    std::vector<Id> objects;
    objects.reserve(infoArray_.size());
    for (const KXOrderEntry& entry : infoArray_) {
        objects.push_back(Id(foundation::Dictionary::create(
            { { Id("bid"), Id(entry.bid) }, { Id("fids"), Id(joined(entry.fids)) } })));
        allFontsA_.insert(allFontsA_.end(), entry.fids.begin(), entry.fids.end());
    }
    const auto data = foundation::JSONSerialization::dataWithJSONObject(
        Id(foundation::Array::create(std::move(objects))), 0);
    infoString_ = data ? std::string(data->view()) : std::string("[]");
}
