#pragma once

#include "Class/UIKit/KXBaseButton.h"

#include <QColor>
#include <QFont>
#include <QString>
#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;

// The building blocks of the account and update pages: the layer backgrounds of their views,
// filled buttons, labels of plain text and the input fields. Main thread only.

// A view filled with one colour, with optional rounded corners and a border (the pages' white
// cards, grey headers and dimming veils).
class KXFilledView : public QWidget {
public:
    explicit KXFilledView(QWidget* parent, QColor fill, double cornerRadius = 0, QColor border = {}, double borderWidth = 1);

    QColor fill() const { return fill_; }
    void setFill(const QColor& fill);
    double cornerRadius() const { return cornerRadius_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor fill_;
    double cornerRadius_;
    QColor border_;
    double borderWidth_;
};

// A standard button drawn on a rounded fill; dimmed while disabled.
class KXFillButton : public KXBaseButton {
public:
    KXFillButton(QWidget* parent, const QString& title, QColor fill, QColor titleColor, double cornerRadius, Action action);

    QColor fill() const { return fill_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor fill_;
    double cornerRadius_;
};

namespace kxaccount {

// The pages' points are pixels at scale 1: "the system font of N points" is a pixel size here.
QFont systemFont(double points, bool bold = false);
// A label that shows its text as plain text (server text never becomes markup), in `color`
// wherever it is placed.
QLabel* makeLabel(QWidget* parent, const QString& text, double points, const QColor& color, bool bold = false);
// A one-line field; `password` echoes dots.
QLineEdit* makeField(QWidget* parent, const QString& placeholder, bool password = false);
QCheckBox* makeCheckBox(QWidget* parent, const QString& title);
// A borderless text button in `color`.
KXBaseButton* makeLinkButton(QWidget* parent, const QString& title, const QColor& color, KXBaseButton::Action action, double points = 12);

// Colours the account pages share.
inline const QColor kAccent(151, 125, 98);
inline const QColor kText(68, 68, 68);
inline const QColor kMutedText(151, 151, 151);
inline const QColor kCardBorder(230, 230, 230);
inline const QColor kPageGrey(245, 245, 245);
inline const QColor kHeaderGrey(237, 237, 237);
inline const QColor kVeil(0, 0, 0, 51); // black at 20 %

} // namespace kxaccount
