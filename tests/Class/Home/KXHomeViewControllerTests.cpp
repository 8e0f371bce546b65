#include "Class/Home/KXHomeViewController.h"

#include "Class/Account/KXLoginWindowController.h"
#include "Class/AppShell/KXDataMoveView.h"
#include "Class/AppShell/KXMigration.h"
#include "Class/Favourites/KXFontManagerView.h"
#include "Class/Favourites/KXHomeRecomDetailView.h"
#include "Class/Favourites/KXHomeRecommendView.h"
#include "Class/Favourites/KXMyfocusSetView.h"
#include "Class/FontList/Core/KXDownloadedFontMap.h"
#include "Class/FontList/KXFontListModel.h"
#include "Class/FontList/KXHomeListView.h"
#include "Class/ImageViews/ImageView.h"
#include "Platform/Graphics/Image.h"
#include "Class/Home/KXNewHomeUserGuideView.h"
#include "Class/Home/KXTopSubview.h"
#include "Class/ServiceCore/Catalogue/KXFilterTagList.h"
#include "Class/ServiceCore/Catalogue/KXFontBaseModel.h"
#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"
#include "Class/ServiceCore/Fonts/KXHomeLocalManager.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/ServiceCore/UnitTools/KXFileManager.h"
#include "Class/ServiceCore/UnitTools/KXReplyShape.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Class/UIKit/KXBaseTextField.h"
#include "Class/UIKit/KXBaseView.h"
#include "Class/UIKit/KXOpenFailedAlert.h"
#include "Class/UIKit/KXWindowDrag.h"
#include "Class/Theme/ToastPresenter.h"
#include "Class/Update/KXUPDateAPPView.h"
#include "Platform/Crypto/Base64.h"
#include "Platform/Desktop/URLOpener.h"
#include "Platform/Dispatch/Queue.h"
#include "Platform/Dispatch/RunLoop.h"
#include "Platform/Dispatch/Semaphore.h"
#include "Platform/Serialization/JSONSerialization.h"
#include "Platform/Storage/Paths.h"
#include "Platform/Storage/UserDefaults.h"
#include "HomeTestSupport.h"
#include "Support/FailingOpeners.h"

#include <QApplication>
#include <QChildEvent>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTableWidget>
#include <QTest>
#include <QWindow>

#include <filesystem>
#include <fstream>
#include <malloc.h>
#include <memory>

using foundation::Id;

namespace {

foundation::UserDefaults& hubDefaults()
{
    return foundation::UserDefaults::standardUserDefaults();
}

class KXHomeViewControllerTest : public hometest::HubTest {
protected:
    static std::string signIn(const char* name = "demo", const char* password = "demo1234")
    {
        return HubTest::signIn(name, password)["token"].stringValue();
    }
};

// The former client's account and one used font where the migration looks for them, on an
// installation without downloaded fonts; all of it is taken away again afterwards.
class KXHomeMigrationTest : public KXHomeViewControllerTest {
protected:
    static constexpr const char* kFontFile = "DejaVuSerif.ttf";

    void SetUp() override
    {
        KXHomeViewControllerTest::SetUp();
        namespace fs = std::filesystem;
        hubDefaults().removeObjectForKey("datemove");
        fs::create_directories(sources_.accountFile.parent_path());
        std::ofstream(sources_.accountFile) << crypto::base64Encode(std::string_view(R"({"user": "demo", "pass": "demo1234"})"));
        fs::create_directories(sources_.usedFonts);
        fs::copy_file(std::string("/usr/share/fonts/truetype/dejavu/") + kFontFile, sources_.usedFonts / kFontFile,
                      fs::copy_options::overwrite_existing);
        keptMap_ = KXDownloadedFontMap::shared().map();
        KXDownloadedFontMap::shared().update([](foundation::MutableDictionary& map) { map.removeAllObjects(); });
    }

    void TearDown() override
    {
        KXHomeViewControllerTest::TearDown();
        namespace fs = std::filesystem;
        fs::remove(sources_.accountFile);
        fs::remove_all(sources_.usedFonts);
        fs::remove(sources_.fontsFolder / kFontFile);
        KXDownloadedFontMap::shared().update([this](foundation::MutableDictionary& map) { map.setDictionary(*keptMap_); });
        hubDefaults().removeObjectForKey("token");
    }

    const KXMigration::Sources sources_ = KXMigration::systemSources();
    foundation::Ref<foundation::Dictionary> keptMap_;
};

// Records the migration overlay when it is laid on the hub: the migration may be over before the
// test looks at the hub's subviews.
class MigrationWatch : public QObject {
public:
    QPointer<KXDataMoveView> overlay;
    int added = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::ChildAdded) {
            if (auto* view = qobject_cast<KXDataMoveView*>(static_cast<QChildEvent*>(event)->child())) {
                overlay = view;
                ++added;
            }
        }
        return false;
    }
};

} // namespace

