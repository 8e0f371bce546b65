#include "Class/UIKit/KXPlainToolTip.h"

#include <QFontMetrics>
#include <QStringList>
#include <QToolTip>

#include <algorithm>

QString kx_plainToolTip(const QString& text)
{
    if (text.isEmpty())
        return {};
    const QString escaped = text.toHtmlEscaped();
    // A tooltip's rich text wraps at a narrow width chosen for a square box (a short folder name
    // took three lines): text up to a comfortable width keeps its lines as written.
    const QFontMetrics metrics(QToolTip::font());
    int widest = 0;
    for (const QString& line : text.split(QLatin1Char('\n')))
        widest = std::max(widest, metrics.horizontalAdvance(line));
    if (widest <= kx_plainToolTipLineWidth)
        return QStringLiteral("<p style='white-space:pre'>") + escaped + QStringLiteral("</p>");
    return QStringLiteral("<qt>") + escaped + QStringLiteral("</qt>");
}
