// The side tables of the left menu, their context menus and what the hub does with the group
// pop-ups' rows and buttons, against the local service.
#include "Class/Favourites/KXDeleteGroupView.h"
#include "Class/Favourites/KXFontGroupCreate.h"
#include "Class/Favourites/KXFontManagerView.h"
#include "Class/Favourites/KXFontManagerDetailView.h"
#include "Class/Favourites/KXGroupExtendView.h"
#include "Class/Favourites/KXHomeRecomDetailTopCell.h"
#include "Class/Favourites/KXHomeRecomDetailView.h"
#include "Class/Favourites/KXHomeRecommendView.h"
#include "Class/Favourites/KXMyfocusSetView.h"
#include "Class/Favourites/KXShareCollectionGroupView.h"
#include "Class/Account/KXLoginWindowController.h"
#include "Class/Account/KXPersonalCenterView.h"
#include "Class/Account/KXPersonalFeedBack.h"
#include "Class/Account/KXVipAlertView.h"
#include "Class/FontList/KXHomeListOverlays.h"
#include "Class/FontList/KXHomeListView.h"
#include "Class/Home/Core/KXHomeProcessState.h"
#include "Class/Home/KXHomeGroupCell.h"
#include "Class/Home/KXHomeGroupModel.h"
#include "Class/Home/KXHomeGroupTableView.h"
#include "Class/Home/KXTopSubview.h"
#include "Class/ImageViews/ImageView.h"
#include "Class/ServiceCore/Catalogue/KXFontBaseModel.h"
#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"
#include "Class/ServiceCore/Transport/KXAccountWrites.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/Store/KXFontsSaleList.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Class/UIKit/KXRemoveFromSuperview.h"
#include "HomeTestSupport.h"
#include "Platform/Dispatch/Clock.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/Dispatch/RunLoop.h"
#include "Platform/Foundation/String.h"
#include "Platform/Storage/UserDefaults.h"
#include "Class/ServiceCore/Catalogue/KXSortingData.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QScrollBar>
#include <QWheelEvent>
#include <QLineEdit>
#include <QMenu>

#include <algorithm>
#include <chrono>

using foundation::Id;

namespace {

KXUserCenterConfig& sideTableSession()
{
    return KXUserCenterConfig::sharedKXUserCenterConfig();
}

foundation::UserDefaults& sideTableDefaults()
{
    return foundation::UserDefaults::standardUserDefaults();
}

Id folder(long long id, const char* name, const foundation::Ref<foundation::Array>& fonts = foundation::Array::create())
{
    return Id(foundation::Dictionary::create({{Id("id"), Id(id)}, {Id("collect_name"), Id(name)}, {Id("fonts"), Id(fonts)}}));
}

foundation::Ref<foundation::MutableArray> folders(int count)
{
    auto rows = foundation::MutableArray::create();
    for (int i = 0; i < count; ++i)
        rows->addObject(folder(100 + i, i == 0 ? "默认分组" : "分组"));
    return rows;
}

std::vector<long long> sideTableFontIds(const foundation::Ref<foundation::MutableArray>& records)
{
    std::vector<long long> ids;
    for (const Id& record : records->objects())
        ids.push_back(record.ptr<KXFontBaseModel>()->fontid);
    return ids;
}

class KXHomeSideTablesTest : public hometest::HubTest {
protected:
    // Whether a folder or collection dialog lies on the hub.
    static bool hasDialog(const KXHomeViewController& home)
    {
        for (QWidget* view : kx_subviews(&home)) {
            if (qobject_cast<KXDeleteGroupView*>(view) || qobject_cast<KXFontGroupCreate*>(view) || qobject_cast<KXShareCollectionGroupView*>(view))
                return true;
        }
        return false;
    }

    // Opens the kept pop-up of the signed-in user's folders (or followed collections).
    KXGroupExtendView* openPopUp(bool followed)
    {
        const auto before = hub().groupExtendView();
        if (followed)
            hub().MouseOnMyFocus();
        else
            hub().MouseOnMyCollection();
        EXPECT_TRUE(waitFor([&] { return hub().groupExtendView() && hub().groupExtendView() != before; }));
        return hub().groupExtendView();
    }

    bool rowLooksSelected(KXHomeGroupTableView* table, int row) const
    {
        return static_cast<KXHomeGroupCell*>(table->itemDelegate())->isRowSelected(row);
    }

    // The next folder or followed list is answered at once and held back on its way for `milliseconds`.
    static void holdBackNextList() { holdNextReply("getMyCollect"); }

    static bool lists(const foundation::Ref<foundation::Array>& rows, const Id& id)
    {
        if (!rows)
            return false;
        const auto& entries = rows->objects();
        return std::any_of(entries.begin(), entries.end(), [&](const Id& row) { return row["id"].stringValue() == id.stringValue(); });
    }

    // The side table's row of `folder`, -1 when it is not listed.
    static int folderRow(KXHomeViewController& home, const Id& folder)
    {
        for (std::size_t row = 0; row < home.groupArray()->count(); ++row)
            if (home.groupArray()->objectAtIndex(row)["id"].stringValue() == folder["id"].stringValue())
                return static_cast<int>(row);
        return -1;
    }

    // A folder made on the service for this test, and given to the session with the others.
    Id createFolder(const char* name)
    {
        const auto created = run([name](auto success, auto failure) { KXHTTPBUSINESS().CreateGroupWithName(Id(name), success, failure); });
        const auto listed = run([](auto success, auto failure) { KXHTTPBUSINESS().GetCollectGroupsListSuceess(success, failure); });
        sideTableSession().setGroupsInfo(listed.reply["corvane_data"]["collection"].array());
        service().requestLog().clear();
        return created.reply["corvane_data"];
    }
};

} // namespace

TEST_F(KXHomeSideTablesTest, TheAccordionOpensOneTableAtATimeToSixRows)
{
    sideTableSession().setGroupsInfo(folders(7));
    sideTableSession().setFollowsArray(folders(3));
    auto& home = open();
    EXPECT_EQ(home.collectionScrollView()->height(), 0);
    EXPECT_EQ(home.followScrollView()->height(), 0);
    EXPECT_EQ(home.fontManagerBtn()->x(), 0);
    EXPECT_FALSE(home.newgroupBtn()->isVisible());

    // The disclosure mark of the section tab opens its table and touches no tab.
    click(home.collectionToggle());
    layOut();
    EXPECT_EQ(home.selectedTabView(), home.cloudBtn());
    EXPECT_EQ(kx_subviews(&home).size(), 2u);
    EXPECT_EQ(home.collectionScrollView()->height(), 150) << "six rows show, the seventh scrolls";
    EXPECT_EQ(home.collectionTableview()->model()->rowCount(), 7);
    EXPECT_EQ(home.fontManagerBtn()->geometry().left(), 7);
    EXPECT_TRUE(home.newgroupBtn()->isVisible());
    EXPECT_EQ(home.newgroupBtn()->geometry(), QRect(4, home.collectionScrollView()->geometry().bottom() + 5, 60, 20));
    EXPECT_EQ(home.myFocusBtn()->y(), home.newgroupBtn()->geometry().bottom() + 5);

    click(home.followToggle());
    layOut();
    EXPECT_EQ(home.collectionScrollView()->height(), 0);
    EXPECT_EQ(home.followScrollView()->height(), 75);
    EXPECT_EQ(home.followScrollView()->y(), home.myFocusBtn()->geometry().bottom() + 1);
    EXPECT_FALSE(home.newgroupBtn()->isVisible());
    EXPECT_TRUE(service().requestLog().withTag("145").empty()) << "signed out, no update check";

    home.focusExpandAction();
    layOut();
    EXPECT_EQ(home.followScrollView()->height(), 0);
}

