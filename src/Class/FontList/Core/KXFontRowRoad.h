#pragma once

#include "Class/FontList/Core/KXFolderChange.h"
#include "Class/ServiceCore/Catalogue/KXFontBaseModel.h"
#include "Platform/Dispatch/Notification.h"
#include "Platform/Dispatch/Subscription.h"

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class KXDownloadedFontMap;
class KXFontsCore;
class KXHTTPREQUEST;
namespace dispatch {
class NotificationCenter;
}

// The list that runs a road: it shows the records and is told when one of them must be drawn
// again. Held weakly by the road; every method is called on the main thread.
class KXFontRowRoadOwner {
public:
    virtual ~KXFontRowRoadOwner() = default;
    // Draw again the row that holds this record now, if any row does.
    virtual void roadReloadRecord(const foundation::Ref<KXFontBaseModel>& record) = 0;
    // The record shown for the font with this id now (its first row), nil when none is: after the
    // list was built again it is another record than the one clicked.
    virtual foundation::Ref<KXFontBaseModel> roadShownRecord(long long fontid) const
    {
        (void)fontid;
        return nullptr;
    }
    // Nobody is signed in: ask for the sign-in window (the font list and the search panel ask
    // their delegate's loginClick; the recommended-collection detail opens its own window).
    virtual void roadAskSignIn() { }
    // The owner's mode (the font list's tab); only a policy whose row end depends on it asks.
    virtual long long roadMode() const { return 1; }
};

// How one owner's copy of the road differs from the others: the table of its four owners, as
// presets. The road itself reads the sign-in gate, the report threshold, the download's installed
// mark and the row end; the owners read the rest: the row heights when they size their tables, the
// record's set-up when they hand a record to a row (KXListRowSetup), and what follows the
// add-to-folder dialog (KXFolderChange). The tables paint their rows and reuse none, so no row
// kind needs an identifier.
//
// |                        | search panel        | font list           | collection detail   | folder detail       |
// | font row height        | 90 (text rows 22)   | the preview size    | 100 (font k: row k+1) | 90                |
// | record's cellHeight    | 30                  | row height / 3      | not set             | 30                  |
// | record's cellType      | 1 on every row      | the tab; 2 local    | the row's own 2     | the tab; 2 local    |
// | signed-out click       | owner's loginClick  | owner's loginClick  | its own window      | no check            |
// | activation report from | fontid 0            | fontid 1            | fontid 1            | fontid 1            |
// | installed while loading| marked              | unchanged           | unchanged           | unchanged           |
// | "endcellloading" ends  | the file's row      | the file's row in mode 1, else the selected row | the file's row | the file's row |
// | after the folder dialog| reload the row      | reload, tell the owner, leave a folder | reload the row | reload or leave the folder |
struct KXFontRowRoadPolicy {
    // The lowest font id whose click is reported as an activation (the search panel reports 0).
    long long minimumActivationId = 1;
    // The favourite-folder detail lets signed-out users through.
    bool requiresSignIn = true;
    // The search panel marks a record as installed while its download runs.
    bool marksLocalWhileDownloading = false;

    // Which row "endcellloading" for an installed file ends: always the row handed off with that
    // file, or (the font list) only in mode 1, the selected row in every other mode.
    enum class RowEnd { HandedOffFile, HandedOffFileInCloudMode };
    RowEnd rowEnd = RowEnd::HandedOffFile;

    // The font rows' height; 0: the list's preview size. Text rows (the search panel's history and
    // suggestions): textRowHeight.
    double fontRowHeight = 90;
    double textRowHeight = 0;
    // The record's cellHeight at each set-up: a fixed value, a third of the row's height, or left.
    enum class CellHeight { Fixed, ThirdOfRowHeight, Untouched };
    CellHeight cellHeight = CellHeight::ThirdOfRowHeight;
    double fixedCellHeight = 30;
    // The record's cellType at each set-up: 1 on every row (a catalogue preview), the owner's mode
    // for an installed font and 2 on the installed-fonts tab, or left to the row (its own 2).
    enum class CellType { Catalogue, ModeOfTab, RowsOwn };
    CellType cellType = CellType::ModeOfTab;

    // What follows the add-to-folder dialog's refreshowCell: for the font it was opened for.
    using AfterFolderDialog = KXFolderChange::Rule;
    AfterFolderDialog afterFolderDialog = AfterFolderDialog::ReloadRowTellOwnerLeaveFolder;

    static KXFontRowRoadPolicy searchPanel();
    static KXFontRowRoadPolicy fontList();
    static KXFontRowRoadPolicy collectionDetail();
    static KXFontRowRoadPolicy folderDetail();
};

// Everything a road reaches outside itself; unset members take the process-wide ones.
struct KXFontRowRoadEnvironment {
    std::function<std::shared_ptr<KXFontsCore>()> makeFontsCore; // KXFontsCore::create
    dispatch::NotificationCenter* notificationCenter = nullptr;  // where "endcellloading" arrives
    KXDownloadedFontMap* fontMap = nullptr;
    std::function<bool()> isSignedIn; // KXUserCenterConfig::islogin
};

