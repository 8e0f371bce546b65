#pragma once

#include "Class/Account/KXButtonCountDown.h"
#include "Platform/Foundation/Object.h"

#include <QColor>
#include <QWidget>

#include <memory>

class KXBaseButton;
class KXFilledView;
class KXWebPanel;

// The user agreement page: the service's agreement (the user default "register_agree_url") in a
// web panel 520 x 538, and the agree and refuse buttons. Each time the page is shown the agree
// button counts down 5 s ("同意(%.2zds)", then "同意") and stays disabled until then; refusing is
// always possible. Closing the window ends the web page; showing it again loads the agreement anew.
//
// Agree posts "agreementClick" {"isAgree": "1"} and closes the window; whoever asked (the sign-in
// gate for a signed-in user who had not agreed) records the acceptance with the service. Refuse
// posts {"isAgree": "0"} and closes the window. A window closed by the user while the page still
// asks (each showing asks once) is a refusal, posted once as the refuse button posts it. Every
// answer is posted with this page's answerSender() as its object, so that it reaches the one that
// opened this window and no other asker.
//
// Without the web engine the page offers a link that opens the agreement in the browser instead;
// the count-down and the buttons are the same. Main thread only.
class KXRegisterAgreementVC : public QWidget {
    Q_OBJECT

public:
    static constexpr long long kAgreeSeconds = 5;

    explicit KXRegisterAgreementVC(QWidget* parent = nullptr);
    ~KXRegisterAgreementVC() override;

    KXBaseButton* sureBtn() const { return sureBtn_; }
    KXBaseButton* disagreeBtn() const { return disagreeBtn_; }
    KXWebPanel* webView() const { return webView_; }
    // The browser link of a build without the web engine (nullptr otherwise).
    KXBaseButton* browserLink() const { return browserLink_; }
    QWidget* bgView() const;
    // The object this page's answers are posted with: observe it to hear this window only.
    const foundation::Id& answerSender() const { return answerSender_; }

    // The agree button's count-down; the title and colours are not used.
    void startWithTime(long long time, const QString& title, const QString& countDownTitle, const QColor& mainColor,
                       const QColor& countColor);

    void sureBtnClick();
    void disagreeBtnclick();
    // The window is closing by the user's hand (Escape, the frame's close button): a question still
    // open on screen is refused; one answered, or a page not shown, posts nothing.
    void windowClosing();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void setUPUI();
    void viewDidAppear();

    KXFilledView* bgView_ = nullptr;
    KXWebPanel* webView_ = nullptr;
    KXBaseButton* browserLink_ = nullptr;
    KXBaseButton* sureBtn_ = nullptr;
    KXBaseButton* disagreeBtn_ = nullptr;
    std::unique_ptr<KXButtonCountDown> agreeCountDown_;
    foundation::Id answerSender_;
    bool asking_ = false;
};
