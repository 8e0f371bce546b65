// The personal centre against the local service: the badge, the user, the counters, the published
// collections, the links and the pages it lays over itself.
#include "AccountTestSupport.h"

#include "Class/Account/KXAccountViews.h"
#include "Class/Account/KXPersonalCenterPages.h"
#include "Class/Account/KXPersonalCenterView.h"
#include "Class/Account/KXVipAlertView.h"
#include "Class/Favourites/Core/KXFolderSession.h"
#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Class/UIKit/KXOpenFailedAlert.h"
#include "Class/UIKit/KXPageColumn.h"
#include "Lib/LayoutConstraints/LCConstraint.h"
#include "Platform/Desktop/URLOpener.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/Storage/UserDefaults.h"
#include "Support/FailingOpeners.h"

#include "local-service/ServiceControls.h"

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScrollArea>
#include <QScrollBar>
#include <QTableWidget>
#include <QWheelEvent>

using foundation::Id;
using Page = KXPersonalCenterPages::Page;

namespace {

// A page of another area: records what it was made with.
class FakePage final : public QWidget {
public:
    FakePage(Page page, const Id& argument)
        : page(page)
        , argument(argument)
    {
    }
    Page page;
    Id argument;
};

class KXPersonalCenterViewTest : public accounttest::AccountServiceTest {
protected:
    void SetUp() override
    {
        AccountServiceTest::SetUp();
        service().controls().setUnpaidOverride(std::nullopt);
        for (Page page : {Page::Publish, Page::CollectionDetail, Page::FollowedCollections, Page::FavouriteFolders, Page::Quit, Page::CollectionCard})
            KXPersonalCenterPages::registerCreator(page, [page](const Id& argument) { return new FakePage(page, argument); });
    }

    void TearDown() override
    {
        for (Page page : {Page::Publish, Page::CollectionDetail, Page::FollowedCollections, Page::FavouriteFolders, Page::Quit, Page::CollectionCard})
            KXPersonalCenterPages::registerCreator(page, nullptr);
        service().controls().setUnpaidOverride(std::nullopt);
        AccountServiceTest::TearDown();
    }

    KXPersonalCenterView* open()
    {
        auto* page = new KXPersonalCenterView(&host_);
        page->setGeometry(0, 0, KXPersonalCenterView::kWidth, 680);
        host_.resize(KXPersonalCenterView::kWidth, 680);
        host_.show();
        page->show();
        return page;
    }

    // Waits until the three requests of a signed-in page have been answered (the folders'
    // counter may come from the folders alone).
    bool loaded(KXPersonalCenterView* page)
    {
        return waitFor([&] {
            return page->groupsNum()->text() != QStringLiteral("--") && page->collectedNum()->text() != QStringLiteral("--")
                   && !page->nickName()->text().isEmpty();
        });
    }

    static FakePage* topPage(QWidget* parent)
    {
        const QObjectList& children = parent->children();
        for (auto it = children.rbegin(); it != children.rend(); ++it)
            if (auto* page = dynamic_cast<FakePage*>(*it))
                return page;
        return nullptr;
    }

    QWidget host_;
};

} // namespace

TEST_F(KXPersonalCenterViewTest, WithoutAPendingOrderNoCountIsAskedAndTheBadgeIsHidden)
{
    signInAs("demo", "demo1234");
    setDefault("my_orderClick", Id(""));
    auto* page = open();
    ASSERT_TRUE(loaded(page));
    EXPECT_TRUE(service().requestLog().withTag("160").empty());
    EXPECT_FALSE(page->orderNumLabel()->isVisible());
}

TEST_F(KXPersonalCenterViewTest, TheUnpaidBadge)
{
    signInAs("demo", "demo1234");
    setDefault("my_orderClick", Id("1"));
    struct Case {
        int num;
        bool shown;
        QString text;
    };
    for (const Case& c : {Case{0, false, ""}, Case{3, true, "3"}, Case{9999, true, ""}}) {
        service().controls().setUnpaidOverride(c.num);
        service().requestLog().clear();
        auto* page = open();
        ASSERT_TRUE(waitFor([&] { return service().requestLog().withTag("160").size() == 1; })) << c.num;
        ASSERT_TRUE(loaded(page));
        ASSERT_TRUE(waitFor([&] { return page->orderNumLabel()->isVisible() == c.shown; })) << c.num;
        EXPECT_EQ(page->orderNumLabel()->text(), c.text) << c.num;
        delete page;
    }
}

