// The catalogue on the 100,000-row catalogue of the generator, in one run:
// 1. the main list (Chinese, default order), the popularity order, a three-group filter and a name
//    search, through the query classes into font records, against the raw sqlite3 C API running
//    the same SQL with the same values and reading the same columns into plain structs;
// 2. a merge of 10,000 package rows (half updates, half inserts) against the per-row SQL texts of
//    the old merge (values pasted between quotes) run with sqlite3_exec in one transaction.
// The last line is the queries' ratio.

#include "Class/ServiceCore/Catalogue/KXBaseDBManager.h"
#include "Class/ServiceCore/Catalogue/KXCatalogueMerge.h"
#include "Class/ServiceCore/Catalogue/KXFilterData.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/ServiceCore/Catalogue/KXSearchData.h"
#include "Class/ServiceCore/Catalogue/KXSortingData.h"
#include "Platform/Foundation/Foundation.h"
#include "Platform/Storage/UserDefaults.h"
#include "Support/BenchReporter.h"
#include "Support/QuickRun.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;
using foundation::Id;

namespace {

const int kCatalogueRows = benchsupport::fullOrQuick(100000, 2000);
const int kMergeRows = benchsupport::fullOrQuick(10000, 200);

struct Workspace {
    fs::path folder;
    fs::path catalogue;
    std::vector<long long> popular;
    foundation::Ref<foundation::MutableArray> package;
};

Workspace& workspace()
{
    static Workspace w;
    return w;
}

// --- The raw peer: plain structs, columns by index --------------------------------------------

struct RawFont {
    std::string downloadUrl, fontname, nightImage, psName, language, image, marketing, newImage;
    int fontid = 0, time = 0, heat = 0, hasInfo = 0, fontWeight = 0, type = 0;
    long long isSell = 0;
    bool is3d = false;
};

int columnOf(sqlite3_stmt* statement, const char* name)
{
    for (int i = 0; i < sqlite3_column_count(statement); ++i)
        if (sqlite3_stricmp(sqlite3_column_name(statement, i), name) == 0)
            return i;
    return -1;
}

std::string rawText(sqlite3_stmt* statement, int column)
{
    const auto* text = column < 0 ? nullptr : sqlite3_column_text(statement, column);
    return text ? std::string(reinterpret_cast<const char*>(text), static_cast<std::size_t>(sqlite3_column_bytes(statement, column)))
                : std::string();
}

void bindRaw(sqlite3_stmt* statement, const std::vector<Id>& arguments)
{
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const int index = static_cast<int>(i + 1);
        if (auto* number = arguments[i].ptr<foundation::Number>())
            sqlite3_bind_int64(statement, index, number->longLongValue());
        else
            sqlite3_bind_text(statement, index, arguments[i].stringValue().c_str(), -1, SQLITE_TRANSIENT);
    }
}

std::vector<RawFont> rawQuery(sqlite3* db, const KXCatalogueStatement& query)
{
    std::vector<RawFont> fonts;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, query.sql().c_str(), -1, &statement, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(db));
    bindRaw(statement, query.arguments());
    const int c[] = {columnOf(statement, "download_url"), columnOf(statement, "fontname"), columnOf(statement, "night_image"),
        columnOf(statement, "ps_name"), columnOf(statement, "language"), columnOf(statement, "image"), columnOf(statement, "marketing"),
        columnOf(statement, "new_image"), columnOf(statement, "fontid"), columnOf(statement, "time"), columnOf(statement, "heat"),
        columnOf(statement, "has_info"), columnOf(statement, "font_weight"), columnOf(statement, "is_sell"), columnOf(statement, "type"),
        columnOf(statement, "is_3d"), columnOf(statement, "keyword")};
    while (sqlite3_step(statement) == SQLITE_ROW) {
        RawFont f;
        f.downloadUrl = rawText(statement, c[0]);
        f.fontname = rawText(statement, c[1]);
        f.nightImage = rawText(statement, c[2]);
        f.psName = rawText(statement, c[3]);
        f.language = rawText(statement, c[4]);
        f.image = rawText(statement, c[5]);
        f.marketing = rawText(statement, c[6]);
        f.newImage = rawText(statement, c[7]);
        f.fontid = sqlite3_column_int(statement, c[8]);
        f.time = sqlite3_column_int(statement, c[9]);
        f.heat = sqlite3_column_int(statement, c[10]);
        f.hasInfo = sqlite3_column_int(statement, c[11]);
        f.fontWeight = sqlite3_column_int(statement, c[12]);
        f.isSell = sqlite3_column_int(statement, c[13]);
        f.type = sqlite3_column_int(statement, c[14]);
        f.is3d = (sqlite3_column_int(statement, c[15]) & 0xFF) != 0;
        if (f.fontname.empty() && f.fontid < 1)
            f.fontname = rawText(statement, c[16]);
        fonts.push_back(std::move(f));
    }
    sqlite3_finalize(statement);
    return fonts;
}

