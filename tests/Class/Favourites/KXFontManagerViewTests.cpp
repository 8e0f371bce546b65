// The favourite-folders page against the local service: its load, header, the menu's rename and
// delete by folder id, the default folder's refusal, and a slow list after a delete.
#include "Class/Favourites/Core/KXFolderRecords.h"
#include "Class/Favourites/Core/KXFolderSession.h"
#include "Class/Favourites/KXDeleteGroupView.h"
#include "Class/Favourites/KXFavouritesStyle.h"
#include "Class/Favourites/KXFontGroupCreate.h"
#include "Class/Favourites/KXFontManagerCell.h"
#include "Class/Favourites/KXFontManagerDetailView.h"
#include "Class/Favourites/KXFontManagerView.h"
#include "Class/Favourites/KXRecordList.h"
#include "Class/FontList/KXFontListModel.h"
#include "Class/FontList/KXHomeListOverlays.h"
#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"
#include "Class/UIKit/KXBaseButton.h"
#include "FavouritesTestSupport.h"
#include "Platform/Dispatch/RunLoop.h"
#include "Platform/Foundation/Foundation.h"

#include <QDateTime>
#include <QLineEdit>
#include <QScrollBar>

using foundation::Id;
using ToastList = std::vector<std::string>;

namespace {

class KXFontManagerViewTest : public favouritestest::FavouritesTest {
protected:
    KXFontManagerView* open(const QString& from = QStringLiteral("收藏的字体"))
    {
        auto* page = new KXFontManagerView;
        page->setFrom(from);
        favouritesstyle::pinOnTop(page, &host());
        EXPECT_TRUE(waitUntil([page] { return page->groupDataA()->count() > 0; }));
        settle(host());
        return page;
    }
    static std::vector<std::string> names(const foundation::Ref<foundation::Array>& folders)
    {
        std::vector<std::string> out;
        for (const Id& folder : *folders)
            out.push_back(folder["collect_name"].stringValue());
        return out;
    }
    static Id createFolder(const std::string& name)
    {
        return run([name](auto s, auto f) { KXHTTPBUSINESS().CreateGroupWithName(Id(name), s, f); }).reply["corvane_data"]["id"];
    }
    static QPoint rowPoint(KXFontManagerView* page, int row, QPoint inside = QPoint(60, 100))
    {
        return page->tableview()->rowRect(page->tableview()->model()->index(row, 0)).topLeft() + inside;
    }
    template <typename T>
    T* top()
    {
        return qobject_cast<T*>(KXHomeListOverlays::topSubview(page_ ? static_cast<QWidget*>(page_) : &host()));
    }
    KXFontManagerView* page_ = nullptr;
};

} // namespace

TEST_F(KXFontManagerViewTest, LoadsTheUsersFoldersIntoThePageAndTheSession)
{
    auto* page = open();
    EXPECT_EQ(names(page->groupDataA()), names(serverFolders()));
    EXPECT_EQ(names(KXUserCenterConfig::sharedKXUserCenterConfig().groupsInfo()), names(page->groupDataA()));
    EXPECT_EQ(page->tableview()->model()->rowCount(), static_cast<int>(page->groupDataA()->count()));
    EXPECT_EQ(page->tableview()->rowRect(page->tableview()->model()->index(1, 0)).top(), 138 + 10);
    EXPECT_EQ(page->coutLabel()->text().toStdString(), "已创建" + std::to_string(page->groupDataA()->count()) + "个收藏夹");
}

TEST_F(KXFontManagerViewTest, OnlyThePersonalCentreShowsTheHeader)
{
    auto* tab = open();
    EXPECT_TRUE(tab->headView()->isHidden());
    EXPECT_EQ(tab->headviewHeight(), 10);
    EXPECT_EQ(tab->addgroupTop(), 14);
    EXPECT_EQ(tab->uploadBtn2()->y(), 14);
    auto* centre = open(QStringLiteral("个人中心"));
    EXPECT_FALSE(centre->headView()->isHidden());
    EXPECT_EQ(centre->headView()->height(), 56);
    EXPECT_GT(centre->uploadBtn2()->y(), centre->headView()->height());
    centre->backBtn()->click();
    settle(host());
    EXPECT_EQ(centre->parentWidget(), nullptr) << "the back button takes the page away";
}

