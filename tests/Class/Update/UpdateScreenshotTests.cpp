// Pictures of the update prompt, the About page, the updater window in its three states and its
// alert when the desktop cannot open the package, day and night, into <build>/screenshots/.
#include "AccountTestSupport.h"

#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/Theme/KXThemeManager.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Class/UIKit/KXOpenFailedAlert.h"
#include "Class/UIKit/KXQtColor.h"
#include "Class/Update/Core/KXUpdateDownload.h"
#include "Class/Update/KXPersonalAboutUS.h"
#include "Class/Update/KXUPDateAPPView.h"
#include "Class/Update/KXUPDateCenterVC.h"
#include "Class/Update/KXUPDateCenterWC.h"
#include "Platform/Desktop/URLOpener.h"

#include <QLabel>
#include <QPlainTextEdit>

using foundation::Id;

namespace {

class UpdateScreenshots : public accounttest::AccountServiceTest, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override
    {
        AccountServiceTest::SetUp();
        KXThemeManager::themeManager().setIsNight(GetParam());
        setDefault("appVersion", Id("3.2.0"));
    }

    QString name(const char* page) const { return QStringLiteral("update-%1-%2").arg(page, GetParam() ? "day" : "night"); }

};

} // namespace

TEST_P(UpdateScreenshots, PromptAndAboutPage)
{
    accounttest::Backdrop backdrop;
    backdrop.show();
    auto* about = new KXPersonalAboutUS(&backdrop);
    about->setGeometry(90, 0, 310, backdrop.height());
    about->show();
    settle();
    QImage picture = accounttest::screenshot(&backdrop, name("about"));
    EXPECT_EQ(accounttest::colorAt(picture, QPoint(90 + 155, 80)), QColor(Qt::white)) << "the card";

    KXUPDateAPPView::showOn(&backdrop, QStringLiteral("3.3.0_beta"),
                            QStringLiteral("1. 新增字体收藏夹的分享\n2. 下载更快，安装包经校验后再打开\n3. 修复若干问题"),
                            QStringLiteral("https://s.example/corvane-fonts_3.3.0_amd64.deb"));
    settle();
    picture = accounttest::screenshot(&backdrop, name("prompt"));
    EXPECT_EQ(accounttest::colorAt(picture, backdrop.rect().center()), QColor(Qt::white)) << "the prompt's card";
    const QColor veiled = accounttest::colorAt(picture, QPoint(4, 4));
    const QColor bare = kx_qcolor(KXThemeManager::themeManager().RightBGC());
    EXPECT_LT(veiled.lightness(), bare.lightness()) << "the window is dimmed under the prompt";
}

TEST_P(UpdateScreenshots, UpdaterInItsThreeStates)
{
    QWidget main;
    main.resize(1000, 700);
    main.show();
    service().setVersionInfo("9.9.0", "新版本", "");
    KXGlobalDataBase::sharedKXGlobalDataBase().setDownLoadUrl(foundation::String::create(service().baseUrl() + "files/update/corvane-fonts_9.9.0_amd64.deb"));

    // Downloading: a download that has not started, shown at 37 %.
    {
        KXTransientWindow window(&main, QSize(KXUPDateCenterWC::kWidth, KXUPDateCenterWC::kHeight), QString::fromUtf8(KXUPDateCenterWC::kTitle));
        auto* page = new KXUPDateCenterVC(&window, KXUpdateDownload::create());
        page->setGeometry(window.rect());
        window.showCentred();
        page->showProgress(0.374f);
        settle();
        const QImage picture = accounttest::screenshot(&window, name("updater-downloading"));
        const QRect bar = page->progressBg()->geometry().translated(page->bottomBg()->pos());
        EXPECT_NE(accounttest::colorAt(picture, bar.topLeft() + QPoint(200, 5)), QColor(243, 243, 243)) << "filled up to 314 points";
        EXPECT_EQ(accounttest::colorAt(picture, bar.topLeft() + QPoint(600, 5)), QColor(243, 243, 243)) << "the track beyond";
    }
    // Finished, failed (a hash that differs), and refused (a size past the download ceiling).
    struct Shot {
        const char* state;
        std::string size;
        std::string sha;
    };
    for (const auto& [state, size, sha] : {Shot{"updater-finished", "", ""}, Shot{"updater-failed", "", std::string(64, 'e')},
             Shot{"updater-refused-size", "3221225472", ""}}) {
        service().setVersionInfo("9.9.0", "新版本", "", size, sha);
        KXUPDateCenterWC controller(QStringLiteral("KXUPDateCenterWC"), &main);
        controller.showCentred();
        ASSERT_TRUE(waitFor([&] {
            const auto now = controller.contentViewController()->download()->state();
            return now == KXUpdateDownload::State::Finished || now == KXUpdateDownload::State::Failed;
        }));
        settle();
        const QImage picture = accounttest::screenshot(controller.window(), name(state));
        const bool finished = std::string(state) == "updater-finished";
        const QWidget* button = finished ? static_cast<QWidget*>(controller.contentViewController()->openBtn())
                                            : static_cast<QWidget*>(controller.contentViewController()->retryBtn());
        ASSERT_TRUE(button->isVisible()) << state;
        EXPECT_EQ(accounttest::colorAt(picture, button->mapTo(controller.window(), QPoint(6, button->height() / 2))), QColor(151, 125, 98)) << state;
    }
}

TEST_P(UpdateScreenshots, TheAlertWhenTheDesktopCannotOpenThePackage)
{
    QWidget main;
    main.resize(1000, 700);
    main.show();
    service().setVersionInfo("9.9.0", "新版本", "");
    KXGlobalDataBase::sharedKXGlobalDataBase().setDownLoadUrl(
        foundation::String::create(service().baseUrl() + "files/update/corvane-fonts_9.9.0_amd64.deb"));
    desktop::ScopedRecordingURLOpener opener;
    opener.opener().setLaunchError(std::string("xdg-open: no method available for opening the package"));

    KXUPDateCenterWC controller(QStringLiteral("KXUPDateCenterWC"), &main);
    controller.showCentred();
    KXUPDateCenterVC* page = controller.contentViewController();
    ASSERT_TRUE(waitFor([&] { return page->download()->state() == KXUpdateDownload::State::Finished; }));
    page->openBtn()->click();
    ASSERT_TRUE(waitFor([&] {
        const auto* alert = KXOpenFailedAlert::alertOf(page);
        return alert && alert->isVisible();
    }));
    KXOpenFailedAlert* alert = KXOpenFailedAlert::alertOf(page);
    settle();
    accounttest::screenshot(alert, name("updater-open-failed"));
    const QRect updater = controller.window()->frameGeometry();
    EXPECT_TRUE(updater.contains(alert->frameGeometry().center()))
        << "over the updater window, not the main window";
    EXPECT_TRUE(
        alert->targetField()->toPlainText().endsWith(QStringLiteral("/corvane-fonts_9.9.0_amd64.deb")));
    alert->closeBtnClick();
}

INSTANTIATE_TEST_SUITE_P(DayAndNight, UpdateScreenshots, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& param) { return param.param ? "day" : "night"; });