namespace {

// Where a control of the menu can be seen: its frame in the hub, cut by every view it lies in.
QRect visibleFrame(const QWidget* control, const QWidget* hub)
{
    QRect frame(control->mapTo(hub, QPoint(0, 0)), control->size());
    for (const QWidget* above = control->parentWidget(); above && above != hub; above = above->parentWidget())
        frame &= QRect(above->mapTo(hub, QPoint(0, 0)), above->size());
    return control->isVisible() ? frame : QRect();
}

// Each control seen is apart from the others and takes the clicks at its centre.
void expectApartAndReachable(KXHomeViewController& home, const std::vector<QWidget*>& controls, const std::string& when)
{
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const QRect frame = visibleFrame(controls[i], &home);
        if (frame.isEmpty())
            continue;
        for (std::size_t j = i + 1; j < controls.size(); ++j)
            EXPECT_FALSE(frame.intersects(visibleFrame(controls[j], &home)))
                << when << ": controls " << i << " and " << j << " overlap";
        QWidget* hit = home.childAt(frame.center());
        EXPECT_TRUE(hit && (hit == controls[i] || controls[i]->isAncestorOf(hit))) << when << ": control " << i << " misses its click";
    }
}

} // namespace

TEST_F(KXHomeSideTablesTest, OnAShortWindowTheMenusControlsStayApartAndTheColumnScrolls)
{
    sideTableDefaults().setObject(Id(service().baseUrl() + "files/images/questionnaire.png"), "questionnaire");
    sideTableSession().setGroupsInfo(folders(8));
    auto& home = open();
    ASSERT_FALSE(home.alertBtn()->isHidden());
    click(home.collectionToggle());
    layOut();
    std::vector<QWidget*> controls{home.stretchBtn(), home.avatarImg(), home.collectionScrollView(), home.newgroupBtn(),
                                   home.alertBtn(), home.shoppingCartBtn(), home.extendBtn()};
    for (KXLeftTabView* tab : home.tabs())
        controls.push_back(tab);
    const std::vector<QWidget*> bottom{home.alertBtn(), home.shoppingCartBtn(), home.extendBtn()};

    // A 1366 x 768 screen: the open table gives up rows and everything fits unscrolled.
    home.resize(400, 700);
    layOut();
    EXPECT_LT(home.collectionScrollView()->height(), 150);
    EXPECT_GE(home.collectionScrollView()->height(), 50);
    EXPECT_FALSE(home.menuColumnBar()->isVisible());
    for (QWidget* control : controls)
        EXPECT_EQ(visibleFrame(control, &home).height(), control->height()) << "whole at 700";
    expectApartAndReachable(home, controls, "700 high");

    for (const int height : {540, 370}) {
        const std::string when = std::to_string(height) + " high";
        home.resize(400, height);
        layOut();
        EXPECT_EQ(home.collectionScrollView()->height(), 50) << when << ": two rows of the table stay";
        ASSERT_TRUE(home.menuColumnBar()->isVisible()) << when;
        EXPECT_LE(home.menuColumnBar()->width(), 6);
        for (QWidget* control : bottom)
            EXPECT_EQ(visibleFrame(control, &home).height(), control->height()) << when << ": the bottom buttons are whole";
        expectApartAndReachable(home, controls, when);

        // Wheel turns over the column bring its end into view, and no further.
        for (int turn = 0; turn < 20; ++turn) {
            QWheelEvent wheel(QPointF(10, 10), home.menuColumn()->mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, -120),
                              Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(home.menuColumn(), &wheel);
            layOut();
        }
        EXPECT_EQ(home.menuColumnBar()->value(), home.menuColumnBar()->maximum());
        for (QWidget* control : {static_cast<QWidget*>(home.myFocusBtn()), static_cast<QWidget*>(home.newgroupBtn())})
            EXPECT_EQ(visibleFrame(control, &home).height(), control->height()) << when << ": reached by scrolling";
        EXPECT_LE(visibleFrame(home.myFocusBtn(), &home).bottom(), home.menuColumn()->geometry().bottom()) << when;
        expectApartAndReachable(home, controls, when + ", scrolled");
        home.menuColumnBar()->setValue(0);
        layOut();
    }

    // Back on a tall window nothing is left to scroll and the table has its six rows.
    home.resize(400, 860);
    layOut();
    EXPECT_EQ(home.collectionScrollView()->height(), 150);
    EXPECT_FALSE(home.menuColumnBar()->isVisible());
    EXPECT_EQ(home.menuColumnContent()->y(), 0);
}

