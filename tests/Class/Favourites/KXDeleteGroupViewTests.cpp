// The delete and unfollow dialog against the local service.
#include "Class/Favourites/KXDeleteGroupView.h"

#include "Class/Favourites/KXHomeRecomDetailTopCell.h"

#include "Class/Favourites/KXFavouritesStyle.h"
#include "Class/UIKit/KXBaseButton.h"
#include "FavouritesTestSupport.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/Foundation/Foundation.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTest>

using foundation::Id;
using localservice::Fault;
using ToastList = std::vector<std::string>;

namespace {

class KXDeleteGroupViewTest : public favouritestest::FavouritesTest {
protected:
    KXDeleteGroupView* open()
    {
        auto* dialog = new KXDeleteGroupView;
        favouritesstyle::pinOnTop(dialog, &host());
        dialog->setGroupBlock([this](const foundation::Ref<foundation::Dictionary>& result) { results_.push_back(result); });
        settle(host());
        return dialog;
    }
    static Id createFolder(const char* name)
    {
        return run([name](auto s, auto f) { KXHTTPBUSINESS().CreateGroupWithName(Id(name), s, f); }).reply["corvane_data"]["id"];
    }
    std::vector<foundation::Ref<foundation::Dictionary>> results_;
};

} // namespace

TEST_F(KXDeleteGroupViewTest, AConfirmedDeleteCallsTheCompletionWithNothing)
{
    const Id folder = createFolder("要删除的");
    service().requestLog().clear();
    QPointer<KXDeleteGroupView> dialog = open();
    dialog->setGroupID(Id(folder.stringValue()));
    dialog->sureBtn()->click();
    dialog->sureBtn()->click();
    ASSERT_TRUE(waitUntil([&] { return !results_.empty(); }));
    EXPECT_EQ(requests("135"), 1u) << "a second click while the request runs sends nothing";
    EXPECT_EQ(toastTexts(), ToastList{"删除成功"});
    EXPECT_EQ(toasts_->shown[0].style, ToastStyle::Success);
    EXPECT_EQ(results_[0]->count(), 0u);
    EXPECT_TRUE(dialog.isNull() || dialog->parentWidget() == nullptr);
}

TEST_F(KXDeleteGroupViewTest, ARefusalAndAFailureKeepTheDialog)
{
    auto* dialog = open();
    dialog->setGroupID(serverFolders()->objectAtIndex(0)["id"]);
    dialog->sureBtn()->click();
    ASSERT_TRUE(waitUntil([&] { return toastTexts().size() == 2; }));
    EXPECT_EQ(toastTexts()[0], "默认收藏夹不能删除");
    EXPECT_EQ(toasts_->shown[0].style, ToastStyle::Success) << "the dialog's, before the transport's warning";
    EXPECT_FALSE(dialog->isSubmitting());

    setFault("deleCollect", Fault::Kind::NotJson);
    dialog->sureBtn()->click();
    ASSERT_TRUE(waitUntil([&] { return toastTexts().size() == 3; }));
    EXPECT_EQ(toastTexts()[2], "网络失败！");
    EXPECT_EQ(toasts_->shown[2].style, ToastStyle::Error);
    EXPECT_TRUE(results_.empty());
    EXPECT_EQ(dialog->parentWidget(), &host());
}

TEST_F(KXDeleteGroupViewTest, UnfollowingClosesSilentlyWhateverTheAnswer)
{
    setFault("followCollect", Fault::Kind::Http500);
    QPointer<KXDeleteGroupView> dialog = open();
    dialog->setInfo(foundation::Dictionary::create({{Id("title"), Id("取消关注的合集")}, {Id("content"), Id("是否取消关注该合集")}, {Id("id"), Id("5")}}));
    EXPECT_EQ(dialog->showLabel()->text(), QStringLiteral("取消关注的合集"));
    EXPECT_EQ(dialog->contentLabel()->text(), QStringLiteral("是否取消关注该合集"));
    dialog->sureBtn()->click();
    ASSERT_TRUE(waitUntil([&] { return dialog.isNull() || dialog->parentWidget() == nullptr; }));
    const auto sent = service().requestLog().withTag("138");
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_TRUE(toastTexts().empty());
    EXPECT_TRUE(results_.empty());
}

