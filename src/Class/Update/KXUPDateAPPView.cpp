#include "Class/Update/KXUPDateAPPView.h"

#include "Class/Account/KXAccountViews.h"
#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/UIKit/KXLabelText.h"
#include "Class/UIKit/KXOverlayKeys.h"
#include "Class/UIKit/KXRemoveFromSuperview.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/Foundation/String.h"

#include <QLabel>
#include <QPlainTextEdit>

using layoutwidgets::lcView;

KXUPDateAPPView::KXUPDateAPPView(QWidget* parent)
    : KXVeilView(parent)
{
    setUPUI();
}

QWidget* KXUPDateAPPView::centerBg() const
{
    return centerBg_;
}

void KXUPDateAPPView::setUPUI()
{
    centerBg_ = new KXFilledView(this, Qt::white, 4);
    lc_makeConstraints(lcView(centerBg_), [](LCConstraintMaker& make) {
        make.center().equalTo(0);
        make.width().equalTo(360);
        make.height().equalTo(330);
    });
    auto* title = kxaccount::makeLabel(centerBg_, QStringLiteral("发现新版本"), 18, kxaccount::kText, true);
    versionLabel_ = kxaccount::makeLabel(centerBg_, QString(), 13, kxaccount::kAccent);
    textInfoView_ = new QPlainTextEdit(centerBg_);
    textInfoView_->setReadOnly(true);
    textInfoView_->setFrameShape(QFrame::NoFrame);
    textInfoView_->setFont(kxaccount::systemFont(14));
    textInfoView_->setStyleSheet(QStringLiteral("QPlainTextEdit { background: white; color: rgb(110, 110, 110); }"));
    updateBtn_ = new KXFillButton(centerBg_, QStringLiteral("立即更新"), kxaccount::kAccent, Qt::white, 3, [this](KXBaseButton*) { updateClick(); });
    nextRemind_ = new KXFillButton(centerBg_, QStringLiteral("下次提醒"), QColor(239, 239, 239), kxaccount::kText, 3,
                                   [this](KXBaseButton*) { nextRemindClick(); });
    closeBtn_ = kxaccount::makeLinkButton(centerBg_, QStringLiteral("✕"), kxaccount::kMutedText, [this](KXBaseButton*) { closeBtnClick(); }, 14);
    kx_setOverlayKeys(this, closeBtn_);

    lc_makeConstraints(lcView(title), [](LCConstraintMaker& make) {
        make.left().equalTo(24);
        make.top().equalTo(22);
    });
    QWidget* heading = title;
    lc_makeConstraints(lcView(versionLabel_), [heading](LCConstraintMaker& make) {
        make.left().equalTo(lc_right(lcView(heading))).offset(10);
        make.bottom().equalTo(lc_bottom(lcView(heading)));
    });
    lc_makeConstraints(lcView(textInfoView_), [](LCConstraintMaker& make) {
        make.left().equalTo(20);
        make.right().equalTo(-20);
        make.top().equalTo(62);
        make.bottom().equalTo(-72);
    });
    QWidget* card = centerBg_;
    lc_makeConstraints(lcView(nextRemind_), [card](LCConstraintMaker& make) {
        make.right().equalTo(lc_centerX(lcView(card))).offset(-8);
        make.bottom().equalTo(-22);
        make.width().equalTo(120);
        make.height().equalTo(34);
    });
    lc_makeConstraints(lcView(updateBtn_), [card](LCConstraintMaker& make) {
        make.left().equalTo(lc_centerX(lcView(card))).offset(8);
        make.bottom().equalTo(-22);
        make.width().equalTo(120);
        make.height().equalTo(34);
    });
    lc_makeConstraints(lcView(closeBtn_), [](LCConstraintMaker& make) {
        make.right().equalTo(-10);
        make.top().equalTo(8);
        make.width().height().equalTo(22);
    });
}

void KXUPDateAPPView::setVersion(const QString& version)
{
    version_ = version;
}

void KXUPDateAPPView::setContent(const QString& content)
{
    // Notes longer than a reader reads are cut: the view lays out and keeps only what it shows.
    content_ = kx_textWithin(content, kReleaseNotesBytes);
    versionLabel_->setText(version_);
    textInfoView_->setPlainText(content_);
}

KXUPDateAPPView* KXUPDateAPPView::promptOn(QWidget* host)
{
    if (!host)
        return nullptr;
    for (QObject* child : host->children()) {
        auto* prompt = qobject_cast<KXUPDateAPPView*>(child);
        if (prompt && !prompt->isHidden())
            return prompt;
    }
    return nullptr;
}

KXUPDateAPPView* KXUPDateAPPView::showOn(QWidget* host, const QString& version, const QString& content, const QString& download)
{
    KXUPDateAPPView* prompt = promptOn(host);
    if (!prompt) {
        prompt = new KXUPDateAPPView(host);
        lc_makeConstraints(lcView(prompt), [](LCConstraintMaker& make) { make.edges().equalTo(0); });
    }
    prompt->setVersion(version);
    prompt->setContent(content);
    KXGlobalDataBase::sharedKXGlobalDataBase().setDownLoadUrl(foundation::String::create(download.toStdString()));
    prompt->show();
    prompt->raise();
    return prompt;
}

void KXUPDateAPPView::updateClick()
{
    dispatch::NotificationCenter::defaultCenter().post(kUpdateNotification);
    kx_removeFromSuperview(this);
}

void KXUPDateAPPView::closeBtnClick()
{
    kx_removeFromSuperview(this);
}

void KXUPDateAPPView::nextRemindClick()
{
    kx_removeFromSuperview(this);
}
