// The search panel against the in-process local service: the server's ranking over the local
// catalogue, an error code, a failure, a reply that comes after the panel closed, and the font row
// road end to end (download, installation, the downloaded-font map, "endcellloading").
#include "Class/FontList/Core/KXDownloadedFontMap.h"
#include "Class/FontList/KXFontListModel.h"
#include "Class/FontList/KXFontTableView.h"
#include "Class/SearchFilter/KXHomeSearchView.h"
#include "Class/ServiceCore/Catalogue/KXBaseDBManager.h"
#include "Class/ServiceCore/Catalogue/KXCatalogueStatement.h"
#include "Class/ServiceCore/Transport/TransportTestSupport.h"
#include "Class/UIKit/THSearchField.h"
#include "FontListTestSupport.h"
#include "SearchFilterTestSupport.h"
#include "Lib/SQLKit/SQDatabase.h"
#include "Platform/Dispatch/RunLoop.h"
#include "Platform/Foundation/Foundation.h"
#include "Platform/Storage/Paths.h"
#include "Platform/Storage/UserDefaults.h"
#include "Support/TempHome.h"

#include <QLabel>
#include <QTest>

#include <algorithm>
#include <memory>

using foundation::Id;
using localservice::Fault;
namespace fs = std::filesystem;

namespace {

// The panel's services, counting the search replies they hand to the panel.
class CountingServices final : public KXHomeSearchServices {
public:
    explicit CountingServices(std::shared_ptr<KXHomeSearchServices> services)
        : services_(std::move(services))
    {
    }
    int replies() const { return *replies_; }

    void search(const std::string& text, Reply reply) override
    {
        services_->search(text, [replies = replies_, reply = std::move(reply)](const Id& answer) {
            *replies += 1;
            reply(answer);
        });
    }
    KXBaseDBManager& catalogue() override { return services_->catalogue(); }
    KXSuggestionMatches suggestions(std::string_view text) override { return services_->suggestions(text); }
    foundation::Ref<foundation::MutableArray> suggestionRecords(const KXSuggestionMatches& matches, std::size_t first,
                                                                std::size_t count) override
    {
        return services_->suggestionRecords(matches, first, count);
    }
    void setCurrentModule(const std::string& label) override { services_->setCurrentModule(label); }

private:
    std::shared_ptr<KXHomeSearchServices> services_;
    std::shared_ptr<int> replies_ = std::make_shared<int>(0);
};

class KXHomeSearchViewServiceTest : public transporttest::TransportTest {
protected:
    void SetUp() override
    {
        TransportTest::SetUp();
        std::error_code ec;
        fs::remove(KXDownloadedFontMap::defaultFile(), ec);
        const fs::path folder = testsupport::makeScratchDir("search-service");
        catalogue_ = folder / "fonts.sqlite";
        const char* binary = std::getenv("CORVANE_BINARY_DIR");
        fs::copy_file(fs::path(binary ? binary : ".") / "resources" / "fonts.sqlite", catalogue_);
        historyFile_ = folder / "KXFonts" / KXSearchHistory::kFileName;
    }
    void TearDown() override
    {
        foundation::UserDefaults::standardUserDefaults().removeObjectForKey("token");
        TransportTest::TearDown();
    }

    std::unique_ptr<KXHomeSearchView> makePanel()
    {
        manager_ = std::make_unique<KXBaseDBManager>(catalogue_);
        services_ = std::make_shared<CountingServices>(KXHomeSearchServices::standard(manager_.get()));
        auto panel = std::make_unique<KXHomeSearchView>(QRect(0, 0, 800, 650), nullptr, services_, historyFile_);
        panel->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(panel.get()));
        return panel;
    }
    void search(KXHomeSearchView& panel, const QString& text)
    {
        panel.customStrTF()->clear();
        searchfiltertest::typeText(panel.customStrTF(), text);
        QTest::keyClick(panel.customStrTF(), Qt::Key_Return);
    }
    // The ids the service answers for a text.
    std::vector<long long> serverIds(const std::string& text)
    {
        const auto outcome = run([&](KXHTTPBUSINESS::Success success, KXHTTPBUSINESS::Failure failure) {
            KXHTTPBUSINESS().GetFontidsByParticipleword(Id(text), success, failure);
        });
        return KXCatalogueStatement::parseIdList(outcome.reply["corvane_data"]["fids"].stringValue());
    }
    static std::vector<long long> shownIds(KXHomeSearchView& panel)
    {
        std::vector<long long> ids;
        for (int row = 0; row < panel.fontModel()->rowCount(); ++row)
            ids.push_back(panel.fontModel()->recordAt(row)->fontid);
        return ids;
    }

    // The lines of the transport's error log: it logs a failed request just before it hands the
    // failure on, on the main queue.
    static std::size_t loggedFailures()
    {
        const std::string text = errorLog()["errorinfo"].stringValue();
        return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
    }

    fs::path catalogue_;
    fs::path historyFile_;
    std::unique_ptr<KXBaseDBManager> manager_;
    std::shared_ptr<CountingServices> services_;
};

} // namespace

