// Where the small windows open: centred over their parent and kept on the screen.
#include "Class/UIKit/KXTransientWindows.h"

#include "ScaledScreen.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <cmath>
#include <cstdlib>
#include <memory>

TEST(KXTransientWindows, ACentredWindowStaysInsideTheScreen)
{
    const QRect screen(0, 0, 1024, 768);
    // Over a parent in the middle of the screen: centred on it.
    EXPECT_EQ(kx_centredFrame(QSize(300, 200), QMargins(), QRect(312, 0, 400, 768), screen), QRect(362, 284, 300, 200));
    // Over a main window at the screen's right edge, a window wider than it comes back inside.
    EXPECT_EQ(kx_centredFrame(QSize(600, 450), QMargins(), QRect(624, 0, 400, 768), screen), QRect(424, 159, 600, 450));
    // Over a parent partly below the screen: its foot comes up to the screen's bottom.
    EXPECT_EQ(kx_centredFrame(QSize(400, 500), QMargins(), QRect(0, 500, 400, 600), QRect(0, 0, 1067, 667)), QRect(0, 167, 400, 500));
    // A frame taller than the screen keeps its title bar on it.
    EXPECT_EQ(kx_centredFrame(QSize(400, 800), QMargins(), QRect(0, 0, 1067, 667), QRect(0, 0, 1067, 667)).topLeft(), QPoint(334, 0));
    // A screen at an offset.
    EXPECT_EQ(kx_centredFrame(QSize(300, 200), QMargins(), QRect(1000, 0, 200, 200), QRect(1024, 24, 800, 576)), QRect(1024, 24, 300, 200));
}

TEST(KXTransientWindows, ACentredWindowStaysInsideTheScreenAtFractionalScales)
{
    scaledscreen::forEachScreen([](const scaledscreen::ScaledScreen& screen) {
        const QRect& deviceArea = screen.deviceAvailable;
        const QRect available = screen.available();
        // The settings window and a sign-in window taller than the screen, over the whole screen
        // and over a main window in its top-left and bottom-right corners.
        const QSize fits(400, 300), tall(400, available.height());
        for (const QRect& over : {available, QRect(available.topLeft(), QSize(400, 600)),
                                  QRect(available.bottomRight() - QPoint(400, 600), QSize(400, 600))}) {
            const QRect placed = screen.movedFrame(kx_centredFrame(fits, screen.frame(), over, available, screen.grid()).topLeft(), fits);
            EXPECT_TRUE(deviceArea.contains(placed)) << placed.top() << " to " << placed.bottom();
            const QRect high = screen.movedFrame(kx_centredFrame(tall, screen.frame(), over, available, screen.grid()).topLeft(), tall);
            EXPECT_TRUE(deviceArea.contains(high.topLeft())) << "the title bar stays on the screen";
            EXPECT_LE(high.top(), deviceArea.top() + 1);
        }
        // Centred over the screen, as near as a logical pixel allows.
        const QRect centred = screen.movedFrame(kx_centredFrame(fits, screen.frame(), available, available, screen.grid()).topLeft(), fits);
        EXPECT_LE(std::abs((centred.left() - deviceArea.left()) - (deviceArea.right() - centred.right())), 2 * std::ceil(screen.scale));
    });
}

TEST(KXTransientWindows, AWindowAsWideAsTheScreenIsNotPushedPastItsFarEdge)
{
    // 1280 x 1024 at 3 with a 73-pixel panel on the right: 1207 device columns, reported as 402.
    // A 400-column client under a 3-pixel border fills 1206 of them; the reported border of 1
    // could stand for 4, so no position fits by the estimate.
    const scaledscreen::ScaledScreen screen{3, QRect(0, 0, 1207, 1024), QMargins(3, 30, 3, 3)};
    const QSize client(400, 200);
    const QRect placed = screen.movedFrame(kx_centredFrame(client, screen.frame(), screen.available(), screen.available(), screen.grid()).topLeft(), client);
    EXPECT_GE(placed.left(), 0);
    EXPECT_LE(placed.right(), 1206);
}

