#include "Class/SearchFilter/KXHomeFilterViewListCell.h"

#include "Class/SearchFilter/Core/KXFilterGeometry.h"
#include "Class/SearchFilter/Core/KXFilterSelection.h"
#include "Class/SearchFilter/KXSearchFilterStyle.h"
#include "Class/UIKit/KXBaseButton.h"

namespace {

QString text(const foundation::Ref<foundation::String>& value)
{
    return value ? QString::fromStdString(value->utf8()) : QString();
}

} // namespace

KXHomeFilterViewListCell::KXHomeFilterViewListCell(Layout layout, KXFilterSelection* selection, QWidget* parent)
    : QWidget(parent)
    , layout_(layout)
    , selection_(selection)
{
}

void KXHomeFilterViewListCell::setDataA(std::vector<foundation::Ref<KXHomeListFilterModel>> tags)
{
    dataA_ = std::move(tags);
    setUPUI();
}

void KXHomeFilterViewListCell::setUPUI()
{
    // A switch may be rebuilt from inside its own click: it goes on the next turn.
    for (KXBaseButton* button : buttons_) {
        button->hide();
        button->deleteLater();
    }
    buttons_.clear();
    for (std::size_t i = 0; i < dataA_.size(); ++i) {
        const auto& tag = dataA_[i];
        const QString tagid = text(tag->tagid);
        const bool on = selection_ && selection_->isSelected(classStr_, tagid.toStdString());
        auto* button = searchfilterstyle::filterSwitch(text(tag->tagname), tagid, on, this);
        button->setAction([this](KXBaseButton* clicked) { btnClick(clicked); });
        const auto frame = layout_ == Layout::SidePanel ? KXFilterGeometry::sideTagButton(i, dataA_.size())
                                                         : KXFilterGeometry::advancedTagButton(i, dataA_.size());
        button->setGeometry(QRectF(frame.x, frame.y, frame.width, frame.height).toRect());
        button->show();
        buttons_.push_back(button);
    }
}

void KXHomeFilterViewListCell::btnClick(KXBaseButton* button)
{
    if (const auto owner = delegate())
        owner->filterViewCellTagClick(foundation::Dictionary::create(
            {{foundation::Id(classStr_), foundation::Id(button->identifier().toStdString())}}));
}