TEST_F(KXHomeSearchViewServiceTest, RowsFollowTheServersRankingAndSkipFontsTheCatalogueLacks)
{
    std::vector<long long> expected = serverIds("DejaVu Sans");
    ASSERT_GT(expected.size(), 4u);
    // The local catalogue lacks the second font of the answer.
    const long long missing = expected[1];
    auto db = SQDatabase::databaseWithPath(Id(catalogue_.string()));
    ASSERT_TRUE(db->open());
    ASSERT_TRUE(db->executeUpdate("DELETE FROM fp_fonts WHERE fontid = ?", missing));
    db->close();
    expected.erase(expected.begin() + 1);

    auto panel = makePanel();
    search(*panel, "DejaVu Sans");
    ASSERT_TRUE(waitFor([&] { return panel->state().mode() == KXHomeSearchState::Mode::Results; }));
    fontlisttest::settle(*panel);
    EXPECT_EQ(shownIds(*panel), expected);
    EXPECT_EQ(panel->topicLabel()->text(), QString::fromUtf8("搜索字体"));
    const auto logged = service().requestLog().withTag("141");
    ASSERT_EQ(logged.size(), 2u) << "the test's own request and the panel's";
    EXPECT_EQ(*logged.back().param("str"), "DejaVu Sans");
}

TEST_F(KXHomeSearchViewServiceTest, AnErrorCodeRecommendsFontsAndTheTransportShowsTheMessage)
{
    setFault("getSearch", Fault::Kind::ErrorCode, 7, "服务器忙，请稍后再试");
    auto panel = makePanel();
    search(*panel, "黑体");
    ASSERT_TRUE(waitFor([&] { return panel->state().mode() == KXHomeSearchState::Mode::NoResult; }));
    fontlisttest::settle(*panel);
    EXPECT_EQ(panel->topicLabel()->text(), QString::fromUtf8("推荐字体"));
    EXPECT_TRUE(panel->noDataView()->isVisible());
    EXPECT_GT(panel->fontModel()->rowCount(), 30) << "the whole catalogue";
    ASSERT_TRUE(waitFor([&] { return !toasts_->shown.empty(); }));
    EXPECT_EQ(toasts_->shown.back().message, "服务器忙，请稍后再试");
    EXPECT_EQ(toasts_->shown.back().style, ToastStyle::Warning);
}

TEST_F(KXHomeSearchViewServiceTest, AFailedRequestChangesNothing)
{
    auto panel = makePanel();
    for (const auto kind : {Fault::Kind::Http500, Fault::Kind::NotJson}) {
        setFault("getSearch", kind);
        const auto before = service().requestLog().withTag("141").size();
        const auto failures = loggedFailures();
        search(*panel, "宋体");
        ASSERT_TRUE(waitFor([&] { return loggedFailures() == failures + 1; })) << "the request failed";
        dispatch::RunLoop::drain();
        EXPECT_EQ(service().requestLog().withTag("141").size(), before + 1);
        EXPECT_EQ(services_->replies(), 0) << "a failure hands the panel nothing";
        EXPECT_EQ(panel->state().mode(), KXHomeSearchState::Mode::Suggestions) << "as the typing left it";
        EXPECT_EQ(panel->state().appliedSequence(), panel->state().requestedSequence() - 1) << "only the typing's result";
    }
    EXPECT_EQ(panel->state().history().entries()->objectAtIndex(0).stringValue(), "宋体") << "the history change stays";
    EXPECT_TRUE(toasts_->shown.empty());
}

TEST_F(KXHomeSearchViewServiceTest, AReplyAfterTheCloseButtonIsDropped)
{
    holdNextReply("getSearch");
    auto panel = makePanel();
    searchfiltertest::typeText(panel->customStrTF(), "Mono");
    QTest::keyClick(panel->customStrTF(), Qt::Key_Return);
    panel->cancelBtnClick();
    ASSERT_TRUE(releaseHeldReplies());
    ASSERT_TRUE(waitFor([&] { return services_->replies() == 1; })) << "the late reply reached the panel";
    dispatch::RunLoop::drain();
    EXPECT_TRUE(panel->state().isClosed());
    EXPECT_FALSE(panel->state().resultMode()) << "the closed panel shows no results";
    EXPECT_EQ(KXSearchHistory::read(historyFile_)->count(), 1u);
}

