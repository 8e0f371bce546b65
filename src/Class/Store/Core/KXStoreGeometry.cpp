#include "Class/Store/Core/KXStoreGeometry.h"

#include <algorithm>

namespace {

constexpr double kRightEdge = 222;
constexpr double kLowEdge = 133;
constexpr double kRightOffset = 3;
constexpr double kLeftOffset = -100;

double lines(std::size_t items, std::size_t perLine)
{
    return static_cast<double>((items + perLine - 1) / perLine);
}

} // namespace

double KXStoreGeometry::chooserRowHeight(std::size_t offers)
{
    const double listed = static_cast<double>(offers / 3) * 40 + 100;
    if (offers == 0)
        return listed;
    // The last line of boxes ends 28 below its top, 55 + (lines - 1) x 44.
    const double needed = lines(offers, 3) * 44 + 39;
    return std::max(listed, needed);
}

KXStoreRect KXStoreGeometry::chooserBoxFrame(std::size_t index)
{
    return { static_cast<double>(index % 3) * 98 + 10, static_cast<double>(index / 3) * 44 + 55, 92, 28 };
}

KXStoreGeometry::PopUpPlacement KXStoreGeometry::popUpPlacement(const KXStoreRect& boxInChooser,
    double chooserWidth, double chooserHeight, const KXStoreRect& boxInTarget)
{
    PopUpPlacement placement;
    placement.right
        = boxInChooser.x > kRightEdge || boxInChooser.x + kRightOffset + kPopUpWidth > chooserWidth;
    // The chooser's own coordinates count upwards from its lower edge.
    placement.low = chooserHeight - boxInChooser.bottom() < kLowEdge;
    const double dx = placement.right ? kLeftOffset : kRightOffset;
    const double dy = placement.low ? 179 : -5;
    placement.frame = { boxInTarget.x + dx, boxInTarget.bottom() - dy, kPopUpWidth, kPopUpHeight };
    return placement;
}

double KXStoreGeometry::orderRowHeight(std::size_t fonts)
{
    const double listed = static_cast<double>((fonts + 1) / 2) * 31 + 70;
    return std::max(listed, 34 * lines(fonts, 2) + 45);
}

KXStoreRect KXStoreGeometry::orderBoxFrame(std::size_t index)
{
    return { 14 + static_cast<double>(index % 2) * 144, 55 + static_cast<double>(index / 2) * 34, 138, 24 };
}

KXStoreRect KXStoreGeometry::dialogFrame(double pageWidth, double pageHeight, double width, double height)
{
    const double centreX = pageWidth / 2;
    const double centreY = pageHeight / 2 + kDialogCentreOffset;
    return { centreX - width / 2, centreY - height / 2, width, height };
}
