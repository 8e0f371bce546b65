#pragma once

#include "Platform/Foundation/Array.h"

#include <filesystem>
#include <memory>

class KXFontNameCache;
class KXFontsCore;

// The fonts installed on this computer as font name records, ready to become KXFontBaseModel
// records: the user's fonts first, then those of the computer-wide folder when it holds at least
// three entries, else those of the system folder when it does. Folders are walked recursively;
// what FreeType cannot open (".uuid", "fonts.dir", caches) is left out.
//
// The records come from the shared KXLocalFontIndex, on the calling thread: a read opens only the
// font files that changed since the previous one, and none when nothing did.
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

    // A new array of the records; the records themselves are the kept ones.
    foundation::Ref<foundation::MutableArray> localFontsArray();
    // The kept list itself: the same array from one read to the next while no font changed, so a
    // caller that derives rows from it can tell that it has them already. Not to be changed.
    foundation::Ref<foundation::Array> keptLocalFonts();
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
