// Phone registration and the user agreement against the local service: the checks, the SMS code
// and its count-down, the agreement window's 5 s, and which panel the answer reaches.
#include "AccountTestSupport.h"

#include "Class/Account/KXButtonCountDown.h"
#include "Class/Account/KXLoginRegisterView.h"
#include "Class/Account/KXRegisterAgreementVC.h"
#include "Class/Account/KXRegisterAgreementWC.h"
#include "Class/Account/Core/KXSignInEvents.h"
#include "Class/ServiceCore/Transport/KXAccountWrites.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Class/UIKit/KXOpenFailedAlert.h"
#include "Platform/Desktop/URLOpener.h"
#include "Platform/Dispatch/Clock.h"
#include "Platform/Storage/UserDefaults.h"
#include "Support/FailingOpeners.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QWindow>

using foundation::Id;

namespace {

class KXLoginRegisterViewTest : public accounttest::AccountServiceTest {
protected:
    void SetUp() override
    {
        AccountServiceTest::SetUp();
        foundation::UserDefaults::standardUserDefaults().removeObjectForKey("token");
        window_.resize(380, 480);
        window_.show();
    }

    KXLoginRegisterView* open()
    {
        auto* panel = new KXLoginRegisterView(QRect(0, 0, 380, 480), &window_);
        panel->show();
        settle();
        return panel;
    }

    void fill(KXLoginRegisterView* panel, const QString& phone, const QString& code, const QString& password)
    {
        panel->phoneTF()->setText(phone);
        panel->verificationCodeLabel()->setText(code);
        panel->pwdTF()->setText(password);
    }

    std::size_t registrations() const { return service().requestLog().withTag("117").size(); }

    QWidget window_;
};

QString repeat(int n)
{
    return QString(n, QLatin1Char('a'));
}

} // namespace

TEST(KXButtonCountDown, TitlesCountDownDisabledThenComeBackEnabled)
{
    dispatch::VirtualClock::Scope time;
    auto button = std::make_unique<QPushButton>(QStringLiteral("获取验证码"));
    KXButtonCountDown countDown(button.get(), QStringLiteral("%.2zd秒后重新发送"));
    countDown.start(60, QStringLiteral("重新发送"));
    EXPECT_EQ(button->text(), QStringLiteral("60秒后重新发送")) << "from the start";
    EXPECT_FALSE(button->isEnabled());
    time.advance(51);
    ASSERT_TRUE(accounttest::AccountServiceTest::waitFor([&] { return button->text() == QStringLiteral("09秒后重新发送"); }));
    time.advance(8);
    ASSERT_TRUE(accounttest::AccountServiceTest::waitFor([&] { return button->text() == QStringLiteral("01秒后重新发送"); }));
    EXPECT_FALSE(button->isEnabled());
    time.advance(1);
    ASSERT_TRUE(accounttest::AccountServiceTest::waitFor([&] { return button->isEnabled(); }));
    EXPECT_EQ(button->text(), QStringLiteral("重新发送"));

    countDown.start(0, QStringLiteral("同意"));
    time.advance(0);
    ASSERT_TRUE(accounttest::AccountServiceTest::waitFor([&] { return button->text() == QStringLiteral("同意"); }));
    EXPECT_TRUE(button->isEnabled());
    countDown.start(-3, QStringLiteral("重新发送"));
    time.advance(0);
    ASSERT_TRUE(accounttest::AccountServiceTest::waitFor([&] { return button->text() == QStringLiteral("重新发送"); }));
    EXPECT_TRUE(button->isEnabled());

    // A count outliving its button runs to its end touching nothing (a tick or the end reaching
    // for the button would crash here).
    countDown.start(5, QStringLiteral("重新发送"));
    button.reset();
    time.advance(10);
    EXPECT_TRUE(accounttest::AccountServiceTest::waitFor([&] { return !countDown.isCounting(); }));
}

