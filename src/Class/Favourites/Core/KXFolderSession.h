#pragma once

#include "Platform/Foundation/Array.h"

#include <functional>

// The session's favourite folders and followed collections as the pages load them: a request
// through the API facade whose reply is stored in the session (KXUserCenterConfig) only when the
// shared reply gate admits it (KXReplyGate). The pages then show what the session holds, which is
// this reply's list or a newer one; a reply of a former session shows nothing. Main thread only.
class KXFolderSession {
public:
    // Posted on the default centre, with no sender, each time new folders are stored: the client's
    // own changes and admitted loads alike, so every view of the folders can show them at once.
    static constexpr const char* kFoldersStored = "KXFolderSessionFoldersStored";

    // The lists as they are stored: a mutable copy of what arrived.
    using Shown = std::function<void(const foundation::Ref<foundation::MutableArray>& list)>;

    // getMyCollect: "collection" becomes `groupsInfo`; `shown` gets the session's folders. A refused
    // reply or a failure calls nothing.
    static void reloadFolders(Shown shown = {});
    // getMyCollect type 1: on errcode 0 "follow" becomes `followsArray`; `shown` gets the session's
    // followed collections. Other replies and failures call nothing.
    static void reloadFollows(Shown shown = {});

    // The session's folders as a mutable copy (empty without any).
    static foundation::Ref<foundation::MutableArray> folders();
    // Stores a folder list the client changed itself (a folder added or removed after the server
    // confirmed it): every list asked for before is out of date.
    static void storeChangedFolders(const foundation::Ref<foundation::Array>& folders);
};
