// The main window: where it opens, its menu, and its pictures in both palettes, with the first-run
// guide over it.
#include "Class/Home/KXHomeWindow.h"

#include "Class/AppShell/AppDelegate.h"
#include "Class/AppShell/KXAppSettingViewController.h"
#include "Class/AppShell/KXAppSettingWindowController.h"
#include "Class/Favourites/KXDeleteGroupView.h"
#include "Class/Favourites/KXFontGroupCreate.h"
#include "Class/Favourites/KXShareCollectionGroupView.h"
#include "Class/FontList/KXFontTableView.h"
#include "Class/FontList/KXHomeListView.h"
#include "Class/Home/KXHomeViewController.h"
#include "Class/Home/KXNewHomeUserGuideView.h"
#include "Class/Home/KXTopSubview.h"
#include "Class/ImageViews/ImageView.h"
#include "Class/Theme/KXThemeManager.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Platform/Dispatch/Clock.h"
#include "Platform/Dispatch/RunLoop.h"
#include "Platform/Storage/UserDefaults.h"
#include "Class/UIKit/ScaledScreen.h"
#include "ScreenshotSupport.h"
#include "ShellServiceTest.h"
#include "Support/ChangedScreen.h"

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QMenuBar>
#include <QPointer>
#include <QScreen>
#include <QScrollBar>
#include <QTest>

#include <cmath>
#include <cstdlib>

using foundation::Id;

namespace {

class KXHomeWindowTest : public shelltest::ShellServiceTest {
protected:
    void SetUp() override
    {
        ShellServiceTest::SetUp();
        auto& defaults = foundation::UserDefaults::standardUserDefaults();
        defaults.setObject(Id("yes"), "install");
        defaults.setObject(Id("YES"), "datemove");
        defaults.setObject(Id("0.1.0"), "appVersion");
        defaults.setObject(Id("https://s.example/q.png"), "questionnaire");
    }

    std::unique_ptr<KXHomeWindow> openWindow()
    {
        auto window = std::make_unique<KXHomeWindow>();
        window->show();
        QApplication::processEvents();
        EXPECT_TRUE(waitForQuietTraffic());
        return window;
    }
};

} // namespace

TEST(KXHomeWindowFrame, OpensOnTheScreenClampedToIt)
{
    EXPECT_EQ(KXHomeWindow::initialFrame(QRect(0, 0, 1920, 1080)), QRect(760, 110, 400, 860));
    EXPECT_EQ(KXHomeWindow::initialFrame(QRect(1920, 0, 1280, 1024)), QRect(1920 + 440, 82, 400, 860));
    // A short screen: the height shrinks to what it offers.
    EXPECT_EQ(KXHomeWindow::initialFrame(QRect(0, 27, 1366, 741)), QRect(483, 27, 400, 741));
    EXPECT_EQ(KXHomeWindow::initialFrame(QRect(0, 0, 800, 600)), QRect(200, 0, 400, 600));
}

