// The main road end to end in the panel: the catalogue of the bundled database, a click on a row,
// the font downloaded from the local service, unpacked and installed into the user's font folder
// with the row's ring on the way, and the row done at the end.
#include "Class/FontList/Core/KXDownloadedFontMap.h"
#include "Class/FontList/Core/KXFontRowRoad.h"
#include "Class/FontList/KXFontListModel.h"
#include "Class/FontList/KXFontTableView.h"
#include "Class/FontList/KXHomeListView.h"
#include "Class/FontList/KXPreviewLoads.h"
#include "Class/FontList/KXWebPreviewSource.h"
#include "Platform/Graphics/Image.h"
#include "Class/ServiceCore/Catalogue/KXBaseDBManager.h"
#include "Class/ServiceCore/Transport/TransportTestSupport.h"
#include "FontListTestSupport.h"
#include "Platform/Dispatch/RunLoop.h"
#include "Platform/Foundation/Foundation.h"
#include "Platform/Storage/Paths.h"
#include "Platform/Storage/UserDefaults.h"

#include <QTest>

#include <algorithm>

using foundation::Id;
namespace fs = std::filesystem;

namespace {

class KXHomeListViewRoadTest : public transporttest::TransportTest {
protected:
    void SetUp() override
    {
        TransportTest::SetUp();
        std::error_code ec;
        fs::remove(KXDownloadedFontMap::defaultFile(), ec);
        setDefault("token", Id("local-test-token"));
    }
    void TearDown() override
    {
        foundation::UserDefaults::standardUserDefaults().removeObjectForKey("token");
        TransportTest::TearDown();
    }
};

class SignInRecorder final : public KXHomeListViewDelegate {
public:
    void loginClick() override { requests += 1; }
    int requests = 0;
};

} // namespace

TEST_F(KXHomeListViewRoadTest, PreviewsComeThroughTheImageLoaderAndStayInItsMemory)
{
    KXWebPreviewSource source;
    const std::string url = service().baseUrl() + "files/previews/1002_day.png";
    std::vector<std::pair<bool, bool>> answers; // image, finished
    auto load = source.load(url, {}, [&](const foundation::Ref<graphics::Image>& image, bool finished) {
        answers.emplace_back(image != nullptr, finished);
    });
    ASSERT_TRUE(load);
    ASSERT_TRUE(waitFor([&] { return !answers.empty() && answers.back().second; }));
    EXPECT_TRUE(answers.back().first);
    const auto cached = source.cachedImage(url, {});
    ASSERT_TRUE(cached);
    EXPECT_EQ(cached->image().width(), 600);

    bool failed = false;
    source.load(service().baseUrl() + "files/previews/none.png", {},
        [&](const foundation::Ref<graphics::Image>& image, bool finished) { failed = finished && !image; });
    EXPECT_TRUE(waitFor([&] { return failed; }));
}

TEST_F(KXHomeListViewRoadTest, APreviewIsDecodedForItsBoxAndCachedUnderIt)
{
    KXWebPreviewSource source;
    const std::string url = service().baseUrl() + "files/previews/1003_day.png";
    KXPreviewBox box;
    box.pixels = QSize(1200, 30);
    foundation::Ref<graphics::Image> last;
    bool finished = false;
    source.load(url, box, [&](const foundation::Ref<graphics::Image>& image, bool done) {
        last = image;
        finished = done;
    });
    ASSERT_TRUE(waitFor([&] { return finished; }));
    ASSERT_TRUE(last);
    EXPECT_EQ(last->image().height(), 30);
    EXPECT_DOUBLE_EQ(last->size().width(), 600) << "laid out as the whole preview";
    EXPECT_EQ(source.cachedImage(url, box), last);
    EXPECT_FALSE(source.cachedImage(url, {})) << "a view that shows it whole does not get the smaller one";
}

TEST_F(KXHomeListViewRoadTest, AClickOnACatalogueRowInstallsItsFont)
{
    // The shared catalogue reads the API base of this service as the base of its URLs; previews
    // come through the application's image loader.
    KXBaseDBManager::shareDBManager();
    const auto previous = KXPreviewImageSource::install(std::make_shared<KXWebPreviewSource>());
    KXHomeListView list(QRect(0, 0, 900, 700));
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    fontlisttest::settle(list);
    list.setTabTypeNum(KXHomeListView::ModeCloud);
    fontlisttest::settle(list);

    auto* model = list.listModel();
    int row = -1;
    for (int r = 0; r < model->rowCount(); ++r)
        if (model->recordAt(r)->fontname->utf8() == "DejaVu Sans Bold")
            row = r;
    ASSERT_GE(row, 0);
    const auto record = model->recordAt(row);
    ASSERT_TRUE(record->download_url->hasPrefix(service().baseUrl())) << record->download_url->utf8();

    localservice::Fault slow;
    slow.kind = localservice::Fault::Kind::SlowDownload;
    slow.bytesPerSecond = 400000;
    service().faults().set("fonts/", slow);
    list.scrollRowToVisible(row);
    fontlisttest::settle(list);
    auto* table = list.listTableView();
    const QRect rect = table->visualRect(model->index(row));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, rect.topLeft() + QPoint(420, 70));

    ASSERT_TRUE(waitFor([&] { return record->progress > 0.2 && record->progress < 0.85; }));
    EXPECT_TRUE(record->isLoading);
    EXPECT_EQ(list.selectedRow(), row);
    waitFor([&] { return table->previews().loadsInFlight() == 0; });
    fontlisttest::settle(list);
    EXPECT_TRUE(fontlisttest::saveScreenshot(list, "fontlist-row-downloading-day"));

    ASSERT_TRUE(waitFor([&] { return record->progress == 1.0 && !record->isLoading; }));
    const fs::path installed = foundation::Paths::userFontsDirectory() / "DejaVuSans-Bold.ttf";
    EXPECT_TRUE(fs::exists(installed));
    EXPECT_EQ(KXDownloadedFontMap::shared().pathForFontname("DejaVu Sans Bold")->utf8(), installed.string());

    // The next paint shows it installed on every tab.
    fontlisttest::settle(list);
    EXPECT_TRUE(record->isLocalFont);
    EXPECT_EQ(record->cellType, static_cast<unsigned long long>(KXHomeListView::ModeCloud));
    EXPECT_TRUE(waitFor([&] { return service().requestLog().withTag("103").size() == 2; }));
    KXPreviewImageSource::install(previous);
}

