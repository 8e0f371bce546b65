#include "Class/FontList/KXFontTableView.h"

#include "Class/FontList/Core/KXLicenceLinkSchedule.h"
#include "Class/FontList/Core/KXRowLook.h"
#include "Class/FontList/KXFontListModel.h"
#include "Class/FontList/KXHomeListTableCellView.h"
#include "Class/FontList/KXLocalNameImages.h"
#include "Class/FontList/KXPreviewLoads.h"
#include "Class/FontList/KXViewReference.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/Theme/KXThemeManager.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Class/UIKit/KXImage.h"
#include "Class/UIKit/KXPageLog.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/DispatchQt/QtGuardedCallback.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <unordered_set>

namespace {

bool scrolling()
{
    return KXGlobalDataBase::sharedKXGlobalDataBase().scrollSate();
}

} // namespace

KXFontTableView::KXFontTableView(QWidget* parent)
    : QListView(parent)
    , cartButton_(KXBaseButton::buttonWithImage(KXImage(), {}, nullptr))
{
    setUniformItemSizes(true);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setFocusPolicy(Qt::ClickFocus);
    setFrameShape(QFrame::NoFrame);
    setMouseTracking(true);
    viewport()->setMouseTracking(true);
    setAttribute(Qt::WA_Hover, false);

    cartButton_->setParent(viewport());
    cartButton_->hide();
    cartButton_->setAction([this](KXBaseButton*) { cartClicked(); });
    cartButton_->installEventFilter(this);

    previews_ = KXPreviewLoads::create(dispatch::guardedQt(this, [](KXFontTableView& table, const std::string& url) {
        table.previewArrived(url);
    }));
    localNames_ = KXLocalNameImages::create(dispatch::guardedQt(this, [](KXFontTableView& table, const foundation::Ref<KXFontBaseModel>& record) {
        table.reloadRecord(record.get());
    }));
    licenceLinks_ = KXLicenceLinkSchedule::create(dispatch::guardedQt(this, [](KXFontTableView& table, const foundation::Ref<KXFontBaseModel>& record) {
        table.reloadRecord(record.get());
    }));

    connect(verticalScrollBar(), &QScrollBar::sliderPressed, this, [this] { beginLiveScroll(); });
    connect(verticalScrollBar(), &QScrollBar::sliderReleased, this, [this] { endLiveScroll(); });
    connect(verticalScrollBar(), &QScrollBar::actionTriggered, this, [this](int action) { keepScroll(action); });
}

void KXFontTableView::awaitMoreRows(bool awaiting)
{
    awaitingRows_ = awaiting;
    keptScroll_ = {};
}

void KXFontTableView::keepScroll(int action)
{
    if (!awaitingRows_)
        return;
    // Emitted before the bar moves: value() is where it was, sliderPosition() where it goes.
    const QScrollBar* bar = verticalScrollBar();
    const auto stepPast = [&](int step) {
        const double from = keptScroll_.kind == KeptScroll::Kind::Offset ? keptScroll_.value : bar->value();
        if (from + step > bar->maximum())
            keptScroll_ = {KeptScroll::Kind::Offset, from + step};
        else
            keptScroll_ = {};
    };
    switch (action) {
    case QAbstractSlider::SliderToMaximum:
        keptScroll_ = {KeptScroll::Kind::End, 0};
        break;
    case QAbstractSlider::SliderPageStepAdd:
        stepPast(bar->pageStep());
        break;
    case QAbstractSlider::SliderSingleStepAdd:
        stepPast(bar->singleStep());
        break;
    case QAbstractSlider::SliderMove:
        if (bar->isSliderDown())
            keptScroll_ = {KeptScroll::Kind::Share, bar->maximum() > 0 ? double(bar->sliderPosition()) / bar->maximum() : 0};
        else if (bar->sliderPosition() < bar->value())
            keptScroll_ = {}; // the wheel, upwards
        break;
    default:
        keptScroll_ = {};
        break;
    }
}

void KXFontTableView::moreRowsArrived()
{
    const KeptScroll kept = keptScroll_;
    awaitMoreRows(false);
    // The bar's range follows the new rows only once they are laid out, which Qt leaves for later:
    // a key pressed meanwhile would scroll within the rows of before.
    executeDelayedItemsLayout();
    if (kept.kind == KeptScroll::Kind::None)
        return;
    QScrollBar* bar = verticalScrollBar();
    switch (kept.kind) {
    case KeptScroll::Kind::End:
        bar->setValue(bar->maximum());
        break;
    case KeptScroll::Kind::Offset:
        bar->setValue(static_cast<int>(std::min<double>(kept.value, bar->maximum())));
        break;
    case KeptScroll::Kind::Share:
        bar->setValue(static_cast<int>(std::lround(kept.value * bar->maximum())));
        break;
    case KeptScroll::Kind::None:
        break;
    }
}

