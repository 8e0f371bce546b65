#include "Class/Favourites/KXFontManagerDetailView.h"

#include "Class/Favourites/KXFavouritesStyle.h"
#include "Class/Favourites/KXFontGroupAddView.h"
#include "Class/Favourites/KXFontRowsAdapter.h"
#include "Class/FontList/Core/KXDownloadedFontMap.h"
#include "Class/FontList/Core/KXFolderChange.h"
#include "Class/FontList/Core/KXFontRowRoad.h"
#include "Class/FontList/Core/KXListRowSetup.h"
#include "Class/FontList/KXFontDetailView.h"
#include "Class/FontList/KXFontListModel.h"
#include "Class/FontList/KXFontListStyle.h"
#include "Class/FontList/KXFontTableView.h"
#include "Class/FontList/KXHomeListOverlays.h"
#include "Class/FontList/KXHomeListTableCellView.h"
#include "Class/ImageViews/ImageView.h"
#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"
#include "Class/Theme/KXThemeManager.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Class/UIKit/KXQtColor.h"
#include "Class/UIKit/KXRemoveFromSuperview.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"
#include "Platform/Foundation/String.h"

#include <QLabel>

using foundation::Ref;
using layoutwidgets::lcView;
namespace style = favouritesstyle;

namespace {

constexpr double kTableTop = 44;

} // namespace

// The row of this page: the record prepared by the page's road policy, as the folder tab of the
// font list prepares it.
class KXFontManagerDetailView::Rows final : public KXHomeListTableCellView {
public:
    explicit Rows(KXFontManagerDetailView* page)
        : KXHomeListTableCellView(page)
        , page_(page)
        , policy_(page->road_->policy())
    {
    }

protected:
    void prepareRecord(KXFontBaseModel& record) const override
    {
        KXListRowSetup::prepare(record, policy_, page_ ? page_->tabTypeNum_ : 0, policy_.fontRowHeight,
                                KXDownloadedFontMap::shared());
    }

private:
    QPointer<KXFontManagerDetailView> page_;
    KXFontRowRoadPolicy policy_;
};

KXFontManagerDetailView::KXFontManagerDetailView(QWidget* parent)
    : KXBaseView(parent)
    , adapter_(std::make_shared<KXFontRowsAdapter<KXFontManagerDetailView>>(this))
{
    road_ = KXFontRowRoad::create(adapter_, KXFontRowRoadPolicy::folderDetail());
    setUPUI();
}

KXFontManagerDetailView::~KXFontManagerDetailView() = default;

void KXFontManagerDetailView::setUPUI()
{
    const QColor background = kx_qcolor(KXThemeManager::themeManager().RightBGC());
    fontliststyle::fill(*this, background.isValid() ? background : QColor(Qt::white));
    backBtn_ = style::imageButton("recommendBack", this);
    backBtn_->setAction([this](KXBaseButton*) { backBtnClick(); });
    titleLabel_ = style::label(QStringLiteral("收藏夹"), 14, QColor(128, 128, 128), this);

    model_ = new KXFontListModel(this);
    connect(model_, &QAbstractItemModel::modelReset, this, [this] { road_->showLoadingFonts(); });
    rows_ = new Rows(this);
    rows_->setDelegate(adapter_);
    listTableView_ = new KXFontTableView(this);
    listTableView_->setRowHeight(road_->policy().fontRowHeight);
    listTableView_->setRowDelegate(rows_);
    listTableView_->setModel(model_);
    fontliststyle::fill(*listTableView_->viewport(), background.isValid() ? background : QColor(Qt::white));

    lc_makeConstraints(lcView(backBtn_), [](LCConstraintMaker& make) {
        make.left().equalTo(12);
        make.top().equalTo(12);
        make.width().height().equalTo(20);
    });
    lc_makeConstraints(lcView(titleLabel_), [](LCConstraintMaker& make) {
        make.left().equalTo(40);
        make.top().equalTo(12);
        make.right().equalTo(-12);
        make.height().equalTo(20);
    });
    lc_makeConstraints(lcView(listTableView_), [](LCConstraintMaker& make) {
        make.top().equalTo(kTableTop);
        make.left().right().bottom().equalTo(0);
    });
}