TEST_F(KXFontManagerViewTest, TheDefaultFolderIsNeitherRenamedNorDeleted)
{
    auto* page = open();
    page_ = page;
    const Id first = page->groupDataA()->objectAtIndex(0);
    page->renameFolder(first);
    page->deleteFolder(first);
    EXPECT_EQ(toastTexts(), (ToastList{"默认分组不支持修改", "默认分组不支持修改"}));
    EXPECT_EQ(toasts_->shown[0].style, ToastStyle::Warning);
    EXPECT_EQ(top<KXFontGroupCreate>(), nullptr);
    EXPECT_EQ(top<KXDeleteGroupView>(), nullptr);
}

TEST_F(KXFontManagerViewTest, TheRowMenuRenamesAPublishedFolderWhichShowsUnderReview)
{
    auto* page = open();
    page_ = page;
    long published = -1;
    for (std::size_t i = 0; i < page->groupDataA()->count(); ++i)
        if (page->groupDataA()->objectAtIndex(i)["is_publish"].integerValue() == 2)
            published = static_cast<long>(i);
    ASSERT_GT(published, 0);
    // The menu of that row: its settings button, then "重命名".
    auto* list = page->tableview();
    const QRect row = list->rowRect(list->model()->index(static_cast<int>(published), 0));
    list->scrollTo(list->model()->index(static_cast<int>(published), 0));
    settle(host());
    const QRect shown = list->rowRect(list->model()->index(static_cast<int>(published), 0));
    favouritestest::clickViewport(list->viewport(), KXFontManagerCell::settingButtonRect(shown).center());
    ASSERT_TRUE(page->cell()->settingView()->isVisible());
    (void)row;
    page->cell()->reNameBtn()->click();
    EXPECT_FALSE(page->cell()->settingView()->isVisible()) << "the menu hides after an entry";
    auto* dialog = top<KXFontGroupCreate>();
    ASSERT_NE(dialog, nullptr);
    const QString name = QStringLiteral("改名的发布") + QString::number(published);
    dialog->showTF()->setText(name);
    dialog->sureBtn()->click();
    ASSERT_TRUE(waitUntil([&] { return page->groupDataA()->objectAtIndex(static_cast<std::size_t>(published))["collect_name"].stringValue() == name.toStdString(); }));
    const Id renamed = page->groupDataA()->objectAtIndex(static_cast<std::size_t>(published));
    EXPECT_EQ(renamed["is_publish"].stringValue(), "1") << "under review again";
    const auto session = KXUserCenterConfig::sharedKXUserCenterConfig().groupsInfo();
    EXPECT_EQ(session->objectAtIndex(static_cast<std::size_t>(published))["collect_name"].stringValue(), name.toStdString());
}

TEST_F(KXFontManagerViewTest, ADeleteUpdatesTheCountTheSessionAndTheRowsThatMoveUp)
{
    createFolder("第三个要删");
    createFolder("接着上移");
    auto* page = open();
    page_ = page;
    const std::size_t before = page->groupDataA()->count();
    const std::size_t doomed = before - 2;
    const Id victim = page->groupDataA()->objectAtIndex(doomed);
    page->deleteFolder(victim);
    auto* dialog = top<KXDeleteGroupView>();
    ASSERT_NE(dialog, nullptr);
    dialog->sureBtn()->click();
    ASSERT_TRUE(waitUntil([&] { return page->groupDataA()->count() == before - 1; }));
    EXPECT_EQ(page->coutLabel()->text().toStdString(), "已创建" + std::to_string(before - 1) + "个收藏夹");
    const auto session = names(KXUserCenterConfig::sharedKXUserCenterConfig().groupsInfo());
    EXPECT_EQ(std::count(session.begin(), session.end(), "第三个要删"), 0) << "the session's folders lose it too";
    EXPECT_EQ(session, names(page->groupDataA()));

    // The row where the deleted folder was now opens the folder that moved up.
    page->tableviewCellClick(static_cast<int>(doomed));
    auto* detail = top<KXFontManagerDetailView>();
    ASSERT_NE(detail, nullptr);
    EXPECT_EQ(detail->groupID().stringValue(), page->groupDataA()->objectAtIndex(doomed)["id"].stringValue());
    EXPECT_EQ(page->groupDataA()->objectAtIndex(doomed)["collect_name"].stringValue(), "接着上移");
    EXPECT_EQ(detail->tabTypeNum(), 4);
}

