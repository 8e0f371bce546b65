#pragma once

#include <QString>
#include <QTextDocument>

// The text a tooltip puts on screen: the tooltip takes anything that looks like markup as rich
// text, so this is what a reader of the tooltip sees.
inline QString shownToolTipText(const QString& toolTip)
{
    if (!Qt::mightBeRichText(toolTip))
        return toolTip;
    QTextDocument document;
    document.setHtml(toolTip);
    return document.toPlainText();
}
