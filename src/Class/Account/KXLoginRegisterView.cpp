#include "Class/Account/KXLoginRegisterView.h"

#include "Class/Account/Core/KXAccountChecks.h"
#include "Class/Account/Core/KXSignInEvents.h"
#include "Class/Account/KXAccountViews.h"
#include "Class/Account/KXLoginWindowController.h"
#include "Class/Account/KXRegisterAgreementWC.h"
#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/ServiceCore/Transport/KXAccountWrites.h"
#include "Class/ServiceCore/Transport/KXHTTPBUSINESS.h"
#include "Class/ServiceCore/Transport/KXHTTPREQUEST.h"
#include "Class/UIKit/KXRemoveFromSuperview.h"
#include "Class/UIKit/MLHudAlert.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"
#include "Platform/Dispatch/Clock.h"
#include "Platform/Dispatch/Queue.h"
#include "Platform/DispatchQt/QtGuardedCallback.h"
#include "Platform/Foundation/String.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QShowEvent>

using foundation::Id;
using layoutwidgets::lcView;

namespace {

bool succeeded(const Id& reply)
{
    return !reply["errcode"].isNil() && reply["errcode"].integerValue() == 0;
}

} // namespace

KXLoginRegisterView::KXLoginRegisterView(const QRect& frame, QWidget* parent)
    : KXBaseView(parent)
{
    if (frame.isValid())
        setGeometry(frame);
    setUPUI();
}

KXLoginRegisterView::~KXLoginRegisterView() = default;

void KXLoginRegisterView::setUPUI()
{
    auto* background = new KXFilledView(this, Qt::white);
    lc_makeConstraints(lcView(background), [](LCConstraintMaker& make) { make.edges().equalTo(0); });
    auto* title = kxaccount::makeLabel(this, QStringLiteral("手机号注册"), 18, kxaccount::kText, true);
    phoneTF_ = kxaccount::makeField(this, QStringLiteral("手机号"));
    verificationCodeLabel_ = kxaccount::makeField(this, QStringLiteral("短信验证码"));
    verificationBtn_ = new KXFillButton(this, QStringLiteral("获取验证码"), QColor(239, 239, 239), kxaccount::kText, 3,
                                        [this](KXBaseButton*) { sendPhoneCode(); });
    verificationBtn_->setNormalFont(kxaccount::systemFont(13));
    verificationBtn_->setNormalColor(kxaccount::kText);
    verificationBtn_->setKXBaseButtonAlignment(2);
    pwdTF_ = kxaccount::makeField(this, QString(), true);
    pwdTF_->setStyleSheet(pwdTF_->styleSheet() + QStringLiteral("QLineEdit { background: transparent; }"));
    pwdbgLabel_ = kxaccount::makeLabel(this, QStringLiteral("设置密码（6-20位字符，区分大小写）"), 14, kxaccount::kMutedText);
    pwdbgLabel_->setAttribute(Qt::WA_TransparentForMouseEvents);
    agreementCheckBtn_ = kxaccount::makeCheckBox(this, QStringLiteral("我已阅读并同意"));
    agreementBtn_ = kxaccount::makeLinkButton(this, QStringLiteral("《用户注册协议》"), kxaccount::kAccent, [this](KXBaseButton*) {
        agreementBtnClick();
    });
    registerBtn_ = new KXFillButton(this, QStringLiteral("注册"), kxaccount::kAccent, Qt::white, 3, [this](KXBaseButton*) { registerBtnClick(); });
    loginBtn_ = kxaccount::makeLinkButton(this, QStringLiteral("已有账号，返回登录"), kxaccount::kAccent, [this](KXBaseButton*) { loginBtnClick(); });
    codeCountDown_ = std::make_unique<KXButtonCountDown>(verificationBtn_, QStringLiteral("%.2zd秒后重新发送"));

    lc_makeConstraints(lcView(title), [](LCConstraintMaker& make) {
        make.centerX().equalTo(0);
        make.top().equalTo(44);
    });
    const auto row = [](QWidget* view, double top, double right) {
        lc_makeConstraints(lcView(view), [top, right](LCConstraintMaker& make) {
            make.left().equalTo(40);
            make.right().equalTo(right);
            make.top().equalTo(top);
            make.height().equalTo(40);
        });
    };
    row(phoneTF_, 100, -40);
    row(verificationCodeLabel_, 152, -158);
    lc_makeConstraints(lcView(verificationBtn_), [](LCConstraintMaker& make) {
        make.right().equalTo(-40);
        make.top().equalTo(152);
        make.width().equalTo(110);
        make.height().equalTo(40);
    });
    row(pwdTF_, 204, -40);
    QWidget* password = pwdTF_;
    lc_makeConstraints(lcView(pwdbgLabel_), [password](LCConstraintMaker& make) {
        make.left().equalTo(lc_left(lcView(password))).offset(10);
        make.centerY().equalTo(lcView(password));
    });
    lc_makeConstraints(lcView(agreementCheckBtn_), [](LCConstraintMaker& make) {
        make.left().equalTo(40);
        make.top().equalTo(258);
    });
    QWidget* box = agreementCheckBtn_;
    lc_makeConstraints(lcView(agreementBtn_), [box](LCConstraintMaker& make) {
        make.left().equalTo(lc_right(lcView(box))).offset(2);
        make.centerY().equalTo(lcView(box));
        make.height().equalTo(22);
    });
    row(registerBtn_, 296, -40);
    lc_makeConstraints(lcView(loginBtn_), [](LCConstraintMaker& make) {
        make.centerX().equalTo(0);
        make.bottom().equalTo(-40);
        make.height().equalTo(24);
    });

    pwdTF_->raise();
    pwdbgLabel_->raise();
    connect(pwdTF_, &QLineEdit::textChanged, this, [this](const QString& text) { pwdbgLabel_->setVisible(text.isEmpty()); });
}

