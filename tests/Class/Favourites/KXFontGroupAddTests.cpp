// The folder pop-up's host: one pop-up made on first use, above its positioning view.
#include "Class/Favourites/KXFontGroupAdd.h"

#include "FavouritesTestSupport.h"

#include <QApplication>
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
