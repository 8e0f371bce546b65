// The create and rename dialog against the local service: what it sends, its toasts, what its
// completion gets, and that Return plus a click sends once.
#include "Class/Favourites/KXFavouritesStyle.h"
#include "Class/Favourites/KXFontGroupCreate.h"
#include "Class/ServiceCore/Transport/KXAccountWrites.h"
#include "Class/UIKit/KXBaseButton.h"
#include "FavouritesTestSupport.h"
#include "Platform/Foundation/Foundation.h"

#include <QApplication>
#include <QDateTime>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTest>

using foundation::Id;
using localservice::Fault;
using ToastList = std::vector<std::string>;

namespace {

class KXFontGroupCreateTest : public favouritestest::FavouritesTest {
protected:
    KXFontGroupCreate* open(const std::function<void(const foundation::Ref<foundation::Dictionary>&)>& block = {})
    {
        auto* dialog = new KXFontGroupCreate;
        favouritesstyle::pinOnTop(dialog, &host());
        dialog->setGroupBlock([this, block](const foundation::Ref<foundation::Dictionary>& result) {
            results_.push_back(result);
            if (block)
                block(result);
        });
        settle(host());
        return dialog;
    }
    std::vector<foundation::Ref<foundation::Dictionary>> results_;
};

} // namespace

TEST_F(KXFontGroupCreateTest, ACreatedFolderIsInTheNextList)
{
    QPointer<KXFontGroupCreate> dialog = open();
    EXPECT_FALSE(dialog->isRenaming());
    EXPECT_EQ(dialog->titleLabel()->text(), QStringLiteral("新建分组"));
    EXPECT_EQ(dialog->geometry(), host().rect());
    dialog->showTF()->setText(QStringLiteral("海报备选"));
    dialog->sureBtn()->click();
    ASSERT_TRUE(waitUntil([&] { return !results_.empty(); }));
    EXPECT_EQ(toastTexts(), ToastList{"创建成功！"});
    EXPECT_EQ(toasts_->shown[0].style, ToastStyle::Success);
    const Id result(results_[0]);
    EXPECT_EQ(result["collect_name"].stringValue(), "海报备选");
    EXPECT_GT(result["id"].integerValue(), 0);
    EXPECT_TRUE(waitUntil([&] { return dialog.isNull() || dialog->parentWidget() == nullptr; })) << "the dialog leaves";
    bool listed = false;
    for (const Id& folder : *serverFolders())
        listed = listed || folder["id"].integerValue() == result["id"].integerValue();
    EXPECT_TRUE(listed);
}

TEST_F(KXFontGroupCreateTest, NamesAreCheckedBeforeAnythingIsSent)
{
    auto* dialog = open();
    dialog->showTF()->setText(QString(30, QChar(u'字')));
    dialog->sureBtn()->click();
    dialog->showTF()->setText(QStringLiteral(" \u3000 "));
    QTest::keyClick(dialog->showTF(), Qt::Key_Return);
    EXPECT_EQ(toastTexts(), (ToastList{"不能超过三十个字符", "请输入分组名称"}));
    EXPECT_EQ(toasts_->shown[0].style, ToastStyle::Warning);
    EXPECT_EQ(requests("133"), 0u);
    EXPECT_EQ(dialog->parentWidget(), &host()) << "the dialog stays";
}

TEST_F(KXFontGroupCreateTest, ReturnPlusAClickSendsOnce)
{
    holdNextReply("createCollect");
    auto* dialog = open();
    dialog->showTF()->setText(QStringLiteral("只建一次"));
    QTest::keyClick(dialog->showTF(), Qt::Key_Return);
    dialog->sureBtn()->click();
    EXPECT_TRUE(dialog->isSubmitting());
    ASSERT_TRUE(releaseHeldReplies());
    ASSERT_TRUE(waitUntil([&] { return !results_.empty(); }));
    ASSERT_TRUE(waitForQuietTraffic());
    EXPECT_EQ(requests("133"), 1u);
    EXPECT_EQ(results_.size(), 1u);
}

TEST_F(KXFontGroupCreateTest, TheCompletionGetsTheNameThatWasSent)
{
    holdNextReply("createCollect");
    auto* dialog = open();
    dialog->showTF()->setText(QStringLiteral("发出的名字"));
    dialog->sureBtn()->click();
    ASSERT_TRUE(waitUntil([] { return requests("133") == 1; }));
    dialog->showTF()->setText(QStringLiteral("后来改的"));
    ASSERT_TRUE(releaseHeldReplies());
    ASSERT_TRUE(waitUntil([&] { return !results_.empty(); }));
    EXPECT_EQ(Id(results_[0])["collect_name"].stringValue(), "发出的名字");
}

