#pragma once

#include "Platform/Foundation/Array.h"

#include <string>
#include <unordered_map>
#include <vector>

// The choice of the add-to-folder dialog for one font: which of the user's folders are to hold it
// after the confirm. A folder holds the font when its "fonts" list an id of the same integer value
// (listed twice, it still holds it once). The user's clicks are kept by folder id as the state each
// clicked box was left in, so a second click undoes the first and the clicks survive a new folder
// list (the dialog shows the list that arrives after it opened): a list read meanwhile (a lost
// filing that landed after all) changes only the boxes the user did not touch, and a folder new to
// it shows what it holds. The confirm's folder set is worked out against the list shown then: a
// folder that is gone drops out, and a box left as its folder now is sends nothing.
//
// A user whose only folder is the default one ("喜欢的字体") sees it ticked at once, counted as
// clicked, so a plain confirm files the font there. Folders named "创建分组" are not folders to
// choose. Folder ids (numbers or texts) are compared by their text. Main thread.
class KXFolderFiling {
public:
    static constexpr const char* kDefaultFolderName = "喜欢的字体";
    static constexpr const char* kCreateItemName = "创建分组";

    explicit KXFolderFiling(long long fontid);

    long long fontid() const { return fontid_; }
    // The folders shown now (the session's list); applies the default folder's automatic tick.
    void setFolders(const foundation::Ref<foundation::Array>& folders);
    const foundation::Ref<foundation::Array>& folders() const { return folders_; }

    // Whether the folder's "fonts" hold the font.
    bool holds(const foundation::Id& folder) const;
    // Whether the folder's box is ticked now.
    bool isTicked(const foundation::Id& folder) const;
    // A click that leaves the box in `ticked`; nothing for the create item.
    void click(const foundation::Id& folder, bool ticked);
    // Nothing to send: no box differs from what its folder holds.
    bool unchanged() const;

    // The folders to hold the font afterwards, in the order shown.
    std::vector<foundation::Id> finalFolders() const;
    // Their ids joined by "," ("" for none): the request's "collect_id".
    std::string collectIdText() const;

    static std::string key(const foundation::Id& folderId);
    static bool isCreateItem(const foundation::Id& folder);

private:
    long long fontid_;
    foundation::Ref<foundation::Array> folders_;
    // By folder id, the state the user left its box in.
    std::unordered_map<std::string, bool> chosen_;
};