TEST_F(KXHomeSearchViewServiceTest, APickedSuggestionShowsItsOwnFontsWhicheverReplyComesLast)
{
    const std::vector<long long> expected = serverIds("FreeSerif Bold");
    ASSERT_FALSE(expected.empty());
    ASSERT_NE(expected, serverIds("serif")) << "the typed text finds other fonts";
    auto panel = makePanel();
    searchfiltertest::typeText(panel->customStrTF(), "serif");
    QAbstractItemModel* suggestions = panel->textModel();
    int row = -1;
    ASSERT_TRUE(waitFor([&] {
        for (int i = 0; i < suggestions->rowCount(); ++i)
            if (suggestions->index(i, 0).data().toString() == "FreeSerif Bold")
                row = i;
        return row >= 0;
    }));
    // The search that reaches the service first answers last.
    holdNextReply("getSearch");
    auto* table = panel->listTableView();
    table->scrollTo(suggestions->index(row, 0));
    fontlisttest::settle(*panel);
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->visualRect(suggestions->index(row, 0)).center());
    ASSERT_TRUE(waitFor([&] { return services_->replies() == 1; })) << "the reply not held";
    ASSERT_TRUE(releaseHeldReplies());
    ASSERT_TRUE(waitFor([&] { return services_->replies() == 2; }));
    dispatch::RunLoop::drain();
    fontlisttest::settle(*panel);

    const auto logged = service().requestLog().withTag("141");
    ASSERT_EQ(logged.size(), 4u) << "the test's own two, then both of the click";
    std::vector<std::string> sent{*logged[2].param("str"), *logged[3].param("str")};
    std::sort(sent.begin(), sent.end());
    EXPECT_EQ(sent, (std::vector<std::string>{"FreeSerif Bold", "serif"}));
    EXPECT_EQ(panel->state().history().entries()->objectAtIndex(0).stringValue(), "serif");
    EXPECT_EQ(panel->state().mode(), KXHomeSearchState::Mode::Results);
    EXPECT_EQ(shownIds(*panel), expected);
    EXPECT_EQ(panel->listTableView()->model(), panel->fontModel()) << "font rows";
    EXPECT_EQ(panel->topicLabel()->text(), QString::fromUtf8("搜索建议"));
    EXPECT_FALSE(panel->noDataView() && panel->noDataView()->isVisible());
    EXPECT_EQ(panel->customStrTF()->text(), "FreeSerif Bold");
}

TEST_F(KXHomeSearchViewServiceTest, AClickOnAResultInstallsTheFontAndAFailureEndsOnlyItsRow)
{
    setDefault("token", Id("local-test-token"));
    auto panel = makePanel();
    search(*panel, "DejaVu Sans");
    ASSERT_TRUE(waitFor([&] { return panel->state().mode() == KXHomeSearchState::Mode::Results; }));
    fontlisttest::settle(*panel);
    auto* model = panel->fontModel();
    auto rowOf = [&](const std::string& name) {
        for (int row = 0; row < model->rowCount(); ++row)
            if (model->recordAt(row)->fontname->utf8() == name)
                return row;
        return -1;
    };
    const int row = rowOf("DejaVu Sans Bold");
    ASSERT_GE(row, 0);
    const auto record = model->recordAt(row);

    Fault slow;
    slow.kind = Fault::Kind::SlowDownload;
    slow.bytesPerSecond = 400000;
    service().faults().set("fonts/", slow);
    panel->listTableView()->scrollTo(model->index(row));
    fontlisttest::settle(*panel);
    const QRect rect = panel->listTableView()->visualRect(model->index(row));
    QTest::mouseClick(panel->listTableView()->viewport(), Qt::LeftButton, {}, rect.topLeft() + QPoint(420, 70));
    ASSERT_TRUE(waitFor([&] { return record->progress > 0.1 && record->progress < 0.85; }));
    EXPECT_TRUE(record->isLoading);
    EXPECT_EQ(panel->selectedRow(), row);
    ASSERT_TRUE(waitFor([&] { return record->progress == 1.0 && !record->isLoading; }));
    const fs::path installed = foundation::Paths::userFontsDirectory() / "DejaVuSans-Bold.ttf";
    EXPECT_TRUE(fs::exists(installed));
    EXPECT_EQ(KXDownloadedFontMap::shared().pathForFontname("DejaVu Sans Bold")->utf8(), installed.string());
    EXPECT_TRUE(waitFor([&] { return service().requestLog().withTag("103").size() == 2; }));
    fontlisttest::settle(*panel);
    EXPECT_TRUE(record->isLocalFont);
    EXPECT_EQ(record->cellType, 1u);

    // A failing download puts its own row back and leaves the finished one alone.
    service().faults().clearAll();
    setFault("fonts/", Fault::Kind::Http500);
    const int other = rowOf("DejaVu Sans Oblique");
    ASSERT_GE(other, 0);
    const auto failing = model->recordAt(other);
    // The row is drawn at rest once for the selection and once more when the failure put it back.
    // The download's progress reports were queued before its failure: nothing of it is left to come.
    int restingRedraws = 0;
    const auto redraws = QObject::connect(model, &QAbstractItemModel::dataChanged, panel.get(), [&](const QModelIndex& top, const QModelIndex& bottom) {
        if (top.row() <= other && other <= bottom.row() && !failing->isLoading && failing->progress == 0)
            restingRedraws += 1;
    });
    panel->cellMouseDown(failing);
    ASSERT_TRUE(waitFor([&] { return restingRedraws == 2; }));
    QObject::disconnect(redraws);
    dispatch::RunLoop::drain();
    EXPECT_EQ(panel->selectedRow(), other);
    EXPECT_FALSE(failing->isLoading);
    EXPECT_EQ(failing->progress, 0);
    EXPECT_EQ(record->progress, 1.0);
    EXPECT_FALSE(KXDownloadedFontMap::shared().pathForFontname("DejaVu Sans Oblique"));
}