TEST_F(KXPersonalCenterViewTest, TheUserTheCountersAndThePublishedCollections)
{
    signInAs("demo", "demo1234");
    auto* page = open();
    ASSERT_TRUE(loaded(page));
    EXPECT_EQ(page->nickName()->text(), QStringLiteral("demo"));
    EXPECT_EQ(page->groupsNum()->text(), QStringLiteral("4")) << "the demo user's four folders";
    EXPECT_EQ(page->collectedNum()->text(), QStringLiteral("2")) << "two followed collections";
    EXPECT_EQ(page->dic()["uname"].stringValue(), "demo");
    EXPECT_EQ(KXGlobalDataBase::sharedKXGlobalDataBase().currentModule()->utf8(), "添加/取消收藏错误");
    ASSERT_TRUE(waitFor([&] { return page->collectionScorllView()->isVisible(); }));
    EXPECT_EQ(page->collectionNumLabel()->text(), QStringLiteral("发布了2个收藏")) << "published and under review";
    EXPECT_EQ(page->collectionTableview()->rowCount(), 1) << "the first one only";
    EXPECT_EQ(page->collectionArray()->count(), 2u);
    auto* card = dynamic_cast<FakePage*>(page->collectionTableview()->cellWidget(0, 0));
    ASSERT_NE(card, nullptr) << "the folders area's card";
    EXPECT_EQ(card->argument["collect_name"].stringValue(), "正文精选");
    EXPECT_TRUE(page->vipButton()->isVisible()) << "the demo user is a VIP";
    EXPECT_EQ(page->vipButton()->toolTip(), QStringLiteral("查看VIP特权"));
    EXPECT_EQ(page->versionLabel()->text().left(3), QStringLiteral("版本V"));

    // Only a folder in state 2 opens its detail.
    page->tableviewcellclick(0);
    auto* detail = topPage(page);
    ASSERT_NE(detail, nullptr);
    EXPECT_EQ(detail->page, Page::CollectionDetail);
    EXPECT_EQ(detail->argument["collect_name"].stringValue(), "正文精选");
    settle();
    EXPECT_EQ(detail->geometry(), page->rect()) << "laid over the page, filling it";
    delete detail;
    const Id underReview = Id(page->collectionArray())[1];
    page->collectionArray()->removeObjectAtIndex(0);
    EXPECT_EQ(underReview["is_publish"].integerValue(), 1);
    page->tableviewcellclick(0);
    EXPECT_EQ(topPage(page), nullptr);
    page->tableviewcellclick(7);
    EXPECT_EQ(topPage(page), nullptr);
}

