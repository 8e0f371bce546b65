#pragma once

#include <algorithm>
#include <cstddef>
#include <utility>

// A rectangle of the store's views, top-down (y grows downwards), in points.
struct KXStoreRect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;

    double right() const { return x + width; }
    double bottom() const { return y + height; }
    friend bool operator==(const KXStoreRect&, const KXStoreRect&) = default;
};

// The store's row metrics and placements, worked out without widgets so that painting, hit
// testing and the tests share them.
class KXStoreGeometry {
public:
    // The store's designed page width; the pages are never narrower, and at this width each
    // layout below is the one the store was drawn with.
    static constexpr double kDesignedWidth = 310;

    static constexpr double kCartRowHeight = 90;
    static constexpr double kOfferRowHeight = 114; // the two-level browser's offer rows

    // Licence chooser and re-pick sheet, `width` wide: a category row with `offers` check boxes,
    // as many a line as fit between a left margin of 10 and a right one of 12 (which holds the
    // chooser's thin scroll bar), 98 apart: three at the designed width, never fewer than one.
    static std::size_t chooserBoxesPerLine(double width);
    // A category shows at most this many offers, its first: a box each, so a reply of thousands
    // costs the widgets of a few. Licences come a handful to a category.
    static constexpr std::size_t kChooserMostOffers = 60;
    static std::size_t chooserOffersShown(std::size_t offers) { return std::min(offers, kChooserMostOffers); }
    // For the offers shown: (offers div perLine) x 40 + 100, or, where that would cut off the last line of
    // boxes (16 offers or more at three a line), tall enough to hold it.
    static double chooserRowHeight(std::size_t offers, double width = kDesignedWidth);
    // Offer i: left (i mod perLine) x 98 + 10, top (i div perLine) x 44 + 55, 92 x 28.
    static KXStoreRect chooserBoxFrame(std::size_t index, double width = kDesignedWidth);

    static constexpr double kPopUpWidth = 191;
    static constexpr double kPopUpHeight = 146;
    // Where the offer pop-up of a hovered box goes. `boxInChooser` decides the side: a box whose
    // left edge lies beyond 222 points ("right") opens the pop-up 100 to its left instead of 3
    // to its right; so does a box whose pop-up, hung to its right, would cross the chooser's
    // right edge (the third box of a line in the 310-wide store); a box whose lower edge lies
    // within the chooser's lowest 133 points ("low") puts the pop-up above it (its lower edge 5
    // above the box's top) instead of 5 below it. The frame is given in the coordinates of
    // `boxInTarget`, the same box seen from the view that holds the pop-up.
    struct PopUpPlacement {
        bool right = false;
        bool low = false;
        KXStoreRect frame;
    };
    static PopUpPlacement popUpPlacement(const KXStoreRect& boxInChooser, double chooserWidth,
        double chooserHeight, const KXStoreRect& boxInTarget);

    // Order page, `width` wide: a row offering `fonts` check boxes, as many a line as fit between
    // margins of 14, 144 apart: two at the designed width, never fewer than one.
    static std::size_t orderBoxesPerLine(double width);
    // ceil(fonts / perLine) x 31 + 70, or 34 x ceil(fonts / perLine) + 45 where that is more (from
    // 17 fonts on at two a line), so that no box overflows its row.
    static double orderRowHeight(std::size_t fonts, double width = kDesignedWidth);
    // Font i: left 14 + (i mod perLine) x 144, top 55 + (i div perLine) x 34, 138 x 24.
    static KXStoreRect orderBoxFrame(std::size_t index, double width = kDesignedWidth);
    // The fonts [first, end) of a row of `fonts` whose boxes reach into [top, bottom) of the row.
    static std::pair<std::size_t, std::size_t> orderFontsBetween(
        std::size_t fonts, double top, double bottom, double width = kDesignedWidth);

    // The order page's dialogs: centred horizontally, their centre 50 points below the page's.
    static constexpr double kDeleteDialogWidth = 240;
    static constexpr double kDeleteDialogHeight = 160;
    static constexpr double kCheckDialogWidth = 240;
    static constexpr double kCheckDialogHeight = 150;
    static constexpr double kDialogCentreOffset = 50;
    static KXStoreRect dialogFrame(double pageWidth, double pageHeight, double width, double height);

    // The re-pick sheet starts this far below its place and rises into it.
    static constexpr double kSheetVisibleStart = 230;
    static double sheetStartOffset(double sheetHeight) { return sheetHeight - kSheetVisibleStart; }
};
