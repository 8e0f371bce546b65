#include "Class/Favourites/KXHomeRecomDetailView.h"

#include "Class/Account/KXLoginWindowController.h"
#include "Class/Favourites/Core/KXCollectionFonts.h"
#include "Class/Favourites/Core/KXCollectionHeaderLayout.h"
#include "Class/Favourites/Core/KXFavouritesTexts.h"
#include "Class/Favourites/KXFavouritesStyle.h"
#include "Class/Favourites/KXFontGroupAddView.h"
#include "Class/Favourites/KXFontRowsAdapter.h"
#include "Class/Favourites/KXHomeRecomDetailTopCell.h"
#include "Class/Favourites/KXShareCollectionGroupView.h"
#include "Class/FontList/Core/KXDownloadedFontMap.h"
#include "Class/FontList/Core/KXFolderChange.h"
#include "Class/FontList/Core/KXFontRowRoad.h"
#include "Class/FontList/Core/KXListRowSetup.h"
#include "Class/FontList/KXFontDetailView.h"
#include "Class/FontList/KXFontListModel.h"
#include "Class/FontList/KXFontListStyle.h"
#include "Class/FontList/KXFontTableView.h"
#include "Class/FontList/KXHomeListTableCellView.h"
#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"
#include "Class/ServiceCore/Transport/KXAccountWrites.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/ServiceCore/Transport/KXHTTPBUSINESS.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Class/UIKit/KXRemoveFromSuperview.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"
#include "Platform/Foundation/String.h"

#include <QEvent>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>

using foundation::Id;
using foundation::Ref;
using layoutwidgets::lcView;
namespace style = favouritesstyle;

namespace {

const QColor kBackground(245, 245, 245);
constexpr int kRowSpacing = 5;

} // namespace

// The font row of this page: cellType 2, installed file and favourite mark read afresh by the
// page's road policy.
class KXHomeRecomDetailView::Rows final : public KXHomeListTableCellView {
public:
    Rows(QObject* parent, const KXFontRowRoadPolicy& policy)
        : KXHomeListTableCellView(parent)
        , policy_(policy)
    {
        setCellType(2);
    }

protected:
    void prepareRecord(KXFontBaseModel& record) const override
    {
        KXListRowSetup::prepare(record, policy_, 0, policy_.fontRowHeight, KXDownloadedFontMap::shared());
    }

private:
    KXFontRowRoadPolicy policy_;
};

// The page as the delegate of its header; forwards to the page while it lives.
class KXHomeRecomDetailView::Header final : public KXHomeRecomDetailTopCellDelegate {
public:
    explicit Header(KXHomeRecomDetailView* page)
        : page_(page)
    {
    }
    void loginClick() override
    {
        if (page_)
            page_->loginClick();
    }

private:
    QPointer<KXHomeRecomDetailView> page_;
};

KXHomeRecomDetailView::KXHomeRecomDetailView(QWidget* parent)
    : KXBaseView(parent)
    , groupDataA_(foundation::MutableArray::create())
    , adapter_(std::make_shared<KXFontRowsAdapter<KXHomeRecomDetailView>>(this))
    , headerDelegate_(std::make_shared<Header>(this))
{
    road_ = KXFontRowRoad::create(adapter_, KXFontRowRoadPolicy::collectionDetail());
    setUPUI();
}

KXHomeRecomDetailView::~KXHomeRecomDetailView() = default;

