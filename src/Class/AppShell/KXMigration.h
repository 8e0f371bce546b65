#pragma once

#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/Object.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace foundation {
class UserDefaults;
}
class KXDownloadedFontMap;
class KXUserCenterConfig;

// The one-time take-over of the former client's data: its account file (Base64 of a JSON object
// with "user" and "pass") and its folder of used fonts. The fonts are copied into the user's font
// folder, registered with fontconfig and recorded in the downloaded-font map by family name; then
// the former account is signed in. Widget-free: the overlay KXDataMoveView shows its progress.
//
// The copying runs on a global queue (regular files only; links are never followed); progress and
// completions arrive on the main queue. The password is never written anywhere but the sign-in
// request.
class KXMigration : public std::enable_shared_from_this<KXMigration> {
public:
    struct Sources {
        std::filesystem::path accountFile;   // $XDG_DATA_HOME/墨舟/UsrMsg.json
        std::filesystem::path usedFonts;     // <XDG documents>/CorvaneFont/downft/used
        std::filesystem::path fontsFolder;   // the user's font folder
        // The downloaded-font map's owner (KXDownloadedFontMap::shared(), <cache>/KXFonts/
        // fontsPlist.plist): the migration reads and writes the map only through it.
        KXDownloadedFontMap* fontMap = nullptr;
    };
    static Sources systemSources();

    // The fill's full width in points; the progress is reported as a width of it.
    static constexpr float kFullWidth = 220;
    // Where sign-ins and sign-outs are announced to the whole client.
    static constexpr const char* kSignInNotification = "homeNotificationCenter";

    static std::shared_ptr<KXMigration> create(Sources sources = systemSources());
    const Sources& sources() const { return sources_; }

    // The account, or nil when the file is missing, not UTF-8 text, not Base64 (characters outside
    // the alphabet are skipped) or not JSON.
    static foundation::Id readOldLocalFile(const std::filesystem::path& accountFile);
    // Whether the account file exists and reads as UTF-8 text.
    static bool isAccountFileReadable(const std::filesystem::path& accountFile);
    // The hub's check at the first appearance of the main window: nobody signed in, an empty (or
    // missing) font map and a readable account file.
    static bool shouldOffer(const Sources& sources, KXUserCenterConfig& session);
    // The account when there is something to migrate: a dictionary with a non-empty "user".
    foundation::Id account() const;

    // Copies the used fonts and records them. `progress` gets the fill width after each entry and
    // kFullWidth at the end; `done` gets the map entries written ({family name: installed path}),
    // or nil when the folder had no entries and nothing was written.
    void moveOldFiles(std::function<void(float width)> progress,
                      std::function<void(const foundation::Ref<foundation::Dictionary>& recorded)> done);

    // Signs the account in; on errcode 0 posts "homeNotificationCenter" with {"loginMessage": the
    // user}, unless someone signed in meanwhile (KXSignInEvents). `done` gets whether it posted.
    static void signIn(const foundation::Id& account, std::function<void(bool signedIn)> done);

    // Adds `recorded` to the downloaded-font map in one change of its owner (main queue). False
    // when it could not be written.
    bool recordFonts(const foundation::Ref<foundation::Dictionary>& recorded) const;

private:
    explicit KXMigration(Sources sources);
    Sources sources_;
};
