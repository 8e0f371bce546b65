#include "Class/Account/KXVeilView.h"

#include "Class/Account/KXAccountViews.h"

#include <QPainter>

KXVeilView::KXVeilView(QWidget* parent)
    : KXBaseView(parent)
{
}

void KXVeilView::paintEvent(QPaintEvent* event)
{
    QPainter(this).fillRect(rect(), kxaccount::kVeil);
    KXBaseView::paintEvent(event);
}
