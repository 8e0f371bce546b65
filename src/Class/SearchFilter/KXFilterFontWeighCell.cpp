#include "Class/SearchFilter/KXFilterFontWeighCell.h"

#include "Class/SearchFilter/Core/KXFilterGeometry.h"
#include "Class/SearchFilter/Core/KXFilterSelection.h"
#include "Class/SearchFilter/KXSearchFilterStyle.h"
#include "Class/UIKit/KXBaseButton.h"

KXFilterFontWeighCell::KXFilterFontWeighCell(KXFilterSelection* selection, QWidget* parent)
    : QWidget(parent)
    , selection_(selection)
{
    for (std::size_t i = 0; i < buttons_.size(); ++i) {
        auto* button = searchfilterstyle::filterSwitch(QString::fromUtf8(kTitles[i]), QString::number(i + 1), false, this);
        button->setAction([this](KXBaseButton* clicked) { weightBtnClick(clicked); });
        const auto frame = KXFilterGeometry::weightButton(i);
        button->setGeometry(QRectF(frame.x, frame.y, frame.width, frame.height).toRect());
        buttons_[i] = button;
    }
}

void KXFilterFontWeighCell::setDataA(foundation::Ref<KXFilterTagList> tags)
{
    dataA_ = std::move(tags);
    setupUI();
}

void KXFilterFontWeighCell::setupUI()
{
    for (KXBaseButton* button : buttons_)
        button->setState(selection_ && selection_->isSelected(classStr_, button->identifier().toStdString()) ? 1 : 0);
}

void KXFilterFontWeighCell::weightBtnClick(KXBaseButton* button)
{
    if (const auto owner = delegate())
        owner->KXFilterFontWeighCellBtnClick(foundation::Dictionary::create(
            {{foundation::Id(classStr_), foundation::Id(button->identifier().toStdString())}}));
}