TEST(KXTransientWindows, AWindowLargerThanASmallScreenTakesTheSizeThatFits)
{
    // The settings, sign-in (and its QQ form), agreement, publish and updater windows.
    const QSize designed[] = {QSize(420, 200), QSize(380, 480), QSize(830, 630), QSize(560, 640), QSize(720, 660), QSize(900, 280)};
    scaledscreen::forEachSmallScreen([&](const scaledscreen::ScaledScreen& screen) {
        const QRect available = screen.available();
        for (const QSize& size : designed) {
            SCOPED_TRACE(testing::Message() << size.width() << " x " << size.height());
            const QSize fitted = kx_fittedClientSize(size, screen.frame(), available, screen.grid());
            EXPECT_LE(fitted.width(), size.width());
            EXPECT_LE(fitted.height(), size.height());
            const QRect placed = screen.movedFrame(kx_centredFrame(fitted, screen.frame(), available, available, screen.grid()).topLeft(), fitted);
            EXPECT_TRUE(screen.deviceAvailable.contains(placed)) << placed.width() << " x " << placed.height() << " at " << placed.x() << ", " << placed.y();
            // As large as fits, within a logical pixel at either end.
            const int slack = 2 * int(std::ceil(screen.scale)) + 1;
            if (fitted.width() < size.width()) {
                EXPECT_GE(placed.width(), screen.deviceAvailable.width() - slack);
            }
            if (fitted.height() < size.height()) {
                EXPECT_GE(placed.height(), screen.deviceAvailable.height() - slack);
            }
        }
    });
    // No area known: the designed size.
    EXPECT_EQ(kx_fittedClientSize(QSize(900, 280), QMargins(0, 30, 0, 0), QRect()), QSize(900, 280));
}

TEST(KXTransientWindows, AWindowGrownNearTheScreensEdgeIsMovedBackInside)
{
    // The sign-in window, centred over a main window at either edge of the screen, grows to its
    // QQ form and moves 60 to the right.
    scaledscreen::forEachSmallScreen([](const scaledscreen::ScaledScreen& screen) {
        const QRect available = screen.available();
        const QMargins frame = screen.frame();
        const QSize signIn = kx_fittedClientSize(QSize(380, 480), frame, available, screen.grid());
        const QSize qq = kx_fittedClientSize(QSize(830, 630), frame, available, screen.grid());
        for (const QRect& main : {QRect(available.topLeft(), QSize(400, 600)), QRect(available.topRight() - QPoint(399, 0), QSize(400, 600))}) {
            const QPoint framePosition = kx_centredFrame(signIn, frame, main, available, screen.grid()).topLeft();
            const QRect grown(framePosition + QPoint(frame.left() + 60, frame.top()), qq);
            const QRect kept = kx_keptInside(grown, frame, available, screen.grid());
            const QRect placed = screen.framedClient(kept);
            EXPECT_TRUE(screen.deviceAvailable.contains(placed)) << placed.width() << " x " << placed.height() << " at " << placed.x() << ", " << placed.y();
            EXPECT_EQ(kept.size(), grown.size());
            // Each way, where it was or as near as a logical pixel allows.
            const QRect wanted = screen.framedClient(grown);
            const int slack = 2 * int(std::ceil(screen.scale)) + 1;
            if (wanted.right() <= screen.deviceAvailable.right()) {
                EXPECT_EQ(kept.x(), grown.x()) << "moved right where the screen has the room";
            } else {
                EXPECT_GE(placed.right(), screen.deviceAvailable.right() - slack) << "no further left than it must";
            }
            if (wanted.bottom() <= screen.deviceAvailable.bottom()) {
                EXPECT_EQ(kept.y(), grown.y());
            } else {
                EXPECT_GE(placed.bottom(), screen.deviceAvailable.bottom() - slack);
            }
        }
    });
    const QMargins titleBar(1, 30, 1, 1);
    const QRect laptop(0, 0, 1366, 768);
    EXPECT_EQ(kx_keptInside(QRect(70, 100, 830, 630), titleBar, laptop), QRect(70, 100, 830, 630));
    EXPECT_EQ(kx_keptInside(QRect(600, 100, 830, 630), titleBar, laptop), QRect(535, 100, 830, 630));
    EXPECT_EQ(kx_keptInside(QRect(600, 200, 830, 630), titleBar, laptop), QRect(535, 137, 830, 630));
    EXPECT_EQ(kx_keptInside(QRect(600, 100, 830, 630), titleBar, QRect()), QRect(600, 100, 830, 630)) << "no area known";
}

TEST(KXTransientWindows, AWindowOpenedForTheFirstTimeIsFittedUnderTheFrameOfItsMainWindow)
{
    // The publish window beside a main window that openbox framed with a 22-pixel title bar, a
    // 5-pixel foot and 1-pixel sides; it frames the window only once it shows.
    for (const scaledscreen::ScaledScreen& screen : {scaledscreen::ScaledScreen{1.25, QRect(0, 0, 1280, 720), QMargins(1, 22, 1, 5)},
                                                     scaledscreen::ScaledScreen{1.75, QRect(0, 0, 1366, 768), QMargins(1, 22, 1, 5)}}) {
        SCOPED_TRACE(testing::Message() << "scale " << screen.scale);
        QWidget main;
        QWidget* window = kx_makeTransientWindow(&main, QSize(720, 660), QStringLiteral("window"));
        scaledscreen::expectFitsWithButtonsReachable(window, {}, screen);
    }
}

