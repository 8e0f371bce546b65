// The hover pop-ups of the section tabs and the monitor that closes them, the extend menu, the
// questionnaire and the menu's collapse, offscreen on the virtual clock.
#include "Class/Account/KXPersonalFeedBack.h"
#include "Class/AppShell/KXAppSettingWindowController.h"
#include "Class/AppShell/KXHomeAlertView.h"
#include "Class/Favourites/KXGroupExtendView.h"
#include "Class/FontList/KXFontTableView.h"
#include "Class/FontList/KXHomeListView.h"
#include "Class/Home/Core/KXHomeProcessState.h"
#include "Class/Home/KXEventMonitor.h"
#include "Class/Home/KXHomeGroupTableView.h"
#include "Class/Home/KXNewHomeUserGuideView.h"
#include "Class/Home/KXTopSubview.h"
#include "Class/ImageViews/ImageView.h"
#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Class/UIKit/KXOpenFailedAlert.h"
#include "Class/UIKit/KXRemoveFromSuperview.h"
#include "HomeTestSupport.h"
#include "Platform/Desktop/URLOpener.h"
#include "Platform/Dispatch/Clock.h"
#include "Platform/Storage/UserDefaults.h"
#include "Support/FailingOpeners.h"

#include <QApplication>
#include <QCursor>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QVariantAnimation>
#include <QWheelEvent>

using foundation::Id;

namespace {

foundation::UserDefaults& popUpDefaults()
{
    return foundation::UserDefaults::standardUserDefaults();
}

class KXHomePopUpsTest : public hometest::HubTest {
protected:
    KXGroupExtendView* openFolders()
    {
        const QPointer<KXGroupExtendView> before = hub().groupExtendView();
        hub().MouseOnMyCollection();
        EXPECT_TRUE(waitFor([&] { return hub().groupExtendView() && hub().groupExtendView() != before.data(); }));
        layOut();
        return hub().groupExtendView();
    }

