// The add-to-folder dialog against the local service: the folder set it sends, the default
// folder's automatic tick, the list that arrives after it opened, the opener's report, two dialogs
// at once and its place in the font list's overlay registry.
#include "Class/Favourites/KXFontGroupAddView.h"

#include "Class/Favourites/FavouritesRegistration.h"
#include "Class/Favourites/KXFavouritesStyle.h"
#include "Class/Favourites/KXFontGroupAddCell.h"
#include "Class/Favourites/KXRecordList.h"
#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"
#include "Class/UIKit/KXBaseButton.h"
#include "FavouritesTestSupport.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/Dispatch/RunLoop.h"
#include "Platform/Foundation/Foundation.h"

#include <QPointer>
#include <QTest>

using foundation::Id;

namespace {

class RecordingOpener final : public KXFontGroupAddViewDelegate {
public:
    void refreshowCell(long row) override { rows.push_back(row); }
    std::vector<long> rows;
};

class KXFontGroupAddViewTest : public favouritestest::FavouritesTest {
protected:
    void SetUp() override
    {
        FavouritesTest::SetUp();
        folders_ = serverFolders();
        service().requestLog().clear();
        opener_ = std::make_shared<RecordingOpener>();
    }

    KXFontGroupAddView* open(long long fontid, long row = 7)
    {
        auto* dialog = new KXFontGroupAddView;
        dialog->setFontid(foundation::String::create(std::to_string(fontid)));
        dialog->setRowNum(row);
        dialog->setDelegate(opener_);
        favouritesstyle::pinOnTop(dialog, &host());
        EXPECT_TRUE(waitUntil([dialog] { return dialog->grouoList()->model()->rowCount() > 0; }));
        settle(host());
        return dialog;
    }
    // Clicks the item of the folder with that id, as the user does.
    static void clickFolder(KXFontGroupAddView* dialog, const Id& folderId)
    {
        auto* list = dialog->grouoList();
        for (int row = 0; row < list->model()->rowCount(); ++row) {
            const QModelIndex index = list->model()->index(row, 0);
            if (KXRecordListModel::recordOfIndex(index)["id"].stringValue() == folderId.stringValue()) {
                list->scrollTo(index);
                favouritestest::settle(*dialog);
                favouritestest::clickViewport(list->viewport(), list->visualRect(index).center());
                return;
            }
        }
        ADD_FAILURE() << "no item for folder " << folderId.stringValue();
    }
    static std::string param(const localservice::LoggedRequest& request, const char* name)
    {
        for (const auto& [key, value] : request.params)
            if (key == name)
                return value;
        return {};
    }
    static bool folderHolds(const foundation::Ref<foundation::Array>& folders, const Id& folderId, long long font)
    {
        for (const Id& folder : *folders)
            if (folder["id"].stringValue() == folderId.stringValue())
                for (const Id& id : *folder["fonts"].array())
                    if (id.integerValue() == font)
                        return true;
        return false;
    }
    Id folder(std::size_t index) const { return folders_->objectAtIndex(index)["id"]; }
    long long fontOfDefault() const { return folders_->objectAtIndex(0)["fonts"][0].integerValue(); }

    foundation::Ref<foundation::Array> folders_;
    std::shared_ptr<RecordingOpener> opener_;
};

} // namespace

TEST_F(KXFontGroupAddViewTest, TicksShowTheFoldersThatHoldTheFont)
{
    auto* dialog = open(fontOfDefault());
    auto* model = dialog->grouoList()->model();
    ASSERT_EQ(model->rowCount(), static_cast<int>(folders_->count()));
    EXPECT_EQ(model->index(0, 0).data(Qt::CheckStateRole).toInt(), Qt::Checked);
    EXPECT_EQ(model->index(1, 0).data(Qt::CheckStateRole).toInt(), Qt::Unchecked);
    EXPECT_EQ(KXFontGroupAddCell::imageName(KXRecordListModel::recordOfIndex(model->index(0, 0)), true), std::string("icon_selected-black"));
}

