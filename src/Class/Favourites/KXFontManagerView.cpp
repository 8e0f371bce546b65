#include "Class/Favourites/KXFontManagerView.h"

#include "Class/Favourites/Core/KXCollectionFonts.h"
#include "Class/Favourites/Core/KXFavouritesTexts.h"
#include "Class/Favourites/Core/KXFolderRecords.h"
#include "Class/Favourites/Core/KXFolderSession.h"
#include "Class/Favourites/KXDeleteGroupView.h"
#include "Class/Favourites/KXFavouritesStyle.h"
#include "Class/Favourites/KXFontGroupCreate.h"
#include "Class/Favourites/KXFontManagerCell.h"
#include "Class/Favourites/KXFontManagerDetailView.h"
#include "Class/Favourites/KXRecordList.h"
#include "Class/FontList/KXFontListStyle.h"
#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Class/UIKit/KXRemoveFromSuperview.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/String.h"

#include <QScrollBar>

using foundation::Id;
using foundation::Ref;
using layoutwidgets::lcView;
namespace style = favouritesstyle;

namespace {

constexpr double kAddButtonHeight = 24;

} // namespace

// The page as its cards' delegate, while it lives.
class KXFontManagerView::Adapter final : public KXFontManagerCellDelegate {
public:
    explicit Adapter(KXFontManagerView* page)
        : page_(page)
    {
    }
    void KXFontManagerCellFontManagerBtnClick(const Id& info) override
    {
        if (page_)
            page_->manageFolder(info);
    }
    void KXFontManagerCellRenameBtnClick(const Id& info) override
    {
        if (page_)
            page_->renameFolder(info);
    }
    void KXFontManagerCellDeleteBtnClick(const Id& info) override
    {
        if (page_)
            page_->deleteFolder(info);
    }

private:
    QPointer<KXFontManagerView> page_;
};

KXFontManagerView::KXFontManagerView(QWidget* parent)
    : KXBaseView(parent)
    , adapter_(std::make_shared<Adapter>(this))
{
    setUPUI();
    // Any list of folders the session stores shows here: one another view read, the read back of a
    // change whose reply was lost, a change made elsewhere.
    foldersStored_ = dispatch::NotificationCenter::defaultCenter().addObserver(KXFolderSession::kFoldersStored, Id(), nullptr,
        [page = QPointer<KXFontManagerView>(this)](const dispatch::Notification&) {
            if (page)
                page->followFolders(KXFolderSession::folders());
        });
    setUPData();
}

KXFontManagerView::~KXFontManagerView() = default;

void KXFontManagerView::setUPUI()
{
    fontliststyle::fill(*this, QColor(245, 245, 245));
    headView_ = new style::Panel(this, Qt::white);
    backBtn_ = style::imageButton("recommendBack", headView_);
    backBtn_->setAction([this](KXBaseButton*) { backBtnClick(); });
    coutLabel_ = new style::HighlightLabel(headView_, 13, QColor(102, 102, 102));
    uploadBtn2_ = style::textButton(QStringLiteral("新建收藏夹"), QColor(59, 118, 255), this);
    uploadBtn2_->setAction([this](KXBaseButton*) { uploadBtnClick(); });
    addGroupBtn_ = style::imageButton("fontManagerAdd", this);
    addGroupBtn_->setAction([this](KXBaseButton*) { uploadBtnClick(); });

    model_ = new KXRecordListModel(this);
    cell_ = new KXFontManagerCell(this);
    cell_->setDelegate(adapter_);
    connect(cell_, &KXFontManagerCell::rowClicked, this, [this](int row) { tableviewCellClick(row); });
    tableview_ = new KXRecordListView(this);
    tableview_->setRowMetrics(KXFontManagerCell::kRowHeight, KXFontManagerCell::kRowGap);
    tableview_->setModel(model_);
    tableview_->setItemDelegate(cell_);
    connect(model_, &QAbstractItemModel::modelReset, cell_, &KXFontManagerCell::hideSettingView);

    lc_makeConstraints(lcView(backBtn_), [](LCConstraintMaker& make) {
        make.left().equalTo(16);
        make.centerY().equalTo(0);
        make.width().height().equalTo(20);
    });
    lc_makeConstraints(lcView(coutLabel_), [](LCConstraintMaker& make) {
        make.left().equalTo(48);
        make.right().equalTo(-16);
        make.top().bottom().equalTo(0);
    });
    setGroupDataA(foundation::Array::create());
    setFrom(QString());
}

