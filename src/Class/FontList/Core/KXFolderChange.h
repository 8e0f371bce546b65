#pragma once

#include "Platform/Foundation/Array.h"

#include <string_view>

// What a font list does after the add-to-folder dialog changed the folders of a font, decided
// without the list. The list remembers which font the dialog was opened for and finds that font's
// row now (the rows may have changed since): no row, nothing to do. What follows depends on the
// list's rule (its road policy's afterFolderDialog):
//   - ReloadRow: the row is drawn again (its favourite mark).
//   - ReloadRowTellOwnerLeaveFolder (the font list): on any tab but the folder tab (mode 4) the
//     row is drawn again and the owner told; on the folder tab the row leaves when the shown
//     folder, one of the user's folders, no longer holds the font, and is left alone otherwise.
//   - RereadFoldersAndRemove (a folder's detail page): the row leaves on the folder tab when the
//     shown folder, one of the user's folders, no longer holds the font; otherwise it is drawn
//     again.
// A shown list that is none of the user's folders (a followed collection, a page without a folder
// id) keeps its rows. Any thread.
class KXFolderChange {
public:
    static constexpr long long kModeFolder = 4;

    enum class Rule { ReloadRow, ReloadRowTellOwnerLeaveFolder, RereadFoldersAndRemove };
    enum class Action { Nothing, ReloadRow, ReloadRowTellOwner, RemoveRow };

    // `hasRow`: the font is in the list now.
    static Action decide(Rule rule, long long mode, bool hasRow, long long fontid, const foundation::Array* groupsInfo,
        std::string_view groupID);

    // The folder of `groupsInfo` whose "id" (number or text) is `groupID`, or nil.
    static foundation::Id folderWithID(const foundation::Array* groupsInfo, std::string_view groupID);
    // Whether the folder's "fonts" hold the font id (entries compared as integers).
    static bool folderHolds(const foundation::Id& folder, long long fontid);
};