TEST_F(KXFontGroupAddViewTest, ConfirmSendsEveryFolderThatIsToHoldTheFont)
{
    const long long font = fontOfDefault();
    QPointer<KXFontGroupAddView> dialog = open(font, 3);
    clickFolder(dialog, folder(1));
    clickFolder(dialog, folder(2));
    dialog->sureBtn()->click();
    EXPECT_TRUE(dialog.isNull() || dialog->parentWidget() == nullptr) << "the dialog leaves at once";
    ASSERT_TRUE(waitUntil([&] { return !opener_->rows.empty(); }));
    const auto sent = service().requestLog().withTag("105");
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(param(sent[0], "font_ids"), std::to_string(font));
    EXPECT_EQ(param(sent[0], "collect_id"), folder(0).stringValue() + "," + folder(1).stringValue() + "," + folder(2).stringValue());
    EXPECT_EQ(opener_->rows, std::vector<long>{3}) << "the opener hears of the row it gave";
    const auto session = KXUserCenterConfig::sharedKXUserCenterConfig().groupsInfo();
    EXPECT_TRUE(folderHolds(session, folder(1), font)) << "the folders were read again";
    EXPECT_TRUE(KXUserCenterConfig::sharedKXUserCenterConfig().isCollected(font));

    // Unticking every folder that holds it sends "": the font leaves them all.
    auto* again = open(font, 4);
    for (std::size_t i = 0; i < 3; ++i)
        clickFolder(again, folder(i));
    again->sureBtn()->click();
    ASSERT_TRUE(waitUntil([&] { return opener_->rows.size() == 2; }));
    EXPECT_EQ(param(service().requestLog().withTag("105").back(), "collect_id"), "");
    EXPECT_FALSE(KXUserCenterConfig::sharedKXUserCenterConfig().isCollected(font));
    run([&](auto s, auto f) { KXHTTPBUSINESS().CollectFontWithFontid(Id(font), folder(0), s, f); });
}

// The service filed the font but the reply was lost: the opener's row shows the folders read back.
TEST_F(KXFontGroupAddViewTest, AFilingWhoseReplyWasLostShowsInTheRowAsTheServiceHoldsIt)
{
    const long long font = fontOfDefault();
    QPointer<KXFontGroupAddView> dialog = open(font, 5);
    clickFolder(dialog, folder(1));
    setFault("addLike", localservice::Fault::Kind::LostReply);
    dialog->sureBtn()->click();
    ASSERT_TRUE(waitForQuietTraffic());
    service().faults().clearAll();
    EXPECT_EQ(opener_->rows, std::vector<long>{5}) << "the row is shown again from the read";
    EXPECT_TRUE(folderHolds(KXUserCenterConfig::sharedKXUserCenterConfig().groupsInfo(), folder(1), font));
    EXPECT_EQ(service().requestLog().withTag("137").size(), 2u) << "the dialog's own load, then one read back";
    run([&](auto s, auto f) { KXHTTPBUSINESS().CollectFontWithFontid(Id(font), folder(0), s, f); });
}

TEST_F(KXFontGroupAddViewTest, ASecondClickUndoesTheFirstAndNothingIsSent)
{
    QPointer<KXFontGroupAddView> dialog = open(fontOfDefault());
    clickFolder(dialog, folder(1));
    EXPECT_EQ(dialog->grouoList()->model()->index(1, 0).data(Qt::CheckStateRole).toInt(), Qt::Checked);
    clickFolder(dialog, folder(1));
    EXPECT_TRUE(dialog->filing().unchanged());
    dialog->sureBtn()->click();
    ASSERT_TRUE(waitForQuietTraffic());
    EXPECT_EQ(requests("105"), 0u);
    EXPECT_TRUE(opener_->rows.empty());
    EXPECT_TRUE(dialog.isNull() || dialog->parentWidget() == nullptr);
}

TEST_F(KXFontGroupAddViewTest, EscapeCancelsWhatWasTicked)
{
    QPointer<KXFontGroupAddView> dialog = open(fontOfDefault());
    clickFolder(dialog, folder(1));
    QTest::keyClick(dialog.data(), Qt::Key_Escape);
    EXPECT_TRUE(dialog.isNull() || dialog->parentWidget() == nullptr) << "Escape is 取消";
    ASSERT_TRUE(waitForQuietTraffic());
    EXPECT_EQ(requests("105"), 0u);
}

TEST_F(KXFontGroupAddViewTest, AUserWithOnlyTheDefaultFolderFindsItTicked)
{
    signIn("newbie", "newbie123");
    const auto own = serverFolders();
    ASSERT_EQ(own->count(), 1u);
    auto* dialog = open(fontOfDefault(), 0);
    EXPECT_EQ(dialog->grouoList()->model()->index(0, 0).data(Qt::CheckStateRole).toInt(), Qt::Checked);
    dialog->sureBtn()->click();
    ASSERT_TRUE(waitUntil([&] { return !opener_->rows.empty(); }));
    EXPECT_EQ(param(service().requestLog().withTag("105").back(), "collect_id"), own->objectAtIndex(0)["id"].stringValue());
}