TEST_F(KXFontManagerViewTest, ASlowListAskedBeforeADeleteDoesNotBringTheFolderBack)
{
    const Id folder = createFolder("慢列表之前");
    auto* page = open();
    page_ = page;
    holdNextReply("getMyCollect");
    page->setUPData();
    ASSERT_TRUE(waitUntil([] { return requests("137") == 2; }));
    page->deleteFolder(Id(foundation::Dictionary::create({{Id("id"), folder}})));
    top<KXDeleteGroupView>()->sureBtn()->click();
    const auto shows = [&](const foundation::Ref<foundation::Array>& folders) {
        const auto list = names(folders);
        return std::count(list.begin(), list.end(), "慢列表之前") > 0;
    };
    ASSERT_TRUE(waitUntil([&] { return !shows(page->groupDataA()); }));
    ASSERT_TRUE(releaseHeldReplies());
    ASSERT_TRUE(waitForQuietTraffic());
    EXPECT_EQ(requests("137"), 3u) << "the slow list, made before the delete, is asked again";
    EXPECT_FALSE(shows(page->groupDataA()));
    EXPECT_FALSE(shows(KXUserCenterConfig::sharedKXUserCenterConfig().groupsInfo()));
}

TEST_F(KXFontManagerViewTest, CreatingAFolderListsItAndReturningFromADetailLoadsAgain)
{
    auto* page = open();
    page_ = page;
    page->uploadBtn2()->click();
    settle(host());
    auto* dialog = top<KXFontGroupCreate>();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->geometry(), page->rect());
    dialog->showTF()->setText(QStringLiteral("新建后列出"));
    dialog->sureBtn()->click();
    ASSERT_TRUE(waitUntil([&] {
        const auto shown = names(page->groupDataA());
        return std::count(shown.begin(), shown.end(), "新建后列出") == 1;
    }));
    // The create's own read back may still be asking: the count is taken once it has ended.
    ASSERT_TRUE(waitForQuietTraffic());
    const std::size_t loads = requests("137");
    page->tableviewCellClick(0);
    top<KXFontManagerDetailView>()->backBtnClick();
    EXPECT_TRUE(waitUntil([&] { return requests("137") > loads; })) << "the return block loads again";
}

TEST_F(KXFontManagerViewTest, AFolderMadeOrRenamedWhileItsReplyWasLostIsShown)
{
    auto* page = open();
    page_ = page;
    // The suite's service keeps its folders from test to test.
    const std::string run = std::to_string(QDateTime::currentMSecsSinceEpoch() % 1000000);
    const auto listed = [](const foundation::Ref<foundation::Array>& folders, const std::string& name) {
        const auto shown = names(folders);
        return std::count(shown.begin(), shown.end(), name) == 1;
    };
    const std::string made = "回复丢了" + run;
    setFault("createCollect", localservice::Fault::Kind::LostReply);
    page->uploadBtn2()->click();
    settle(host());
    auto* dialog = top<KXFontGroupCreate>();
    ASSERT_NE(dialog, nullptr);
    dialog->showTF()->setText(QString::fromStdString(made));
    dialog->sureBtn()->click();
    ASSERT_TRUE(waitUntil([&] { return listed(page->groupDataA(), made); }));
    ASSERT_TRUE(waitForQuietTraffic());
    EXPECT_TRUE(listed(KXUserCenterConfig::sharedKXUserCenterConfig().groupsInfo(), made))
        << "the side list shows the session's folders";
    EXPECT_EQ(toastTexts(), ToastList{"网络失败！"});
    EXPECT_NE(top<KXFontGroupCreate>(), dialog) << "the folder is made: the dialog ends as on success";

    const std::string renamed = "改名回复丢了" + run;
    setFault("modifyCollect", localservice::Fault::Kind::LostReply);
    page->renameFolder(page->groupDataA()->objectAtIndex(1));
    dialog = top<KXFontGroupCreate>();
    ASSERT_NE(dialog, nullptr);
    dialog->showTF()->setText(QString::fromStdString(renamed));
    dialog->sureBtn()->click();
    ASSERT_TRUE(waitUntil([&] { return listed(page->groupDataA(), renamed); }));
    ASSERT_TRUE(waitForQuietTraffic());
    EXPECT_TRUE(listed(KXUserCenterConfig::sharedKXUserCenterConfig().groupsInfo(), renamed));
}