TEST_F(KXPersonalCenterViewTest, TheCountersThePublishedCardAndTheBadgeFollowWhatEveryReadStores)
{
    const Id user = signInAs("demo", "demo1234");
    setDefault("my_orderClick", Id("1"));
    service().controls().setUnpaidOverride(0);
    auto* page = open();
    ASSERT_TRUE(loaded(page));
    ASSERT_TRUE(waitFor([&] { return page->collectionNumLabel()->text() == QStringLiteral("发布了2个收藏"); }));
    ASSERT_TRUE(waitForQuietTraffic());
    ASSERT_FALSE(page->orderNumLabel()->isVisible());

    // A folder made and submitted behind the page, then read by another view.
    const Id folder = run([](auto s, auto f) { KXHTTPBUSINESS().CreateGroupWithName(Id("走查中心"), s, f); }).reply["corvane_data"]["id"];
    run([&](auto s, auto f) {
        KXHTTPBUSINESS().publishCollection(folder, Id("0"), Id(""), Id("说明"), nullptr, Id("1"), Id("黑体"), nullptr, Id("走查中心"), s, f);
    });
    bool read = false;
    KXFolderSession::reloadFolders([&read](const auto&) { read = true; });
    ASSERT_TRUE(waitFor([&] { return read; }));
    EXPECT_EQ(page->groupsNum()->text(), QStringLiteral("5"));
    EXPECT_EQ(page->collectionNumLabel()->text(), QStringLiteral("发布了3个收藏"));
    EXPECT_EQ(page->collectionArray()->count(), 3u);

    // A collection followed behind it.
    std::string extra;
    for (const Id& card : *run([](auto s, auto f) { KXHTTPBUSINESS().getRecommendDataGroupSuceess(s, f); }).reply["corvane_data"]["collection"].array())
        if (extra.empty() && card["user_id"].integerValue() != user["uid"].integerValue())
            extra = card["id"].stringValue();
    ASSERT_FALSE(extra.empty());
    const auto follows = run([](auto s, auto f) { KXHTTPBUSINESS().GetFocusGroupsListSuceess(s, f); }).reply["corvane_data"]["follow"];
    bool already = false;
    for (const Id& card : *follows.array())
        already = already || card["id"].stringValue() == extra;
    run([&](auto s, auto f) { KXHTTPBUSINESS().isAttentionGroup(Id(extra), Id(already ? "0" : "1"), s, f); });
    read = false;
    KXFolderSession::reloadFollows([&read](const auto&) { read = true; });
    ASSERT_TRUE(waitFor([&] { return read; }));
    EXPECT_EQ(page->collectedNum()->text(), QString::number(already ? 1 : 3));
    run([&](auto s, auto f) { KXHTTPBUSINESS().isAttentionGroup(Id(extra), Id(already ? "1" : "0"), s, f); });

    // The unpaid orders counted by another view (the reminder, the order's read back).
    service().controls().setUnpaidOverride(2);
    run([](auto s, auto f) { KXHTTPBUSINESS().getUnpaidOriderSuceess(s, f); });
    EXPECT_TRUE(page->orderNumLabel()->isVisible());
    EXPECT_EQ(page->orderNumLabel()->text(), QStringLiteral("2"));
    service().controls().setUnpaidOverride(0);
    run([](auto s, auto f) { KXHTTPBUSINESS().getUnpaidOriderSuceess(s, f); });
    EXPECT_FALSE(page->orderNumLabel()->isVisible());

    run([&](auto s, auto f) { KXHTTPBUSINESS().DeleteGroupWithGroup_id(folder, s, f); });
}

TEST_F(KXPersonalCenterViewTest, TheUserShownFollowsEveryRecordStored)
{
    const Id user = signInAs("demo", "demo1234");
    auto* page = open();
    ASSERT_TRUE(loaded(page));
    ASSERT_TRUE(waitForQuietTraffic());
    ASSERT_EQ(page->nickName()->text(), QStringLiteral("demo"));
    // Another view read the record again (a sign-in, the agreement's read back).
    auto renamed = user.mutableCopy().as<foundation::MutableDictionary>();
    renamed->setObject(Id("demo2"), Id("uname"));
    KXUserCenterConfig::sharedKXUserCenterConfig().setUpUserconfigWithInfo(Id(renamed));
    EXPECT_EQ(page->nickName()->text(), QStringLiteral("demo2"));
}

TEST_F(KXPersonalCenterViewTest, ARefusedTokenShowsTheStoredUser)
{
    const Id user = signInAs("demo", "demo1234");
    KXUserCenterConfig::sharedKXUserCenterConfig().setUpUserconfigWithInfo(user);
    service().expireAllTokens();
    auto* page = open();
    ASSERT_TRUE(waitFor([&] { return !page->nickName()->text().isEmpty(); }));
    EXPECT_EQ(page->nickName()->text(), QStringLiteral("demo"));
    // All three requests went out (and nothing of this test reaches the next one's log).
    ASSERT_TRUE(waitFor([&] {
        const auto& log = service().requestLog();
        return !log.withTag("113").empty() && !log.withTag("137").empty() && !log.withTag("114").empty();
    }));
    EXPECT_EQ(page->groupsNum()->text(), QStringLiteral("--")) << "the counters stay as they were";
}