KXFontTableView::~KXFontTableView() = default;

KXHomeListTableCellView* KXFontTableView::rowDelegate() const
{
    return qobject_cast<KXHomeListTableCellView*>(itemDelegate());
}

void KXFontTableView::setRowDelegate(KXHomeListTableCellView* delegate)
{
    setItemDelegate(delegate);
}

void KXFontTableView::setScrollerColours(const QColor& track, const QColor& thumb)
{
    scrollerColours_ = {track, thumb};
    QScrollBar* bar = verticalScrollBar();
    // The style's own thumb is a light grey on a light track whatever the palette says; the width
    // stays the style's, so the rows keep their width.
    const int width = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, bar);
    bar->setStyleSheet(QStringLiteral("QScrollBar:vertical { background: %1; width: %3px; margin: 0; border: none; }"
                                      "QScrollBar::handle:vertical { background: %2; min-height: 24px; margin: 2px;"
                                      " border-radius: %4px; }"
                                      "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; border: none; }"
                                      "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: none; }")
                           .arg(track.name(), thumb.name())
                           .arg(width)
                           .arg(std::max(1, width / 2 - 2)));
}

void KXFontTableView::setRowHeight(double height)
{
    if (height == rowHeight_)
        return;
    rowHeight_ = height;
    // Uniform rows: the list measures one row, so it must measure again.
    doItemsLayout();
    keepNearbyPreviews();
    updateCartButton();
}

int KXFontTableView::rowPitch() const
{
    return static_cast<int>(std::lround(rowHeight_)) + kIntercellSpacing;
}

std::pair<int, int> KXFontTableView::visibleRows() const
{
    if (!model() || model()->rowCount(rootIndex()) == 0)
        return {-1, -1};
    const QModelIndex first = indexAt(QPoint(0, 0));
    QModelIndex last = indexAt(QPoint(0, viewport()->height() - 1));
    if (!last.isValid())
        last = model()->index(model()->rowCount(rootIndex()) - 1, 0, rootIndex());
    return {first.isValid() ? first.row() : -1, last.row()};
}

bool KXFontTableView::isTitleHovered(const QModelIndex& index) const
{
    const auto* delegate = rowDelegate();
    if (!delegate || !index.isValid() || hovered_ != index)
        return false;
    return delegate->targetAt(*this, index, hoverPosition_) == KXRowPainter::Target::Title;
}

void KXFontTableView::reloadRecord(const KXFontBaseModel* record)
{
    auto* list = qobject_cast<KXFontListModel*>(model());
    const int row = list ? list->rowOfRecord(record) : -1;
    if (row >= 0)
        viewport()->update(visualRect(model()->index(row, 0, rootIndex())));
    else if (!list)
        viewport()->update();
    if (hovered_.isValid() && list && row == hovered_.row())
        updateCartButton();
}

void KXFontTableView::beginLiveScroll()
{
    if (liveScrolling_)
        return;
    liveScrolling_ = true;
    dispatch::NotificationCenter::defaultCenter().post(kWillStartLiveScrollNotification, foundation::Id(KXViewReference::create(this)));
}

void KXFontTableView::endLiveScroll()
{
    if (!liveScrolling_)
        return;
    liveScrolling_ = false;
    dispatch::NotificationCenter::defaultCenter().post(kDidEndLiveScrollNotification, foundation::Id(KXViewReference::create(this)));
}

void KXFontTableView::wheelEvent(QWheelEvent* event)
{
    beginLiveScroll();
    const unsigned long long generation = ++wheelGeneration_;
    dispatch::mainQueue().after(kWheelScrollEndDelay, dispatch::guardedQt(this, [generation](KXFontTableView& table) {
        if (generation == table.wheelGeneration_ && !table.verticalScrollBar()->isSliderDown())
            table.endLiveScroll();
    }));
    QListView::wheelEvent(event);
}

