// The account panel against the local service: the checks, the remember and automatic sign-in
// rules, one login at a time, Return and Tab, and where the password goes.
#include "AccountTestSupport.h"

#include "Class/Account/Core/KXRememberedAccount.h"
#include "Class/Account/Core/KXSignInEvents.h"
#include "Class/Account/KXLoginPhoneMailView.h"
#include "Class/Account/KXLoginRegisterView.h"
#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"
#include "Class/ServiceCore/UnitTools/KXFileManager.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Class/UIKit/KXOpenFailedAlert.h"
#include "Class/UIKit/MLHudAlert.h"
#include "Class/UIKit/MLHudAlertWindow.h"
#include "Platform/Desktop/URLOpener.h"
#include "Platform/Storage/UserDefaults.h"
#include "Support/FailingOpeners.h"
#include "Support/TempHome.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

using foundation::Id;

namespace {

class KXLoginPhoneMailViewTest : public accounttest::AccountServiceTest {
protected:
    void SetUp() override
    {
        AccountServiceTest::SetUp();
        window_.resize(380, 480);
        window_.show();
    }

    KXLoginPhoneMailView* open()
    {
        auto* panel = new KXLoginPhoneMailView(QRect(0, 0, 380, 480), &window_);
        panel->show();
        settle();
        return panel;
    }

    std::size_t logins() const { return service().requestLog().withTag("114").size(); }

    static Id archive()
    {
        return KXFileManager::sharedKXFileManager().returnDecryptDataByPathKey(foundation::String::create("accountInfo"));
    }

    QWidget window_;
};

} // namespace

TEST_F(KXLoginPhoneMailViewTest, TheChecksStopBeforeAnythingIsSent)
{
    auto* panel = open();
    panel->loginBtn()->click();
    EXPECT_EQ(toastText(), QStringLiteral("手机号不能为空")) << "empty account and password: only the first message";
    panel->phoneNum()->setText("demo");
    panel->loginBtn()->click();
    EXPECT_EQ(toastText(), QStringLiteral("密码为空…"));
    settle();
    EXPECT_EQ(logins(), 0u);
    EXPECT_TRUE(events().empty()) << "nothing announced either";
}

TEST_F(KXLoginPhoneMailViewTest, ASignInAnnouncesItselfThenSignsInAndClosesTheWindow)
{
    auto* panel = open();
    panel->phoneNum()->setText("demo");
    panel->pwdTF()->setText("demo1234");
    EXPECT_EQ(panel->pwdTF()->echoMode(), QLineEdit::Password);
    panel->loginBtn()->click();
    panel->loginBtn()->click();
    QTest::keyClick(panel->pwdTF(), Qt::Key_Return);
    ASSERT_TRUE(waitFor([&] { return !signIns().empty(); }));
    settle();
    EXPECT_EQ(logins(), 1u) << "one request at a time";
    ASSERT_GE(events().size(), 2u);
    EXPECT_EQ(events()[0]["eveType"].stringValue(), "login") << "announced before the request";
    EXPECT_EQ(signIns().size(), 1u);
    EXPECT_EQ(signIns()[0]["uname"].stringValue(), "demo");
    EXPECT_FALSE(signIns()[0]["token"].stringValue().empty());
    EXPECT_FALSE(window_.isVisible());
    EXPECT_TRUE(foundation::UserDefaults::standardUserDefaults().objectForKey("token").isNil()) << "the main window stores the token";
}

TEST_F(KXLoginPhoneMailViewTest, ASignInElsewhereWhileTheReplyIsOnItsWayStays)
{
    auto* panel = open();
    panel->phoneNum()->setText("demo");
    panel->pwdTF()->setText("demo1234");
    holdNextReply("login");
    panel->loginBtn()->click();
    ASSERT_TRUE(waitForHeldReplies());
    // Another window signs editor in meanwhile.
    const Id editor = signInAs("editor", "editor123");
    ASSERT_TRUE(KXSignInEvents::postLoginMessage(editor, KXSignInEvents::startAttempt()));
    ASSERT_TRUE(releaseHeldReplies());
    ASSERT_TRUE(waitForQuietTraffic());
    settle();
    ASSERT_EQ(signIns().size(), 1u) << "demo's late reply signs nobody in";
    EXPECT_EQ(signIns()[0]["uname"].stringValue(), "editor");
    EXPECT_EQ(Id(foundation::UserDefaults::standardUserDefaults().stringForKey("token")).stringValue(), editor["token"].stringValue());
    EXPECT_TRUE(panel->loginBtn()->isEnabled()) << "the form is free again";
}

