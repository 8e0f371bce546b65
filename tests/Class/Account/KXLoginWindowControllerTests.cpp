// The login window and its QR panel against the local service, on the virtual clock: the code,
// the poll that the admin endpoint's confirmation ends, the time-out image and its click, the
// window's frame and level.
#include "AccountTestSupport.h"

#include "Class/Account/Core/KXSignInEvents.h"
#include "Class/Account/Core/KXWechatQRPoll.h"
#include "Class/Account/KXLoginPhoneMailView.h"
#include "Class/Account/KXLoginRegisterView.h"
#include "Class/Account/KXLoginViewController.h"
#include "Class/Account/KXLoginWindowController.h"
#include "Class/Account/KXRegisterAgreementWC.h"
#include "Class/Account/KXWindowGrowth.h"
#include "Class/Account/KXTransientWindow.h"
#include "Class/Account/KXQRCodeView.h"
#include "Class/Account/KXWebPanel.h"
#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Class/UIKit/KXImage.h"
#include "Class/UIKit/ScaledScreen.h"
#include "Class/UIKit/KXRemoveFromSuperview.h"
#include "Platform/Dispatch/Clock.h"
#include "Platform/Graphics/Image.h"

#include <QApplication>
#include <QLineEdit>
#include <QMainWindow>
#include <QScrollArea>
#include <QScrollBar>
#include <QMouseEvent>
#include <QPointer>
#include <QTest>

using foundation::Id;

namespace {

class KXLoginWindowTest : public accounttest::AccountServiceTest {
protected:
    void SetUp() override
    {
        AccountServiceTest::SetUp();
        main_.resize(900, 700);
        main_.show();
    }

    std::unique_ptr<KXLoginWindowController> open()
    {
        auto controller = std::make_unique<KXLoginWindowController>(QStringLiteral("KXLoginWindowController"), &main_);
        controller->showCentred();
        return controller;
    }

    // Polls the service has received so far.
    std::vector<localservice::LoggedRequest> polls() const { return service().requestLog().withTag("147"); }

    QWidget main_;
};

bool showsImage(KXQRCodeView* view)
{
    return view->image() != nullptr;
}

} // namespace

TEST_F(KXLoginWindowTest, TheWindowIsTransientForTheMainWindowWithOnlyACloseButton)
{
    auto controller = open();
    QWidget* window = controller->window();
    EXPECT_TRUE(window->isWindow());
    EXPECT_EQ(window->parentWidget(), &main_) << "transient for the main window";
    const Qt::WindowFlags flags = window->windowFlags();
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowStaysOnTopHint) << "never above other programs";
    EXPECT_EQ(window->windowTitle(), QStringLiteral("用户登录")) << "named to the window manager after its module";
    EXPECT_EQ(controller->windowNibName(), QStringLiteral("KXLoginWindowController"));
    EXPECT_EQ(KXGlobalDataBase::sharedKXGlobalDataBase().currentModule()->utf8(), "用户登录");
    window->close();
    EXPECT_FALSE(window->isVisible());
    EXPECT_NE(controller->window(), nullptr) << "closing keeps the window";
}

TEST_F(KXLoginWindowTest, AScanConfirmedAtTheServiceSignsInAndClosesTheWindow)
{
    dispatch::VirtualClock::Scope time;
    auto controller = open();
    KXLoginViewController* panel = controller->contentViewController();
    ASSERT_TRUE(waitFor([&] { return !panel->poll()->ticket().empty(); }));
    ASSERT_TRUE(waitFor([&] { return showsImage(panel->imgView()); })) << "the service's QR image";
    EXPECT_FALSE(panel->imgView()->isClickArmed());
    const std::string ticket = panel->poll()->ticket();

    time.advance(10);
    EXPECT_TRUE(polls().empty());
    for (int i = 1; i <= 3; ++i) {
        time.advance(1);
        ASSERT_TRUE(waitFor([&] { return polls().size() == static_cast<std::size_t>(i); })) << i;
        ASSERT_TRUE(waitFor([&] { return panel->poll()->budget() == KXWechatQRPoll::kBudget - i; })) << "one poll at a time";
    }
    ASSERT_TRUE(service().confirmWechatTicket(ticket));
    time.advance(1);
    ASSERT_TRUE(waitFor([&] { return !signIns().empty(); }));
    EXPECT_EQ(signIns().front()["uname"].stringValue(), "demo");
    EXPECT_FALSE(controller->window()->isVisible());
    EXPECT_TRUE(KXUserCenterConfig::sharedKXUserCenterConfig().isAutologin());
    for (const auto& poll : polls()) {
        ASSERT_NE(poll.param("ticket"), nullptr) << "never a poll without a ticket";
        EXPECT_EQ(*poll.param("ticket"), ticket);
    }
    EXPECT_EQ(polls().size(), 4u);
    time.advance(30);
    EXPECT_EQ(polls().size(), 4u);
}

