#pragma once

#include <QPointer>
#include <QRect>
#include <QWidget>

#include <memory>

class KXBaseButton;
class KXLoginPhoneMailView;
class KXRememberedAccount;
class QCheckBox;
class QLineEdit;

// Told when the account panel goes back to the QR panel; does nothing by default.
class KXLoginPhoneMailViewDelegate {
public:
    virtual ~KXLoginPhoneMailViewDelegate() = default;
    virtual void loginPhoneMailViewReturnedToWechat(KXLoginPhoneMailView* view) { (void)view; }
};

// The account panel of the login window: account and password, "remember password" and
// "automatic sign-in", the ways back to the QR code, to QQ, to registration and to the
// forgotten-password page.
//
// Login: the checks (KXAccountChecks), then "homeNotificationCenter" {"eveType": "login"}, then
// the remembered account is written or forgotten (KXRememberedAccount: the account in
// "accountInfo", the password in the keyring), then the login request; its success posts the
// sign-in and closes the window, unless someone signed in since the click (KXSignInEvents): then
// it ends without a word. One request at a time: a second click or Return while one is
// under way does nothing. Return anywhere in the panel logs in; Tab in the account field goes to
// the password; the account field has the keys as soon as the panel shows, and again when the
// registration panel over it goes. Ticking automatic sign-in
// ticks remember too. The panel opens with the remembered account and, once the keyring answers,
// its password (remember ticked then).
//
// Main thread only; replies hold the panel weakly.
class KXLoginPhoneMailView : public QWidget {
    Q_OBJECT

public:
    // Said when "记住密码" is ticked and the keyring keeps nothing: after a sign-in that succeeds,
    // over the window the sign-in window was opened over.
    static constexpr const char* kPasswordNotKept = "无法保存密码：系统钥匙串不可用";

    explicit KXLoginPhoneMailView(const QRect& frame = {}, QWidget* parent = nullptr);
    ~KXLoginPhoneMailView() override;

    QLineEdit* phoneNum() const { return phoneNum_; }
    QLineEdit* pwdTF() const { return pwdTF_; }
    KXBaseButton* loginBtn() const { return loginBtn_; }
    QCheckBox* rememberBtn() const { return rememberBtn_; }
    QCheckBox* autoLoginBtn() const { return autoLoginBtn_; }
    KXBaseButton* wechatBtn() const { return wechatBtn_; }
    KXBaseButton* qqBtn() const { return qqBtn_; }
    KXBaseButton* registerBtn() const { return registerBtn_; }
    KXBaseButton* forgetPwdBtn() const { return forgetPwdBtn_; }
    bool isLoginInFlight() const { return loginInFlight_; }

    void setDelegate(const std::shared_ptr<KXLoginPhoneMailViewDelegate>& delegate) { delegate_ = delegate; }

    void login();
    void wechatClick();
    void qq();
    void registerC();
    void forgetPwd();
    void rememberBtnClick();
    void autoLoginBtnClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void setUPUI();

    QLineEdit* phoneNum_ = nullptr;
    QLineEdit* pwdTF_ = nullptr;
    KXBaseButton* loginBtn_ = nullptr;
    QCheckBox* rememberBtn_ = nullptr;
    QCheckBox* autoLoginBtn_ = nullptr;
    KXBaseButton* wechatBtn_ = nullptr;
    KXBaseButton* qqBtn_ = nullptr;
    KXBaseButton* registerBtn_ = nullptr;
    KXBaseButton* forgetPwdBtn_ = nullptr;
    std::unique_ptr<KXRememberedAccount> remembered_;
    std::weak_ptr<KXLoginPhoneMailViewDelegate> delegate_;
    bool loginInFlight_ = false;
    // The keyring refused the password while the sign-in was on its way: told once it succeeds.
    bool passwordNotKept_ = false;
    bool switchingToQQ_ = false;
};
