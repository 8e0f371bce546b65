// Search and filters on the 100,000-row catalogue of the generator (with its keyword table of some
// two thousand words), each against a plain program on the same file in the same run.
//
// 1. Suggestions for the type-ahead workload (200 prefixes of the catalogue's names, 1 to 6
//    characters, 60 % Chinese, 40 % Latin, one in ten a miss). Ours: each text through the search
//    panel's state (KXHomeSearchState with the real services: the suggestion index, queried on its
//    queue, the result back on the main queue) to a complete suggestion model: the id and name of
//    every match read, the records of the first 40 read by rowid. Peer: sqlite3's C API running
//    the two LIKE queries of the type-ahead, bound, reading the id and name of every row, the name
//    query only when the keyword query finds nothing (as ours). The index is built once before the
//    timing (its build time is printed). An FTS5 trigram table over the same texts is timed on the
//    same workload too, with the rows it finds.
// 2. A three-category filter (style tag 101, weight 4, brand 5). Ours: toggled in KXFilterSelection,
//    reported through filterViewTagsClick to the font list (KXHomeListView, 1200 x 800 offscreen),
//    which queries KXFilterData and shows the rows in its model; the table painted once. Peer: the
//    same bound statement through sqlite3 into structs, their names in a QStringListModel shown by
//    a QListView of the same size, painted once. Both start from the whole catalogue shown (its
//    rows held by each), so each drops the rows it showed before.
// 3. The search's first rows: Return in the search panel (KXHomeSearchView, 1200 x 800 offscreen,
//    on the shared catalogue manager) with a text the service finds nothing for, answered at once,
//    to the first rows of the recommended fonts (the whole catalogue in its default order)
//    painted; the rest of them is read in the background and waited for, untimed. Peer: the same
//    rows' full query through sqlite3's C API (the statement prepared, stepped to its end, the
//    columns a record holds read).
//
// Lines: `ratio <ours/peer> filter-3-categories`, `ratio <ours/peer> search-first-rows-100k`, then
// last `ratio <ours/peer> suggest-200-prefixes`.

#include "Class/FontList/KXFontListModel.h"
#include "Class/FontList/KXFontTableView.h"
#include "Class/FontList/KXHomeListOverlays.h"
#include "Class/FontList/KXHomeListView.h"
#include "Class/LayoutWidgets/WindowLayout.h"
#include "Class/SearchFilter/Core/KXFilterSelection.h"
#include "Class/SearchFilter/Core/KXHomeSearchState.h"
#include "Class/SearchFilter/KXHomeSearchView.h"
#include "Class/ServiceCore/Catalogue/KXBaseDBManager.h"
#include "Class/ServiceCore/Catalogue/KXSortingData.h"
#include "Class/ServiceCore/Catalogue/KXSuggestionIndex.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/UIKit/THSearchField.h"
#include "Platform/Dispatch/RunLoop.h"
#include "Platform/Foundation/Foundation.h"
#include "Support/AlternatingRun.h"
#include "Support/QuickRun.h"
#include "Support/ScratchFolder.h"
#include "Support/Timing.h"
#include "catalogue/SearchPrefixes.h"

#include <QApplication>
#include <QListView>
#include <QScrollBar>
#include <QStringListModel>
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using foundation::Id;

namespace {

const int kCatalogueRows = benchsupport::fullOrQuick(100000, 5000);
constexpr int kWidth = 1200;
constexpr int kHeight = 800;

fs::path generatorBinary()
{
    // build/bench/bench_search -> build/tools/catalogue/corvane-catalogue
    return fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "tools/catalogue/corvane-catalogue";
}

// --- sqlite3 helpers of the peer -----------------------------------------------------------------

sqlite3* openReadOnly(const fs::path& file)
{
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
        throw std::runtime_error("cannot open " + file.string());
    return db;
}

sqlite3_stmt* prepare(sqlite3* db, const std::string& sql)
{
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK)
        throw std::runtime_error(std::string("cannot prepare: ") + sqlite3_errmsg(db));
    return statement;
}

void execute(sqlite3* db, const std::string& sql)
{
    char* message = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
        const std::string text = message ? message : "";
        sqlite3_free(message);
        throw std::runtime_error("cannot run " + sql + ": " + text);
    }
}

