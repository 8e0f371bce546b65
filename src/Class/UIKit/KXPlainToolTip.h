#pragma once

#include <QString>

// The widest line, in pixels at the tooltip font, that a tooltip shows unbroken.
inline constexpr int kx_plainToolTipLineWidth = 480;

// A tooltip that shows `text` exactly as written. A tooltip takes anything that looks like markup
// as rich text, so text from the service or the user is escaped inside an explicit rich-text
// wrapper. Lines up to kx_plainToolTipLineWidth show on one line each, spaces kept; longer text
// wraps. An empty text stays empty: no tooltip.
QString kx_plainToolTip(const QString& text);
