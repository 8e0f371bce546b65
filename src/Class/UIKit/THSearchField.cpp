#include "Class/UIKit/THSearchField.h"

#include <QApplication>
#include <QPainter>
#include <QProxyStyle>

namespace {

// Hides the line edit's own cursor, which is drawn in the text colour; the field draws its own.
class HiddenCursorStyle final : public QProxyStyle {
public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override
    {
        if (metric == PM_TextCursorWidth)
            return 0;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};

QStyle* hiddenCursorStyle()
{
    // One style for every field, owned by the application so it outlives them.
    static QStyle* style = [] {
        auto* proxy = new HiddenCursorStyle;
        proxy->setParent(qApp);
        return proxy;
    }();
    return style;
}

} // namespace

THSearchField::THSearchField(QWidget* parent)
    : QLineEdit(parent)
{
    setStyle(hiddenCursorStyle());
}

QColor THSearchField::insertionPointColor()
{
    // The platform's light grey: two thirds white.
    return QColor::fromRgbF(2.0f / 3, 2.0f / 3, 2.0f / 3);
}

void THSearchField::paintEvent(QPaintEvent* event)
{
    QLineEdit::paintEvent(event);
    if (!hasFocus() || isReadOnly() || hasSelectedText())
        return;
    QPainter painter(this);
    const QRect cursor = cursorRect();
    const int x = cursor.center().x();
    painter.fillRect(QRect(x, cursor.top(), 1, cursor.height()), insertionPointColor());
}
