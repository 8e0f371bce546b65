#include "Class/Store/Core/KXCartSelection.h"

#include "Class/Store/Core/KXStoreTexts.h"

#include <algorithm>

void KXCartSelection::setRows(std::vector<int> fontids)
{
    rows_ = std::move(fontids);
}

void KXCartSelection::followRows(std::vector<int> fontids)
{
    const std::unordered_set<int> before(rows_.begin(), rows_.end());
    const std::unordered_set<int> now(fontids.begin(), fontids.end());
    std::erase_if(selected_, [&now](int fontid) { return !now.contains(fontid); });
    for (int fontid : fontids) {
        if (!before.contains(fontid) && !isTicked(fontid))
            selected_.push_back(fontid);
    }
    rows_ = std::move(fontids);
    allSelected_ = !rows_.empty() && selected_.size() == rows_.size();
}

bool KXCartSelection::isTicked(int fontid) const
{
    return std::find(selected_.begin(), selected_.end(), fontid) != selected_.end();
}

bool KXCartSelection::setAllSelected(bool on)
{
    if (rows_.empty())
        return false;
    allSelected_ = on;
    selected_.clear();
    if (on)
        selected_ = rows_;
    return true;
}

void KXCartSelection::tick(int fontid, bool ticked)
{
    if (ticked)
        selected_.push_back(fontid);
    else
        selected_.erase(std::remove(selected_.begin(), selected_.end(), fontid), selected_.end());
    followSelectAll();
}

void KXCartSelection::followSelectAll()
{
    if (selected_.size() == rows_.size())
        allSelected_ = true;
    else if (allSelected_)
        allSelected_ = false;
}

void KXCartSelection::clear()
{
    selected_.clear();
    allSelected_ = false;
}

std::size_t KXCartSelection::untickMissing(const std::unordered_set<int>& present)
{
    const auto before = selected_.size();
    selected_.erase(
        std::remove_if(selected_.begin(), selected_.end(), [&](int id) { return !present.contains(id); }),
        selected_.end());
    const auto removed = before - selected_.size();
    if (removed > 0)
        followSelectAll();
    return removed;
}

std::string KXCartSelection::selectedIDs() const
{
    std::string text;
    for (const int id : selected_) {
        if (!text.empty())
            text.push_back(',');
        text += std::to_string(id);
    }
    return text;
}

std::string KXCartSelection::countText() const
{
    return KXStoreTexts::cartCount(selected_.size());
}

std::string KXCartSelection::buyTitle() const
{
    return managing_ ? "删除" : "购买";
}

std::string KXCartSelection::manageTitle() const
{
    return managing_ ? "完成" : "管理";
}