TEST(KXHomeWindowFrame, TheFramedWindowFitsTheScreen)
{
    const QMargins titleBar(0, 30, 0, 0);
    struct Screen {
        QRect available;
        int minimumHeight;
    };
    // 1024 x 768, and a 1000-pixel screen at a scale of 1.5 with a panel.
    for (const Screen& screen : {Screen{QRect(0, 0, 1024, 768), 680}, Screen{QRect(0, 0, 1067, 667), 637},
                                 Screen{QRect(1024, 24, 1067, 643), 613}}) {
        const QRect client = KXHomeWindow::initialFrame(screen.available, titleBar);
        SCOPED_TRACE(testing::Message() << "screen " << screen.available.width() << "x" << screen.available.height());
        EXPECT_TRUE(screen.available.contains(client + titleBar));
        EXPECT_EQ(client.width(), KXHomeWindow::kWidth);
        EXPECT_EQ(client.height(), std::min(KXHomeWindow::kHeight, screen.available.height() - 30)) << "as high as fits";
        EXPECT_EQ((client + titleBar).center().x(), screen.available.center().x());
        EXPECT_EQ(KXHomeWindow::minimumHeight(screen.available, titleBar), screen.minimumHeight);
    }
    EXPECT_EQ(KXHomeWindow::initialFrame(QRect(0, 0, 1024, 768), titleBar), QRect(312, 30, 400, 738));

    // A window framed after it was placed: the title bar above the screen's top comes down, a foot
    // below its bottom comes up and the height shrinks to what the screen offers.
    const QRect available(0, 0, 1067, 667);
    EXPECT_EQ(KXHomeWindow::keptInside(QRect(333, 0, 400, 637), available, titleBar), QRect(333, 30, 400, 637));
    EXPECT_EQ(KXHomeWindow::keptInside(QRect(333, 10, 400, 680), available, titleBar), QRect(333, 30, 400, 637));
    EXPECT_EQ(KXHomeWindow::keptInside(QRect(900, 100, 400, 500), available, titleBar), QRect(667, 100, 400, 500));
    EXPECT_EQ(KXHomeWindow::keptInside(QRect(100, 100, 400, 500), available, titleBar), QRect(100, 100, 400, 500));
}

TEST(KXHomeWindowFrame, TheFramedWindowStaysInsideTheScreenAtFractionalScales)
{
    scaledscreen::forEachScreen([](const scaledscreen::ScaledScreen& screen) {
        const QRect& deviceArea = screen.deviceAvailable;
        const QRect available = screen.available();
        // Before the window manager frames it, and once it has.
        const QRect unframed = screen.placedClient(KXHomeWindow::initialFrame(available, {}, screen.grid()));
        EXPECT_TRUE(deviceArea.contains(unframed)) << unframed.top() << " to " << unframed.bottom();
        const QRect client = KXHomeWindow::initialFrame(available, screen.frame(), screen.grid());
        const QRect framed = screen.framedClient(client);
        EXPECT_TRUE(deviceArea.contains(framed)) << framed.top() << " to " << framed.bottom();
        EXPECT_EQ(client.width(), KXHomeWindow::kWidth);
        const int wanted = screen.framedClient(QRect(0, 0, 0, KXHomeWindow::kHeight)).height();
        EXPECT_GE(framed.height(), std::min(deviceArea.height(), wanted) - 2 * std::ceil(screen.scale))
            << "as high as fits, within two logical pixels";
        EXPECT_LE(std::abs((framed.left() - deviceArea.left()) - (deviceArea.right() - framed.right())), 2 * std::ceil(screen.scale))
            << "centred";
        // The minimum height, and a window the window manager framed where it was placed or that
        // was moved past the screen's bottom right corner.
        const int minimumHeight = KXHomeWindow::minimumHeight(available, screen.frame(), screen.grid());
        EXPECT_TRUE(deviceArea.contains(screen.framedClient(QRect(client.topLeft(), QSize(client.width(), minimumHeight)))));
        for (const QRect& placed : {KXHomeWindow::initialFrame(available, {}, screen.grid()),
                                    QRect(available.bottomRight() - QPoint(300, 400), QSize(400, KXHomeWindow::kHeight))}) {
            const QRect kept = screen.framedClient(KXHomeWindow::keptInside(placed, available, screen.frame(), screen.grid()));
            EXPECT_TRUE(deviceArea.contains(kept)) << kept.top() << " to " << kept.bottom();
        }
        EXPECT_EQ(KXHomeWindow::keptInside(client, available, screen.frame(), screen.grid()), client) << "inside stays put";
    });
}

