#include "Class/Update/KXPersonalAboutUS.h"

#include "Class/Account/KXAccountViews.h"
#include "Class/ImageViews/ImageView.h"
#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/UIKit/KXImage.h"
#include "Class/UIKit/KXRemoveFromSuperview.h"
#include "Class/UIKit/MLHudAlert.h"
#include "Class/Update/Core/KXVersionCheck.h"
#include "Class/Update/KXUPDateAPPView.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"
#include "Platform/DispatchQt/QtGuardedCallback.h"

#include <QLabel>
#include <QPainter>

using layoutwidgets::lcView;

KXPersonalAboutUS::KXPersonalAboutUS(QWidget* parent)
    : KXBaseView(parent)
{
    setUPUI();
}

QWidget* KXPersonalAboutUS::headerBg() const
{
    return headerBg_;
}

QWidget* KXPersonalAboutUS::centerBg() const
{
    return centerBg_;
}

void KXPersonalAboutUS::paintEvent(QPaintEvent* event)
{
    QPainter(this).fillRect(rect(), kxaccount::kPageGrey);
    KXBaseView::paintEvent(event);
}

void KXPersonalAboutUS::setUPUI()
{
    headerBg_ = new KXFilledView(this, kxaccount::kHeaderGrey);
    lc_makeConstraints(lcView(headerBg_), [](LCConstraintMaker& make) {
        make.left().top().right().equalTo(0);
        make.height().equalTo(48);
    });
    auto* title = kxaccount::makeLabel(headerBg_, QStringLiteral("关于我们"), 15, kxaccount::kText, true);
    backButton_ = kxaccount::makeLinkButton(headerBg_, QStringLiteral("‹ 返回"), kxaccount::kAccent, [this](KXBaseButton*) { backClick(); }, 13);
    centerBg_ = new KXFilledView(this, Qt::white, 4, kxaccount::kCardBorder);
    auto* icon = new ImageView(centerBg_);
    icon->setImageScaling(ImageScaling::ProportionallyUpOrDown);
    icon->setImage(KXImage::imageNamed("corvane-fonts"));
    auto* name = kxaccount::makeLabel(centerBg_, QStringLiteral("Corvane Fonts"), 16, kxaccount::kText, true);
    versionLabel_ = kxaccount::makeLabel(centerBg_, QStringLiteral("版本 %1").arg(QString::fromStdString(KXVersionCheck::installedVersion())), 12,
                                         kxaccount::kMutedText);
    checkUpdateBtn_ = new KXFillButton(centerBg_, QStringLiteral("检查更新"), kxaccount::kAccent, Qt::white, 3,
                                       [this](KXBaseButton*) { checkUpdateBtnClick(); });

    lc_makeConstraints(lcView(title), [](LCConstraintMaker& make) { make.center().equalTo(0); });
    lc_makeConstraints(lcView(backButton_), [](LCConstraintMaker& make) {
        make.left().equalTo(12);
        make.centerY().equalTo(0);
        make.height().equalTo(22);
    });
    lc_makeConstraints(lcView(centerBg_), [](LCConstraintMaker& make) {
        make.left().equalTo(15);
        make.right().equalTo(-15);
        make.top().equalTo(63);
        make.height().equalTo(260);
    });
    lc_makeConstraints(lcView(icon), [](LCConstraintMaker& make) {
        make.centerX().equalTo(0);
        make.top().equalTo(30);
        make.width().height().equalTo(64);
    });
    lc_makeConstraints(lcView(name), [](LCConstraintMaker& make) {
        make.centerX().equalTo(0);
        make.top().equalTo(108);
    });
    lc_makeConstraints(lcView(versionLabel_), [](LCConstraintMaker& make) {
        make.centerX().equalTo(0);
        make.top().equalTo(136);
    });
    lc_makeConstraints(lcView(checkUpdateBtn_), [](LCConstraintMaker& make) {
        make.centerX().equalTo(0);
        make.bottom().equalTo(-30);
        make.width().equalTo(140);
        make.height().equalTo(34);
    });
}

QWidget* KXPersonalAboutUS::windowContentView(QWidget* view)
{
    QWidget* content = view;
    while (content && content->parentWidget() && !content->parentWidget()->isWindow())
        content = content->parentWidget();
    return content && content->parentWidget() ? content : view;
}

void KXPersonalAboutUS::checkUpdateBtnClick()
{
    KXVersionCheck::check(KXVersionCheck::Rule::AboutPage, dispatch::guardedQt(this, [](KXPersonalAboutUS& self, const KXVersionCheck::Outcome& outcome) {
        if (!outcome.newer) {
            MLHudAlert::alertWithWindow(self.window(), 0, QString::fromUtf8(kUpToDate));
            return;
        }
        KXUPDateAPPView::showOn(windowContentView(&self), QString::fromStdString(outcome.offer.version),
                                QString::fromStdString(outcome.offer.content), QString::fromStdString(outcome.offer.download));
    }));
}

void KXPersonalAboutUS::backClick()
{
    kx_removeFromSuperview(this);
}
