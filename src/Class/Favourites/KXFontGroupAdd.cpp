#include "Class/Favourites/KXFontGroupAdd.h"

#include "Class/FontList/KXFontListStyle.h"
#include "Class/FontList/KXPopover.h"

#include <QScreen>
#include <QVBoxLayout>

KXFontGroupAdd::KXFontGroupAdd(QWidget* parent)
    : QWidget(parent)
{
    setFixedSize(kWidth, kHeight);
    fontliststyle::fill(*this, Qt::white);
}

KXFontGroupAdd::~KXFontGroupAdd()
{
    // The pop-up holds this view; it goes with its host.
    if (popover_ && parentWidget() == popover_) {
        setParent(nullptr);
        delete popover_.data();
    }
}

void KXFontGroupAdd::makePopoverIfNeeded()
{
    if (popover_)
        return;
    popover_ = new QWidget(nullptr, Qt::Popup | Qt::FramelessWindowHint);
    auto* layout = new QVBoxLayout(popover_);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(this);
    popover_->setFixedSize(kWidth, kHeight);
}

QRect KXFontGroupAdd::popoverFrame(QWidget* positioningView)
{
    if (!positioningView)
        return QRect(QPoint(0, 0), QSize(kWidth, kHeight));
    // Above the view's top edge, centred on it, unless the screen has no room there.
    const QRect anchor(positioningView->mapToGlobal(QPoint(0, 0)), positioningView->size());
    const QScreen* screen = positioningView->screen();
    const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 1 << 15, 1 << 15);
    return KXPopover::placement(anchor, QSize(kWidth, kHeight), available, KXPopover::Edge::MaxY);
}

void KXFontGroupAdd::addfontsGroupWithSelectedTitle(const QString& title, QWidget* positioningView)
{
    (void)title;
    makePopoverIfNeeded();
    popover_->setGeometry(popoverFrame(positioningView));
    popover_->show();
    popover_->raise();
}