void KXLoginRegisterView::showEvent(QShowEvent* event)
{
    KXBaseView::showEvent(event);
    if (!event->spontaneous())
        phoneTF_->setFocus(Qt::OtherFocusReason);
}

void KXLoginRegisterView::keyPressEvent(QKeyEvent* event)
{
    event->accept();
}

void KXLoginRegisterView::startWithTime(long long time, const QString&, const QString& countDownTitle, const QColor&, const QColor&)
{
    codeCountDown_->start(time, countDownTitle);
}

void KXLoginRegisterView::sendPhoneCode()
{
    if (codeInFlight_)
        return;
    const std::string phone = phoneTF_->text().toStdString();
    if (const auto problem = KXAccountChecks::codeRequestProblem(phone)) {
        MLHudAlert::alertWithWindow(window(), 1, QString::fromStdString(*problem));
        return;
    }
    codeInFlight_ = true;
    KXHTTPBUSINESS().GetPhoneCodeWithPhone(Id(phone),
                                           dispatch::guardedQt(this, [](KXLoginRegisterView& self, const Id& reply) {
                                               self.codeInFlight_ = false;
                                               if (succeeded(reply))
                                                   self.startWithTime(kCodeSeconds, QString(), QStringLiteral("重新发送"), QColor(), QColor());
                                           }),
                                           dispatch::guardedQt(this, [](KXLoginRegisterView& self, const foundation::Ref<foundation::Error>&) {
                                               self.codeInFlight_ = false;
                                           }));
}

void KXLoginRegisterView::registerBtnClick()
{
    if (showsRegistrationProblem())
        return;
    agreementBtnClick();
    MLHudAlert::alertWithWindow(window(), 1, QStringLiteral("请阅读并同意注册协议"));
}

bool KXLoginRegisterView::showsRegistrationProblem()
{
    const auto problem = KXAccountChecks::registrationProblem(phoneTF_->text().toStdString(), verificationCodeLabel_->text().toStdString(),
                                                              pwdTF_->text().toStdString());
    if (problem)
        MLHudAlert::alertWithWindow(window(), 1, QString::fromStdString(*problem));
    return problem.has_value();
}

void KXLoginRegisterView::agreementBtnClick()
{
    // The agreement window is transient for the login window, so it stays above it.
    if (!registerWc_) {
        registerWc_ = std::make_unique<KXRegisterAgreementWC>(QStringLiteral("KXRegisterAgreementWC"), window());
        // Only this panel's own window answers it.
        agreementObservation_ = registerWc_->observeAnswers(
            dispatch::guardedQt(this, [](KXLoginRegisterView& self, bool agreed) { self.agreementCheck(agreed); }));
    }
    registerWc_->showCentred();
}

void KXLoginRegisterView::agreementCheck(bool agreed)
{
    agreementCheckBtn_->setChecked(agreed);
    if (!agreed || !isVisible())
        return;
    // The agreement may have been read from its link before the form was filled in: the same
    // checks as the 注册 button's, or nothing is sent.
    if (showsRegistrationProblem())
        return;
    sendRegistration();
}

void KXLoginRegisterView::sendRegistration()
{
    if (registrationInFlight_)
        return;
    // A registration whose reply never came may have made the account: a second one would be
    // refused for it, so the first is read back before anything is sent again.
    if (registrationUnknown_) {
        readBackRegistration(ReadBack::Press);
        return;
    }
    postRegistration(phoneTF_->text().toStdString(), verificationCodeLabel_->text().toStdString(),
        pwdTF_->text().toStdString());
}