TEST_F(KXHomeWindowTest, TheMenuAndTheLimits)
{
    auto window = openWindow();
    const QRect available = window->screen()->availableGeometry();
    EXPECT_EQ(window->minimumSize(), QSize(400, std::min(680, available.height())));
    EXPECT_TRUE(available.contains(window->frameGeometry()));
    EXPECT_EQ(window->maximumSize(), QSize(2000, 3000));
    EXPECT_TRUE(window->windowTitle().isEmpty());
    EXPECT_TRUE(window->settingsAction()->isEnabled());
    EXPECT_TRUE(window->cleanCacheAction()->isEnabled());
    std::vector<QString> shortcuts;
    for (QAction* menu : window->menuBar()->actions())
        for (QAction* action : menu->menu()->actions())
            if (!action->shortcut().isEmpty())
                shortcuts.push_back(action->shortcut().toString());
    EXPECT_EQ(shortcuts, (std::vector<QString>{QStringLiteral("Ctrl+Q"), QStringLiteral("Ctrl+M"), QStringLiteral("Ctrl+W")}));
    window->close();
    EXPECT_FALSE(window->isVisible());
}

// A window manager that forgot the size to restore to (here the offscreen platform, whose own
// memory of the normal geometry is made the maximised one) says the window is restored and leaves
// it at its maximised size: a moment later the window takes back the geometry it had before the
// maximise. One that restores the window itself, or maximises it again, in that moment is left
// as it put the window.
TEST_F(KXHomeWindowTest, ARestoreLeftAtTheMaximisedSizeTakesBackTheNormalGeometryAMomentLater)
{
    dispatch::VirtualClock::Scope clock;
    auto window = openWindow();
    const QRect normal = window->geometry();
    window->showMaximized();
    QApplication::processEvents();
    const QRect maximised = window->geometry();
    ASSERT_NE(maximised.size(), normal.size());
    window->showNormal();
    QApplication::processEvents();
    ASSERT_EQ(window->geometry(), normal) << "the platform restores by itself";

    int geometryChanges = 0;
    struct GeometryCount : QObject {
        int* count;
        explicit GeometryCount(int* count) : count(count) { }
        bool eventFilter(QObject*, QEvent* event) override
        {
            *count += event->type() == QEvent::Move || event->type() == QEvent::Resize ? 1 : 0;
            return false;
        }
    } counter(&geometryChanges);
    window->installEventFilter(&counter);
    // The platform's memory of the normal geometry becomes the maximised one, as a window
    // manager's does for a window hidden while maximised.
    const auto forgetTheNormalGeometry = [&] {
        window->setGeometry(maximised);
        QApplication::processEvents();
        window->showMaximized();
        QApplication::processEvents();
        window->showNormal();
        QApplication::processEvents();
    };
    const auto afterTheMoment = [&] {
        geometryChanges = 0;
        clock.advance(KXHomeWindow::kRestoreGraceSeconds);
        QApplication::processEvents();
    };

    forgetTheNormalGeometry();
    ASSERT_EQ(window->windowState(), Qt::WindowNoState);
    ASSERT_EQ(window->geometry(), maximised) << "left at the maximised size";
    clock.advance(KXHomeWindow::kRestoreGraceSeconds - 0.01);
    QApplication::processEvents();
    EXPECT_EQ(window->geometry(), maximised) << "the window manager is given its moment";
    clock.advance(0.01);
    QApplication::processEvents();
    EXPECT_EQ(window->geometry(), normal);

    // Restored by the window manager to a place of its own within the moment.
    forgetTheNormalGeometry();
    const QRect placedByTheWindowManager = QRect(normal.topLeft() + QPoint(30, 0), normal.size());
    window->setGeometry(placedByTheWindowManager);
    QApplication::processEvents();
    afterTheMoment();
    EXPECT_EQ(window->geometry(), placedByTheWindowManager);
    EXPECT_EQ(geometryChanges, 0);

    // Maximised again within the moment.
    forgetTheNormalGeometry();
    window->showMaximized();
    QApplication::processEvents();
    afterTheMoment();
    EXPECT_EQ(window->windowState(), Qt::WindowMaximized);
    EXPECT_EQ(window->geometry(), maximised);
    EXPECT_EQ(geometryChanges, 0);
    window->removeEventFilter(&counter);
}