std::string text(sqlite3_stmt* statement, int column)
{
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    return bytes ? std::string(bytes, static_cast<std::size_t>(sqlite3_column_bytes(statement, column))) : std::string();
}

std::string likeContaining(const std::string& value)
{
    std::string pattern = "%";
    for (const char c : value) {
        if (c == '%' || c == '_' || c == '\\')
            pattern += '\\';
        pattern += c;
    }
    return pattern + "%";
}

struct Suggestion {
    long long id = 0;
    std::string name;
};

// The peer's font rows: the columns a plain list of fonts shows.
struct PeerRow {
    long long fontid = 0;
    std::string fontname, image, nightImage, marketing;
    int isSell = 0;
};

// --- The workspace ---------------------------------------------------------------------------------

struct Workspace {
    fs::path folder;
    fs::path catalogue;
    fs::path trigram;
    std::vector<std::string> prefixes;
    std::unique_ptr<KXBaseDBManager> manager;
    std::shared_ptr<KXHomeSearchState> state;
    std::unique_ptr<KXHomeListView> list;
    std::unique_ptr<QStringListModel> peerModel;
    std::unique_ptr<QListView> peerView;
    std::vector<PeerRow> peerRows;
    // The peer's connection, open as a running program's would be.
    sqlite3* peerDb = nullptr;
};

Workspace& workspace()
{
    static Workspace w;
    return w;
}

