#pragma once

#include <QWidget>

// The base of the slider pop-ups' content: once shown in a pop-up window it gives that window a
// white frame (one MyPopoverBackgroundView2 behind everything). Main thread only.
class MyPopoverRootView2 : public QWidget {
    Q_OBJECT

public:
    explicit MyPopoverRootView2(QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;
};
