#include "Class/SearchFilter/KXHomeFilterViewListCell.h"

#include "Class/SearchFilter/Core/KXFilterGeometry.h"
#include "Class/SearchFilter/Core/KXFilterSelection.h"
#include "Class/SearchFilter/KXFilterTagGrid.h"

KXHomeFilterViewListCell::KXHomeFilterViewListCell(Layout layout, KXFilterSelection* selection, QWidget* parent)
    : QWidget(parent)
    , layout_(layout)
    , selection_(selection)
    , grid_(new KXFilterTagGrid(selection, this))
{
    connect(grid_, &KXFilterTagGrid::tagClicked, this, [this](const QString& identifier) { tagClick(identifier); });
}

void KXHomeFilterViewListCell::setClassStr(std::string classStr)
{
    classStr_ = std::move(classStr);
    setDataA(std::move(dataA_));
}

void KXHomeFilterViewListCell::setDataA(foundation::Ref<KXFilterTagList> tags)
{
    dataA_ = tags ? std::move(tags) : KXFilterTagList::create();
    const std::size_t count = dataA_->count();
    const bool side = layout_ == Layout::SidePanel;
    grid_->setTags(classStr_, dataA_, [side, count](std::size_t index) {
        return side ? KXFilterGeometry::sideTagButton(index, count) : KXFilterGeometry::advancedTagButton(index, count);
    });
}

void KXHomeFilterViewListCell::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    grid_->resize(size());
}

void KXHomeFilterViewListCell::tagClick(const QString& identifier)
{
    if (const auto owner = delegate())
        owner->filterViewCellTagClick(
            foundation::Dictionary::create({{foundation::Id(classStr_), foundation::Id(identifier.toStdString())}}));
}
