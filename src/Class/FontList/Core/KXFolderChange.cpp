#include "Class/FontList/Core/KXFolderChange.h"

using foundation::Id;

Id KXFolderChange::folderWithID(const foundation::Array* groupsInfo, std::string_view groupID)
{
    if (!groupsInfo || groupID.empty())
        return nullptr;
    for (const Id& folder : *groupsInfo) {
        const Id id = folder["id"];
        if ((id.string() || id.number()) && id.stringValue() == groupID)
            return folder;
    }
    return nullptr;
}

bool KXFolderChange::folderHolds(const Id& folder, long long fontid)
{
    const Id fonts = folder["fonts"];
    for (std::size_t index = 0; index < fonts.count(); ++index)
        if (fonts[index].integerValue() == fontid)
            return true;
    return false;
}

KXFolderChange::Action KXFolderChange::decide(Rule rule, long long mode, bool hasRow, long long fontid,
    const foundation::Array* groupsInfo, std::string_view groupID)
{
    if (!hasRow)
        return Action::Nothing;
    const auto leavesShownFolder = [&] {
        if (mode != kModeFolder)
            return false;
        const Id folder = folderWithID(groupsInfo, groupID);
        return folder && !folderHolds(folder, fontid);
    };
    switch (rule) {
    case Rule::ReloadRow:
        return Action::ReloadRow;
    case Rule::ReloadRowTellOwnerLeaveFolder:
        if (mode != kModeFolder)
            return Action::ReloadRowTellOwner;
        return leavesShownFolder() ? Action::RemoveRow : Action::Nothing;
    case Rule::RereadFoldersAndRemove:
        return leavesShownFolder() ? Action::RemoveRow : Action::ReloadRow;
    }
    return Action::Nothing;
}