TEST_F(KXPersonalCenterViewTest, ACounterNoReplyGaveReadsDashesAndOneAReplyGaveStays)
{
    signInAs("demo", "demo1234");
    const auto counters = [](KXPersonalCenterView* page) {
        return QStringList{page->useDNum()->text(), page->groupsNum()->text(), page->collectedNum()->text()};
    };
    // Every request of a read has come in (the user, the folders, the counters), so none of them
    // reaches the next read's log or the next test's.
    const auto askedForCounters = [&](std::size_t times) {
        return waitFor([&] {
            const auto& log = service().requestLog();
            return log.withTag("113").size() == times && log.withTag("137").size() == times && log.withTag("114").size() == times;
        });
    };
    for (const auto kind : {localservice::Fault::Kind::Http500, localservice::Fault::Kind::NotJson, localservice::Fault::Kind::ErrorCode}) {
        service().requestLog().clear();
        setFault("getUserData", kind, kind == localservice::Fault::Kind::ErrorCode ? 500 : 0, "busy");
        auto* page = open();
        ASSERT_TRUE(askedForCounters(1));
        ASSERT_TRUE(waitFor([&] { return page->collectionScorllView()->isVisible(); })) << "the other replies are in";
        settle();
        EXPECT_EQ(counters(page), (QStringList{"--", "4", "--"})) << "no figure given, none made up; the folders' comes with the folders";
        delete page;
    }

    // Read once, then failing: what the service said stays.
    service().requestLog().clear();
    setFault("getUserData", localservice::Fault::Kind::None);
    auto* page = open();
    ASSERT_TRUE(loaded(page));
    const QStringList read = counters(page);
    EXPECT_EQ(read[1], QStringLiteral("4"));
    setFault("getUserData", localservice::Fault::Kind::Http500);
    page->setUPData();
    ASSERT_TRUE(askedForCounters(2));
    settle();
    EXPECT_EQ(counters(page), read);
}

TEST_F(KXPersonalCenterViewTest, WithoutATokenNothingIsAsked)
{
    auto* page = open();
    settle();
    EXPECT_EQ(service().requestLog().size(), 0u);
    EXPECT_TRUE(page->nickName()->text().isEmpty());
    EXPECT_FALSE(page->collectionScorllView()->isVisible());
}

TEST_F(KXPersonalCenterViewTest, TheOrdersLinkClearsTheReminderAndOpensTheOrdersPage)
{
    desktop::ScopedRecordingURLOpener opener;
    const Id user = signInAs("demo", "demo1234");
    setDefault("my_orderClick", Id("1"));
    service().controls().setUnpaidOverride(2);
    auto* page = open();
    ASSERT_TRUE(loaded(page));
    ASSERT_TRUE(waitFor([&] { return page->orderNumLabel()->isVisible(); }));
    int posted = 0;
    auto observation = dispatch::NotificationCenter::defaultCenter().addObserver("buyCartsGoToOrder", {}, nullptr,
                                                                                [&](const dispatch::Notification& n) {
                                                                                    EXPECT_TRUE(n.object.isNil());
                                                                                    EXPECT_EQ(n.userInfo, nullptr);
                                                                                    ++posted;
                                                                                });
    page->orderButton()->click();
    EXPECT_EQ(posted, 1);
    EXPECT_EQ(foundation::UserDefaults::standardUserDefaults().stringForKey("my_orderClick")->utf8(), "");
    EXPECT_FALSE(page->orderNumLabel()->isVisible());
    ASSERT_TRUE(waitFor([&] { return !opener.opened().empty(); }));
    EXPECT_EQ(opener.opened(), std::vector<std::string>{user["my_order"].stringValue()});
    EXPECT_EQ(service().requestLog().withTag("161").size(), 1u);

    opener.opener().clear();
    page->infoButton()->click();
    EXPECT_EQ(opener.opened(), std::vector<std::string>{user["myinfo_url"].stringValue()});
    opener.opener().clear();
    KXUserCenterConfig::sharedKXUserCenterConfig().setUpUserconfigWithInfo(Id(foundation::Dictionary::create(
        {{Id("uname"), Id("stored")}, {Id("myinfo_url"), Id("javascript:alert(1)")}})));
    page->settingBtn()->click();
    EXPECT_TRUE(opener.opened().empty()) << "only web addresses leave the client";
}

