#include "Class/Favourites/KXFontGroupCreate.h"

#include "Class/Favourites/Core/KXFolderWriteOutcome.h"

#include "Class/Favourites/Core/KXFolderNameRule.h"
#include "Class/Favourites/KXFavouritesStyle.h"
#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/ServiceCore/Transport/KXHTTPBUSINESS.h"
#include "Class/ServiceCore/Transport/KXRequestAccount.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Class/UIKit/KXOverlayKeys.h"
#include "Class/UIKit/KXRemoveFromSuperview.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"
#include "Platform/Foundation/String.h"

#include <QLabel>
#include <QLineEdit>
#include <QShowEvent>

using foundation::Id;
using layoutwidgets::lcView;
namespace style = favouritesstyle;

KXFontGroupCreate::KXFontGroupCreate(QWidget* parent)
    : KXBaseView(parent)
{
    setUPUI();
}

KXFontGroupCreate::~KXFontGroupCreate() = default;

void KXFontGroupCreate::setUPUI()
{
    KXGlobalDataBase::sharedKXGlobalDataBase().setCurrentModule(foundation::String::create("添加/取消收藏错误"));
    centerBgView_ = new style::Panel(this, Qt::white, 4, style::Shadow{QPointF(1, 1), 5, QColor(0, 0, 0, 80)});
    titleLabel_ = style::label(QStringLiteral("新建分组"), 15, QColor(51, 51, 51), centerBgView_);
    titleLabel_->setAlignment(Qt::AlignCenter);
    showTF_ = new QLineEdit(centerBgView_);
    showTF_->setPlaceholderText(QStringLiteral("请输入分组名称"));
    showTF_->setStyleSheet(QStringLiteral("QLineEdit { border: 1px solid #DDDDDD; border-radius: 2px; padding: 0 6px;"
                                          " background: white; color: #333333; }"));
    connect(showTF_, &QLineEdit::returnPressed, this, [this] { creatGroup(); });
    cancelBtn_ = style::textButton(QStringLiteral("取消"), QColor(221, 221, 221), centerBgView_);
    cancelBtn_->setAction([this](KXBaseButton*) { cancelClick(); });
    sureBtn_ = style::textButton(QStringLiteral("确定"), QColor(151, 125, 98), centerBgView_);
    sureBtn_->setAction([this](KXBaseButton*) { sureClick(); });
    kx_setOverlayKeys(this, cancelBtn_);

    style::layoutDialogCard(centerBgView_, titleLabel_, cancelBtn_, sureBtn_);
    lc_makeConstraints(lcView(showTF_), [](LCConstraintMaker& make) {
        make.top().equalTo(60);
        make.left().equalTo(24);
        make.right().equalTo(-24);
        make.height().equalTo(32);
    });
}

void KXFontGroupCreate::showEvent(QShowEvent* event)
{
    KXBaseView::showEvent(event);
    // Focus given before the dialog sits in its window would stay behind with the parentless
    // widget; once shown, the keys go to the name field.
    if (!event->spontaneous())
        showTF_->setFocus(Qt::OtherFocusReason);
}

void KXFontGroupCreate::paintEvent(QPaintEvent*)
{
    style::paintVeil(*this, 0.2);
}

void KXFontGroupCreate::setTitle(const QString& title)
{
    title_ = title;
    showTF_->setText(title);
    titleLabel_->setText(QStringLiteral("分组重命名"));
}

bool KXFontGroupCreate::isRenaming() const
{
    return groupid_.integerValue() > 0;
}

void KXFontGroupCreate::cancelClick()
{
    kx_removeFromSuperview(this);
}

void KXFontGroupCreate::sureClick()
{
    creatGroup();
}