TEST_F(KXLoginWindowTest, ADeadCodeShowsTheTimedOutImageAndAClickAsksForANewOne)
{
    dispatch::VirtualClock::Scope time;
    setFault("getWxQrCode", localservice::Fault::Kind::Http500);
    auto controller = open();
    KXLoginViewController* panel = controller->contentViewController();
    ASSERT_TRUE(waitFor([&] { return panel->poll()->state() == KXWechatQRPoll::State::TimedOut; }));
    ASSERT_TRUE(waitFor([&] { return showsImage(panel->imgView()); }));
    EXPECT_TRUE(panel->imgView()->isClickArmed());
    const QImage shown = panel->imgView()->currentFrameImage();
    EXPECT_EQ(shown.size(), KXImage::imageNamed("wechatCodeTimeOut").image().size());
    time.advance(60);
    EXPECT_TRUE(polls().empty()) << "no ticket, no poll";

    service().faults().clearAll();
    const auto codesBefore = service().requestLog().withTag("146").size();
    QTest::mouseClick(panel->imgView(), Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return !panel->poll()->ticket().empty(); }));
    EXPECT_EQ(service().requestLog().withTag("146").size(), codesBefore + 1);
    EXPECT_FALSE(panel->imgView()->isClickArmed());
    QTest::mouseClick(panel->imgView(), Qt::LeftButton);
    settle();
    EXPECT_EQ(service().requestLog().withTag("146").size(), codesBefore + 1) << "a fresh code ignores clicks";
    time.advance(11);
    ASSERT_TRUE(waitFor([&] { return polls().size() == 1; }));
}

TEST_F(KXLoginWindowTest, TheAccountPanelStopsPollingAndComingBackShowsAFreshCode)
{
    dispatch::VirtualClock::Scope time;
    auto controller = open();
    KXLoginViewController* panel = controller->contentViewController();
    ASSERT_TRUE(waitFor([&] { return !panel->poll()->ticket().empty(); }));
    const std::string first = panel->poll()->ticket();
    panel->phoneLoginButton()->click();
    auto* account = panel->findChild<KXLoginPhoneMailView*>();
    ASSERT_NE(account, nullptr);
    EXPECT_TRUE(account->isVisible());
    time.advance(60);
    EXPECT_TRUE(polls().empty());
    EXPECT_EQ(panel->poll()->state(), KXWechatQRPoll::State::Stopped);

    account->wechatBtn()->click();
    EXPECT_EQ(account->parentWidget(), nullptr);
    ASSERT_TRUE(waitFor([&] { return !panel->poll()->ticket().empty() && panel->poll()->ticket() != first; }));
    time.advance(11);
    ASSERT_TRUE(waitFor([&] { return polls().size() == 1; }));
    EXPECT_EQ(*polls().front().param("ticket"), panel->poll()->ticket());
}

TEST_F(KXLoginWindowTest, KeysTypedRightAfterChoosingTheAccountFormLandInTheAccountField)
{
    auto controller = open();
    QWidget* window = controller->window();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    KXLoginViewController* panel = controller->contentViewController();
    panel->phoneLoginButton()->click();
    auto* account = panel->findChild<KXLoginPhoneMailView*>();
    ASSERT_NE(account, nullptr);
    // Typed into the window as a keyboard types: the keys go wherever the focus is.
    for (const char key : std::string("demo"))
        QTest::keyClick(window->windowHandle(), key);
    EXPECT_EQ(account->phoneNum()->text(), QStringLiteral("demo"));
    QTest::keyClick(window->windowHandle(), Qt::Key_Tab);
    QTest::keyClick(window->windowHandle(), 'x');
    EXPECT_EQ(account->pwdTF()->text(), QStringLiteral("x")) << "Tab still leads to the password";
}