TEST_F(KXPersonalCenterViewTest, OrdersAndProfileLinksTheBrowserCannotOpenShowTheAddress)
{
    const Id user = signInAs("demo", "demo1234");
    auto* page = open();
    ASSERT_TRUE(loaded(page));
    const auto shownAddress = [&] {
        auto* alert = KXOpenFailedAlert::alertOf(page);
        return alert && alert->isVisible() ? alert->targetField()->toPlainText().toStdString() : std::string();
    };
    {
        desktop::ScopedRecordingURLOpener opener;
        opener.opener().setLaunchError("Could not start xdg-open");
        page->infoButton()->click();
        ASSERT_EQ(shownAddress(), user["myinfo_url"].stringValue());
        ASSERT_EQ(KXOpenFailedAlert::alertOf(page)->parentWidget(), page->window());
        KXOpenFailedAlert::alertOf(page)->closeBtnClick();
        page->orderButton()->click();
        ASSERT_TRUE(waitFor([&] { return !shownAddress().empty(); }));
        EXPECT_EQ(shownAddress(), user["my_order"].stringValue());
        KXOpenFailedAlert::alertOf(page)->closeBtnClick();
    }
    {
        testsupport::ScopedFailingSystemOpener opener;
        page->infoButton()->click();
        EXPECT_TRUE(shownAddress().empty()) << "the browser started; its exit comes later";
        ASSERT_TRUE(waitFor([&] { return !shownAddress().empty(); }));
        EXPECT_EQ(shownAddress(), user["myinfo_url"].stringValue());
        KXOpenFailedAlert::alertOf(page)->closeBtnClick();
    }
    // The late failure of a page that is gone shows nothing.
    testsupport::ScopedHeldFailureOpener opener;
    page->settingBtn()->click();
    ASSERT_EQ(opener.held(), 1u);
    delete page;
    opener.failAll();
    EXPECT_FALSE(KXOpenFailedAlert::alertOf(&host_)->isVisible());
}

TEST_F(KXPersonalCenterViewTest, EveryPageItOpensLiesOverIt)
{
    auto* page = open();
    const std::pair<KXBaseButton*, Page> buttons[] = {
        {page->moreBtn(), Page::Publish},
        {page->logoutBtn(), Page::Quit},
        {page->followsButton(), Page::FollowedCollections},
        {page->favouritesButton(), Page::FavouriteFolders},
    };
    for (const auto& [button, kind] : buttons) {
        button->click();
        auto* opened = topPage(page);
        ASSERT_NE(opened, nullptr);
        EXPECT_EQ(opened->page, kind);
        settle();
        EXPECT_EQ(opened->geometry(), page->rect());
        delete opened;
    }
    page->vipBtnClick();
    auto* vip = page->findChild<KXVipAlertView*>(QString(), Qt::FindDirectChildrenOnly);
    ASSERT_NE(vip, nullptr);
    settle();
    EXPECT_EQ(vip->geometry(), page->rect());

    KXPersonalCenterPages::registerCreator(Page::Quit, nullptr);
    page->logoutBtn()->click();
    EXPECT_EQ(topPage(page), nullptr) << "no creator, no page";

    QPointer<KXPersonalCenterView> alive(page);
    page->backBtn()->click();
    EXPECT_EQ(page->parentWidget(), nullptr);
    settle();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(alive.isNull()) << "the page is removed";
}

TEST_F(KXPersonalCenterViewTest, TheButtonsItOnlyStylesAreWhiteHiddenAndDoNothing)
{
    desktop::ScopedRecordingURLOpener opener;
    auto* page = open();
    const QObjectList before = page->children();
    for (KXBaseButton* button : {page->authorizationBtn(), page->fontCacheBtn(), page->feedBackBtn(), page->fontFormat(), page->changePwd(),
                                 page->upLoadBtn(), page->aboutBtn(), page->helpBtn(), page->clearLastButton()}) {
        auto* styled = dynamic_cast<KXFillButton*>(button);
        ASSERT_NE(styled, nullptr);
        EXPECT_EQ(styled->fill(), QColor(Qt::white)) << styled->title().toStdString();
        EXPECT_TRUE(styled->isHidden()) << styled->title().toStdString();
        styled->click();
    }
    settle();
    EXPECT_EQ(page->children(), before) << "nothing laid over the page";
    EXPECT_TRUE(opener.opened().empty());
    EXPECT_EQ(service().requestLog().size(), 0u);
}