// The normal window is capped at 2000 wide; maximised on a wider screen it takes the whole width
// the window manager gives it, and restored it is capped again.
TEST_F(KXHomeWindowTest, AMaximisedWindowTakesTheWholeWidthOfAWideScreen)
{
    auto window = openWindow();
    const QRect normal = window->geometry();
    window->showMaximized();
    QApplication::processEvents();
    // As a window manager sizes it on a 2560 x 1440 screen.
    window->setGeometry(QRect(0, 20, 2560, 1420));
    QApplication::processEvents();
    EXPECT_EQ(window->geometry(), QRect(0, 20, 2560, 1420));
    window->showFullScreen();
    QApplication::processEvents();
    window->setGeometry(QRect(0, 0, 2560, 1440));
    QApplication::processEvents();
    EXPECT_EQ(window->size(), QSize(2560, 1440));

    window->showNormal();
    QApplication::processEvents();
    window->setGeometry(normal);
    QApplication::processEvents();
    window->resize(2400, normal.height());
    EXPECT_EQ(window->width(), KXHomeWindow::kMaximumWidth) << "the normal size is capped";
}

// The menu collapsed while the window was maximised, then the window restored: it comes back at
// the size it had before, and expanding the menu then keeps that size; the next collapse and
// expand shrink and grow it as before.
TEST_F(KXHomeWindowTest, ARestoreGivesBackTheNormalSizeWhateverTheMenuDidMeanwhile)
{
    auto window = openWindow();
    KXHomeViewController* hub = window->contentViewController();
    const QRect normal = window->geometry();
    window->showMaximized();
    QApplication::processEvents();
    hub->changewidthClick();
    ASSERT_TRUE(hub->isMenuCollapsed());
    window->showNormal();
    QApplication::processEvents();
    EXPECT_EQ(window->geometry(), normal);
    hub->changewidthClick();
    QApplication::processEvents();
    EXPECT_EQ(window->size(), normal.size()) << "the expand undoes a collapse that moved nothing";

    hub->changewidthClick();
    EXPECT_EQ(window->width(), normal.width() - KXHomeViewController::kCollapseShift);
    // Expanded while maximised: restored, the window keeps its collapsed width, and no later
    // collapse makes it narrower still.
    window->showMaximized();
    QApplication::processEvents();
    hub->changewidthClick();
    window->showNormal();
    QApplication::processEvents();
    EXPECT_EQ(window->width(), normal.width() - KXHomeViewController::kCollapseShift);
    hub->changewidthClick();
    EXPECT_EQ(window->width(), normal.width() - KXHomeViewController::kCollapseShift);
    hub->changewidthClick();
    EXPECT_EQ(window->width(), normal.width());
}

// The screen made smaller under the window (1920 x 1080 at 1.25, then 1024 x 768: 819 x 614
// points): its minimum height is taken again from the smaller screen, and the window, placed at
// the old screen's right or wider than the new one, comes inside it. Made larger again, the
// minimum is the designed one.
TEST_F(KXHomeWindowTest, AScreenMadeSmallerBringsTheWindowInsideWithAMinimumItHolds)
{
    testsupport::ChangedScreen changed(QGuiApplication::primaryScreen());
    const QRect large(0, 0, 1536, 864), small(0, 0, 819, 614);
    changed.change(large, large);
    auto window = openWindow();
    window->setGeometry(QRect(1100, 0, 400, 850));
    QApplication::processEvents();
    ASSERT_EQ(window->minimumSize().height(), KXHomeWindow::kMinimumHeight);

    changed.change(small, small);
    const QRect client = window->geometry(), outer = window->frameGeometry();
    const int frameHeight = outer.height() - client.height();
    EXPECT_TRUE(small.contains(outer)) << outer.x() << ", " << outer.y() << " " << outer.width() << " x " << outer.height();
    EXPECT_LE(window->minimumSize().height() + frameHeight, small.height());
    EXPECT_EQ(client.width(), KXHomeWindow::kWidth);

    changed.change(large, large);
    EXPECT_EQ(window->minimumSize().height(), KXHomeWindow::kMinimumHeight);
    window->setGeometry(QRect(100, 0, 1300, 700));
    QApplication::processEvents();
    changed.change(small, small);
    EXPECT_TRUE(small.contains(window->frameGeometry())) << window->width() << " wide";
}

