#include "Class/UIKit/KXPlainToolTip.h"

QString kx_plainToolTip(const QString& text)
{
    if (text.isEmpty())
        return {};
    return QStringLiteral("<qt>") + text.toHtmlEscaped() + QStringLiteral("</qt>");
}