TEST_F(KXFontManagerViewTest, AFolderDeletedWhileItsReplyWasLostLeavesThePage)
{
    const Id made = createFolder("删除回复丢了");
    auto* page = open();
    page_ = page;
    const auto lists = [&made](const foundation::Ref<foundation::Array>& folders) {
        const auto shown = ids(folders);
        return std::find(shown.begin(), shown.end(), made.stringValue()) != shown.end();
    };
    ASSERT_TRUE(lists(page->groupDataA()));
    setFault("deleCollect", localservice::Fault::Kind::LostReply);
    page->deleteFolder(page->groupDataA()->objectAtIndex(KXFolderRecords::indexOf(page->groupDataA().get(), made)));
    auto* dialog = top<KXDeleteGroupView>();
    ASSERT_NE(dialog, nullptr);
    dialog->sureBtn()->click();
    ASSERT_TRUE(waitUntil([&] { return !lists(page->groupDataA()); })) << "the service deleted it";
    ASSERT_TRUE(waitForQuietTraffic());
    EXPECT_FALSE(lists(KXUserCenterConfig::sharedKXUserCenterConfig().groupsInfo())) << "the side list shows the session's folders";
    EXPECT_EQ(page->tableview()->model()->rowCount(), static_cast<int>(page->groupDataA()->count()));
    EXPECT_EQ(toastTexts(), ToastList{"网络失败！"});
    EXPECT_NE(top<KXDeleteGroupView>(), dialog) << "the folder is gone: the dialog ends as on success";
}

// The page shows every folder list the session stores, not only its own reads: a list another view
// read after a change the page never heard of (a lost delete whose read back failed, then the side
// list opened) leaves no ghost on the page beside it.
TEST_F(KXFontManagerViewTest, AListReadElsewhereShowsOnThePage)
{
    const Id made = createFolder("别处读到");
    auto* page = open();
    ASSERT_GE(KXFolderRecords::indexOf(page->groupDataA().get(), made), 0);
    run([&made](auto s, auto f) { KXHTTPBUSINESS().DeleteGroupWithGroup_id(made, s, f); });
    KXFolderSession::reloadFolders();
    ASSERT_TRUE(waitForQuietTraffic());
    dispatch::RunLoop::drain();
    EXPECT_EQ(ids(page->groupDataA()), ids(KXUserCenterConfig::sharedKXUserCenterConfig().groupsInfo()));
    EXPECT_LT(KXFolderRecords::indexOf(page->groupDataA().get(), made), 0);
    EXPECT_EQ(page->tableview()->model()->rowCount(), static_cast<int>(page->groupDataA()->count()));
}

// A list read elsewhere while the person works in the page (a write's read back, another view's
// load) keeps their place: the list's scroll, and the row menu open on its folder, which moved up
// a row when a folder above it went.
TEST_F(KXFontManagerViewTest, AListReadElsewhereKeepsTheScrollAndTheOpenRowMenu)
{
    std::vector<Id> made;
    for (int i = 0; i < 6; ++i)
        made.push_back(createFolder("读时保留" + std::to_string(i)));
    auto* page = open();
    page_ = page;
    auto* list = page->tableview();
    const long menuRow = KXFolderRecords::indexOf(page->groupDataA().get(), made[3]);
    ASSERT_GT(menuRow, 1);
    list->verticalScrollBar()->setValue(list->verticalScrollBar()->maximum() / 2);
    settle(host());
    const int scrolled = list->verticalScrollBar()->value();
    ASSERT_GT(scrolled, 0);
    page->cell()->settingBtnClick(list, list->model()->index(static_cast<int>(menuRow), 0));
    ASSERT_TRUE(page->cell()->settingView()->isVisible());

    run([&made](auto s, auto f) { KXHTTPBUSINESS().DeleteGroupWithGroup_id(made[1], s, f); });
    KXFolderSession::reloadFolders();
    ASSERT_TRUE(waitForQuietTraffic());
    dispatch::RunLoop::drain();
    settle(host());
    ASSERT_LT(KXFolderRecords::indexOf(page->groupDataA().get(), made[1]), 0);
    EXPECT_EQ(list->verticalScrollBar()->value(), scrolled);
    ASSERT_TRUE(page->cell()->settingView()->isVisible()) << "the open menu stays";
    EXPECT_EQ(KXRecordListModel::recordOfIndex(page->cell()->settingRow())["id"].stringValue(),
        made[3].stringValue());
    EXPECT_EQ(page->cell()->settingRow().row(), static_cast<int>(menuRow) - 1);

    // The menu's folder gone from a later read: the menu goes with it.
    run([&made](auto s, auto f) { KXHTTPBUSINESS().DeleteGroupWithGroup_id(made[3], s, f); });
    KXFolderSession::reloadFolders();
    ASSERT_TRUE(waitForQuietTraffic());
    dispatch::RunLoop::drain();
    EXPECT_FALSE(page->cell()->settingView()->isVisible());
}

