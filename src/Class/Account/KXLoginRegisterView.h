#pragma once

#include "Class/Account/KXButtonCountDown.h"
#include "Class/UIKit/KXBaseView.h"
#include "Platform/Dispatch/Clock.h"
#include "Platform/Dispatch/Subscription.h"
#include "Platform/Foundation/Object.h"

#include <QColor>
#include <QPointer>
#include <QRect>
#include <QWidget>

#include <memory>
#include <string>

class KXBaseButton;
class KXRegisterAgreementWC;
class QCheckBox;
class QLabel;
class QLineEdit;

// Phone registration, over the account panel: phone, SMS code, password, the user agreement.
//
// Get code: sends getCode for the phone (one request at a time); a success counts the button down
// from 60 ("%.2zd秒后重新发送", then "重新发送"). Register: the checks (KXAccountChecks), then the
// agreement window opens (one per panel, reused) with "请阅读并同意注册协议"; the link
// 《用户注册协议》 opens the same window. Only that window's answer reaches the panel: it ticks or
// unticks the agreement box, and an acceptance on a shown panel sends the registration with the
// fields as they are then, once they pass the same checks (otherwise the check's message is said
// and nothing is sent), and only once at a time. An answer never reaches a sign-in waiting for the
// agreement in the main window, nor does that window's answer reach the panel. A successful
// registration posts the sign-in (the main window stores its "token", through the agreement for an
// account that has not agreed) and closes the login window; one that comes back after someone
// else signed in (KXSignInEvents) does neither.
//
// A registration whose reply never came (a time-out, a lost reply, an HTTP error) may have made
// the account, or may still make it (a request slow to reach the service): it is read back by
// signing in with the phone and password it sent, kept in memory while the panel lives. Made, that
// sign-in goes on as any other (through the agreement when the account has not agreed) and closes
// the window. The sign-in's refusal is not shown: until the settling time
// (KXAccountWrites::kSettlingSeconds) has passed it does not mean "not made", so kRegistrationFailed
// is said and the outcome stays unknown; the next acceptance reads it back before it sends anything,
// and a shown panel reads it once more at the end of the settling time. A refusal after that time
// means "not made": the form stays, and an acceptance sends the registration. A registration
// refused by the service after one of unknown outcome (its code used, its phone taken) is read back
// before its refusal is said, so a retry is never refused for an account the first try made. The
// panel is busy until the read back ends.
//
// The phone field has the keys as soon as the panel shows; keys stay in the panel and never reach
// the account panel it covers (Return there would sign in).
//
// Main thread only; replies hold the panel weakly.
class KXLoginRegisterView : public KXBaseView {
    Q_OBJECT

public:
    static constexpr long long kCodeSeconds = 60;
    static constexpr const char* kRegistrationFailed = "网络异常，请稍后重试";

    explicit KXLoginRegisterView(const QRect& frame = {}, QWidget* parent = nullptr);
    ~KXLoginRegisterView() override;

    QLineEdit* phoneTF() const { return phoneTF_; }
    QLineEdit* verificationCodeLabel() const { return verificationCodeLabel_; }
    QLineEdit* pwdTF() const { return pwdTF_; }
    QLabel* pwdbgLabel() const { return pwdbgLabel_; }
    KXBaseButton* verificationBtn() const { return verificationBtn_; }
    KXBaseButton* loginBtn() const { return loginBtn_; }
    KXBaseButton* registerBtn() const { return registerBtn_; }
    QCheckBox* agreementCheckBtn() const { return agreementCheckBtn_; }
    KXBaseButton* agreementBtn() const { return agreementBtn_; }
    KXRegisterAgreementWC* registerWc() const { return registerWc_.get(); }
    bool isRegistrationInFlight() const { return registrationInFlight_; }
    bool isCodeInFlight() const { return codeInFlight_; }

    // The count-down of the get-code button; the title and colours are not used (the panel's
    // button keeps its own).
    void startWithTime(long long time, const QString& title, const QString& countDownTitle, const QColor& mainColor,
                       const QColor& countColor);

    void sendPhoneCode();
    void registerBtnClick();
    void agreementBtnClick();
    void loginBtnClick();

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void setUPUI();
    void agreementCheck(bool agreed);
    // Shows what the form's fields lack for a registration; true when something was shown.
    bool showsRegistrationProblem();
    void sendRegistration();
    void postRegistration(const std::string& phone, const std::string& code, const std::string& password);
    // What a read back of a registration of unknown outcome follows.
    enum class ReadBack {
        Failure, // the registration's own failure
        Press, // an acceptance, which registers when the account was not made
        Settling, // the end of the settling time: nothing is said unless it signs in
        Refusal, // a later registration's refusal, said when the account was not made
    };
    void keepUnknown(const std::string& phone, const std::string& password, bool settling);
    void readBackRegistration(ReadBack reason, const foundation::Id& refusal = {});
    void settleUnknown();

    QLineEdit* phoneTF_ = nullptr;
    QLineEdit* verificationCodeLabel_ = nullptr;
    QLineEdit* pwdTF_ = nullptr;
    QLabel* pwdbgLabel_ = nullptr;
    KXBaseButton* verificationBtn_ = nullptr;
    KXBaseButton* loginBtn_ = nullptr;
    KXBaseButton* registerBtn_ = nullptr;
    QCheckBox* agreementCheckBtn_ = nullptr;
    KXBaseButton* agreementBtn_ = nullptr;
    std::unique_ptr<KXRegisterAgreementWC> registerWc_;
    std::unique_ptr<KXButtonCountDown> codeCountDown_;
    dispatch::Subscription agreementObservation_;
    bool codeInFlight_ = false;
    bool registrationInFlight_ = false;
    // A registration's outcome is unknown until a sign-in with what it sent tells it.
    bool registrationUnknown_ = false;
    bool hadUnknownRegistration_ = false;
    std::string unknownPhone_;
    std::string unknownPassword_;
    dispatch::Clock::TimePoint settlesAt_ {};
};
