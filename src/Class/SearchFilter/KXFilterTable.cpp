#include "Class/SearchFilter/KXFilterTable.h"

#include "Class/SearchFilter/Core/KXFilterGeometry.h"
#include "Class/SearchFilter/KXFilterFontWeighCell.h"
#include "Class/SearchFilter/KXHomeFilterViewHeaderCell.h"
#include "Class/SearchFilter/KXHomeFilterViewListCell.h"
#include "Class/SearchFilter/KXHomeFilterViewTopicCell.h"
#include "Class/UIKit/KXLabelText.h"

#include <QMouseEvent>
#include <QScrollBar>
#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// The least height a table takes its screen to be, while it is not laid out yet.
constexpr int kLeastScreen = 800;

} // namespace

KXFilterTable::KXFilterTable(Kind kind, KXFilterSelection& selection, QWidget* parent)
    : QScrollArea(parent)
    , kind_(kind)
    , selection_(selection)
{
    setFrameShape(QFrame::NoFrame);
    // Scrolled by the wheel; no scroller takes room from the rows.
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setWidgetResizable(false);
    auto* content = new QWidget;
    content->setAutoFillBackground(false);
    setWidget(content);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { placeRows(); });
}

void KXFilterTable::toggleCollapsed(long long headerRow)
{
    if (!collapsed_.erase(headerRow))
        collapsed_.insert(headerRow);
}

double KXFilterTable::heightOfRow(int row) const
{
    const bool side = kind_ == Kind::SidePanel;
    if (row == 0)
        return side ? KXFilterGeometry::kSideTopicRowHeight : KXFilterGeometry::kAdvancedTopicRowHeight;
    if (row % 2 == 1)
        return side ? KXFilterGeometry::kSideHeaderRowHeight : KXFilterGeometry::kAdvancedHeaderRowHeight;
    const auto& category = categories_.at(static_cast<std::size_t>(row / 2 - 1));
    const bool folded = collapsed_.count(row - 1) > 0;
    return side ? KXFilterGeometry::sideTagRowHeight(category.tags->count(), folded)
                : KXFilterGeometry::advancedTagRowHeight(category.tags->count(), folded);
}

QWidget* KXFilterTable::rowView(int row) const
{
    return row >= 0 && static_cast<std::size_t>(row) < rows_.size() ? rows_[static_cast<std::size_t>(row)] : nullptr;
}

void KXFilterTable::reloadData()
{
    // A row may be made again from inside its own click: the old ones go on the next turn.
    for (QWidget* row : rows_)
        if (row) {
            row->hide();
            row->deleteLater();
        }
    rows_.assign(static_cast<std::size_t>(numberOfRows()), nullptr);
    layoutRows();
}

QWidget* KXFilterTable::makeRow(int row)
{
    const auto delegate = delegate_.lock();
    QWidget* content = widget();
    if (row == 0) {
        auto* topics = new KXHomeFilterViewTopicCell(&selection_, content);
        topics->setDelegate(std::weak_ptr<KXHomeFilterViewTopicCellDelegate>(delegate));
        return topics;
    }
    const auto k = static_cast<std::size_t>((row - 1) / 2);
    const auto& category = categories_[k];
    if (row % 2 == 1) {
        auto* header = new KXHomeFilterViewHeaderCell(content);
        header->setTitle(kx_labelText(category.name));
        header->setGroupID(row);
        header->setCollapsed(collapsed_.count(row) > 0);
        header->setDelegate(std::weak_ptr<KXHomeFilterViewHeaderCellDelegate>(delegate));
        return header;
    }
    // The advanced page shows the weight category, by its name, as the weight row.
    if (kind_ == Kind::AdvancedPage && category.name == KXFilterCategories::kWeight) {
        auto* weights = new KXFilterFontWeighCell(&selection_, content);
        weights->setDelegate(std::weak_ptr<KXFilterFontWeighCellDelegate>(delegate));
        weights->setClassStr(category.name);
        weights->setDataA(category.tags);
        return weights;
    }
    auto* tags = new KXHomeFilterViewListCell(kind_ == Kind::SidePanel
            ? KXHomeFilterViewListCell::Layout::SidePanel
            : KXHomeFilterViewListCell::Layout::AdvancedPage,
        &selection_, content);
    tags->setDelegate(std::weak_ptr<KXHomeFilterViewListCellDelegate>(delegate));
    tags->setClassStr(category.name);
    tags->setDataA(category.tags);
    return tags;
}

void KXFilterTable::noteHeightOfRowChanged(int row)
{
    if (auto* header = qobject_cast<KXHomeFilterViewHeaderCell*>(rowView(row - 1)))
        header->setCollapsed(collapsed_.count(row - 1) > 0);
    layoutRows();
}

void KXFilterTable::layoutRows()
{
    const int width = viewport()->width();
    tops_.assign(rows_.size() + 1, 0);
    for (std::size_t row = 0; row < rows_.size(); ++row)
        tops_[row + 1] = tops_[row] + heightOfRow(static_cast<int>(row));
    widget()->resize(width, static_cast<int>(std::ceil(tops_.back())));
    placeRows();
}

void KXFilterTable::placeRows()
{
    if (tops_.size() != rows_.size() + 1)
        return;
    // A screen above and one below what shows; before the table is laid out, a screen of its own.
    const double screen = std::max({ viewport()->height(), height(), kLeastScreen });
    const double shownTop = verticalScrollBar()->value();
    const double from = shownTop - screen;
    const double to = shownTop + 2 * screen;
    const int width = viewport()->width();
    // Rows lie in order: the first that reaches into the window is found by its top.
    const auto first = static_cast<std::size_t>(
        std::upper_bound(tops_.begin() + 1, tops_.end(), from) - (tops_.begin() + 1));
    for (std::size_t row = 0; row < rows_.size(); ++row) {
        const bool near = row >= first && tops_[row] <= to;
        if (!near) {
            if (QWidget* view = std::exchange(rows_[row], nullptr)) {
                view->hide();
                view->deleteLater();
            }
            continue;
        }
        if (!rows_[row])
            rows_[row] = makeRow(static_cast<int>(row));
        const double rowHeight = tops_[row + 1] - tops_[row];
        rows_[row]->setGeometry(
            0, static_cast<int>(std::lround(tops_[row])), width, static_cast<int>(std::lround(rowHeight)));
        rows_[row]->setVisible(rowHeight >= 1);
    }
}

void KXFilterTable::resizeEvent(QResizeEvent* event)
{
    QScrollArea::resizeEvent(event);
    layoutRows();
}

void KXFilterTable::mousePressEvent(QMouseEvent* event)
{
    event->accept();
}
