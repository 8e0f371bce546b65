#include "Class/Home/KXLeftTabView.h"

#include <QApplication>
#include <QEnterEvent>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using foundation::Id;

namespace {

class RecordingDelegate final : public KXLeftTabViewDelegate {
public:
    void tabViewTouched(KXLeftTabView* tab) override { events.push_back("touched " + tab->identifier().toStdString()); }
    void KXLeftTabViewMouseEntered(const QString& identifier) override { events.push_back("entered " + identifier.toStdString()); }
    void KXLeftTabViewMouseExited(const QString& identifier) override { events.push_back("exited " + identifier.toStdString()); }
    std::vector<std::string> events;
};

struct Tab {
    QWidget menu;
    KXLeftTabView* tab = new KXLeftTabView(&menu);

    explicit Tab(const char* title, const char* icon = "cloud-hover", const char* active = "cloud-active")
    {
        menu.resize(90, 40);
        tab->setGeometry(0, 5, 93, 30);
        tab->setInfoD(foundation::Dictionary::create({{Id("title"), Id(title)}, {Id("icon"), Id(icon)}, {Id("iconActive"), Id(active)}}));
        tab->setIdentifier(QString::fromUtf8(title));
        menu.show();
        QApplication::processEvents();
        QApplication::processEvents();
    }

    void hover()
    {
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
        QApplication::sendEvent(tab, &enter);
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(tab, &leave);
    }
};

} // namespace

TEST(KXLeftTabView, PressesGoToTheDelegateAndHoverOnlyFromSectionTabs)
{
    auto delegate = std::make_shared<RecordingDelegate>();
    Tab cloud("云字库");
    Tab favourites("收藏的字体", "naviFontMana", "naviFontMana");
    cloud.tab->setDelegate(delegate);
    favourites.tab->setDelegate(delegate);

    cloud.hover();
    QTest::mouseClick(cloud.tab, Qt::LeftButton);
    favourites.hover();
    EXPECT_EQ(delegate->events, (std::vector<std::string>{"touched 云字库", "entered 收藏的字体", "exited 收藏的字体"}));
}

TEST(KXLeftTabView, WithoutADelegateNothingHappens)
{
    Tab favourites("收藏的字体");
    {
        auto gone = std::make_shared<RecordingDelegate>();
        favourites.tab->setDelegate(gone);
    }
    favourites.hover();
    QTest::mouseClick(favourites.tab, Qt::LeftButton);
    EXPECT_EQ(favourites.tab->delegate(), nullptr);
}

TEST(KXLeftTabView, TheSelectedLookSwapsIconAndTitleColour)
{
    Tab cloud("云字库");
    const QImage unselectedIcon = cloud.tab->iconImg()->pixmap().toImage();
    EXPECT_EQ(cloud.tab->titleLabel()->palette().color(QPalette::WindowText), QColor(171, 171, 171));
    cloud.tab->setSelected(true);
    EXPECT_TRUE(cloud.tab->selected());
    EXPECT_EQ(cloud.tab->titleLabel()->palette().color(QPalette::WindowText), QColor(255, 255, 255));
    EXPECT_NE(cloud.tab->iconImg()->pixmap().toImage(), unselectedIcon);
    const QImage picture = cloud.tab->grab().toImage();
    EXPECT_EQ(picture.pixelColor(picture.width() - 2, 2), QColor(Qt::black));
    cloud.tab->setSelected(false);
    EXPECT_EQ(cloud.tab->iconImg()->pixmap().toImage(), unselectedIcon);
}

TEST(KXLeftTabView, LayoutOfPlainSectionAndCollapsedTabs)
{
    Tab cloud("云字库");
    EXPECT_EQ(cloud.tab->iconImg()->geometry(), QRect(4, 5, 20, 20));
    EXPECT_EQ(cloud.tab->titleLabel()->x(), 26);
    EXPECT_EQ(cloud.tab->titleLabel()->text(), QStringLiteral("云字库"));

    Tab favourites("收藏的字体");
    QApplication::processEvents();
    // The section title starts at the menu's edge: the icon takes no room.
    EXPECT_EQ(favourites.tab->iconImg()->x(), 2);
    EXPECT_LE(favourites.tab->iconImg()->width(), 1);
    EXPECT_LE(favourites.tab->titleLabel()->x(), 7);

    favourites.tab->setCollapse(true);
    QApplication::processEvents();
    QApplication::processEvents();
    EXPECT_TRUE(favourites.tab->titleLabel()->isHidden());
    const QRect collapsed = favourites.tab->iconImg()->geometry();
    EXPECT_EQ(collapsed.size(), QSize(20, 20));
    EXPECT_NEAR(collapsed.center().x(), 93 / 2.0, 1.0) << "centred in the tab";
    EXPECT_EQ(collapsed.y(), 5);
    EXPECT_FALSE(favourites.tab->isCollapse()) << "only the look changes";

    favourites.tab->setCollapse(false);
    QApplication::processEvents();
    QApplication::processEvents();
    EXPECT_FALSE(favourites.tab->titleLabel()->isHidden());
    EXPECT_EQ(favourites.tab->iconImg()->x(), 2);
    EXPECT_LE(favourites.tab->iconImg()->width(), 1);
}
