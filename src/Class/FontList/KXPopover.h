#pragma once

#include <QPointer>
#include <QWidget>

// A transient pop-up beside a view (the popovers of the toolbar): a Qt::Popup window holding one
// content view, shown above or below its anchor and closed by any click outside it. Edges are
// named as the platform names them in y-up coordinates: MaxY is above the anchor, MinY below;
// a pop-up that does not fit on the anchor's screen on the preferred side opens on the other, and
// where neither side has room it stays on the screen over the anchor.
// Main thread only.
class KXPopover : public QWidget {
    Q_OBJECT

public:
    enum class Edge { MinY = 1, MaxY = 3 };

    explicit KXPopover(QWidget* content);

    QWidget* contentView() const { return content_; }
    void showRelativeToView(QWidget* anchor, Edge preferredEdge);
    // Where the pop-up opens for an anchor's rectangle on a screen's available area.
    static QRect placement(const QRect& anchorOnScreen, const QSize& size, const QRect& screen, Edge preferredEdge);
    bool isShown() const { return isVisible(); }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QPointer<QWidget> content_;
};