TEST(KXTransientWindows, AWindowIsFittedAgainOnceTheWindowManagerHasFramedIt)
{
    QWidget main;
    QWidget* window = kx_makeTransientWindow(&main, QSize(380, 2000), QStringLiteral("window"));
    const QRect available = window->screen()->availableGeometry();
    const QMargins borrowed(1, 22, 1, 5), own(4, 40, 4, 4);
    bool framed = false;
    kx_setFrameReader([&](const QWidget* shown) { return shown != window ? borrowed : framed ? own : QMargins(); });
    kx_showCentred(window);
    EXPECT_EQ(window->height() + 27, available.height()) << "fitted under its main window's frame";
    // The window manager frames it with a taller title bar; Qt learns it with the move that makes.
    framed = true;
    window->move(window->pos() + QPoint(4, 40));
    QApplication::processEvents();
    EXPECT_EQ(window->height() + 44, available.height());
    EXPECT_EQ(window->y(), available.y()) << "its frame from the screen's top";
    // Fitted under its own frame, it stays where it is moved.
    window->move(window->pos() + QPoint(0, 10));
    QApplication::processEvents();
    EXPECT_EQ(window->y(), available.y() + 10);
    kx_setFrameReader({});
}

TEST(KXTransientWindows, AWindowFittedAgainOnceFramedKeepsItsFrameOnTheScreen)
{
    // The main window has a resize handle that the window, which keeps its size, does not get: its
    // own frame is shorter than the one it first opens under, and it is fitted again once framed.
    // At 1.75 openbox's 20-pixel title bar reads back as 11 logical pixels, 19 device pixels.
    scaledscreen::forEachScreen([](const scaledscreen::ScaledScreen& screen) {
        const QMargins own = screen.deviceFrame;
        const scaledscreen::ScaledScreen underHandle { screen.scale, screen.deviceAvailable,
            own + QMargins(0, 0, 0, 4) };
        const QRect available = screen.available();
        // Taller than the screen, and larger than it both ways.
        for (const QSize& designed : { QSize(380, 2000), QSize(2000, 2000) }) {
            SCOPED_TRACE(testing::Message() << "designed " << designed.width() << " x " << designed.height());
            QWidget main;
            std::unique_ptr<QWidget> window(
                kx_makeTransientWindow(&main, designed, QStringLiteral("window")));
            scaledscreen::WindowManager windowManager(underHandle, window.get(), own);
            kx_fitWindow(window.get(), available, available, screen.grid());
            window->show();
            QApplication::processEvents();
            const QRect opened = windowManager.placedFrame();
            EXPECT_TRUE(screen.deviceAvailable.contains(opened))
                << "opened at " << opened.x() << ", " << opened.y();
            windowManager.frame();
            kx_fitWindow(window.get(), available, available, screen.grid());
            const QRect placed = windowManager.placedFrame();
            EXPECT_TRUE(screen.deviceAvailable.contains(placed))
                << placed.width() << " x " << placed.height() << " at " << placed.x() << ", " << placed.y();
            EXPECT_GT(window->height(), available.height() / 2) << "fitted to the screen";
        }
    });
}

namespace {

// A dialog that asks for more room than any screen has, as the toolkit's file dialog does at a
// large scale.
class RoomyDialog : public QWidget {
public:
    explicit RoomyDialog(QSize wanted)
        : wanted_(wanted)
    {
    }
    QSize sizeHint() const override { return wanted_; }

private:
    QSize wanted_;
};

} // namespace

TEST(KXTransientWindows, ADialogTheWindowSystemPlacesIsFittedToTheScreenOfItsWindow)
{
    QWidget window;
    window.show();
    const QRect available = window.screen()->availableGeometry();
    RoomyDialog roomy(available.size() + QSize(900, 700));
    kx_fitDialog(&roomy, &window);
    const QRect client = window.geometry(), outer = window.frameGeometry();
    const QSize frame = outer.size() - client.size();
    EXPECT_LE(roomy.width() + frame.width(), available.width()) << "framed as its window is";
    EXPECT_LE(roomy.height() + frame.height(), available.height());
    EXPECT_GE(roomy.width() + frame.width(), available.width() - 1) << "as large as fits";
    // A dialog that fits is left to open at its own size.
    RoomyDialog small(QSize(300, 200));
    kx_fitDialog(&small, &window);
    EXPECT_FALSE(small.testAttribute(Qt::WA_Resized));
    small.show();
    EXPECT_EQ(small.size(), QSize(300, 200));
}