TEST_F(KXLoginPhoneMailViewTest, ReturnInEitherFieldLogsInAndTabGoesToThePassword)
{
    auto* panel = open();
    panel->phoneNum()->setFocus();
    panel->phoneNum()->setText("demo");
    QTest::keyClick(panel->phoneNum(), Qt::Key_Tab);
    EXPECT_TRUE(panel->pwdTF()->hasFocus());
    QTest::keyClick(panel->phoneNum(), Qt::Key_Return);
    EXPECT_EQ(toastText(), QStringLiteral("密码为空…")) << "Return starts the login with whatever the password holds";
    panel->pwdTF()->setText("wrong-password");
    QTest::keyClick(panel->phoneNum(), Qt::Key_Return);
    ASSERT_TRUE(waitFor([&] { return logins() == 1 && !panel->isLoginInFlight(); }));
    EXPECT_TRUE(signIns().empty()) << "refused by the service";
    EXPECT_TRUE(window_.isVisible());
}

TEST_F(KXLoginPhoneMailViewTest, AutomaticSignInTicksRememberAndUntickingLeavesIt)
{
    auto* panel = open();
    EXPECT_FALSE(panel->rememberBtn()->isChecked());
    panel->autoLoginBtn()->click();
    EXPECT_TRUE(panel->autoLoginBtn()->isChecked());
    EXPECT_TRUE(panel->rememberBtn()->isChecked());
    EXPECT_TRUE(KXUserCenterConfig::sharedKXUserCenterConfig().isAutologin());
    panel->autoLoginBtn()->click();
    EXPECT_FALSE(KXUserCenterConfig::sharedKXUserCenterConfig().isAutologin());
    EXPECT_TRUE(panel->rememberBtn()->isChecked());
    panel->rememberBtn()->click();
    EXPECT_FALSE(KXUserCenterConfig::sharedKXUserCenterConfig().isRemPwd());
    panel->rememberBtn()->click();
    EXPECT_TRUE(KXUserCenterConfig::sharedKXUserCenterConfig().isRemPwd());
}

TEST_F(KXLoginPhoneMailViewTest, TheRememberedPasswordLivesInTheKeyringInEveryCase)
{
    const std::string password = "demo1234";
    const auto noFileHoldsIt = [&] { return !accounttest::anyFileContains(testsupport::TempHome::instance().root(), password); };

    // Remembered, and a refused sign-in remembers all the same.
    auto* panel = open();
    panel->rememberBtn()->setChecked(true);
    panel->phoneNum()->setText("13800000000");
    panel->pwdTF()->setText("refused-secret");
    panel->loginBtn()->click();
    EXPECT_EQ(archive()["account"].stringValue(), "13800000000") << "written before the request";
    ASSERT_TRUE(waitFor([&] { return !panel->isLoginInFlight(); }));
    EXPECT_EQ(keyring_->passwordFor("13800000000"), "refused-secret");
    EXPECT_FALSE(accounttest::anyFileContains(testsupport::TempHome::instance().root(), "refused-secret"));

    // Remembered with automatic sign-in: the archived user is the server's, without the password.
    panel->autoLoginBtn()->click();
    panel->phoneNum()->setText("demo");
    panel->pwdTF()->setText(QString::fromStdString(password));
    panel->loginBtn()->click();
    ASSERT_TRUE(waitFor([&] { return !signIns().empty(); }));
    KXUserCenterConfig::sharedKXUserCenterConfig().setUpUserconfigWithInfo(signIns().back());
    EXPECT_EQ(keyring_->passwordFor("demo"), password);
    EXPECT_FALSE(keyring_->passwordFor("13800000000")) << "the former account's password goes";
    EXPECT_TRUE(noFileHoldsIt());

    // A new panel fills both fields from the file and the keyring.
    window_.show();
    auto* again = open();
    EXPECT_EQ(again->phoneNum()->text(), QStringLiteral("demo"));
    EXPECT_TRUE(again->rememberBtn()->isChecked());
    ASSERT_TRUE(waitFor([&] { return !again->pwdTF()->text().isEmpty(); }));
    EXPECT_EQ(again->pwdTF()->text().toStdString(), password);

    // Not remembered: the next attempt deletes the file and the keyring's password.
    again->rememberBtn()->setChecked(false);
    again->loginBtn()->click();
    EXPECT_TRUE(archive().isNil());
    ASSERT_TRUE(waitFor([&] { return !keyring_->passwordFor("demo"); }));

    // Without a Secret Service only the account is kept.
    keyring_->setAvailable(false);
    window_.show();
    auto* fallback = open();
    ASSERT_TRUE(waitFor([&] { return !fallback->isLoginInFlight(); }));
    fallback->rememberBtn()->setChecked(true);
    fallback->phoneNum()->setText("demo");
    fallback->pwdTF()->setText(QString::fromStdString(password));
    fallback->loginBtn()->click();
    ASSERT_TRUE(waitFor([&] { return !fallback->isLoginInFlight(); }));
    EXPECT_EQ(archive()["account"].stringValue(), "demo");
    EXPECT_EQ(archive().count(), 1u);
    EXPECT_TRUE(noFileHoldsIt());
}

