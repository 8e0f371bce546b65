#include "Class/Favourites/KXFontGroupAddView.h"

#include "Class/ServiceCore/Transport/KXAccountWrites.h"

#include "Class/Favourites/Core/KXFolderSession.h"
#include "Class/Favourites/Core/KXReplyGate.h"
#include "Class/Favourites/KXFavouritesStyle.h"
#include "Class/Favourites/KXFontGroupAddCell.h"
#include "Class/Favourites/KXRecordList.h"
#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/ServiceCore/Catalogue/KXCatalogueStatement.h"
#include "Class/ServiceCore/Transport/KXAccountWrites.h"
#include "Class/ServiceCore/Transport/KXHTTPBUSINESS.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Class/UIKit/KXOverlayKeys.h"
#include "Class/UIKit/KXRemoveFromSuperview.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"
#include "Platform/Dispatch/NotificationCenter.h"

#include <QLabel>
#include <QPainter>

using foundation::Id;
using layoutwidgets::lcView;
namespace style = favouritesstyle;

namespace {

constexpr int kVisibleRows = 6;

} // namespace

// The dialog as its items' delegate, while it lives.
class KXFontGroupAddView::Adapter final : public KXFontGroupAddCellDelegate {
public:
    explicit Adapter(KXFontGroupAddView* dialog)
        : dialog_(dialog)
    {
    }
    void groupsItemButtonClick(const foundation::Ref<foundation::Dictionary>& info) override
    {
        if (dialog_)
            dialog_->groupsItemButtonClick(info);
    }

private:
    QPointer<KXFontGroupAddView> dialog_;
};

// The folders shown, each ticked as the choice says.
class KXFontGroupAddView::Items final : public KXRecordListModel {
public:
    Items(KXFontGroupAddView* dialog)
        : KXRecordListModel(dialog)
        , dialog_(dialog)
    {
    }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role == Qt::CheckStateRole)
            return dialog_->filing_.isTicked(recordAt(index.row())) ? Qt::Checked : Qt::Unchecked;
        return KXRecordListModel::data(index, role);
    }

private:
    KXFontGroupAddView* dialog_;
};

KXFontGroupAddView::KXFontGroupAddView(QWidget* parent)
    : KXBaseView(parent)
    , adapter_(std::make_shared<Adapter>(this))
{
    setUPUI();
    setUpData();
}

KXFontGroupAddView::~KXFontGroupAddView() = default;

void KXFontGroupAddView::setUPUI()
{
    listBgView_ = new style::Panel(this, Qt::white, 4, style::Shadow{QPointF(0.5, 0.5), 1, QColor(180, 180, 180)});
    titleLabel_ = style::label(QStringLiteral("添加到收藏夹"), 14, QColor(51, 51, 51), listBgView_);
    items_ = new Items(this);
    cell_ = new KXFontGroupAddCell(this);
    cell_->setDelegate(adapter_);
    grouoList_ = new KXRecordListView(listBgView_);
    grouoList_->setRowMetrics(KXFontGroupAddCell::kRowHeight, 0);
    grouoList_->setModel(items_);
    grouoList_->setItemDelegate(cell_);
    newGroupBtn_ = style::textButton(QStringLiteral("+ 新建收藏夹"), QColor(59, 118, 255), listBgView_);
    newGroupBtn_->setAction([this](KXBaseButton*) { newgroupClick(); });
    cancelBtn_ = style::textButton(QStringLiteral("取消"), QColor(176, 176, 176), listBgView_);
    cancelBtn_->setAction([this](KXBaseButton*) { cancelClick(); });
    kx_setOverlayKeys(this, cancelBtn_);
    sureBtn_ = style::textButton(QStringLiteral("确定"), QColor(151, 125, 98), listBgView_);
    sureBtn_->setAction([this](KXBaseButton*) { sureBtnClick(); });

    lc_makeConstraints(lcView(listBgView_), [](LCConstraintMaker& make) {
        make.width().equalTo(240);
        make.height().equalTo(44 + kVisibleRows * KXFontGroupAddCell::kRowHeight + 76);
        make.centerX().equalTo(0);
        make.centerY().equalTo(0);
    });
    lc_makeConstraints(lcView(titleLabel_), [](LCConstraintMaker& make) {
        make.top().equalTo(12);
        make.left().equalTo(16);
        make.right().equalTo(-16);
        make.height().equalTo(20);
    });
    lc_makeConstraints(lcView(grouoList_), [](LCConstraintMaker& make) {
        make.top().equalTo(44);
        make.left().equalTo(8);
        make.right().equalTo(-8);
        make.height().equalTo(kVisibleRows * KXFontGroupAddCell::kRowHeight);
    });
    lc_makeConstraints(lcView(newGroupBtn_), [](LCConstraintMaker& make) {
        make.bottom().equalTo(-44);
        make.left().equalTo(16);
        make.width().equalTo(100);
        make.height().equalTo(24);
    });
    lc_makeConstraints(lcView(cancelBtn_), [](LCConstraintMaker& make) {
        make.bottom().equalTo(-12);
        make.right().equalTo(-96);
        make.width().equalTo(64);
        make.height().equalTo(26);
    });
    lc_makeConstraints(lcView(sureBtn_), [](LCConstraintMaker& make) {
        make.bottom().equalTo(-12);
        make.right().equalTo(-16);
        make.width().equalTo(64);
        make.height().equalTo(26);
    });
    showFolders();
}