void KXFontManagerView::layOutHeader()
{
    const double listTop = addgroupTop_ + kAddButtonHeight + 8;
    lc_remakeConstraints(lcView(headView_), [this](LCConstraintMaker& make) {
        make.top().left().right().equalTo(0);
        make.height().equalTo(headviewHeight_);
    });
    // The new-folder button keeps its inset from the cards' right edge, wherever the cards stop
    // on a wide page.
    QWidget* page = this;
    const auto insetFromCards = [page](LCConstraintMaker& make, int inset) {
        make.right().lessThanOrEqualTo(-inset);
        make.right().equalTo(lc_centerX(lcView(page))).offset(KXRecordListView::kMaxRowWidth / 2 - inset).priorityHigh();
    };
    lc_remakeConstraints(lcView(uploadBtn2_), [this, insetFromCards](LCConstraintMaker& make) {
        make.top().equalTo(addgroupTop_);
        insetFromCards(make, 20);
        make.width().equalTo(88);
        make.height().equalTo(kAddButtonHeight);
    });
    lc_remakeConstraints(lcView(addGroupBtn_), [this, insetFromCards](LCConstraintMaker& make) {
        make.top().equalTo(addgroupTop_ + 4);
        insetFromCards(make, 110);
        make.width().height().equalTo(16);
    });
    lc_remakeConstraints(lcView(tableview_), [listTop](LCConstraintMaker& make) {
        make.top().equalTo(listTop);
        make.left().right().bottom().equalTo(0);
    });
}

void KXFontManagerView::setFrom(const QString& from)
{
    from_ = from;
    const bool header = from == QString::fromUtf8(kPersonalCentre);
    headView_->setVisible(header);
    headviewHeight_ = header ? kHeaderHeight : 10;
    addgroupTop_ = header ? kHeaderHeight + 14 : 14;
    layOutHeader();
}

void KXFontManagerView::setGroupDataA(Ref<foundation::Array> folders)
{
    groupDataA_ = folders ? std::move(folders) : foundation::Array::create();
    model_->setRecords(groupDataA_);
    coutLabel_->setText(KXFavouritesTexts::folderCountHeader(groupDataA_->count()));
}

void KXFontManagerView::followFolders(Ref<foundation::Array> folders)
{
    const Id menuFolder = cell_->settingView() && cell_->settingView()->isVisible()
        ? KXRecordListModel::recordOfIndex(cell_->settingRow())["id"]
        : Id();
    const int scrolled = tableview_->verticalScrollBar()->value();
    setGroupDataA(std::move(folders));
    // The rows' geometry follows the new list before the scroll and the menu find their place.
    tableview_->doItemsLayout();
    tableview_->verticalScrollBar()->setValue(scrolled);
    if (menuFolder.isNil())
        return;
    const long row = KXFolderRecords::indexOf(groupDataA_.get(), menuFolder);
    if (row >= 0)
        cell_->showSettingView(tableview_, model_->index(static_cast<int>(row), 0));
}

void KXFontManagerView::setUPData()
{
    KXGlobalDataBase::sharedKXGlobalDataBase().setCurrentModule(foundation::String::create("关注合集错误"));
    KXFolderSession::reloadFolders(showLoadedFolders());
}

KXFolderSession::Shown KXFontManagerView::showLoadedFolders()
{
    return [page = QPointer<KXFontManagerView>(this)](const Ref<foundation::MutableArray>& folders) {
        if (page)
            page->setGroupDataA(folders);
    };
}