void KXHomeRecomDetailView::setUPUI()
{
    KXGlobalDataBase::sharedKXGlobalDataBase().setCurrentModule(
        foundation::String::create("合集字体显示错误"));
    fontliststyle::fill(*this, kBackground);
    backBtn_ = style::imageButton("recommendBack", this);
    backBtn_->setAction([this](KXBaseButton*) { backBtnClick(); });
    auto* title = style::label(QStringLiteral("合集详情"), 14, QColor(128, 128, 128), this);
    shareBtn_ = style::imageButton("collectionShare", this);
    shareBtn_->setToolTip(QStringLiteral("分享"));
    shareBtn_->setAction([this](KXBaseButton*) { shareBtnClick(); });

    scrollView_ = new QScrollArea(this);
    scrollView_->setFrameShape(QFrame::NoFrame);
    scrollView_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scrollView_->setWidgetResizable(false);
    content_ = new QWidget;
    fontliststyle::fill(*content_, kBackground);
    fontliststyle::fill(*scrollView_->viewport(), kBackground);
    topCell_ = new KXHomeRecomDetailTopCell(content_);
    topCell_->setDelegate(headerDelegate_);

    model_ = new KXFontListModel(this);
    connect(model_, &QAbstractItemModel::modelReset, this, [this] { road_->showLoadingFonts(); });
    rows_ = new Rows(this, road_->policy());
    rows_->setDelegate(adapter_);
    detailTableView_ = new KXFontTableView(content_);
    detailTableView_->setRowHeight(road_->policy().fontRowHeight);
    detailTableView_->setRowDelegate(rows_);
    detailTableView_->setModel(model_);
    detailTableView_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    fontliststyle::fill(*detailTableView_->viewport(), kBackground);
    connect(model_, &QAbstractItemModel::modelReset, this, [this] { layOutRows(); });
    connect(model_, &QAbstractItemModel::rowsRemoved, this, [this] { layOutRows(); });
    scrollView_->setWidget(content_);
    // The rows take the viewport's width, which the scroll bar narrows once the rows outgrow it.
    scrollView_->viewport()->installEventFilter(this);

    lc_makeConstraints(lcView(backBtn_), [](LCConstraintMaker& make) {
        make.left().equalTo(12);
        make.top().equalTo(12);
        make.width().height().equalTo(20);
    });
    lc_makeConstraints(lcView(title), [](LCConstraintMaker& make) {
        make.left().equalTo(40);
        make.top().equalTo(12);
        make.right().equalTo(-44);
        make.height().equalTo(20);
    });
    lc_makeConstraints(lcView(shareBtn_), [](LCConstraintMaker& make) {
        make.right().equalTo(-14);
        make.top().equalTo(12);
        make.width().height().equalTo(20);
    });
    lc_makeConstraints(lcView(scrollView_), [](LCConstraintMaker& make) {
        make.top().equalTo(kTopBarHeight);
        make.left().right().bottom().equalTo(0);
    });
    layOutRows();
}

int KXHomeRecomDetailView::numberOfRows() const
{
    return model_->rowCount() + 1;
}

int KXHomeRecomDetailView::heightOfRow(int row) const
{
    if (row != 0)
        return static_cast<int>(road_->policy().fontRowHeight);
    // Measured for the width the header is given: the viewport's.
    return KXCollectionHeaderLayout::height(
        infoDic_ ? KXFavouritesTexts::plain(Id(infoDic_)["collect_desc"]) : QString(), headerWidth());
}

int KXHomeRecomDetailView::headerWidth() const
{
    return std::max(scrollView_->viewport()->width(), 1);
}

void KXHomeRecomDetailView::layOutRows()
{
    // Row 0 (the header) and the font rows in one column the scroll view moves as one.
    const int width = headerWidth();
    const int header = heightOfRow(0);
    const int fonts = model_->rowCount();
    const int rowsHeight = fonts > 0 ? fonts * detailTableView_->rowPitch() : 0;
    topCell_->setGeometry(0, 0, width, header);
    detailTableView_->setGeometry(0, header + kRowSpacing, width, rowsHeight);
    detailTableView_->setVisible(fonts > 0);
    content_->resize(width, header + kRowSpacing + rowsHeight);
}

bool KXHomeRecomDetailView::event(QEvent* event)
{
    const bool handled = KXBaseView::event(event);
    switch (event->type()) {
    case QEvent::ParentChange:
        // However the page was taken away, the palette it forced goes back.
        if (!parentWidget())
            palette_.reset();
        break;
    case QEvent::Resize:
    case QEvent::LayoutRequest:
        layOutRows();
        break;
    default:
        break;
    }
    return handled;
}

bool KXHomeRecomDetailView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == scrollView_->viewport() && event->type() == QEvent::Resize && content_->width() != scrollView_->viewport()->width())
        layOutRows();
    return KXBaseView::eventFilter(watched, event);
}

void KXHomeRecomDetailView::showHeader()
{
    topCell_->setFrom(userinfoDic_ ? QStringLiteral("user") : QString());
    topCell_->setDataDic(Id(infoDic_));
    layOutRows();
}

void KXHomeRecomDetailView::showFonts(Ref<foundation::MutableArray> fonts)
{
    groupDataA_ = fonts ? std::move(fonts) : foundation::MutableArray::create();
    groupAddFonts_.clear();
    model_->setRecords(groupDataA_);
    layOutRows();
}

