// The search panel's states without a window: the sample catalogue behind the type-ahead and the
// lists, the service's search replaced by requests the tests answer, in any order.
#include "Class/SearchFilter/Core/KXHomeSearchState.h"
#include "ScriptedSearchServices.h"
#include "Class/ServiceCore/Catalogue/KXBaseDBManager.h"
#include "Class/ServiceCore/Catalogue/KXSearchData.h"
#include "Class/ServiceCore/Catalogue/KXSortingData.h"
#include "Platform/Dispatch/RunLoop.h"
#include "Platform/Foundation/Foundation.h"
#include "Support/TempHome.h"

#include <gtest/gtest.h>


using foundation::Id;
using foundation::Ref;
using Mode = KXHomeSearchState::Mode;
namespace fs = std::filesystem;

namespace {

class RecordingDelegate final : public KXHomeSearchStateDelegate {
public:
    void searchStateDidChange() override { changes += 1; }
    void searchStateDidSetFieldText(const std::string& text) override { fieldTexts.push_back(text); }
    int changes = 0;
    std::vector<std::string> fieldTexts;
};

class KXHomeSearchStateTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        services_ = std::make_shared<ScriptedSearchServices>(ScriptedSearchServices::sampleCatalogue());
        historyFile_ = testsupport::makeScratchDir("history") / "KXFonts" / KXSearchHistory::kFileName;
        state_ = makeState();
    }

    std::shared_ptr<KXHomeSearchState> makeState()
    {
        auto state = KXHomeSearchState::create(services_, historyFile_);
        delegate_ = std::make_shared<RecordingDelegate>();
        state->setDelegate(delegate_);
        return state;
    }

    // Types the text and waits for its suggestions.
    void type(const std::string& text)
    {
        state_->fieldTextDidChange(text);
        const auto sequence = state_->requestedSequence();
        ASSERT_TRUE(dispatch::RunLoop::runUntil([&] { return state_->appliedSequence() >= sequence; }, 5)) << text;
    }
    void search(const std::string& text)
    {
        state_->fieldTextDidChange(text);
        state_->jumpListView();
    }

    std::vector<std::string> rowTexts()
    {
        std::vector<std::string> texts;
        for (std::size_t row = 0; row < state_->rowCount(); ++row)
            texts.push_back(state_->textAt(row));
        return texts;
    }
    std::vector<long long> rowIds()
    {
        std::vector<long long> ids;
        for (std::size_t row = 0; row < state_->rowCount(); ++row)
            ids.push_back(state_->recordAt(row)->fontid);
        return ids;
    }
    std::vector<std::string> keywordsContaining(const std::string& text)
    {
        std::vector<std::string> names;
        const auto records = KXSearchData(services_->manager()).searchDataByParticipleword(text);
        for (const Id& record : *records)
            names.push_back(record.as<KXFontBaseModel>()->fontname->utf8());
        return names;
    }
    std::vector<std::string> historyOnDisk() const { return historyTexts(historyFile_); }

    std::shared_ptr<ScriptedSearchServices> services_;
    fs::path historyFile_;
    std::shared_ptr<RecordingDelegate> delegate_;
    std::shared_ptr<KXHomeSearchState> state_;
};

} // namespace

