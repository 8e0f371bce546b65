// The device pixels behind Qt's scaled coordinates: where a window lands, and which pixels a
// reported area and frame surely cover.
#include "Class/UIKit/KXScreenGrid.h"

#include "ScaledScreen.h"

#include <gtest/gtest.h>

using scaledscreen::ScaledScreen;

TEST(KXScreenGrid, LandsWhereQtPlacedWindowsOnAScreenAtOnePointFive)
{
    const KXScreenGrid grid(1.5);
    // Client areas Qt put on an X screen of 1600 x 1000 at 1.5, reported as 1067 x 667.
    EXPECT_EQ(grid.toDevice(QRect(334, 13, 400, 651)), QRect(501, 20, 600, 977));
    EXPECT_EQ(grid.toDevice(QRect(334, 15, 400, 653)), QRect(501, 23, 600, 980));
    EXPECT_EQ(grid.toDevice(QRect(333, 0, 400, 667)), QRect(500, 0, 600, 1001)) << "one row past the screen";
    // A second screen's origin stays where it is; positions scale from it.
    EXPECT_EQ(KXScreenGrid(1.5, QPoint(1600, 0)).devicePosition(1613, Qt::Horizontal), 1600 + 20);

    // The longest length within a device span, and a position inside a range, or none.
    EXPECT_EQ(grid.lengthWithin(975), 650);
    EXPECT_EQ(grid.lengthWithin(976), 650) << "651 spans 977";
    EXPECT_EQ(grid.positionWithin(20, 20, 20, Qt::Vertical), 13);
    EXPECT_EQ(grid.positionWithin(22, 22, 22, Qt::Vertical), std::nullopt) << "between 21 and 23";
    EXPECT_EQ(grid.positionWithin(0, 22, 23, Qt::Vertical), 15);
    EXPECT_EQ(grid.positionFrom(22, Qt::Vertical), 15);
}

TEST(KXScreenGrid, AReportedAreaAndFrameCoverTheirDevicePixels)
{
    for (const double scale : {1.0, 1.25, 1.5, 1.75, 2.0}) {
        const KXScreenGrid grid(scale);
        for (int start = 0; start <= 40; ++start) {
            for (int length = 700; length <= 1010; ++length) {
                const QRect device(start, start, length, length);
                const QRect reported = ScaledScreen{scale, device, {}}.available();
                const QRect inside = grid.deviceAreaInside(reported);
                SCOPED_TRACE(testing::Message() << "scale " << scale << ", " << start << " + " << length);
                ASSERT_TRUE(device.contains(inside));
                // A pixel lost at each end at most, where the report could stand for either.
                ASSERT_GE(inside.width(), length - 2);
            }
        }
        for (int margin = 0; margin <= 40; ++margin) {
            const QMargins device(margin, margin, margin, margin);
            const QMargins widest = grid.deviceMargins(ScaledScreen{scale, {}, device}.frame());
            SCOPED_TRACE(testing::Message() << "scale " << scale << ", margin " << margin);
            ASSERT_GE(widest.top(), margin);
            ASSERT_LE(widest.top(), margin + 1);
        }
    }
}

TEST(KXScreenGrid, WhereNoPositionFitsTheOvershootIsTheLeastThatKeepsTheTopInside)
{
    const KXScreenGrid grid(3);
    // An empty range, 5 device pixels too narrow: 1 (device 3) overshoots 2 and 3 pixels, 2 (device
    // 6) all 6 past the far end, 0 all 5 before the near one.
    EXPECT_EQ(grid.placeWithin(6, 5, 0, Qt::Horizontal), 1);
    EXPECT_EQ(grid.placeWithin(0, 5, 0, Qt::Horizontal), 1);
    // A range between two positions: the nearer one.
    EXPECT_EQ(grid.placeWithin(4, 4, 4, Qt::Horizontal), 1);
    EXPECT_EQ(grid.placeWithin(5, 5, 5, Qt::Horizontal), 2);
    // The top edge never goes above the range's start.
    EXPECT_EQ(grid.placeWithin(0, 5, 0, Qt::Vertical), 2);
    EXPECT_EQ(grid.placeWithin(4, 4, 4, Qt::Vertical), 2);
}

TEST(KXScreenGrid, ALengthKeptBySnapReadsBackNoShorterThanAskedAfterTheWindowManagersSnap)
{
    // The sign-in window's width at 1.75: 665 device pixels, snapped to 664, reads back as 379.
    const KXScreenGrid grid(1.75);
    EXPECT_EQ(grid.resizeIncrement(), 2);
    EXPECT_EQ(grid.snappedLength(380), 379);
    EXPECT_EQ(grid.lengthKeptBySnap(380), 381);
    EXPECT_EQ(grid.lengthKeptBySnap(480), 480) << "840 is a whole number of increments";
    for (const double scale : {1.0, 1.25, 1.5, 1.75, 2.0}) {
        const KXScreenGrid scaled(scale);
        const ScaledScreen screen{scale, {}, {}};
        for (int length = 100; length <= 1200; ++length) {
            SCOPED_TRACE(testing::Message() << "scale " << scale << ", " << length);
            const int kept = scaled.lengthKeptBySnap(length);
            ASSERT_GE(screen.snapped(QSize(kept, kept)).width(), length);
            ASSERT_LE(kept, length + 1);
        }
    }
}