TEST_F(KXLoginRegisterViewTest, TheChecksInTheirOrder)
{
    auto* panel = open();
    panel->registerBtn()->click();
    EXPECT_EQ(toastText(), QStringLiteral("手机号不能为空"));
    fill(panel, "13900001111", "", "secret1");
    panel->registerBtn()->click();
    EXPECT_EQ(toastText(), QStringLiteral("验证码不能为空"));
    EXPECT_EQ(panel->registerWc(), nullptr) << "the agreement window does not open";
    fill(panel, "13900001111", "123456", "");
    panel->registerBtn()->click();
    EXPECT_EQ(toastText(), QStringLiteral("密码为空…"));
    for (int length : {5, 21}) {
        fill(panel, "13900001111", "123456", repeat(length));
        panel->registerBtn()->click();
        EXPECT_EQ(toastText(), QStringLiteral("密码为6-20位字符，区分大小写")) << length;
        EXPECT_EQ(panel->registerWc(), nullptr);
    }
    fill(panel, "13900001111", "123456", repeat(6));
    panel->registerBtn()->click();
    EXPECT_EQ(toastText(), QStringLiteral("请阅读并同意注册协议"));
    ASSERT_NE(panel->registerWc(), nullptr);
    EXPECT_TRUE(panel->registerWc()->window()->isVisible());
    EXPECT_EQ(panel->registerWc()->window()->parentWidget(), &window_) << "above the login window";
    KXRegisterAgreementWC* first = panel->registerWc();
    panel->registerWc()->window()->hide();
    fill(panel, "13900001111", "123456", repeat(20));
    panel->registerBtn()->click();
    EXPECT_EQ(panel->registerWc(), first) << "one agreement window per panel";
    EXPECT_TRUE(first->window()->isVisible());
    EXPECT_EQ(registrations(), 0u);
}

TEST_F(KXLoginRegisterViewTest, FromTheSmsCodeThroughTheAgreementToASignIn)
{
    dispatch::VirtualClock::Scope time;
    auto* panel = open();
    EXPECT_TRUE(panel->pwdbgLabel()->isVisible()) << "the hint over the empty password";
    fill(panel, "13911112222", "", "");
    panel->verificationBtn()->click();
    panel->verificationBtn()->click();
    ASSERT_TRUE(waitFor([&] { return panel->verificationBtn()->title() == QStringLiteral("60秒后重新发送"); }));
    EXPECT_FALSE(panel->verificationBtn()->isEnabled());
    EXPECT_EQ(service().requestLog().withTag("115").size(), 1u) << "one code request at a time";
    const auto code = service().lastSmsCode("13911112222");
    ASSERT_TRUE(code);

    panel->verificationCodeLabel()->setText(QString::fromStdString(*code));
    panel->pwdTF()->setText("reg-pass-77");
    EXPECT_FALSE(panel->pwdbgLabel()->isVisible());
    panel->registerBtn()->click();
    KXRegisterAgreementVC* agreement = panel->registerWc()->contentViewController();
    EXPECT_FALSE(agreement->sureBtn()->isEnabled()) << "disabled from the moment the page shows";
    EXPECT_EQ(agreement->sureBtn()->title(), QStringLiteral("同意(05s)"));
    EXPECT_TRUE(agreement->disagreeBtn()->isEnabled()) << "refusing is always possible";
    time.advance(4);
    ASSERT_TRUE(waitFor([&] { return agreement->sureBtn()->title() == QStringLiteral("同意(01s)"); }));
    EXPECT_FALSE(agreement->sureBtn()->isEnabled());
    time.advance(1);
    ASSERT_TRUE(waitFor([&] { return agreement->sureBtn()->isEnabled(); }));
    EXPECT_EQ(agreement->sureBtn()->title(), QStringLiteral("同意"));

    agreement->sureBtn()->click();
    EXPECT_EQ(agreements(), std::vector<std::string>{"1"});
    EXPECT_TRUE(KXGlobalDataBase::sharedKXGlobalDataBase().registerUrl());
    EXPECT_TRUE(panel->agreementCheckBtn()->isChecked());
    ASSERT_TRUE(waitFor([&] { return !signIns().empty(); }));
    EXPECT_EQ(registrations(), 1u);
    const auto registration = service().requestLog().withTag("117");
    const auto* sent = registration.front().param("phone");
    ASSERT_NE(sent, nullptr);
    EXPECT_EQ(*sent, "13911112222");
    EXPECT_FALSE(signIns()[0]["token"].stringValue().empty());
    EXPECT_TRUE(foundation::UserDefaults::standardUserDefaults().objectForKey("token").isNil()) << "the main window stores the token";
    EXPECT_FALSE(window_.isVisible()) << "the login window closes";
    EXPECT_TRUE(service().requestLog().withTag("118").empty()) << "no stored token when agreeing: no agreement request";
}

