#pragma once

#include "Class/ServiceCore/Catalogue/KXFontBaseModel.h"
#include "Platform/Foundation/Array.h"

#include <string>
#include <string_view>
#include <vector>

namespace foundation {
class UserDefaults;
}

// Which badges a font row shows. A badge that is not shown keeps its place 0.01 wide.
struct KXRowBadges {
    bool newest = false;    // marketing tag m5
    bool free = false;      // m3
    bool hot = false;       // m11
    bool heartbeat = false; // m4
    bool gbk = false;       // "GBK" in the font name
    bool threeD = false;    // is_3d
    // The marketing text was shorter than 3 characters: the four marketing badges keep the images
    // they had and are all hidden.
    bool marketingTooShort = true;
};

// Marks of a row besides its badges.
struct KXRowMarks {
    bool installedMark = false;  // the small mark before the title (an installed font)
    bool titleIndented = false;  // the title starts at 25 instead of 8
    bool showsLocalName = false; // the record's own cellType 2: the name drawn in the font itself
    bool showsFavourite = true;  // the favourite button (hidden on a local row)
    bool favouriteActive = false;
};

// What one font row shows for its record, worked out without any widget: the preview address,
// the badges and marks, the progress ring and its text, the licence link and the addresses the
// row opens. The row paints and hit-tests from these answers; the lists of other pages reuse them.
//
// Main thread only (the parsed new-image texts are cached for the rows that paint them again).
class KXRowLook {
public:
    // The download phase ends at 0.85 computed in single precision; a record holding exactly that
    // value shows the licence link.
    static constexpr float kLicenceLinkProgress = 0.85f;
    static constexpr double kLicenceLinkShowAfter = 1.0;
    static constexpr double kLicenceLinkHideAfter = 5.0;
    // The row's own cellType (the owner's choice) that takes the record's `image` at any palette
    // and a cellHeight of 30.
    static constexpr unsigned long long kRowCellTypeFixedImage = 2;
    // The record's cellType of an installed font shown by its name.
    static constexpr unsigned long long kRecordCellTypeLocal = 2;

    // The preview address of the record: `image` with the palette's isNight YES, `night_image`
    // with NO (`image` whatever the palette for a row of cellType 2), replaced by the language part
    // of a valid `isnew_imgage` JSON dictionary ("eng" in the English catalogue, "zh" otherwise):
    // its "image" or "night_image", "" when that entry is missing. "" for no address at all.
    static std::string previewURL(const KXFontBaseModel& record, unsigned long long rowCellType, bool isNight,
                                  bool isEnLanguage);
    // The record's cellHeight as the row uses it (30 for a row of cellType 2).
    static double cellHeight(const KXFontBaseModel& record, unsigned long long rowCellType);

    // The whole tags of a marketing text (",m3,m11," -> m3, m11); none when it is shorter than 3.
    static std::vector<std::string> marketingTags(std::string_view marketing);
    static KXRowBadges badges(const KXFontBaseModel& record);
    static KXRowMarks marks(const KXFontBaseModel& record);
    // The name a local row draws and its point size (cellHeight / 1.2).
    static std::string localName(const KXFontBaseModel& record);
    static double localNamePointSize(const KXFontBaseModel& record);

    // Whether the title keeps its colour under the pointer: a local row, or "m3" anywhere in the
    // marketing text (a substring test, unlike the badges).
    static bool titleKeepsColourOnHover(const KXFontBaseModel& record);
    // The row takes the title click: only fonts with a detail page.
    static bool titleIsLink(const KXFontBaseModel& record) { return record.has_info != 0; }
    // The cart button may show on hover: a font for sale whose ring is hidden.
    static bool offersCart(const KXFontBaseModel& record) { return record.is_sell != 0 && !ringVisible(record.progress); }

    // The ring shows while 0 < progress < 1.
    static bool ringVisible(double progress) { return progress > 0 && progress < 1; }
    // progress x 100 in double precision, narrowed to single precision and rounded half away from
    // zero; the ring's text is that number and "%".
    static long long ringPercent(double progress);
    static std::string ringText(double progress);

    // The record has just reached the end of its download: progress 0.85 at single precision, and
    // no "m3" in its marketing text (free fonts need no licence).
    static bool isLicenceLinkArrival(const KXFontBaseModel& record);

    // The licence offer ("brand_license") and the heartbeat page ("my_heartbeat_url" while a sign-in
    // token is stored, else "heartbeat_url"), from the user defaults; "" when not stored.
    static std::string licenceURL(foundation::UserDefaults& defaults);
    static std::string heartbeatURL(foundation::UserDefaults& defaults);

    // Counts one use of the font in the activation list: every entry whose "fid" has the font id
    // as its integer value gets its "num" increased by one; with none, {"fid", "num": "1"} is added.
    static void countActivation(foundation::MutableArray& activation, int fontid);

    // The dictionary that a JSON text encodes (mutable containers), or nil; a parse error is logged
    // as "json解析失败：%@".
    static foundation::Id jsonstrToDicWithJStr(const foundation::Ref<foundation::String>& text);
};