TEST_F(KXDeleteGroupViewTest, AnUnfollowTheServiceTakesIsToldAsTheFollowButtonTellsIt)
{
    std::vector<std::pair<std::string, std::string>> told;
    const auto observer = dispatch::NotificationCenter::defaultCenter().addObserver(
        KXHomeRecomDetailTopCell::kAttentionNotification, Id(), nullptr, [&](const dispatch::Notification& n) {
            told.emplace_back(Id(n.userInfo)["groupID"].stringValue(), Id(n.userInfo)["groupState"].stringValue());
        });
    auto unfollow = [this] {
        QPointer<KXDeleteGroupView> dialog = open();
        dialog->setInfo(foundation::Dictionary::create(
            {{Id("title"), Id("取消关注的合集")}, {Id("content"), Id("是否取消关注该合集")}, {Id("id"), Id("5")}}));
        dialog->sureBtn()->click();
        return waitUntil([&] { return dialog.isNull() || dialog->parentWidget() == nullptr; });
    };
    setFault("followCollect", Fault::Kind::Http500);
    ASSERT_TRUE(unfollow());
    EXPECT_TRUE(told.empty()) << "an unfollow that failed changes nothing shown";
    setFault("followCollect", Fault::Kind::None);
    ASSERT_TRUE(unfollow());
    ASSERT_TRUE(waitUntil([&] { return !told.empty(); }));
    EXPECT_EQ(told, (std::vector<std::pair<std::string, std::string>>{{"5", "0"}}));
    EXPECT_TRUE(toastTexts().empty());
    EXPECT_TRUE(results_.empty());
}

TEST_F(KXDeleteGroupViewTest, Screenshots)
{
    auto* remove = open();
    remove->setGroupID(Id(5));
    EXPECT_TRUE(favouritestest::saveScreenshots(host(), QStringLiteral("favourites-delete-folder")));
    remove->cancelBtnClick();
    auto* unfollow = open();
    unfollow->setInfo(foundation::Dictionary::create(
        {{Id("title"), Id("取消关注的合集")}, {Id("content"), Id("是否取消关注该合集")}, {Id("id"), Id("5")}}));
    EXPECT_TRUE(favouritestest::saveScreenshots(host(), QStringLiteral("favourites-unfollow-collection")));
}

TEST_F(KXDeleteGroupViewTest, TheDialogHoldsTheKeysEscapeCancelsAndReturnConfirms)
{
    // The page beneath had the keys before the dialog came.
    auto* beneath = new QLineEdit(&host());
    beneath->show();
    host().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&host()));
    beneath->setFocus();
    const Id folder = createFolder("按键删除");
    service().requestLog().clear();

    QPointer<KXDeleteGroupView> cancelled = open();
    cancelled->setGroupID(Id(folder.stringValue()));
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("x"));
    EXPECT_TRUE(beneath->text().isEmpty()) << "keys reach nothing behind the dialog";
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_TRUE(cancelled.isNull() || cancelled->parentWidget() == nullptr) << "Escape is 取消";
    EXPECT_EQ(QApplication::focusWidget(), beneath) << "the keys go back where they were";

    QPointer<KXDeleteGroupView> confirmed = open();
    confirmed->setGroupID(Id(folder.stringValue()));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    ASSERT_TRUE(waitUntil([&] { return !results_.empty(); })) << "Return is 确定";
    EXPECT_EQ(requests("135"), 1u);
    EXPECT_TRUE(confirmed.isNull() || confirmed->parentWidget() == nullptr);
}
