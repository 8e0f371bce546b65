#pragma once

#include "Platform/Foundation/Array.h"

#include <functional>
#include <memory>
#include <vector>

// The local tab's rows: the installed fonts' kept records as KXFontBaseModel rows. A record the font
// index keeps from one read to the next keeps its row, so only the fonts that changed are mapped,
// and none when nothing did. The rows are made off the main thread, after each background read of
// the fonts (maker()), and handed out on it (rows()).
//
// rows() belongs to the main thread; a maker may run on any thread, one call at a time.
class KXLocalFontRows {
public:
    KXLocalFontRows();
    ~KXLocalFontRows();
    KXLocalFontRows(const KXLocalFontRows&) = delete;
    KXLocalFontRows& operator=(const KXLocalFontRows&) = delete;

    // The rows of the records made last, in their order; nullptr before any were made. While
    // nothing new was made this is the array handed out the last time, unless its holder has
    // changed it since: then it is a new one.
    foundation::Ref<foundation::MutableArray> rows();

    // Makes the rows of the records it is given, keeping those of the records made before. It
    // holds what it makes by itself, so it may outlive this object.
    std::function<void(const foundation::Ref<foundation::Array>&)> maker() const;

private:
    struct Made;
    struct Shelf;
    bool handedOutUnchanged() const;

    std::shared_ptr<Shelf> shelf_;
    std::shared_ptr<const Made> handedFrom_; // what rows_ was made from
    foundation::Ref<foundation::MutableArray> rows_;
    std::vector<const foundation::Object*> handedOut_; // rows_ as it was handed out
};
