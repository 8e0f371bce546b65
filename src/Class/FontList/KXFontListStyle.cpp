#include "Class/FontList/KXFontListStyle.h"

#include <QApplication>
#include <QLabel>

namespace fontliststyle {

QFont systemFont(int points)
{
    QFont font = QApplication::font();
    font.setPixelSize(points);
    return font;
}

void fill(QWidget& widget, const QColor& color)
{
    widget.setAutoFillBackground(true);
    QPalette palette = widget.palette();
    palette.setColor(QPalette::Window, color);
    palette.setColor(QPalette::Base, color);
    widget.setPalette(palette);
}

QLabel* plainLabel(const QString& text, int points, const QColor& color, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setFont(systemFont(points));
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
    // Inside an item view a label takes the view's Base background and would draw with Text:
    // the colour given holds wherever the label is placed.
    label->setForegroundRole(QPalette::WindowText);
    return label;
}

} // namespace fontliststyle
