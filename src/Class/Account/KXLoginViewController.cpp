#include "Class/Account/KXLoginViewController.h"

#include "Class/Account/Core/KXWechatQRPoll.h"
#include "Class/Account/KXAccountViews.h"
#include "Class/Account/KXLoginPhoneMailView.h"
#include "Class/Account/KXLoginQQView.h"
#include "Class/Account/KXLoginWindowController.h"
#include "Class/Account/KXQRCodeView.h"
#include "Class/Account/KXTransientWindow.h"
#include "Class/Account/KXWebPanel.h"
#include "Class/Account/KXWindowGrowth.h"
#include "Class/ImageViews/ILImageConversion.h"
#include "Class/ImageViews/ImageViewWebCache.h"
#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/UIKit/KXImage.h"
#include "Class/UIKit/KXTransientWindows.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"
#include "Platform/Foundation/URL.h"

#include <QHideEvent>
#include <QLabel>
#include <QPointer>

using layoutwidgets::lcView;

// Hands the poll's events to the panel while both live.
class KXLoginViewController::PollDelegate final : public KXWechatQRPollDelegate {
public:
    explicit PollDelegate(KXLoginViewController* panel)
        : panel_(panel)
    {
    }
    void wechatCodeShown(const std::string& url) override
    {
        if (!panel_)
            return;
        panel_->imgView_->setClickArmed(false);
        il_setImageWithURL(panel_->imgView_, foundation::URL::URLWithString(url));
    }
    void wechatCodeTimeOut() override
    {
        if (panel_)
            panel_->wechatCodeTimeOut();
    }
    void wechatSignedIn(const foundation::Id&) override
    {
        if (panel_)
            KXLoginWindowController::orderOutWindowOf(panel_);
    }

private:
    QPointer<KXLoginViewController> panel_;
};

class KXLoginViewController::PhoneMailDelegate final : public KXLoginPhoneMailViewDelegate {
public:
    explicit PhoneMailDelegate(KXLoginViewController* panel)
        : panel_(panel)
    {
    }
    void loginPhoneMailViewReturnedToWechat(KXLoginPhoneMailView*) override
    {
        // The code on show was no longer polled: show a fresh one.
        if (panel_)
            panel_->loadWechatCode();
    }

private:
    QPointer<KXLoginViewController> panel_;
};

KXLoginViewController::KXLoginViewController(QWidget* parent)
    : QWidget(parent)
    , poll_(KXWechatQRPoll::create())
    , pollDelegate_(std::make_shared<PollDelegate>(this))
    , phoneMailDelegate_(std::make_shared<PhoneMailDelegate>(this))
{
    bgView_ = new KXFilledView(this, Qt::white);
    titleLabel_ = kxaccount::makeLabel(this, QStringLiteral("微信扫码登录"), 18, kxaccount::kText, true);
    imgView_ = new KXQRCodeView(this);
    imgView_->setClickHandler([this] { loadWechatCode(); });
    hintLabel_ = kxaccount::makeLabel(this, QStringLiteral("请使用微信扫一扫，在手机上确认登录"), 12, kxaccount::kMutedText);
    phoneLoginButton_ = kxaccount::makeLinkButton(this, QStringLiteral("账号密码登录"), kxaccount::kAccent, [this](KXBaseButton*) { phoneLogin(); });
    qqLoginButton_ = kxaccount::makeLinkButton(this, QStringLiteral("QQ登录"), kxaccount::kAccent, [this](KXBaseButton*) { qqLogin(); });
    if (!KXWebPanel::isAvailable()) {
        qqLoginButton_->setEnabled(false);
        qqLoginButton_->setNormalColor(kxaccount::kMutedText);
        qqLoginButton_->setToolTip(QString::fromUtf8(KXLoginQQView::kUnavailable));
        qqLoginButton_->setToolTipTitle(QString::fromUtf8(KXLoginQQView::kUnavailable));
    }

    lc_makeConstraints(lcView(bgView_), [](LCConstraintMaker& make) { make.edges().equalTo(0); });
    lc_makeConstraints(lcView(titleLabel_), [](LCConstraintMaker& make) {
        make.centerX().equalTo(0);
        make.top().equalTo(44);
    });
    lc_makeConstraints(lcView(imgView_), [](LCConstraintMaker& make) {
        make.centerX().equalTo(0);
        make.top().equalTo(96);
        make.width().height().equalTo(200);
    });
    QWidget* code = imgView_;
    lc_makeConstraints(lcView(hintLabel_), [code](LCConstraintMaker& make) {
        make.centerX().equalTo(0);
        make.top().equalTo(lc_bottom(lcView(code))).offset(16);
    });
    lc_makeConstraints(lcView(phoneLoginButton_), [](LCConstraintMaker& make) {
        make.left().equalTo(64);
        make.bottom().equalTo(-40);
        make.height().equalTo(24);
    });
    lc_makeConstraints(lcView(qqLoginButton_), [](LCConstraintMaker& make) {
        make.right().equalTo(-64);
        make.bottom().equalTo(-40);
        make.height().equalTo(24);
    });

    poll_->setDelegate(pollDelegate_);
    loadWechatCode();
}