TEST_F(KXFontGroupCreateTest, ARefusedNameKeepsTheDialogWithTheServersMessage)
{
    auto* dialog = open();
    dialog->showTF()->setText(QStringLiteral("喜欢的字体"));
    dialog->sureBtn()->click();
    ASSERT_TRUE(waitUntil([&] { return toastTexts().size() == 2; }));
    // The dialog shows the refusal as a success toast, then the transport once more as a warning.
    EXPECT_EQ(toastTexts(), (ToastList{"收藏夹名称已存在", "收藏夹名称已存在"}));
    EXPECT_EQ(toasts_->shown[0].style, ToastStyle::Success);
    EXPECT_EQ(toasts_->shown[1].style, ToastStyle::Warning);
    EXPECT_TRUE(results_.empty());
    EXPECT_FALSE(dialog->isSubmitting()) << "another try is possible";
    EXPECT_EQ(dialog->showTF()->text(), QStringLiteral("喜欢的字体"));
}

TEST_F(KXFontGroupCreateTest, ANetworkFailureIsAnErrorAndTheDialogStays)
{
    setFault("createCollect", Fault::Kind::Http500);
    auto* dialog = open();
    dialog->showTF()->setText(QStringLiteral("断网时"));
    dialog->sureBtn()->click();
    ASSERT_TRUE(waitUntil([&] { return !toastTexts().empty(); }));
    EXPECT_EQ(toastTexts(), ToastList{"网络失败！"});
    EXPECT_EQ(toasts_->shown[0].style, ToastStyle::Error);
    EXPECT_EQ(dialog->parentWidget(), &host());
    ASSERT_TRUE(waitForQuietTraffic());
    EXPECT_FALSE(dialog->isSubmitting()) << "free again once the folders were read back";
}

TEST_F(KXFontGroupCreateTest, TheDialogStaysBusyUntilTheFoldersAreReadBack)
{
    // The reply is lost and the read back is slow: presses meanwhile could make the folder again.
    setFault("createCollect", Fault::Kind::Http500);
    holdNextReply("getMyCollect");
    auto* dialog = open();
    dialog->showTF()->setText(QStringLiteral("读回之前"));
    dialog->sureBtn()->click();
    ASSERT_TRUE(waitForHeldReplies());
    ASSERT_TRUE(waitUntil([&] { return !toastTexts().empty(); }));
    dialog->sureBtn()->click();
    dialog->sureBtn()->click();
    ASSERT_TRUE(waitForQuietTraffic(1));
    EXPECT_EQ(requests("133"), 1u) << "nothing sent while the outcome is unknown";
    EXPECT_TRUE(dialog->isSubmitting());

    // Read back without the folder: the dialog stays, free to try again.
    ASSERT_TRUE(releaseHeldReplies());
    ASSERT_TRUE(waitForQuietTraffic());
    EXPECT_FALSE(dialog->isSubmitting());
    EXPECT_EQ(dialog->parentWidget(), &host());
    service().faults().clear("createCollect");
    dialog->sureBtn()->click();
    ASSERT_TRUE(waitUntil([&] { return !results_.empty(); }));
    EXPECT_EQ(requests("133"), 2u);
}