TEST_F(KXHomeWindowTest, TheMenuBarAndTheExtendMenuShowOneSettingsWindow)
{
    auto window = openWindow();
    KXHomeViewController* hub = window->contentViewController();
    const auto settingsOnScreen = [] {
        int shown = 0;
        for (QWidget* top : QApplication::topLevelWidgets())
            shown += top->isVisible() && top->findChild<KXAppSettingViewController*>(QString(), Qt::FindDirectChildrenOnly) ? 1 : 0;
        return shown;
    };

    window->settingsAction()->trigger();
    KXAppSettingWindowController* fromMenuBar = AppDelegate::sharedAppDelegate().settingWindow();
    ASSERT_NE(fromMenuBar, nullptr);
    hub->settingBtnClick();
    EXPECT_EQ(hub->settingWC(), fromMenuBar);
    EXPECT_EQ(settingsOnScreen(), 1);

    fromMenuBar->window()->close();
    hub->settingBtnClick();
    KXAppSettingWindowController* fromHub = hub->settingWC();
    ASSERT_NE(fromHub, nullptr);
    EXPECT_EQ(fromHub->window()->parentWidget(), window.get()) << "transient for the main window";
    window->settingsAction()->trigger();
    EXPECT_EQ(AppDelegate::sharedAppDelegate().settingWindow(), fromHub);
    EXPECT_EQ(settingsOnScreen(), 1);
    fromHub->window()->close();
}

// At start and after a change of tab the keys scroll the list; before, the preview-size slider held
// them and PageDown shrank the rows instead.
TEST_F(KXHomeWindowTest, PageDownScrollsTheListAtStartAndAfterATabChange)
{
    auto window = openWindow();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    KXHomeViewController* hub = window->contentViewController();
    KXFontTableView* table = hub->rightListview()->listTableView();
    QScrollBar* bar = table->verticalScrollBar();
    ASSERT_TRUE(waitFor([&] { return bar->maximum() > 0; })) << "a catalogue longer than the window";
    const double rowHeight = table->rowHeight();
    const float previewSize = KXHomeListView::previewSize();

    QTest::keyClick(window->windowHandle(), Qt::Key_PageDown);
    const int onePage = bar->value();
    EXPECT_GT(onePage, 0) << "PageDown scrolls";
    for (int press = 1; press < 10; ++press)
        QTest::keyClick(window->windowHandle(), Qt::Key_PageDown);
    EXPECT_GT(bar->value(), onePage);
    EXPECT_EQ(table->rowHeight(), rowHeight) << "the rows keep their height";
    EXPECT_EQ(KXHomeListView::previewSize(), previewSize);
    QTest::keyClick(window->windowHandle(), Qt::Key_Home);
    EXPECT_EQ(bar->value(), 0);

    // Another tab and back: the keys are the list's again, wherever they were.
    hub->extendBtn()->setFocus();
    hub->tabViewTouched(hub->localBtn());
    hub->tabViewTouched(hub->cloudBtn());
    EXPECT_TRUE(table->hasFocus());
    QTest::keyClick(window->windowHandle(), Qt::Key_End);
    EXPECT_EQ(bar->value(), bar->maximum());
}

