#include "Class/Store/Core/KXStoreGeometry.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace {

TEST(KXStoreGeometryChooser, RowHeightsByOfferCount)
{
    EXPECT_EQ(KXStoreGeometry::chooserRowHeight(2), 100);
    for (std::size_t n : { 3u, 4u, 5u })
        EXPECT_EQ(KXStoreGeometry::chooserRowHeight(n), 140) << n;
    for (std::size_t n : { 6u, 7u, 8u })
        EXPECT_EQ(KXStoreGeometry::chooserRowHeight(n), 180) << n;
    EXPECT_EQ(KXStoreGeometry::chooserRowHeight(0), 100);
}

TEST(KXStoreGeometryChooser, BoxesThreeALineAndLargeCategoriesKeepTheirLastLine)
{
    EXPECT_EQ(KXStoreGeometry::chooserBoxFrame(0), (KXStoreRect { 10, 55, 92, 28 }));
    EXPECT_EQ(KXStoreGeometry::chooserBoxFrame(2), (KXStoreRect { 206, 55, 92, 28 }));
    EXPECT_EQ(KXStoreGeometry::chooserBoxFrame(4), (KXStoreRect { 108, 99, 92, 28 }));
    for (std::size_t n = 1; n <= 40; ++n) {
        const double height = KXStoreGeometry::chooserRowHeight(n);
        EXPECT_LE(KXStoreGeometry::chooserBoxFrame(n - 1).bottom(), height) << n;
        if (n < 16) {
            EXPECT_EQ(height, static_cast<double>(n / 3) * 40 + 100) << n;
        }
    }
    EXPECT_EQ(KXStoreGeometry::chooserRowHeight(15), 300);
    EXPECT_EQ(KXStoreGeometry::chooserRowHeight(16), 303); // listed 300 would cut the last line
}

TEST(KXStoreGeometryChooser, BoxesFlowAcrossAWidePage)
{
    // Three a line need 10 + 3 x 98 - 6 + 12 = 310; a fourth from 408.
    EXPECT_EQ(KXStoreGeometry::chooserBoxesPerLine(309), 2u);
    EXPECT_EQ(KXStoreGeometry::chooserBoxesPerLine(310), 3u);
    EXPECT_EQ(KXStoreGeometry::chooserBoxesPerLine(407), 3u);
    EXPECT_EQ(KXStoreGeometry::chooserBoxesPerLine(408), 4u);
    EXPECT_EQ(KXStoreGeometry::chooserBoxesPerLine(700), 6u);
    EXPECT_EQ(KXStoreGeometry::chooserBoxesPerLine(40), 1u); // before the page has its width

    // Six a line at 700: the sixth ends the first line, the seventh starts the second.
    EXPECT_EQ(KXStoreGeometry::chooserBoxFrame(5, 700), (KXStoreRect { 500, 55, 92, 28 }));
    EXPECT_EQ(KXStoreGeometry::chooserBoxFrame(6, 700), (KXStoreRect { 10, 99, 92, 28 }));
    EXPECT_EQ(KXStoreGeometry::chooserRowHeight(5, 700), 100);
    EXPECT_EQ(KXStoreGeometry::chooserRowHeight(6, 700), 140);
    EXPECT_EQ(KXStoreGeometry::chooserRowHeight(13, 700), 180);

    for (double width : { 310.0, 408.0, 555.0, 700.0, 1290.0, 2000.0 }) {
        for (std::size_t n = 1; n <= 60; ++n) {
            const double height = KXStoreGeometry::chooserRowHeight(n, width);
            const KXStoreRect last = KXStoreGeometry::chooserBoxFrame(n - 1, width);
            EXPECT_LE(last.bottom(), height) << n << " at " << width;
            EXPECT_LE(height, KXStoreGeometry::chooserRowHeight(n)) << "no taller than at 310";
            const KXStoreRect lineEnd = KXStoreGeometry::chooserBoxFrame(
                std::min(n, KXStoreGeometry::chooserBoxesPerLine(width)) - 1, width);
            EXPECT_LE(lineEnd.right(), width - 12) << n << " at " << width << ": the scroll bar's margin";
        }
    }
}

