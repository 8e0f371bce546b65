#pragma once

#include "Class/UIKit/KXBaseView.h"

// An overlay that dims what lies beneath it (black at 20 %) and swallows the pointer: the base of
// the dialogs laid over a page or the whole main window. Main thread only.
class KXVeilView : public KXBaseView {
    Q_OBJECT

public:
    explicit KXVeilView(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};