// The row-click road of every font list, once: a click checks the sign-in and moves the selection;
// an installed font's activation is reported and the font handed to the application in front at
// once, any other is downloaded (progress 0 to 0.85), unpacked and installed into the user's font
// folder (0.85 to 1), entered in the downloaded-font map, reported (activation and download),
// counted as recently used and handed off. The font engine's "endcellloading" notification for the
// installed file ends the row's loading state.
//
// The map names the font's first file under its fontname; the files an installation wrote are
// recorded as the font's (KXInstalledFontFiles). Only those, while still as the client wrote them,
// may be replaced by a later installation of the same font; any other file of the same name (the
// user's own, another font's) stays, and the font takes a free name, which the map records.
//
// A font is counted only once it is installed, so that the service's recently used list and
// download count never hold a font the user does not have: a failed download or installation sends
// no report, leaves the recently used list alone and says so in a toast.
//
// Each list keeps its own road (its own download queue, selection and loading map). The road
// never holds row numbers: every step after the click works on the clicked record itself and asks
// the owner to redraw whichever row holds that record by then. A list built again while a font
// loads (a change of tab, a new search) shows new records: each step's progress and loading state
// are also copied onto the record the owner shows for that font id (a record without an id, 0 or
// less, is never matched by it), and the owner hands its new records to showLoadingFonts() so that
// they carry the state from the start. A failed download or
// installation puts its record back to progress 0, not loading, and touches no record of another
// font. The usage reports
// are sent from the main thread; download progress, which the transport reports on its own queue,
// is applied on the main queue.
//
// Make one with create(), on the main thread, and use it there. Replies that arrive after the road
// is gone change nothing (nothing is unpacked or handed off).
class KXFontRowRoad : public std::enable_shared_from_this<KXFontRowRoad> {
public:
    using Environment = KXFontRowRoadEnvironment;

    static std::shared_ptr<KXFontRowRoad> create(std::weak_ptr<KXFontRowRoadOwner> owner, KXFontRowRoadPolicy policy = {},
                                                 Environment environment = {});
    KXFontRowRoad(std::weak_ptr<KXFontRowRoadOwner> owner, KXFontRowRoadPolicy policy, Environment environment);
    KXFontRowRoad(const KXFontRowRoad&) = delete;
    KXFontRowRoad& operator=(const KXFontRowRoad&) = delete;

    // A click on the record's row.
    void tableViewAction(const foundation::Ref<KXFontBaseModel>& record);
    // The second half after a download: the archive at `archivePath` is installed, the record
    // entered in the map and handed off. `downloadURL` tells the installer an archive from a font.
    void activeFontsByPath(const foundation::Ref<foundation::String>& archivePath,
                           const foundation::Ref<foundation::String>& downloadURL,
                           const foundation::Ref<KXFontBaseModel>& record);
    // "endcellloading" for an installed file ends the loading of the records handed off with that
    // file here (nothing when this road handed off no such file); without a notification, and for
    // a policy that looks the file up in mode 1 only while its owner is in another mode, the
    // selected record is ended.
    void endActivityCell(const dispatch::Notification* notification);
    // Hands an installed file to the application in front.
    void downloadTTFPath(const foundation::Ref<foundation::String>& path);
    // The owner shows new records: those of a font that loads now take its progress and state.
    void showLoadingFonts();

    const KXFontRowRoadPolicy& policy() const { return policy_; }
    // The record of the last click, kept by identity (nil before the first click).
    const foundation::Ref<KXFontBaseModel>& selectedRecord() const { return selected_; }
    // The download transport of this list, made on first use.
    std::shared_ptr<KXHTTPREQUEST> REQUEST();
    // The installed files whose hand-off has not ended yet.
    std::vector<std::string> loadingPaths() const;

private:
    void report(const foundation::Ref<foundation::Array>& downloadIds, const foundation::Ref<foundation::Array>& activation);
    void select(const foundation::Ref<KXFontBaseModel>& record);
    void handOff(const std::shared_ptr<KXFontsCore>& core, const foundation::Ref<foundation::String>& path,
                 const foundation::Ref<KXFontBaseModel>& record);
    void download(const foundation::Ref<KXFontBaseModel>& record);
    void reportActivation(int fontid);
    // The installation of a download ended well: its waiting clicks are reported and the font
    // counted as recently used.
    void countInstalled(const std::string& downloadURL, const foundation::Ref<KXFontBaseModel>& record);
    // Puts the record back, forgets the download's waiting clicks and says what failed.
    void fail(const foundation::Ref<KXFontBaseModel>& record, const std::string& downloadURL, const char* message);
    void finish(const foundation::Ref<KXFontBaseModel>& record);
    void reload(const foundation::Ref<KXFontBaseModel>& record);
    // A loading step of the record's font: redrawn, and copied onto the record shown for the font
    // when that is another one (never for a record without an id). `loading` keeps the font among
    // those that load; false ends it.
    void show(const foundation::Ref<KXFontBaseModel>& record, bool loading);
    KXDownloadedFontMap& fontMap();

    std::weak_ptr<KXFontRowRoadOwner> owner_;
    KXFontRowRoadPolicy policy_;
    Environment environment_;
    std::shared_ptr<KXHTTPREQUEST> request_;
    foundation::Ref<KXFontBaseModel> selected_;
    // Installed file path -> the records handed off with it, until "endcellloading" names it.
    std::unordered_map<std::string, std::vector<foundation::Ref<KXFontBaseModel>>> loading_;
    // Download URL -> the font id of each click waiting for that download's installation.
    std::unordered_map<std::string, std::vector<int>> uncounted_;
    // Font id -> the record whose download or hand-off runs, until it ends or fails.
    std::unordered_map<long long, foundation::Ref<KXFontBaseModel>> loadingFonts_;
    dispatch::Subscription endObservation_;
};
