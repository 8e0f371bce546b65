#include "Class/Home/Core/KXFlyingDotPath.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

double distance(KXFlyingDotPath::Point a, KXFlyingDotPath::Point b)
{
    return std::hypot(a.x - b.x, a.y - b.y);
}

} // namespace

TEST(KXFlyingDotPath, FromTheClickToTheCartThroughItsControlPoint)
{
    const auto path = KXFlyingDotPath::toCart({355, 600});
    EXPECT_EQ(path.start(), (KXFlyingDotPath::Point{355, 600}));
    EXPECT_EQ(path.end(), (KXFlyingDotPath::Point{45, 55}));
    EXPECT_DOUBLE_EQ(path.control().x, 100);
    EXPECT_DOUBLE_EQ(path.control().y, 655 / 1.56);
    EXPECT_EQ(path.pointAt(0), path.start());
    EXPECT_EQ(path.pointAt(-1), path.start());
    EXPECT_NEAR(distance(path.pointAt(1), path.end()), 0, 1e-9);
}

TEST(KXFlyingDotPath, EqualTimesCoverEqualLengths)
{
    // A control point far to one side: the curve's own parameter runs unevenly here.
    const KXFlyingDotPath path({0, 0}, {400, 0}, {400, 40});
    const double step = path.length() / 100;
    for (int i = 0; i < 100; ++i)
        EXPECT_NEAR(distance(path.pointAt(i / 100.0), path.pointAt((i + 1) / 100.0)), step, step * 0.03) << i;
    EXPECT_GT(distance(path.curveAt(0), path.curveAt(0.1)), 3 * distance(path.curveAt(0.9), path.curveAt(1)));
}