TEST_F(KXHomeViewControllerTest, BuildsTheMenuWithTheCloudTabSelected)
{
    auto& home = open();
    std::vector<std::string> titles;
    for (auto* tab : home.tabs())
        titles.push_back(tab->identifier().toStdString());
    EXPECT_EQ(titles, (std::vector<std::string>{"推荐", "云字库", "字体商城", "本地字库", "最近常用", "收藏的字体", "关注的合集"}));
    EXPECT_EQ(home.selectedTabView(), home.cloudBtn());
    EXPECT_EQ(selectedTabs(), std::vector<KXLeftTabView*>{home.cloudBtn()});
    EXPECT_EQ(home.rightListview()->tabTypeNum(), 1);
    EXPECT_EQ(home.nickNameLabel()->text(), QStringLiteral("登录/注册"));
    EXPECT_EQ(hubDefaults().stringForKey("the")->utf8(), "0");
    EXPECT_TRUE(home.alertBtn()->isHidden()) << "no questionnaire";
    EXPECT_EQ(home.shoppingCartBtn()->toolTip(), QStringLiteral("购物车"));
    EXPECT_EQ(home.extendBtn()->toolTip(), QStringLiteral("拓展"));
    EXPECT_EQ(home.collectionMenu()->title(), QStringLiteral("12345678"));
    ASSERT_EQ(home.collectionMenu()->actions().size(), 2);
    EXPECT_EQ(home.collectionMenu()->actions()[0]->text(), QStringLiteral("删除分组"));
    EXPECT_EQ(home.followMenu()->actions()[1]->text(), QStringLiteral("查看详情"));
    // The left menu and the list are the two subviews that always stay.
    EXPECT_EQ(kx_subviews(&home), (std::vector<QWidget*>{home.leftMenu(), home.rightListview()}));
    EXPECT_GT(home.rightListview()->dataArray()->count(), 0u) << "the cloud catalogue";
}

TEST_F(KXHomeViewControllerTest, GeometryOfTheMenu)
{
    auto& home = open();
    EXPECT_EQ(home.leftMenu()->geometry(), QRect(0, 0, 90, 860));
    EXPECT_EQ(home.rightListview()->geometry(), QRect(90, 0, 310, 860));
    EXPECT_EQ(home.stretchBtn()->geometry(), QRect(0, 22, 90, 20));
    EXPECT_EQ(home.avatarImg()->geometry(), QRect(20, 56, 50, 50));
    EXPECT_EQ(home.nickNameLabel()->y(), 114);
    EXPECT_EQ(home.orderNumLabel()->geometry(), QRect(54, 56, 16, 16));
    const int line = home.nickNameLabel()->geometry().bottom() + 1 + 18;
    EXPECT_EQ(home.leftMenuLine()->geometry(), QRect(0, line, 90, 1));
    int top = line + 1 + 10;
    for (auto* tab : {home.recommendBtn(), home.fontStoreBtn(), home.cloudBtn(), home.localBtn(), home.recentBtn()}) {
        EXPECT_EQ(tab->geometry(), QRect(0, top, 93, 30)) << tab->identifier().toStdString();
        top += 35;
    }
    EXPECT_EQ(home.leftMenuLine2()->geometry(), QRect(0, top, 90, 1));
    EXPECT_EQ(home.fontManagerBtn()->geometry(), QRect(0, top + 16, 90, 30));
    EXPECT_EQ(home.myFocusBtn()->geometry(), QRect(0, top + 46, 90, 30));
    EXPECT_EQ(home.alertBtn()->geometry(), QRect(24, 860 - 110 - 48, 48, 48));
    EXPECT_EQ(home.shoppingCartBtn()->geometry(), QRect(19, 860 - 50 - 50, 52, 50));
    EXPECT_EQ(home.extendBtn()->geometry(), QRect(35, 860 - 14 - 20, 20, 20));
    EXPECT_EQ(home.buyCartNumLabel()->geometry(), QRect(54, 860 - 80 - 8, 8, 8));
}

TEST_F(KXHomeViewControllerTest, TheFirstRunShowsTheGuideOnce)
{
    hubDefaults().removeObjectForKey("install");
    auto& first = open();
    EXPECT_EQ(hubDefaults().stringForKey("install")->utf8(), "yes");
    auto* guide = qobject_cast<KXNewHomeUserGuideView*>(kx_topSubview(&first));
    ASSERT_NE(guide, nullptr);
    EXPECT_EQ(guide->geometry(), first.rect());
    EXPECT_TRUE(guide->isAnimating());
    EXPECT_TRUE(guide->imgV()->isPlaying()) << "the guide's picture plays";
    EXPECT_EQ(guide->imgV()->image()->size(), QSizeF(300, 380));
    guide->sureBtn()->click();
    EXPECT_EQ(kx_subviews(&first).size(), 2u);

    auto& second = open();
    EXPECT_EQ(kx_subviews(&second).size(), 2u) << "no guide the second time";
}