TEST_F(KXHomeSideTablesTest, TheColumnScrollsByATouchpadsSmallSteps)
{
    sideTableSession().setGroupsInfo(folders(8));
    auto& home = open();
    click(home.collectionToggle());
    home.resize(400, 370);
    layOut();
    ASSERT_TRUE(home.menuColumnBar()->isVisible());
    const auto turn = [&](int steps, QPoint angle, QPoint pixels = {}) {
        for (int step = 0; step < steps; ++step) {
            QWheelEvent wheel(QPointF(10, 10), home.menuColumn()->mapToGlobal(QPointF(10, 10)), pixels, angle,
                              Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(home.menuColumn(), &wheel);
        }
        layOut();
        return home.menuColumnBar()->value();
    };

    const int notch = turn(1, QPoint(0, -120));
    ASSERT_GT(notch, 0);
    home.menuColumnBar()->setValue(0);
    EXPECT_EQ(turn(12, QPoint(0, -10)), notch) << "twelve touchpad steps of a twelfth of a notch";
    EXPECT_GT(turn(1, QPoint(0, 10)), 0) << "a step back moves back from there, not past a kept rest";
    EXPECT_LT(home.menuColumnBar()->value(), notch);
    EXPECT_EQ(turn(11, QPoint(0, 10)), 0);
    EXPECT_EQ(home.menuColumnContent()->y(), 0);

    // A touchpad that reports pixels moves the column by those pixels.
    EXPECT_EQ(turn(3, QPoint(0, -24), QPoint(0, -7)), 21);
}

TEST_F(KXHomeSideTablesTest, TheFolderTablesScrollBarLeavesTheNamesTheirRoom)
{
    sideTableSession().setGroupsInfo(folders(8));
    auto& home = open();
    click(home.collectionToggle());
    layOut();
    QScrollBar* bar = home.collectionTableview()->verticalScrollBar();
    ASSERT_TRUE(bar->isVisible()) << "eight rows in six";
    EXPECT_LE(bar->width(), 6);
    EXPECT_GE(home.collectionTableview()->viewport()->width(), home.collectionTableview()->width() - 6);
}

TEST_F(KXHomeSideTablesTest, ARowClickShowsTheFolderInsteadOfATab)
{
    signIn();
    const auto cloud = sideTableFontIds(KXSortingData().soringDataBySortType(0));
    ASSERT_GE(cloud.size(), 3u);
    // The folders hold font ids; a click lists the catalogue's records in the folder's order.
    auto rows = folders(3);
    rows->replaceObjectAtIndex(1, folder(201, "标题字体", foundation::Array::create({Id(cloud[2]), Id(std::to_string(cloud[0]))})));
    sideTableSession().setGroupsInfo(rows);
    sideTableSession().setFollowsArray(folders(2));
    auto& home = open();
    home.colletExpand();
    home.collectionTableview()->performClick(1);
    EXPECT_EQ(home.selectedTabView(), nullptr);
    EXPECT_TRUE(selectedTabs().empty());
    EXPECT_EQ(home.rightListview()->tabTypeNum(), 4);
    EXPECT_EQ(home.rightListview()->groupID()->utf8(), "201");
    EXPECT_EQ(sideTableFontIds(home.rightListview()->dataArray()), (std::vector<long long>{cloud[2], cloud[0]}));
    EXPECT_EQ(KXHomeViewController::sideTableRowMemory(), 1);
    EXPECT_TRUE(rowLooksSelected(home.collectionTableview(), 1));
    EXPECT_FALSE(rowLooksSelected(home.collectionTableview(), 0));

    // The followed table's first click shows its row selected, and the folder's row gives way.
    home.followTableview()->performClick(0);
    EXPECT_TRUE(KXHomeProcessState::shared().followedSelection);
    EXPECT_TRUE(rowLooksSelected(home.followTableview(), 0));
    EXPECT_FALSE(rowLooksSelected(home.collectionTableview(), 1));
    EXPECT_EQ(home.rightListview()->groupID()->utf8(), "100");

    home.tabViewTouched(home.cloudBtn());
    EXPECT_EQ(selectedTabs(), std::vector<KXLeftTabView*>{home.cloudBtn()});
    EXPECT_FALSE(rowLooksSelected(home.followTableview(), 0)) << "a tab is the selection now";
    EXPECT_EQ(KXHomeViewController::sideTableRowMemory(), 0);
}

TEST_F(KXHomeSideTablesTest, AClickOnEmptySpaceClosesEveryPageOverTheContent)
{
    signIn();
    sideTableSession().setGroupsInfo(folders(2));
    auto& home = open();
    auto* cart = new KXFontsSaleList(&home);
    cart->show();
    auto* centre = new KXPersonalCenterView(&home);
    centre->show();
    auto* feedback = new KXPersonalFeedBack(&home);
    feedback->show();
    home.collectionTableview()->performClick(-1);
    EXPECT_EQ(kx_subviews(&home), (std::vector<QWidget*>{home.leftMenu(), home.rightListview()}));
    EXPECT_EQ(home.rightListview()->tabTypeNum(), 1) << "no row, no folder";
    EXPECT_EQ(home.selectedTabView(), home.cloudBtn());
}

TEST_F(KXHomeSideTablesTest, ARowClickOverAnyPageClosesThePagesAndShowsTheFolder)
{
    signIn();
    auto rows = folders(3);
    rows->replaceObjectAtIndex(1, folder(201, "标题字体"));
    sideTableSession().setGroupsInfo(rows);
    auto& home = open();
    home.tabViewTouched(home.myFocusBtn());
    ASSERT_NE(qobject_cast<KXMyfocusSetView*>(kx_topSubview(&home)), nullptr);
    // A page of a kind the hub has no name for goes the same way.
    auto* other = new QWidget(&home);
    other->show();
    home.colletExpand();
    home.collectionTableview()->performClick(1);
    EXPECT_EQ(kx_subviews(&home), (std::vector<QWidget*>{home.leftMenu(), home.rightListview()}));
    EXPECT_EQ(home.selectedTabView(), nullptr);
    EXPECT_EQ(home.rightListview()->tabTypeNum(), 4);
    ASSERT_NE(home.rightListview()->groupID(), nullptr);
    EXPECT_EQ(home.rightListview()->groupID()->utf8(), "201");
    EXPECT_TRUE(home.rightListview()->isVisible());
}

TEST_F(KXHomeSideTablesTest, TheContextMenuLeavesTheDefaultFolderAndEmptySpaceAlone)
{
    sideTableSession().setGroupsInfo(folders(3));
    auto& home = open();
    home.colletExpand();
    layOut();
    // A right click over row 0 opens the menu on that row without selecting it.
    click(home.collectionTableview()->viewport(), QPoint(20, 12), Qt::RightButton);
    QContextMenuEvent request(QContextMenuEvent::Mouse, QPoint(20, 12), home.collectionTableview()->viewport()->mapToGlobal(QPoint(20, 12)));
    QApplication::sendEvent(home.collectionTableview()->viewport(), &request);
    EXPECT_TRUE(home.collectionMenu()->isVisible());
    EXPECT_EQ(home.collectionTableview()->clickedRow(), 0);
    EXPECT_EQ(home.collectionTableview()->selectedRow(), -1);
    home.collectionMenu()->actions()[0]->trigger();
    EXPECT_EQ(toastType(), 1);
    EXPECT_EQ(toastText(), QStringLiteral("默认分组不支持修改"));
    home.collectionMenu()->hide();
    home.collectionMenu()->actions()[1]->trigger();
    EXPECT_EQ(toastText(), QStringLiteral("默认分组不支持修改"));
    EXPECT_FALSE(hasDialog(home));

    for (int row : {-1, 3}) {
        home.collectionTableview()->setClickedRow(row);
        home.collectionMenu()->actions()[0]->trigger();
        home.collectionMenu()->actions()[1]->trigger();
        home.followTableview()->setClickedRow(row);
        home.followMenu()->actions()[0]->trigger();
        home.followMenu()->actions()[1]->trigger();
        EXPECT_FALSE(hasDialog(home)) << row;
        EXPECT_FALSE(home.recomDetailView()) << row;
    }
    settle();
    EXPECT_TRUE(service().requestLog().withTag("138").empty());
}

TEST_F(KXHomeSideTablesTest, DeletingAFolderFromTheMenuShowsTheDefaultFolderHalfASecondLater)
{
    dispatch::VirtualClock::Scope clock;
    signIn();
    const Id created = createFolder("临时分组");
    auto& home = open();
    home.colletExpand();
    const int row = static_cast<int>(home.groupArray()->count()) - 1;
    ASSERT_EQ(home.groupArray()->objectAtIndex(static_cast<std::size_t>(row))["collect_name"].stringValue(), "临时分组");
    home.collectionTableview()->setClickedRow(row);
    home.collectionMenu()->actions()[0]->trigger();
    auto* dialog = qobject_cast<KXDeleteGroupView*>(kx_topSubview(&home));
    ASSERT_NE(dialog, nullptr);
    layOut();
    EXPECT_EQ(dialog->geometry(), home.rect());
    EXPECT_EQ(dialog->groupID().stringValue(), created["id"].stringValue());
    dialog->sureBtn()->click();
    ASSERT_TRUE(waitFor([&] { return home.groupArray()->count() == static_cast<std::size_t>(row); }));
    EXPECT_EQ(sideTableSession().groupsInfo()->count(), static_cast<std::size_t>(row)) << "the stored folders drop it too";
    EXPECT_EQ(home.collectionTableview()->model()->rowCount(), row);
    EXPECT_NE(home.rightListview()->tabTypeNum(), 4);

    clock.advance(0.49);
    EXPECT_NE(home.rightListview()->tabTypeNum(), 4);
    clock.advance(0.01);
    EXPECT_EQ(home.collectionTableview()->selectedRow(), 0);
    EXPECT_EQ(home.rightListview()->tabTypeNum(), 4);
    EXPECT_EQ(home.rightListview()->groupID()->utf8(), home.groupArray()->objectAtIndex(0)["id"].stringValue());
}

TEST_F(KXHomeSideTablesTest, AFolderDeletedFromThePopUpLeavesTheHighlightOnTheFolderShown)
{
    dispatch::VirtualClock::Scope clock;
    signIn();
    const Id first = createFolder("先删的分组");
    const Id second = createFolder("留下的分组");
    auto& home = open();
    home.colletExpand();
    const auto rowOf = [&](const Id& folder) { return folderRow(home, folder); };
    const auto deleteFromPopUp = [&](const Id& folder) {
        const std::size_t before = home.groupArray()->count();
        openPopUp(false);
        home.KXGroupExtendBtnClik(folder, true);
        auto* dialog = qobject_cast<KXDeleteGroupView*>(kx_topSubview(&home));
        ASSERT_NE(dialog, nullptr);
        dialog->sureBtn()->click();
        ASSERT_TRUE(waitFor([&] { return home.groupArray()->count() == before - 1; }));
        settle();
    };

    // Another folder goes: the highlight and the list stay with the folder that had them.
    home.collectionTableview()->performClick(rowOf(second));
    ASSERT_EQ(home.rightListview()->groupID()->utf8(), second["id"].stringValue());
    deleteFromPopUp(first);
    ASSERT_GE(rowOf(second), 1);
    EXPECT_EQ(home.collectionTableview()->selectedRow(), rowOf(second));
    EXPECT_TRUE(rowLooksSelected(home.collectionTableview(), rowOf(second)));
    clock.advance(KXHomeViewController::kDeletedFolderDelay);
    EXPECT_EQ(home.collectionTableview()->selectedRow(), rowOf(second));
    EXPECT_EQ(home.rightListview()->groupID()->utf8(), second["id"].stringValue());

    // The folder shown goes: the default folder is selected and shown, as from the context menu.
    deleteFromPopUp(second);
    clock.advance(KXHomeViewController::kDeletedFolderDelay);
    EXPECT_EQ(home.collectionTableview()->selectedRow(), 0);
    EXPECT_TRUE(rowLooksSelected(home.collectionTableview(), 0));
    EXPECT_EQ(home.rightListview()->tabTypeNum(), 4);
    EXPECT_EQ(
        home.rightListview()->groupID()->utf8(), home.groupArray()->objectAtIndex(0)["id"].stringValue());
}

// A folder list read elsewhere (a write's read back, a page's load) keeps the person's selected
// folder by its id, though a folder above it went.
TEST_F(KXHomeSideTablesTest, AListReadElsewhereKeepsTheSelectedFolder)
{
    signIn();
    const Id first = createFolder("别处删掉的分组");
    const Id second = createFolder("选着的分组");
    auto& home = open();
    home.colletExpand();
    home.collectionTableview()->performClick(folderRow(home, second));
    const int selected = home.collectionTableview()->selectedRow();
    ASSERT_EQ(selected, folderRow(home, second));
    run([&](auto success, auto failure) {
        KXHTTPBUSINESS().DeleteGroupWithGroup_id(first["id"], success, failure);
    });
    KXFolderSession::reloadFolders();
    ASSERT_TRUE(waitFor([&] { return folderRow(home, first) < 0; }));
    settle();
    EXPECT_EQ(folderRow(home, second), selected - 1);
    EXPECT_EQ(home.collectionTableview()->selectedRow(), folderRow(home, second));
    EXPECT_TRUE(rowLooksSelected(home.collectionTableview(), folderRow(home, second)));
    EXPECT_EQ(home.rightListview()->groupID()->utf8(), second["id"].stringValue());
}

TEST_F(KXHomeSideTablesTest, ARenameKeepsTheFolderAndItsFontsANewFolderGoesLast)
{
    signIn();
    const Id made = createFolder("旧名字");
    // The session's copy of the new folder holds two fonts.
    auto rows = foundation::MutableArray::create();
    std::size_t row = 0;
    for (const Id& entry : sideTableSession().groupsInfo()->objects()) {
        if (entry["id"].integerValue() == made["id"].integerValue()) {
            row = rows->count();
            rows->addObject(folder(made["id"].integerValue(), "旧名字", foundation::Array::create({Id(7), Id(9)})));
        } else {
            rows->addObject(entry);
        }
    }
    ASSERT_GT(row, 0u);
    sideTableSession().setGroupsInfo(rows);
    auto& home = open();
    const std::size_t count = home.groupArray()->count();
    home.collectionTableview()->setClickedRow(static_cast<int>(row));
    home.collectionMenu()->actions()[1]->trigger();
    auto* dialog = qobject_cast<KXFontGroupCreate*>(kx_topSubview(&home));
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->title(), QStringLiteral("旧名字"));
    EXPECT_EQ(dialog->groupid().integerValue(), made["id"].integerValue());
    // The dialog asks the service and answers with the new name only.
    dialog->showTF()->setText(QStringLiteral("新名字"));
    dialog->sureClick();
    ASSERT_TRUE(waitFor([&] { return home.groupArray()->objectAtIndex(row)["collect_name"].stringValue() == "新名字"; }));
    EXPECT_EQ(home.groupArray()->count(), count) << "renamed in place, not added";
    EXPECT_EQ(home.groupArray()->objectAtIndex(row)["fonts"].count(), 2u);
    EXPECT_EQ(Id(sideTableSession().groupsInfo())[row]["collect_name"].stringValue(), "新名字");
    EXPECT_EQ(home.collectionTableview()->model()->index(static_cast<int>(row), 0).data().toString(), QStringLiteral("新名字"));

    kx_removeFromSuperview(dialog);
    home.addNewGroup();
    auto* create = qobject_cast<KXFontGroupCreate*>(kx_topSubview(&home));
    ASSERT_NE(create, nullptr);
    EXPECT_FALSE(create->groupid().integerValue() > 0);
    create->groupBlock()(foundation::Dictionary::create({{Id("collect_name"), Id("新分组")}, {Id("id"), Id(999)}}));
    ASSERT_EQ(sideTableSession().groupsInfo()->count(), count + 1);
    EXPECT_EQ(Id(sideTableSession().groupsInfo())[count]["id"].integerValue(), 999);
    run([&](auto success, auto failure) { KXHTTPBUSINESS().DeleteGroupWithGroup_id(made["id"], success, failure); });
}