void KXFontGroupAddView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 51));
    painter.drawRoundedRect(QRectF(rect()), 4, 4);
}

void KXFontGroupAddView::setFontid(const foundation::Ref<foundation::String>& fontid)
{
    fontid_ = fontid;
    long long id = 0;
    KXCatalogueStatement::integerId(Id(fontid), id);
    const auto folders = filing_.folders();
    filing_ = KXFolderFiling(id);
    cell_->setFontid(fontid ? QString::fromStdString(fontid->utf8()) : QString());
    filing_.setFolders(folders);
    items_->reset();
}

void KXFontGroupAddView::showFolders()
{
    filing_.setFolders(KXFolderSession::folders());
    items_->setRecords(filing_.folders());
}

void KXFontGroupAddView::setUpData()
{
    KXFolderSession::reloadFolders([dialog = QPointer<KXFontGroupAddView>(this)](const auto&) {
        if (dialog)
            dialog->showFolders();
    });
}

void KXFontGroupAddView::groupsItemButtonClick(const foundation::Ref<foundation::Dictionary>& info)
{
    const Id item(info);
    filing_.click(item, item["state"].stringValue() == "1");
    items_->reset();
}

void KXFontGroupAddView::sureBtnClick()
{
    if (filing_.unchanged()) {
        kx_removeFromSuperview(this);
        return;
    }
    // The answer outlives the dialog, which leaves at once: it tells the opener.
    auto opener = delegate_;
    const long row = rowNum_;
    KXHTTPBUSINESS().CollectFontWithFontid(
        Id(fontid_), Id(filing_.collectIdText()),
        [opener, row](const Id&) {
            KXReplyGate::folders().supersede();
            KXFolderSession::reloadFolders([opener, row](const auto&) {
                if (const auto owner = opener.lock())
                    owner->refreshowCell(row);
            });
        },
        [opener, row](const foundation::Ref<foundation::Error>& error) {
            // The service may have filed the font: the row's star shows the folders read back.
            if (!KXAccountWrites::outcomeUnknown(error))
                return;
            KXAccountWrites::readBack("105", [opener, row](const KXAccountWrites::Result& read) {
                if (const auto owner = opener.lock(); owner && read.ok)
                    owner->refreshowCell(row);
            });
        });
    kx_removeFromSuperview(this);
}

void KXFontGroupAddView::newgroupClick()
{
    dispatch::NotificationCenter::defaultCenter().post(kCreateNewGroupNotification);
    kx_removeFromSuperview(this);
}

void KXFontGroupAddView::cancelClick()
{
    kx_removeFromSuperview(this);
}

void KXFontGroupAddView::registerOverlay()
{
    KXHomeListOverlays::registerOverlay(KXHomeListOverlays::FontGroupAddView{
        [](const QObject* widget) { return qobject_cast<const KXFontGroupAddView*>(widget) != nullptr; },
        [](const foundation::Ref<foundation::String>& fontid, long rowNum, std::weak_ptr<KXFontGroupAddViewDelegate> delegate) -> QWidget* {
            auto* dialog = new KXFontGroupAddView;
            dialog->setFontid(fontid);
            dialog->setRowNum(rowNum);
            dialog->delegate_ = std::move(delegate);
            return dialog;
        }});
}
