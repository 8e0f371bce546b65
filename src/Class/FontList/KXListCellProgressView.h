#pragma once

#include <QLabel>
#include <QWidget>

class QPainter;

// The progress ring of a font row: a grey circle, a green arc from the positive x axis turning
// counter-clockwise to progress x 360 degrees, and the percentage in the middle. The rows of the
// lists paint the same ring through drawRing() without a widget per row; this widget is the ring
// on its own (38 x 38 in a row). Main thread only.
class KXListCellProgressView : public QWidget {
    Q_OBJECT

public:
    explicit KXListCellProgressView(QWidget* parent = nullptr);

    double progress() const { return progress_; }
    // Stores the value, colours and sets the percentage text and repaints.
    void setProgress(double progress);
    QLabel* numLabel() const { return numLabel_; }

    // The ring inside `square` (its width is the ring's diameter plus 12).
    static void drawRing(QPainter& painter, const QRectF& square, double progress);
    // The percentage text in the middle of `square`, 10 points, in `color`.
    static void drawPercentage(QPainter& painter, const QRectF& square, double progress, const QColor& color);
    static QFont percentageFont();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    double progress_ = 0;
    QLabel* numLabel_;
};