    // Events as the pointer makes them over a widget, through the application's filters.
    static void enter(QWidget* widget)
    {
        const QPointF local(5, 5);
        QEnterEvent event(local, local, widget->mapToGlobal(local));
        QApplication::sendEvent(widget, &event);
    }
    static void drag(QWidget* widget)
    {
        const QPointF local(5, 5);
        QMouseEvent event(QEvent::MouseMove, local, widget->mapToGlobal(local), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(widget, &event);
    }
    // A move with no button held onto a point of a widget, sent as the window sends it: to the
    // deepest widget there, whatever the platform's cursor says, through the application's filters.
    static void move(QWidget* widget, QPoint point)
    {
        QWidget* under = widget->childAt(point);
        QWidget* target = under ? under : widget;
        const QPointF local = target->mapFrom(widget, point);
        QMouseEvent event(QEvent::MouseMove, local, widget->mapToGlobal(QPointF(point)), Qt::NoButton,
            Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    }
    static void scroll(QWidget* widget)
    {
        const QPointF local(5, 5);
        QWheelEvent event(local, widget->mapToGlobal(local), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(widget, &event);
    }

    KXGroupExtendView* openFollowed()
    {
        const QPointer<KXGroupExtendView> before = hub().groupExtendView();
        hub().MouseOnMyFocus();
        EXPECT_TRUE(waitFor([&] { return hub().groupExtendView() && hub().groupExtendView() != before.data(); }));
        layOut();
        return hub().groupExtendView();
    }

    static bool shown(const QPointer<QWidget>& view) { return view && view->parentWidget(); }

    QWidget* list() { return hub().rightListview()->listTableView()->viewport(); }
    // A click on the list away from where the pop-ups and the menu lie.
    void clickList() { click(list(), QPoint(list()->width() - 20, 20)); }
};

} // namespace

TEST_F(KXHomePopUpsTest, ASecondOverASectionTabOpensItsPopUpBesideTheMenu)
{
    dispatch::VirtualClock::Scope clock;
    signIn();
    auto& home = open();
    enter(home.fontManagerBtn());
    clock.advance(0.99);
    EXPECT_TRUE(service().requestLog().withTag("137").empty());
    clock.advance(0.01);
    ASSERT_TRUE(waitFor([&] { return home.groupExtendView() != nullptr; }));
    layOut();
    KXGroupExtendView* popUp = home.groupExtendView();
    EXPECT_EQ(kx_topSubview(&home), popUp);
    EXPECT_EQ(popUp->from(), QStringLiteral("fontManage"));
    EXPECT_EQ(popUp->geometry(), QRect(90, home.fontManagerBtn()->y(), 148, 204));
    EXPECT_EQ(popUp->dataA()->count(), home.groupArray()->count());
    EXPECT_EQ(home.groupArray()->count(), KXUserCenterConfig::sharedKXUserCenterConfig().groupsInfo()->count());
    EXPECT_EQ(home.collectionTableview()->model()->rowCount(), static_cast<int>(home.groupArray()->count()))
        << "the side table shows the fetched folders";

    // The followed tab entered last wins, and its pop-up replaces the kept one.
    enter(home.fontManagerBtn());
    enter(home.myFocusBtn());
    clock.advance(1);
    ASSERT_TRUE(waitFor([&] { return home.groupExtendView() != popUp; }));
    layOut();
    EXPECT_EQ(home.groupExtendView()->from(), QStringLiteral("myfocus"));
    EXPECT_EQ(home.groupExtendView()->y(), home.myFocusBtn()->y());
    EXPECT_EQ(kx_subviews(&home).size(), 3u);
}

TEST_F(KXHomePopUpsTest, OutsideEventsCloseThePopUpLaterInsideOnesKeepIt)
{
    dispatch::VirtualClock::Scope clock;
    signIn();
    auto& home = open();
    QPointer<QWidget> popUp = openFolders();
    const auto pending = clock.clock().pendingCount();
    click(popUp, QPoint(70, 10));
    drag(home.fontManagerBtn());
    scroll(home.myFocusBtn());
    enter(popUp);
    clock.advance(1);
    ASSERT_TRUE(shown(popUp)) << "inside the pop-up and on the two tabs";
    EXPECT_LE(clock.clock().pendingCount(), pending) << "no close was scheduled";

    clickList();
    clock.advance(0.79);
    EXPECT_TRUE(shown(popUp));
    clock.advance(0.01);
    EXPECT_FALSE(shown(popUp));

    int kind = 0;
    for (auto outside : {&KXHomePopUpsTest::scroll, &KXHomePopUpsTest::enter, &KXHomePopUpsTest::drag}) {
        popUp = openFolders();
        outside(list());
        clock.advance(0.8);
        EXPECT_FALSE(shown(popUp)) << kind++;
    }
}

// Off the window, or from a tab onto the menu's bare background, the pointer enters nothing of
// the client: the pop-up follows the pointer's moves over the window and its leaving, and a
// pointer that comes back onto the pop-up or its tab in time keeps it.
TEST_F(KXHomePopUpsTest, ThePointerGoingAnywhereButThePopUpAndItsTabClosesIt)
{
    dispatch::VirtualClock::Scope clock;
    signIn();
    auto& home = open();
    QWidget* window = home.window();
    // Where the window's leaving finds the pointer; none of the window's widgets lies beneath it.
    const auto offTheWindow = [window] {
        QCursor::setPos(window->frameGeometry().bottomRight() + QPoint(200, 200));
        QApplication::processEvents();
    };
    offTheWindow();
    for (KXLeftTabView* mark : {home.fontManagerBtn(), home.myFocusBtn()}) {
        const bool folders = mark == home.fontManagerBtn();
        QPointer<QWidget> popUp = folders ? openFolders() : openFollowed();
        ASSERT_TRUE(shown(popUp));
        // A point of the menu beneath the tab that no widget of its own covers.
        QWidget* menu = home.leftMenu();
        QPoint bare(-1, -1);
        for (int y = mark->mapTo(menu, QPoint(0, mark->height())).y(); y < menu->height() && bare.x() < 0; ++y) {
            if (!menu->childAt(2, y))
                bare = QPoint(2, y);
        }
        ASSERT_GE(bare.x(), 0);

        move(popUp, QPoint(70, 10));
        move(mark, QPoint(10, 10));
        // Past the close's delay, short of the second that opens a tab's pop-up afresh.
        clock.advance(0.9);
        ASSERT_TRUE(shown(popUp)) << "over the pop-up, then its tab";
        // From the tab onto the menu it lies in: no widget is entered.
        move(menu, bare);
        clock.advance(0.79);
        EXPECT_TRUE(shown(popUp));
        clock.advance(0.01);
        EXPECT_FALSE(shown(popUp)) << "from its tab onto the menu's background";

        // Opened again, as the list's reply shows it. The pointer goes off it and comes back in
        // time, twice: a close counts from the last move off.
        home.showGroupExtendView(folders ? "fontManage" : "myfocus", mark, folders ? home.groupArray() : home.followArray());
        layOut();
        popUp = home.groupExtendView();
        ASSERT_TRUE(shown(popUp));
        move(popUp, QPoint(70, 10));
        move(menu, bare);
        clock.advance(0.5);
        move(popUp, QPoint(70, 10));
        clock.advance(0.1);
        move(menu, bare);
        clock.advance(0.4);
        EXPECT_TRUE(shown(popUp)) << "back on the pop-up before the delay, then off again";
        move(mark, QPoint(10, 10));
        clock.advance(0.8);
        EXPECT_TRUE(shown(popUp)) << "back on its tab before the delay";

        offTheWindow();
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(window, &leave);
        clock.advance(0.79);
        EXPECT_TRUE(shown(popUp));
        clock.advance(0.01);
        EXPECT_FALSE(shown(popUp)) << "off the window";
    }
}

// Another window of the client may lie over the hub's: the moves over it say nothing of where the
// pointer is over the hub's window.
TEST_F(KXHomePopUpsTest, MovesOverAnotherWindowOfTheClientLeaveThePopUpBe)
{
    dispatch::VirtualClock::Scope clock;
    signIn();
    auto& home = open();
    QPointer<QWidget> popUp = openFolders();
    // A tip over an entry of the pop-up, reaching past it over the list.
    QWidget tip(nullptr, Qt::ToolTip);
    tip.setGeometry(QRect(popUp->mapToGlobal(QPoint(70, 10)), QSize(300, 40)));
    tip.show();
    layOut();
    const QPoint pastThePopUp(290, 20);
    move(&tip, pastThePopUp);
    clock.advance(1);
    EXPECT_TRUE(shown(popUp));

    move(&home, home.mapFromGlobal(tip.mapToGlobal(pastThePopUp)));
    clock.advance(0.8);
    EXPECT_FALSE(shown(popUp)) << "the same point over the hub's window";
}

TEST_F(KXHomePopUpsTest, ALateCloseNeverTakesANewerPopUp)
{
    dispatch::VirtualClock::Scope clock;
    signIn();
    open();
    QPointer<QWidget> first = openFolders();
    clickList();
    clock.advance(0.4);
    QPointer<QWidget> second = openFolders();
    EXPECT_FALSE(shown(first)) << "the new pop-up replaced the kept one";
    clock.advance(0.4);
    EXPECT_TRUE(shown(second));
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(KXEventMonitor::liveCount(), 1) << "one monitor for the one pop-up";
    kx_removeFromSuperview(second);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(KXEventMonitor::liveCount(), 0);
}

TEST_F(KXHomePopUpsTest, TheExtendMenuOpensClosesAndLaysOutItsEntries)
{
    dispatch::VirtualClock::Scope clock;
    auto& home = open();
    click(home.extendBtn());
    layOut();
    QPointer<QWidget> menu = home.extendView();
    ASSERT_TRUE(shown(menu));
    EXPECT_EQ(kx_topSubview(&home), menu);
    EXPECT_EQ(menu->geometry(), QRect(0, 50, 400, 810));
    EXPECT_EQ(home.extendContentView()->geometry(), QRect(90, 810 - 16 - 120, 80, 120));
    std::vector<QString> titles;
    std::vector<QRect> frames;
    for (KXBaseButton* entry : home.extendEntries()) {
        titles.push_back(entry->title());
        frames.push_back(entry->geometry());
    }
    EXPECT_EQ(titles, (std::vector<QString>{QStringLiteral("新手指引"), QStringLiteral("帮助"), QStringLiteral("反馈"), QStringLiteral("设置")}));
    EXPECT_EQ(frames, (std::vector<QRect>{QRect(0, 0, 80, 39), QRect(0, 27, 80, 39), QRect(0, 54, 80, 39), QRect(0, 81, 80, 39)}));

    // Clicks inside the panel or on the extend button keep it; the button's click toggles it.
    click(home.extendContentView(), QPoint(40, 118));
    clock.advance(1);
    ASSERT_TRUE(shown(menu));
    click(home.extendBtn());
    EXPECT_FALSE(shown(menu)) << "the second click closes it";

    click(home.extendBtn());
    menu = home.extendView();
    clickList();
    EXPECT_EQ(home.rightListview()->tabTypeNum(), 1) << "the list beneath does not react";
    clock.advance(0.49);
    EXPECT_TRUE(shown(menu));
    clock.advance(0.01);
    EXPECT_FALSE(shown(menu));

    home.extendButtonClick();
    menu = home.extendView();
    home.extendViewClicks();
    clock.advance(0.99);
    EXPECT_TRUE(shown(menu));
    clock.advance(0.01);
    EXPECT_FALSE(shown(menu));
}

TEST_F(KXHomePopUpsTest, TheExtendMenusEntries)
{
    desktop::ScopedRecordingURLOpener opener;
    auto& home = open();
    home.extendButtonClick();
    home.extendEntries()[0]->click();
    EXPECT_NE(qobject_cast<KXNewHomeUserGuideView*>(kx_topSubview(&home)), nullptr);
    EXPECT_FALSE(shown(home.extendView()));
    kx_removeFromSuperview(kx_topSubview(&home));

    home.extendButtonClick();
    home.extendEntries()[1]->click();
    popUpDefaults().setObject(Id("https://s.example/help"), "help_url");
    home.extendButtonClick();
    home.extendEntries()[1]->click();
    popUpDefaults().setObject(Id("file:///etc/passwd"), "help_url");
    home.extendButtonClick();
    home.extendEntries()[1]->click();
    EXPECT_EQ(opener.opened(), (std::vector<std::string>{"https://www.corvane.example/help", "https://s.example/help"}))
        << "the fixed page without a stored address; only web addresses leave";

    home.extendButtonClick();
    home.extendEntries()[2]->click();
    auto* feedback = qobject_cast<KXPersonalFeedBack*>(kx_topSubview(&home));
    ASSERT_NE(feedback, nullptr);
    layOut();
    EXPECT_EQ(feedback->geometry(), home.rect());
    EXPECT_FALSE(shown(home.extendView()));

    home.extendButtonClick();
    home.extendEntries()[3]->click();
    KXAppSettingWindowController* settings = home.settingWC();
    ASSERT_NE(settings, nullptr);
    EXPECT_TRUE(settings->window()->isVisible());
    EXPECT_EQ(settings->window()->parentWidget(), &home);
    home.extendButtonClick();
    home.extendEntries()[3]->click();
    EXPECT_EQ(home.settingWC(), settings) << "a visible settings window is brought forward";
    settings->window()->close();
    home.settingBtnClick();
    EXPECT_TRUE(home.settingWC()->window()->isVisible());
}


TEST_F(KXHomePopUpsTest, AHelpPageTheBrowserCannotOpenShowsItsAddress)
{
    auto& home = open();
    popUpDefaults().setObject(Id("https://s.example/help"), "help_url");
    const auto shown = [&] {
        auto* alert = KXOpenFailedAlert::alertOf(&home);
        return alert && alert->isVisible() ? alert->targetField()->toPlainText() : QString();
    };
    {
        desktop::ScopedRecordingURLOpener opener;
        opener.opener().setLaunchError("Could not start xdg-open");
        home.extendButtonClick();
        home.extendEntries()[1]->click();
        ASSERT_EQ(shown(), "https://s.example/help");
        EXPECT_EQ(KXOpenFailedAlert::alertOf(&home)->parentWidget(), home.window());
        KXOpenFailedAlert::alertOf(&home)->closeBtnClick();
    }
    testsupport::ScopedFailingSystemOpener opener;
    home.extendButtonClick();
    home.extendEntries()[1]->click();
    EXPECT_TRUE(shown().isEmpty());
    ASSERT_TRUE(waitFor([&] { return !shown().isEmpty(); }));
    EXPECT_EQ(shown(), "https://s.example/help");
}

TEST_F(KXHomePopUpsTest, TheQuestionnaireButtonShowsTheAlert)
{
    popUpDefaults().setObject(Id(service().baseUrl() + "files/images/questionnaire.png"), "questionnaire");
    auto& home = open();
    click(home.alertBtn());
    auto* alert = qobject_cast<KXHomeAlertView*>(kx_topSubview(&home));
    ASSERT_NE(alert, nullptr);
    layOut();
    EXPECT_EQ(alert->geometry(), home.rect());
    EXPECT_TRUE(waitFor([&] { return alert->bgImgView()->image() != nullptr; }));
}

TEST_F(KXHomePopUpsTest, CollapsingAndExpandingTheMenuGiveBackTheFirstState)
{
    auto& home = open();
    home.setMinimumWidth(400);
    home.setGeometry(300, 100, 400, 860);
    layOut();
    const QRect first = home.geometry();
    EXPECT_FALSE(home.isMenuCollapsed());

    click(home.stretchBtn());
    layOut();
    EXPECT_TRUE(home.isMenuCollapsed());
    EXPECT_FALSE(KXHomeProcessState::shared().menuExpanded);
    EXPECT_EQ(home.leftMenu()->width(), 50);
    EXPECT_EQ(home.avatarImg()->geometry(), QRect(10, 56, 30, 30));
    EXPECT_EQ(home.rightListview()->geometry().left(), 50);
    // The left edge moves 60 right, the right edge stays; the minimum follows the menu.
    EXPECT_EQ(home.geometry(), QRect(first.left() + 60, first.top(), 340, first.height()));
    EXPECT_EQ(home.minimumWidth(), 340);
    EXPECT_TRUE(home.cloudBtn()->titleLabel()->isHidden());
    EXPECT_EQ(home.newgroupBtn()->imagePosition(), KXBaseButton::ImagePosition::ImageOnly);

    click(home.stretchBtn());
    layOut();
    EXPECT_FALSE(home.isMenuCollapsed());
    EXPECT_TRUE(KXHomeProcessState::shared().menuExpanded);
    EXPECT_EQ(home.geometry(), first);
    EXPECT_EQ(home.minimumWidth(), 400);
    EXPECT_EQ(home.leftMenu()->width(), 90);
    EXPECT_EQ(home.avatarImg()->geometry(), QRect(20, 56, 50, 50));
    EXPECT_FALSE(home.cloudBtn()->titleLabel()->isHidden());
    EXPECT_EQ(home.newgroupBtn()->imagePosition(), KXBaseButton::ImagePosition::Leading);
}

TEST_F(KXHomePopUpsTest, ASecondClickDuringTheAnimationTurnsBackFromWhereTheMenuIs)
{
    auto& home = open();
    home.setMinimumWidth(400);
    home.setGeometry(300, 100, 400, 860);
    layOut();
    const QRect first = home.geometry();
    KXHomeViewController::setAnimationsEnabled(true);

    click(home.stretchBtn());
    QPointer<QVariantAnimation> collapse = home.menuAnimation();
    ASSERT_NE(collapse, nullptr);
    collapse->setCurrentTime(collapse->duration() / 2);
    layOut();
    const int midway = home.leftMenu()->width();
    EXPECT_GT(midway, KXHomeViewController::kCollapsedMenuWidth);
    EXPECT_LT(midway, KXHomeViewController::kMenuWidth);

    click(home.stretchBtn());
    QVariantAnimation* expansion = home.menuAnimation();
    ASSERT_NE(expansion, nullptr);
    ASSERT_NE(expansion, collapse.data());
    EXPECT_EQ(expansion->startValue().toDouble(), midway);
    expansion->setCurrentTime(expansion->duration() / 10);
    layOut();
    EXPECT_GE(home.leftMenu()->width(), midway) << "no jump to the collapsed width";
    EXPECT_EQ(expansion->endValue().toDouble(), KXHomeViewController::kMenuWidth);
    expansion->setCurrentTime(expansion->duration());
    layOut();
    KXHomeViewController::setAnimationsEnabled(false);
    EXPECT_FALSE(home.isMenuCollapsed());
    EXPECT_EQ(home.leftMenu()->width(), KXHomeViewController::kMenuWidth);
    EXPECT_EQ(home.avatarImg()->geometry(), QRect(20, 56, 50, 50));
    EXPECT_EQ(home.geometry(), first) << "the window's frame as before the two clicks";
}

TEST_F(KXHomePopUpsTest, AThousandOpeningsLeaveNothingBehind)
{
    dispatch::VirtualClock::Scope clock;
    signIn();
    auto& home = open();
    openFolders();
    kx_removeFromSuperview(home.groupExtendView());
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    const auto children = home.findChildren<QObject*>().size();
    const int monitors = KXEventMonitor::liveCount();
    clock.advance(1);
    const auto pending = clock.clock().pendingCount();
    for (int i = 0; i < 1000; ++i) {
        home.extendButtonClick();
        clickList();
        clock.advance(0.5);
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    for (int i = 0; i < 1000; ++i) {
        // The pop-up as the folders' reply shows it.
        home.showGroupExtendView(i % 3 ? "fontManage" : "myfocus", i % 3 ? home.fontManagerBtn() : home.myFocusBtn(), home.groupArray());
        QPointer<QWidget> popUp = home.groupExtendView();
        if (i % 2)
            clickList();
        else
            enter(list());
        clock.advance(0.8);
        ASSERT_FALSE(shown(popUp)) << i;
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    EXPECT_EQ(home.findChildren<QObject*>().size(), children);
    EXPECT_EQ(KXEventMonitor::liveCount(), monitors);
    EXPECT_LE(clock.clock().pendingCount(), pending);
    EXPECT_EQ(kx_subviews(&home).size(), 2u);
}