// The service made the folder and its reply was lost, and the read back failed too: a press while
// that create's outcome is unknown reads the folders first and sends nothing while the read
// fails; once the read shows the folder, the press ends as that create's success.
TEST_F(KXFontGroupCreateTest, APressWhileAnEarlierCreateIsUnknownReadsFirstAndSendsNoSecond)
{
    favouritestest::KeptAheadWrites kept;
    setFault("createCollect", Fault::Kind::LostReply);
    setFault("getMyCollect", Fault::Kind::Http500);
    QPointer<KXFontGroupCreate> dialog = open();
    dialog->showTF()->setText(QStringLiteral("走失的回复"));
    dialog->sureBtn()->click();
    ASSERT_TRUE(waitForQuietTraffic());
    ASSERT_EQ(toastTexts(), ToastList { "网络失败！" });
    ASSERT_FALSE(dialog->isSubmitting());
    service().faults().clear("createCollect");
    const std::size_t reads = requests("137");

    dialog->sureBtn()->click();
    ASSERT_TRUE(waitForQuietTraffic());
    EXPECT_EQ(requests("133"), 1u) << "still unknown: nothing sent";
    EXPECT_EQ(requests("137"), reads + 1) << "read first";
    EXPECT_EQ(toastTexts(), (ToastList { "网络失败！", "网络失败！" }));
    EXPECT_FALSE(dialog->isSubmitting());
    ASSERT_EQ(dialog->parentWidget(), &host());

    service().faults().clear("getMyCollect");
    dialog->sureBtn()->click();
    ASSERT_TRUE(waitUntil([&] { return !results_.empty(); }));
    ASSERT_TRUE(waitForQuietTraffic());
    EXPECT_EQ(requests("133"), 1u) << "found made: nothing sent";
    EXPECT_EQ(toastTexts().back(), "创建成功！");
    Id made;
    for (const Id& folder : *serverFolders())
        if (folder["collect_name"].stringValue() == "走失的回复")
            made = folder;
    ASSERT_TRUE(made);
    EXPECT_EQ(Id(results_[0])["id"].integerValue(), made["id"].integerValue());
    EXPECT_EQ(Id(results_[0])["collect_name"].stringValue(), "走失的回复");
    EXPECT_TRUE(dialog.isNull() || dialog->parentWidget() == nullptr) << "the dialog leaves";
    EXPECT_FALSE(KXAccountWrites::keptUnknown("133", "走失的回复")) << "settled by the read";
}

// A create kept by an earlier run (in the form older clients kept, without its name) that the
// service never made: the press reads first, then sends once.
TEST_F(KXFontGroupCreateTest, APressAfterACreateKeptByAnEarlierRunThatWasNotMadeSendsOnce)
{
    favouritestest::KeptAheadWrites kept;
    setDefault(KXAccountWrites::kWritesOnTheirWayKey,
        Id(foundation::Dictionary::create(
            { { Id("uid demo"), Id(foundation::Dictionary::create({ { Id("1-1"), Id("133") } })) } })));
    ASSERT_TRUE(KXAccountWrites::keptUnknown("133", "未到的名字"));
    const std::size_t reads = requests("137");
    auto* dialog = open();
    dialog->showTF()->setText(QStringLiteral("未到的名字"));
    dialog->sureBtn()->click();
    ASSERT_TRUE(waitUntil([&] { return !results_.empty(); }));
    ASSERT_TRUE(waitForQuietTraffic());
    EXPECT_EQ(requests("137"), reads + 1);
    EXPECT_EQ(requests("133"), 1u);
    EXPECT_EQ(toastTexts(), ToastList { "创建成功！" });
    EXPECT_FALSE(KXAccountWrites::keptUnknown("133", "未到的名字"));
}

TEST_F(KXFontGroupCreateTest, AFailureAfterItsAccountLeftIsNeitherToldNorReadAgain)
{
    auto* dialog = open();
    const auto send = [dialog](const char* name) {
        dialog->showTF()->setText(QString::fromUtf8(name));
        dialog->sureBtn()->click();
    };
    // Within one account a reply that is not JSON is told, and the folders are read again.
    setFault("createCollect", Fault::Kind::NotJson);
    send("同号失败");
    ASSERT_TRUE(waitUntil([&] { return !toastTexts().empty() && requests("137") == 1; }));
    EXPECT_EQ(toastTexts(), ToastList{"网络失败！"});
    ASSERT_TRUE(waitForQuietTraffic());

    // demo signs out before the same failure lands.
    send("退出前失败");
    signOut();
    ASSERT_TRUE(waitForQuietTraffic());
    EXPECT_EQ(requests("133"), 2u);
    EXPECT_EQ(toastTexts(), ToastList{"网络失败！"}) << "nothing told";
    EXPECT_EQ(requests("137"), 1u) << "nothing read again";
    EXPECT_FALSE(dialog->isSubmitting());

    // demo's request waits at the service while editor signs in, then fails with a 503.
    signIn();
    setFault("createCollect", Fault::Kind::NoReply);
    send("换号前失败");
    ASSERT_TRUE(waitUntil([] { return requests("133") == 1; }));
    signOut();
    signIn("editor", "editor123");
    service().faults().clear("createCollect");
    ASSERT_TRUE(waitForQuietTraffic());
    EXPECT_EQ(toastTexts(), ToastList{"网络失败！"});
    EXPECT_EQ(requests("137"), 0u);
    EXPECT_FALSE(dialog->isSubmitting());
}

