// Pictures of the update prompt, the About page, the updater window in its three states, on a
// laptop's screen at 1.75, and its alert when the desktop cannot open the package, day and night,
// into <build>/screenshots/.
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
#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/UIKit/ScaledScreen.h"
#include "Platform/Desktop/URLOpener.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"
#include "Support/DrawnAtScale.h"

#include <QDir>
#include <QLabel>
#include <QPlainTextEdit>

using foundation::Id;
using layoutwidgets::lcView;

namespace {

class UpdateScreenshots : public accounttest::AccountServiceTest, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override
    {
        AccountServiceTest::SetUp();
        KXThemeManager::themeManager().setIsNight(GetParam());
        setDefault("appVersion", Id("3.2.0"));
    }

    // A picture drawn at a screen's scale, beside the others.
    static void savePicture(const QImage& picture, const QString& name)
    {
        const QByteArray binary = qgetenv("CORVANE_BINARY_DIR");
        const QString folder = (binary.isEmpty() ? QDir::currentPath() : QString::fromLocal8Bit(binary)) + "/screenshots";
        QDir().mkpath(folder);
        picture.save(folder + "/" + name + ".png");
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

    // Downloading: a download that has not started, shown at 37 %, in a window as the controller
    // makes it (the screen may make it narrower).
    {
        KXTransientWindow window(&main, QSize(KXUPDateCenterWC::kWidth, KXUPDateCenterWC::kHeight), QString::fromUtf8(KXUPDateCenterWC::kTitle));
        window.setNarrowestContentWidth(KXUPDateCenterWC::kNarrowestWidth);
        auto* page = new KXUPDateCenterVC(window.contentView(), KXUpdateDownload::create());
        lc_makeConstraints(lcView(page), [](LCConstraintMaker& make) { make.edges().equalTo(0); });
        window.showCentred();
        page->showProgress(0.374f);
        settle();
        const QImage picture = accounttest::screenshot(&window, name("updater-downloading"));
        const QRect bar(page->progressBg()->mapTo(&window, QPoint(0, 0)), page->progressBg()->size());
        EXPECT_EQ(window.width() - 1 - bar.right(), bar.left()) << "the track spans the window between its margins";
        const int filled = static_cast<int>(0.374 * bar.width());
        EXPECT_NE(accounttest::colorAt(picture, bar.topLeft() + QPoint(filled - 10, 5)), QColor(243, 243, 243)) << "filled up to 37 %";
        EXPECT_EQ(accounttest::colorAt(picture, bar.topLeft() + QPoint(filled + 10, 5)), QColor(243, 243, 243)) << "the track beyond";
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

TEST_P(UpdateScreenshots, UpdaterOnALaptopAt175)
{
    QWidget main;
    main.resize(1000, 700);
    main.show();
    service().setVersionInfo("9.9.0", "新版本", "");
    KXGlobalDataBase::sharedKXGlobalDataBase().setDownLoadUrl(foundation::String::create(service().baseUrl() + "files/update/corvane-fonts_9.9.0_amd64.deb"));
    KXUPDateCenterWC controller(QStringLiteral("KXUPDateCenterWC"), &main);
    KXTransientWindow* window = controller.window();
    KXUPDateCenterVC* page = controller.contentViewController();
    ASSERT_TRUE(waitFor([&] { return page->download()->state() == KXUpdateDownload::State::Finished; }));
    // 1366 x 768 at 1.75, under a title bar.
    const double scale = 1.75;
    const scaledscreen::ScaledScreen laptop{scale, QRect(0, 0, 1366, 768), QMargins(1, 30, 1, 1)};
    {
        const scaledscreen::FramedWindows framed(window, laptop.frame());
        kx_fitWindow(window, laptop.available(), laptop.available(), laptop.grid());
    }
    window->show();
    settle();
    ASSERT_LT(window->width(), KXUPDateCenterWC::kWidth);
    const QImage picture = drawnAtScale(*window, scale);
    savePicture(picture, name("updater-1366-at-175"));
    // The button's fill, at the same distance from either side of the window.
    const QRect button(page->openBtn()->mapTo(window, QPoint(0, 0)), page->openBtn()->size());
    const int middle = static_cast<int>(button.center().y() * scale);
    int left = 0, right = picture.width() - 1;
    while (left < picture.width() && picture.pixelColor(left, middle) != QColor(151, 125, 98))
        ++left;
    while (right > 0 && picture.pixelColor(right, middle) != QColor(151, 125, 98))
        --right;
    ASSERT_LT(left, right) << "the button is drawn";
    EXPECT_NEAR(left, picture.width() - 1 - right, 2 * scale) << "centred in the window";
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
