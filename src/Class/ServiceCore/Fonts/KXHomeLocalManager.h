#pragma once

#include "Platform/Foundation/Array.h"

#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>

class KXFontNameCache;
class KXFontsCore;

// The fonts installed on this computer as font name records, ready to become KXFontBaseModel
// records: the user's fonts first, then those of the computer-wide folder when it holds at least
// three entries, else those of the system folder when it does. Folders are walked recursively;
// what FreeType cannot open (".uuid", "fonts.dir", caches) is left out.
//
// The records come from the shared KXLocalFontIndex: a read opens only the font files that changed
// since the previous one, and none when nothing did. A window reads in the background and shows
// what the last read left meanwhile.
class KXHomeLocalManager {
public:
    struct Folders {
        std::filesystem::path user;     // $XDG_DATA_HOME/fonts
        std::filesystem::path computer; // /usr/local/share/fonts
        std::filesystem::path system;   // /usr/share/fonts
    };
    static Folders systemFolders();

    KXHomeLocalManager();
    // `nameCache` is the fontName.plist the recent list reads (nullptr: the shared one).
    explicit KXHomeLocalManager(Folders folders, KXFontNameCache* nameCache = nullptr);
    ~KXHomeLocalManager();
    KXHomeLocalManager(const KXHomeLocalManager&) = delete;
    KXHomeLocalManager& operator=(const KXHomeLocalManager&) = delete;

    // A new array of the records, read on the calling thread; the records themselves are the kept
    // ones.
    foundation::Ref<foundation::MutableArray> localFontsArray();
    // The kept list itself, read on the calling thread: the same array from one read to the next
    // while no font changed, so a caller that derives rows from it can tell that it has them
    // already. Not to be changed.
    foundation::Ref<foundation::Array> keptLocalFonts();

    // Reads the kept list on the local fonts' serial pool queue and hands it to `then` there. The
    // reads run one after the other; requests for the same folders made while one waits to start
    // share it, and each `then` is called once, on that queue. `then` passes what it makes to the
    // main queue itself, guarded by its owner.
    void readLocalFontsInBackground(std::function<void(const foundation::Ref<foundation::Array>&)> then);
    // Requests of readLocalFontsInBackground whose `then` has not returned yet: once none is left,
    // what they posted is on the main queue.
    static std::size_t backgroundReads();
    void setLocalFontsArray(foundation::Ref<foundation::MutableArray> value) { localFontsArray_ = std::move(value); }
    // The records of fontName.plist, newest first.
    foundation::Ref<foundation::MutableArray> recentLocalFontsArray();
    void setRecentLocalFontsArray(foundation::Ref<foundation::MutableArray> value)
    {
        recentLocalFontsArray_ = std::move(value);
    }

private:
    Folders folders_;
    KXFontNameCache* nameCache_;
    foundation::Ref<foundation::MutableArray> localFontsArray_;
    foundation::Ref<foundation::MutableArray> recentLocalFontsArray_;
};