void KXFontGroupCreate::creatGroup()
{
    if (submitting_)
        return;
    const QString name = showTF_->text();
    const auto verdict = KXFolderNameRule::check(name);
    if (verdict != KXFolderNameRule::Verdict::Accepted) {
        style::toast(ToastStyle::Warning, KXFolderNameRule::message(verdict));
        return;
    }
    submitting_ = true;
    const bool renaming = isRenaming();
    const Id sent(name.toStdString());
    QPointer<KXFontGroupCreate> dialog(this);
    const KXFolderWriteOutcome::Change change{renaming ? Id(groupid_.integerValue()) : Id(), sent.stringValue()};
    const bool sameNameWasLost = lostName_ == name;
    // The folders read back decide: a change they show ends the dialog as a success does (it is
    // not offered again); otherwise, or when the read fails, the dialog stays with the name. Until
    // the read ends the dialog stays busy: a press then could make the folder a second time.
    auto readBack = [dialog, change, renaming, reload = reloadBlock_] {
        KXFolderWriteOutcome::readBack(renaming ? "134" : "133", change, reload, [dialog](KXFolderWriteOutcome::Verdict outcome) {
            if (!dialog)
                return;
            dialog->submitting_ = false;
            if (outcome == KXFolderWriteOutcome::Verdict::Made)
                kx_removeFromSuperview(dialog);
        });
    };
    // The block is copied: it runs for a confirmed folder even when the dialog is gone.
    auto success = [dialog, renaming, sent, block = groupBlock_, change, sameNameWasLost, readBack](const Id& reply) {
        if (reply["errcode"].integerValue() != 0) {
            const std::string message = reply["message"].stringValue();
            style::toast(ToastStyle::Success, QString::fromStdString(message));
            if (KXFolderWriteOutcome::refusalSaysMade(change, message, sameNameWasLost))
                readBack();
            else if (dialog)
                dialog->submitting_ = false;
            return;
        }
        style::toast(ToastStyle::Success, renaming ? QStringLiteral("修改成功！") : QStringLiteral("创建成功！"));
        auto result = foundation::MutableDictionary::create();
        if (const Id id = reply["corvane_data"]["id"]; !renaming && id)
            result->setObject(id, Id("id"));
        result->setObject(sent, Id("collect_name"));
        if (dialog)
            kx_removeFromSuperview(dialog);
        if (block)
            block(result);
    };
    auto failure = [dialog, name, readBack](const foundation::Ref<foundation::Error>& error) {
        // The account that asked has signed out: the next user is told nothing of it.
        if (KXRequestAccount::isEnded(error)) {
            if (dialog)
                dialog->submitting_ = false;
            return;
        }
        if (dialog)
            dialog->lostName_ = name;
        style::toast(ToastStyle::Error, QStringLiteral("网络失败！"));
        // The request may have reached the server before its reply was lost.
        readBack();
    };
    if (renaming) {
        KXHTTPBUSINESS().RenameGroupWithName(sent, Id(groupid_.integerValue()), std::move(success), std::move(failure));
        return;
    }
    // An earlier create of this name may have been made without its reply saying so (lost, or
    // still on its way when the client ended): the folders read first decide whether to send.
    const bool readingFirst = KXFolderWriteOutcome::readFirst(
        "133", sent.stringValue(),
        [change](const KXAccountWrites::Result& read) { return KXFolderWriteOutcome::judge(change, read); },
        [dialog, sent, success, failure, reload = reloadBlock_](KXFolderWriteOutcome::Verdict found) {
            switch (found) {
            case KXFolderWriteOutcome::Verdict::NotMade:
                KXHTTPBUSINESS().CreateGroupWithName(sent, success, failure);
                return;
            case KXFolderWriteOutcome::Verdict::Made: {
                const auto folders = KXFolderSession::folders();
                if (reload)
                    reload(folders);
                // As its reply would have said, with the folder the read shows.
                auto reply = foundation::MutableDictionary::create();
                auto data = foundation::MutableDictionary::create();
                for (const Id& folder : *folders)
                    if (folder["collect_name"].stringValue() == sent.stringValue())
                        data->setObject(folder["id"], Id("id"));
                reply->setObject(Id(0), Id("errcode"));
                reply->setObject(Id(data), Id("corvane_data"));
                success(Id(reply));
                return;
            }
            case KXFolderWriteOutcome::Verdict::Unread:
                style::toast(ToastStyle::Error, QStringLiteral("网络失败！"));
                if (dialog)
                    dialog->submitting_ = false;
                return;
            }
        });
    if (!readingFirst)
        KXHTTPBUSINESS().CreateGroupWithName(sent, std::move(success), std::move(failure));
}