void KXFontManagerView::backBtnClick()
{
    kx_removeFromSuperview(this);
}

void KXFontManagerView::uploadBtnClick()
{
    auto* dialog = new KXFontGroupCreate;
    dialog->setGroupBlock([page = QPointer<KXFontManagerView>(this)](const Ref<foundation::Dictionary>& created) {
        // The new folder joins the session's list at once; the load that follows brings the server's.
        auto folders = KXFolderSession::folders();
        folders->addObject(Id(created));
        KXFolderSession::storeChangedFolders(folders);
        if (page)
            page->setUPData();
    });
    dialog->setReloadBlock(showLoadedFolders());
    style::pinOnTop(dialog, this);
}

void KXFontManagerView::tableviewCellClick(int row)
{
    const Id folder = model_->recordAt(row);
    if (!folder)
        return;
    auto* detail = new KXFontManagerDetailView;
    style::pinOnTop(detail, this);
    detail->setTabTypeNum(4);
    detail->setDataArray(KXCollectionFonts::records(folder["fonts"]));
    detail->setGroupID(folder["id"]);
    detail->setReturnBlock([page = QPointer<KXFontManagerView>(this)](const QString&) {
        if (page)
            page->setUPData();
    });
    model_->reset();
}

void KXFontManagerView::manageFolder(const Id& info)
{
    tableviewCellClick(static_cast<int>(KXFolderRecords::indexOf(groupDataA_.get(), info["id"])));
}

bool KXFontManagerView::refusesDefault(long index)
{
    if (index != 0)
        return false;
    style::toast(ToastStyle::Warning, QStringLiteral("默认分组不支持修改"));
    return true;
}

void KXFontManagerView::renameFolder(const Id& info)
{
    const long index = KXFolderRecords::indexOf(groupDataA_.get(), info["id"]);
    if (index < 0 || refusesDefault(index))
        return;
    auto* dialog = new KXFontGroupCreate;
    dialog->setTitle(QString::fromStdString(info["collect_name"].stringValue()));
    dialog->setGroupid(info["id"]);
    const Id folderId = info["id"];
    dialog->setGroupBlock([page = QPointer<KXFontManagerView>(this), folderId](const Ref<foundation::Dictionary>& renamed) {
        const QString name = QString::fromStdString(Id(renamed)["collect_name"].stringValue());
        const auto session = KXFolderSession::folders();
        if (KXFolderRecords::indexOf(session.get(), folderId) >= 0)
            KXFolderSession::storeChangedFolders(KXFolderRecords::renamed(session.get(), folderId, name));
        if (!page)
            return;
        const long now = KXFolderRecords::indexOf(page->groupDataA_.get(), folderId);
        if (now < 0)
            return;
        page->groupDataA_ = KXFolderRecords::renamed(page->groupDataA_.get(), folderId, name);
        page->model_->setRecords(page->groupDataA_);
    });
    dialog->setReloadBlock(showLoadedFolders());
    style::pinOnTop(dialog, this);
}

void KXFontManagerView::deleteFolder(const Id& info)
{
    const long index = KXFolderRecords::indexOf(groupDataA_.get(), info["id"]);
    if (index < 0 || refusesDefault(index))
        return;
    auto* dialog = new KXDeleteGroupView;
    dialog->setGroupID(info["id"]);
    const Id folderId = info["id"];
    dialog->setGroupBlock([page = QPointer<KXFontManagerView>(this), folderId](const Ref<foundation::Dictionary>&) {
        KXFolderSession::storeChangedFolders(KXFolderRecords::without(KXFolderSession::folders().get(), folderId));
        if (page)
            page->setGroupDataA(KXFolderRecords::without(page->groupDataA_.get(), folderId));
    });
    dialog->setReloadBlock(showLoadedFolders());
    style::pinOnTop(dialog, this);
}