// A page over the list on a wide window takes the keys the list held: PageDown and End scrolled the
// list unseen beneath it.
TEST_F(KXHomeWindowTest, APageOnAWideWindowTakesTheKeysTheListHeld)
{
    auto window = openWindow();
    window->resize(1600, window->height());
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    KXHomeViewController* hub = window->contentViewController();
    KXFontTableView* table = hub->rightListview()->listTableView();
    QScrollBar* bar = table->verticalScrollBar();
    ASSERT_TRUE(waitFor([&] { return bar->maximum() > 0; })) << "a catalogue longer than the window";
    ASSERT_TRUE(table->hasFocus());

    hub->tabViewTouched(hub->recommendBtn());
    QWidget* page = kx_topSubview(hub);
    QWidget* focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr);
    EXPECT_TRUE(focus == page || page->isAncestorOf(focus));
    for (const Qt::Key key : {Qt::Key_PageDown, Qt::Key_End, Qt::Key_Down, Qt::Key_Tab, Qt::Key_PageDown})
        QTest::keyClick(window->windowHandle(), key);
    EXPECT_EQ(bar->value(), 0) << "the list beneath the page does not scroll";
    EXPECT_FALSE(table->hasFocus()) << "Tab keeps to the page";

    hub->tabViewTouched(hub->cloudBtn());
    EXPECT_TRUE(table->hasFocus()) << "the list has the keys back";
    QTest::keyClick(window->windowHandle(), Qt::Key_PageDown);
    EXPECT_GT(bar->value(), 0);
}

TEST_F(KXHomeWindowTest, OnAFirstStartPageDownScrollsTheListOnceTheGuideIsDismissed)
{
    foundation::UserDefaults::standardUserDefaults().removeObjectForKey("install");
    auto window = openWindow();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    KXHomeViewController* hub = window->contentViewController();
    QPointer<KXNewHomeUserGuideView> guide = qobject_cast<KXNewHomeUserGuideView*>(kx_topSubview(hub));
    ASSERT_NE(guide, nullptr);
    KXFontTableView* table = hub->rightListview()->listTableView();
    QScrollBar* bar = table->verticalScrollBar();
    ASSERT_TRUE(waitFor([&] { return bar->maximum() > 0; })) << "a catalogue longer than the window";

    QTest::keyClick(window->windowHandle(), Qt::Key_PageDown);
    EXPECT_EQ(bar->value(), 0) << "the guide holds the keys while it shows";
    QTest::keyClick(window->windowHandle(), Qt::Key_Return);
    ASSERT_TRUE(!guide || !guide->parentWidget()) << "Return dismisses the guide";
    EXPECT_TRUE(table->hasFocus()) << "the list has the keys back";
    QTest::keyClick(window->windowHandle(), Qt::Key_PageDown);
    EXPECT_GT(bar->value(), 0) << "PageDown scrolls";
}

TEST_F(KXHomeWindowTest, ScreenshotsDayAndNight)
{
    auto window = openWindow();
    KXHomeViewController* hub = window->contentViewController();
    const QImage day(shelltest::saveScreenshot(window.get(), "main-window-day"));
    const double scale = day.devicePixelRatio();
    const QPoint menu(static_cast<int>(45 * scale), static_cast<int>((window->height() - 300) * scale));
    EXPECT_EQ(day.pixelColor(menu), QColor(83, 84, 86)) << "the left menu's grey";

    hub->rightListview()->themeClick();
    const QImage night(shelltest::saveScreenshot(window.get(), "main-window-night"));
    const QPoint list(static_cast<int>((window->width() - 20) * scale), static_cast<int>((window->height() - 20) * scale));
    EXPECT_NE(day.pixelColor(list), night.pixelColor(list)) << "the list changed palette";
    EXPECT_EQ(night.pixelColor(menu), QColor(83, 84, 86));
    hub->rightListview()->themeClick();
}

TEST_F(KXHomeWindowTest, ScreenshotOfTheGuide)
{
    foundation::UserDefaults::standardUserDefaults().removeObjectForKey("install");
    auto window = openWindow();
    auto* guide = qobject_cast<KXNewHomeUserGuideView*>(kx_topSubview(window->contentViewController()));
    ASSERT_NE(guide, nullptr);
    const QImage picture(shelltest::saveScreenshot(window.get(), "guide"));
    const double scale = picture.devicePixelRatio();
    const QRect button = guide->sureBtn()->geometry().translated(guide->mapTo(window.get(), QPoint(0, 0)));
    EXPECT_EQ(picture.pixelColor(static_cast<int>((button.left() + 20) * scale), static_cast<int>(button.center().y() * scale)),
              QColor(255, 225, 43));
    EXPECT_EQ(button.size(), QSize(160, 38));
}