void KXFontManagerDetailView::setDataArray(Ref<foundation::MutableArray> records)
{
    dataArray_ = records ? std::move(records) : foundation::MutableArray::create();
    model_->setRecords(dataArray_);
    showEmptyView((tabTypeNum_ == 4 || tabTypeNum_ == 3) && dataArray_->count() == 0);
}

QWidget* KXFontManagerDetailView::groupNoDataView()
{
    if (groupNoDataView_)
        return groupNoDataView_;
    groupNoDataView_ = new QWidget(this);
    auto* image = new ImageView(groupNoDataView_);
    image->setImage(KXImage::imageNamed("localFont"));
    auto* label = style::label(QStringLiteral("还未收藏字体，赶紧去收藏吧"), 12, QColor(153, 153, 153), groupNoDataView_);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label->setWordWrap(true);
    lc_makeConstraints(lcView(groupNoDataView_), [](LCConstraintMaker& make) {
        make.top().equalTo(205);
        make.left().right().equalTo(0);
        make.height().equalTo(120);
    });
    lc_makeConstraints(lcView(image), [](LCConstraintMaker& make) {
        make.top().equalTo(0);
        make.centerX().equalTo(0);
        make.width().height().equalTo(60);
    });
    lc_makeConstraints(lcView(label), [image](LCConstraintMaker& make) {
        make.top().equalTo(lc_bottom(lcView(image))).offset(10);
        make.left().equalTo(10);
        make.right().equalTo(-10);
        make.height().equalTo(34);
    });
    groupNoDataView_->hide();
    return groupNoDataView_;
}

bool KXFontManagerDetailView::isShowingEmptyView() const
{
    return groupNoDataView_ && !groupNoDataView_->isHidden();
}

void KXFontManagerDetailView::showEmptyView(bool show)
{
    listTableView_->setVisible(!show);
    if (show) {
        groupNoDataView()->show();
        groupNoDataView_->raise();
    } else if (groupNoDataView_) {
        groupNoDataView_->hide();
    }
}

void KXFontManagerDetailView::backBtnClick()
{
    if (returnBlock_)
        returnBlock_(QStringLiteral("back"));
    kx_removeFromSuperview(this);
}

void KXFontManagerDetailView::cellMouseDown(const Ref<KXFontBaseModel>& record)
{
    if (record)
        road_->tableViewAction(record);
}

void KXFontManagerDetailView::downloadTTFPath(const Ref<foundation::String>& path)
{
    road_->downloadTTFPath(path);
}

void KXFontManagerDetailView::fontTitleClick(long long fontid)
{
    KXFontDetailView::requestAndShow(this, fontid);
}

void KXFontManagerDetailView::collectionBtnClick(const Ref<KXFontBaseModel>& record)
{
    if (!record)
        return;
    const long row = model_->rowOfRecord(record.get());
    auto* dialog = new KXFontGroupAddView;
    dialog->setFontid(foundation::String::create(std::to_string(record->fontid)));
    dialog->setRowNum(row);
    dialog->setDelegate(adapter_);
    groupAddFonts_[row] = record->fontid;
    style::pinOnTop(dialog, this);
}

void KXFontManagerDetailView::refreshowCell(long row)
{
    using Action = KXFolderChange::Action;
    const auto opened = groupAddFonts_.find(row);
    if (opened == groupAddFonts_.end())
        return;
    const long long fontid = opened->second;
    const int current = model_->rowOfFontid(fontid);
    const auto folders = KXUserCenterConfig::sharedKXUserCenterConfig().groupsInfo();
    const std::string folder = groupID_.string() || groupID_.number() ? groupID_.stringValue() : std::string();
    switch (KXFolderChange::decide(road_->policy().afterFolderDialog, tabTypeNum_, current >= 0, fontid, folders.get(), folder)) {
    case Action::Nothing:
        break;
    case Action::ReloadRow:
    case Action::ReloadRowTellOwner:
        model_->reloadRecord(model_->recordAt(current));
        break;
    case Action::RemoveRow:
        model_->removeRecordAt(current);
        if (dataArray_->count() == 0)
            showEmptyView(true);
        break;
    }
}
