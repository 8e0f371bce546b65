#include "Class/Home/KXPageSpan.h"

#include <QEvent>

#include <algorithm>

void KXPageSpan::attach(QWidget* page, int designedWidth)
{
    for (QObject* child : page->children()) {
        auto* existing = dynamic_cast<KXPageSpan*>(child);
        if (existing && existing->parent_ == page->parentWidget()) {
            existing->designedWidth_ = designedWidth;
            existing->span();
            return;
        }
    }
    new KXPageSpan(page, designedWidth);
}

KXPageSpan::KXPageSpan(QWidget* page, int designedWidth)
    : QObject(page)
    , page_(page)
    , parent_(page->parentWidget())
    , designedWidth_(designedWidth)
{
    page->installEventFilter(this);
    if (parent_)
        parent_->installEventFilter(this);
    span();
}

bool KXPageSpan::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::ParentChange:
        if (watched == page_ && page_->parentWidget() != parent_)
            release();
        break;
    case QEvent::Resize:
    case QEvent::Move:
    case QEvent::Show:
        span();
        break;
    default:
        break;
    }
    return false;
}

void KXPageSpan::span()
{
    if (!page_ || !parent_ || page_->parentWidget() != parent_)
        return;
    const int width = std::max(designedWidth_, parent_->width() - page_->x());
    if (page_->width() != width)
        page_->resize(width, page_->height());
}

void KXPageSpan::release()
{
    // Taken out of its parent, the page is its designed width again, as layout last left it.
    if (parent_)
        parent_->removeEventFilter(this);
    page_->removeEventFilter(this);
    page_->resize(designedWidth_, page_->height());
    parent_ = nullptr;
    deleteLater();
}
