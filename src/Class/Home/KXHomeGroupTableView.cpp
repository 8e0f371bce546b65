#include "Class/Home/KXHomeGroupTableView.h"

#include "Class/Home/KXHomeGroupModel.h"
#include "Class/Home/KXHomeStyle.h"

#include <QMouseEvent>
#include <QScrollBar>

KXHomeGroupTableView::KXHomeGroupTableView(QWidget* parent)
    : QListView(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setFocusPolicy(Qt::NoFocus);
    setContextMenuPolicy(Qt::CustomContextMenu);
    setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_Hover, true);
    setAutoFillBackground(false);
    viewport()->setAutoFillBackground(false);
    // The default bar, light and with arrows, would take the names' room in a menu this narrow.
    kxhome::styleMenuScrollBar(verticalScrollBar());
}

KXHomeGroupModel* KXHomeGroupTableView::groupModel() const
{
    return qobject_cast<KXHomeGroupModel*>(model());
}

int KXHomeGroupTableView::selectedRow() const
{
    if (!selectionModel())
        return -1;
    const auto rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void KXHomeGroupTableView::selectRow(int row)
{
    if (!selectionModel())
        return;
    const QModelIndex index = model() ? model()->index(row, 0) : QModelIndex();
    if (index.isValid())
        selectionModel()->select(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    else
        selectionModel()->clearSelection();
}

void KXHomeGroupTableView::reloadRow(int row)
{
    if (auto* rows = groupModel())
        rows->reloadRow(row);
}

void KXHomeGroupTableView::reloadData()
{
    viewport()->update();
}

void KXHomeGroupTableView::performClick(int row)
{
    clickedRow_ = row;
    selectRow(row);
    if (action_)
        action_(this);
}

void KXHomeGroupTableView::mousePressEvent(QMouseEvent* event)
{
    const QModelIndex index = indexAt(event->position().toPoint());
    clickedRow_ = index.isValid() ? index.row() : -1;
    pressedLeft_ = event->button() == Qt::LeftButton;
    if (!pressedLeft_) {
        // The context menu opens on the clicked row without selecting it.
        event->accept();
        return;
    }
    selectRow(clickedRow_);
}

void KXHomeGroupTableView::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    if (!pressedLeft_ || event->button() != Qt::LeftButton)
        return;
    pressedLeft_ = false;
    if (action_)
        action_(this);
}

void KXHomeGroupTableView::mouseDoubleClickEvent(QMouseEvent* event)
{
    // A double click is a press and a release like any other.
    mousePressEvent(event);
}
