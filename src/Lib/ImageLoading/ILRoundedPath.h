#pragma once

#include <QPainterPath>
#include <QRectF>

// Corners of a rectangle as they appear on screen.
enum ILCornerMask : unsigned {
    ILCornerTopLeft = 1,
    ILCornerTopRight = 2,
    ILCornerBottomLeft = 4,
    ILCornerBottomRight = 8,
    ILCornerAll = 15,
};

// The outline of `rect` with the corners in `corners` rounded by `cornerRadius` (at most half the
// shorter side) and the others square. It starts at the middle of the top edge and runs
// counter-clockwise on screen: top-left, bottom-left, bottom-right, top-right; it is closed.
QPainterPath il_bezierPathWithRoundedRect(const QRectF& rect, unsigned corners, double cornerRadius);