// The statements the query classes run, built from the same pieces.
KXCatalogueStatement mainList()
{
    return KXCatalogueStatement::catalogueBase().append(KXCatalogueStatement::kDefaultOrder);
}

std::vector<KXCatalogueStatement> popularity()
{
    const auto& ids = workspace().popular;
    KXCatalogueStatement first = KXCatalogueStatement::fontsInIdOrder(ids);
    KXCatalogueStatement rest("SELECT * FROM fp_fonts where ");
    rest.append(KXCatalogueStatement::fontidIn(ids, true)).append("  ORDER BY default_sort DESC");
    return {first, rest};
}

foundation::Ref<foundation::MutableDictionary> filterSelection()
{
    return foundation::MutableDictionary::create({{Id("风格"), Id(foundation::MutableArray::create({Id("101"), Id("102")}))},
        {Id("字重"), Id(foundation::MutableArray::create({Id("4"), Id("5")}))},
        {Id("大类型标签"), Id(foundation::MutableArray::create({Id("m11")}))}});
}

KXCatalogueStatement filterStatement()
{
    KXCatalogueStatement statement = KXCatalogueStatement::catalogueBase();
    statement.append(" and (instr(lower(tags), lower(?)) > 0 or instr(lower(tags), lower(?)) > 0)", {Id(",101,"), Id(",102,")})
        .append(" and (font_weight = ? or font_weight = ?)", {Id("4"), Id("5")})
        .append(" and (instr(lower(marketing), lower(?)) > 0)", {Id(",m11,")})
        .append(KXCatalogueStatement::kDefaultOrder);
    return statement;
}

constexpr const char* kSearchWord = "黑体";

KXCatalogueStatement searchStatement()
{
    return KXCatalogueStatement("SELECT * FROM fp_fonts WHERE instr(lower(fontname), lower(?)) > 0", {Id(kSearchWord)});
}

void BM_QueriesRaw(benchmark::State& state)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(workspace().catalogue.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    std::size_t rows = 0;
    for (auto _ : state) {
        rows = rawQuery(db, mainList()).size();
        for (const auto& statement : popularity())
            rows += rawQuery(db, statement).size();
        rows += rawQuery(db, filterStatement()).size();
        rows += rawQuery(db, searchStatement()).size();
    }
    state.counters["rows"] = static_cast<double>(rows);
    sqlite3_close(db);
}

void BM_QueriesOurs(benchmark::State& state)
{
    KXBaseDBManager manager(workspace().catalogue);
    std::size_t rows = 0;
    for (auto _ : state) {
        rows = KXSortingData(manager).soringDataBySortType(0)->count();
        rows += KXSortingData(manager).soringDataBySortType(2)->count();
        rows += KXFilterData(manager).dataByTagsDictionary(filterSelection())->count();
        rows += KXSearchData(manager).searchDataByKeyword(kSearchWord)->count();
    }
    state.counters["rows"] = static_cast<double>(rows);
}

