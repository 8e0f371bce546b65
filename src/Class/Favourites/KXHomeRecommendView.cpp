#include "Class/Favourites/KXHomeRecommendView.h"

#include "Class/Favourites/Core/KXFolderSession.h"
#include "Class/Favourites/KXFavouritesStyle.h"
#include "Class/Favourites/KXHomeRecomDetailView.h"
#include "Class/Favourites/KXHomeRecommendCell.h"
#include "Class/Favourites/KXPublishFavoritesWindowsController.h"
#include "Class/Favourites/KXRecordList.h"
#include "Class/FontList/KXFontListStyle.h"
#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/ServiceCore/Transport/KXHTTPBUSINESS.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"
#include "Platform/Foundation/String.h"

#include <QLabel>
#include <QPointer>

using foundation::Id;
using foundation::Ref;
using layoutwidgets::lcView;
namespace style = favouritesstyle;

KXHomeRecommendView::KXHomeRecommendView(const QRect& frame, QWidget* parent)
    : KXBaseView(parent)
    , groupDataA_(foundation::MutableArray::create())
{
    if (frame.isValid())
        setGeometry(frame);
    setUPUI();
    setUPData();
}

KXHomeRecommendView::~KXHomeRecommendView() = default;

void KXHomeRecommendView::setUPUI()
{
    fontliststyle::fill(*this, QColor(245, 245, 245));
    topview_ = new style::Panel(this, Qt::white);
    auto* title = style::label(QStringLiteral("合集推荐"), 15, QColor(34, 34, 34), topview_);
    auto* uploadBack = new style::Panel(topview_, QColor(183, 144, 104), 2);
    uploadBtn_ = style::textButton(QStringLiteral("公开收藏夹"), Qt::white, uploadBack);
    uploadBtn_->setKXBaseButtonAlignment(Qt::AlignCenter);
    uploadBtn_->setAction([this](KXBaseButton*) { upLoadBtnClick(); });

    model_ = new KXRecordListModel(this);
    model_->setRecords(groupDataA_);
    cell_ = new KXHomeRecommendCell(this);
    connect(cell_, &KXHomeRecommendCell::rowClicked, this, [this](int row) { tablecellClick(row); });
    tableview_ = new KXRecordListView(this);
    tableview_->setRowMetrics(KXHomeRecommendCell::kRowHeight, KXHomeRecommendCell::kRowGap);
    tableview_->setModel(model_);
    tableview_->setItemDelegate(cell_);

    lc_makeConstraints(lcView(topview_), [](LCConstraintMaker& make) {
        make.left().top().right().equalTo(0);
        make.height().equalTo(kTopHeight);
    });
    lc_makeConstraints(lcView(title), [](LCConstraintMaker& make) {
        make.left().equalTo(16);
        make.centerY().equalTo(0);
        make.height().equalTo(22);
        make.width().equalTo(120);
    });
    lc_makeConstraints(lcView(uploadBack), [](LCConstraintMaker& make) {
        make.right().equalTo(-16);
        make.centerY().equalTo(0);
        make.width().equalTo(96);
        make.height().equalTo(26);
    });
    lc_makeConstraints(lcView(uploadBtn_), [](LCConstraintMaker& make) { make.edges().equalTo(0); });
    lc_makeConstraints(lcView(tableview_), [](LCConstraintMaker& make) {
        make.top().equalTo(kTopHeight + 15);
        make.left().right().bottom().equalTo(0);
    });
}

void KXHomeRecommendView::setUPData()
{
    KXGlobalDataBase::sharedKXGlobalDataBase().setCurrentModule(
        foundation::String::create("合集推荐列表错误"));
    KXHTTPBUSINESS().getRecommendDataGroupSuceess(
        [page = QPointer<KXHomeRecommendView>(this)](const Id& reply) {
            if (!page || reply["errcode"].isNil() || reply["errcode"].integerValue() != 0)
                return;
            const auto cards = reply["corvane_data"]["collection"].array();
            page->groupDataA_ = cards ? foundation::MutableArray::create(cards->objects())
                                      : foundation::MutableArray::create();
            page->model_->setRecords(page->groupDataA_);
        },
        nullptr);
    if (!KXUserCenterConfig::sharedKXUserCenterConfig().islogin())
        return;
    KXFolderSession::reloadFollows();
    KXFolderSession::reloadFolders();
}

void KXHomeRecommendView::upLoadBtnClick()
{
    if (!pubWindowsController_)
        pubWindowsController_ = std::make_unique<KXPublishFavoritesWindowsController>(
            QStringLiteral("KXPublishFavoritesWindowsController"), window());
    pubWindowsController_->showWindow();
}

void KXHomeRecommendView::tablecellClick(int row)
{
    const Id record = model_->recordAt(row);
    if (row < 0 || !record.dictionary())
        return;
    auto* detail = new KXHomeRecomDetailView;
    style::pinOnTop(detail, this);
    detail->setInfoDic(record.dictionary());
}
