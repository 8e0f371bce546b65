#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

// A page of the hub is laid out at its designed width from the menu's edge, and its content
// keeps that width; on a wider window the page's widget still reaches its parent's right edge,
// so the part right of its content shows the page's own background and takes the clicks, wheel
// turns and hover meant for the list beneath. Layout places the page's subviews inside the
// designed width and, whenever it moves the page, sets it back to that width: the span follows at
// once. It holds while the page stays that parent's child. GUI thread only.
class KXPageSpan final : public QObject {
public:
    // Spans `page` (already a child of its parent) from its left edge to its parent's right edge,
    // never narrower than `designedWidth`. Spanning a page again is harmless.
    static void attach(QWidget* page, int designedWidth);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    KXPageSpan(QWidget* page, int designedWidth);
    void span();
    void release();

    QPointer<QWidget> page_;
    QPointer<QWidget> parent_;
    int designedWidth_;
};
