// The share dialog: the exact address it opens, which the local service answers, and what it
// refuses to open.
#include "Class/Favourites/KXShareCollectionGroupView.h"

#include "Class/Favourites/KXFavouritesStyle.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Class/UIKit/KXOpenFailedAlert.h"
#include "FavouritesTestSupport.h"
#include "Platform/Desktop/URLOpener.h"
#include "Platform/Dispatch/RunLoop.h"
#include "Platform/Foundation/Foundation.h"
#include "Platform/Storage/UserDefaults.h"
#include "Support/FailingOpeners.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTest>
#include <httplib.h>

using foundation::Id;

namespace {

class KXShareCollectionGroupViewTest : public favouritestest::FavouritesTest {
protected:
    void TearDown() override
    {
        foundation::UserDefaults::standardUserDefaults().removeObjectForKey("coll_share");
        FavouritesTest::TearDown();
    }
    KXShareCollectionGroupView* open(const Id& groupID)
    {
        auto* dialog = new KXShareCollectionGroupView;
        dialog->setGroupID(groupID);
        favouritesstyle::pinOnTop(dialog, &host());
        settle(host());
        return dialog;
    }
    static KXBaseButton* target(KXShareCollectionGroupView* dialog, const char* identifier)
    {
        for (auto* button : dialog->shareButtons())
            if (button->identifier() == QString::fromUtf8(identifier))
                return button;
        return nullptr;
    }
    desktop::ScopedRecordingURLOpener opener_;
};

} // namespace

TEST_F(KXShareCollectionGroupViewTest, ATargetOpensTheSharePageWhichTheServiceAnswers)
{
    const Id card = run([](auto s, auto f) { KXHTTPBUSINESS().getRecommendDataGroupSuceess(s, f); }).reply["corvane_data"]["collection"][0];
    setDefault("coll_share", Id(service().baseUrl() + "pages/share"));
    QPointer<KXShareCollectionGroupView> dialog = open(card["id"]);
    target(dialog, "weibo")->click();
    target(dialog, "weibo")->click();
    const std::string expected = service().baseUrl() + "pages/share?id=" + card["id"].stringValue() + "&direct=weibo";
    EXPECT_EQ(opener_.opened(), (std::vector<std::string>{expected, expected})) << "twice, and the dialog stays";
    EXPECT_FALSE(dialog.isNull());

    httplib::Client client(service().baseUrl().substr(0, service().baseUrl().size() - 1));
    client.set_ca_cert_path(service().caCertificatePath().c_str());
    const auto page = client.Get(expected.substr(service().baseUrl().size() - 1));
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200);
    EXPECT_NE(page->body.find(card["collect_name"].stringValue()), std::string::npos);

    dialog->closeBtn()->click();
    EXPECT_EQ(dialog->parentWidget(), nullptr);
}

TEST_F(KXShareCollectionGroupViewTest, IdsAreEscapedAndOnlyWebPagesOpen)
{
    auto* dialog = open(Id("12&direct=evil"));
    setDefault("coll_share", Id("https://share.example/pages/share?from=client"));
    target(dialog, "qq")->click();
    EXPECT_EQ(opener_.opened(), std::vector<std::string>{"https://share.example/pages/share?from=client&id=12%26direct%3Devil&direct=qq"});
    opener_.opener().clear();
    setDefault("coll_share", Id("javascript:alert(1)//x"));
    target(dialog, "qq")->click();
    foundation::UserDefaults::standardUserDefaults().removeObjectForKey("coll_share");
    target(dialog, "wechat")->click();
    EXPECT_TRUE(opener_.opened().empty());
}

TEST_F(KXShareCollectionGroupViewTest, Screenshots)
{
    open(Id(12));
    EXPECT_TRUE(favouritestest::saveScreenshots(host(), QStringLiteral("favourites-share-collection")));
}

TEST_F(KXShareCollectionGroupViewTest, ASharePageTheBrowserCannotOpenShowsItsAddress)
{
    auto* dialog = open(Id("12"));
    setDefault("coll_share", Id("https://share.example/pages/share"));
    const std::string expected = "https://share.example/pages/share?id=12&direct=weibo";
    const auto shown = [&] {
        auto* alert = KXOpenFailedAlert::alertOf(dialog);
        return alert && alert->isVisible() ? alert->targetField()->toPlainText().toStdString() : std::string();
    };
    opener_.opener().setLaunchError("Could not start xdg-open");
    target(dialog, "weibo")->click();
    ASSERT_EQ(shown(), expected);
    EXPECT_EQ(KXOpenFailedAlert::alertOf(dialog)->parentWidget(), dialog->window());
    KXOpenFailedAlert::alertOf(dialog)->closeBtnClick();

    testsupport::ScopedFailingSystemOpener failing;
    target(dialog, "weibo")->click();
    EXPECT_TRUE(shown().empty());
    ASSERT_TRUE(dispatch::RunLoop::runUntil([&] { return !shown().empty(); }, 20));
    EXPECT_EQ(shown(), expected);
}

TEST_F(KXShareCollectionGroupViewTest, EscapeClosesTheDialog)
{
    host().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&host()));
    QPointer<KXShareCollectionGroupView> dialog = open(Id("12"));
    ASSERT_NE(QApplication::focusWidget(), nullptr);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_TRUE(dialog.isNull() || dialog->parentWidget() == nullptr);
    EXPECT_TRUE(opener_.opened().empty()) << "nothing shared";
}
