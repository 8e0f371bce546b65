#pragma once

#include <QColor>
#include <QWidget>

// A rounded box filled with one colour, with an optional one-point border: the cards of the
// shell's overlays.
class KXRoundedBox : public QWidget {
public:
    KXRoundedBox(QWidget* parent, QColor fill, double radius, QColor border = {});

    const QColor& fill() const { return fill_; }
    double radius() const { return radius_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor fill_;
    QColor border_;
    double radius_;
};