TEST_F(KXHomeSideTablesTest, AFolderListAskedBeforeANewFolderNeverTakesItAway)
{
    signIn();
    auto& home = open();
    holdBackNextList();
    home.MouseOnMyCollection();
    ASSERT_TRUE(waitFor([] { return service().requestLog().withTag("137").size() == 1; }));
    // While that list is on its way, a folder is made from the new-folder dialog.
    const Id made = run([](auto success, auto failure) { KXHTTPBUSINESS().CreateGroupWithName(Id("列表之后新建"), success, failure); })
                        .reply["corvane_data"];
    home.addNewGroup();
    auto* dialog = qobject_cast<KXFontGroupCreate*>(kx_topSubview(&home));
    ASSERT_NE(dialog, nullptr);
    dialog->groupBlock()(foundation::Dictionary::create({{Id("collect_name"), Id("列表之后新建")}, {Id("id"), made["id"]}}));
    ASSERT_TRUE(lists(sideTableSession().groupsInfo(), made["id"]));

    ASSERT_TRUE(releaseHeldReplies());
    ASSERT_TRUE(waitFor([&] { return home.groupExtendView() != nullptr; }));
    settle();
    EXPECT_EQ(service().requestLog().withTag("137").size(), 2u) << "the list asked for before the change is asked again";
    EXPECT_TRUE(lists(sideTableSession().groupsInfo(), made["id"]));
    EXPECT_TRUE(lists(home.groupArray(), made["id"]));
    EXPECT_TRUE(lists(home.groupExtendView()->dataA(), made["id"]));
    run([&](auto success, auto failure) { KXHTTPBUSINESS().DeleteGroupWithGroup_id(made["id"], success, failure); });
}

