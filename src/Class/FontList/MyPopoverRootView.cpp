#include "Class/FontList/MyPopoverRootView.h"

#include "Class/FontList/KXCustomPopoverCell.h"
#include "Class/FontList/KXPopoverBackground.h"
#include "Class/FontList/MyPopoverBackgroundView.h"
#include "Class/Theme/KXThemeManager.h"
#include "Class/UIKit/KXQtColor.h"

#include <QMouseEvent>
#include <QPainter>

MyPopoverRootView::MyPopoverRootView(QWidget* parent)
    : QWidget(parent)
{
}

void MyPopoverRootView::reloadData()
{
    while (cells_.size() < static_cast<std::size_t>(titles_.size()))
        cells_.push_back(new KXCustomPopoverCell(this));
    for (std::size_t row = 0; row < cells_.size(); ++row) {
        KXCustomPopoverCell* cell = cells_[row];
        const bool used = row < static_cast<std::size_t>(titles_.size());
        cell->setVisible(used);
        if (!used)
            continue;
        cell->setGeometry(0, static_cast<int>(row) * kRowHeight, width(), kRowHeight);
        cell->setTitleString(titles_[static_cast<int>(row)]);
        cell->setIsSelected(false);
        cell->setIsSelected(titles_[static_cast<int>(row)] == selectedTitle_);
    }
    update();
}

KXCustomPopoverCell* MyPopoverRootView::cellAtRow(int row) const
{
    return row >= 0 && row < titles_.size() && static_cast<std::size_t>(row) < cells_.size() ? cells_[static_cast<std::size_t>(row)] : nullptr;
}

int MyPopoverRootView::rowAtPoint(const QPoint& point) const
{
    if (!rect().contains(point))
        return -1;
    const int row = point.y() / kRowHeight;
    return row < titles_.size() ? row : -1;
}

void MyPopoverRootView::showEvent(QShowEvent* event)
{
    kx_placePopoverBackground<MyPopoverBackgroundView>(this);
    QWidget::showEvent(event);
}

void MyPopoverRootView::paintEvent(QPaintEvent*)
{
    QPainter(this).fillRect(rect(), kx_qcolor(KXThemeManager::themeManager().RightBGC()));
}

void MyPopoverRootView::mouseReleaseEvent(QMouseEvent* event)
{
    const int row = rowAtPoint(event->position().toPoint());
    if (row >= 0 && action_)
        action_(row);
}
