#pragma once

#include "Class/FontList/Core/KXRowLook.h"
#include "Platform/AutoLayout/Geometry.h"

#include <optional>

// Where each part of a font row lies, in the row's own coordinates (top-down, points): the row's
// constraint table worked out as arithmetic, so that painting and hit-testing read one set of
// rectangles and no widget per part is needed. Rows are as high as the preview size. Edges are
// rounded to whole points as the constraint solver rounds them, so a hidden badge (0.01 wide)
// takes no pixel while its gaps stay.
struct KXRowGeometry {
    struct Input {
        double rowWidth = 0;
        double rowHeight = 90;
        double titleWidth = 0;       // the title's text width at its font
        bool titleIndented = false;  // an installed font: the title starts at 25
        KXRowBadges badges;
        double cellHeight = 30;      // the preview's height once an image has arrived
        // The arrived preview's size; none while nothing has arrived (the preview keeps the place
        // the row gives it at set-up).
        std::optional<autolayout::Size> previewImageSize;
        double localNameHeight = 0;  // the local name's text height at its point size
        double installedMarkWidth = 10;
    };

    static constexpr double kBadgeWidth = 22;
    static constexpr double kHiddenBadgeWidth = 0.01;
    static constexpr double kBadgeGap = 1.5;
    static constexpr double kSmallCartLimit = 20; // cellHeight below this shrinks the cart button
    static constexpr double kFavouriteSize = 20;
    static constexpr double kFavouriteRight = 15;  // from the row's right edge
    static constexpr double kStarClearance = 4;    // kept free between the last badge and the star

    // The title's rectangle is as wide as its text, or narrower where the text and the badges after
    // it would reach the favourite star: the title is then drawn elided to it.
    static KXRowGeometry layout(const Input& input);
    // The badges' run after the title, shown or not, with the gaps between them.
    static double badgesWidth(const KXRowBadges& badges);

    autolayout::Rect title;
    autolayout::Rect newest, free, hot, heartbeat, gbk, threeD;
    autolayout::Rect localFontIcon;
    autolayout::Rect favourite;
    autolayout::Rect preview;
    autolayout::Rect localName;
    autolayout::Rect bottomArea;
    autolayout::Rect rowButton; // the transparent button that takes the row's clicks and hover
    autolayout::Rect installedMark;
    autolayout::Rect licenceLink;
    autolayout::Rect bottomLine;
    autolayout::Rect cart;
    autolayout::Rect ring;
    autolayout::Rect statusImage;
};
