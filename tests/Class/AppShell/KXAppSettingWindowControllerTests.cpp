#include "Class/AppShell/KXAppSettingWindowController.h"

#include "Class/AppShell/AppDelegate.h"
#include "Class/AppShell/KXAppSettingViewController.h"
#include "Class/ServiceCore/Catalogue/KXBaseDBManager.h"
#include "Class/ServiceCore/Catalogue/KXSortingData.h"
#include "Class/Theme/KXThemeManager.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Class/UIKit/KXOpenFailedAlert.h"
#include "Platform/Desktop/URLOpener.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/Dispatch/RunLoop.h"
#include "Platform/Storage/Paths.h"
#include "Platform/Storage/UserDefaults.h"
#include "Catalogue/CatalogueTestSupport.h"
#include "ScreenshotSupport.h"
#include "Support/FailingOpeners.h"

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <set>

using foundation::Id;

namespace {

foundation::UserDefaults& defaults()
{
    return foundation::UserDefaults::standardUserDefaults();
}

std::string setting()
{
    return defaults().objectForKey("bigFontsSet").stringValue();
}

class KXAppSettingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        defaults().removeObjectForKey("bigFontsSet");
        observation_ = dispatch::NotificationCenter::defaultCenter().addObserver(
            "KXBigFontsSet", Id(), nullptr, [this](const dispatch::Notification& notification) {
                ++posts_;
                EXPECT_TRUE(notification.object.isNil());
                EXPECT_FALSE(notification.userInfo);
            });
    }

    static void click(KXBaseButton* button) { QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, 8)); }

    int posts_ = 0;
    dispatch::Subscription observation_;
};

} // namespace

TEST_F(KXAppSettingTest, WithoutTheSettingTheSmallChoiceShowsAndTheFirstClickStoresOne)
{
    KXAppSettingViewController page;
    EXPECT_EQ(page.smallFontsSetBtn()->state(), 1);
    EXPECT_EQ(page.bigFontsSetBtn()->state(), 0);
    EXPECT_EQ(page.openFiledBtn()->normalColor(), QColor(49, 123, 255));

    click(page.smallFontsSetBtn());
    EXPECT_EQ(setting(), "1") << "a click on the choice already made flips the setting too";
    EXPECT_EQ(page.bigFontsSetBtn()->state(), 1);
    EXPECT_EQ(page.smallFontsSetBtn()->state(), 0);
    EXPECT_EQ(posts_, 1);

    click(page.bigFontsSetBtn());
    EXPECT_EQ(setting(), "0");
    EXPECT_EQ(page.smallFontsSetBtn()->state(), 1);
    EXPECT_EQ(page.bigFontsSetBtn()->state(), 0);
    click(page.smallFontsSetBtn());
    EXPECT_EQ(setting(), "1");
    EXPECT_EQ(posts_, 3);
}

TEST_F(KXAppSettingTest, AStoredNumberSelectsTheBigChoice)
{
    defaults().setObject(Id(1), "bigFontsSet");
    KXAppSettingViewController page;
    EXPECT_EQ(page.bigFontsSetBtn()->state(), 1);
    EXPECT_EQ(page.smallFontsSetBtn()->state(), 0);
    page.fontsSetBtnClick();
    EXPECT_EQ(setting(), "0");
}

TEST_F(KXAppSettingTest, EachChoiceSaysWhatTheCloudListThenShows)
{
    cataloguetest::resetListSettings();
    const auto file = cataloguetest::copyOfSampleCatalogue();
    KXBaseDBManager manager(file);
    std::map<long long, long long> codeidOf;
    for (const auto& font : cataloguetest::allFonts(file))
        codeidOf[font.fontid] = font.codeid;
    // The character sets of the cloud list's rows, as the main window reads the list.
    const auto listedCodeids = [&] {
        std::set<long long> codeids;
        for (long long fontid : cataloguetest::fontids(KXSortingData(manager).soringDataBySortType(0)))
            codeids.insert(codeidOf.at(fontid));
        return codeids;
    };

    KXAppSettingViewController page;
    EXPECT_EQ(page.smallFontsSetBtn()->title(), QStringLiteral("常用字符集字体"));
    EXPECT_EQ(page.bigFontsSetBtn()->title(), QStringLiteral("只显示大字符集字体"));
    const std::set<long long> common = listedCodeids();
    EXPECT_FALSE(common.contains(3)) << "no big character set among the common ones";
    EXPECT_GE(common.size(), 2u);

    click(page.bigFontsSetBtn());
    ASSERT_EQ(page.bigFontsSetBtn()->state(), 1);
    EXPECT_EQ(listedCodeids(), (std::set<long long>{3, 7})) << "only the big character sets, none beside them";

    click(page.smallFontsSetBtn());
    ASSERT_EQ(page.smallFontsSetBtn()->state(), 1);
    EXPECT_EQ(listedCodeids(), common);
    cataloguetest::resetListSettings();
}