TEST_F(KXLoginWindowTest, BackFromRegistrationByMouseTheAccountFieldHasTheKeys)
{
    auto controller = open();
    QWidget* window = controller->window();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    const auto type = [window](const std::string& text) {
        for (const char key : text)
            QTest::keyClick(window->windowHandle(), key);
    };
    // Clicked as a mouse clicks: the press hands the focus out by the widgets' focus policies.
    KXLoginViewController* panel = controller->contentViewController();
    QTest::mouseClick(panel->phoneLoginButton(), Qt::LeftButton);
    auto* account = panel->findChild<KXLoginPhoneMailView*>();
    ASSERT_NE(account, nullptr);
    QTest::mouseClick(account->registerBtn(), Qt::LeftButton);
    QPointer<KXLoginRegisterView> registration = account->findChild<KXLoginRegisterView*>();
    ASSERT_FALSE(registration.isNull());
    type("138");
    EXPECT_EQ(registration->phoneTF()->text(), QStringLiteral("138"));

    QTest::mouseClick(registration->loginBtn(), Qt::LeftButton);
    ASSERT_TRUE(registration.isNull() || !registration->isVisible()) << "the registration panel went";
    const QWidget* focus = window->focusWidget();
    EXPECT_EQ(focus, account->phoneNum())
        << "the keys are with " << (focus ? focus->metaObject()->className() : "nothing");
    type("demo");
    EXPECT_EQ(account->phoneNum()->text(), QStringLiteral("demo"))
        << "back on the login form, typing lands in the account field";

    // A click on the form's blank space leaves the keys where they are.
    QTest::mouseClick(account, Qt::LeftButton, {}, QPoint(8, 8));
    type("x");
    EXPECT_EQ(account->phoneNum()->text(), QStringLiteral("demox"));
}

TEST_F(KXLoginWindowTest, ClosingTheWindowStopsItsPolling)
{
    dispatch::VirtualClock::Scope time;
    auto controller = open();
    KXLoginViewController* panel = controller->contentViewController();
    ASSERT_TRUE(waitFor([&] { return !panel->poll()->ticket().empty(); }));
    controller->window()->close();
    time.advance(60);
    EXPECT_TRUE(polls().empty());
    // A newer window polls on its own.
    auto second = open();
    ASSERT_TRUE(waitFor([&] { return !second->contentViewController()->poll()->ticket().empty(); }));
    time.advance(11);
    ASSERT_TRUE(waitFor([&] { return polls().size() == 1; }));
}

TEST_F(KXLoginWindowTest, ASignInInOneWindowEndsThePollingOfAnotherStillOpen)
{
    dispatch::VirtualClock::Scope time;
    auto first = open();
    KXLoginViewController* firstPanel = first->contentViewController();
    ASSERT_TRUE(waitFor([&] { return !firstPanel->poll()->ticket().empty(); }));
    auto second = open();
    KXLoginViewController* secondPanel = second->contentViewController();
    ASSERT_TRUE(waitFor([&] { return !secondPanel->poll()->ticket().empty(); }));
    time.advance(11);
    ASSERT_TRUE(waitFor([&] { return polls().size() == 2; })) << "both windows poll";
    for (KXLoginViewController* panel : {firstPanel, secondPanel})
        ASSERT_TRUE(waitFor([&] { return panel->poll()->budget() == KXWechatQRPoll::kBudget - 1; }));

    ASSERT_TRUE(service().confirmWechatTicket(secondPanel->poll()->ticket(), "editor"));
    time.advance(1);
    ASSERT_TRUE(waitFor([&] { return !signIns().empty(); }));
    ASSERT_TRUE(waitFor([&] { return firstPanel->imgView()->isClickArmed(); }));
    const std::size_t afterSignIn = polls().size();
    time.advance(60);
    QCoreApplication::processEvents();
    EXPECT_EQ(polls().size(), afterSignIn) << "the first window sends nothing more";
    ASSERT_EQ(signIns().size(), 1u);
    EXPECT_EQ(signIns().front()["uname"].stringValue(), "editor");
    EXPECT_FALSE(second->window()->isVisible());
    EXPECT_FALSE(first->window()->isVisible()) << "the other window closes with it: no dead code is left to refresh";
    EXPECT_EQ(firstPanel->imgView()->currentFrameImage().size(), KXImage::imageNamed("wechatCodeTimeOut").image().size());
}

