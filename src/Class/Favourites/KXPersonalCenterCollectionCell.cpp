#include "Class/Favourites/KXPersonalCenterCollectionCell.h"

#include "Class/Favourites/Core/KXFavouritesTexts.h"
#include "Class/Favourites/Core/KXFolderStateIcon.h"
#include "Class/Favourites/KXFavouritesStyle.h"
#include "Class/ImageViews/ImageView.h"
#include "Class/ImageViews/ImageViewWebCache.h"
#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Class/UIKit/KXImage.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"
#include "Platform/Foundation/URL.h"

#include <QLabel>

using foundation::Id;
using layoutwidgets::lcView;
namespace style = favouritesstyle;

namespace {

constexpr int kRejectPadding = 10;

} // namespace

KXPersonalCenterCollectionCell::KXPersonalCenterCollectionCell(QWidget* parent)
    : QWidget(parent)
{
    setUPUI();
}

void KXPersonalCenterCollectionCell::setUPUI()
{
    bgImageView_ = new ImageView(this);
    bgImageView_->setImageScaling(ImageScaling::ProportionallyFilling);
    bgImageView_->setCornerRadius(3);
    bgImageView_->setBackgroundColor(QColor(200, 200, 200));
    leftsatesImg_ = new ImageView(bgImageView_);
    watchButton_ = new KXBaseButton(bgImageView_);
    watchButton_->setImage(KXImage::imageNamed("collectionVisits"));
    watchButton_->setNormalColor(Qt::white);
    watchButton_->setKXBaseButtonAlignment(Qt::AlignCenter);
    nameBand_ = new style::Panel(bgImageView_, QColor(0, 0, 0, 77));
    collectionGroupName_ = style::label(QString(), 14, Qt::white, nameBand_);
    fontCountLabel_ = style::label(QString(), 12, Qt::white, nameBand_);
    fontCountLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    rejectView_ = new style::Panel(bgImageView_, QColor(0, 0, 0, 153));
    rejectLabel_ = style::label(QString(), 12, Qt::white, rejectView_);
    rejectLabel_->setWordWrap(true);
    rejectView_->hide();

    lc_makeConstraints(lcView(bgImageView_), [](LCConstraintMaker& make) { make.edges().equalTo(0); });
    lc_makeConstraints(lcView(leftsatesImg_), [](LCConstraintMaker& make) {
        make.left().top().equalTo(10);
        make.width().equalTo(52);
        make.height().equalTo(18);
    });
    lc_makeConstraints(lcView(watchButton_), [](LCConstraintMaker& make) {
        make.right().equalTo(-10);
        make.top().equalTo(8);
        make.width().equalTo(70);
        make.height().equalTo(22);
    });
    lc_makeConstraints(lcView(nameBand_), [](LCConstraintMaker& make) {
        make.left().right().bottom().equalTo(0);
        make.height().equalTo(40);
    });
    lc_makeConstraints(lcView(collectionGroupName_), [](LCConstraintMaker& make) {
        make.left().equalTo(12);
        make.right().equalTo(-80);
        make.top().bottom().equalTo(0);
    });
    lc_makeConstraints(lcView(fontCountLabel_), [](LCConstraintMaker& make) {
        make.right().equalTo(-12);
        make.width().equalTo(70);
        make.top().bottom().equalTo(0);
    });
}

void KXPersonalCenterCollectionCell::setData(const Id& data)
{
    data_ = data;
    leftStateImage_ = KXFolderStateIcon::imageName(data);
    leftsatesImg_->setImage(KXImage::imageNamed(leftStateImage_));
    const bool refused = data["is_publish"].integerValue() == 3;
    rejectView_->setVisible(refused);
    rejectLabel_->setText(refused ? KXFavouritesTexts::plain(data["reason"]) : QString());
    fontCountLabel_->setText(KXFavouritesTexts::fontsInList(data["fonts"]));
    collectionGroupName_->setText(KXFavouritesTexts::plain(data["collect_name"]));
    watchButton_->setTitle(KXFavouritesTexts::plain(data["visits"]));
    watchButton_->setNormalColor(Qt::white);
    watchButton_->setKXBaseButtonAlignment(Qt::AlignCenter);
    il_setImageWithURL(bgImageView_, foundation::URL::URLWithString(data["img"].stringValue()));
    layOutReject();
}

void KXPersonalCenterCollectionCell::layOutReject()
{
    // The reason takes as many lines as it needs, above the name band.
    const int width = std::max(1, this->width() - 2 * kRejectPadding);
    const QRect text = rejectLabel_->fontMetrics().boundingRect(
        QRect(0, 0, width, 10000), Qt::TextWordWrap, rejectLabel_->text());
    const int height = text.height() + 2 * 6;
    rejectView_->setGeometry(0, std::max(0, this->height() - 40 - height), this->width(), height);
    rejectLabel_->setGeometry(kRejectPadding, 6, width, height - 12);
}

void KXPersonalCenterCollectionCell::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layOutReject();
}
