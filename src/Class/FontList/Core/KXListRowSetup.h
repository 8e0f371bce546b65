#pragma once

#include "Class/FontList/Core/KXFontRowRoad.h"
#include "Class/ServiceCore/Catalogue/KXFontBaseModel.h"

class KXDownloadedFontMap;

// What a font list does to a record each time it hands the record to a row: the record's
// cellHeight follows the row (a third of the row's height for the right-hand list, fixed for the
// search panel), its installed file and favourite flag are read afresh (the downloaded-font map,
// the user's folders), and the owner's policy decides its cellType: the right-hand list draws an
// installed font by its name on the installed-fonts tab (mode 2) and as a catalogue preview marked
// installed on every other tab; the search panel draws every row as a catalogue preview.
//
// Cheap enough for every paint: the map is parsed once per change of its file and the favourites
// are an index. Main thread only.
class KXListRowSetup {
public:
    static constexpr long long kModeLocalFonts = 2;

    // The right-hand list's set-up (KXFontRowRoadPolicy::fontList()).
    static void prepare(KXFontBaseModel& record, long long mode, double previewSize, KXDownloadedFontMap& fontMap);
    // Any owner's: `rowHeight` is the font row's height, `mode` the owner's tab.
    static void prepare(KXFontBaseModel& record, const KXFontRowRoadPolicy& policy, long long mode, double rowHeight,
                        KXDownloadedFontMap& fontMap);
};