TEST_F(KXLoginWindowTest, ASignInClosesEveryLoginWindowWithTheAgreementItOpened)
{
    auto reading = open();
    reading->contentViewController()->phoneLogin();
    auto* form = reading->contentViewController()->findChild<KXLoginPhoneMailView*>();
    ASSERT_NE(form, nullptr);
    form->registerC();
    auto* registration = form->findChild<KXLoginRegisterView*>();
    ASSERT_NE(registration, nullptr);
    registration->agreementBtnClick();
    ASSERT_TRUE(registration->registerWc()->window()->isVisible());
    auto idle = open();
    settle();

    const Id editor = signInAs("editor", "editor123");
    ASSERT_TRUE(KXSignInEvents::postLoginMessage(editor, KXSignInEvents::startAttempt()));
    settle();
    EXPECT_FALSE(reading->window()->isVisible());
    EXPECT_FALSE(registration->registerWc()->window()->isVisible()) << "its agreement would register a second account";
    EXPECT_FALSE(idle->window()->isVisible());
    EXPECT_TRUE(agreements().empty()) << "closed unanswered by the program, not refused by the user";
    // Other events of the channel close nothing.
    auto next = open();
    KXSignInEvents::postLoginStarting();
    settle();
    EXPECT_TRUE(next->window()->isVisible());
}

TEST_F(KXLoginWindowTest, QQNeedsTheWebEngineBuild)
{
    auto controller = open();
    KXBaseButton* qq = controller->contentViewController()->qqLoginButton();
    EXPECT_EQ(qq->isEnabled(), KXWebPanel::isAvailable());
    if (!KXWebPanel::isAvailable()) {
        EXPECT_FALSE(qq->toolTip().isEmpty());
    }
}

TEST(KXWebPanel, AsRootTheEngineStartsOnlyWithItsSandboxSwitchedOff)
{
    // The engine ends a root process at its first page unless its sandbox is off: such a process
    // keeps the pages' fallbacks instead.
    EXPECT_TRUE(KXWebPanel::engineCanStart(false, "", ""));
    EXPECT_FALSE(KXWebPanel::engineCanStart(true, "", ""));
    EXPECT_FALSE(KXWebPanel::engineCanStart(true, "  ", "--disable-gpu --no-sandboxing"));
    EXPECT_TRUE(KXWebPanel::engineCanStart(true, "1", ""));
    EXPECT_TRUE(KXWebPanel::engineCanStart(true, "", "--disable-gpu  --no-sandbox"));
}

TEST_F(KXLoginWindowTest, OnASmallScreenTheWindowFitsAndItsSignInButtonsScrollIntoIt)
{
    KXLoginWindowController controller(QStringLiteral("KXLoginWindowController"), &main_);
    KXLoginViewController* page = controller.contentViewController();
    scaledscreen::forEachSmallScreen([&](const scaledscreen::ScaledScreen& screen) {
        scaledscreen::expectFitsWithButtonsReachable(controller.window(), {page->phoneLoginButton(), page->qqLoginButton()}, screen);
    });
    // Only too short at 2.0 on 1366 x 768: it scrolls up and down, not sideways.
    const scaledscreen::ScaledScreen laptop{2.0, QRect(0, 0, 1366, 768), QMargins(1, 30, 1, 1)};
    scaledscreen::expectFitsWithButtonsReachable(controller.window(), {}, laptop);
    EXPECT_TRUE(controller.window()->scrollArea()->verticalScrollBar()->isVisibleTo(controller.window()));
    // Grown for the QQ form, the window still fits, and the form shows from its heading down
    // wherever the code page was scrolled to.
    QScrollBar* vertical = controller.window()->scrollArea()->verticalScrollBar();
    vertical->setValue(vertical->maximum());
    ASSERT_GT(vertical->value(), 0);
    controller.window()->setDesignedSize(QSize(KXLoginViewController::kQQWidth, KXLoginViewController::kQQHeight));
    EXPECT_EQ(vertical->value(), 0);
    scaledscreen::forEachSmallScreen([&](const scaledscreen::ScaledScreen& screen) {
        scaledscreen::expectFitsWithButtonsReachable(controller.window(), {}, screen);
        EXPECT_EQ(controller.window()->contentView()->minimumSize(), QSize(KXLoginViewController::kQQWidth, KXLoginViewController::kQQHeight));
    });
}

