#include "Class/SearchFilter/KXHomeFilterViewTopicCell.h"

#include "Class/SearchFilter/Core/KXFilterCategories.h"
#include "Class/SearchFilter/Core/KXFilterGeometry.h"
#include "Class/SearchFilter/Core/KXFilterSelection.h"
#include "Class/SearchFilter/KXSearchFilterStyle.h"
#include "Class/UIKit/KXBaseButton.h"

KXHomeFilterViewTopicCell::KXHomeFilterViewTopicCell(KXFilterSelection* selection, QWidget* parent)
    : QWidget(parent)
    , selection_(selection)
{
    auto make = [this](const char* title, const char* code) {
        auto* button = searchfilterstyle::filterSwitch(QString::fromUtf8(title), QString::fromUtf8(code), false, this);
        button->setAction([this](KXBaseButton* clicked) { topicBtnClick(clicked); });
        return button;
    };
    hotBtn_ = make("热门", "m11");
    newestBtn_ = make("最新", "m5");
    heartBeatBtn_ = make("心动", "m4");
    freeBtn_ = make("免费", "m3");
    heartBeatBtn_->setToolTip(QString::fromUtf8("心动模式字体"));
    heartBeatBtn_->setToolTipTitle(QString::fromUtf8("心动模式字体"));
    setUPUI();
}

void KXHomeFilterViewTopicCell::setUPUI()
{
    for (KXBaseButton* button : {hotBtn_, newestBtn_, heartBeatBtn_, freeBtn_})
        button->setState(selection_ && selection_->isSelected(KXFilterCategories::kTopics, button->identifier().toStdString()) ? 1 : 0);
}

void KXHomeFilterViewTopicCell::topicBtnClick(KXBaseButton* button)
{
    if (const auto owner = delegate())
        owner->filterViewTopicCellClick(foundation::String::create(button->identifier().toStdString()));
}

void KXHomeFilterViewTopicCell::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    std::size_t index = 0;
    for (KXBaseButton* button : {hotBtn_, newestBtn_, heartBeatBtn_, freeBtn_}) {
        const auto frame = KXFilterGeometry::topicButton(index++, width(), height());
        button->setGeometry(QRectF(frame.x, frame.y, frame.width, frame.height).toRect());
    }
}
