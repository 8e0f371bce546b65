#include "Class/FontList/KXCustomPopoverView.h"

#include "Class/UIKit/KXBaseButton.h"

#include <QPainter>
#include <algorithm>

std::unique_ptr<KXCustomPopoverView> KXCustomPopoverView::initWithItems(const QStringList& items, double width, QPointF triangleLocation,
                                                                        Action action)
{
    if (items.isEmpty())
        return nullptr;
    return std::make_unique<KXCustomPopoverView>(items, width, triangleLocation, std::move(action));
}

std::unique_ptr<KXCustomPopoverView> KXCustomPopoverView::popWithDataArray(const QStringList& items, double width, QPointF triangleLocation,
                                                                           Action action)
{
    auto view = initWithItems(items, width, triangleLocation, std::move(action));
    if (view)
        view->show();
    return view;
}

KXCustomPopoverView::KXCustomPopoverView(const QStringList& items, double width, QPointF triangleLocation, Action action)
    : tableData_(items)
    , width_(width)
    , trianglePoint_(triangleLocation)
    , action_(std::move(action))
{
    const int viewWidth = static_cast<int>(std::lround(width));
    const int shown = static_cast<int>(std::min<qsizetype>(items.size(), kMostItems));
    const int viewHeight = shown * kItemHeight;
    setGeometry(0, 0, viewWidth, viewHeight);
    for (int index = 0; index < shown; ++index) {
        auto* button = KXBaseButton::buttonWithTitle(items[index], [this](KXBaseButton* clicked) { itemsClick(clicked); }, this);
        button->setAutoFillBackground(true);
        QPalette palette = button->palette();
        palette.setColor(QPalette::Window, Qt::white);
        button->setPalette(palette);
        // y-up: the item of index i lies at height - (i + 1) x 20 from the bottom, so the first is on top.
        const int yUp = viewHeight - (index + 1) * kItemHeight;
        button->setGeometry(0, viewHeight - yUp - kItemHeight, viewWidth, kItemHeight);
        buttons_.push_back(button);
    }
}

void KXCustomPopoverView::show()
{
    QWidget::show();
}

void KXCustomPopoverView::hide()
{
    // The triangle point is y-up in the superview.
    const double superHeight = parentWidget() ? parentWidget()->height() : 0;
    const QPoint at(static_cast<int>(std::lround(trianglePoint_.x())), static_cast<int>(std::lround(superHeight - trianglePoint_.y())));
    setGeometry(QRect(at, QSize(0, 0)));
}

void KXCustomPopoverView::itemsClick(KXBaseButton* button)
{
    const int index = tableData_.indexOf(button ? button->title() : QString());
    if (index >= 0 && action_)
        action_(index);
}

QPolygonF KXCustomPopoverView::trianglePolygon() const
{
    // Drawn y-up from (width / 2 - 35, height - 10) by (+10, +10), (+10, -10), (-20, 0).
    const double h = height();
    auto flip = [h](double x, double yUp) { return QPointF(x, h - yUp); };
    const double x0 = width() / 2.0 - 35;
    const double y0 = h - 10;
    return QPolygonF({flip(x0, y0), flip(x0 + 10, y0 + 10), flip(x0 + 20, y0), flip(x0, y0)});
}

void KXCustomPopoverView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawPolygon(trianglePolygon());
}
