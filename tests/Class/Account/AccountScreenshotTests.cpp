// Pictures of the account windows and pages for review, day and night, into
// <build>/screenshots/. The pages keep their own colours; what lies under the overlays follows the
// palette. Each picture is checked for a pixel it must show.
#include "AccountTestSupport.h"

#include "Class/Account/Core/KXWechatQRPoll.h"
#include "Class/Account/KXDiversionGroupView.h"
#include "Class/Account/KXLoginPhoneMailView.h"
#include "Class/Account/KXLoginRegisterView.h"
#include "Class/Account/KXLoginViewController.h"
#include "Class/Account/KXLoginWindowController.h"
#include "Class/Account/KXPersonalCenterView.h"
#include "Class/Account/KXPersonalFeedBack.h"
#include "Class/Account/KXPersonalStubPage.h"
#include "Class/Account/KXQRCodeView.h"
#include "Class/Account/KXRegisterAgreementVC.h"
#include "Class/Account/KXRegisterAgreementWC.h"
#include "Class/Account/KXVipAlertView.h"
#include "Class/ImageViews/ImageView.h"
#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"
#include "Class/Theme/KXThemeManager.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Class/UIKit/KXImage.h"
#include "Class/UIKit/KXQtColor.h"
#include "Platform/Dispatch/Clock.h"
#include "Platform/Dispatch/RunLoop.h"

#include "local-service/ServiceControls.h"

#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTableWidget>

using foundation::Id;

namespace {

class AccountScreenshots : public accounttest::AccountServiceTest, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override
    {
        AccountServiceTest::SetUp();
        KXThemeManager::themeManager().setIsNight(GetParam());
    }

    QString name(const char* page) const { return QStringLiteral("account-%1-%2").arg(page, GetParam() ? "day" : "night"); }

    // The personal centre beside the side bar's width, as high as `backdrop`, which is shown.
    static KXPersonalCenterView* openCentre(accounttest::Backdrop& backdrop, int height)
    {
        backdrop.resize(700, height);
        backdrop.show();
        auto* page = new KXPersonalCenterView(&backdrop);
        page->setGeometry(90, 0, KXPersonalCenterView::kWidth, backdrop.height());
        page->show();
        return page;
    }

    // Every image view on show has its image (the avatar, the published collections' covers).
    static bool imagesShown(const QWidget* page)
    {
        for (const ImageView* view : page->findChildren<ImageView*>())
            if (view->isVisible() && !view->image())
                return false;
        return true;
    }
};

} // namespace

TEST_P(AccountScreenshots, LoginWindowPanels)
{
    QWidget main;
    main.resize(900, 700);
    main.show();
    KXLoginWindowController controller(QStringLiteral("KXLoginWindowController"), &main);
    controller.showCentred();
    KXLoginViewController* qr = controller.contentViewController();
    ASSERT_TRUE(waitFor([&] { return qr->imgView()->image() != nullptr; }));
    QImage picture = accounttest::screenshot(controller.window(), name("login-qr"));
    EXPECT_EQ(accounttest::colorAt(picture, QPoint(5, 5)), QColor(Qt::white));
    const QPoint codeCentre = qr->imgView()->geometry().center();
    EXPECT_NE(accounttest::colorAt(picture, codeCentre + QPoint(-60, -60)), QColor(Qt::white)) << "the code's finder pattern";

    qr->wechatCodeTimeOut();
    const QSize timedOut = KXImage::imageNamed("wechatCodeTimeOut").image().size();
    ASSERT_TRUE(waitFor([&] { return qr->imgView()->currentFrameImage().size() == timedOut; }));
    accounttest::screenshot(controller.window(), name("login-qr-timed-out"));

    qr->phoneLoginButton()->click();
    auto* account = qr->findChild<KXLoginPhoneMailView*>();
    ASSERT_NE(account, nullptr);
    account->phoneNum()->setText("13800000000");
    account->pwdTF()->setText("secret");
    picture = accounttest::screenshot(controller.window(), name("login-account"));
    EXPECT_EQ(accounttest::colorAt(picture, account->loginBtn()->geometry().center() + QPoint(-60, 0)), QColor(151, 125, 98));

    account->registerBtn()->click();
    auto* registration = account->findChild<KXLoginRegisterView*>();
    ASSERT_NE(registration, nullptr);
    registration->phoneTF()->setText("13911112222");
    registration->startWithTime(60, QString(), QStringLiteral("重新发送"), QColor(), QColor());
    accounttest::screenshot(controller.window(), name("login-register"));
}

TEST_P(AccountScreenshots, AgreementWindow)
{
    QWidget main;
    main.resize(900, 700);
    main.show();
    KXRegisterAgreementWC agreement(QStringLiteral("KXRegisterAgreementWC"), &main);
    agreement.showCentred();
    settle();
    const QImage picture = accounttest::screenshot(agreement.window(), name("agreement"));
    const QWidget* sure = agreement.contentViewController()->sureBtn();
    EXPECT_EQ(agreement.contentViewController()->sureBtn()->title(), QStringLiteral("同意(05s)"));
    EXPECT_NE(accounttest::colorAt(picture, sure->geometry().topLeft() + QPoint(4, 4)), QColor(Qt::white));
}