TEST_F(KXHomeSideTablesTest, AFolderMadeWhileItsReplyWasLostIsListed)
{
    signIn();
    auto& home = open();
    setFault("createCollect", localservice::Fault::Kind::LostReply);
    home.addNewGroup();
    auto* dialog = qobject_cast<KXFontGroupCreate*>(kx_topSubview(&home));
    ASSERT_NE(dialog, nullptr);
    dialog->showTF()->setText(QStringLiteral("侧栏回复丢了"));
    dialog->sureClick();
    const auto made = [&] {
        for (const Id& entry : home.groupArray()->objects())
            if (entry["collect_name"].stringValue() == "侧栏回复丢了")
                return entry;
        return Id();
    };
    ASSERT_TRUE(waitFor([&] { return !made().isNil(); }));
    EXPECT_TRUE(lists(sideTableSession().groupsInfo(), made()["id"]));
    EXPECT_NE(kx_topSubview(&home), dialog) << "the folder is made: the dialog ends as on success";
    service().faults().clearAll();
    run([&](auto success, auto failure) { KXHTTPBUSINESS().DeleteGroupWithGroup_id(made()["id"], success, failure); });
}

TEST_F(KXHomeSideTablesTest, AFolderDeletedWhileItsReplyWasLostLeavesTheTableAndTheList)
{
    dispatch::VirtualClock::Scope clock;
    signIn();
    const Id fromMenu = createFolder("菜单删除回复丢了");
    const Id fromPopUp = createFolder("弹出删除回复丢了");
    auto& home = open();
    home.colletExpand();
    const auto rowOf = [&](const Id& folder) { return folderRow(home, folder); };
    // The folder is shown on the list, its delete is sent and the reply lost.
    const auto deleteShown = [&](const Id& folder, const std::function<void()>& openDialog) {
        home.collectionTableview()->performClick(rowOf(folder));
        ASSERT_EQ(home.rightListview()->groupID()->utf8(), folder["id"].stringValue());
        setFault("deleCollect", localservice::Fault::Kind::LostReply);
        openDialog();
        auto* dialog = qobject_cast<KXDeleteGroupView*>(kx_topSubview(&home));
        ASSERT_NE(dialog, nullptr);
        dialog->sureBtn()->click();
        ASSERT_TRUE(waitFor([&] { return rowOf(folder) < 0; })) << "the service deleted it";
        ASSERT_TRUE(waitForQuietTraffic());
        EXPECT_FALSE(lists(sideTableSession().groupsInfo(), folder["id"]));
        EXPECT_EQ(home.collectionTableview()->model()->rowCount(), static_cast<int>(home.groupArray()->count()));
        EXPECT_NE(kx_topSubview(&home), dialog) << "the folder is gone: the dialog ends as on success";
        clock.advance(KXHomeViewController::kDeletedFolderDelay);
        EXPECT_EQ(home.collectionTableview()->selectedRow(), 0);
        EXPECT_EQ(home.rightListview()->groupID()->utf8(), home.groupArray()->objectAtIndex(0)["id"].stringValue())
            << "the list no longer shows a folder that is gone";
    };
    deleteShown(fromMenu, [&] {
        home.collectionTableview()->setClickedRow(rowOf(fromMenu));
        home.collectionMenu()->actions()[0]->trigger();
    });
    deleteShown(fromPopUp, [&] {
        openPopUp(false);
        home.KXGroupExtendBtnClik(fromPopUp, true);
    });
    std::vector<std::string> told;
    for (const auto& shown : toasts_->shown)
        told.push_back(shown.message);
    EXPECT_EQ(told, (std::vector<std::string>{"网络失败！", "网络失败！"}));
}