TEST_F(KXLoginRegisterViewTest, ARegistrationThatComesBackAfterAnotherSignInSignsNobodyIn)
{
    dispatch::VirtualClock::Scope time;
    auto* panel = open();
    fill(panel, "13911113333", "", "");
    panel->verificationBtn()->click();
    ASSERT_TRUE(waitFor([&] { return service().lastSmsCode("13911113333").has_value(); }));
    fill(panel, "13911113333", QString::fromStdString(*service().lastSmsCode("13911113333")), "reg-pass-78");
    panel->registerBtn()->click();
    KXRegisterAgreementVC* agreement = panel->registerWc()->contentViewController();
    time.advance(5);
    ASSERT_TRUE(waitFor([&] { return agreement->sureBtn()->isEnabled(); }));
    holdNextReply("register");
    agreement->sureBtn()->click();
    ASSERT_TRUE(waitForHeldReplies());

    const Id editor = signInAs("editor", "editor123");
    ASSERT_TRUE(KXSignInEvents::postLoginMessage(editor, KXSignInEvents::startAttempt()));
    ASSERT_TRUE(releaseHeldReplies());
    ASSERT_TRUE(waitForQuietTraffic());
    settle();
    EXPECT_EQ(registrations(), 1u);
    ASSERT_EQ(signIns().size(), 1u);
    EXPECT_EQ(signIns()[0]["uname"].stringValue(), "editor");
    EXPECT_EQ(Id(foundation::UserDefaults::standardUserDefaults().stringForKey("token")).stringValue(), editor["token"].stringValue())
        << "the new account's token is not stored over editor's";
}

// Sends the registration of what the panel holds, as the agreement's acceptance does.
void acceptAgreement(KXLoginRegisterView* panel, dispatch::VirtualClock::Scope& time)
{
    panel->registerBtn()->click();
    KXRegisterAgreementVC* agreement = panel->registerWc()->contentViewController();
    time.advance(5);
    ASSERT_TRUE(accounttest::AccountServiceTest::waitFor([&] { return agreement->sureBtn()->isEnabled(); }));
    agreement->sureBtn()->click();
}

TEST_F(KXLoginRegisterViewTest, ARegistrationWhoseReplyNeverCameIsReadBackBySigningInWithWhatWasTyped)
{
    dispatch::VirtualClock::Scope time;
    const auto typeWithCode = [&](KXLoginRegisterView* panel, const std::string& phone, const char* password) {
        fill(panel, QString::fromStdString(phone), "", "");
        service().requestLog().clear();
        panel->verificationBtn()->click();
        ASSERT_TRUE(waitFor([&] { return service().lastSmsCode(phone).has_value(); }));
        ASSERT_TRUE(waitForQuietTraffic());
        fill(panel, QString::fromStdString(phone), QString::fromStdString(*service().lastSmsCode(phone)), password);
    };

    // Made, the reply lost: the sign-in with what was typed signs the new account in.
    auto* panel = open();
    typeWithCode(panel, "13911114444", "reg-pass-80");
    setFault("register", localservice::Fault::Kind::LostReply);
    acceptAgreement(panel, time);
    EXPECT_TRUE(panel->isRegistrationInFlight());
    ASSERT_TRUE(waitFor([&] { return !signIns().empty(); }));
    service().faults().clear("register");
    EXPECT_EQ(registrations(), 1u);
    EXPECT_EQ(service().requestLog().withTag("114").size(), 1u) << "read back by a sign-in";
    EXPECT_EQ(signIns()[0]["uname"].stringValue(), "13911114444");
    EXPECT_FALSE(window_.isVisible()) << "signed in, the login window closes";
    EXPECT_FALSE(panel->isRegistrationInFlight());

    // Not made (the service failed before making it): the form stays, the failure said, and
    // the service's refusal of the read back is not; a press within the settling time reads
    // back again and sends nothing; once it has passed, a press registers.
    window_.show();
    panel = open();
    typeWithCode(panel, "13911115555", "reg-pass-81");
    setFault("register", localservice::Fault::Kind::Http500);
    acceptAgreement(panel, time);
    ASSERT_TRUE(waitFor([&] { return !panel->isRegistrationInFlight(); }));
    ASSERT_TRUE(waitForQuietTraffic());
    service().faults().clear("register");
    EXPECT_EQ(signIns().size(), 1u);
    EXPECT_TRUE(panel->isVisible()) << "the form stays";
    EXPECT_EQ(panel->phoneTF()->text(), QStringLiteral("13911115555"));
    EXPECT_EQ(toastText(), QString::fromUtf8(KXLoginRegisterView::kRegistrationFailed));
    EXPECT_TRUE(toasts_->shown.empty()) << "the read back's refusal is not the person's: "
                                        << (toasts_->shown.empty() ? "" : toasts_->shown[0].message);
    acceptAgreement(panel, time);
    ASSERT_TRUE(waitFor([&] { return !panel->isRegistrationInFlight(); }));
    ASSERT_TRUE(waitForQuietTraffic());
    EXPECT_EQ(registrations(), 1u) << "still unknown: nothing sent";
    EXPECT_EQ(service().requestLog().withTag("114").size(), 2u);
    time.advance(KXAccountWrites::kSettlingSeconds);
    ASSERT_TRUE(waitForQuietTraffic());
    EXPECT_EQ(service().requestLog().withTag("114").size(), 3u)
        << "read once more at the end of the settling time";
    EXPECT_EQ(signIns().size(), 1u);
    acceptAgreement(panel, time);
    ASSERT_TRUE(waitFor([&] { return signIns().size() == 2; }));
    EXPECT_EQ(registrations(), 2u);
    EXPECT_EQ(signIns()[1]["uname"].stringValue(), "13911115555");

    // Made, and the sign-in that reads it back fails too: the retry reads it again instead of
    // registering an account that exists (which the service would refuse as "验证码错误").
    window_.show();
    panel = open();
    typeWithCode(panel, "13911116666", "reg-pass-82");
    setFault("register", localservice::Fault::Kind::LostReply);
    setFault("login", localservice::Fault::Kind::Http500);
    acceptAgreement(panel, time);
    ASSERT_TRUE(waitFor([&] { return !panel->isRegistrationInFlight(); }));
    ASSERT_TRUE(waitForQuietTraffic());
    service().faults().clear("register");
    service().faults().clear("login");
    EXPECT_EQ(signIns().size(), 2u);
    EXPECT_EQ(toastText(), QString::fromUtf8(KXLoginRegisterView::kRegistrationFailed));
    EXPECT_TRUE(panel->isVisible());
    acceptAgreement(panel, time);
    ASSERT_TRUE(waitFor([&] { return signIns().size() == 3; }));
    EXPECT_EQ(registrations(), 1u) << "nothing sent again for the account the first try made";
    EXPECT_EQ(signIns()[2]["uname"].stringValue(), "13911116666");
}