TEST_F(KXAppSettingTest, TheFolderButtonOpensTheFontFolderMadeFirst)
{
    desktop::ScopedRecordingURLOpener opener;
    const auto folder = foundation::Paths::userFontsDirectory();
    std::filesystem::remove_all(folder);
    KXAppSettingViewController page;
    click(page.openFiledBtn());
    EXPECT_TRUE(std::filesystem::is_directory(folder));
    EXPECT_EQ(opener.opened(), std::vector<std::string>{folder.string()});
}

TEST_F(KXAppSettingTest, AFontFolderTheDesktopCannotOpenShowsItsPath)
{
    const auto folder = foundation::Paths::userFontsDirectory();
    QWidget window;
    auto* page = new KXAppSettingViewController(&window);
    window.show();
    const auto shown = [&] {
        auto* alert = KXOpenFailedAlert::alertOf(page);
        return alert && alert->isVisible() ? alert->targetField()->toPlainText().toStdString() : std::string();
    };
    {
        desktop::ScopedRecordingURLOpener opener;
        opener.opener().setLaunchError("Could not start xdg-open");
        click(page->openFiledBtn());
        ASSERT_EQ(shown(), folder.string());
        auto* alert = KXOpenFailedAlert::alertOf(page);
        EXPECT_EQ(alert->parentWidget(), &window);
        EXPECT_EQ(alert->messageLabel()->text(), "未能打开文件夹，请手动打开");
        EXPECT_EQ(alert->copyButton()->title(), "复制路径");
        alert->closeBtnClick();
    }
    testsupport::ScopedFailingSystemOpener opener;
    click(page->openFiledBtn());
    EXPECT_TRUE(shown().empty());
    ASSERT_TRUE(dispatch::RunLoop::runUntil([&] { return !shown().empty(); }, 20));
    EXPECT_EQ(shown(), folder.string());
}

TEST_F(KXAppSettingTest, TheWindowIsTransientFramedWithItsTitleAndKeptWhenClosed)
{
    QWidget main;
    // Inside the screen with room around it: the settings window is kept on the screen.
    main.setGeometry(200, 50, 400, 600);
    main.show();
    KXAppSettingWindowController controller(QStringLiteral("KXAppSettingWindowController"), &main);
    QPointer<QWidget> window = controller.window();
    EXPECT_EQ(controller.windowNibName(), QStringLiteral("KXAppSettingWindowController"));
    EXPECT_EQ(window->parentWidget(), &main);
    EXPECT_TRUE(window->windowFlags() & Qt::Dialog);
    EXPECT_FALSE(window->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(window->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(window->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("设置"));
    EXPECT_EQ(controller.contentViewController()->parentWidget(), window);
    controller.showCentred();
    EXPECT_TRUE(window->isVisible());
    // Placed before it was first framed: its frame's border is not known yet.
    EXPECT_LE((window->frameGeometry().center() - main.frameGeometry().center()).manhattanLength(), 4) << "centred over the main window";
    window->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window) << "closing hides the window";
    EXPECT_FALSE(window->isVisible());
}

TEST_F(KXAppSettingTest, TheApplicationMenuReusesAVisibleWindow)
{
    auto& delegate = AppDelegate::sharedAppDelegate();
    delegate.appSettingClick();
    KXAppSettingWindowController* first = delegate.settingWindow();
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->window()->isVisible());
    delegate.appSettingClick();
    EXPECT_EQ(delegate.settingWindow(), first);
    first->window()->close();
    delegate.appSettingClick();
    EXPECT_NE(delegate.settingWindow(), nullptr);
    EXPECT_TRUE(delegate.settingWindow()->window()->isVisible());
    delegate.releaseWindows();
}

TEST_F(KXAppSettingTest, ScreenshotsDayAndNight)
{
    defaults().setObject(Id("1"), "bigFontsSet");
    for (const bool day : {true, false}) {
        KXThemeManager::themeManager().setIsNight(day);
        KXAppSettingWindowController controller(QStringLiteral("KXAppSettingWindowController"));
        controller.showCentred();
        const QImage picture(shelltest::saveScreenshot(controller.window(), day ? "settings-day" : "settings-night"));
        const double scale = picture.devicePixelRatio();
        EXPECT_EQ(picture.pixelColor(static_cast<int>(400 * scale), static_cast<int>(10 * scale)), QColor(Qt::white));
        // The chosen circle's dot is the accent blue.
        const QRect big = controller.contentViewController()->bigFontsSetBtn()->geometry();
        const QColor dot = picture.pixelColor(static_cast<int>((big.left() + 8) * scale), static_cast<int>(big.center().y() * scale));
        EXPECT_EQ(dot, QColor(0x31, 0x7B, 0xFF)) << (day ? "day" : "night");
    }
    KXThemeManager::themeManager().setIsNight(true);
}

TEST_F(KXAppSettingTest, EscapeClosesTheWindowAsItsCloseButtonDoes)
{
    QWidget main;
    main.show();
    KXAppSettingWindowController controller(QStringLiteral("KXAppSettingWindowController"), &main);
    controller.showCentred();
    QWidget* window = controller.window();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : window, Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(main.isVisible());
}