// The favourites page changes the folders through the session, not through the hub: the open
// folder table still shows each change as soon as the page does, with no row clicked.
TEST_F(KXHomeSideTablesTest, FoldersChangedOnTheFavouritesPageShowInTheSideTableAtOnce)
{
    signIn();
    const auto listed = run([](auto success, auto failure) { KXHTTPBUSINESS().GetCollectGroupsListSuceess(success, failure); });
    sideTableSession().setGroupsInfo(listed.reply["corvane_data"]["collection"].array());
    auto& home = open();
    home.colletExpand();
    ASSERT_TRUE(home.accordion().isCollectionOpen());
    home.tabViewTouched(home.fontManagerBtn());
    auto* page = qobject_cast<KXFontManagerView*>(kx_topSubview(&home));
    ASSERT_NE(page, nullptr);
    ASSERT_TRUE(waitFor([&] { return page->groupDataA()->count() > 0; }));
    const auto sideNames = [&] {
        std::vector<std::string> names;
        const auto* rows = home.collectionTableview()->model();
        for (int row = 0; row < rows->rowCount(); ++row)
            names.push_back(rows->index(row, 0).data().toString().toStdString());
        return names;
    };
    const auto pageShows = [&](const std::string& name) {
        const auto& shown = page->groupDataA()->objects();
        return std::any_of(shown.begin(), shown.end(), [&](const Id& row) { return row["collect_name"].stringValue() == name; });
    };
    const auto sideShows = [&](const std::string& name) {
        const auto names = sideNames();
        return std::find(names.begin(), names.end(), name) != names.end();
    };
    const auto dialogOnPage = [&]() { return qobject_cast<KXFontGroupCreate*>(KXHomeListOverlays::topSubview(page)); };

    page->uploadBtn2()->click();
    ASSERT_NE(dialogOnPage(), nullptr);
    dialogOnPage()->showTF()->setText(QStringLiteral("页面新建"));
    dialogOnPage()->sureBtn()->click();
    ASSERT_TRUE(waitFor([&] { return pageShows("页面新建"); }));
    EXPECT_TRUE(sideShows("页面新建")) << "made on the page";
    layOut();
    EXPECT_EQ(home.collectionScrollView()->height(), std::min<int>(home.groupArray()->count(), 6) * 25) << "the open table grows";

    Id made;
    for (const Id& row : page->groupDataA()->objects())
        if (row["collect_name"].stringValue() == "页面新建")
            made = row;
    page->renameFolder(made);
    ASSERT_NE(dialogOnPage(), nullptr);
    dialogOnPage()->showTF()->setText(QStringLiteral("页面改名"));
    dialogOnPage()->sureBtn()->click();
    ASSERT_TRUE(waitFor([&] { return pageShows("页面改名"); }));
    EXPECT_TRUE(sideShows("页面改名")) << "renamed on the page";
    EXPECT_FALSE(sideShows("页面新建"));

    const std::size_t before = home.collectionTableview()->model()->rowCount();
    page->deleteFolder(made);
    auto* confirm = qobject_cast<KXDeleteGroupView*>(KXHomeListOverlays::topSubview(page));
    ASSERT_NE(confirm, nullptr);
    confirm->sureBtn()->click();
    ASSERT_TRUE(waitFor([&] { return !pageShows("页面改名"); }));
    EXPECT_FALSE(sideShows("页面改名")) << "deleted on the page";
    EXPECT_EQ(static_cast<std::size_t>(home.collectionTableview()->model()->rowCount()), before - 1);
}

TEST_F(KXHomeSideTablesTest, AFollowedListLandingAfterTheSignOutIsDropped)
{
    signIn();
    auto& home = open();
    holdBackNextList();
    home.MouseOnMyFocus();
    ASSERT_TRUE(waitFor([] { return service().requestLog().withTag("137").size() == 1; }));
    dispatch::NotificationCenter::defaultCenter().post(
        "homeNotificationCenter", Id(),
        foundation::Dictionary::create({{Id("loginOut"), Id(foundation::Dictionary::create({{Id("logint"), Id("YES")}}))}}));
    ASSERT_FALSE(sideTableSession().islogin());
    ASSERT_TRUE(releaseHeldReplies());
    settle();
    EXPECT_TRUE(!sideTableSession().followsArray() || sideTableSession().followsArray()->count() == 0);
    EXPECT_EQ(home.followArray()->count(), 0u);
    EXPECT_EQ(home.followTableview()->model()->rowCount(), 0);
    EXPECT_EQ(home.groupExtendView(), nullptr) << "no pop-up of the former user";
}

TEST_F(KXHomeSideTablesTest, ThePopUpsRowButtons)
{
    signIn();
    auto& home = open();
    KXGroupExtendView* popUp = openPopUp(false);
    ASSERT_NE(popUp, nullptr);
    EXPECT_EQ(popUp->from(), QStringLiteral("fontManage"));
    EXPECT_EQ(popUp->groupExtendViewTitle()->text(), QStringLiteral("我的字体管理"));
    EXPECT_EQ(popUp->dataA()->count(), home.groupArray()->count());
    ASSERT_GE(home.groupArray()->count(), 2u);
    const Id defaultFolder = home.groupArray()->objectAtIndex(0);
    const Id second = home.groupArray()->objectAtIndex(1);

    for (int flag : {0, 1}) {
        QPointer<KXGroupExtendView> shown = openPopUp(false);
        home.KXGroupExtendBtnClik(defaultFolder, flag);
        EXPECT_EQ(toastText(), QStringLiteral("默认分组不支持修改"));
        EXPECT_TRUE(!shown || !shown->parentWidget()) << "the pop-up closes first";
        EXPECT_FALSE(hasDialog(home));
    }
    openPopUp(false);
    home.KXGroupExtendBtnClik(second, 1);
    auto* remove = qobject_cast<KXDeleteGroupView*>(kx_topSubview(&home));
    ASSERT_NE(remove, nullptr);
    EXPECT_EQ(remove->groupID().stringValue(), second["id"].stringValue());
    EXPECT_FALSE(remove->info());
    kx_removeFromSuperview(remove);
    openPopUp(false);
    home.KXGroupExtendBtnClik(second, 0);
    auto* rename = qobject_cast<KXFontGroupCreate*>(kx_topSubview(&home));
    ASSERT_NE(rename, nullptr);
    EXPECT_EQ(rename->title().toStdString(), second["collect_name"].stringValue());
    EXPECT_EQ(rename->showTF()->text().toStdString(), second["collect_name"].stringValue());
    kx_removeFromSuperview(rename);

    popUp = openPopUp(true);
    EXPECT_EQ(popUp->from(), QStringLiteral("myfocus"));
    ASSERT_GE(home.followArray()->count(), 1u);
    const Id collection = home.followArray()->objectAtIndex(0);
    home.KXGroupExtendBtnClik(collection, 0);
    auto* unfollow = qobject_cast<KXDeleteGroupView*>(kx_topSubview(&home));
    ASSERT_NE(unfollow, nullptr);
    EXPECT_EQ(Id(unfollow->info())["title"].stringValue(), "取消关注的合集");
    EXPECT_EQ(Id(unfollow->info())["content"].stringValue(), "是否取消关注该合集");
    EXPECT_EQ(Id(unfollow->info())["id"].string()->utf8(), collection["id"].stringValue());
    EXPECT_EQ(KXGlobalDataBase::sharedKXGlobalDataBase().currentModule()->utf8(), "添加/取消收藏错误");
    kx_removeFromSuperview(unfollow);
    openPopUp(true);
    home.KXGroupExtendBtnClik(collection, 1);
    auto* share = qobject_cast<KXShareCollectionGroupView*>(kx_topSubview(&home));
    ASSERT_NE(share, nullptr);
    EXPECT_EQ(share->groupID().stringValue(), collection["id"].stringValue());
    layOut();
    EXPECT_EQ(share->geometry(), home.rect());
}

