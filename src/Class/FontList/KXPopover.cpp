#include "Class/FontList/KXPopover.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

KXPopover::KXPopover(QWidget* content)
    : QWidget(nullptr, Qt::Popup)
    , content_(content)
{
    if (content_) {
        content_->setParent(this);
        resize(content_->size());
    }
}

QRect KXPopover::placement(const QRect& anchor, const QSize& size, const QRect& screen, Edge preferredEdge)
{
    const int x = std::clamp(anchor.x() + anchor.width() / 2 - size.width() / 2, screen.left(), std::max(screen.left(), screen.right() - size.width() + 1));
    const QRect above(QPoint(x, anchor.top() - size.height()), size);
    const QRect below(QPoint(x, anchor.bottom() + 1), size);
    const bool aboveFits = above.top() >= screen.top();
    const bool belowFits = below.bottom() <= screen.bottom();
    QRect chosen = preferredEdge == Edge::MaxY ? (aboveFits || !belowFits ? above : below) : (belowFits || !aboveFits ? below : above);
    // On a screen too short for either side the pop-up covers the anchor rather than leave the
    // screen.
    chosen.moveTop(std::clamp(chosen.top(), screen.top(), std::max(screen.top(), screen.bottom() - size.height() + 1)));
    return chosen;
}

void KXPopover::showRelativeToView(QWidget* anchor, Edge preferredEdge)
{
    if (!anchor)
        return;
    const QRect anchorOnScreen(anchor->mapToGlobal(QPoint(0, 0)), anchor->size());
    QScreen* screen = anchor->screen() ? anchor->screen() : QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 1 << 15, 1 << 15);
    setGeometry(placement(anchorOnScreen, size(), available, preferredEdge));
    show();
    raise();
}

void KXPopover::resizeEvent(QResizeEvent*)
{
    if (content_)
        content_->setGeometry(rect());
}