TEST_F(KXLoginPhoneMailViewTest, APasswordTheKeyringCannotKeepIsSaidOverTheWindowTheSignInLeaves)
{
    const QString notKept = QString::fromUtf8(KXLoginPhoneMailView::kPasswordNotKept);
    // The panel in a sign-in window opened over `window_`, as the login window is opened over the
    // main window.
    const auto signInRemembered = [&](const char* password) {
        auto* signInWindow = new QWidget(&window_, Qt::Window);
        signInWindow->resize(380, 480);
        auto* panel = new KXLoginPhoneMailView(QRect(0, 0, 380, 480), signInWindow);
        signInWindow->show();
        settle();
        panel->rememberBtn()->setChecked(true);
        panel->phoneNum()->setText("demo");
        panel->pwdTF()->setText(password);
        panel->loginBtn()->click();
        return signInWindow;
    };
    const auto toastOver = [] { return MLHudAlert::sharedAlert() ? MLHudAlert::sharedAlert()->window()->parentWidget() : nullptr; };

    std::unique_ptr<QWidget> kept(signInRemembered("demo1234"));
    ASSERT_TRUE(waitFor([&] { return signIns().size() == 1; }));
    settle();
    EXPECT_NE(toastText(), notKept) << "kept: nothing to say";
    EXPECT_EQ(keyring_->passwordFor("demo"), "demo1234");

    // The keyring answers while the sign-in is on its way: said once it has succeeded, over the
    // window left when the sign-in window goes.
    keyring_->clearPassword("demo", {});
    keyring_->setAvailable(false);
    std::unique_ptr<QWidget> signedIn(signInRemembered("demo1234"));
    ASSERT_TRUE(waitFor([&] { return signIns().size() == 2; }));
    ASSERT_TRUE(waitFor([&] { return toastText() == notKept; }));
    EXPECT_EQ(toastOver(), &window_);
    EXPECT_EQ(archive()["account"].stringValue(), "demo") << "the account name is kept all the same";

    // A refused sign-in (the service says why) says nothing of the keyring: the next attempt does.
    MLHudAlert::alertWithWindow(&window_, 0, QStringLiteral("其他"));
    std::unique_ptr<QWidget> refused(signInRemembered("wrong-password"));
    const auto* refusedPanel = refused->findChild<KXLoginPhoneMailView*>();
    ASSERT_TRUE(waitFor([&] { return !refusedPanel->isLoginInFlight(); }));
    settle();
    EXPECT_EQ(toastText(), QStringLiteral("其他"));
    EXPECT_EQ(signIns().size(), 2u);

    // The sign-in window is gone before the keyring answers: still said, over the window left.
    MLHudAlert::alertWithWindow(&window_, 0, QStringLiteral("其他"));
    delete signInRemembered("demo1234");
    ASSERT_TRUE(waitFor([&] { return toastText() == notKept; }));
    EXPECT_EQ(toastOver(), &window_);
}