void setFolders(const fs::path& folder)
{
    setenv("HOME", (folder / "home").c_str(), 1);
    for (const char* variable : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
        setenv(variable, (folder / "home" / variable).c_str(), 1);
    setenv("CORVANE_RESOURCE_DIR", (folder / "resources").c_str(), 1);
}

// An FTS5 trigram table of the keywords and of the font names, in a copy of the catalogue.
double buildTrigramTables(const fs::path& catalogue, const fs::path& copy)
{
    fs::copy_file(catalogue, copy, fs::copy_options::overwrite_existing);
    sqlite3* db = nullptr;
    sqlite3_open(copy.c_str(), &db);
    const auto start = std::chrono::steady_clock::now();
    execute(db, "CREATE VIRTUAL TABLE kw_tri USING fts5(keyword, tokenize='trigram');"
                "INSERT INTO kw_tri(rowid, keyword) SELECT rowid, keyword FROM fp_keyword WHERE keyword IS NOT NULL;"
                "CREATE VIRTUAL TABLE fn_tri USING fts5(fontname, tokenize='trigram');"
                "INSERT INTO fn_tri(rowid, fontname) SELECT rowid, fontname FROM fp_fonts WHERE fontname IS NOT NULL;");
    const double seconds = benchsupport::secondsSince(start);
    sqlite3_close(db);
    return seconds;
}

void prepareWorkspace()
{
    Workspace& w = workspace();
    w.folder = benchsupport::makeScratchFolder("bench-search");
    setFolders(w.folder);
    const std::string command = "'" + generatorBinary().string() + "' --out '" + (w.folder / "resources").string() + "' --rows " +
                                std::to_string(kCatalogueRows) + " --no-assets > /dev/null";
    if (std::system(command.c_str()) != 0)
        throw std::runtime_error("cannot generate the catalogue: " + command);
    w.catalogue = w.folder / "resources" / "fonts.sqlite";
    w.prefixes = catalogue::SearchPrefixes::build(w.catalogue, 200);

    // Ours: the search panel's state on its own manager; the index built before the timing.
    w.manager = std::make_unique<KXBaseDBManager>(w.catalogue);
    const auto indexStart = std::chrono::steady_clock::now();
    const auto index = w.manager->suggestionIndex();
    std::fprintf(stderr, "suggestion index: %zu keywords, %zu font names, %.1f MB, built in %.1f ms\n", index->keywords().count(),
                 index->fontnames().count(), static_cast<double>(index->bytes()) / 1e6, benchsupport::secondsSince(indexStart) * 1000);
    w.state = KXHomeSearchState::create(KXHomeSearchServices::standard(w.manager.get()), w.folder / "fontsearch.plist");

    w.peerDb = openReadOnly(w.catalogue);
    w.trigram = w.folder / "trigram.sqlite";
    std::fprintf(stderr, "fts5 trigram tables built in %.1f ms\n", buildTrigramTables(w.catalogue, w.trigram) * 1000);

    // The filter: the font list on the same catalogue (its shared manager copies it), and the peer.
    w.list = std::make_unique<KXHomeListView>(QRect(0, 0, kWidth, kHeight));
    w.list->show();
    w.peerModel = std::make_unique<QStringListModel>();
    w.peerView = std::make_unique<QListView>();
    w.peerView->setUniformItemSizes(true);
    w.peerView->setModel(w.peerModel.get());
    w.peerView->setGeometry(0, 0, kWidth, kHeight);
    w.peerView->show();
    for (int i = 0; i < 3; ++i) {
        QApplication::processEvents();
        layoutwidgets::WindowLayout::of(w.list.get()).layoutIfNeeded();
    }
}

// --- 1. Suggestions ----------------------------------------------------------------------------------

std::size_t gOursMatches = 0;
std::size_t gPeerMatches = 0;

double oursSuggestions()
{
    Workspace& w = workspace();
    KXHomeSearchState& state = *w.state;
    std::size_t matches = 0;
    std::size_t checksum = 0;
    const auto start = std::chrono::steady_clock::now();
    for (const auto& prefix : w.prefixes) {
        state.fieldTextDidChange(prefix);
        const auto wanted = state.requestedSequence();
        if (!dispatch::RunLoop::runUntil([&] { return state.appliedSequence() >= wanted; }, 10))
            return -1;
        // The complete model: every match's id and name, the first records.
        const std::size_t count = state.rowCount();
        if (const auto& suggestions = state.matches()) {
            for (std::size_t row = 0; row < count; ++row)
                checksum += static_cast<std::size_t>(suggestions->fontid(row)) + suggestions->name(row).size();
        }
        for (std::size_t row = 0; row < std::min<std::size_t>(count, KXHomeSearchState::kPrefetchedRecords); ++row)
            checksum += state.recordAt(row) ? 1 : 0;
        matches += count;
    }
    const double seconds = benchsupport::secondsSince(start);
    benchmark::DoNotOptimize(checksum);
    gOursMatches = matches;
    return seconds;
}

double peerSuggestions()
{
    Workspace& w = workspace();
    sqlite3* db = w.peerDb;
    sqlite3_stmt* keywords = prepare(db, "SELECT * FROM fp_keyword WHERE keyword like ? ESCAPE '\\'");
    sqlite3_stmt* names = prepare(db, "SELECT * FROM fp_fonts WHERE fontname like ? ESCAPE '\\'");
    const int keywordId = 0;
    const int keywordText = 1;
    int fontid = -1, fontname = -1;
    for (int column = 0; column < sqlite3_column_count(names); ++column) {
        const std::string name = sqlite3_column_name(names, column);
        if (name == "fontid")
            fontid = column;
        if (name == "fontname")
            fontname = column;
    }
    std::size_t matches = 0;
    const auto start = std::chrono::steady_clock::now();
    for (const auto& prefix : w.prefixes) {
        const std::string pattern = likeContaining(prefix);
        std::vector<Suggestion> rows;
        sqlite3_bind_text(keywords, 1, pattern.data(), static_cast<int>(pattern.size()), SQLITE_TRANSIENT);
        while (sqlite3_step(keywords) == SQLITE_ROW)
            rows.push_back({sqlite3_column_int64(keywords, keywordId), text(keywords, keywordText)});
        sqlite3_reset(keywords);
        if (rows.empty()) {
            sqlite3_bind_text(names, 1, pattern.data(), static_cast<int>(pattern.size()), SQLITE_TRANSIENT);
            while (sqlite3_step(names) == SQLITE_ROW)
                rows.push_back({sqlite3_column_int64(names, fontid), text(names, fontname)});
            sqlite3_reset(names);
        }
        matches += rows.size();
        benchmark::DoNotOptimize(rows.data());
    }
    const double seconds = benchsupport::secondsSince(start);
    sqlite3_finalize(keywords);
    sqlite3_finalize(names);
    gPeerMatches = matches;
    return seconds;
}

// The same rule on the trigram tables: the phrase of the text, as MATCH reads it.
void timeTrigram()
{
    Workspace& w = workspace();
    sqlite3* db = openReadOnly(w.trigram);
    sqlite3_stmt* keywords = prepare(db, "SELECT rowid, keyword FROM kw_tri WHERE kw_tri MATCH ?");
    sqlite3_stmt* names = prepare(db, "SELECT rowid, fontname FROM fn_tri WHERE fn_tri MATCH ?");
    std::size_t rows = 0;
    std::size_t answered = 0;
    const auto start = std::chrono::steady_clock::now();
    for (const auto& prefix : w.prefixes) {
        std::string phrase = "\"";
        for (const char c : prefix)
            phrase += c == '"' ? std::string("\"\"") : std::string(1, c);
        phrase += '"';
        std::size_t found = 0;
        sqlite3_bind_text(keywords, 1, phrase.data(), static_cast<int>(phrase.size()), SQLITE_TRANSIENT);
        while (sqlite3_step(keywords) == SQLITE_ROW)
            found += 1;
        sqlite3_reset(keywords);
        if (found == 0) {
            sqlite3_bind_text(names, 1, phrase.data(), static_cast<int>(phrase.size()), SQLITE_TRANSIENT);
            while (sqlite3_step(names) == SQLITE_ROW)
                found += 1;
            sqlite3_reset(names);
        }
        rows += found;
        answered += found > 0 ? 1 : 0;
    }
    const double seconds = benchsupport::secondsSince(start);
    sqlite3_finalize(keywords);
    sqlite3_finalize(names);
    sqlite3_close(db);
    std::fprintf(stderr, "fts5 trigram: %.1f ms for %zu prefixes, %zu rows, %zu prefixes answered (the LIKE queries: %zu rows)\n",
                 seconds * 1000, w.prefixes.size(), rows, answered, gPeerMatches);
}

benchsupport::PairedTimes gSuggest;

void BM_Suggest(benchmark::State& state)
{
    benchsupport::runAlternately(state, {oursSuggestions, peerSuggestions, "ours failed", "the peer failed", {}}, gSuggest, "peer_ms");
    if (gOursMatches != gPeerMatches)
        state.SkipWithError("ours and the peer found different rows");
}
BENCHMARK(BM_Suggest)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(benchsupport::fullOrQuick(5, 1));

// --- 2. The three-category filter -------------------------------------------------------------------

// The list as the filter's owner, as the list's own delegate object forwards.
class ListOwner final : public KXFilterViewDelegate {
public:
    explicit ListOwner(KXHomeListView& list)
        : list_(list)
    {
    }
    void filterViewTagsClick(const foundation::Ref<foundation::Dictionary>& tags) override { list_.filterViewTagsClick(tags); }

private:
    KXHomeListView& list_;
};

int gOursRows = 0;
int gPeerRows = 0;

double oursFilter()
{
    Workspace& w = workspace();
    const auto owner = std::make_shared<ListOwner>(*w.list);
    const auto start = std::chrono::steady_clock::now();
    KXFilterSelection selection;
    selection.toggle("风格", "101");
    selection.toggle("字重", "4");
    selection.toggle("字体品牌", "5");
    owner->filterViewTagsClick(selection.tagsDD());
    w.list->listTableView()->viewport()->repaint();
    const double seconds = benchsupport::secondsSince(start);
    // The first rows' walk is bounded: the rest of the rows comes after, untimed.
    if (!dispatch::RunLoop::runUntil([&] { return !w.list->reload().readingRest(); }, 60))
        return -1;
    gOursRows = w.list->listModel()->rowCount();
    return seconds;
}

// Runs `sql` (its texts bound in order) into rows, and shows their names in the peer's list.
void showPeerRows(const std::string& sql, const std::vector<std::string>& values)
{
    Workspace& w = workspace();
    sqlite3_stmt* statement = prepare(w.peerDb, sql);
    int columns[6] = {-1, -1, -1, -1, -1, -1};
    const char* wanted[6] = {"fontid", "fontname", "image", "night_image", "marketing", "is_sell"};
    for (int column = 0; column < sqlite3_column_count(statement); ++column)
        for (int i = 0; i < 6; ++i)
            if (std::string(sqlite3_column_name(statement, column)) == wanted[i])
                columns[i] = column;
    for (std::size_t i = 0; i < values.size(); ++i)
        sqlite3_bind_text(statement, static_cast<int>(i + 1), values[i].data(), static_cast<int>(values[i].size()), SQLITE_TRANSIENT);
    std::vector<PeerRow> rows;
    while (sqlite3_step(statement) == SQLITE_ROW)
        rows.push_back({sqlite3_column_int64(statement, columns[0]), text(statement, columns[1]), text(statement, columns[2]),
                        text(statement, columns[3]), text(statement, columns[4]), sqlite3_column_int(statement, columns[5])});
    sqlite3_finalize(statement);
    QStringList names;
    names.reserve(static_cast<qsizetype>(rows.size()));
    for (const auto& row : rows)
        names.push_back(QString::fromStdString(row.fontname));
    // The rows shown before go now, as ours drops the records it showed.
    w.peerRows = std::move(rows);
    w.peerModel->setStringList(names);
}

const std::string kPeerBase = "SELECT * FROM fp_fonts  where  language like '%,1,%' and (codeid != 3)";
const std::string kPeerOrder = " ORDER BY default_sort DESC, m_made_time DESC,ser_name_take ASC,font_weight ASC";

double peerFilter()
{
    Workspace& w = workspace();
    const auto start = std::chrono::steady_clock::now();
    showPeerRows(kPeerBase + " and (instr(lower(tags), lower(?)) > 0) and (font_weight = ?) and (partner_id = ?)" + kPeerOrder,
                 {",101,", "4", "5"});
    w.peerView->viewport()->repaint();
    const double seconds = benchsupport::secondsSince(start);
    gPeerRows = w.peerModel->rowCount();
    return seconds;
}

// Both lists back to their whole contents, outside the timing.
void resetFilter()
{
    Workspace& w = workspace();
    KXGlobalDataBase::sharedKXGlobalDataBase().setFilterD(foundation::MutableDictionary::create());
    w.list->filterViewTagsClick(foundation::Dictionary::create());
    w.list->listTableView()->viewport()->repaint();
    showPeerRows(kPeerBase + kPeerOrder, {});
    w.peerView->viewport()->repaint();
    QApplication::processEvents();
}

benchsupport::PairedTimes gFilter;

void BM_Filter(benchmark::State& state)
{
    benchsupport::runAlternately(state, {oursFilter, peerFilter, "ours failed", "the peer failed", resetFilter}, gFilter, "peer_ms");
    if (gOursRows != gPeerRows || gOursRows == 0)
        state.SkipWithError("ours and the peer show different rows");
}
BENCHMARK(BM_Filter)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(benchsupport::fullOrQuick(15, 1));

// --- 3. The search's first rows --------------------------------------------------------------------

// The panel's services with the service's search answered at once: it finds nothing.
class NothingFoundServices final : public KXHomeSearchServices {
public:
    explicit NothingFoundServices(KXBaseDBManager& manager)
        : catalogue_(standard(&manager))
    {
    }
    void search(const std::string& text, Reply reply) override
    {
        (void)text;
        reply(Id(foundation::Dictionary::create(
            { { Id("errcode"), Id(0LL) }, { Id("corvane_data"), Id(foundation::Dictionary::create()) } })));
    }
    KXBaseDBManager& catalogue() override { return catalogue_->catalogue(); }
    KXSuggestionMatches suggestions(std::string_view text) override { return catalogue_->suggestions(text); }
    foundation::Ref<foundation::MutableArray> suggestionRecords(
        const KXSuggestionMatches& matches, std::size_t first, std::size_t count) override
    {
        return catalogue_->suggestionRecords(matches, first, count);
    }

private:
    std::shared_ptr<KXHomeSearchServices> catalogue_;
};

// The peer: the rows' statement through the sqlite3 C API, every row stepped and the columns a
// record holds read.
double peerSearchRows(int* rows)
{
    static constexpr const char* kTexts[] = { "download_url", "fontname", "night_image", "ps_name",
        "language", "image", "marketing", "new_image", "keyword" };
    static constexpr const char* kNumbers[]
        = { "fontid", "time", "heat", "has_info", "font_weight", "is_sell", "type", "is_3d" };
    const KXCatalogueStatement statement = KXSortingData::defaultOrderStatement();
    const auto start = std::chrono::steady_clock::now();
    sqlite3_stmt* step = prepare(workspace().peerDb, statement.sql());
    for (std::size_t i = 0; i < statement.arguments().size(); ++i)
        sqlite3_bind_text(step, static_cast<int>(i + 1), statement.arguments()[i].stringValue().c_str(), -1,
            SQLITE_TRANSIENT);
    auto column = [step](const char* name) {
        for (int i = 0; i < sqlite3_column_count(step); ++i)
            if (std::string(sqlite3_column_name(step, i)) == name)
                return i;
        return -1;
    };
    std::vector<int> texts, numbers;
    for (const char* name : kTexts)
        texts.push_back(column(name));
    for (const char* name : kNumbers)
        numbers.push_back(column(name));
    std::size_t bytes = 0;
    long long sum = 0;
    int count = 0;
    while (sqlite3_step(step) == SQLITE_ROW) {
        for (int i : texts)
            bytes
                += sqlite3_column_text(step, i) ? static_cast<std::size_t>(sqlite3_column_bytes(step, i)) : 0;
        for (int i : numbers)
            sum += sqlite3_column_int(step, i);
        count += 1;
    }
    sqlite3_finalize(step);
    const double seconds = benchsupport::secondsSince(start);
    benchmark::DoNotOptimize(bytes);
    benchmark::DoNotOptimize(sum);
    *rows = count;
    return seconds;
}

std::unique_ptr<KXHomeSearchView> gSearchPanel;
int gSearchRows = 0;

// Return to the first rows painted; then, untimed, until the panel holds every row.
double oursSearchFirstRows()
{
    KXHomeSearchView& panel = *gSearchPanel;
    const auto start = std::chrono::steady_clock::now();
    emit panel.customStrTF()->returnPressed();
    panel.listTableView()->viewport()->repaint();
    const double seconds = benchsupport::secondsSince(start);
    const bool firstRowsShown = panel.state().mode() == KXHomeSearchState::Mode::NoResult
        && panel.fontModel()->rowCount() > 0 && panel.listTableView()->verticalScrollBar()->value() == 0;
    if (!firstRowsShown || !dispatch::RunLoop::runUntil([&] { return !panel.state().isReadingRows(); }, 60))
        return -1;
    return panel.fontModel()->rowCount() == gSearchRows ? seconds : -1;
}

benchsupport::PairedTimes gSearchFirstRows;

void BM_SearchFirstRows(benchmark::State& state)
{
    Workspace& w = workspace();
    KXBaseDBManager& manager = KXBaseDBManager::shareDBManager();
    manager.waitForBackgroundReads(); // the list index
    gSearchPanel = std::make_unique<KXHomeSearchView>(QRect(0, 0, kWidth, kHeight), nullptr,
        std::make_shared<NothingFoundServices>(manager), w.folder / "searchhistory.plist");
    gSearchPanel->show();
    // Typed, as a person types it; its suggestions shown before the timing.
    const QString typed = QStringLiteral("无此字体");
    gSearchPanel->customStrTF()->setText(typed);
    emit gSearchPanel->customStrTF()->textEdited(typed);
    KXHomeSearchState& search = gSearchPanel->state();
    if (!dispatch::RunLoop::runUntil(
            [&] { return search.appliedSequence() >= search.requestedSequence(); }, 10)) {
        state.SkipWithError("the type-ahead did not answer");
        return;
    }
    QApplication::processEvents();
    if (peerSearchRows(&gSearchRows) < 0 || gSearchRows == 0) {
        state.SkipWithError("the peer's query failed");
        return;
    }
    int rows = 0;
    benchsupport::runAlternately(state,
        { oursSearchFirstRows, [&] { return peerSearchRows(&rows); }, "ours failed", "the peer failed",
            [] { QApplication::processEvents(); } },
        gSearchFirstRows, "peer_ms");
    gSearchPanel.reset();
}
BENCHMARK(BM_SearchFirstRows)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(benchsupport::fullOrQuick(9, 2));

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    prepareWorkspace();
    benchmark::RunSpecifiedBenchmarks();
    timeTrigram();
    std::fprintf(stderr, "suggestions: %zu rows for %zu prefixes; filter: %d rows\n", gOursMatches, workspace().prefixes.size(), gOursRows);

    Workspace& w = workspace();
    w.list.reset();
    w.peerView.reset();
    w.peerModel.reset();
    w.state.reset();
    w.manager.reset();
    sqlite3_close(w.peerDb);
    std::error_code ec;
    fs::remove_all(w.folder, ec);
    std::printf("ratio %.3f filter-3-categories\n", gFilter.ratio());
    std::printf("ratio %.3f search-first-rows-100k\n", gSearchFirstRows.ratio());
    std::printf("ratio %.3f suggest-200-prefixes\n", gSuggest.ratio());
    return 0;
}
