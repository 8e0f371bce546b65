#include "Lib/ImageLoading/ILRoundedPath.h"

#include <algorithm>

namespace {

// Continues the path around one right-angled corner: a line to where the arc of `radius` begins,
// then the quarter arc that leaves the corner towards the next side. `startAngle` is the angle
// (degrees, counter-clockwise on screen) of the arc's first point seen from its centre.
void turnCorner(QPainterPath& path, QPointF corner, QPointF inward, double radius, double startAngle)
{
    if (radius <= 0) {
        path.lineTo(corner);
        return;
    }
    const QPointF centre = corner + inward * radius;
    const QRectF circle(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
    path.arcTo(circle, startAngle, 90);
}

} // namespace

QPainterPath il_bezierPathWithRoundedRect(const QRectF& rect, unsigned corners, double cornerRadius)
{
    const double largest = std::min(rect.width(), rect.height()) / 2;
    const auto radius = [&](unsigned bit) { return std::min(largest, (corners & bit) ? cornerRadius : 0.0); };
    QPainterPath path;
    path.moveTo(rect.left() + rect.width() / 2, rect.top());
    turnCorner(path, rect.topLeft(), QPointF(1, 1), radius(ILCornerTopLeft), 90);
    turnCorner(path, rect.bottomLeft(), QPointF(1, -1), radius(ILCornerBottomLeft), 180);
    turnCorner(path, rect.bottomRight(), QPointF(-1, -1), radius(ILCornerBottomRight), 270);
    turnCorner(path, rect.topRight(), QPointF(-1, 1), radius(ILCornerTopRight), 0);
    path.closeSubpath();
    return path;
}
