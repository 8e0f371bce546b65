#include "Class/Account/KXLoginPhoneMailView.h"

#include "Class/Account/Core/KXAccountChecks.h"
#include "Class/Account/Core/KXRememberedAccount.h"
#include "Class/Account/Core/KXSignInEvents.h"
#include "Class/Account/KXAccountViews.h"
#include "Class/Account/KXLoginQQView.h"
#include "Class/Account/KXLoginRegisterView.h"
#include "Class/Account/KXLoginViewController.h"
#include "Class/Account/KXLoginWindowController.h"
#include "Class/Account/KXWebPanel.h"
#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"
#include "Class/ServiceCore/Transport/KXHTTPBUSINESS.h"
#include "Class/UIKit/KXOpenFailedAlert.h"
#include "Class/UIKit/KXOverlayKeys.h"
#include "Class/UIKit/KXRemoveFromSuperview.h"
#include "Class/UIKit/MLHudAlert.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"
#include "Platform/DispatchQt/QtGuardedCallback.h"
#include "Platform/Foundation/String.h"
#include "Platform/Storage/UserDefaults.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QShowEvent>

#include <utility>

using foundation::Id;
using layoutwidgets::lcView;

KXLoginPhoneMailView::KXLoginPhoneMailView(const QRect& frame, QWidget* parent)
    : QWidget(parent)
    , remembered_(std::make_unique<KXRememberedAccount>())
{
    if (frame.isValid())
        setGeometry(frame);
    setUPUI();
}

KXLoginPhoneMailView::~KXLoginPhoneMailView() = default;