TEST_F(KXHomeViewControllerTest, ANewerVersionIsOffered)
{
    service().setVersionInfo("0.1.0_beta", "notes", "https://s.example/corvane.deb");
    EXPECT_EQ(kx_subviews(&open()).size(), 2u) << "equal once the beta mark is gone";

    service().setVersionInfo("0.1.1", "修复若干问题", "https://s.example/corvane-0.1.1.deb");
    auto& home = open();
    auto* prompt = qobject_cast<KXUPDateAPPView*>(kx_topSubview(&home));
    ASSERT_NE(prompt, nullptr);
    EXPECT_EQ(prompt->version(), QStringLiteral("0.1.1"));
    EXPECT_EQ(prompt->content(), QStringLiteral("修复若干问题"));
    EXPECT_EQ(KXGlobalDataBase::sharedKXGlobalDataBase().downLoadUrl()->utf8(), "https://s.example/corvane-0.1.1.deb");
}

TEST_F(KXHomeViewControllerTest, QuestionnaireButtonAndCartBadgeFollowTheService)
{
    hubDefaults().setObject(Id("https://s.example/q.png"), "questionnaire");
    signIn();
    auto& home = open();
    EXPECT_FALSE(home.alertBtn()->isHidden());
    // Asked at construction and again as the view appears.
    ASSERT_TRUE(waitFor([&] { return service().requestLog().withTag("155").size() == 2; }));
    settle();
    EXPECT_TRUE(home.buyCartNumLabel()->isVisible()) << "the demo user has fonts in the cart";

    service().requestLog().clear();
    signIn("newbie", "newbie123");
    auto& empty = open();
    ASSERT_TRUE(waitFor([&] { return service().requestLog().withTag("155").size() == 2; }));
    settle();
    EXPECT_FALSE(empty.buyCartNumLabel()->isVisible());
}

TEST_F(KXHomeViewControllerTest, TheVipMarkAndRing)
{
    hubDefaults().setObject(Id("1"), "vip_type");
    // Only the account signed in is shown: a VIP type left by a former account is nobody's.
    EXPECT_FALSE(open().vipMarkIMG()->isVisible());
    hub_.reset();
    signIn();
    hubDefaults().setObject(Id("1"), "vip_type");
    auto& home = open();
    ASSERT_TRUE(home.vipMarkIMG()->isVisible());
    EXPECT_EQ(home.vipMarkIMG()->geometry().bottomRight(), home.avatarImg()->geometry().bottomRight());
    EXPECT_EQ(home.avatarImg()->borderWidth(), 1.8);
    EXPECT_EQ(home.avatarImg()->borderColor(), QColor(215, 178, 127));
}

TEST_F(KXHomeViewControllerTest, FilterTagsReachTheListEnglishFirst)
{
    // The tags are stored off the main thread: while their file's queue is held, the list has them
    // and the file does not.
    auto& files = KXFileManager::sharedKXFileManager();
    const auto key = foundation::String::create("filterData");
    files.removeFileByPathkey(key);
    dispatch::Semaphore hold;
    files.backgroundWriteQueue(key)->async([hold]() mutable { hold.wait(20); });
    auto& home = open();
    const bool listed = waitFor([&] { return home.rightListview()->filterDataArray() != nullptr; });
    const bool storedMeanwhile = std::filesystem::exists(files.pathForDocumentWithComponent(key)->utf8());
    hold.signal();
    ASSERT_TRUE(listed);
    EXPECT_FALSE(storedMeanwhile);
    const Id groups(home.rightListview()->filterDataArray());
    ASSERT_EQ(groups.count(), 2u);
    EXPECT_GT(groups[1].count(), 0u);
    EXPECT_TRUE(groups[1][0].dictionary());
    const Id archived = KXFileManager::sharedKXFileManager().returnDecryptDataByPathKey(foundation::String::create("filterData"));
    EXPECT_TRUE(archived["ZH"].array());
}

TEST_F(KXHomeViewControllerTest, EachShowReplacesTheFilterTagsInsteadOfAddingToThem)
{
    auto& home = open();
    ASSERT_TRUE(waitFor([&] { return home.rightListview()->filterDataArray() != nullptr; }));
    const auto first = home.rightListview()->filterDataArray();
    ASSERT_EQ(first->count(), 2u);
    for (int shown = 0; shown < 3; ++shown) {
        home.hide();
        home.show();
        settle();
    }
    const auto now = home.rightListview()->filterDataArray();
    ASSERT_TRUE(now);
    EXPECT_EQ(now->count(), 2u) << "one pair, [foreign, Chinese], however often the window shows";
    EXPECT_NE(now, first) << "the latest reply's pair";
    EXPECT_EQ(first->count(), 2u) << "a page given the former pair keeps it as it was";
}

