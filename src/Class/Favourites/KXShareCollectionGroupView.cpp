#include "Class/Favourites/KXShareCollectionGroupView.h"

#include "Class/Favourites/Core/KXShareAddress.h"
#include "Class/Favourites/KXFavouritesStyle.h"
#include "Class/ImageViews/ImageView.h"
#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Class/UIKit/KXOpenFailedAlert.h"
#include "Class/UIKit/KXOverlayKeys.h"
#include "Class/UIKit/KXRemoveFromSuperview.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"

#include <QLabel>

using layoutwidgets::lcView;
namespace style = favouritesstyle;

const std::vector<KXShareCollectionGroupView::Target>& KXShareCollectionGroupView::targets()
{
    static const std::vector<Target> list = {
        {"wechat", "微信", "shareWechat"},
        {"weibo", "微博", "shareWeibo"},
        {"qq", "QQ", "shareQQ"},
        {"qzone", "QQ空间", "shareQzone"},
    };
    return list;
}

KXShareCollectionGroupView::KXShareCollectionGroupView(QWidget* parent)
    : KXBaseView(parent)
{
    setUPUI();
}

KXShareCollectionGroupView::~KXShareCollectionGroupView() = default;

void KXShareCollectionGroupView::setUPUI()
{
    centerBGView_ = new style::Panel(this, Qt::white, 4);
    headerBg_ = new style::Panel(centerBGView_, QColor(252, 252, 252), 4);
    topicImgView_ = new ImageView(headerBg_);
    topicImgView_->setImage(KXImage::imageNamed("shareCollectionTopic"));
    titleLabel_ = style::label(QStringLiteral("分享合集"), 15, QColor(51, 51, 51), headerBg_);
    descriptionlabel_ = style::label(QStringLiteral("把这个合集分享给朋友"), 12, QColor(153, 153, 153), headerBg_);
    closeBtn_ = style::imageButton("shareClose", centerBGView_);
    closeBtn_->setAction([this](KXBaseButton*) { closeBtnClick(); });
    kx_setOverlayKeys(this, closeBtn_);

    lc_makeConstraints(lcView(centerBGView_), [](LCConstraintMaker& make) {
        make.width().equalTo(320);
        make.height().equalTo(200);
        make.centerX().equalTo(0);
        make.centerY().equalTo(0);
    });
    lc_makeConstraints(lcView(headerBg_), [](LCConstraintMaker& make) {
        make.top().left().right().equalTo(0);
        make.height().equalTo(64);
    });
    lc_makeConstraints(lcView(topicImgView_), [](LCConstraintMaker& make) {
        make.left().equalTo(20);
        make.centerY().equalTo(0);
        make.width().height().equalTo(36);
    });
    lc_makeConstraints(lcView(titleLabel_), [](LCConstraintMaker& make) {
        make.left().equalTo(68);
        make.top().equalTo(13);
        make.right().equalTo(-40);
        make.height().equalTo(20);
    });
    lc_makeConstraints(lcView(descriptionlabel_), [](LCConstraintMaker& make) {
        make.left().equalTo(68);
        make.top().equalTo(35);
        make.right().equalTo(-40);
        make.height().equalTo(16);
    });
    lc_makeConstraints(lcView(closeBtn_), [](LCConstraintMaker& make) {
        make.top().equalTo(10);
        make.right().equalTo(-10);
        make.width().height().equalTo(16);
    });

    const double pitch = 320.0 / static_cast<double>(targets().size());
    double left = 0;
    for (const Target& target : targets()) {
        auto* button = KXBaseButton::buttonWithImage(KXImage::imageNamed(target.imageName),
                                                     [this](KXBaseButton* sender) { shareBtnClick(sender); }, centerBGView_);
        button->setTitle(QString::fromUtf8(target.title));
        button->setImagePosition(KXBaseButton::ImagePosition::ImageOnly);
        button->setImageScaling(KXBaseButton::ImageScaling::ProportionallyUpOrDown);
        button->setIdentifier(QString::fromUtf8(target.identifier));
        button->setToolTipTitle(QString::fromUtf8(target.title));
        auto* caption = style::label(QString::fromUtf8(target.title), 12, QColor(102, 102, 102), centerBGView_);
        caption->setAlignment(Qt::AlignCenter);
        lc_makeConstraints(lcView(button), [left, pitch](LCConstraintMaker& make) {
            make.left().equalTo(left + (pitch - 40) / 2);
            make.top().equalTo(92);
            make.width().height().equalTo(40);
        });
        lc_makeConstraints(lcView(caption), [left, pitch](LCConstraintMaker& make) {
            make.left().equalTo(left);
            make.top().equalTo(140);
            make.width().equalTo(pitch);
            make.height().equalTo(18);
        });
        shareButtons_.emplace_back(button);
        left += pitch;
    }
}

void KXShareCollectionGroupView::paintEvent(QPaintEvent*)
{
    style::paintVeil(*this, 0.2);
}

void KXShareCollectionGroupView::shareBtnClick(KXBaseButton* sender)
{
    if (!sender)
        return;
    const auto address = KXShareAddress::build(KXShareAddress::pageAddress(), groupID_.stringValue(), sender->identifier().toStdString());
    if (address)
        KXOpenFailedAlert::openURL(this, *address);
}

void KXShareCollectionGroupView::closeBtnClick()
{
    kx_removeFromSuperview(this);
}
