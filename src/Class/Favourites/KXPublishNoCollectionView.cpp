#include "Class/Favourites/KXPublishNoCollectionView.h"

#include "Class/Favourites/KXFavouritesStyle.h"
#include "Class/ImageViews/ImageView.h"
#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/UIKit/KXImage.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"

#include <QLabel>

using layoutwidgets::lcView;

KXPublishNoCollectionView::KXPublishNoCollectionView(QWidget* parent)
    : QWidget(parent)
{
    auto* image = new ImageView(this);
    image->setImage(KXImage::imageNamed("publishNoCollection"));
    auto* text = favouritesstyle::label(QString::fromUtf8(kText), 13, QColor(153, 153, 153), this);
    text->setAlignment(Qt::AlignCenter);
    lc_makeConstraints(lcView(image), [](LCConstraintMaker& make) {
        make.centerX().equalTo(0);
        make.centerY().equalTo(-16);
        make.width().height().equalTo(64);
    });
    lc_makeConstraints(lcView(text), [image](LCConstraintMaker& make) {
        make.top().equalTo(lc_bottom(lcView(image))).offset(10);
        make.left().right().equalTo(0);
        make.height().equalTo(20);
    });
}
