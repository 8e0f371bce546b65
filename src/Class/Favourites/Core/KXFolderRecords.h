#pragma once

#include "Platform/Foundation/Array.h"

#include <QString>

// Folder lists changed after the server confirmed a rename or a delete, found by folder id (never
// by a row number, which shifts when rows come and go). Ids, numbers or texts, are compared by
// their text. Any thread.
class KXFolderRecords {
public:
    // The position of the folder with this id, or -1.
    static long indexOf(const foundation::Array* folders, const foundation::Id& folderId);
    // A copy of the list with the folder renamed; a folder that was submitted for publication
    // ("is_publish" not 0) is under review again ("is_publish" "1"). Unchanged without the folder.
    static foundation::Ref<foundation::MutableArray> renamed(const foundation::Array* folders, const foundation::Id& folderId,
                                                             const QString& name);
    // A copy of the list without the folder.
    static foundation::Ref<foundation::MutableArray> without(const foundation::Array* folders, const foundation::Id& folderId);
};
