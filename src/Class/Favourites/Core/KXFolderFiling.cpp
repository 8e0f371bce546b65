#include "Class/Favourites/Core/KXFolderFiling.h"

#include "Class/FontList/Core/KXFolderChange.h"
#include "Platform/Foundation/String.h"

#include <unordered_set>

using foundation::Id;

KXFolderFiling::KXFolderFiling(long long fontid)
    : fontid_(fontid)
{
}

std::string KXFolderFiling::key(const Id& folderId)
{
    return folderId.string() || folderId.number() ? folderId.stringValue() : std::string();
}

bool KXFolderFiling::isCreateItem(const Id& folder)
{
    return folder["collect_name"].stringValue() == kCreateItemName;
}

void KXFolderFiling::setFolders(const foundation::Ref<foundation::Array>& folders)
{
    folders_ = folders;
    if (!folders_ || folders_->count() >= 2)
        return;
    for (const Id& folder : *folders_) {
        // Once: a box the user unticked stays so through later lists.
        if (folder["collect_name"].stringValue() == kDefaultFolderName && !chosen_.contains(key(folder["id"]))
            && !holds(folder))
            click(folder, true);
    }
}

bool KXFolderFiling::holds(const Id& folder) const
{
    return KXFolderChange::folderHolds(folder, fontid_);
}

bool KXFolderFiling::isTicked(const Id& folder) const
{
    const auto chosen = chosen_.find(key(folder["id"]));
    return chosen != chosen_.end() ? chosen->second : holds(folder);
}

void KXFolderFiling::click(const Id& folder, bool ticked)
{
    const std::string id = key(folder["id"]);
    if (isCreateItem(folder) || id.empty())
        return;
    chosen_[id] = ticked;
}

bool KXFolderFiling::unchanged() const
{
    if (!folders_)
        return true;
    for (const Id& folder : *folders_)
        if (!isCreateItem(folder) && isTicked(folder) != holds(folder))
            return false;
    return true;
}

std::vector<Id> KXFolderFiling::finalFolders() const
{
    std::vector<Id> held;
    if (!folders_)
        return held;
    std::unordered_set<std::string> seen;
    for (const Id& folder : *folders_) {
        const std::string id = key(folder["id"]);
        if (id.empty() || !isTicked(folder) || !seen.insert(id).second)
            continue;
        held.push_back(folder["id"]);
    }
    return held;
}

std::string KXFolderFiling::collectIdText() const
{
    std::string text;
    for (const Id& id : finalFolders()) {
        if (!text.empty())
            text += ',';
        text += key(id);
    }
    return text;
}
