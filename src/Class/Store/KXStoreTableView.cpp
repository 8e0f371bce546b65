#include "Class/Store/KXStoreTableView.h"

#include "Class/Store/KXStoreTableCellView.h"

#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QMouseEvent>
#include <QPropertyAnimation>
#include <QResizeEvent>
#include <QScrollBar>
#include <algorithm>
#include <cmath>

KXStoreTableView::KXStoreTableView(QWidget* parent)
    : QAbstractScrollArea(parent)
{
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    verticalScrollBar()->setSingleStep(20);
    setBackgroundColor(Qt::white);
}

KXStoreTableView::~KXStoreTableView() = default;

void KXStoreTableView::setIntercellSpacing(QSizeF spacing)
{
    spacing_ = spacing;
    reloadData();
}

void KXStoreTableView::setBackgroundColor(const QColor& color)
{
    viewport()->setAutoFillBackground(true);
    QPalette palette = viewport()->palette();
    palette.setColor(QPalette::Window, color);
    palette.setColor(QPalette::Base, color);
    viewport()->setPalette(palette);
}

void KXStoreTableView::measure()
{
    heights_.clear();
    offsets_.assign(1, 0.0);
    auto source = dataSource_.lock();
    const int rows = source ? std::max(0, source->numberOfRowsInTableView(this)) : 0;
    heights_.reserve(static_cast<std::size_t>(rows));
    offsets_.reserve(static_cast<std::size_t>(rows) + 1);
    for (int row = 0; row < rows; ++row) {
        const double height = std::max(0.0, source->tableViewHeightOfRow(this, row));
        heights_.push_back(height);
        offsets_.push_back(offsets_.back() + height + spacing_.height());
    }
}

double KXStoreTableView::contentHeight() const
{
    return offsets_.empty() ? 0 : offsets_.back();
}

QRectF KXStoreTableView::rectOfRow(int row) const
{
    if (row < 0 || row >= numberOfRows())
        return {};
    const auto index = static_cast<std::size_t>(row);
    return { 0, offsets_[index], static_cast<double>(viewport()->width()), heights_[index] };
}

void KXStoreTableView::updateScrollRange()
{
    const int range = std::max(0, static_cast<int>(std::ceil(contentHeight())) - viewport()->height());
    verticalScrollBar()->setRange(0, range);
    verticalScrollBar()->setPageStep(viewport()->height());
}

int KXStoreTableView::rowAtY(double contentY) const
{
    if (heights_.empty() || contentY < 0)
        return -1;
    // The last row whose top is at or above the point.
    const auto above = std::upper_bound(offsets_.begin(), offsets_.end() - 1, contentY);
    const int row = static_cast<int>(above - offsets_.begin()) - 1;
    if (row < 0 || row >= numberOfRows())
        return -1;
    return contentY < offsets_[static_cast<std::size_t>(row)] + heights_[static_cast<std::size_t>(row)] ? row
                                                                                                        : -1;
}

std::pair<int, int> KXStoreTableView::rowsInView() const
{
    if (heights_.empty())
        return { -1, -1 };
    const double top = verticalScrollBar()->value();
    const double bottom = top + viewport()->height();
    const auto first = std::upper_bound(offsets_.begin(), offsets_.end() - 1, top) - offsets_.begin() - 1;
    auto last = std::lower_bound(offsets_.begin(), offsets_.end() - 1, bottom) - offsets_.begin() - 1;
    last = std::min<long>(last, numberOfRows() - 1);
    if (first > last || first < 0)
        return { -1, -1 };
    return { static_cast<int>(first), static_cast<int>(last) };
}

void KXStoreTableView::recycle(KXStoreTableCellView* view)
{
    if (!view)
        return;
    view->hide();
    if (auto* effect = view->graphicsEffect())
        effect->setEnabled(false);
    pool_.emplace(view->identifier(), view);
}

KXStoreTableCellView* KXStoreTableView::makeViewWithIdentifier(const QString& identifier)
{
    auto [it, end] = pool_.equal_range(identifier);
    while (it != end) {
        QPointer<KXStoreTableCellView> view = it->second;
        it = pool_.erase(it);
        if (view)
            return view;
    }
    return nullptr;
}

KXStoreTableCellView* KXStoreTableView::viewAtRow(int row) const
{
    const auto found = inView_.find(row);
    return found == inView_.end() ? nullptr : found->second.data();
}

std::size_t KXStoreTableView::viewCount() const
{
    std::size_t count = 0;
    for (const auto& [row, view] : inView_)
        count += view ? 1 : 0;
    for (const auto& [identifier, view] : pool_)
        count += view ? 1 : 0;
    return count;
}