TEST_F(KXFontGroupCreateTest, RenamingSendsTheFolderIdAndTheNewName)
{
    const auto folders = serverFolders();
    const Id second = folders->objectAtIndex(1);
    auto* dialog = open();
    dialog->setTitle(QString::fromStdString(second["collect_name"].stringValue()));
    dialog->setGroupid(Id(second["id"].stringValue()));
    EXPECT_TRUE(dialog->isRenaming());
    EXPECT_EQ(dialog->titleLabel()->text(), QStringLiteral("分组重命名"));
    EXPECT_EQ(dialog->showTF()->text().toStdString(), second["collect_name"].stringValue());
    const QString renamed = QStringLiteral("标题字体") + QString::number(QDateTime::currentMSecsSinceEpoch() % 100000);
    dialog->showTF()->setText(renamed);
    dialog->sureBtn()->click();
    ASSERT_TRUE(waitUntil([&] { return !results_.empty(); }));
    EXPECT_EQ(toastTexts(), ToastList{"修改成功！"});
    const auto sent = service().requestLog().withTag("134");
    ASSERT_EQ(sent.size(), 1u);
    const auto param = [&](const char* name) {
        for (const auto& [key, value] : sent[0].params)
            if (key == name)
                return value;
        return std::string();
    };
    EXPECT_EQ(param("id"), second["id"].stringValue());
    EXPECT_EQ(param("collect_img"), "");
    EXPECT_EQ(Id(results_[0])["collect_name"].stringValue(), renamed.toStdString());
    EXPECT_FALSE(Id(results_[0])["id"]) << "a rename reports the name only";
}

TEST_F(KXFontGroupCreateTest, TheKeysGoToTheNameFieldOfBothDialogs)
{
    // A field of the page beneath the dialog, before the dialog in the window's Tab order.
    auto* beneath = new QLineEdit(&host());
    beneath->setGeometry(10, 10, 120, 24);
    beneath->show();
    host().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&host()));
    const auto typeIntoFocus = [](const char* text) {
        QTest::keyClicks(QApplication::focusWidget(), QString::fromLatin1(text));
    };

    auto* create = open();
    ASSERT_EQ(QApplication::focusWidget(), create->showTF()) << "the field has the keys without a click";
    typeIntoFocus("Posters");
    EXPECT_EQ(create->showTF()->text(), QStringLiteral("Posters"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_NE(QApplication::focusWidget(), create->cancelBtn()) << "Tab passes the buttons by";
    EXPECT_NE(QApplication::focusWidget(), create->sureBtn());
    EXPECT_EQ(QApplication::focusWidget(), create->showTF()) << "Tab stays in the dialog";
    typeIntoFocus("QQ");
    EXPECT_EQ(create->showTF()->text(), QStringLiteral("PostersQQ"));
    EXPECT_TRUE(beneath->text().isEmpty());
    create->showTF()->setText(QStringLiteral("Posters"));
    create->showTF()->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    ASSERT_TRUE(waitUntil([&] { return !results_.empty(); }));
    EXPECT_EQ(Id(results_[0])["collect_name"].stringValue(), "Posters");

    const Id folder = serverFolders()->objectAtIndex(1);
    auto* rename = open();
    rename->setTitle(QString::fromStdString(folder["collect_name"].stringValue()));
    rename->setGroupid(Id(folder["id"].stringValue()));
    ASSERT_EQ(QApplication::focusWidget(), rename->showTF());
    const std::string renamed = folder["collect_name"].stringValue() + " v2";
    typeIntoFocus(" v2");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    ASSERT_TRUE(waitUntil([&] { return results_.size() == 2; }));
    EXPECT_EQ(Id(results_[1])["collect_name"].stringValue(), renamed);
    EXPECT_EQ(requests("134"), 1u);
}

TEST_F(KXFontGroupCreateTest, Screenshots)
{
    auto* create = open();
    EXPECT_TRUE(favouritestest::saveScreenshots(host(), QStringLiteral("favourites-create-folder")));
    create->cancelClick();
    auto* rename = open();
    rename->setTitle(QStringLiteral("标题字体"));
    rename->setGroupid(Id(2));
    rename->showTF()->setText(QString(30, QChar(u'字')));
    rename->sureClick();
    EXPECT_TRUE(favouritestest::saveScreenshots(host(), QStringLiteral("favourites-rename-folder-refused")));
}

TEST_F(KXFontGroupCreateTest, EscapeCancelsWithoutSending)
{
    host().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&host()));
    service().requestLog().clear();
    QPointer<KXFontGroupCreate> dialog = open();
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("Posters"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_TRUE(dialog.isNull() || dialog->parentWidget() == nullptr) << "Escape is 取消";
    settle(host());
    EXPECT_TRUE(results_.empty());
    EXPECT_EQ(service().requestLog().size(), 0u);
}