TEST(KXHomeViewControllerFilters, TheStoredTagsKeepAllTheListReadsAndNothingElse)
{
    std::string text = R"({"ENG": [{"classname": "Weight", "icon": "w.png", "data": [{"tagname": "Thin", "tagid": "1", "hot": 1}, 4]}],
                          "ZH": [{"classname": "字重", "data": [{"tagname": "细", "tagid": 2}]}, {"classname": "空"}], "tags": [0)";
    for (int i = 1; i < 100'000; ++i)
        text += ",0";
    text += "]}";
    const Id tags = foundation::JSONSerialization::JSONObjectWithData(foundation::Data::create(std::string_view(text)), 0);
    const Id kept = KXHomeViewController::filterTagsShape().keep(tags);
    const Id expected = foundation::JSONSerialization::JSONObjectWithData(
        foundation::Data::create(std::string_view(R"({"ENG": [{"classname": "Weight", "data": [{"tagname": "Thin", "tagid": "1"}]}],
                                                     "ZH": [{"classname": "字重", "data": [{"tagname": "细", "tagid": 2}]}, {"classname": "空"}]})")),
        0);
    EXPECT_TRUE(kept.isEqual(expected)) << kept.description();

    // What the list is given from the kept tags is what it is given from the whole reply.
    const auto names = [](const Id& groups) {
        std::vector<std::string> out;
        for (const Id& language : groups.array()->objects()) {
            for (const Id& group : language.array()->objects()) {
                for (const auto& entry : *group.dictionary()) {
                    out.push_back(entry.key.stringValue());
                    const auto* list = entry.value.ptr<KXFilterTagList>();
                    for (std::size_t i = 0; list && i < list->count(); ++i)
                        out.push_back(std::string(list->tagname(i)) + "=" + std::string(list->tagid(i)));
                }
            }
            out.push_back("|");
        }
        return out;
    };
    EXPECT_EQ(names(Id(KXHomeViewController::filterGroups(kept))), names(Id(KXHomeViewController::filterGroups(tags))));
    EXPECT_EQ(names(Id(KXHomeViewController::filterGroups(kept))), (std::vector<std::string>{"Weight", "Thin=1", "|", "字重", "细=2", "|"}));
}

TEST(KXHomeViewControllerFilters, TagsKeptUnopenedCostAboutWhatTheirTextCosts)
{
    // 24,000 tags in each of ten classes, as a service may send them: what the list keeps of them
    // is their text and a few bytes a tag, not an object or two per tag.
    constexpr int kPerClass = 24000;
    std::size_t text = 0;
    auto reply = foundation::MutableDictionary::create();
    for (const char* language : { "ENG", "ZH" }) {
        auto classes = foundation::MutableArray::create();
        for (int c = 0; c < 5; ++c) {
            auto tags = foundation::MutableArray::create();
            for (int i = 0; i < kPerClass; ++i) {
                const std::string name = "风格标签" + std::to_string(i);
                const std::string identifier = std::to_string(c * kPerClass + i);
                text += name.size() + identifier.size();
                tags->addObject(Id(foundation::Dictionary::create(
                    { { Id("tagname"), Id(name) }, { Id("tagid"), Id(identifier) } })));
            }
            classes->addObject(Id(foundation::Dictionary::create(
                { { Id("classname"), Id("类" + std::to_string(c)) }, { Id("data"), Id(tags) } })));
        }
        reply->setObject(Id(classes), language);
    }
    const auto heap = [] {
        const struct mallinfo2 info = mallinfo2();
        return info.uordblks + info.hblkhd;
    };
    const std::size_t before = heap();
    if (before == 0)
        GTEST_SKIP() << "this allocator does not report its heap";
    const auto groups = KXHomeViewController::filterGroups(Id(reply));
    const std::size_t kept = heap() - before;
    const std::size_t tags = 10 * kPerClass;
    EXPECT_LE(kept, text + tags * 8 + 64 * 1024) << kept << " bytes kept for " << text << " bytes of text";
    ASSERT_EQ(groups->count(), 2u);
    ASSERT_EQ(Id(groups)[1].count(), 5u);
    const auto* last = Id(groups)[1][4]["类4"].ptr<KXFilterTagList>();
    ASSERT_TRUE(last);
    EXPECT_EQ(last->count(), static_cast<std::size_t>(kPerClass));
    EXPECT_EQ(last->tagname(kPerClass - 1), "风格标签23999");
}

TEST(KXHomeViewControllerFilters, AnEmptyEnglishListStillTakesIndexZero)
{
    const Id tags = foundation::JSONSerialization::JSONObjectWithData(
        foundation::Data::create(std::string_view(R"({"ENG": [], "ZH": [
            {"classname": "字重", "data": [{"tagname": "细", "tagid": "1"}, {"tagname": "粗", "tagid": "8"}]},
            {"classname": "空", "data": "none"},
            {"data": [{"tagname": "无名", "tagid": "3"}]}]})")),
        0);
    const Id groups(KXHomeViewController::filterGroups(tags));
    ASSERT_EQ(groups.count(), 2u);
    EXPECT_EQ(groups[0].count(), 0u);
    ASSERT_EQ(groups[1].count(), 1u) << "groups without models or name are left out";
    const auto* weights = groups[1][0]["字重"].ptr<KXFilterTagList>();
    ASSERT_TRUE(weights);
    ASSERT_EQ(weights->count(), 2u);
    EXPECT_EQ(weights->tagname(1), "粗");
    EXPECT_EQ(weights->tagid(1), "8");
}

