#pragma once

#include <QColor>
#include <QFont>

class QScrollBar;
class QWidget;

// Metrics and colours the main window's pieces share. The window's points are pixels at scale 1,
// so "the system font of N points" is a pixel size here.
namespace kxhome {

inline const QColor kMenuText(171, 171, 171);
inline const QColor kMenuBackground(83, 84, 86);
inline const QColor kStretchBackground(24, 25, 26);
inline const QColor kOrderBadge(217, 42, 42);
inline const QColor kCartBadge(238, 84, 84);
inline const QColor kVipRing(215, 178, 127);
inline const QColor kMenuLine(110, 111, 114);

// The scroll bars of the dark menu: a thin light handle in a darker groove, no arrows, so that a
// side table cut short by the window says at a glance that it holds more rows.
inline constexpr int kMenuScrollBarWidth = 4;
inline const QColor kMenuScrollHandle(171, 171, 171);
inline const QColor kMenuScrollTrack(62, 63, 65);
void styleMenuScrollBar(QScrollBar* bar);

QFont systemFont(double points);
void setTextColor(QWidget* widget, const QColor& color);

} // namespace kxhome