TEST_F(KXHomeWindowTest, TheGuideFitsAShortWindowAndGoesWithItsButtonOrAKey)
{
    // The main window's height at 2.0 on a 1366 x 768 screen.
    QWidget host;
    host.resize(KXHomeWindow::kWidth, 370);
    auto* guide = new KXNewHomeUserGuideView(&host);
    guide->setGeometry(host.rect());
    host.show();
    QApplication::processEvents();
    EXPECT_TRUE(guide->rect().contains(guide->sureBtn()->geometry()));
    EXPECT_TRUE(guide->rect().contains(guide->imgV()->geometry()));
    EXPECT_FALSE(guide->imgV()->geometry().intersects(guide->sureBtn()->geometry()));
    EXPECT_EQ(guide->sureBtn()->size(), QSize(160, 38));
    shelltest::saveScreenshot(&host, "guide-short-window");
    const QPoint centre = guide->sureBtn()->geometry().center();
    EXPECT_EQ(guide->childAt(centre), guide->sureBtn()) << "nothing lies over the button";
    QTest::mouseClick(guide->sureBtn(), Qt::LeftButton);
    EXPECT_EQ(guide->parentWidget(), nullptr) << "dismissed";

    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
        SCOPED_TRACE(key);
        auto* again = new KXNewHomeUserGuideView(&host);
        again->setGeometry(host.rect());
        again->show();
        QApplication::processEvents();
        ASSERT_EQ(host.focusWidget(), again) << "the keys go to the guide";
        // Not while a prompt lies over it.
        auto* prompt = new QWidget(&host);
        prompt->setGeometry(50, 100, 300, 150);
        prompt->show();
        QTest::keyClick(again, key);
        EXPECT_EQ(again->parentWidget(), &host) << "the prompt over it is answered first";
        delete prompt;
        QTest::keyClick(host.focusWidget(), key);
        EXPECT_EQ(again->parentWidget(), nullptr) << "dismissed";
    }
}

TEST_F(KXHomeWindowTest, TheFolderAndShareDialogsFitTheShortestWindow)
{
    // The main window at its smallest: its minimum height at 2.0 on a 1280 x 690 screen.
    const scaledscreen::ScaledScreen laptop{2.0, QRect(0, 0, 1280, 690), QMargins(1, 30, 1, 1)};
    QWidget host;
    host.resize(KXHomeWindow::kWidth, KXHomeWindow::minimumHeight(laptop.available(), laptop.frame(), laptop.grid()));
    host.show();
    auto* share = new KXShareCollectionGroupView(&host);
    auto* removal = new KXDeleteGroupView(&host);
    auto* folder = new KXFontGroupCreate(&host);
    const auto expectInside = [&host](QWidget* dialog, const std::vector<QWidget*>& controls) {
        SCOPED_TRACE(dialog->metaObject()->className());
        dialog->setGeometry(host.rect());
        dialog->show();
        dialog->raise();
        QApplication::processEvents();
        for (QWidget* control : controls) {
            const QRect placed(control->mapTo(&host, QPoint(0, 0)), control->size());
            EXPECT_TRUE(host.rect().contains(placed)) << placed.y() << " + " << placed.height() << " in " << host.height();
            EXPECT_TRUE(control->isVisible());
        }
        dialog->hide();
    };
    std::vector<QWidget*> shareControls(share->shareButtons().begin(), share->shareButtons().end());
    shareControls.push_back(share->closeBtn());
    expectInside(share, shareControls);
    expectInside(removal, {removal->cancelBtn(), removal->sureBtn()});
    expectInside(folder, {folder->showTF(), folder->cancelBtn(), folder->sureBtn()});
}
