#include "Class/Favourites/KXMyfocusSetView.h"

#include "Class/Favourites/Core/KXFolderSession.h"
#include "Class/Favourites/KXFavouritesStyle.h"
#include "Class/Favourites/KXHomeRecomDetailView.h"
#include "Class/Favourites/KXHomeRecommendCell.h"
#include "Class/Favourites/KXRecordList.h"
#include "Class/FontList/KXFontListStyle.h"
#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Class/UIKit/KXImage.h"
#include "Class/UIKit/KXRemoveFromSuperview.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/Foundation/String.h"

#include <QLabel>
#include <QPointer>

using foundation::Id;
using foundation::Ref;
using layoutwidgets::lcView;
namespace style = favouritesstyle;

// The page as the delegate of the detail pages it opens, while it lives.
class KXMyfocusSetView::Adapter final : public KXHomeRecomDetailViewDelegate {
public:
    explicit Adapter(KXMyfocusSetView* page)
        : page_(page)
    {
    }
    void recomDetailViewclosed() override
    {
        if (page_)
            page_->recomDetailViewclosed();
    }

private:
    QPointer<KXMyfocusSetView> page_;
};

KXMyfocusSetView::KXMyfocusSetView(const QRect& frame, QWidget* parent)
    : KXBaseView(parent)
    , groupDataA_(foundation::MutableArray::create())
    , adapter_(std::make_shared<Adapter>(this))
{
    if (frame.isValid())
        setGeometry(frame);
    setUPUI();
    // Any load of the followed list shows here, the read back of a follow whose reply was lost too.
    followsStored_ = dispatch::NotificationCenter::defaultCenter().addObserver(KXFolderSession::kFollowsStored, Id(), nullptr,
        [page = QPointer<KXMyfocusSetView>(this)](const dispatch::Notification&) {
            if (!page)
                return;
            const auto follows = KXUserCenterConfig::sharedKXUserCenterConfig().followsArray();
            page->showFollows(follows ? foundation::MutableArray::create(follows->objects()) : foundation::MutableArray::create());
        });
    setUPData();
}

KXMyfocusSetView::~KXMyfocusSetView() = default;

void KXMyfocusSetView::setUPUI()
{
    fontliststyle::fill(*this, QColor(245, 245, 245));
    headView_ = new style::Panel(this, Qt::white);
    backBtn_ = style::imageButton("recommendBack", headView_);
    backBtn_->setAction([this](KXBaseButton*) { backBtn(); });
    title_ = style::label(QString::fromUtf8(kFollowedTab), 15, QColor(34, 34, 34), headView_);

    emptyView_ = new QWidget(this);
    toFoundBtn_ = style::imageButton("MyFocusToFound", emptyView_);
    toFoundBtn_->setAction([this](KXBaseButton*) { toFoundBtnClick(); });
    auto* emptyText = style::label(QStringLiteral("还没有关注的合集"), 13, QColor(153, 153, 153), emptyView_);
    emptyText->setAlignment(Qt::AlignCenter);
    toFoundBtn2_ = style::textButton(QStringLiteral("去发现更多合集 >"), QColor(59, 118, 255), emptyView_);
    toFoundBtn2_->setAction([this](KXBaseButton*) { toFoundBtnClick(); });

    model_ = new KXRecordListModel(this);
    model_->setRecords(groupDataA_);
    cell_ = new KXHomeRecommendCell(this);
    connect(cell_, &KXHomeRecommendCell::rowClicked, this, [this](int row) { tablecellClick(row); });
    tableview_ = new KXRecordListView(this);
    tableview_->setRowMetrics(KXHomeRecommendCell::kRowHeight, KXHomeRecommendCell::kRowGap);
    tableview_->setModel(model_);
    tableview_->setItemDelegate(cell_);

    lc_makeConstraints(lcView(headView_), [](LCConstraintMaker& make) {
        make.left().top().right().equalTo(0);
        make.height().equalTo(kHeadHeight);
    });
    lc_makeConstraints(lcView(backBtn_), [](LCConstraintMaker& make) {
        make.left().equalTo(16);
        make.centerY().equalTo(0);
        make.width().height().equalTo(20);
    });
    lc_makeConstraints(lcView(emptyView_), [](LCConstraintMaker& make) {
        make.top().equalTo(kHeadHeight + 150);
        make.left().right().equalTo(0);
        make.height().equalTo(120);
    });
    lc_makeConstraints(lcView(emptyText), [](LCConstraintMaker& make) {
        make.top().equalTo(0);
        make.left().right().equalTo(0);
        make.height().equalTo(20);
    });
    lc_makeConstraints(lcView(toFoundBtn_), [](LCConstraintMaker& make) {
        make.top().equalTo(36);
        make.centerX().equalTo(0);
        make.width().equalTo(120);
        make.height().equalTo(26);
    });
    lc_makeConstraints(lcView(toFoundBtn2_), [](LCConstraintMaker& make) {
        make.top().equalTo(76);
        make.centerX().equalTo(0);
        make.width().equalTo(140);
        make.height().equalTo(22);
    });
    layOutList();
    setFrom(QString());
}

void KXMyfocusSetView::layOutList()
{
    lc_remakeConstraints(lcView(tableview_), [this](LCConstraintMaker& make) {
        make.top().equalTo(scrollViewTop_ == kEmptyListTop ? kEmptyListTop : kHeadHeight + 15);
        make.left().right().bottom().equalTo(0);
    });
    emptyView_->setVisible(scrollViewTop_ == kEmptyListTop);
}

void KXMyfocusSetView::setFrom(const QString& from)
{
    from_ = from;
    const bool back = from != QString::fromUtf8(kFollowedTab);
    backBtn_->setVisible(back);
    // Without the back button the title starts where it would have.
    lc_remakeConstraints(lcView(title_), [back](LCConstraintMaker& make) {
        make.left().equalTo(back ? 48 : 16);
        make.right().equalTo(-16);
        make.top().bottom().equalTo(0);
    });
}

void KXMyfocusSetView::setUPData()
{
    KXGlobalDataBase::sharedKXGlobalDataBase().setCurrentModule(
        foundation::String::create("合集推荐列表错误"));
    reloadFollows();
    KXFolderSession::reloadFolders();
}

void KXMyfocusSetView::reloadFollows()
{
    KXFolderSession::reloadFollows(
        [page = QPointer<KXMyfocusSetView>(this)](const Ref<foundation::MutableArray>& follows) {
            if (page)
                page->showFollows(follows);
        });
}

void KXMyfocusSetView::showFollows(Ref<foundation::MutableArray> follows)
{
    groupDataA_ = follows ? std::move(follows) : foundation::MutableArray::create();
    // An empty list leaves the empty state in view; rows that come later bring the list back.
    scrollViewTop_ = groupDataA_->count() == 0 ? kEmptyListTop : kHeadHeight;
    layOutList();
    model_->setRecords(groupDataA_);
}

void KXMyfocusSetView::tablecellClick(int row)
{
    const Id record = model_->recordAt(row);
    if (row < 0 || !record.dictionary())
        return;
    auto* detail = new KXHomeRecomDetailView;
    detail->setDelegate(adapter_);
    style::pinOnTop(detail, this);
    detail->setInfoDic(record.dictionary());
}

void KXMyfocusSetView::recomDetailViewclosed()
{
    reloadFollows();
}

void KXMyfocusSetView::toFoundBtnClick()
{
    dispatch::NotificationCenter::defaultCenter().post(kFindMoreNotification);
}

void KXMyfocusSetView::backBtn()
{
    kx_removeFromSuperview(this);
}