TEST_F(KXHomeViewControllerTest, TheMigrationIsCheckedOnceAndNeverShownWithoutAnAccount)
{
    hubDefaults().removeObjectForKey("datemove");
    auto& home = open();
    EXPECT_EQ(hubDefaults().stringForKey("datemove")->utf8(), "YES");
    for (QWidget* view : kx_subviews(&home))
        EXPECT_EQ(qobject_cast<KXDataMoveView*>(view), nullptr);
}

TEST_F(KXHomeMigrationTest, AFormerAccountPutsTheMigrationOnTheWindowUntilItSignedIn)
{
    MigrationWatch watch;
    hub_ = std::make_unique<KXHomeViewController>();
    hub_->installEventFilter(&watch);
    hub_->resize(400, 860);
    hub_->show();
    QApplication::processEvents();
    ASSERT_TRUE(waitFor([&] { return watch.added > 0; })) << "the first appearance adds the overlay";
    QPointer<KXDataMoveView> overlay = watch.overlay;
    ASSERT_TRUE(waitFor([&] { return !overlay || overlay->isFinished(); }));
    settle();

    EXPECT_EQ(watch.added, 1);
    EXPECT_TRUE(!overlay || !overlay->parentWidget()) << "the overlay leaves once the account is in";
    EXPECT_EQ(hubDefaults().stringForKey("datemove")->utf8(), "YES");
    EXPECT_TRUE(std::filesystem::exists(sources_.fontsFolder / kFontFile));
    EXPECT_EQ(KXDownloadedFontMap::shared().map()->count(), 1u) << "the copy is recorded by its family";
    const auto signIns = service().requestLog().withTag("114");
    ASSERT_EQ(signIns.size(), 1u);
    EXPECT_EQ(*signIns[0].param("name"), "demo");
    EXPECT_TRUE(KXUserCenterConfig::sharedKXUserCenterConfig().islogin());
    EXPECT_NE(hub_->nickNameLabel()->text(), QStringLiteral("登录/注册")) << "the hub heard the sign-in";
}

TEST_F(KXHomeViewControllerTest, TouchingATabClosesTheOverlaysAboveTheMenuAndTheList)
{
    auto& home = open();
    home.tabViewTouched(home.localBtn());
    addOverlay();
    addOverlay();
    home.tabViewTouched(home.cloudBtn());
    EXPECT_EQ(kx_subviews(&home).size(), 2u);
    EXPECT_EQ(home.rightListview()->tabTypeNum(), 1);
    EXPECT_EQ(selectedTabs(), std::vector<KXLeftTabView*>{home.cloudBtn()});
}

TEST_F(KXHomeViewControllerTest, TheMenusBackgroundMovesTheWindowOnADragNotOnATap)
{
    auto& home = open();
    std::vector<QWindow*> starts;
    kx_setWindowMoveStarter([&starts](QWindow* window) { starts.push_back(window); });
    const int distance = QApplication::startDragDistance();
    // The strip above the menu's collapse button and the menu's empty part above its bell.
    for (const QPoint at : {QPoint(45, 8), QPoint(45, home.alertBtn()->y() - 20)}) {
        SCOPED_TRACE(testing::Message() << "at " << at.x() << ", " << at.y());
        QWidget* under = home.childAt(at) ? home.childAt(at) : &home;
        const QPoint local = under->mapFrom(&home, at);
        QTest::mouseClick(under, Qt::LeftButton, {}, local);
        EXPECT_TRUE(starts.empty()) << "a tap moves nothing";
        QTest::mousePress(under, Qt::LeftButton, {}, local);
        QTest::mouseMove(under, local + QPoint(0, distance));
        QTest::mouseRelease(under, Qt::LeftButton, {}, local + QPoint(0, distance));
        EXPECT_EQ(starts, std::vector<QWindow*>{home.window()->windowHandle()}) << "a drag moves the window";
        starts.clear();
    }
    kx_setWindowMoveStarter({});
}

TEST_F(KXHomeViewControllerTest, TheUpdatePromptHoldsTheWindow)
{
    auto& home = open();
    auto* prompt = new KXUPDateAPPView(&home);
    prompt->show();
    QPointer<QWidget> feedback = addOverlay();
    home.tabViewTouched(home.localBtn());
    EXPECT_TRUE(!feedback || !feedback->parentWidget()) << "what lies above the prompt goes";
    EXPECT_EQ(kx_topSubview(&home), prompt);
    EXPECT_EQ(home.rightListview()->tabTypeNum(), 1);
    EXPECT_EQ(home.selectedTabView(), home.cloudBtn());
    prompt->laterButton()->click();
    home.tabViewTouched(home.localBtn());
    EXPECT_EQ(home.rightListview()->tabTypeNum(), 2);
}

