#pragma once

#include "Class/AppShell/KXSingleInstance.h"

// What interrupted work of earlier runs left behind (a kill, a logout, a quit with a catalogue
// update pending): download bodies, half-written downloads and unpacked packages, and the
// temporary copies of the settings, which may still hold a sign-in token that sign-out removed.
// Only names the client itself makes are removed, never what they lead to by a link: not the
// user's font folder, not the image cache's files, not the settings file itself.
class KXLeftovers {
public:
    // The start-up step after the single-instance claim, before anything reads or writes the
    // client's folders: folders earlier versions left open are closed, and the instance that is
    // the first one removes the leftovers. Any other start leaves them, as they may be the live
    // work of the instance that runs.
    static void tidyAtStartup(KXSingleInstance::Role role);

    // Below the cache folder: the temporary folder's contents, and in KXFonts the ".<name>.<hex>.part"
    // files of downloads and the ".unpack-<pid>-<n>" folders of installs, in kxData/updataData the
    // "full-<n>" and "<n>" folders of catalogue updates; in the configuration folder the
    // ".defaults.plist.XXXXXX" files of interrupted writes; in the shared temporary folder the
    // "corvane-download-XXXXXX.tmp" files of this user that earlier versions wrote there.
    static void removeAll();
};