TEST(KXStoreGeometryChooser, PopUpInEachCorner)
{
    const double chooserHeight = 600;
    double chooserWidth = 700;
    // The box seen from the table is 20 right of and 50 below where the chooser sees it.
    auto place = [&](double x, double y) {
        const KXStoreRect inChooser { x, y, 92, 28 };
        const KXStoreRect inTable { x - 20, y - 50, 92, 28 };
        return KXStoreGeometry::popUpPlacement(inChooser, chooserWidth, chooserHeight, inTable);
    };

    const auto topLeft = place(30, 105);
    EXPECT_FALSE(topLeft.right);
    EXPECT_FALSE(topLeft.low);
    EXPECT_EQ(topLeft.frame, (KXStoreRect { 13, 88, 191, 146 })); // 3 right, 5 below the box

    const auto topRight = place(226, 105);
    EXPECT_TRUE(topRight.right);
    EXPECT_FALSE(topRight.low);
    EXPECT_EQ(topRight.frame, (KXStoreRect { 106, 88, 191, 146 })); // 100 left

    // Lower edge 133 above the chooser's bottom is not low; one point further down is.
    EXPECT_FALSE(place(30, 600 - 133 - 28).low);
    const auto bottomLeft = place(30, 600 - 132 - 28);
    EXPECT_TRUE(bottomLeft.low);
    const KXStoreRect box { 10, 600 - 132 - 28 - 50, 92, 28 };
    EXPECT_EQ(bottomLeft.frame.bottom(), box.y - 5); // above the box, 5 clear of it
    EXPECT_EQ(bottomLeft.frame.x, box.x + 3);

    const auto bottomRight = place(300, 590 - 28);
    EXPECT_TRUE(bottomRight.right);
    EXPECT_TRUE(bottomRight.low);
    EXPECT_EQ(bottomRight.frame, (KXStoreRect { 180, 590 - 28 - 50 + 28 - 179, 191, 146 }));
    // Exactly at 222 the box is not on the right side.
    EXPECT_FALSE(place(222, 105).right);

    // In the 310-wide store the third box of a line (206) is left of 222, but a pop-up hung to
    // its right would end at 400: it opens to the left. The second (108) ends at 302 and fits.
    chooserWidth = 310;
    EXPECT_TRUE(place(206, 105).right);
    EXPECT_EQ(place(206, 105).frame.x, 206 - 20 - 100);
    EXPECT_FALSE(place(108, 105).right);
    EXPECT_FALSE(place(116, 105).right); // ends at exactly 310
    EXPECT_TRUE(place(117, 105).right);
}

TEST(KXStoreGeometryOrder, RowsAndBoxesTwoALine)
{
    EXPECT_EQ(KXStoreGeometry::orderRowHeight(1), 101);
    EXPECT_EQ(KXStoreGeometry::orderRowHeight(3), 132);
    EXPECT_EQ(KXStoreGeometry::orderBoxFrame(0), (KXStoreRect { 14, 55, 138, 24 }));
    EXPECT_EQ(KXStoreGeometry::orderBoxFrame(1), (KXStoreRect { 158, 55, 138, 24 }));
    EXPECT_EQ(KXStoreGeometry::orderBoxFrame(2), (KXStoreRect { 14, 89, 138, 24 }));
}

TEST(KXStoreGeometryOrder, NoBoxOverflowsItsRowAtAnyCartSize)
{
    for (std::size_t n = 1; n <= 400; ++n) {
        const double height = KXStoreGeometry::orderRowHeight(n);
        EXPECT_LE(KXStoreGeometry::orderBoxFrame(n - 1).bottom(), height) << n;
        EXPECT_GE(height, static_cast<double>((n + 1) / 2) * 31 + 70) << n;
    }
    EXPECT_EQ(KXStoreGeometry::orderRowHeight(16), 318); // the listed height still holds
    EXPECT_EQ(KXStoreGeometry::orderRowHeight(17), 351); // listed 349 would cut the last box
    EXPECT_EQ(KXStoreGeometry::orderRowHeight(200), 3445);
}