void KXLoginPhoneMailView::setUPUI()
{
    auto* background = new KXFilledView(this, Qt::white);
    lc_makeConstraints(lcView(background), [](LCConstraintMaker& make) { make.edges().equalTo(0); });
    auto* title = kxaccount::makeLabel(this, QStringLiteral("账号密码登录"), 18, kxaccount::kText, true);
    phoneNum_ = kxaccount::makeField(this, QStringLiteral("手机号 / 账号"));
    pwdTF_ = kxaccount::makeField(this, QStringLiteral("密码"), true);
    rememberBtn_ = kxaccount::makeCheckBox(this, QStringLiteral("记住密码"));
    autoLoginBtn_ = kxaccount::makeCheckBox(this, QStringLiteral("自动登录"));
    autoLoginBtn_->setChecked(KXUserCenterConfig::sharedKXUserCenterConfig().isAutologin());
    forgetPwdBtn_ = kxaccount::makeLinkButton(this, QStringLiteral("忘记密码？"), kxaccount::kMutedText, [this](KXBaseButton*) { forgetPwd(); });
    loginBtn_ = new KXFillButton(this, QStringLiteral("登录"), kxaccount::kAccent, Qt::white, 3, [this](KXBaseButton*) { login(); });
    wechatBtn_ = kxaccount::makeLinkButton(this, QStringLiteral("微信登录"), kxaccount::kAccent, [this](KXBaseButton*) { wechatClick(); });
    qqBtn_ = kxaccount::makeLinkButton(this, QStringLiteral("QQ登录"), kxaccount::kAccent, [this](KXBaseButton*) { qq(); });
    registerBtn_ = kxaccount::makeLinkButton(this, QStringLiteral("注册账号"), kxaccount::kAccent, [this](KXBaseButton*) { registerC(); });
    if (!KXWebPanel::isAvailable()) {
        qqBtn_->setEnabled(false);
        qqBtn_->setNormalColor(kxaccount::kMutedText);
        qqBtn_->setToolTip(QString::fromUtf8(KXLoginQQView::kUnavailable));
        qqBtn_->setToolTipTitle(QString::fromUtf8(KXLoginQQView::kUnavailable));
    }

    lc_makeConstraints(lcView(title), [](LCConstraintMaker& make) {
        make.centerX().equalTo(0);
        make.top().equalTo(44);
    });
    const auto row = [](QWidget* view, double top, double height) {
        lc_makeConstraints(lcView(view), [top, height](LCConstraintMaker& make) {
            make.left().equalTo(40);
            make.right().equalTo(-40);
            make.top().equalTo(top);
            make.height().equalTo(height);
        });
    };
    row(phoneNum_, 104, 40);
    row(pwdTF_, 160, 40);
    lc_makeConstraints(lcView(rememberBtn_), [](LCConstraintMaker& make) {
        make.left().equalTo(40);
        make.top().equalTo(216);
    });
    lc_makeConstraints(lcView(autoLoginBtn_), [](LCConstraintMaker& make) {
        make.left().equalTo(136);
        make.top().equalTo(216);
    });
    lc_makeConstraints(lcView(forgetPwdBtn_), [](LCConstraintMaker& make) {
        make.right().equalTo(-40);
        make.top().equalTo(214);
        make.height().equalTo(22);
    });
    row(loginBtn_, 260, 40);
    lc_makeConstraints(lcView(wechatBtn_), [](LCConstraintMaker& make) {
        make.left().equalTo(48);
        make.bottom().equalTo(-40);
        make.height().equalTo(24);
    });
    lc_makeConstraints(lcView(qqBtn_), [](LCConstraintMaker& make) {
        make.centerX().equalTo(0);
        make.bottom().equalTo(-40);
        make.height().equalTo(24);
    });
    lc_makeConstraints(lcView(registerBtn_), [](LCConstraintMaker& make) {
        make.right().equalTo(-48);
        make.bottom().equalTo(-40);
        make.height().equalTo(24);
    });

    setTabOrder(phoneNum_, pwdTF_);
    phoneNum_->installEventFilter(this);
    connect(rememberBtn_, &QCheckBox::clicked, this, [this] { rememberBtnClick(); });
    connect(autoLoginBtn_, &QCheckBox::clicked, this, [this] { autoLoginBtnClick(); });

    if (const auto account = KXRememberedAccount::storedAccount()) {
        phoneNum_->setText(QString::fromStdString(*account));
        rememberBtn_->setChecked(true);
    }
    remembered_->load(dispatch::guardedQt(this, [](KXLoginPhoneMailView& self, const std::string&, const std::optional<std::string>& password) {
        // The user may have typed meanwhile: a password from the keyring only fills an empty field.
        if (password && self.pwdTF_->text().isEmpty())
            self.pwdTF_->setText(QString::fromStdString(*password));
    }));
}

bool KXLoginPhoneMailView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == phoneNum_ && event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Tab) {
        pwdTF_->setFocus(Qt::TabFocusReason);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void KXLoginPhoneMailView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Keys typed right after choosing this way of signing in belong in the account field. Given
    // once the panel is shown, so that the focus lands in the window the panel sits in.
    if (!event->spontaneous())
        phoneNum_->setFocus(Qt::OtherFocusReason);
}

void KXLoginPhoneMailView::keyPressEvent(QKeyEvent* event)
{
    // Login is the panel's default button: Return from any of its controls (the fields pass it
    // on, the check boxes ignore it) signs in.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        login();
        return;
    }
    QWidget::keyPressEvent(event);
}