TEST_F(KXHomeSideTablesTest, ThePopUpsRowsAndBottomButton)
{
    signIn();
    auto& home = open();
    openPopUp(false);
    const Id first = home.groupArray()->objectAtIndex(0);
    home.KXGroupExtendCellClik(first, QStringLiteral("fontManage"));
    auto* detail = qobject_cast<KXFontManagerDetailView*>(kx_topSubview(&home));
    ASSERT_NE(detail, nullptr);
    EXPECT_EQ(home.detailView(), detail);
    EXPECT_EQ(detail->tabTypeNum(), 4);
    EXPECT_EQ(detail->dataArray()->count(), first["fonts"].count()) << "the folder's fonts from the catalogue";
    EXPECT_EQ(home.selectedTabView(), home.fontManagerBtn());
    layOut();
    EXPECT_EQ(detail->geometry(), QRect(90, 0, 310, 860));

    // Another folder while a detail panel shows: the tab switch took the old one away.
    home.KXGroupExtendCellClik(home.groupArray()->objectAtIndex(1), QStringLiteral("fontManage"));
    EXPECT_NE(home.detailView(), detail);

    openPopUp(true);
    const Id collection = home.followArray()->objectAtIndex(0);
    home.KXGroupExtendCellClik(collection, QStringLiteral("myfocus"));
    auto* followed = qobject_cast<KXHomeRecomDetailView*>(kx_topSubview(&home));
    ASSERT_NE(followed, nullptr);
    EXPECT_EQ(home.myfocusDetailView(), followed);
    EXPECT_EQ(Id(followed->infoDic())["id"].stringValue(), collection["id"].stringValue());
    EXPECT_EQ(home.selectedTabView(), home.myFocusBtn());
    EXPECT_EQ(home.rightListview()->tabTypeNum(), 4);

    openPopUp(false);
    home.KXGroupExtendBottomBtnClikFrom(QStringLiteral("fontManage"));
    EXPECT_NE(qobject_cast<KXFontGroupCreate*>(kx_topSubview(&home)), nullptr);
    openPopUp(true);
    home.KXGroupExtendBottomBtnClikFrom(QStringLiteral("myfocus"));
    EXPECT_NE(qobject_cast<KXHomeRecommendView*>(kx_topSubview(&home)), nullptr);
    EXPECT_EQ(home.selectedTabView(), home.recommendBtn());
}

TEST_F(KXHomeSideTablesTest, TheNewFolderButtonWantsASignIn)
{
    auto& home = open();
    home.newgroupClick();
    ASSERT_NE(home.loginWindow(), nullptr);
    EXPECT_TRUE(home.loginWindow()->window()->isVisible());
    EXPECT_EQ(kx_subviews(&home).size(), 2u);
    home.loginWindow()->window()->hide();

    sideTableDefaults().setObject(Id("token-x"), "token");
    home.newgroupClick();
    auto* dialog = qobject_cast<KXFontGroupCreate*>(kx_topSubview(&home));
    ASSERT_NE(dialog, nullptr);
    layOut();
    EXPECT_EQ(dialog->geometry(), home.rect());
}

TEST_F(KXHomeSideTablesTest, UnfollowingFromTheMenuRefreshesTheFollowedCollections)
{
    signIn();
    auto& home = open();
    openPopUp(true);
    kx_removeFromSuperview(home.groupExtendView());
    const auto before = home.followArray()->count();
    ASSERT_GE(before, 1u);
    const Id collection = home.followArray()->objectAtIndex(0);
    service().requestLog().clear();
    home.followTableview()->setClickedRow(0);
    home.followMenu()->actions()[0]->trigger();
    ASSERT_TRUE(waitFor([&] { return sideTableSession().followsArray()->count() == before - 1; }));
    const auto unfollow = service().requestLog().withTag("138");
    ASSERT_EQ(unfollow.size(), 1u);
    EXPECT_EQ(*unfollow[0].param("type"), "0");
    EXPECT_EQ(*unfollow[0].param("collect_id"), collection["id"].stringValue());
    EXPECT_EQ(home.followArray()->count(), before - 1);
    EXPECT_EQ(home.followTableview()->model()->rowCount(), static_cast<int>(before - 1));

    // The demo user follows it again for the other tests.
    run([&](auto success, auto failure) { KXHTTPBUSINESS().isAttentionGroup(collection["id"], Id("1"), success, failure); });
}

// The unfollow was made but its reply lost: the side table and the followed page show the list
// read back, as after an answered unfollow.
TEST_F(KXHomeSideTablesTest, AnUnfollowWhoseReplyWasLostLeavesTheSideTableAndTheFollowedPage)
{
    signIn();
    auto& home = open();
    openPopUp(true);
    kx_removeFromSuperview(home.groupExtendView());
    const auto before = home.followArray()->count();
    ASSERT_GE(before, 1u);
    const Id collection = home.followArray()->objectAtIndex(0);
    auto* page = new KXMyfocusSetView(QRect(0, 0, 800, 600), &home);
    ASSERT_TRUE(waitFor([&] { return page->groupDataA()->count() == before; }));
    ASSERT_TRUE(waitForQuietTraffic());
    setFault("followCollect", localservice::Fault::Kind::LostReply);
    home.followTableview()->setClickedRow(0);
    home.followMenu()->actions()[0]->trigger();
    ASSERT_TRUE(waitForQuietTraffic());
    service().faults().clearAll();
    EXPECT_EQ(sideTableSession().followsArray()->count(), before - 1) << "the service dropped the follow";
    EXPECT_EQ(home.followArray()->count(), before - 1);
    EXPECT_EQ(home.followTableview()->model()->rowCount(), static_cast<int>(before - 1));
    EXPECT_EQ(page->groupDataA()->count(), before - 1);
    EXPECT_TRUE(toasts_->shown.empty()) << "the side menu's unfollow tells nothing";

    run([&](auto success, auto failure) { KXHTTPBUSINESS().isAttentionGroup(collection["id"], Id("1"), success, failure); });
}