// --- The merge -------------------------------------------------------------------------------

fs::path freshCopy()
{
    const fs::path copy = workspace().folder / "merge.sqlite";
    fs::copy_file(workspace().catalogue, copy, fs::copy_options::overwrite_existing);
    return copy;
}

int noteRow(void* found, int, char**, char**)
{
    *static_cast<bool*>(found) = true;
    return 0;
}

// The old merge's statements: every value's description pasted between single quotes.
void mergeByTexts(sqlite3* db, const foundation::Array& rows)
{
    sqlite3_exec(db, "BEGIN EXCLUSIVE TRANSACTION", nullptr, nullptr, nullptr);
    for (const Id& row : rows) {
        const std::string fontid = row["fontid"].description();
        bool found = false;
        sqlite3_exec(db, ("SELECT * FROM fp_fonts WHERE fontid = '" + fontid + "'").c_str(), noteRow, &found, nullptr);
        std::vector<std::string> v;
        for (const char* column : KXCatalogueMerge::kColumns)
            v.push_back(row[column].description());
        std::string sql;
        if (found) {
            sql = "UPDATE fp_fonts SET fontname = '" + v[0] + "',image = '" + v[1] + "',night_image = '" + v[2] + "', download_url = '" + v[3]
                + "', time = '" + v[4] + "', heat = '" + v[5] + "', ps_name = '" + v[6] + "', font_weight = '" + v[7] + "', type = '" + v[8]
                + "', language = '" + v[9] + "', tags = '" + v[10] + "', show_img = '" + v[11] + "', codeid = '" + v[12]
                + "', default_sort = '" + v[13] + "',  partner_id = '" + v[14] + "', ser_name_take = '" + v[15] + "', m_made_time = '" + v[16]
                + "',font_en_name = '" + v[17] + "', new_image = '" + v[18] + "' , is_sell = '" + v[19] + "',has_info = '" + v[20]
                + "' WHERE fontid = '" + fontid + "' ";
        } else {
            sql = "INSERT INTO fp_fonts (fontname,image,night_image, download_url, time , heat, ps_name, font_weight , type, language , tags ,"
                  " show_img , codeid , default_sort ,  partner_id ,ser_name_take,m_made_time,font_en_name,new_image,is_sell,has_info,fontid ) VALUES (";
            for (const auto& value : v)
                sql += "'" + value + "',";
            sql += "'" + fontid + "')";
        }
        sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
    }
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
}

void BM_MergeRaw(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        const fs::path copy = freshCopy();
        sqlite3* db = nullptr;
        sqlite3_open_v2(copy.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
        state.ResumeTiming();
        mergeByTexts(db, *workspace().package);
        state.PauseTiming();
        sqlite3_close(db);
        state.ResumeTiming();
    }
}

void BM_MergeOurs(benchmark::State& state)
{
    bool merged = false;
    for (auto _ : state) {
        state.PauseTiming();
        const fs::path copy = freshCopy();
        auto manager = std::make_unique<KXBaseDBManager>(copy);
        state.ResumeTiming();
        manager->updateDataWithdDatas(workspace().package, [&](bool ok) { merged = ok; });
        state.PauseTiming();
        manager.reset();
        state.ResumeTiming();
    }
    if (!merged)
        state.SkipWithError("the merge failed");
}

// The work happens on the catalogue's queue thread, so wall time is compared, not CPU time; each
// is repeated and the fastest repetition taken, so that a busy machine disturbs the ratio less.
BENCHMARK(BM_QueriesRaw)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(benchsupport::fullOrQuick(1.0, 0.05))
    ->Repetitions(benchsupport::fullOrQuick(5, 1));
BENCHMARK(BM_QueriesOurs)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(benchsupport::fullOrQuick(1.0, 0.05))
    ->Repetitions(benchsupport::fullOrQuick(5, 1));
