#pragma once

#include <QWidget>

// The base of overlay panels and dialogs: pointer presses, wheel, touch, context-menu and hover
// events that reach the panel stop here, so nothing beneath it (siblings under it, or the
// widget it lies on) reacts while it is shown. Controls inside the panel still get their own
// events. Releases, drags and keys are handled as by any widget, except that Tab and Shift+Tab
// from a field inside the panel go round the panel's own fields and never reach the widgets
// beneath it, where typed keys would show nowhere. GUI thread only.
class KXBaseView : public QWidget {
public:
    explicit KXBaseView(QWidget* parent = nullptr);

protected:
    bool event(QEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
};