// A lost change whose read back failed too leaves the dialog open; the retry is refused because the
// change is already made, and that refusal reads back and ends the dialog as a success would.
TEST_F(KXFontManagerViewTest, ARetryRefusedAsAlreadyMadeAfterALostChangeEndsTheDialog)
{
    auto* page = open();
    page_ = page;
    const std::string run = std::to_string(QDateTime::currentMSecsSinceEpoch() % 1000000);
    const std::string made = "重试已建" + run;
    const auto listed = [&made](const foundation::Ref<foundation::Array>& folders) {
        const auto shown = names(folders);
        return std::count(shown.begin(), shown.end(), made) == 1;
    };
    const auto loseWithItsRead = [](const char* write) {
        localservice::Fault lost;
        lost.kind = localservice::Fault::Kind::LostReply;
        lost.remaining = 1;
        service().faults().set(write, lost);
        localservice::Fault failedRead;
        failedRead.kind = localservice::Fault::Kind::Http500;
        failedRead.remaining = 1;
        service().faults().set("getMyCollect", failedRead);
    };
    loseWithItsRead("createCollect");
    page->uploadBtn2()->click();
    settle(host());
    QPointer<KXFontGroupCreate> create = top<KXFontGroupCreate>();
    ASSERT_NE(create, nullptr);
    create->showTF()->setText(QString::fromStdString(made));
    create->sureBtn()->click();
    ASSERT_TRUE(waitForQuietTraffic());
    ASSERT_EQ(top<KXFontGroupCreate>(), create.data()) << "nothing read: the dialog stays with the name";
    EXPECT_FALSE(listed(page->groupDataA()));
    create->sureBtn()->click();
    ASSERT_TRUE(waitUntil([&] { return listed(page->groupDataA()); }));
    ASSERT_TRUE(waitForQuietTraffic());
    EXPECT_NE(top<KXFontGroupCreate>(), create.data()) << "the folder is made: not offered again";
    // The refusal is told by the dialog and by the transport's envelope, as any refusal is.
    EXPECT_EQ(toastTexts(), (ToastList{"网络失败！", "收藏夹名称已存在", "收藏夹名称已存在"}));

    loseWithItsRead("deleCollect");
    const Id folderId = page->groupDataA()->objectAtIndex(page->groupDataA()->count() - 1)["id"];
    page->deleteFolder(page->groupDataA()->objectAtIndex(page->groupDataA()->count() - 1));
    QPointer<KXDeleteGroupView> remove = top<KXDeleteGroupView>();
    ASSERT_NE(remove, nullptr);
    remove->sureBtn()->click();
    ASSERT_TRUE(waitForQuietTraffic());
    ASSERT_EQ(top<KXDeleteGroupView>(), remove.data()) << "nothing read: the dialog stays";
    remove->sureBtn()->click();
    ASSERT_TRUE(waitUntil([&] { return !listed(page->groupDataA()); }));
    ASSERT_TRUE(waitForQuietTraffic());
    EXPECT_NE(top<KXDeleteGroupView>(), remove.data()) << "the folder is gone: not offered again";
    EXPECT_EQ(KXFolderRecords::indexOf(KXUserCenterConfig::sharedKXUserCenterConfig().groupsInfo().get(), folderId), -1);
}

TEST_F(KXFontManagerViewTest, Screenshots)
{
    auto* tab = open();
    EXPECT_TRUE(favouritestest::saveScreenshots(*tab, QStringLiteral("favourites-folders")));
    auto* centre = open(QStringLiteral("个人中心"));
    centre->cell()->settingBtnClick(centre->tableview(), centre->tableview()->model()->index(1, 0));
    EXPECT_TRUE(favouritestest::saveScreenshots(*centre, QStringLiteral("favourites-folders-personal-centre-menu")));
}