TEST_F(KXPersonalCenterViewTest, TheConstraintOutletsPlaceThePublishedCollections)
{
    auto* page = open();
    settle();
    EXPECT_EQ(page->collectionScorllView()->geometry(), QRect(15, 322, KXPersonalCenterView::kWidth - 30, 30 + KXPersonalCenterView::kTableRowHeight));
    page->scrollTop()->setOffset(300);
    page->scrollHeigh()->setOffset(120);
    settle();
    EXPECT_EQ(page->collectionScorllView()->geometry(), QRect(15, 300, KXPersonalCenterView::kWidth - 30, 120));
}

TEST_F(KXPersonalCenterViewTest, OnAWidePageTheBodyIsACentredColumnItsPiecesInTheirShares)
{
    auto* page = open();
    settle();
    const auto frameIn = [page](QWidget* view) { return QRect(view->mapTo(page, QPoint(0, 0)), view->size()); };
    const auto centreIn = [&](QWidget* view) { const QRect frame = frameIn(view); return frame.left() + frame.width() / 2.0; };
    // Laid out at `width`: the band, the four ways out and the counters' centres follow the column.
    const auto expectColumn = [&](int width, int column) {
        SCOPED_TRACE(width);
        const int left = (width - column) / 2;
        const QRect band = frameIn(page->tagsBg());
        EXPECT_EQ(band, QRect(left + 15, 152, column - 30, 60));
        const int half = (column - 46) / 2;
        EXPECT_EQ(frameIn(page->orderButton()), QRect(left + 15, 224, half, 38));
        EXPECT_EQ(frameIn(page->infoButton()), QRect(left + column / 2 + 8, 224, half, 38));
        EXPECT_EQ(frameIn(page->favouritesButton()), QRect(left + 15, 270, half, 38));
        EXPECT_EQ(frameIn(page->followsButton()), QRect(left + column / 2 + 8, 270, half, 38));
        int sixths = 1;
        for (QLabel* counter : {page->useDNum(), page->groupsNum(), page->collectedNum()}) {
            EXPECT_NEAR(centreIn(counter), band.left() + band.width() * sixths / 6.0, 1.0);
            sixths += 2;
        }
    };
    expectColumn(KXPersonalCenterView::kWidth, KXPersonalCenterView::kWidth);

    const int wide = 1200;
    host_.resize(wide, 680);
    page->setGeometry(0, 0, wide, 680);
    settle();
    expectColumn(wide, kxpage::kMaxColumnWidth);
}

TEST_F(KXPersonalCenterViewTest, OnTheShortestWindowThePageScrollsAndNothingLiesOverThePublishedCard)
{
    signInAs("demo", "demo1234");
    auto* page = open();
    ASSERT_TRUE(waitFor([&] { return page->collectionScorllView()->isVisible(); }));
    const auto frameIn = [](QWidget* view, QWidget* in) { return QRect(view->mapTo(in, QPoint(0, 0)), view->size()); };
    // The main window's least height at 1.25 on 1280 x 720 and at 2.0 on 1600 x 1000.
    for (const int height : {556, 486}) {
        SCOPED_TRACE(height);
        host_.resize(KXPersonalCenterView::kWidth, height);
        page->setGeometry(0, 0, KXPersonalCenterView::kWidth, height);
        settle();
        const QRect card = frameIn(page->collectionScorllView(), page);
        const QRect version = frameIn(page->versionLabel(), page);
        EXPECT_GT(version.top(), card.bottom()) << "the version line stays below the published card";

        // Wheel turns over the page (as the pieces under the pointer pass them on to the page's
        // viewport) bring the card's name strip and the version line into view.
        QWidget* viewport = page->scrollArea()->viewport();
        for (int turn = 0; turn < 10; ++turn) {
            const QPointF local(KXPersonalCenterView::kWidth / 2, height / 2);
            QWheelEvent wheel(local, viewport->mapToGlobal(local), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                              Qt::NoScrollPhase, false);
            QApplication::sendEvent(viewport, &wheel);
        }
        EXPECT_EQ(page->scrollBar()->value(), page->scrollBar()->maximum());
        settle();
        EXPECT_TRUE(page->rect().contains(frameIn(page->collectionScorllView(), page))) << "the whole card, name strip included";
        EXPECT_TRUE(page->rect().contains(frameIn(page->versionLabel(), page)));
        EXPECT_TRUE(page->scrollBar()->isVisible());
        EXPECT_LE(page->scrollBar()->width(), 15) << "over the page's right margin";
        EXPECT_EQ(page->collectionScorllView()->width(), KXPersonalCenterView::kWidth - 30) << "the content keeps the page's width";
        page->scrollBar()->setValue(0);
    }

    // A window tall enough shows everything unscrolled, the version line at the page's foot.
    host_.resize(KXPersonalCenterView::kWidth, 680);
    page->setGeometry(0, 0, KXPersonalCenterView::kWidth, 680);
    settle();
    EXPECT_FALSE(page->scrollBar()->isVisible());
    EXPECT_EQ(frameIn(page->versionLabel(), page).bottom(), 680 - 10 - 1);
}