void KXLoginPhoneMailView::login()
{
    if (loginInFlight_)
        return;
    const std::string account = phoneNum_->text().toStdString();
    const std::string password = pwdTF_->text().toStdString();
    if (const auto problem = KXAccountChecks::loginProblem(account, password)) {
        MLHudAlert::alertWithWindow(window(), 1, QString::fromStdString(*problem));
        return;
    }
    KXSignInEvents::postLoginStarting();
    if (rememberBtn_->isChecked()) {
        passwordNotKept_ = false;
        QWidget* opener = window()->parentWidget() ? window()->parentWidget()->window() : nullptr;
        remembered_->remember(account, password, [panel = QPointer<KXLoginPhoneMailView>(this), opener = QPointer<QWidget>(opener)](bool kept) {
            if (kept)
                return;
            // Said when the sign-in ends: its success closes this window, and a refusal says
            // something else (the next attempt tells again).
            if (panel && panel->loginInFlight_) {
                panel->passwordNotKept_ = true;
                return;
            }
            QWidget* over = panel && panel->window()->isVisible() ? panel->window() : opener.data();
            MLHudAlert::alertWithWindow(over, 1, QString::fromUtf8(kPasswordNotKept));
        });
    } else {
        remembered_->forget();
    }
    loginInFlight_ = true;
    loginBtn_->setEnabled(false);
    const KXSignInEvents::Attempt attempt = KXSignInEvents::startAttempt();
    KXHTTPBUSINESS().LoginWithName(Id(account), Id(password),
                                   dispatch::guardedQt(this, [attempt](KXLoginPhoneMailView& self, const Id& reply) {
                                       self.loginInFlight_ = false;
                                       self.loginBtn_->setEnabled(true);
                                       const bool notKept = std::exchange(self.passwordNotKept_, false);
                                       if (reply["errcode"].isNil() || reply["errcode"].integerValue() != 0)
                                           return;
                                       // The window the sign-in window was opened over stays.
                                       QWidget* form = self.window();
                                       QPointer<QWidget> opener = form->parentWidget() ? form->parentWidget()->window() : nullptr;
                                       // Someone signed in meanwhile: that account stays, and this ends unsaid.
                                       if (!KXSignInEvents::postLoginMessage(reply["corvane_data"], attempt))
                                           return;
                                       KXLoginWindowController::orderOutWindowOf(&self);
                                       if (notKept)
                                           MLHudAlert::alertWithWindow(opener, 1, QString::fromUtf8(kPasswordNotKept));
                                   }),
                                   dispatch::guardedQt(this, [](KXLoginPhoneMailView& self, const foundation::Ref<foundation::Error>&) {
                                       self.loginInFlight_ = false;
                                       self.loginBtn_->setEnabled(true);
                                       self.passwordNotKept_ = false;
                                   }));
}

void KXLoginPhoneMailView::wechatClick()
{
    auto delegate = delegate_.lock();
    kx_removeFromSuperview(this);
    if (delegate)
        delegate->loginPhoneMailViewReturnedToWechat(this);
}

void KXLoginPhoneMailView::qq()
{
    if (!KXWebPanel::isAvailable() || switchingToQQ_ || !parentWidget())
        return;
    switchingToQQ_ = true;
    // The QQ panel goes over this panel's superview; this panel leaves once the window has grown.
    KXLoginViewController::switchToQQ(parentWidget(), dispatch::guardedQt(this, [](KXLoginPhoneMailView& self) { kx_removeFromSuperview(&self); }));
}

void KXLoginPhoneMailView::registerC()
{
    auto* panel = new KXLoginRegisterView(rect(), this);
    lc_makeConstraints(lcView(panel), [](LCConstraintMaker& make) { make.edges().equalTo(0); });
    // The registration panel leaves without this panel being shown again: the keys it held come
    // back to the account field.
    kx_giveKeysBackTo(panel, phoneNum_);
    panel->show();
    panel->raise();
}

void KXLoginPhoneMailView::forgetPwd()
{
    const std::string address = Id(foundation::UserDefaults::standardUserDefaults().stringForKey("forget_pwd")).stringValue();
    if (!address.empty())
        KXOpenFailedAlert::openURL(this, address);
}

void KXLoginPhoneMailView::rememberBtnClick()
{
    KXUserCenterConfig::sharedKXUserCenterConfig().setIsRemPwd(rememberBtn_->isChecked());
}

void KXLoginPhoneMailView::autoLoginBtnClick()
{
    const bool on = autoLoginBtn_->isChecked();
    KXUserCenterConfig::sharedKXUserCenterConfig().setIsAutologin(on);
    if (on)
        rememberBtn_->setChecked(true);
}