void KXFontTableView::keyPressEvent(QKeyEvent* event)
{
    QScrollBar* bar = verticalScrollBar();
    // The bar's range is that of the rows in the model, even those Qt has not laid out yet.
    executeDelayedItemsLayout();
    switch (event->key()) {
    case Qt::Key_Up:
        bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
        break;
    case Qt::Key_Down:
        bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        break;
    case Qt::Key_PageUp:
        bar->triggerAction(QAbstractSlider::SliderPageStepSub);
        break;
    case Qt::Key_PageDown:
        bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
        break;
    case Qt::Key_Home:
        bar->triggerAction(QAbstractSlider::SliderToMinimum);
        break;
    case Qt::Key_End:
        bar->triggerAction(QAbstractSlider::SliderToMaximum);
        break;
    default:
        QListView::keyPressEvent(event);
        return;
    }
    event->accept();
}

void KXFontTableView::setHover(const QModelIndex& index, const QPoint& position)
{
    const QPersistentModelIndex previous = hovered_;
    const bool titleBefore = isTitleHovered(previous);
    hovered_ = index;
    hoverPosition_ = position;
    if (previous != hovered_) {
        if (previous.isValid())
            viewport()->update(visualRect(previous));
        if (hovered_.isValid()) {
            qCDebug(kxPages).noquote() << QStringLiteral("---进入");
            viewport()->update(visualRect(hovered_));
        }
        updateCartButton();
    } else if (hovered_.isValid() && titleBefore != isTitleHovered(hovered_)) {
        viewport()->update(visualRect(hovered_));
    }
}

void KXFontTableView::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint position = event->position().toPoint();
    if (!scrolling()) {
        const QModelIndex index = indexAt(position);
        const auto* delegate = rowDelegate();
        const bool overRow = index.isValid() && delegate && delegate->targetAt(*this, index, position) != KXRowPainter::Target::None;
        setHover(overRow ? index : QModelIndex(), position);
    }
    updateCursor(position);
    QListView::mouseMoveEvent(event);
}

bool KXFontTableView::viewportEvent(QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::Leave) {
        // Something shown under a still pointer sends a Leave too: the place the cart button left
        // stays guarded until the pointer is seen elsewhere.
        if (!scrolling())
            setHover(QModelIndex(), QPoint());
    } else if (type == QEvent::Enter) {
        pointer_ = static_cast<QEnterEvent*>(event)->position().toPoint();
        if (!vacatedCart_.contains(pointer_))
            vacatedCart_ = QRect();
    } else if (type == QEvent::MouseMove || type == QEvent::MouseButtonPress
        || type == QEvent::MouseButtonDblClick || type == QEvent::MouseButtonRelease) {
        pointer_ = static_cast<QMouseEvent*>(event)->position().toPoint();
        if (!vacatedCart_.isEmpty()) {
            if (!vacatedCart_.contains(pointer_))
                vacatedCart_ = QRect();
            else if (type != QEvent::MouseMove)
                return true;
        }
    }
    return QListView::viewportEvent(event);
}

bool KXFontTableView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == cartButton_) {
        switch (event->type()) {
        case QEvent::Enter:
            pointer_ = cartButton_->mapToParent(static_cast<QEnterEvent*>(event)->position().toPoint());
            break;
        case QEvent::MouseMove:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseButtonRelease:
            pointer_ = cartButton_->mapToParent(static_cast<QMouseEvent*>(event)->position().toPoint());
            break;
        default:
            break;
        }
    }
    return QListView::eventFilter(watched, event);
}

void KXFontTableView::updateCursor(const QPoint& position)
{
    const QModelIndex index = indexAt(position);
    const auto* delegate = rowDelegate();
    const bool hand = index.isValid() && delegate && delegate->targetAt(*this, index, position) != KXRowPainter::Target::None;
    if (hand)
        viewport()->setCursor(Qt::PointingHandCursor);
    else
        viewport()->unsetCursor();
}

