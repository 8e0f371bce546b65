// The folder pop-up's host: one pop-up made on first use, above its positioning view.
#include "Class/Favourites/KXFontGroupAdd.h"

#include "FavouritesTestSupport.h"

#include <QApplication>
#include <QScreen>
#include <QPushButton>
#include <QTest>

namespace {

class KXFontGroupAddTest : public favouritestest::FavouritesTest { };

} // namespace

TEST_F(KXFontGroupAddTest, ThePopUpSitsOnTheViewsTopEdgeAndIsMadeOnce)
{
    auto* anchor = new QPushButton(QStringLiteral("收藏"), &host());
    anchor->setGeometry(150, 400, 60, 24);
    anchor->show();
    settle(host());
    KXFontGroupAdd host;
    host.addfontsGroupWithSelectedTitle(QStringLiteral("unused"), anchor);
    QWidget* popover = host.popover();
    ASSERT_NE(popover, nullptr);
    EXPECT_TRUE(popover->isVisible());
    EXPECT_TRUE(popover->windowFlags().testFlag(Qt::Popup)) << "a click outside closes it";
    const QPoint anchorTop = anchor->mapToGlobal(QPoint(anchor->width() / 2, 0));
    EXPECT_EQ(popover->geometry().bottom() + 1, anchorTop.y());
    EXPECT_EQ(popover->geometry().center().x(), anchorTop.x() - 1);
    EXPECT_EQ(host.parentWidget(), popover);

    popover->hide();
    host.addfontsGroupWithSelectedTitle(QString(), nullptr);
    EXPECT_EQ(host.popover(), popover) << "made on first use only";
    EXPECT_EQ(popover->geometry().topLeft(), QPoint(0, 0));
    EXPECT_TRUE(favouritestest::saveScreenshots(*popover, QStringLiteral("favourites-folder-popover")));
    popover->hide();
}

TEST_F(KXFontGroupAddTest, ByTheScreensTopThePopUpOpensBelowTheView)
{
    QWidget window;
    window.setGeometry(QGuiApplication::primaryScreen()->availableGeometry().topLeft().x(),
                       QGuiApplication::primaryScreen()->availableGeometry().top(), 400, 300);
    auto* anchor = new QPushButton(QStringLiteral("收藏"), &window);
    anchor->setGeometry(150, 10, 60, 24);
    window.show();
    settle(window);
    KXFontGroupAdd host;
    host.addfontsGroupWithSelectedTitle(QString(), anchor);
    const QRect placed = host.popover()->geometry();
    EXPECT_TRUE(anchor->screen()->availableGeometry().contains(placed)) << placed.top();
    EXPECT_EQ(placed.top(), anchor->mapToGlobal(QPoint(0, anchor->height())).y());
    host.popover()->hide();
}
