#include "Class/Favourites/KXPersonalPublish.h"

#include "Class/Favourites/KXFavouritesStyle.h"
#include "Class/Favourites/KXPersonalPublicCell.h"
#include "Class/Favourites/KXRecordList.h"
#include "Class/FontList/KXFontListStyle.h"
#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Class/UIKit/KXRemoveFromSuperview.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"

#include <QLabel>

using layoutwidgets::lcView;
namespace style = favouritesstyle;

KXPersonalPublish::KXPersonalPublish(const QRect& frame, QWidget* parent)
    : KXBaseView(parent)
    , groupDataA_(foundation::Array::create())
{
    if (frame.isValid())
        setGeometry(frame);
    setUPUI();
}

void KXPersonalPublish::setUPUI()
{
    fontliststyle::fill(*this, QColor(245, 245, 245));
    headerView_ = new style::Panel(this, Qt::white);
    backBtn_ = style::imageButton("recommendBack", headerView_);
    backBtn_->setAction([this](KXBaseButton*) { backBtnClick(); });
    auto* title = style::label(QStringLiteral("我发布的合集"), 15, QColor(34, 34, 34), headerView_);
    upLoadBtn_ = style::imageButton("fontManagerAdd", headerView_);
    upLoadBtn_->setAction([this](KXBaseButton*) { uploadBtnClick(); });
    uploadBtn2_ = style::textButton(QStringLiteral("上传"), QColor(59, 118, 255), headerView_);
    uploadBtn2_->setAction([this](KXBaseButton*) { uploadBtnClick(); });

    model_ = new KXRecordListModel(this);
    cell_ = new KXPersonalPublicCell(this);
    tableview_ = new KXRecordListView(this);
    tableview_->setRowMetrics(KXPersonalPublicCell::kRowHeight, KXPersonalPublicCell::kRowGap);
    tableview_->setModel(model_);
    tableview_->setItemDelegate(cell_);

    lc_makeConstraints(lcView(headerView_), [](LCConstraintMaker& make) {
        make.left().top().right().equalTo(0);
        make.height().equalTo(kHeaderHeight);
    });
    lc_makeConstraints(lcView(backBtn_), [](LCConstraintMaker& make) {
        make.left().equalTo(16);
        make.centerY().equalTo(0);
        make.width().height().equalTo(20);
    });
    lc_makeConstraints(lcView(title), [](LCConstraintMaker& make) {
        make.left().equalTo(48);
        make.right().equalTo(-100);
        make.top().bottom().equalTo(0);
    });
    lc_makeConstraints(lcView(uploadBtn2_), [](LCConstraintMaker& make) {
        make.right().equalTo(-16);
        make.centerY().equalTo(0);
        make.width().equalTo(36);
        make.height().equalTo(22);
    });
    lc_makeConstraints(lcView(upLoadBtn_), [](LCConstraintMaker& make) {
        make.right().equalTo(-56);
        make.centerY().equalTo(0);
        make.width().height().equalTo(16);
    });
    lc_makeConstraints(lcView(tableview_), [](LCConstraintMaker& make) {
        make.top().equalTo(kHeaderHeight + 15);
        make.left().right().bottom().equalTo(0);
    });
}

void KXPersonalPublish::setGroupDataA(foundation::Ref<foundation::Array> folders)
{
    groupDataA_ = folders ? std::move(folders) : foundation::Array::create();
    model_->setRecords(groupDataA_);
}

void KXPersonalPublish::backBtnClick()
{
    kx_removeFromSuperview(this);
}