// The registration reaches the service after the client gave up on it: the read back at the
// time-out finds no account, and the account is made later.
TEST_F(KXLoginRegisterViewTest, ARegistrationThatLandsAfterItsTimeOutIsFoundAndSignsIn)
{
    dispatch::VirtualClock::Scope time;
    struct Typed {
        std::string phone, code, password;
    };
    const auto typeWithCode
        = [&](KXLoginRegisterView* panel, const std::string& phone, const char* password) {
              fill(panel, QString::fromStdString(phone), "", "");
              panel->verificationBtn()->click();
              EXPECT_TRUE(waitFor([&] { return service().lastSmsCode(phone).has_value(); }));
              EXPECT_TRUE(waitForQuietTraffic());
              const Typed typed { phone, service().lastSmsCode(phone).value_or(""), password };
              fill(panel, QString::fromStdString(phone), QString::fromStdString(typed.code), password);
              return typed;
          };
    // The request the client gave up on, reaching the service now.
    const auto land = [&](const Typed& typed) {
        const auto outcome = run([&](auto success, auto failure) {
            KXHTTPBUSINESS().RegisterWithPhone(
                Id(typed.phone), Id(typed.code), Id(typed.password), success, failure);
        });
        EXPECT_EQ(outcome.reply["errcode"].integerValue(), 0);
    };
    const auto timeOut = [&](KXLoginRegisterView* panel) {
        setFault("register", localservice::Fault::Kind::Http500);
        acceptAgreement(panel, time);
        EXPECT_TRUE(waitFor([&] { return !panel->isRegistrationInFlight(); }));
        EXPECT_TRUE(waitForQuietTraffic());
        service().faults().clear("register");
    };
    const auto saidByTheTransport = [&] {
        std::vector<std::string> said;
        for (const auto& shown : toasts_->shown)
            said.push_back(shown.message);
        return said;
    };

    // Landed before the next press: the press reads back and signs in.
    auto* panel = open();
    Typed typed = typeWithCode(panel, "13911117777", "reg-pass-83");
    timeOut(panel);
    EXPECT_EQ(toastText(), QString::fromUtf8(KXLoginRegisterView::kRegistrationFailed));
    EXPECT_TRUE(saidByTheTransport().empty()) << "no \"账号或密码错误\" for a read back";
    land(typed);
    acceptAgreement(panel, time);
    ASSERT_TRUE(waitFor([&] { return signIns().size() == 1; }));
    ASSERT_TRUE(waitForQuietTraffic());
    EXPECT_EQ(signIns()[0]["uname"].stringValue(), "13911117777");
    EXPECT_EQ(registrations(), 2u) << "the panel's one and its landing: nothing sent again";
    EXPECT_TRUE(saidByTheTransport().empty()) << "no \"验证码错误\"";
    EXPECT_FALSE(window_.isVisible());

    // Landed and no press: the end of the settling time reads back and signs in.
    window_.show();
    panel = open();
    typed = typeWithCode(panel, "13911118888", "reg-pass-84");
    timeOut(panel);
    land(typed);
    time.advance(KXAccountWrites::kSettlingSeconds - 1);
    ASSERT_TRUE(waitForQuietTraffic());
    EXPECT_EQ(signIns().size(), 1u);
    time.advance(1);
    ASSERT_TRUE(waitFor([&] { return signIns().size() == 2; }));
    EXPECT_EQ(signIns()[1]["uname"].stringValue(), "13911118888");

    // Landed past the settling time: the next registration is refused for its used code, read
    // back, and signs in without the refusal being said.
    window_.show();
    panel = open();
    typed = typeWithCode(panel, "13911119999", "reg-pass-85");
    timeOut(panel);
    time.advance(KXAccountWrites::kSettlingSeconds);
    ASSERT_TRUE(waitForQuietTraffic());
    land(typed);
    service().requestLog().clear();
    acceptAgreement(panel, time);
    ASSERT_TRUE(waitFor([&] { return signIns().size() == 3; }));
    ASSERT_TRUE(waitForQuietTraffic());
    EXPECT_EQ(registrations(), 1u) << "not made at the settling time: sent again, and refused";
    EXPECT_EQ(signIns()[2]["uname"].stringValue(), "13911119999");
    EXPECT_TRUE(saidByTheTransport().empty());

    // Refused with no registration of unknown outcome before it: the service's message is said.
    window_.show();
    panel = open();
    fill(panel, "13911119999", "000000", "reg-pass-85");
    acceptAgreement(panel, time);
    ASSERT_TRUE(waitFor([&] { return !saidByTheTransport().empty(); }));
    EXPECT_EQ(signIns().size(), 3u);
}