void KXFontTableView::updateCartButton()
{
    const auto* delegate = rowDelegate();
    const auto record = hovered_.isValid() ? KXFontListModel::recordOfIndex(hovered_) : nullptr;
    // A row the list scrolled away from under a still pointer has no cart: laying it out would ask
    // for its preview, whose failure comes back here.
    const auto [first, last] = visibleRows();
    const bool inView = hovered_.isValid() && hovered_.row() >= first && hovered_.row() <= last;
    if (!delegate || !record || !inView || !KXRowLook::offersCart(*record)) {
        // The pointer stays on the spot: the clicks meant for the button must not reach the row.
        if (cartButton_->isVisible() && cartButton_->geometry().contains(pointer_))
            vacatedCart_ = cartButton_->geometry();
        cartButton_->hide();
        return;
    }
    vacatedCart_ = QRect();
    const QRect area = KXHomeListTableCellView::rowRect(visualRect(hovered_), this);
    const KXRowPainter::Row row = delegate->rowFor(*record, area, this);
    const auto& cart = row.geometry.cart;
    const auto name = KXThemeManager::themeManager().buyCartsImgstr();
    const KXImage image = KXImage::imageNamed(name.value_or(""));
    cartButton_->setImage(image);
    cartButton_->setAlternateImage(image);
    cartButton_->setGeometry(QRect(area.left() + static_cast<int>(cart.x), area.top() + static_cast<int>(cart.y),
                                   static_cast<int>(cart.width), static_cast<int>(cart.height)));
    cartButton_->setProperty("tag", QVariant::fromValue<qlonglong>(record->fontid));
    cartButton_->show();
    cartButton_->raise();
}

void KXFontTableView::cartClicked()
{
    const auto record = hovered_.isValid() ? KXFontListModel::recordOfIndex(hovered_) : nullptr;
    if (!record)
        return;
    cartButton_->setProperty("tag", QVariant::fromValue<qlonglong>(record->fontid));
    dispatch::NotificationCenter::defaultCenter().post(kBuyCartsNotification,
                                                       foundation::Id(KXViewReference::create(cartButton_, record->fontid)));
}

void KXFontTableView::previewArrived(const std::string& url)
{
    const auto* delegate = rowDelegate();
    const auto [first, last] = visibleRows();
    if (!delegate || first < 0)
        return;
    bool shown = false;
    for (int row = first; row <= last; ++row) {
        const QModelIndex index = model()->index(row, 0, rootIndex());
        const auto record = KXFontListModel::recordOfIndex(index);
        if (record && delegate->previewURL(*record) == url) {
            viewport()->update(visualRect(index));
            shown = true;
        }
    }
    // A load that failed after its rows left the view: they ask again when they come back.
    if (!shown)
        previews_->forgetFailure(url);
    if (hovered_.isValid())
        updateCartButton();
}

void KXFontTableView::keepNearbyPreviews()
{
    const auto* delegate = rowDelegate();
    const auto [first, last] = visibleRows();
    std::unordered_set<std::string> wanted;
    std::unordered_set<std::string> inView;
    std::unordered_set<const KXFontBaseModel*> nearbyRecords;
    if (delegate && first >= 0) {
        const int page = last - first + 1;
        const int count = model()->rowCount(rootIndex());
        for (int row = std::max(0, first - page); row <= std::min(count - 1, last + page); ++row) {
            const auto record = KXFontListModel::recordOfIndex(model()->index(row, 0, rootIndex()));
            if (!record)
                continue;
            nearbyRecords.insert(record.get());
            std::string url = delegate->previewURL(*record);
            if (row >= first && row <= last)
                inView.insert(url);
            wanted.insert(std::move(url));
        }
    }
    previews_->keepOnly(wanted, inView);
    localNames_->keepOnly(nearbyRecords);
}

void KXFontTableView::scrollContentsBy(int dx, int dy)
{
    QListView::scrollContentsBy(dx, dy);
    // Another row lies under the spot the button left.
    vacatedCart_ = QRect();
    keepNearbyPreviews();
    if (hovered_.isValid())
        updateCartButton();
}

void KXFontTableView::resizeEvent(QResizeEvent* event)
{
    QListView::resizeEvent(event);
    // Rows leave the view through a smaller window as through a scroll.
    keepNearbyPreviews();
    if (hovered_.isValid())
        updateCartButton();
}

void KXFontTableView::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight, const QList<int>& roles)
{
    QListView::dataChanged(topLeft, bottomRight, roles);
    if (hovered_.isValid() && hovered_.row() >= topLeft.row() && hovered_.row() <= bottomRight.row())
        updateCartButton();
}

void KXFontTableView::rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end)
{
    QListView::rowsAboutToBeRemoved(parent, start, end);
    if (hovered_.isValid() && hovered_.row() >= start && hovered_.row() <= end)
        setHover(QModelIndex(), QPoint());
}

void KXFontTableView::reset()
{
    QListView::reset();
    hovered_ = QPersistentModelIndex();
    updateCartButton();
    previews_->forgetFailures();
    keepNearbyPreviews();
}
