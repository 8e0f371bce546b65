#include "Lib/ImageLoading/ILRoundedPath.h"

#include <gtest/gtest.h>

namespace {

TEST(ILRoundedPath, RoundsOnlyTheCornersAskedFor)
{
    const QRectF rect(0, 0, 100, 60);
    const QPainterPath path = il_bezierPathWithRoundedRect(rect, ILCornerTopLeft | ILCornerBottomRight, 20);
    EXPECT_FALSE(path.contains(QPointF(1, 1))); // visible top-left is cut
    EXPECT_FALSE(path.contains(QPointF(99, 59))); // bottom-right too
    EXPECT_TRUE(path.contains(QPointF(99, 1))); // top-right is square
    EXPECT_TRUE(path.contains(QPointF(1, 59))); // bottom-left is square
    EXPECT_TRUE(path.contains(QPointF(10, 10))); // inside the arc of radius 20
    EXPECT_EQ(path.boundingRect(), rect);
}

TEST(ILRoundedPath, RadiusIsAtMostHalfTheShorterSide)
{
    const QPainterPath path = il_bezierPathWithRoundedRect(QRectF(0, 0, 100, 40), ILCornerAll, 500);
    // A stadium: radius 20 at every corner, so the point 3 in from a corner lies outside.
    EXPECT_FALSE(path.contains(QPointF(3, 3)));
    EXPECT_TRUE(path.contains(QPointF(20, 2)));
    EXPECT_TRUE(path.contains(QPointF(50, 1)));
}

TEST(ILRoundedPath, StartsAtTheTopMiddleAndCloses)
{
    const QRectF rect(10, 20, 40, 40);
    const QPainterPath path = il_bezierPathWithRoundedRect(rect, 0, 5);
    EXPECT_EQ(path.elementAt(0), QPointF(30, 20));
    EXPECT_EQ(QPointF(path.elementAt(path.elementCount() - 1)), QPointF(30, 20));
    EXPECT_TRUE(path.contains(QPointF(10.5, 20.5)));
}

} // namespace