TEST(KXStoreGeometryOrder, TheFontsWhoseBoxesReachIntoABandAreThoseOfItsLines)
{
    // Two a line; line n spans 55 + 34n to 79 + 34n.
    const std::size_t fonts = 1001;
    EXPECT_EQ(KXStoreGeometry::orderFontsBetween(fonts, 0, 55), (std::pair<std::size_t, std::size_t> { 0, 0 }));
    EXPECT_EQ(KXStoreGeometry::orderFontsBetween(fonts, 0, 56), (std::pair<std::size_t, std::size_t> { 0, 2 }));
    EXPECT_EQ(KXStoreGeometry::orderFontsBetween(fonts, 79, 89), (std::pair<std::size_t, std::size_t> { 2, 2 }))
        << "the gap between two lines holds no box";
    EXPECT_EQ(KXStoreGeometry::orderFontsBetween(fonts, 78, 90), (std::pair<std::size_t, std::size_t> { 0, 4 }));
    EXPECT_EQ(KXStoreGeometry::orderFontsBetween(fonts, -5000, 1e9), (std::pair<std::size_t, std::size_t> { 0, fonts }));
    EXPECT_EQ(KXStoreGeometry::orderFontsBetween(fonts, 1e9, 2e9), (std::pair<std::size_t, std::size_t> { fonts, fonts }));
    EXPECT_EQ(KXStoreGeometry::orderFontsBetween(0, 0, 1000), (std::pair<std::size_t, std::size_t> { 0, 0 }));
    // Four a line at 700: every box in the band is in the range, none outside it.
    for (std::size_t i = 0; i < 40; ++i) {
        const KXStoreRect frame = KXStoreGeometry::orderBoxFrame(i, 700);
        const auto [first, end] = KXStoreGeometry::orderFontsBetween(40, 200, 300, 700);
        EXPECT_EQ(i >= first && i < end, frame.bottom() > 200 && frame.y < 300) << i;
    }
}

TEST(KXStoreGeometryOrder, BoxesFlowAcrossAWidePage)
{
    // Two a line need 14 + 2 x 144 - 6 + 14 = 310; a third from 454.
    EXPECT_EQ(KXStoreGeometry::orderBoxesPerLine(309), 1u);
    EXPECT_EQ(KXStoreGeometry::orderBoxesPerLine(310), 2u);
    EXPECT_EQ(KXStoreGeometry::orderBoxesPerLine(453), 2u);
    EXPECT_EQ(KXStoreGeometry::orderBoxesPerLine(454), 3u);
    EXPECT_EQ(KXStoreGeometry::orderBoxesPerLine(40), 1u);

    // Four a line at 700.
    EXPECT_EQ(KXStoreGeometry::orderBoxFrame(3, 700), (KXStoreRect { 446, 55, 138, 24 }));
    EXPECT_EQ(KXStoreGeometry::orderBoxFrame(4, 700), (KXStoreRect { 14, 89, 138, 24 }));
    EXPECT_EQ(KXStoreGeometry::orderRowHeight(4, 700), 101);
    EXPECT_EQ(KXStoreGeometry::orderRowHeight(5, 700), 132);

    for (double width : { 310.0, 454.0, 700.0, 1290.0, 2000.0 }) {
        for (std::size_t n = 1; n <= 60; ++n) {
            const double height = KXStoreGeometry::orderRowHeight(n, width);
            EXPECT_LE(KXStoreGeometry::orderBoxFrame(n - 1, width).bottom(), height) << n << " at " << width;
            EXPECT_LE(height, KXStoreGeometry::orderRowHeight(n)) << "no taller than at 310";
            const KXStoreRect lineEnd = KXStoreGeometry::orderBoxFrame(
                std::min(n, KXStoreGeometry::orderBoxesPerLine(width)) - 1, width);
            EXPECT_LE(lineEnd.right(), width - 14) << n << " at " << width;
        }
    }
}

TEST(KXStoreGeometryDialogs, CentredFiftyBelowTheMiddle)
{
    EXPECT_EQ(KXStoreGeometry::dialogFrame(600, 500, 240, 160), (KXStoreRect { 180, 220, 240, 160 }));
    EXPECT_EQ(KXStoreGeometry::dialogFrame(600, 500, 240, 150), (KXStoreRect { 180, 225, 240, 150 }));
    EXPECT_EQ(KXStoreGeometry::sheetStartOffset(500), 270);
}

} // namespace
