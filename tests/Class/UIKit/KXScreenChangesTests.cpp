// A window the screen changes under: sized and moved again to fit the screen as it is now.
#include "Class/UIKit/KXScreenChanges.h"

#include "Class/UIKit/KXTransientWindows.h"
#include "ScaledScreen.h"
#include "Support/ChangedScreen.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <memory>

TEST(KXScreenChanges, AWindowIsFittedAgainWhenItsScreenShrinksAndGrows)
{
    QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    testsupport::ChangedScreen changed(screen);
    changed.change(QRect(0, 0, 1920, 1080), QRect(0, 0, 1920, 1080));
    const QMargins frame(1, 30, 1, 1);
    const scaledscreen::FramedWindows framed(nullptr, frame);

    std::unique_ptr<QWidget> window(kx_makeTransientWindow(nullptr, QSize(900, 700), QStringLiteral("sign in")));
    window->move(1000, 300);
    window->show();
    QApplication::processEvents();
    ASSERT_EQ(window->size(), QSize(900, 700));
    ASSERT_GT(window->geometry().right(), 1024);

    // A smaller screen with panels at its top and left: the window comes inside it, as large as it
    // holds.
    const QRect small(100, 28, 800, 572);
    changed.change(QRect(0, 0, 900, 600), small);
    EXPECT_TRUE(small.contains(window->geometry() + frame)) << window->geometry().x() << ", " << window->geometry().y() << " " << window->width() << " x " << window->height();
    EXPECT_EQ(window->size(), QSize(800 - 2, 572 - 31));
    const QPoint keptAt = window->geometry().topLeft();

    // Larger again: the designed size comes back, where the window was.
    changed.change(QRect(0, 0, 1920, 1080), QRect(0, 0, 1920, 1080));
    EXPECT_EQ(window->geometry(), QRect(keptAt, QSize(900, 700)));

    // Hidden, it is left alone.
    window->hide();
    changed.change(QRect(0, 0, 900, 600), small);
    EXPECT_EQ(window->geometry(), QRect(keptAt, QSize(900, 700)));
}