TEST_F(KXHomeViewControllerTest, TheLocalTabListsTheInstalledFonts)
{
    auto& home = open();
    home.tabViewTouched(home.localBtn());
    hometest::waitForLocalFonts();
    EXPECT_EQ(home.rightListview()->tabTypeNum(), 2);
    EXPECT_EQ(home.rightListview()->dataArray()->count(), KXHomeLocalManager().localFontsArray()->count());
    EXPECT_EQ(KXGlobalDataBase::sharedKXGlobalDataBase().currentModule()->utf8(), "本地字库");
    EXPECT_EQ(selectedTabs(), std::vector<KXLeftTabView*>{home.localBtn()});
}

TEST_F(KXHomeViewControllerTest, TheLocalTabKeepsItsRowsUntilAFontChanges)
{
    namespace fs = std::filesystem;
    const fs::path userFonts = foundation::Paths::userFontsDirectory();
    fs::remove_all(userFonts);
    fs::create_directories(userFonts);
    fs::copy_file("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", userFonts / "DejaVuSans.ttf");
    auto& home = open();
    KXHomeListView& list = *home.rightListview();
    home.tabViewTouched(home.localBtn());
    hometest::waitForLocalFonts();
    const auto first = list.dataArray();
    ASSERT_EQ(first->count(), KXHomeLocalManager().localFontsArray()->count());
    const Id dejaVu = first->objectAtIndex(0);
    EXPECT_EQ(dejaVu.ptr<KXFontBaseModel>()->pName->utf8(), "DejaVuSans");

    home.tabViewTouched(home.cloudBtn());
    home.tabViewTouched(home.localBtn());
    EXPECT_EQ(list.dataArray(), first) << "nothing changed: the rows shown before";
    hometest::waitForLocalFonts();
    EXPECT_EQ(list.dataArray(), first) << "the look in the background found nothing new";

    list.listModel()->removeRecordAt(0);
    home.tabViewTouched(home.localBtn());
    ASSERT_EQ(list.dataArray()->count(), KXHomeLocalManager().localFontsArray()->count()) << "a row the list took out comes back";
    EXPECT_EQ(list.dataArray()->objectAtIndex(0), dejaVu);
    hometest::waitForLocalFonts();
    const std::size_t before = list.dataArray()->count();

    fs::copy_file("/usr/share/fonts/truetype/freefont/FreeMono.ttf", userFonts / "FreeMono.ttf");
    home.tabViewTouched(home.cloudBtn());
    home.tabViewTouched(home.localBtn());
    EXPECT_EQ(list.dataArray()->count(), before) << "the kept rows first";
    hometest::waitForLocalFonts();
    ASSERT_EQ(list.dataArray()->count(), KXHomeLocalManager().localFontsArray()->count());
    EXPECT_EQ(list.dataArray()->objectAtIndex(0), dejaVu) << "an unchanged font keeps its row";
    EXPECT_EQ(list.dataArray()->objectAtIndex(1).ptr<KXFontBaseModel>()->pName->utf8(), "FreeMono");
    fs::remove_all(userFonts);
}

TEST_F(KXHomeViewControllerTest, SignedOutTabsOpenTheLoginWindow)
{
    auto& home = open();
    home.tabViewTouched(home.localBtn());
    home.tabViewTouched(home.recentBtn());
    ASSERT_NE(home.loginWindow(), nullptr);
    EXPECT_TRUE(home.loginWindow()->window()->isVisible());
    EXPECT_EQ(home.loginWindow()->windowNibName(), QStringLiteral("KXLoginWindowController"));
    EXPECT_EQ(home.selectedTabView(), home.cloudBtn()) << "the recent tab falls back to the cloud";
    EXPECT_EQ(home.rightListview()->tabTypeNum(), 1);

    KXLoginWindowController* login = home.loginWindow();
    addOverlay();
    home.tabViewTouched(home.fontManagerBtn());
    EXPECT_EQ(home.loginWindow(), login) << "a visible login window is brought forward, not made again";
    EXPECT_EQ(kx_subviews(&home).size(), 2u);
    EXPECT_EQ(home.selectedTabView(), home.cloudBtn());
    home.tabViewTouched(home.myFocusBtn());
    EXPECT_EQ(home.selectedTabView(), home.cloudBtn());
    EXPECT_EQ(home.rightListview()->tabTypeNum(), 1);
}

TEST_F(KXHomeViewControllerTest, TheStoreOpensInTheBrowserAndSelectsNothing)
{
    desktop::ScopedRecordingURLOpener opener;
    hubDefaults().setObject(Id("https://s.example/shop"), "shop_url");
    hubDefaults().setObject(Id("https://s.example/shop?uid=1"), "my_shop_url");
    auto& home = open();
    home.tabViewTouched(home.fontStoreBtn());
    hubDefaults().setObject(Id("token-x"), "token");
    home.tabViewTouched(home.fontStoreBtn());
    hubDefaults().removeObjectForKey("token");
    hubDefaults().setObject(Id("javascript:alert(1)"), "shop_url");
    home.tabViewTouched(home.fontStoreBtn());
    EXPECT_EQ(opener.opened(), (std::vector<std::string>{"https://s.example/shop", "https://s.example/shop?uid=1"}));
    EXPECT_EQ(selectedTabs(), std::vector<KXLeftTabView*>{home.cloudBtn()});
    EXPECT_FALSE(home.fontStoreBtn()->selected());
}