void KXHomeRecomDetailView::setInfoDic(Ref<foundation::Dictionary> info)
{
    infoDic_ = std::move(info);
    const unsigned long long shown = ++shown_;
    if (!palette_)
        palette_.emplace();
    showHeader();
    if (!infoDic_)
        return;
    // A followed list a failed read left out of date is read again as the collection opens.
    KXAccountWrites::readIfStale(KXAccountWrites::Read::Follows);
    KXHTTPBUSINESS().getRecommendDataByID(
        Id(infoDic_)["id"], Id("0"),
        [page = QPointer<KXHomeRecomDetailView>(this), shown, ticket = topCell_->recordTicket()](const Id& reply) {
            if (!page || page->shown_ != shown || reply["errcode"].isNil()
                || reply["errcode"].integerValue() != 0)
                return;
            // The record as the service holds it now: the header's count is its.
            page->topCell_->showRecordRead(ticket, reply["corvane_data"]);
            page->showFonts(KXCollectionFonts::records(reply["corvane_data"]["fonts"]));
        },
        nullptr);
}

void KXHomeRecomDetailView::setUserinfoDic(Ref<foundation::Dictionary> info)
{
    ++shown_;
    userinfoDic_ = info;
    infoDic_ = std::move(info);
    showHeader();
    showFonts(
        infoDic_ ? KXCollectionFonts::records(Id(infoDic_)["fonts"]) : foundation::MutableArray::create());
}

void KXHomeRecomDetailView::backBtnClick()
{
    if (const auto delegate = delegate_.lock())
        delegate->recomDetailViewclosed();
    palette_.reset();
    kx_removeFromSuperview(this);
}

void KXHomeRecomDetailView::shareBtnClick()
{
    auto* share = new KXShareCollectionGroupView;
    share->setGroupID(infoDic_ ? Id(infoDic_)["id"] : Id());
    style::pinOnTop(share, style::contentViewOf(this));
}

void KXHomeRecomDetailView::loginClick()
{
    if (loginWindow_ && loginWindow_->window() && loginWindow_->window()->isVisible()) {
        loginWindow_->showCentred();
        return;
    }
    loginWindow_
        = std::make_unique<KXLoginWindowController>(QStringLiteral("KXLoginWindowController"), window());
    loginWindow_->showCentred();
}

void KXHomeRecomDetailView::cellMouseDown(const Ref<KXFontBaseModel>& record)
{
    if (record)
        road_->tableViewAction(record);
}

void KXHomeRecomDetailView::downloadTTFPath(const Ref<foundation::String>& path)
{
    road_->downloadTTFPath(path);
}

void KXHomeRecomDetailView::fontTitleClick(long long fontid)
{
    KXFontDetailView::requestAndShow(this, fontid);
}

void KXHomeRecomDetailView::collectionBtnClick(const Ref<KXFontBaseModel>& record)
{
    if (!record)
        return;
    if (!KXUserCenterConfig::sharedKXUserCenterConfig().islogin()) {
        loginClick();
        return;
    }
    const long index = model_->rowOfRecord(record.get());
    auto* dialog = new KXFontGroupAddView;
    dialog->setFontid(foundation::String::create(std::to_string(record->fontid)));
    dialog->setRowNum(index);
    dialog->setDelegate(adapter_);
    groupAddFonts_[index] = record->fontid;
    style::pinOnTop(dialog, this);
}

void KXHomeRecomDetailView::refreshowCell(long row)
{
    using Action = KXFolderChange::Action;
    const auto opened = groupAddFonts_.find(row);
    if (opened == groupAddFonts_.end())
        return;
    const long long fontid = opened->second;
    const int current = model_->rowOfFontid(fontid);
    const auto folders = KXUserCenterConfig::sharedKXUserCenterConfig().groupsInfo();
    // A collection is no folder of the user's: no folder tab, no folder id.
    switch (KXFolderChange::decide(road_->policy().afterFolderDialog, 0, current >= 0, fontid, folders.get(), {})) {
    case Action::Nothing:
        break;
    case Action::ReloadRow:
    case Action::ReloadRowTellOwner:
        // Every row of the font: a collection may list it twice.
        for (int index = current; index < model_->rowCount(); ++index) {
            if (model_->recordAt(index)->fontid == fontid)
                model_->reloadRecord(model_->recordAt(index));
        }
        break;
    case Action::RemoveRow:
        model_->removeRecordAt(current);
        break;
    }
}
