#include "Class/Favourites/KXRecordList.h"

#include "Class/FontList/KXPreviewLoads.h"
#include "Platform/DispatchQt/QtGuardedCallback.h"

#include <QMouseEvent>

#include <algorithm>

KXRecordListModel::KXRecordListModel(QObject* parent)
    : QAbstractListModel(parent)
{
}

void KXRecordListModel::setRecords(foundation::Ref<foundation::Array> records)
{
    beginResetModel();
    records_ = std::move(records);
    endResetModel();
}

void KXRecordListModel::reset()
{
    beginResetModel();
    endResetModel();
}

foundation::Id KXRecordListModel::recordAt(int row) const
{
    if (!records_ || row < 0 || static_cast<std::size_t>(row) >= records_->count())
        return {};
    return records_->objectAtIndex(static_cast<std::size_t>(row));
}

void KXRecordListModel::reloadRow(int row)
{
    if (row >= 0 && row < rowCount())
        emit dataChanged(index(row), index(row));
}

int KXRecordListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() || !records_ ? 0 : static_cast<int>(records_->count());
}

QVariant KXRecordListModel::data(const QModelIndex& index, int role) const
{
    if (role != RecordRole)
        return {};
    const foundation::Id record = recordAt(index.row());
    return record ? QVariant::fromValue(record) : QVariant();
}

foundation::Id KXRecordListModel::recordOfIndex(const QModelIndex& index)
{
    const QVariant value = index.data(RecordRole);
    return value.canConvert<foundation::Id>() ? value.value<foundation::Id>() : foundation::Id();
}

KXRecordListView::KXRecordListView(QWidget* parent)
    : QListView(parent)
{
    setUniformItemSizes(true);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setFocusPolicy(Qt::NoFocus);
    setFrameShape(QFrame::NoFrame);
    setMouseTracking(true);
    viewport()->setMouseTracking(true);
    viewport()->setAutoFillBackground(false);
    setStyleSheet(QStringLiteral("QListView { background: transparent; }"));
    images_ = KXPreviewLoads::create(dispatch::guardedQt(this, [](KXRecordListView& view, const std::string&) { view.viewport()->update(); }));
}

KXRecordListView::~KXRecordListView() = default;

void KXRecordListView::setRowMetrics(int height, int gap)
{
    rowHeight_ = height;
    rowGap_ = gap;
    doItemsLayout();
}

const KXRecordListView* KXRecordListView::of(const QStyleOptionViewItem& option)
{
    return qobject_cast<const KXRecordListView*>(option.widget);
}

QRect KXRecordListView::rowRect(const QRect& itemRect) const
{
    // On a wide page a card keeps a readable width, centred in the list.
    const int width = std::min(itemRect.width(), kMaxRowWidth);
    return QRect(itemRect.left() + (itemRect.width() - width) / 2, itemRect.top(), width, std::min(rowHeight_, itemRect.height()));
}

void KXRecordListView::setHover(const QModelIndex& index, const QPoint& position)
{
    const QPersistentModelIndex previous = hovered_;
    hovered_ = index;
    hoverPosition_ = position;
    if (previous.isValid())
        viewport()->update(visualRect(previous));
    if (hovered_.isValid())
        viewport()->update(visualRect(hovered_));
}

void KXRecordListView::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint position = event->position().toPoint();
    setHover(indexAt(position), position);
    QListView::mouseMoveEvent(event);
}

bool KXRecordListView::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::Leave)
        setHover(QModelIndex(), QPoint());
    return QListView::viewportEvent(event);
}

void KXRecordListView::reset()
{
    QListView::reset();
    hovered_ = QPersistentModelIndex();
    images_->forgetFailures();
}