void KXStoreTableView::layoutRows()
{
    if (laying_)
        return;
    laying_ = true;
    const auto [first, last] = rowsInView();
    for (auto it = inView_.begin(); it != inView_.end();) {
        if (first < 0 || it->first < first || it->first > last || !it->second) {
            recycle(it->second);
            it = inView_.erase(it);
        } else {
            ++it;
        }
    }
    auto source = dataSource_.lock();
    const int scroll = verticalScrollBar()->value();
    const int width = viewport()->width();
    for (int row = first; first >= 0 && row <= last; ++row) {
        KXStoreTableCellView* view = viewAtRow(row);
        if (!view && source) {
            view = source->tableViewViewForRow(this, row);
            if (!view)
                continue;
            if (view->parentWidget() != viewport())
                view->setParent(viewport());
            inView_[row] = view;
            if (const auto fading = std::find(fadingIn_.begin(), fadingIn_.end(), row);
                fading != fadingIn_.end()) {
                fadingIn_.erase(fading);
                fadeIn(view);
            }
        }
        if (!view)
            continue;
        const QRectF rect = rectOfRow(row);
        view->setGeometry(0, static_cast<int>(std::lround(rect.y())) - scroll, width,
            static_cast<int>(std::lround(rect.height())));
        view->show();
    }
    laying_ = false;
}

void KXStoreTableView::reloadData()
{
    for (auto& [row, view] : inView_)
        recycle(view);
    inView_.clear();
    measure();
    updateScrollRange();
    layoutRows();
}

void KXStoreTableView::removeRow(int row, bool fade)
{
    if (row < 0 || row >= numberOfRows())
        return;
    if (fade) {
        if (KXStoreTableCellView* view = viewAtRow(row))
            fadeOutSnapshot(view->grab(), view->geometry());
    }
    fadingIn_.clear();
    reloadData();
}

void KXStoreTableView::insertRows(int first, int count, bool fade)
{
    if (fade) {
        for (int row = first; row < first + count; ++row)
            fadingIn_.push_back(row);
    }
    reloadData();
    fadingIn_.clear();
}

void KXStoreTableView::fadeIn(KXStoreTableCellView* view)
{
    auto* effect = new QGraphicsOpacityEffect(view);
    effect->setOpacity(0);
    view->setGraphicsEffect(effect);
    auto* animation = new QPropertyAnimation(effect, "opacity", this);
    animation->setDuration(kAnimationMilliseconds);
    animation->setStartValue(0.0);
    animation->setEndValue(1.0);
    connect(animation, &QPropertyAnimation::finished, view, [view] { view->setGraphicsEffect(nullptr); });
    animations_.push_back(animation);
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void KXStoreTableView::fadeOutSnapshot(const QPixmap& snapshot, const QRect& where)
{
    auto* ghost = new QLabel(viewport());
    ghost->setPixmap(snapshot);
    ghost->setGeometry(where);
    ghost->setAttribute(Qt::WA_TransparentForMouseEvents);
    auto* effect = new QGraphicsOpacityEffect(ghost);
    ghost->setGraphicsEffect(effect);
    ghost->show();
    ghost->raise();
    auto* animation = new QPropertyAnimation(effect, "opacity", this);
    animation->setDuration(kAnimationMilliseconds);
    animation->setStartValue(1.0);
    animation->setEndValue(0.0);
    connect(animation, &QPropertyAnimation::finished, ghost, &QObject::deleteLater);
    animations_.push_back(animation);
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void KXStoreTableView::finishAnimations()
{
    for (const auto& animation : animations_) {
        if (animation)
            animation->setCurrentTime(animation->totalDuration());
    }
    animations_.clear();
}

void KXStoreTableView::scrollToTop()
{
    verticalScrollBar()->setValue(0);
}

void KXStoreTableView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    // Rows may lay out their content for the table's width: a new width asks for every height
    // and for the rows in view again.
    if (event->size().width() != event->oldSize().width()) {
        reloadData();
        return;
    }
    updateScrollRange();
    layoutRows();
}

void KXStoreTableView::scrollContentsBy(int /*dx*/, int /*dy*/)
{
    layoutRows();
}

bool KXStoreTableView::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        const int row = rowAtY(mouse->position().y() + verticalScrollBar()->value());
        if (row >= 0) {
            clickedRow_ = row;
            if (auto source = dataSource_.lock())
                source->tableViewClicked(this);
        }
    }
    return QAbstractScrollArea::viewportEvent(event);
}
