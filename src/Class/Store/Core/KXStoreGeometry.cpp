#include "Class/Store/Core/KXStoreGeometry.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kRightEdge = 222;
constexpr double kLowEdge = 133;
constexpr double kRightOffset = 3;
constexpr double kLeftOffset = -100;

constexpr double kChooserLeft = 10;
constexpr double kChooserRight = 12; // room for the chooser's thin scroll bar
constexpr double kChooserPitch = 98;
constexpr double kChooserBox = 92;
constexpr double kOrderMargin = 14;
constexpr double kOrderPitch = 144;
constexpr double kOrderBox = 138;
constexpr double kOrderBoxesTop = 55;
constexpr double kOrderLinePitch = 34;
constexpr double kOrderBoxHeight = 24;

double lines(std::size_t items, std::size_t perLine)
{
    return static_cast<double>((items + perLine - 1) / perLine);
}

// How many boxes `pitch` apart fit in a line of `width` between the margins; at least one.
std::size_t fitting(double width, double left, double right, double pitch, double box)
{
    const double room = width - left - right - box;
    if (!(room >= pitch))
        return 1;
    return static_cast<std::size_t>(std::floor(room / pitch)) + 1;
}

} // namespace

std::size_t KXStoreGeometry::chooserBoxesPerLine(double width)
{
    return fitting(width, kChooserLeft, kChooserRight, kChooserPitch, kChooserBox);
}

double KXStoreGeometry::chooserRowHeight(std::size_t offers, double width)
{
    offers = chooserOffersShown(offers);
    const std::size_t perLine = chooserBoxesPerLine(width);
    const double listed = static_cast<double>(offers / perLine) * 40 + 100;
    if (offers == 0)
        return listed;
    // The last line of boxes ends 28 below its top, 55 + (lines - 1) x 44.
    const double needed = lines(offers, perLine) * 44 + 39;
    return std::max(listed, needed);
}

KXStoreRect KXStoreGeometry::chooserBoxFrame(std::size_t index, double width)
{
    const std::size_t perLine = chooserBoxesPerLine(width);
    return { static_cast<double>(index % perLine) * kChooserPitch + kChooserLeft,
        static_cast<double>(index / perLine) * 44 + 55, kChooserBox, 28 };
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

std::size_t KXStoreGeometry::orderBoxesPerLine(double width)
{
    return fitting(width, kOrderMargin, kOrderMargin, kOrderPitch, kOrderBox);
}

double KXStoreGeometry::orderRowHeight(std::size_t fonts, double width)
{
    const double rows = lines(fonts, orderBoxesPerLine(width));
    return std::max(rows * 31 + 70, rows * 34 + 45);
}

KXStoreRect KXStoreGeometry::orderBoxFrame(std::size_t index, double width)
{
    const std::size_t perLine = orderBoxesPerLine(width);
    return { kOrderMargin + static_cast<double>(index % perLine) * kOrderPitch,
        kOrderBoxesTop + static_cast<double>(index / perLine) * kOrderLinePitch, kOrderBox, kOrderBoxHeight };
}

std::pair<std::size_t, std::size_t> KXStoreGeometry::orderFontsBetween(
    std::size_t fonts, double top, double bottom, double width)
{
    const std::size_t perLine = orderBoxesPerLine(width);
    if (fonts == 0 || perLine == 0 || bottom <= top)
        return { 0, 0 };
    // Line n spans [55 + 34n, 55 + 34n + 24).
    const double firstLine = std::floor((top - kOrderBoxesTop - kOrderBoxHeight) / kOrderLinePitch) + 1;
    const double endLine = std::ceil((bottom - kOrderBoxesTop) / kOrderLinePitch);
    const double lines = std::ceil(static_cast<double>(fonts) / static_cast<double>(perLine));
    const auto clampLine = [lines](double line) { return static_cast<std::size_t>(std::clamp(line, 0.0, lines)); };
    const std::size_t first = std::min(fonts, clampLine(firstLine) * perLine);
    const std::size_t end = std::min(fonts, clampLine(endLine) * perLine);
    return { first, std::max(first, end) };
}

KXStoreRect KXStoreGeometry::dialogFrame(double pageWidth, double pageHeight, double width, double height)
{
    const double centreX = pageWidth / 2;
    const double centreY = pageHeight / 2 + kDialogCentreOffset;
    return { centreX - width / 2, centreY - height / 2, width, height };
}