TEST_F(KXLoginWindowTest, TheSignInAndAgreementWindowsKeepTheSizeTheyAreFittedTo)
{
    // Their zoom is hidden: no window manager may maximise or resize them.
    const auto expectKept = [](const QWidget* window) {
        EXPECT_EQ(window->minimumSize(), window->size());
        EXPECT_EQ(window->maximumSize(), window->size());
    };
    dispatch::VirtualClock::Scope time;
    KXLoginWindowController login(QStringLiteral("KXLoginWindowController"), &main_);
    KXRegisterAgreementWC agreement(QStringLiteral("KXRegisterAgreementWC"), &main_);
    // A laptop at 2.0 too short for either window.
    const scaledscreen::ScaledScreen laptop{2.0, QRect(0, 0, 1366, 768), QMargins(1, 30, 1, 1)};
    for (KXTransientWindow* window : {login.window(), agreement.window()}) {
        SCOPED_TRACE(window == login.window() ? "sign-in" : "agreement");
        const QSize designed = kx_designedSize(window);
        window->showCentred();
        expectKept(window);
        window->hide();
        {
            const scaledscreen::FramedWindows framed(window, laptop.frame());
            kx_fitWindow(window, laptop.available(), laptop.available(), laptop.grid());
        }
        EXPECT_LT(window->height(), designed.height());
        expectKept(window);

        // Growing for another form, the kept size follows each step instead of holding it back.
        window->show();
        settle();
        const QRect grown(window->geometry().topLeft() + QPoint(60, 0), window->size() + QSize(450, 150));
        kx_growWindow(window, grown, 0.5, {});
        time.advance(0.25);
        settle();
        EXPECT_GT(window->width(), grown.width() - 450);
        EXPECT_LT(window->width(), grown.width());
        expectKept(window);
        time.advance(0.25);
        settle();
        EXPECT_EQ(window->geometry(), grown);
        expectKept(window);
    }
}

TEST_F(KXLoginWindowTest, FittedAgainOnceFramedTheWindowKeepsItsFrameOnALaptopsScreen)
{
    // openbox frames the main window with a 20-pixel title bar, 1-pixel sides and a 5-pixel resize
    // handle, and the sign-in window, which keeps its size, without the handle: the window is
    // fitted again once framed. At 1.75 its frame went a pixel above the screen.
    for (const double scale : { 1.0, 1.25, 1.5, 1.75, 2.0 }) {
        SCOPED_TRACE(testing::Message() << "scale " << scale);
        const scaledscreen::ScaledScreen laptop { scale, QRect(0, 0, 1366, 768), QMargins(1, 20, 1, 5) };
        const QRect available = laptop.available();
        KXLoginWindowController controller(QStringLiteral("KXLoginWindowController"), &main_);
        KXTransientWindow* window = controller.window();
        scaledscreen::WindowManager windowManager(laptop, window, QMargins(1, 20, 1, 1));
        kx_fitWindow(window, available, available, laptop.grid());
        window->show();
        settle();
        windowManager.frame();
        kx_fitWindow(window, available, available, laptop.grid());
        const QRect placed = windowManager.placedFrame();
        EXPECT_TRUE(laptop.deviceAvailable.contains(placed))
            << placed.width() << " x " << placed.height() << " at " << placed.x() << ", " << placed.y();
        window->hide();
    }
}

TEST_F(KXLoginWindowTest, WithRoomForItsFormTheWindowDoesNotScroll)
{
    // 1600 x 1000 at 1.75 under a 22-pixel title bar: the window manager snaps a width of 665
    // device pixels to its increment of 2, which Qt would read back one pixel under the form.
    KXLoginWindowController controller(QStringLiteral("KXLoginWindowController"), &main_);
    const scaledscreen::ScaledScreen screen{1.75, QRect(0, 0, 1600, 1000), QMargins(1, 22, 1, 5)};
    scaledscreen::expectFitsWithButtonsReachable(controller.window(), {}, screen);
    EXPECT_FALSE(controller.window()->scrollArea()->horizontalScrollBar()->isVisibleTo(controller.window()));
    EXPECT_FALSE(controller.window()->scrollArea()->verticalScrollBar()->isVisibleTo(controller.window()));
}
