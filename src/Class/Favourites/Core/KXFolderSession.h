#pragma once

#include "Platform/Foundation/Array.h"

#include <functional>

// The session's favourite folders and followed collections as the pages load them: a request
// through the API facade whose reply is stored in the session (KXUserCenterConfig) only when the
// shared reply gate admits it (KXReplyGate). The pages then show what the session holds, which is
// this reply's list or a newer one; a reply of a former session shows nothing. These two loads are
// also the reads back of the folder and follow writes (KXAccountWrites). Main thread only.
class KXFolderSession {
public:
    // Posted on the default centre, with no sender, each time new folders are stored: the client's
    // own changes and admitted loads alike, so every view of the folders can show them at once.
    static constexpr const char* kFoldersStored = "KXFolderSessionFoldersStored";
    // Posted likewise each time a load stores the followed collections.
    static constexpr const char* kFollowsStored = "KXFolderSessionFollowsStored";

    // The lists as they are stored: a mutable copy of what arrived.
    using Shown = std::function<void(const foundation::Ref<foundation::MutableArray>& list)>;

    using Failed = std::function<void()>;
    // getMyCollect: "collection" becomes `groupsInfo`; `shown` gets the session's folders. A refused
    // reply, a failure or a reply of a former session calls `failed` instead.
    // Makes the folders' and follows' loads the readers of those kinds of KXAccountWrites, so that
    // writes are read back through their reply gate, and makes each landed write of those kinds
    // supersede the lists asked before it. Called where the client starts.
    static void installReaders();
    static void reloadFolders(Shown shown = {}, Failed failed = {});
    // getMyCollect type 1: on errcode 0 "follow" becomes `followsArray`; `shown` gets the session's
    // followed collections. Other replies, failures and a former session's reply call `failed`.
    static void reloadFollows(Shown shown = {}, Failed failed = {});

    // The session's folders as a mutable copy (empty without any).
    static foundation::Ref<foundation::MutableArray> folders();
    // Stores a folder list the client changed itself (a folder added or removed after the server
    // confirmed it): every list asked for before is out of date.
    static void storeChangedFolders(const foundation::Ref<foundation::Array>& folders);
};