TEST_F(KXFontGroupAddViewTest, WithoutFoldersYetTheListArrivesAndClicksStay)
{
    KXUserCenterConfig::sharedKXUserCenterConfig().setGroupsInfo(nullptr);
    holdNextReply("getMyCollect");
    auto* dialog = new KXFontGroupAddView;
    dialog->setFontid(foundation::String::create(std::to_string(fontOfDefault())));
    dialog->setDelegate(opener_);
    favouritesstyle::pinOnTop(dialog, &host());
    EXPECT_EQ(dialog->grouoList()->model()->rowCount(), 0);
    // A click made on an item before the list came (a folder of the older list) is kept by id.
    dialog->groupsItemButtonClick(foundation::Dictionary::create({{Id("id"), Id(folder(3).stringValue())}, {Id("state"), Id("1")}}));
    ASSERT_TRUE(releaseHeldReplies());
    ASSERT_TRUE(waitUntil([&] { return dialog->grouoList()->model()->rowCount() > 0; }));
    EXPECT_EQ(dialog->grouoList()->model()->index(3, 0).data(Qt::CheckStateRole).toInt(), Qt::Checked);
    EXPECT_EQ(dialog->filing().collectIdText(), folder(0).stringValue() + "," + folder(3).stringValue());
}

TEST_F(KXFontGroupAddViewTest, TwoDialogsAtOnceBothEndInTheSession)
{
    const long long first = fontOfDefault();
    const long long second = folders_->objectAtIndex(1)["fonts"][0].integerValue();
    ASSERT_NE(first, second);
    auto* a = open(first, 1);
    auto* b = open(second, 2);
    clickFolder(b, folder(3));
    clickFolder(a, folder(3));
    holdNextReply("getMyCollect");
    a->sureBtn()->click();
    ASSERT_TRUE(waitUntil([] { return requests("137") == 3; })) << "the first dialog's slow re-read is on its way";
    b->sureBtn()->click();
    ASSERT_TRUE(waitUntil([&] { return opener_->rows.size() == 1; })) << "the second dialog ended first";
    ASSERT_TRUE(releaseHeldReplies());
    ASSERT_TRUE(waitUntil([&] { return opener_->rows.size() == 2; }));
    ASSERT_TRUE(waitForQuietTraffic());
    const auto session = KXUserCenterConfig::sharedKXUserCenterConfig().groupsInfo();
    EXPECT_TRUE(folderHolds(session, folder(3), first));
    EXPECT_TRUE(folderHolds(session, folder(3), second)) << "the slow list did not undo the second filing";
}

TEST_F(KXFontGroupAddViewTest, TheNewFolderButtonHandsOverToTheMainWindow)
{
    int posted = 0;
    auto token = dispatch::NotificationCenter::defaultCenter().addObserver("createNewGroup", Id(), nullptr,
                                                                           [&](const dispatch::Notification&) { posted += 1; });
    QPointer<KXFontGroupAddView> dialog = open(fontOfDefault());
    dialog->newGroupBtn()->click();
    EXPECT_EQ(posted, 1);
    EXPECT_TRUE(dialog.isNull() || dialog->parentWidget() == nullptr);
}

TEST_F(KXFontGroupAddViewTest, TheFontListOpensItThroughItsRegistry)
{
    registerFavouritesOverlays();
    ASSERT_TRUE(KXHomeListOverlays::isRegistered(KXHomeListOverlays::Kind::FontGroupAddView));
    std::unique_ptr<QWidget> created(KXHomeListOverlays::createFontGroupAddView(foundation::String::create("1234"), 9, opener_));
    auto* dialog = qobject_cast<KXFontGroupAddView*>(created.get());
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(KXHomeListOverlays::isKind(KXHomeListOverlays::Kind::FontGroupAddView, dialog));
    EXPECT_EQ(dialog->fontid()->utf8(), "1234");
    EXPECT_EQ(dialog->rowNum(), 9);
    EXPECT_EQ(dialog->delegate(), opener_);
    EXPECT_EQ(dialog->parentWidget(), nullptr);
}

TEST_F(KXFontGroupAddViewTest, Screenshots)
{
    auto* dialog = open(folders_->objectAtIndex(1)["fonts"][0].integerValue());
    EXPECT_TRUE(favouritestest::saveScreenshots(host(), QStringLiteral("favourites-add-to-folders")));
    dialog->cancelClick();
}
