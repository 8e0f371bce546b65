#pragma once

#include "Class/FontList/MyPopoverBackgroundView.h"

// The slider popover's frame colour: white, the twin of the sort popover's. Main thread only.
class MyPopoverBackgroundView2 : public MyPopoverBackgroundView {
    Q_OBJECT

public:
    explicit MyPopoverBackgroundView2(QWidget* parent = nullptr);

protected:
    QColor fillColor() const override { return Qt::white; }
};