BENCHMARK(BM_MergeRaw)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(benchsupport::fullOrQuick(3, 1))
    ->Repetitions(benchsupport::fullOrQuick(5, 1));
BENCHMARK(BM_MergeOurs)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(benchsupport::fullOrQuick(3, 1))
    ->Repetitions(benchsupport::fullOrQuick(5, 1));

fs::path generatorBinary()
{
    if (const char* binary = std::getenv("CORVANE_BINARY_DIR"))
        return fs::path(binary) / "tools/catalogue/corvane-catalogue";
    // build/bench/bench_catalogue -> build/tools/catalogue/corvane-catalogue
    return fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "tools/catalogue/corvane-catalogue";
}

void prepare()
{
    Workspace& w = workspace();
    std::string pattern = (fs::temp_directory_path() / "bench-catalogue-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot make a work folder");
    w.folder = pattern;
    // The query classes read the user's settings: give the run a settings folder of its own.
    for (const char* variable : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
        setenv(variable, (w.folder / variable).c_str(), 1);
    const std::string command = "'" + generatorBinary().string() + "' --out '" + w.folder.string() + "' --rows "
        + std::to_string(kCatalogueRows) + " --no-assets > /dev/null";
    if (std::system(command.c_str()) != 0)
        throw std::runtime_error("cannot generate the catalogue: " + command);
    w.catalogue = w.folder / "fonts.sqlite";

    sqlite3* db = nullptr;
    sqlite3_open_v2(w.catalogue.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    // The popularity list of a start-up reply: the 30 most used fonts.
    const auto popular = rawQuery(db, KXCatalogueStatement("SELECT * FROM fp_fonts ORDER BY heat DESC LIMIT 30"));
    auto heat = foundation::MutableArray::create();
    for (const auto& font : popular) {
        w.popular.push_back(font.fontid);
        heat->addObject(Id(static_cast<long long>(font.fontid)));
    }
    KXGlobalDataBase::sharedKXGlobalDataBase().setHeatTopArray(heat);
    KXGlobalDataBase::sharedKXGlobalDataBase().setEnLanguage(false);

    // The package: every other catalogue row changed, and as many new fonts, as parsed JSON gives them.
    w.package = foundation::MutableArray::create();
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, "SELECT * FROM fp_fonts WHERE fontid % 2 = 0 LIMIT ?", -1, &statement, nullptr);
    sqlite3_bind_int(statement, 1, kMergeRows / 2);
    long long newId = 5000000;
    while (sqlite3_step(statement) == SQLITE_ROW) {
        for (bool update : {true, false}) {
            auto row = foundation::MutableDictionary::create();
            for (const char* column : KXCatalogueMerge::kColumns) {
                const int index = columnOf(statement, column);
                if (sqlite3_column_type(statement, index) == SQLITE_INTEGER)
                    row->setObject(Id(static_cast<long long>(sqlite3_column_int64(statement, index))), Id(column));
                else
                    row->setObject(Id(rawText(statement, index)), Id(column));
            }
            row->setObject(Id(rawText(statement, columnOf(statement, "fontname")) + (update ? " v2" : " new")), Id("fontname"));
            row->setObject(update ? Id(static_cast<long long>(sqlite3_column_int64(statement, columnOf(statement, "fontid")))) : Id(newId++),
                Id("fontid"));
            w.package->addObject(row);
        }
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    prepare();
    benchsupport::BenchReporter reporter(benchsupport::BenchReporter::Keep::Fastest, benchsupport::BenchReporter::Clock::Real);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("ratio %.3f catalogue-merge-10k\n", reporter.ratio("BM_MergeOurs", "BM_MergeRaw"));
    std::printf("ratio %.3f catalogue-queries\n", reporter.ratio("BM_QueriesOurs", "BM_QueriesRaw"));
    std::error_code ignored;
    fs::remove_all(workspace().folder, ignored);
    return 0;
}