TEST_F(KXHomeViewControllerTest, TheStoreLeavesThePagesTheListAndTheTabAsTheyAre)
{
    desktop::ScopedRecordingURLOpener opener;
    hubDefaults().setObject(Id("https://s.example/shop"), "shop_url");
    auto& home = open();
    home.tabViewTouched(home.recommendBtn());
    QPointer<KXHomeRecommendView> recommend = qobject_cast<KXHomeRecommendView*>(kx_topSubview(&home));
    ASSERT_NE(recommend, nullptr);
    settle();
    ASSERT_GT(recommend->groupDataA()->count(), 0u);
    recommend->tablecellClick(0);
    QPointer<QWidget> detail = kx_topSubview(recommend);
    ASSERT_TRUE(qobject_cast<KXHomeRecomDetailView*>(detail));

    home.tabViewTouched(home.fontStoreBtn());
    EXPECT_EQ(opener.opened(), std::vector<std::string>{"https://s.example/shop"});
    ASSERT_TRUE(recommend && detail);
    EXPECT_EQ(kx_topSubview(&home), recommend.data());
    EXPECT_EQ(kx_topSubview(recommend), detail.data());
    EXPECT_TRUE(detail->isVisible());
    EXPECT_EQ(selectedTabs(), std::vector<KXLeftTabView*>{home.recommendBtn()});
    EXPECT_EQ(home.rightListview()->tabTypeNum(), 0);

    // A new-version prompt holds the window: the store does not open and nothing is closed.
    auto* prompt = new KXUPDateAPPView(&home);
    prompt->show();
    QPointer<QWidget> feedback = addOverlay();
    home.tabViewTouched(home.fontStoreBtn());
    EXPECT_EQ(opener.opened().size(), 1u);
    EXPECT_TRUE(feedback && feedback->parentWidget() == &home);
    EXPECT_EQ(kx_subviews(&home).size(), 5u);
}


namespace {

// The toasts of the store tab, and whether one was taken back.
class StoreToastRecorder final : public ToastPresenter {
public:
    void show(const std::string& message, ToastStyle style, ToastWindow window) override
    {
        shown.push_back(message);
        styles.push_back(style);
        windows.push_back(window.handle);
        onScreen = true;
    }
    void dismiss() override { onScreen = false; }

    std::vector<std::string> shown;
    std::vector<ToastStyle> styles;
    std::vector<void*> windows;
    bool onScreen = false;
};

} // namespace

TEST_F(KXHomeViewControllerTest, TheStoreTabSaysAtOnceThatTheStoreIsOpening)
{
    hubDefaults().setObject(Id("https://s.example/shop"), "shop_url");
    auto& home = open();
    auto toasts = std::make_shared<StoreToastRecorder>();
    const auto previous = ToastPresenter::shared();
    ToastPresenter::setShared(toasts);
    {
        desktop::ScopedRecordingURLOpener opener;
        home.tabViewTouched(home.fontStoreBtn());
        ASSERT_EQ(opener.opened().size(), 1u);
    }
    EXPECT_EQ(toasts->shown, std::vector<std::string>{"正在打开字体商城…"});
    EXPECT_EQ(toasts->styles, std::vector<ToastStyle>{ToastStyle::Info});
    EXPECT_EQ(toasts->windows, std::vector<void*>{home.window()});
    EXPECT_TRUE(toasts->onScreen);

    // The desktop could not start a browser: the alert says so, and the toast goes.
    {
        desktop::ScopedRecordingURLOpener opener;
        opener.opener().setLaunchError("Could not start xdg-open");
        home.tabViewTouched(home.fontStoreBtn());
    }
    EXPECT_EQ(toasts->shown.size(), 2u);
    EXPECT_FALSE(toasts->onScreen);
    KXOpenFailedAlert::alertOf(&home)->closeBtnClick();

    // An address the browser is never given announces nothing.
    hubDefaults().setObject(Id("javascript:alert(1)"), "shop_url");
    {
        desktop::ScopedRecordingURLOpener opener;
        home.tabViewTouched(home.fontStoreBtn());
    }
    EXPECT_EQ(toasts->shown.size(), 2u);
    KXOpenFailedAlert::alertOf(&home)->closeBtnClick();
    ToastPresenter::setShared(previous);
}

