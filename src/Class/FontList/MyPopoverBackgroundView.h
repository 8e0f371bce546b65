#pragma once

#include <QColor>
#include <QWidget>

// The sort popover's frame colour: fills its window with the palette's RightBGC, as large as the
// window. Main thread only.
class MyPopoverBackgroundView : public QWidget {
    Q_OBJECT

public:
    explicit MyPopoverBackgroundView(QWidget* parent = nullptr);
    // Keeps the view as large as the window it lies in.
    void followWindowSize();

protected:
    virtual QColor fillColor() const;
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
};