TEST_F(KXLoginPhoneMailViewTest, ForgottenPasswordOpensOnlyWebAddresses)
{
    desktop::ScopedRecordingURLOpener opener;
    auto* panel = open();
    setDefault("forget_pwd", Id("file:///etc/passwd"));
    panel->forgetPwdBtn()->click();
    EXPECT_TRUE(opener.opened().empty());
    setDefault("forget_pwd", Id("https://s.example/forget"));
    panel->forgetPwdBtn()->click();
    EXPECT_EQ(opener.opened(), std::vector<std::string>{"https://s.example/forget"});
}

TEST_F(KXLoginPhoneMailViewTest, AForgottenPasswordPageTheBrowserCannotOpenShowsItsAddress)
{
    auto* panel = open();
    setDefault("forget_pwd", Id("https://s.example/forget"));
    const auto shown = [&] {
        auto* alert = KXOpenFailedAlert::alertOf(panel);
        return alert && alert->isVisible() ? alert->targetField()->toPlainText() : QString();
    };
    {
        desktop::ScopedRecordingURLOpener opener;
        opener.opener().setLaunchError("Could not start xdg-open");
        panel->forgetPwdBtn()->click();
        ASSERT_EQ(shown(), "https://s.example/forget");
        EXPECT_EQ(KXOpenFailedAlert::alertOf(panel)->parentWidget(), &window_);
        KXOpenFailedAlert::alertOf(panel)->closeBtnClick();
    }
    testsupport::ScopedFailingSystemOpener opener;
    panel->forgetPwdBtn()->click();
    EXPECT_TRUE(shown().isEmpty());
    ASSERT_TRUE(waitFor([&] { return !shown().isEmpty(); }));
    EXPECT_EQ(shown(), "https://s.example/forget");
}

TEST_F(KXLoginPhoneMailViewTest, RegistrationOpensOverThePanel)
{
    auto* panel = open();
    panel->registerBtn()->click();
    auto* registration = panel->findChild<KXLoginRegisterView*>();
    ASSERT_NE(registration, nullptr);
    EXPECT_TRUE(registration->isVisible());
    EXPECT_EQ(registration->geometry(), panel->rect());
    registration->loginBtn()->click();
    EXPECT_EQ(registration->parentWidget(), nullptr) << "back to the account panel";
    EXPECT_TRUE(panel->isVisible());
}

TEST_F(KXLoginPhoneMailViewTest, TheFormOnShowHasTheKeysAndTheCoveredOneNone)
{
    auto* panel = open();
    window_.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window_));
    const auto typeIntoFocus = [](const QString& text) {
        ASSERT_NE(QApplication::focusWidget(), nullptr) << "some field has the keys";
        QTest::keyClicks(QApplication::focusWidget(), text);
    };

    panel->registerBtn()->click();
    auto* registration = panel->findChild<KXLoginRegisterView*>();
    ASSERT_NE(registration, nullptr);
    typeIntoFocus(QStringLiteral("138"));
    EXPECT_EQ(registration->phoneTF()->text(), QStringLiteral("138")) << "typed at once into the phone field";
    EXPECT_TRUE(panel->phoneNum()->text().isEmpty());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_TRUE(toastText().isEmpty()) << "Return in the registration form is not a sign-in of the form beneath";

    registration->loginBtn()->click();
    typeIntoFocus(QStringLiteral("demo"));
    EXPECT_EQ(panel->phoneNum()->text(), QStringLiteral("demo")) << "back on the login form, the account field has the keys";
}

TEST_F(KXLoginPhoneMailViewTest, ReturnAfterAClickOnACheckBoxSignsIn)
{
    auto* panel = open();
    window_.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window_));
    panel->phoneNum()->setText("demo");
    QTest::mouseClick(panel->rememberBtn(), Qt::LeftButton);
    ASSERT_EQ(QApplication::focusWidget(), panel->rememberBtn());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(toastText(), QStringLiteral("密码为空…")) << "Return from the check box runs the login";
    panel->pwdTF()->setText("demo1234");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter);
    ASSERT_TRUE(waitFor([&] { return !signIns().empty(); }));
    EXPECT_EQ(logins(), 1u);
}
