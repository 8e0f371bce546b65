#include "Class/Favourites/KXDeleteGroupView.h"

#include "Class/Favourites/Core/KXFolderWriteOutcome.h"
#include "Class/Favourites/KXFavouritesStyle.h"
#include "Class/Favourites/KXHomeRecomDetailTopCell.h"
#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/ServiceCore/Transport/KXHTTPBUSINESS.h"
#include "Class/ServiceCore/Transport/KXRequestAccount.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Class/UIKit/KXOverlayKeys.h"
#include "Class/UIKit/KXRemoveFromSuperview.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"

#include <QLabel>

using foundation::Id;
using layoutwidgets::lcView;
namespace style = favouritesstyle;

KXDeleteGroupView::KXDeleteGroupView(QWidget* parent)
    : KXBaseView(parent)
{
    setUPUI();
}

KXDeleteGroupView::~KXDeleteGroupView() = default;

void KXDeleteGroupView::setUPUI()
{
    centerBgView_ = new style::Panel(this, Qt::white, 4, style::Shadow{QPointF(1, 1), 5, QColor(0, 0, 0, 80)});
    showLabel_ = style::label(QStringLiteral("删除分组"), 15, QColor(51, 51, 51), centerBgView_);
    showLabel_->setAlignment(Qt::AlignCenter);
    contentLabel_ = style::label(QStringLiteral("删除后分组里的字体将不再收藏，是否删除该分组？"), 13, QColor(102, 102, 102), centerBgView_);
    contentLabel_->setAlignment(Qt::AlignCenter);
    contentLabel_->setWordWrap(true);
    cancelBtn_ = style::textButton(QStringLiteral("取消"), QColor(176, 176, 176), centerBgView_);
    cancelBtn_->setAction([this](KXBaseButton*) { cancelBtnClick(); });
    sureBtn_ = style::textButton(QStringLiteral("确定"), QColor(151, 125, 98), centerBgView_);
    sureBtn_->setAction([this](KXBaseButton*) { sureBtnClick(); });
    kx_setOverlayKeys(this, cancelBtn_, sureBtn_);

    style::layoutDialogCard(centerBgView_, showLabel_, cancelBtn_, sureBtn_);
    lc_makeConstraints(lcView(contentLabel_), [](LCConstraintMaker& make) {
        make.top().equalTo(54);
        make.left().equalTo(24);
        make.right().equalTo(-24);
        make.height().equalTo(44);
    });
}

void KXDeleteGroupView::paintEvent(QPaintEvent*)
{
    style::paintVeil(*this, 0.2);
}

void KXDeleteGroupView::setInfo(const foundation::Ref<foundation::Dictionary>& info)
{
    info_ = info;
    const Id record(info);
    showLabel_->setText(QString::fromStdString(record["title"].stringValue()));
    contentLabel_->setText(QString::fromStdString(record["content"].stringValue()));
}

void KXDeleteGroupView::cancelBtnClick()
{
    kx_removeFromSuperview(this);
}

void KXDeleteGroupView::sureBtnClick()
{
    if (submitting_)
        return;
    submitting_ = true;
    if (info_)
        unfollow();
    else
        deleteFolder();
}

void KXDeleteGroupView::unfollow()
{
    QPointer<KXDeleteGroupView> dialog(this);
    auto close = [dialog] {
        if (dialog)
            kx_removeFromSuperview(dialog);
    };
    const Id collectionID = Id(info_)["id"];
    KXHTTPBUSINESS().isAttentionGroup(
        collectionID, Id("0"),
        [close, collectionID](const Id& reply) {
            close();
            // Told as a collection page's own follow button tells it, so the side table of followed
            // collections and a page showing this collection stop showing it followed.
            if (reply["errcode"].isNil() || reply["errcode"].integerValue() != 0)
                return;
            KXHomeRecomDetailTopCell::postAttentionChange(collectionID, 0);
        },
        // Silent; a lost reply is read back by the facade, and the followed lists show that read.
        [close](const foundation::Ref<foundation::Error>&) { close(); });
}

void KXDeleteGroupView::deleteFolder()
{
    QPointer<KXDeleteGroupView> dialog(this);
    const KXFolderWriteOutcome::Change change{groupID_, {}};
    // The folders read back decide: a folder that is gone ends the dialog as a success does, so
    // a delete that is done is not offered again; otherwise it stays (a failed read leaves the
    // folders stale, read again at the next look). The reload block shows what was read.
    auto readBack = [dialog, change, reload = reloadBlock_] {
        KXFolderWriteOutcome::readBack("135", change, reload, [dialog](KXFolderWriteOutcome::Verdict verdict) {
            if (!dialog)
                return;
            dialog->submitting_ = false;
            if (verdict == KXFolderWriteOutcome::Verdict::Made)
                kx_removeFromSuperview(dialog);
        });
    };
    KXHTTPBUSINESS().DeleteGroupWithGroup_id(
        groupID_,
        [dialog, block = groupBlock_, change, readBack](const Id& reply) {
            if (reply["errcode"].integerValue() != 0) {
                const std::string message = reply["message"].stringValue();
                style::toast(ToastStyle::Success, QString::fromStdString(message));
                if (KXFolderWriteOutcome::refusalSaysMade(change, message, false))
                    readBack();
                else if (dialog)
                    dialog->submitting_ = false;
                return;
            }
            style::toast(ToastStyle::Success, QStringLiteral("删除成功"));
            if (dialog)
                kx_removeFromSuperview(dialog);
            if (block)
                block(foundation::Dictionary::create());
        },
        [dialog, readBack](const foundation::Ref<foundation::Error>& error) {
            if (KXRequestAccount::isEnded(error)) {
                if (dialog)
                    dialog->submitting_ = false;
                return;
            }
            style::toast(ToastStyle::Error, QStringLiteral("网络失败！"));
            // The request may have reached the server before its reply was lost.
            readBack();
        });
}