TEST_F(KXLoginRegisterViewTest, RefusingUnticksAndSendsNothing)
{
    auto* panel = open();
    fill(panel, "13900001111", "123456", "secret1");
    panel->agreementCheckBtn()->setChecked(true);
    panel->registerBtn()->click();
    panel->registerWc()->contentViewController()->disagreeBtn()->click();
    EXPECT_EQ(agreements(), std::vector<std::string>{"0"});
    EXPECT_FALSE(panel->agreementCheckBtn()->isChecked());
    EXPECT_FALSE(panel->registerWc()->window()->isVisible());
    settle();
    EXPECT_EQ(registrations(), 0u);
}

// The agreement window closed by the user without an answer (the window manager's close, Escape)
// is a refusal: the box is unticked, once per close, and nothing is sent.
TEST_F(KXLoginRegisterViewTest, ClosingTheAgreementUnansweredUnticksAndSendsNothing)
{
    auto* panel = open();
    fill(panel, "13900001111", "123456", "secret1");
    panel->agreementCheckBtn()->setChecked(true);
    panel->registerBtn()->click();
    QWidget* window = panel->registerWc()->window();
    window->windowHandle()->close();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(agreements(), std::vector<std::string>{"0"});
    EXPECT_FALSE(panel->agreementCheckBtn()->isChecked());

    panel->agreementCheckBtn()->setChecked(true);
    panel->agreementBtn()->click();
    ASSERT_TRUE(window->isVisible());
    QTest::keyClick(window, Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(agreements(), (std::vector<std::string>{"0", "0"}));
    EXPECT_FALSE(panel->agreementCheckBtn()->isChecked());
    settle();
    EXPECT_EQ(registrations(), 0u);
}

TEST_F(KXLoginRegisterViewTest, OnlyAShownPanelThatAskedSendsTheRegistration)
{
    auto* panel = open();
    fill(panel, "13900001111", "123456", "secret1");
    // An answer from an agreement window this panel did not open (the main window's, after a sign-in).
    KXRegisterAgreementWC other(QStringLiteral("KXRegisterAgreementWC"), &window_);
    other.showCentred();
    other.contentViewController()->sureBtnClick();
    settle();
    EXPECT_EQ(agreements(), std::vector<std::string>{"1"});
    EXPECT_EQ(registrations(), 0u);
    EXPECT_FALSE(panel->agreementCheckBtn()->isChecked());

    // The panel asked, then went away before the answer.
    panel->registerBtn()->click();
    KXRegisterAgreementVC* own = panel->registerWc()->contentViewController();
    panel->loginBtnClick();
    own->sureBtnClick();
    settle();
    EXPECT_EQ(registrations(), 0u);
}

// The page only answers: the sign-in gate that asked tells the service (and a page opened for a
// registration, with an account signed in, records nothing for that account).
TEST_F(KXLoginRegisterViewTest, AcceptingClosesTheWindowAndLeavesTheServiceToTheGate)
{
    const Id user = signInAs("newbie", "newbie123");
    ASSERT_FALSE(user["token"].stringValue().empty());
    KXRegisterAgreementWC agreement(QStringLiteral("KXRegisterAgreementWC"), &window_);
    agreement.showCentred();
    agreement.contentViewController()->sureBtnClick();
    EXPECT_FALSE(agreement.window()->isVisible());
    EXPECT_EQ(agreements(), std::vector<std::string>{"1"});
    ASSERT_TRUE(waitForQuietTraffic());
    EXPECT_TRUE(service().requestLog().withTag("118").empty());
}

TEST_F(KXLoginRegisterViewTest, WithoutTheWebEngineTheAgreementOpensInTheBrowser)
{
    desktop::ScopedRecordingURLOpener opener;
    KXRegisterAgreementWC agreement(QStringLiteral("KXRegisterAgreementWC"), &window_);
    KXRegisterAgreementVC* page = agreement.contentViewController();
    ASSERT_EQ(page->webView(), nullptr) << "this program never prepares the engine";
    ASSERT_NE(page->browserLink(), nullptr);
    page->browserLink()->click();
    setDefault("register_agree_url", Id("javascript:alert(1)"));
    page->browserLink()->click();
    EXPECT_TRUE(opener.opened().empty()) << "no address, then one that is not a web page";

    // The address is the one stored when the link is followed.
    const std::string address = service().baseUrl() + "pages/agreement";
    setDefault("register_agree_url", Id(address));
    page->browserLink()->click();
    EXPECT_EQ(opener.opened(), std::vector<std::string>{address});
}

TEST_F(KXLoginRegisterViewTest, AnAgreementTheBrowserCannotOpenShowsItsAddress)
{
    KXRegisterAgreementWC agreement(QStringLiteral("KXRegisterAgreementWC"), &window_);
    KXRegisterAgreementVC* page = agreement.contentViewController();
    ASSERT_NE(page->browserLink(), nullptr);
    const std::string address = service().baseUrl() + "pages/agreement";
    setDefault("register_agree_url", Id(address));
    const auto shown = [&] {
        auto* alert = KXOpenFailedAlert::alertOf(page);
        return alert && alert->isVisible() ? alert->targetField()->toPlainText().toStdString() : std::string();
    };
    {
        desktop::ScopedRecordingURLOpener opener;
        opener.opener().setLaunchError("Could not start xdg-open");
        page->browserLink()->click();
        ASSERT_EQ(shown(), address);
        EXPECT_EQ(KXOpenFailedAlert::alertOf(page)->parentWidget(), agreement.window()) << "over the agreement's window";
        KXOpenFailedAlert::alertOf(page)->closeBtnClick();
    }
    testsupport::ScopedFailingSystemOpener opener;
    page->browserLink()->click();
    ASSERT_TRUE(waitFor([&] { return !shown().empty(); }));
    EXPECT_EQ(shown(), address);
}

TEST_F(KXLoginRegisterViewTest, AFailedCodeRequestLeavesTheButtonAsItWas)
{
    auto* panel = open();
    fill(panel, "12345", "", "");
    panel->verificationBtn()->click();
    ASSERT_TRUE(waitFor([&] { return !panel->isCodeInFlight(); }));
    EXPECT_EQ(service().requestLog().withTag("115").size(), 1u);
    EXPECT_TRUE(panel->verificationBtn()->isEnabled());
    EXPECT_EQ(panel->verificationBtn()->title(), QStringLiteral("获取验证码"));
}
