#pragma once

#include "Platform/Foundation/Array.h"

#include <unordered_map>
#include <vector>

class KXHomeLocalManager;

// The local tab's rows: the installed fonts' kept records as KXFontBaseModel rows. A record the font
// index keeps from one read to the next keeps its row, so a click maps only the fonts that changed,
// and none when nothing did.
//
// Belongs to the main window; main thread only.
class KXLocalFontRows {
public:
    // The rows, in the records' order. While no font changed this is the array handed out the last
    // time, unless its holder has changed it since: then it is a new one.
    foundation::Ref<foundation::MutableArray> rows(KXHomeLocalManager& manager);

private:
    bool handedOutUnchanged() const;

    foundation::Ref<foundation::Array> records_; // the kept list the rows were made from
    foundation::Ref<foundation::MutableArray> rows_;
    std::vector<const foundation::Object*> handedOut_; // rows_ as it was handed out
    // Row by record; the record is held so that its address is not taken by another one.
    struct Row {
        foundation::Id record;
        foundation::Id row;
    };
    std::unordered_map<const foundation::Object*, Row> rowByRecord_;
};