TEST_P(AccountScreenshots, PersonalCentre)
{
    signInAs("demo", "demo1234");
    setDefault("my_orderClick", Id("1"));
    setDefault("appVersion", Id("3.2.0"));
    service().controls().setUnpaidOverride(3);
    accounttest::Backdrop backdrop;
    auto* page = openCentre(backdrop, 680);
    ASSERT_TRUE(waitFor([&] {
        return page->collectionScorllView()->isVisible() && page->orderNumLabel()->isVisible() && page->groupsNum()->text() != QStringLiteral("--");
    }));
    // The avatar and the cover of the first published collection.
    ASSERT_TRUE(waitFor([&] { return imagesShown(page); }));
    const QImage picture = accounttest::screenshot(&backdrop, name("personal-centre"));
    EXPECT_EQ(accounttest::colorAt(picture, QPoint(90 + 6, 680 - 4)), QColor(Qt::white)) << "the page's own white";
    EXPECT_EQ(accounttest::colorAt(picture, page->orderNumLabel()->geometry().translated(90, 0).center() + QPoint(0, 8)), QColor(238, 84, 84)) << "the badge";
    service().controls().setUnpaidOverride(std::nullopt);
}

TEST_P(AccountScreenshots, PersonalCentreWhoseCountersFailed)
{
    signInAs("demo", "demo1234");
    setDefault("appVersion", Id("3.2.0"));
    setFault("getUserData", localservice::Fault::Kind::Http500);
    accounttest::Backdrop backdrop;
    auto* page = openCentre(backdrop, 680);
    ASSERT_TRUE(waitFor([&] { return page->collectionScorllView()->isVisible() && !service().requestLog().withTag("113").empty(); }));
    settle();
    accounttest::screenshot(&backdrop, name("personal-centre-no-counters"));
    // The folders' counter comes with the folders as well.
    EXPECT_EQ(page->groupsNum()->text(), QStringLiteral("4"));
    for (QLabel* counter : {page->useDNum(), page->collectedNum()}) {
        EXPECT_EQ(counter->text(), QStringLiteral("--"));
        EXPECT_GE(counter->width(), counter->sizeHint().width()) << "the dashes are not cut";
    }
}

TEST_P(AccountScreenshots, PersonalCentreOnTheShortestWindow)
{
    signInAs("demo", "demo1234");
    setDefault("appVersion", Id("3.2.0"));
    accounttest::Backdrop backdrop;
    // The main window's least height at 2.0 on 1600 x 1000.
    auto* page = openCentre(backdrop, 486);
    ASSERT_TRUE(waitFor([&] { return page->collectionScorllView()->isVisible() && page->groupsNum()->text() != QStringLiteral("--"); }));
    ASSERT_TRUE(waitFor([&] { return imagesShown(page); }));
    accounttest::screenshot(&backdrop, name("personal-centre-short"));
    page->scrollBar()->setValue(page->scrollBar()->maximum());
    settle();
    const QImage scrolled = accounttest::screenshot(&backdrop, name("personal-centre-short-scrolled"));
    const QPoint versionLine = page->versionLabel()->mapTo(&backdrop, page->versionLabel()->rect().center());
    EXPECT_LT(versionLine.y(), backdrop.height());
    EXPECT_EQ(accounttest::colorAt(scrolled, QPoint(90 + 6, page->collectionScorllView()->mapTo(&backdrop, QPoint(0, 0)).y() - 4)), QColor(Qt::white))
        << "the page's own white above the card";
}

TEST_P(AccountScreenshots, Overlays)
{
    KXUserCenterConfig::sharedKXUserCenterConfig().setVipinfo(foundation::MutableDictionary::create(
        {{Id("content"), Id(R"(1. 免费使用 VIP 字体库中的全部字体\r\n\r\n2. 新字体上线抢先体验\r\n\r\n3. 专属客服)")}}));
    const std::pair<const char*, std::function<QWidget*(QWidget*)>> pages[] = {
        {"vip", [](QWidget* parent) { return new KXVipAlertView(parent); }},
        {"feedback", [](QWidget* parent) { return new KXPersonalFeedBack(parent); }},
        {"invitation", [](QWidget* parent) { return new KXDiversionGroupView(parent); }},
        {"help", [](QWidget* parent) { return new KXPersonalHelpCenter(parent); }},
        {"settings", [](QWidget* parent) { return new KXPersonalSettingView(parent); }},
        {"change-password", [](QWidget* parent) { return new KXPersonalChangePwd(parent); }},
    };
    for (const auto& [page, make] : pages) {
        accounttest::Backdrop backdrop;
        backdrop.show();
        QWidget* view = make(&backdrop);
        view->setGeometry(backdrop.rect());
        view->show();
        ASSERT_TRUE(waitFor([&] {
            for (ImageView* image : view->findChildren<ImageView*>())
                if (!image->image())
                    return false;
            return true;
        })) << page;
        const QImage picture = accounttest::screenshot(&backdrop, name(page));
        EXPECT_EQ(accounttest::colorAt(picture, backdrop.rect().center()), QColor(Qt::white)) << page << ": the card in the middle";
    }
}

INSTANTIATE_TEST_SUITE_P(DayAndNight, AccountScreenshots, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& param) { return param.param ? "day" : "night"; });
