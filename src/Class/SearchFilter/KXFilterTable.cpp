#include "Class/SearchFilter/KXFilterTable.h"

#include "Class/SearchFilter/Core/KXFilterGeometry.h"
#include "Class/SearchFilter/KXFilterFontWeighCell.h"
#include "Class/SearchFilter/KXHomeFilterViewHeaderCell.h"
#include "Class/SearchFilter/KXHomeFilterViewListCell.h"
#include "Class/SearchFilter/KXHomeFilterViewTopicCell.h"
#include "Class/UIKit/KXLabelText.h"

#include <QMouseEvent>
#include <QScrollBar>

#include <cmath>

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
    for (QWidget* row : rows_) {
        row->hide();
        row->deleteLater();
    }
    rows_.clear();
    const auto delegate = delegate_.lock();
    QWidget* content = widget();

    auto* topics = new KXHomeFilterViewTopicCell(&selection_, content);
    topics->setDelegate(std::weak_ptr<KXHomeFilterViewTopicCellDelegate>(delegate));
    rows_.push_back(topics);
    for (std::size_t k = 0; k < categories_.size(); ++k) {
        const auto& category = categories_[k];
        auto* header = new KXHomeFilterViewHeaderCell(content);
        header->setTitle(kx_labelText(category.name));
        header->setGroupID(static_cast<long long>(2 * k + 1));
        header->setCollapsed(collapsed_.count(static_cast<long long>(2 * k + 1)) > 0);
        header->setDelegate(std::weak_ptr<KXHomeFilterViewHeaderCellDelegate>(delegate));
        rows_.push_back(header);
        // The advanced page shows the weight category, by its name, as the weight row.
        if (kind_ == Kind::AdvancedPage && category.name == KXFilterCategories::kWeight) {
            auto* weights = new KXFilterFontWeighCell(&selection_, content);
            weights->setDelegate(std::weak_ptr<KXFilterFontWeighCellDelegate>(delegate));
            weights->setClassStr(category.name);
            weights->setDataA(category.tags);
            rows_.push_back(weights);
            continue;
        }
        auto* tags = new KXHomeFilterViewListCell(kind_ == Kind::SidePanel ? KXHomeFilterViewListCell::Layout::SidePanel
                                                                            : KXHomeFilterViewListCell::Layout::AdvancedPage,
                                                  &selection_, content);
        tags->setDelegate(std::weak_ptr<KXHomeFilterViewListCellDelegate>(delegate));
        tags->setClassStr(category.name);
        tags->setDataA(category.tags);
        rows_.push_back(tags);
    }
    layoutRows();
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
    double top = 0;
    for (std::size_t row = 0; row < rows_.size(); ++row) {
        const double height = heightOfRow(static_cast<int>(row));
        QWidget* view = rows_[row];
        view->setGeometry(0, static_cast<int>(std::lround(top)), width, static_cast<int>(std::lround(height)));
        view->setVisible(height >= 1);
        top += height;
    }
    widget()->resize(width, static_cast<int>(std::ceil(top)));
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