void KXLoginRegisterView::postRegistration(
    const std::string& phone, const std::string& code, const std::string& password)
{
    registrationInFlight_ = true;
    const KXSignInEvents::Attempt attempt = KXSignInEvents::startAttempt();
    KXHTTPBUSINESS().refusalsShownByCaller().RegisterWithPhone(Id(phone), Id(code), Id(password),
        dispatch::guardedQt(this,
            [attempt, phone, password](KXLoginRegisterView& self, const Id& reply) {
                self.registrationInFlight_ = false;
                if (!succeeded(reply)) {
                    // After a registration of unknown outcome a refusal (its code used, its phone
                    // taken) may be that registration's doing: it is read back before anything is said.
                    if (self.hadUnknownRegistration_) {
                        self.keepUnknown(phone, password, false);
                        self.readBackRegistration(ReadBack::Refusal, reply);
                    } else {
                        KXHTTPREQUEST::showRefusal(reply);
                    }
                    return;
                }
                self.registrationUnknown_ = false;
                const Id user = reply["corvane_data"];
                // Someone signed in meanwhile: that account stays, and the new one's token is not
                // stored over it.
                if (!KXSignInEvents::postLoginMessage(user, attempt))
                    return;
                KXLoginWindowController::orderOutWindowOf(&self);
            }),
        dispatch::guardedQt(this,
            [phone, password](KXLoginRegisterView& self, const foundation::Ref<foundation::Error>& error) {
                self.registrationInFlight_ = false;
                if (!KXAccountWrites::outcomeUnknown(error))
                    return;
                self.keepUnknown(phone, password, true);
                self.readBackRegistration(ReadBack::Failure);
            }));
}

void KXLoginRegisterView::keepUnknown(const std::string& phone, const std::string& password, bool settling)
{
    registrationUnknown_ = true;
    hadUnknownRegistration_ = true;
    unknownPhone_ = phone;
    unknownPassword_ = password;
    if (!settling)
        return;
    // The request may still reach the service after the client gave up on it: until the settling
    // time has passed a refused read back does not mean "not made", and at its end it is read
    // once more.
    settlesAt_
        = dispatch::Clock::current()->now() + dispatch::Clock::seconds(KXAccountWrites::kSettlingSeconds);
    dispatch::mainQueue().after(
        KXAccountWrites::kSettlingSeconds, dispatch::guardedQt(this, [](KXLoginRegisterView& self) {
            // A later registration of unknown outcome settles later; a read on its way judges
            // by the time of its own reply.
            if (!self.registrationUnknown_ || self.registrationInFlight_ || !self.isVisible()
                || dispatch::Clock::current()->now() < self.settlesAt_)
                return;
            self.readBackRegistration(ReadBack::Settling);
        }));
}

void KXLoginRegisterView::readBackRegistration(ReadBack reason, const Id& refusal)
{
    // Signing in with what the registration sent tells whether the account was made; made, it is
    // a sign-in like any other (through the agreement for an account that has not agreed). Its
    // refusal is no refusal of anything the person asked for: the service's message is not shown.
    registrationInFlight_ = true;
    const KXSignInEvents::Attempt attempt = KXSignInEvents::startAttempt();
    KXHTTPBUSINESS().refusalsShownByCaller().LoginWithName(Id(unknownPhone_), Id(unknownPassword_),
        dispatch::guardedQt(this,
            [attempt, reason, refusal](KXLoginRegisterView& self, const Id& reply) {
                self.registrationInFlight_ = false;
                if (succeeded(reply)) {
                    self.settleUnknown();
                    if (!KXSignInEvents::postLoginMessage(reply["corvane_data"], attempt))
                        return;
                    KXLoginWindowController::orderOutWindowOf(&self);
                    return;
                }
                if (reason == ReadBack::Refusal) {
                    // Not made by the earlier one either: the registration's own refusal is said.
                    self.settleUnknown();
                    KXHTTPREQUEST::showRefusal(refusal);
                    return;
                }
                if (dispatch::Clock::current()->now() < self.settlesAt_) {
                    // Not made yet, but the registration may still land: still unknown.
                    MLHudAlert::alertWithWindow(self.window(), 1, QString::fromUtf8(kRegistrationFailed));
                    return;
                }
                // Not made: the form stays for another try.
                self.settleUnknown();
                if (reason == ReadBack::Press)
                    self.sendRegistration();
            }),
        dispatch::guardedQt(
            this, [reason](KXLoginRegisterView& self, const foundation::Ref<foundation::Error>&) {
                // Still unknown: read again at the next press.
                self.registrationInFlight_ = false;
                if (reason != ReadBack::Settling)
                    MLHudAlert::alertWithWindow(self.window(), 1, QString::fromUtf8(kRegistrationFailed));
            }));
}

void KXLoginRegisterView::settleUnknown()
{
    registrationUnknown_ = false;
    unknownPhone_.clear();
    unknownPassword_.clear();
}

void KXLoginRegisterView::loginBtnClick()
{
    kx_removeFromSuperview(this);
}
