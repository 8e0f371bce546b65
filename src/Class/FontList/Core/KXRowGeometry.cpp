#include "Class/FontList/Core/KXRowGeometry.h"

#include <algorithm>
#include <cmath>

using autolayout::Rect;

namespace {

double centerY(const Rect& rect)
{
    return rect.y + rect.height / 2;
}

double centerX(const Rect& rect)
{
    return rect.x + rect.width / 2;
}

// A rectangle of the given size whose vertical centre is at `middle`.
Rect centredAt(double x, double middle, double width, double height)
{
    return Rect{x, middle - height / 2, width, height};
}

// Edges on whole points, half away from zero, each edge on its own so that neighbours sharing an
// edge stay flush: the constraint solver does the same when it applies frames.
double roundEdge(double value)
{
    return value < 0 ? -std::floor(-value + 0.5) : std::floor(value + 0.5);
}

void roundEdges(Rect& rect)
{
    const double left = roundEdge(rect.x);
    const double top = roundEdge(rect.y);
    rect = Rect{left, top, roundEdge(rect.x + rect.width) - left, roundEdge(rect.y + rect.height) - top};
}

} // namespace

double KXRowGeometry::badgesWidth(const KXRowBadges& badges)
{
    double width = 5 * kBadgeGap;
    for (const bool shown : {badges.newest, badges.free, badges.hot, badges.heartbeat, badges.gbk, badges.threeD})
        width += shown ? kBadgeWidth : kHiddenBadgeWidth;
    return width;
}

KXRowGeometry KXRowGeometry::layout(const Input& in)
{
    KXRowGeometry g;
    const double w = in.rowWidth;
    const double h = in.rowHeight;

    // The badges follow the title and stay clear of the favourite star at the right: a long name
    // gives way and is drawn elided to its rectangle.
    const double titleLeft = in.titleIndented ? 25.0 : 8.0;
    const double badgesRoom = badgesWidth(in.badges);
    const double titleRoom = std::max(0.0, w - kFavouriteRight - kFavouriteSize - kStarClearance - badgesRoom - titleLeft);
    g.title = Rect{titleLeft, 10, std::min(in.titleWidth, titleRoom), 15};
    const double badgeMiddle = centerY(g.title) + 1;
    auto badge = [&](double left, bool shown, double height) {
        return centredAt(left, badgeMiddle, shown ? kBadgeWidth : kHiddenBadgeWidth, height);
    };
    g.newest = badge(g.title.x + g.title.width, in.badges.newest, 12);
    g.free = badge(g.newest.x + g.newest.width + kBadgeGap, in.badges.free, 12);
    g.hot = badge(g.free.x + g.free.width + kBadgeGap, in.badges.hot, 16);
    g.heartbeat = badge(g.hot.x + g.hot.width + kBadgeGap, in.badges.heartbeat, 16);
    g.gbk = badge(g.heartbeat.x + g.heartbeat.width + kBadgeGap, in.badges.gbk, 12);
    g.threeD = badge(g.gbk.x + g.gbk.width + kBadgeGap, in.badges.threeD, 12);

    g.localFontIcon = centredAt(w - 13 - 16, centerY(g.title), 16, 16);
    g.favourite = centredAt(w - kFavouriteRight - kFavouriteSize, centerY(g.title), kFavouriteSize, kFavouriteSize);
    g.bottomArea = Rect{w - 50, 25, 50, h - 25};
    if (in.previewImageSize && in.previewImageSize->height > 0) {
        const double height = in.cellHeight;
        const double width = height * in.previewImageSize->width / in.previewImageSize->height;
        g.preview = centredAt(8, centerY(g.bottomArea), width, height);
    } else {
        g.preview = Rect{8, 25, 200, 30};
    }
    g.localName = Rect{8, 25, 6.7 * in.localNameHeight, in.localNameHeight};
    g.rowButton = Rect{8, 0, 2000, h};
    g.installedMark = Rect{3, 15, in.installedMarkWidth, 10};
    g.licenceLink = Rect{w - 8 - 130, h - 4 - 16, 130, 16};
    g.bottomLine = Rect{8, h - 1, w - 16, 1};
    if (in.cellHeight < kSmallCartLimit) {
        const double cartWidth = in.cellHeight * 1.2 * 0.9;
        g.cart = centredAt(w - 9 - cartWidth, centerY(g.preview), cartWidth, in.cellHeight * 0.9);
    } else {
        g.cart = centredAt(w - 9 - 35, centerY(g.preview) - 2, 35, 29);
    }
    g.ring = centredAt(w - 10 - 38, h / 2, 38, 38);
    g.statusImage = Rect{centerX(g.favourite) - 10, centerY(g.bottomArea) - 10, 20, 20};
    for (Rect* rect : {&g.title, &g.newest, &g.free, &g.hot, &g.heartbeat, &g.gbk, &g.threeD, &g.localFontIcon, &g.favourite,
                       &g.preview, &g.localName, &g.bottomArea, &g.rowButton, &g.installedMark, &g.licenceLink, &g.bottomLine,
                       &g.cart, &g.ring, &g.statusImage})
        roundEdges(*rect);
    return g;
}
