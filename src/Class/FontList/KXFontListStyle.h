#pragma once

#include <QColor>
#include <QFont>
#include <QString>

class QLabel;
class QWidget;

// Small drawing helpers the font list's views share. GUI thread only.
namespace fontliststyle {

// The system font at a size in points (drawn as pixels, as the rows are).
QFont systemFont(int points);
// Fills the widget's background (and its text fields' base) with a colour.
void fill(QWidget& widget, const QColor& color);
// A label that shows its text as plain text whatever it holds, in the system font and in `color`
// wherever it is placed (a table cell included).
QLabel* plainLabel(const QString& text, int points, const QColor& color, QWidget* parent);

} // namespace fontliststyle