TEST_F(KXHomeSearchStateTest, ANewPanelShowsTheHistory)
{
    KXSearchHistory stored(historyFile_);
    stored.add("b");
    stored.add("a");
    ASSERT_TRUE(stored.write());
    state_ = makeState();
    EXPECT_EQ(state_->mode(), Mode::History);
    EXPECT_FALSE(state_->resultMode());
    EXPECT_FALSE(state_->suggestMode());
    EXPECT_EQ(state_->title(), "历史记录");
    EXPECT_TRUE(state_->isClearButtonShown());
    EXPECT_FALSE(state_->isSearchButtonShown());
    EXPECT_EQ(rowTexts(), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(services_->module, "字体搜索");
}

TEST_F(KXHomeSearchStateTest, TypingShowsSuggestionsAndTheHistoryTitleNeverReturns)
{
    type("Sans");
    EXPECT_EQ(state_->mode(), Mode::Suggestions);
    EXPECT_EQ(state_->title(), "搜索建议");
    EXPECT_FALSE(state_->isClearButtonShown());
    EXPECT_TRUE(state_->isSearchButtonShown());
    EXPECT_EQ(rowTexts(), keywordsContaining("Sans"));
    EXPECT_EQ(state_->recordAt(0)->fontname->utf8(), rowTexts()[0]) << "a suggestion's record is named by its keyword";

    type("");
    EXPECT_EQ(state_->rowCount(), keywordsContaining("").size()) << "an empty text suggests every keyword";
    EXPECT_FALSE(state_->isSearchButtonShown());
    EXPECT_EQ(state_->title(), "搜索建议");
    EXPECT_FALSE(state_->isClearButtonShown());

    type("zzqq");
    EXPECT_EQ(state_->mode(), Mode::Suggestions);
    EXPECT_EQ(state_->rowCount(), 0u);
}

TEST_F(KXHomeSearchStateTest, RepliesShowTheServersFontsOrTheRecommendedOnes)
{
    search("Sans");
    ASSERT_EQ(services_->requests.size(), 1u);
    EXPECT_EQ(services_->requests[0].text, "Sans");
    EXPECT_FALSE(state_->isClearButtonShown());
    EXPECT_EQ(state_->history().count(), 1u);

    // The server's order; an id the catalogue lacks is skipped.
    services_->answer(0, "1003,999999,1001");
    EXPECT_EQ(state_->mode(), Mode::Results);
    EXPECT_EQ(state_->title(), "搜索字体");
    EXPECT_EQ(rowIds(), (std::vector<long long>{1003, 1001}));

    // Nothing found: the notice and the catalogue in default order under "推荐字体".
    search("Nothing at all");
    services_->answer(1, "");
    EXPECT_EQ(state_->mode(), Mode::NoResult);
    EXPECT_EQ(state_->title(), "推荐字体");
    EXPECT_EQ(state_->titlePlace(), KXHomeSearchState::TitlePlace::UnderNotice);
    EXPECT_EQ(state_->rowCount(), KXSortingData(services_->manager()).soringDataBySortType(0)->count());

    // Typing what finds nothing keeps font rows, none of them, and the notice.
    type("zzqq");
    EXPECT_TRUE(state_->resultMode());
    EXPECT_EQ(state_->rowCount(), 0u);
    EXPECT_EQ(state_->title(), "搜索建议");
    EXPECT_TRUE(state_->isNoticeShown());
    // Typing what finds something goes back to suggestions.
    type("Mono");
    EXPECT_EQ(state_->mode(), Mode::Suggestions);
    EXPECT_FALSE(state_->isNoticeShown());
    EXPECT_EQ(state_->titlePlace(), KXHomeSearchState::TitlePlace::UnderField);

    // A reply with an error code and no ids recommends; ids none of which is local give no rows.
    search("x");
    services_->answer(2, "", 17);
    EXPECT_EQ(state_->mode(), Mode::NoResult);
    search("y");
    services_->answer(3, "999998,999999");
    EXPECT_EQ(state_->mode(), Mode::Results);
    EXPECT_EQ(state_->rowCount(), 0u);
}

TEST_F(KXHomeSearchStateTest, AnOlderReplyNeverReplacesANewerOne)
{
    search("A");
    search("B");
    services_->answer(1, "1001");
    services_->answer(0, "1002");
    EXPECT_EQ(rowIds(), std::vector<long long>{1001}) << "the newer search's rows stay";

    // A keystroke after a search: the search's late reply is dropped.
    search("C");
    type("Mono");
    services_->answer(2, "1003");
    EXPECT_EQ(state_->mode(), Mode::Suggestions);
    EXPECT_EQ(rowTexts(), keywordsContaining("Mono"));

    // A suggestion click, then a keystroke: the click's late replies are dropped, the suggestion's
    // own too.
    type("Mono B");
    state_->tableViewCellClick(0);
    ASSERT_EQ(services_->requests.size(), 5u);
    type("Mono");
    services_->answer(3, "1011,1012");
    services_->answer(4, "1014");
    EXPECT_EQ(state_->mode(), Mode::Suggestions);
    EXPECT_EQ(rowTexts(), keywordsContaining("Mono"));
    EXPECT_TRUE(delegate_->fieldTexts.empty()) << "the dropped reply set no text";
}

TEST_F(KXHomeSearchStateTest, ASuggestionsOwnReplyDecidesWhatItsClickShowsInEitherOrder)
{
    const std::vector<std::string> suggestionRows{"DejaVu Sans Mono Bold", "DejaVu Sans Mono Bold Oblique"};
    auto expectSuggestionRows = [&](const std::string& suggestion) {
        EXPECT_TRUE(state_->resultMode()) << "font rows, as after Enter";
        EXPECT_EQ(state_->mode(), Mode::Results);
        EXPECT_EQ(rowIds(), (std::vector<long long>{1011, 1012}));
        for (std::size_t row = 0; row < suggestionRows.size() && row < state_->rowCount(); ++row)
            EXPECT_EQ(state_->recordAt(row)->fontname->utf8(), suggestionRows[row]);
        EXPECT_EQ(state_->title(), "搜索建议");
        EXPECT_FALSE(state_->isNoticeShown());
        EXPECT_EQ(state_->titlePlace(), KXHomeSearchState::TitlePlace::UnderField);
        EXPECT_EQ(state_->fieldText(), suggestion);
        ASSERT_FALSE(delegate_->fieldTexts.empty());
        EXPECT_EQ(delegate_->fieldTexts.back(), suggestion);
    };

    // The typed text's reply first: the suggestion's replaces it. A failed search of "Nothing"
    // left the notice shown: the suggestion's reply hides it.
    search("Nothing");
    services_->answer(0, "");
    ASSERT_TRUE(state_->isNoticeShown());
    type("Mono B");
    const std::string suggestion = state_->textAt(0);
    ASSERT_NE(suggestion, "Mono B");
    state_->tableViewCellClick(0);
    ASSERT_EQ(services_->requests.size(), 3u) << "both requests are sent";
    EXPECT_EQ(services_->requests[1].text, suggestion);
    EXPECT_EQ(services_->requests[2].text, "Mono B");
    EXPECT_EQ(state_->history().entries()->objectAtIndex(0).stringValue(), "Mono B") << "the history gets the typed text";
    services_->answer(2, "1014");
    EXPECT_EQ(rowIds(), std::vector<long long>{1014});
    services_->answer(1, "1011,1012");
    expectSuggestionRows(suggestion);

    // The suggestion's reply first: the typed text's comes after it and changes nothing.
    type("Mono B");
    delegate_->fieldTexts.clear();
    state_->tableViewCellClick(0);
    services_->answer(3, "1011,1012");
    expectSuggestionRows(suggestion);
    const int changes = delegate_->changes;
    services_->answer(4, "");
    expectSuggestionRows(suggestion);
    EXPECT_EQ(delegate_->changes, changes);

    // A suggestion reply with another error code changes nothing, before or after the typed
    // text's reply: that one applies as after Enter.
    type("Mono B");
    delegate_->fieldTexts.clear();
    state_->tableViewCellClick(0);
    services_->answer(5, "", 3);
    EXPECT_EQ(state_->mode(), Mode::Suggestions);
    services_->answer(6, "1014");
    EXPECT_EQ(state_->mode(), Mode::Results);
    EXPECT_EQ(state_->title(), "搜索字体");
    EXPECT_EQ(rowIds(), std::vector<long long>{1014});

    type("Mono B");
    state_->tableViewCellClick(0);
    services_->answer(8, "1014");
    services_->answer(7, "", 3);
    EXPECT_EQ(rowIds(), std::vector<long long>{1014});
    EXPECT_EQ(state_->title(), "搜索字体");
    EXPECT_TRUE(delegate_->fieldTexts.empty());

    // A search after the click: the click's replies, the suggestion's own too, stay behind it.
    type("Mono B");
    state_->tableViewCellClick(0);
    search("Sans");
    services_->answer(11, "1003");
    services_->answer(9, "1011,1012");
    services_->answer(10, "1014");
    EXPECT_EQ(rowIds(), std::vector<long long>{1003});
    EXPECT_EQ(state_->title(), "搜索字体");

    // With the field erased only the suggestion's search goes out, and its reply shows.
    type("");
    const std::string first = state_->textAt(0);
    state_->tableViewCellClick(0);
    ASSERT_EQ(services_->requests.size(), 13u);
    services_->answer(12, "1011,1012");
    EXPECT_EQ(rowIds(), (std::vector<long long>{1011, 1012}));
    EXPECT_EQ(state_->fieldText(), first);
}

TEST_F(KXHomeSearchStateTest, AKeystrokeOvertakenWhileQueuedIsNeverQueried)
{
    services_->hold();
    state_->fieldTextDidChange("D");
    services_->waitUntilEntered(1);
    for (const char* text : {"De", "Dej", "DejaVu Se"})
        state_->fieldTextDidChange(text);
    services_->release();
    ASSERT_TRUE(dispatch::RunLoop::runUntil([&] { return state_->suggestionQueriesRun() == 2 && state_->rowCount() > 0 && state_->textAt(0).find("Se") != std::string::npos; }, 5));
    // The queue takes the keystrokes in order and the results come back to the main queue in that
    // order: with the last keystroke's result shown, every earlier keystroke has been passed over
    // and the first query's result has arrived. Nothing of this typing is left to come.
    dispatch::RunLoop::drain();
    EXPECT_EQ(state_->suggestionQueriesRun(), 2u) << "the first query and the last";
    EXPECT_EQ(rowTexts(), keywordsContaining("DejaVu Se")) << "the first query's late result is not shown";
}

TEST_F(KXHomeSearchStateTest, ClosingWritesTheHistoryAndEndsEveryReply)
{
    // Closing with an empty history writes nothing.
    state_->cancelBtnClick();
    EXPECT_FALSE(fs::exists(historyFile_));

    state_ = makeState();
    search("黑体");
    type("Sans");
    const auto changes = delegate_->changes;
    state_->cancelBtnClick();
    EXPECT_FALSE(state_->resultMode());
    EXPECT_FALSE(state_->suggestMode());
    EXPECT_EQ(historyOnDisk(), std::vector<std::string>{"黑体"});
    services_->answer(0, "1001");
    const auto sequence = state_->requestedSequence();
    state_->fieldTextDidChange("Mono");
    EXPECT_EQ(state_->requestedSequence(), sequence) << "a closed panel starts no type-ahead";
    dispatch::RunLoop::drain();
    EXPECT_EQ(delegate_->changes, changes) << "a closed panel takes no reply";
    EXPECT_EQ(state_->mode(), Mode::History);

    // Taken away by its owner (a tab switch): the searches of this showing are kept too.
    state_ = makeState();
    EXPECT_EQ(rowTexts(), std::vector<std::string>{"黑体"});
    search("宋体");
    state_->removedByOwner();
    EXPECT_EQ(historyOnDisk(), (std::vector<std::string>{"宋体", "黑体"}));
    services_->answer(1, "1001");
    EXPECT_EQ(state_->rowCount(), 2u) << "still the history";

    // "清除记录" writes an empty list at once.
    state_ = makeState();
    state_->clearBtnClick();
    EXPECT_EQ(state_->rowCount(), 0u);
    EXPECT_TRUE(fs::exists(historyFile_));
    EXPECT_TRUE(historyOnDisk().empty());
}

TEST_F(KXHomeSearchStateTest, ClicksSearchOnlyFromHistoryAndSuggestionRows)
{
    // Enter with an empty field: no history entry, no request.
    state_->jumpListView();
    EXPECT_TRUE(services_->requests.empty());
    EXPECT_TRUE(state_->history().isEmpty());

    KXSearchHistory stored(historyFile_);
    stored.add("宋体");
    stored.add("Sans");
    ASSERT_TRUE(stored.write());
    state_ = makeState();
    for (const long long row : {-1LL, 2LL, 99LL})
        state_->tableViewCellClick(row);
    EXPECT_TRUE(services_->requests.empty()) << "no row, no search";

    state_->tableViewCellClick(1);
    ASSERT_EQ(services_->requests.size(), 1u);
    EXPECT_EQ(services_->requests[0].text, "宋体");
    EXPECT_EQ(delegate_->fieldTexts, std::vector<std::string>{"宋体"});
    EXPECT_EQ(rowTexts(), (std::vector<std::string>{"宋体", "Sans"})) << "the history moved, and the table shows it";

    services_->answer(0, "1047");
    state_->tableViewCellClick(0);
    EXPECT_EQ(services_->requests.size(), 1u) << "font rows act through the road";
}

namespace {

// Waits until the rest of the font rows being read has landed.
bool restLanded(const KXHomeSearchState& state)
{
    return dispatch::RunLoop::runUntil([&] { return !state.isReadingRows(); }, 10);
}

// The delegate of a panel whose model holds the rows: it appends the rest itself.
class AppendingDelegate final : public KXHomeSearchStateDelegate {
public:
    explicit AppendingDelegate(KXHomeSearchState& state)
        : state_(state)
    {
    }
    bool searchStateAppendRows(const foundation::Array& rows) override
    {
        offered.push_back(rows.count());
        state_.records()->addObjectsFromArray(rows);
        return true;
    }
    std::vector<std::size_t> offered;

private:
    KXHomeSearchState& state_;
};

} // namespace

TEST_F(KXHomeSearchStateTest, ResultsShowTheirFirstRowsAndTheRestFollowsInOrder)
{
    state_->setFirstRows(3);
    // Fewer ids than the first rows: all of them at once, nothing more to read.
    search("A");
    services_->answer(0, "1004,1002");
    EXPECT_EQ(rowIds(), (std::vector<long long> { 1004, 1002 }));
    EXPECT_FALSE(state_->isReadingRows());

    // A long list: the rows of its first ids at once (an id the catalogue lacks is skipped), the
    // rest below them in the service's order once read, each font once.
    search("B");
    services_->answer(1, "1003,999999,1001,1003,1005,1002");
    EXPECT_EQ(state_->mode(), Mode::Results);
    EXPECT_EQ(rowIds(), (std::vector<long long> { 1003, 1001 })) << "the rows of its first ids";
    EXPECT_TRUE(state_->isReadingRows());
    ASSERT_TRUE(restLanded(*state_));
    EXPECT_EQ(rowIds(), (std::vector<long long> { 1003, 1001, 1005, 1002 }));
    EXPECT_EQ(state_->title(), "搜索字体");

    // Nothing found by the service: the whole catalogue, its first rows first.
    const auto whole = KXSortingData(services_->manager()).soringDataBySortType(0);
    search("C");
    services_->answer(2, "");
    EXPECT_EQ(state_->mode(), Mode::NoResult);
    EXPECT_EQ(state_->rowCount(), 3u);
    ASSERT_TRUE(restLanded(*state_));
    ASSERT_EQ(state_->rowCount(), whole->count());
    for (std::size_t row = 0; row < whole->count(); ++row)
        EXPECT_EQ(state_->recordAt(row)->fontid, whole->objectAtIndex(row).as<KXFontBaseModel>()->fontid)
            << row;

    // A panel whose model holds the rows appends the rest through it, once.
    auto appending = std::make_shared<AppendingDelegate>(*state_);
    state_->setDelegate(appending);
    search("D");
    services_->answer(3, "1001,1002,1003,1004,1005");
    ASSERT_TRUE(restLanded(*state_));
    EXPECT_EQ(appending->offered, std::vector<std::size_t> { 2 });
    EXPECT_EQ(rowIds(), (std::vector<long long> { 1001, 1002, 1003, 1004, 1005 }));
}

TEST_F(KXHomeSearchStateTest, AWalkCutShortShowsNoRowsAndClaimsNoResultUntilTheRestLands)
{
    services_->manager().setFirstRowsSteps(1);
    search("A");
    services_->answer(0, "1005,1001");
    EXPECT_EQ(state_->mode(), Mode::Results) << "rows are being read: no notice of no result";
    EXPECT_FALSE(state_->isNoticeShown());
    EXPECT_EQ(state_->title(), "搜索字体");
    EXPECT_EQ(state_->rowCount(), 0u);
    EXPECT_TRUE(state_->isReadingRows());
    const int changesBefore = delegate_->changes;
    ASSERT_TRUE(restLanded(*state_));
    EXPECT_EQ(rowIds(), (std::vector<long long> { 1005, 1001 }));
    EXPECT_EQ(delegate_->changes, changesBefore) << "rows appended below, nothing shown again";

    // A newer search, a keystroke or the panel closed while the rest is read: it never lands.
    search("B");
    services_->answer(1, "1002,1003");
    search("C");
    services_->answer(2, "1004");
    ASSERT_TRUE(restLanded(*state_));
    EXPECT_EQ(rowIds(), std::vector<long long> { 1004 });

    search("D");
    services_->answer(3, "1002,1003");
    type("Mono");
    EXPECT_FALSE(state_->isReadingRows());
    dispatch::RunLoop::drain();
    services_->manager().waitForBackgroundReads();
    dispatch::RunLoop::drain();
    EXPECT_EQ(state_->mode(), Mode::Suggestions);
    EXPECT_EQ(rowTexts(), keywordsContaining("Mono"));

    search("E");
    services_->answer(4, "1002,1003");
    state_->cancelBtnClick();
    EXPECT_FALSE(state_->isReadingRows());
    services_->manager().waitForBackgroundReads();
    dispatch::RunLoop::drain();
    EXPECT_EQ(state_->rowCount(), 0u);
}