// Reads from elsewhere while the person is in the page (the folders and the followed list of
// other views, the user's record renewed, the unpaid count) keep what the person did there: the
// page's scroll and the page laid over it.
TEST_F(KXPersonalCenterViewTest, ReadsFromElsewhereKeepTheScrollAndThePageLaidOver)
{
    signInAs("demo", "demo1234");
    setDefault("my_orderClick", Id("1"));
    auto* page = open();
    ASSERT_TRUE(loaded(page));
    ASSERT_TRUE(waitFor([&] { return page->collectionScorllView()->isVisible(); }));
    ASSERT_TRUE(waitForQuietTraffic());
    host_.resize(KXPersonalCenterView::kWidth, 486);
    page->setGeometry(0, 0, KXPersonalCenterView::kWidth, 486);
    settle();
    ASSERT_GT(page->scrollBar()->maximum(), 0);
    page->scrollBar()->setValue(page->scrollBar()->maximum());
    page->myfocusBtnClick();
    settle();
    const int scrolled = page->scrollBar()->value();
    ASSERT_GT(scrolled, 0);
    ASSERT_NE(topPage(page), nullptr);

    KXFolderSession::reloadFolders();
    KXFolderSession::reloadFollows();
    service().controls().setUnpaidOverride(3);
    run([](auto s, auto f) { KXHTTPBUSINESS().getUnpaidOriderSuceess(s, f); });
    run([](auto s, auto f) { KXHTTPBUSINESS().LoginWithName(Id(""), Id(""), s, f); });
    ASSERT_TRUE(waitForQuietTraffic());
    settle();
    EXPECT_EQ(page->orderNumLabel()->text(), QStringLiteral("3")) << "the reads were shown";
    EXPECT_EQ(page->scrollBar()->value(), scrolled);
    ASSERT_NE(topPage(page), nullptr);
    EXPECT_EQ(topPage(page)->page, Page::FollowedCollections);
    EXPECT_TRUE(topPage(page)->isVisible());
}

TEST_F(KXPersonalCenterViewTest, TheNameKeepsItsWholeWidthThroughAMaximiseAndARestore)
{
    // Built on its own, then laid over the window, as the hub opens it.
    signInAs("demo", "demo1234");
    auto* page = new KXPersonalCenterView();
    page->setParent(&host_);
    page->setGeometry(0, 0, KXPersonalCenterView::kWidth, 680);
    host_.resize(KXPersonalCenterView::kWidth, 680);
    host_.show();
    page->show();
    ASSERT_TRUE(loaded(page));
    settle();
    QLabel* name = page->nickName();
    const int whole = name->sizeHint().width();
    for (const int width : {2000, KXPersonalCenterView::kWidth, 1366, KXPersonalCenterView::kWidth}) {
        SCOPED_TRACE(width);
        host_.resize(width, 680);
        page->setGeometry(0, 0, width, 680);
        settle();
        EXPECT_EQ(name->width(), whole);
        EXPECT_NEAR(name->x() + name->width() / 2.0, name->parentWidget()->width() / 2.0, 1.0) << "centred";
    }
}