// A delete whose reply was lost and whose read back failed too leaves the folders stale: the dialog
// stays, and the next look at the side list reads them again, so the ghost goes.
TEST_F(KXHomeSideTablesTest, AGhostOfALostDeleteGoesAtTheNextLookWhenItsReadFailed)
{
    signIn();
    const Id ghost = createFolder("读回失败的删除");
    auto& home = open();
    home.colletExpand();
    ASSERT_GE(folderRow(home, ghost), 0);
    setFault("deleCollect", localservice::Fault::Kind::LostReply);
    localservice::Fault failedRead;
    failedRead.kind = localservice::Fault::Kind::Http500;
    failedRead.remaining = 1;
    service().faults().set("getMyCollect", failedRead);
    home.collectionTableview()->setClickedRow(folderRow(home, ghost));
    home.collectionMenu()->actions()[0]->trigger();
    auto* dialog = qobject_cast<KXDeleteGroupView*>(kx_topSubview(&home));
    ASSERT_NE(dialog, nullptr);
    dialog->sureBtn()->click();
    ASSERT_TRUE(waitForQuietTraffic());
    service().faults().clearAll();
    EXPECT_EQ(kx_topSubview(&home), dialog) << "nothing read: the dialog stays";
    EXPECT_GE(folderRow(home, ghost), 0);
    EXPECT_TRUE(KXAccountWrites::isStale(KXAccountWrites::Read::Folders));
    dialog->cancelBtnClick();

    home.colletExpand();
    home.colletExpand();
    ASSERT_TRUE(waitForQuietTraffic());
    EXPECT_LT(folderRow(home, ghost), 0) << "the next look shows what the service holds";
    EXPECT_FALSE(KXAccountWrites::isStale(KXAccountWrites::Read::Folders));
}

TEST_F(KXHomeSideTablesTest, AnOpenCollectionPageShowsTheUnfollowOfTheSideMenu)
{
    signIn();
    auto& home = open();
    openPopUp(true);
    kx_removeFromSuperview(home.groupExtendView());
    const auto before = home.followArray()->count();
    ASSERT_GE(before, 2u);
    const Id collection = home.followArray()->objectAtIndex(0);
    const long long followers = collection["follow_num"].integerValue();
    ASSERT_GE(followers, 1);
    home.KXGroupExtendCellClik(collection, QStringLiteral("myfocus"));
    KXHomeRecomDetailView* page = home.myfocusDetailView();
    ASSERT_NE(page, nullptr);
    KXHomeRecomDetailTopCell* header = page->topCell();
    const auto facts = [&](long long count) {
        return QStringLiteral("字体 %1 · 关注 %2 · 浏览 %3")
            .arg(collection["font_num"].integerValue())
            .arg(count)
            .arg(collection["visits"].integerValue());
    };
    ASSERT_EQ(header->attentionState(), 1);
    EXPECT_EQ(header->groupDetailLabel()->text(), facts(followers));

    // Another collection's unfollow leaves the page alone.
    const Id other = home.followArray()->objectAtIndex(1);
    dispatch::NotificationCenter::defaultCenter().post("KXHomeRecomAttention", Id(),
        foundation::Dictionary::create({{Id("groupID"), other["id"]}, {Id("groupState"), Id("0")}}));
    EXPECT_EQ(header->attentionState(), 1);

    home.followTableview()->setClickedRow(0);
    home.followMenu()->actions()[0]->trigger();
    ASSERT_TRUE(waitFor([&] { return header->attentionState() == 0; }));
    EXPECT_EQ(header->attentionBtn()->state(), 0);
    EXPECT_EQ(header->groupDetailLabel()->text(), facts(followers - 1));
    ASSERT_TRUE(waitFor([&] { return home.followArray()->count() == before - 1; })) << "the side table is refreshed as before";

    // The demo user follows it again for the other tests.
    run([&](auto success, auto failure) { KXHTTPBUSINESS().isAttentionGroup(collection["id"], Id("1"), success, failure); });
}

TEST_F(KXHomeSideTablesTest, TheFollowedDetailPanelIsKeptAndReused)
{
    sideTableSession().setFollowsArray(folders(3));
    auto& home = open();
    home.followTableview()->setClickedRow(1);
    home.followMenu()->actions()[1]->trigger();
    KXHomeRecomDetailView* panel = home.recomDetailView();
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(kx_topSubview(&home), panel);
    EXPECT_EQ(Id(panel->userinfoDic())["id"].integerValue(), 101);
    EXPECT_EQ(home.followTableview()->selectedRow(), 1);
    home.tabViewTouched(home.cloudBtn());
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(home.recomDetailView(), panel) << "kept while off the view";

    home.followTableview()->setClickedRow(2);
    home.followMenu()->actions()[1]->trigger();
    EXPECT_EQ(home.recomDetailView(), panel);
    EXPECT_EQ(kx_topSubview(&home), panel);
    EXPECT_EQ(Id(panel->userinfoDic())["id"].integerValue(), 102);
}

TEST_F(KXHomeSideTablesTest, ChangedCollectionsOpenTheFollowedPopUp)
{
    signIn();
    auto& home = open();
    home.focusExpandAction();
    ASSERT_TRUE(waitFor([&] { return home.groupExtendView() != nullptr; })) << "no stored version: the service says is_new 1";
    const auto check = service().requestLog().withTag("145");
    ASSERT_EQ(check.size(), 1u);
    EXPECT_EQ(*check[0].param("collect_version"), "(null)");
    EXPECT_EQ(home.groupExtendView()->from(), QStringLiteral("myfocus"));
    EXPECT_EQ(KXGlobalDataBase::sharedKXGlobalDataBase().currentModule()->utf8(), "合集检测更新错误");

    // The followed list stored its version: the next check finds nothing new.
    QPointer<KXGroupExtendView> shown = home.groupExtendView();
    kx_removeFromSuperview(shown);
    service().requestLog().clear();
    home.focusExpandAction();
    ASSERT_TRUE(waitFor([] { return service().requestLog().withTag("145").size() == 1; }));
    settle();
    EXPECT_TRUE(service().requestLog().withTag("137").empty());
}

TEST_F(KXHomeSideTablesTest, TheVipMarkAndTheSourceToast)
{
    sideTableDefaults().setObject(Id("1"), "vip_type");
    auto& home = open();
    click(home.vipMarkIMG());
    auto* vip = qobject_cast<KXVipAlertView*>(kx_topSubview(&home));
    ASSERT_NE(vip, nullptr);
    layOut();
    EXPECT_EQ(vip->geometry(), home.rect());
    home.testAppFrom();
    EXPECT_EQ(toastType(), 0);
    EXPECT_EQ(toastText(), QStringLiteral("linux"));
}
