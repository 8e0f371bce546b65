#include "Class/Favourites/KXPublishFavoriteItem.h"

#include "Class/Favourites/Core/KXFavouritesTexts.h"
#include "Class/Favourites/Core/KXFolderStateIcon.h"
#include "Class/Favourites/KXFavouritesStyle.h"
#include "Class/ImageViews/ImageView.h"
#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Class/UIKit/KXImage.h"
#include "Class/UIKit/KXPlainToolTip.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

using foundation::Id;
using layoutwidgets::lcView;
namespace style = favouritesstyle;

KXPublishFavoriteItem::KXPublishFavoriteItem(QWidget* parent)
    : QWidget(parent)
{
    setFixedSize(kWidth, kHeight);
    setCursor(Qt::PointingHandCursor);
    viewDidLoad();
}

void KXPublishFavoriteItem::viewDidLoad()
{
    headBgView_ = new style::Panel(this, QColor(250, 250, 250), 0, std::nullopt, QColor(236, 236, 236));
    auto* icon = new ImageView(headBgView_);
    icon->setImage(KXImage::imageNamed("publishNoCollection"));
    titleLabel_ = style::label(QString(), 14, QColor(34, 34, 34), this);
    titleLabel_->setAlignment(Qt::AlignCenter);
    contLabel_ = style::label(QString(), 12, QColor(153, 153, 153), this);
    contLabel_->setAlignment(Qt::AlignCenter);
    slectedBtn_ = new KXBaseButton(this);
    slectedBtn_->setButtonType(KXBaseButton::ButtonType::CheckBox);
    slectedBtn_->setImagePosition(KXBaseButton::ImagePosition::ImageOnly);
    slectedBtn_->setImage(KXImage::imageNamed("checkBox"));
    slectedBtn_->setAlternateImage(KXImage::imageNamed("icon_selected-black"));
    slectedBtn_->setAction([this](KXBaseButton*) { choose(); });

    lc_makeConstraints(lcView(headBgView_), [](LCConstraintMaker& make) {
        make.left().top().right().equalTo(0);
        make.height().equalTo(130);
    });
    lc_makeConstraints(lcView(icon), [](LCConstraintMaker& make) {
        make.center().equalTo(0);
        make.width().height().equalTo(48);
    });
    lc_makeConstraints(lcView(titleLabel_), [](LCConstraintMaker& make) {
        make.left().equalTo(8);
        make.right().equalTo(-8);
        make.top().equalTo(140);
        make.height().equalTo(22);
    });
    lc_makeConstraints(lcView(contLabel_), [](LCConstraintMaker& make) {
        make.left().right().equalTo(0);
        make.top().equalTo(162);
        make.height().equalTo(18);
    });
    lc_makeConstraints(lcView(slectedBtn_), [](LCConstraintMaker& make) {
        make.centerX().equalTo(0);
        make.bottom().equalTo(-8);
        make.width().height().equalTo(18);
    });
}

void KXPublishFavoriteItem::setInfo(const Id& info)
{
    info_ = info;
    titleLabel_->setText(KXFavouritesTexts::plain(info["collect_name"]));
    contLabel_->setText(KXFavouritesTexts::fontsInList(info["fonts"]));
    setToolTip(kx_plainToolTip(titleLabel_->text()));
}

bool KXPublishFavoriteItem::isChosen() const
{
    return slectedBtn_->state() != 0;
}

void KXPublishFavoriteItem::setChosen(bool chosen)
{
    slectedBtn_->setState(chosen ? 1 : 0);
    update();
}

void KXPublishFavoriteItem::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !rect().contains(event->position().toPoint()))
        return;
    choose();
}

void KXPublishFavoriteItem::choose()
{
    setChosen(true);
    if (const auto delegate = delegate_.lock())
        delegate->favoriteItemDidSelect(this);
}

void KXPublishFavoriteItem::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.setPen(isChosen() ? QColor(183, 144, 104) : QColor(236, 236, 236));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}
