#pragma once

#include "Class/ServiceCore/Transport/KXAccountWrites.h"
#include "Platform/Foundation/Array.h"

#include <functional>
#include <string>

// What the folders read back say of a create, rename or delete whose reply was lost or whose
// refusal says the change is already made, and how the dialog that sent it goes on: as after a
// success (the change is made, so it is not offered again), or staying open with what it holds.
class KXFolderWriteOutcome {
public:
    enum class Verdict {
        Made,    // the folders show the change: the dialog ends as on success
        NotMade, // they do not: the dialog stays
        Unread,  // the read failed: the folders are left stale, the dialog stays
    };

    // A create of `name` (folderId nil), a rename of folderId to `name`, or (name empty) a delete
    // of folderId.
    struct Change {
        foundation::Id folderId;
        std::string name;
    };

    static Verdict judge(const Change& change, const KXAccountWrites::Result& read);

    // The refusals that say the change is already made: read back like a lost reply. A name
    // already taken says so only after this dialog's own attempt with that name was lost.
    static bool refusalSaysMade(const Change& change, const std::string& message, bool sameNameWasLost);

    // Reads the folders back after the write `tag` (joining the facade's read). When they were read,
    // `shown` gets them; then `ended` gets the verdict, whatever it is, so that a dialog stays busy
    // until the outcome is known.
    using Shown = std::function<void(const foundation::Ref<foundation::MutableArray>& folders)>;
    static void readBack(std::string_view tag, Change change, Shown shown, std::function<void(Verdict)> ended);

    // A write kept ahead (a create, "133", of a folder name; a publication, "136", of a folder id)
    // pressed while an earlier one about the same subject is kept with its outcome unknown: the
    // folders are read before anything is sent, and `decided` gets what `judged` makes of that
    // read: Made (the earlier one was made: nothing is sent, the press ends as that success),
    // NotMade (the press sends) or Unread (still unknown: nothing is sent). Those earlier writes
    // are settled by a Made or NotMade. False when none is kept: the press sends at once.
    using Judge = std::function<Verdict(const KXAccountWrites::Result& read)>;
    static bool readFirst(
        std::string_view tag, const std::string& subject, Judge judged, std::function<void(Verdict)> decided);
};