TEST_F(KXHomeListViewRoadTest, ADownloadKeepsItsRingOnTheRowAfterAChangeOfTab)
{
    KXBaseDBManager::shareDBManager();
    const auto previous = KXPreviewImageSource::install(std::make_shared<KXWebPreviewSource>());
    KXHomeListView list(QRect(0, 0, 900, 700));
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    list.setTabTypeNum(KXHomeListView::ModeCloud);
    fontlisttest::settle(list);
    auto* model = list.listModel();
    auto* table = list.listTableView();
    const auto clickRow = [&](int row) {
        list.scrollRowToVisible(row);
        fontlisttest::settle(list);
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->visualRect(model->index(row)).topLeft() + QPoint(420, 70));
    };
    const long long fontid = 1002; // DejaVu Sans Bold
    const int row = model->rowOfFontid(fontid);
    ASSERT_GE(row, 0);
    const auto clicked = model->recordAt(row);

    holdNextReply("fonts/");
    clickRow(row);
    ASSERT_TRUE(waitFor([&] { return clicked->progress > 0; }));
    ASSERT_TRUE(waitForHeldReplies());

    // Away to the installed fonts (the hub hands them over) and back: the rows are new records, the
    // ring is on the font's.
    list.setTabTypeNum(KXHomeListView::ModeLocal);
    list.setDataArray(foundation::MutableArray::create());
    fontlisttest::settle(list);
    list.setTabTypeNum(KXHomeListView::ModeCloud);
    fontlisttest::settle(list);
    const int shownRow = model->rowOfFontid(fontid);
    const auto shown = model->recordAt(shownRow);
    ASSERT_TRUE(shown);
    ASSERT_NE(shown, clicked) << "the tab change built the list again";
    EXPECT_TRUE(shown->isLoading);
    EXPECT_EQ(shown->progress, clicked->progress);

    // A click on it again selects it with its ring; the running download stays the only one.
    clickRow(shownRow);
    EXPECT_EQ(list.selectedRow(), shownRow);
    EXPECT_TRUE(shown->isLoading);
    waitFor([&] { return table->previews().loadsInFlight() == 0; });
    fontlisttest::settle(list);
    EXPECT_TRUE(fontlisttest::saveScreenshot(list, "fontlist-row-downloading-after-tab-change"));

    ASSERT_TRUE(releaseHeldReplies());
    ASSERT_TRUE(waitFor([&] { return shown->progress == 1.0 && !shown->isLoading; }));
    fontlisttest::settle(list);
    EXPECT_TRUE(shown->isLocalFont) << "drawn installed at once";
    ASSERT_TRUE(waitForQuietTraffic());
    const auto downloads = service().requestLog().fileEntries();
    EXPECT_EQ(std::count_if(downloads.begin(), downloads.end(), [](const auto& file) { return file.path.starts_with("fonts/"); }), 1);
    KXPreviewImageSource::install(previous);
}

TEST_F(KXHomeListViewRoadTest, SignedOutClicksAskTheOwnerForTheSignInWindow)
{
    foundation::UserDefaults::standardUserDefaults().removeObjectForKey("token");
    KXHomeListView list(QRect(0, 0, 900, 700));
    auto owner = std::make_shared<SignInRecorder>();
    list.setDelegate(owner);
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    fontlisttest::settle(list);
    auto* table = list.listTableView();
    ASSERT_TRUE(waitForQuietTraffic());
    const std::size_t started = tasksStarted();
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->visualRect(list.listModel()->index(0)).topLeft() + QPoint(420, 70));
    EXPECT_EQ(owner->requests, 1);
    ASSERT_TRUE(waitForQuietTraffic());
    EXPECT_EQ(tasksStarted(), started);
    EXPECT_TRUE(service().requestLog().entries().empty());
    EXPECT_EQ(list.selectedRow(), -1);
}