KXLoginViewController::~KXLoginViewController()
{
    poll_->stop();
}

void KXLoginViewController::loadWechatCode()
{
    imgView_->setClickArmed(false);
    poll_->loadWechatCode();
}

void KXLoginViewController::wechatCodeTimeOut()
{
    imgView_->setClickArmed(true);
    // A nil address cancels a load still under way and shows the placeholder: the timed-out image.
    il_setImageWithURL(imgView_, nullptr, il_imageFromKXImage(KXImage::imageNamed("wechatCodeTimeOut")));
}

void KXLoginViewController::phoneLogin()
{
    poll_->stop();
    imgView_->setClickArmed(false);
    auto* panel = new KXLoginPhoneMailView(rect(), this);
    panel->setDelegate(phoneMailDelegate_);
    lc_makeConstraints(lcView(panel), [](LCConstraintMaker& make) { make.edges().equalTo(0); });
    panel->show();
    panel->raise();
}

void KXLoginViewController::qqLogin()
{
    if (!KXWebPanel::isAvailable())
        return;
    poll_->stop();
    imgView_->setClickArmed(false);
    QPointer<QWidget> window = this->window();
    switchToQQ(this, [window] {
        if (auto* transient = qobject_cast<KXTransientWindow*>(window.data()))
            kx_centreWindow(transient);
    });
}

KXLoginQQView* KXLoginViewController::switchToQQ(QWidget* host, std::function<void()> completion)
{
    QWidget* window = host->window();
    const QRect frame = window->geometry();
    auto* panel = new KXLoginQQView(host);
    lc_makeConstraints(lcView(panel), [](LCConstraintMaker& make) {
        make.left().top().equalTo(0);
        make.width().equalTo(kQQWidth);
        make.height().equalTo(kQQHeight);
    });
    panel->show();
    panel->raise();
    // The login window grows to the QQ form, as far as the screen allows; the rest scrolls. It
    // moves right as it grows, no further than the screen's edge: a window near that edge, or
    // one the screen's width, moves back to stay whole on the screen.
    const QSize designed(kQQWidth, kQQHeight);
    if (auto* transient = qobject_cast<KXTransientWindow*>(window))
        transient->setDesignedSize(designed);
    const QRect grown = kx_keptOnScreen(window, QRect(frame.topLeft() + QPoint(60, 0), kx_fittedSize(window, designed)));
    kx_growWindow(window, grown, kQQGrowthSeconds, std::move(completion));
    return panel;
}

void KXLoginViewController::hideEvent(QHideEvent* event)
{
    // The window closed (or the panel went away): the code is no longer polled. A minimised
    // window hides spontaneously and keeps polling.
    if (!event->spontaneous())
        poll_->stop();
    QWidget::hideEvent(event);
}