TEST_F(KXHomeViewControllerTest, AStoreTheBrowserCannotOpenShowsItsAddress)
{
    hubDefaults().setObject(Id("https://s.example/shop"), "shop_url");
    auto& home = open();
    const auto shown = [&] {
        auto* alert = KXOpenFailedAlert::alertOf(&home);
        return alert && alert->isVisible() ? alert->targetField()->toPlainText() : QString();
    };
    {
        desktop::ScopedRecordingURLOpener opener;
        opener.opener().setLaunchError("Could not start xdg-open");
        home.tabViewTouched(home.fontStoreBtn());
        ASSERT_EQ(shown(), "https://s.example/shop");
        KXOpenFailedAlert::alertOf(&home)->closeBtnClick();
    }
    testsupport::ScopedFailingSystemOpener opener;
    home.tabViewTouched(home.fontStoreBtn());
    EXPECT_TRUE(shown().isEmpty());
    ASSERT_TRUE(waitFor([&] { return !shown().isEmpty(); }));
    EXPECT_EQ(shown(), "https://s.example/shop");
    EXPECT_EQ(selectedTabs(), std::vector<KXLeftTabView*>{home.cloudBtn()});
}

TEST_F(KXHomeViewControllerTest, RecommendedAndSignedInPages)
{
    signIn();
    auto& home = open();
    KXLeftTabView custom;
    custom.setIdentifier(QStringLiteral("热门推荐合集"));
    home.tabViewTouched(&custom);
    auto* recommend = qobject_cast<KXHomeRecommendView*>(kx_topSubview(&home));
    ASSERT_NE(recommend, nullptr);
    EXPECT_EQ(home.rightListview()->tabTypeNum(), 0);
    QApplication::processEvents();
    QApplication::processEvents();
    EXPECT_EQ(recommend->geometry(), QRect(90, 0, 310, 860));

    home.tabViewTouched(home.fontManagerBtn());
    auto* folders = qobject_cast<KXFontManagerView*>(kx_topSubview(&home));
    ASSERT_NE(folders, nullptr);
    EXPECT_EQ(folders->from(), QStringLiteral("收藏的字体"));
    EXPECT_EQ(folders->groupDataA(), home.groupArray());
    EXPECT_EQ(home.rightListview()->tabTypeNum(), 0) << "the favourites tab keeps the list type";
    EXPECT_EQ(selectedTabs(), std::vector<KXLeftTabView*>{home.fontManagerBtn()});

    home.tabViewTouched(home.myFocusBtn());
    auto* followed = qobject_cast<KXMyfocusSetView*>(kx_topSubview(&home));
    ASSERT_NE(followed, nullptr);
    EXPECT_EQ(followed->from(), QStringLiteral("关注的合集"));
    EXPECT_EQ(home.rightListview()->tabTypeNum(), 4);
    EXPECT_EQ(kx_subviews(&home).size(), 3u);
}

TEST_F(KXHomeViewControllerTest, TheRecentTabShowsTheServersListAndKeepsIt)
{
    signIn();
    auto reported = run([](auto success, auto failure) {
        KXHTTPBUSINESS().upLoadAppUseInfoDownloadids(foundation::Array::create(),
            foundation::Array::create({Id(foundation::Dictionary::create({{Id("fid"), Id(1001)}})),
                                       Id(foundation::Dictionary::create({{Id("fid"), Id(1003)}}))}),
            std::move(success), std::move(failure));
    });
    ASSERT_EQ(reported.reply["errcode"].integerValue(), 0);
    auto& home = open();
    home.tabViewTouched(home.recentBtn());
    EXPECT_EQ(home.rightListview()->tabTypeNum(), 3);
    ASSERT_TRUE(waitFor([&] { return home.rightListview()->dataArray() && home.rightListview()->dataArray()->count() == 2; }));
    const Id records(home.rightListview()->dataArray());
    EXPECT_EQ(records[0].ptr<KXFontBaseModel>()->fontid, 1003);
    EXPECT_EQ(records[1].ptr<KXFontBaseModel>()->fontid, 1001);
    const Id kept = KXFileManager::sharedKXFileManager().returnDecryptDataByPathKey(foundation::String::create("activeUsed"));
    EXPECT_EQ(kept["active"].stringValue(), "1003,1001");
}

TEST_F(KXHomeViewControllerTest, ALateRecentListDoesNotReplaceAnotherTab)
{
    signIn();
    auto& home = open();
    holdNextReply("getUseFonts");
    home.tabViewTouched(home.recentBtn());
    home.tabViewTouched(home.localBtn());
    hometest::waitForLocalFonts();
    const auto installed = home.rightListview()->dataArray();
    ASSERT_TRUE(waitFor([] { return service().requestLog().withTag("112").size() == 1; }));
    ASSERT_TRUE(releaseHeldReplies());
    settle();
    EXPECT_EQ(home.rightListview()->tabTypeNum(), 2);
    EXPECT_EQ(home.rightListview()->dataArray(), installed);
}

TEST_F(KXHomeViewControllerTest, TheSideTableMemoryIsResetOnlyAfterARowClick)
{
    auto& home = open();
    home.tabViewTouched(home.localBtn());
    EXPECT_EQ(KXHomeViewController::sideTableRowMemory(), -2);
    KXHomeViewController::sideTableRowMemory() = 3;
    home.tabViewTouched(home.cloudBtn());
    EXPECT_EQ(KXHomeViewController::sideTableRowMemory(), 0);
    home.backToCloudBtn();
    EXPECT_EQ(home.selectedTabView(), home.cloudBtn());
}
