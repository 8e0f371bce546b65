// SQLKit against the raw sqlite3 C API on a 100,000-row table shaped like the font catalogue:
// reading 10 columns by name through SQResultSet versus by index, and inserting every row in one
// transaction through executeUpdate with cached statements versus a raw prepared statement.

#include "Lib/SQLKit/SQDatabase.h"
#include "Lib/SQLKit/SQResultSet.h"

#include "Platform/Foundation/Foundation.h"
#include "Support/BenchReporter.h"
#include "Support/QuickRun.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

using foundation::Number;
using foundation::Ref;
using foundation::String;

namespace {

const int kRows = benchsupport::fullOrQuick(100000, 2000);

const char* const kCreateTable = "create table fp_fonts (fontid integer primary key, fontname text, image text, night_image text, "
                                 "download_url text, time integer, heat integer, ps_name text, font_weight integer, type integer, "
                                 "language text, tags text, show_img text, codeid integer, default_sort integer, partner_id integer, "
                                 "ser_name_take text, m_made_time integer, font_en_name text, new_image text, is_sell integer, "
                                 "has_info integer, is_3d integer, marketing text, keyword text)";
const char* const kInsert = "insert into fp_fonts values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)";
const char* const kSelect = "select * from fp_fonts";

// One generated catalogue row: the texts and integers in column order.
struct Row {
    long long fontid;
    std::string fontname, image, nightImage, downloadUrl;
    long long time, heat;
    std::string psName;
    long long fontWeight, type;
    std::string language, tags, showImg;
    long long codeid, defaultSort, partnerId;
    std::string serNameTake;
    long long madeTime;
    std::string enName, newImage;
    long long isSell, hasInfo, is3d;
    std::string marketing, keyword;
};

Row makeRow(int i)
{
    const std::string id = std::to_string(i);
    return Row{i, "Corvane Sans " + id, "https://img.example.test/day/" + id + ".png", "https://img.example.test/night/" + id + ".png",
        "https://dl.example.test/fonts/" + id + ".zip", 1600000000 + i, (i * 7919) % 100000, "CorvaneSans-" + id, 100 * (1 + i % 9),
        i % 4, i % 2 ? ",1," : ",1,2,", "," + std::to_string(i % 50) + "," + std::to_string(i % 13) + ",", "1", i % 8, kRows - i,
        i % 40, "corvane sans " + id, 1500000000 + i, "Corvane Sans " + id, i % 10 ? "" : "new.png", i % 3 == 0, 1, i % 5 == 0,
        ",2,5,", "corvane"};
}

const std::vector<Row>& rows()
{
    static const std::vector<Row> all = [] {
        std::vector<Row> made;
        made.reserve(kRows);
        for (int i = 1; i <= kRows; ++i)
            made.push_back(makeRow(i));
        return made;
    }();
    return all;
}

// The same rows as object-model values, the form a caller of the layer holds them in (a data
// package parsed from JSON gives strings and numbers).
struct ObjectRow {
    std::vector<Ref<String>> texts;
    std::vector<Ref<Number>> numbers;
};

const std::vector<ObjectRow>& objectRows()
{
    static const std::vector<ObjectRow> all = [] {
        std::vector<ObjectRow> made;
        made.reserve(kRows);
        for (const Row& r : rows()) {
            ObjectRow o;
            for (const std::string* text : {&r.fontname, &r.image, &r.nightImage, &r.downloadUrl, &r.psName, &r.language, &r.tags,
                     &r.showImg, &r.serNameTake, &r.enName, &r.newImage, &r.marketing, &r.keyword})
                o.texts.push_back(String::create(*text));
            for (const long long number : {r.fontid, r.time, r.heat, r.fontWeight, r.type, r.codeid, r.defaultSort, r.partnerId,
                     r.madeTime, r.isSell, r.hasInfo, r.is3d})
                o.numbers.push_back(Number::numberWithLongLong(number));
            made.push_back(std::move(o));
        }
        return made;
    }();
    return all;
}

// SQLite copies the text, as the layer has it do (and as C++ wrappers of the C API usually do).
void bindText(sqlite3_stmt* statement, int column, const std::string& text)
{
    sqlite3_bind_text(statement, column, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

void insertRaw(sqlite3* db)
{
    sqlite3_exec(db, "begin exclusive transaction", nullptr, nullptr, nullptr);
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, kInsert, -1, &statement, nullptr);
    for (const Row& r : rows()) {
        sqlite3_bind_int64(statement, 1, r.fontid);
        bindText(statement, 2, r.fontname);
        bindText(statement, 3, r.image);
        bindText(statement, 4, r.nightImage);
        bindText(statement, 5, r.downloadUrl);
        sqlite3_bind_int64(statement, 6, r.time);
        sqlite3_bind_int64(statement, 7, r.heat);
        bindText(statement, 8, r.psName);
        sqlite3_bind_int64(statement, 9, r.fontWeight);
        sqlite3_bind_int64(statement, 10, r.type);
        bindText(statement, 11, r.language);
        bindText(statement, 12, r.tags);
        bindText(statement, 13, r.showImg);
        sqlite3_bind_int64(statement, 14, r.codeid);
        sqlite3_bind_int64(statement, 15, r.defaultSort);
        sqlite3_bind_int64(statement, 16, r.partnerId);
        bindText(statement, 17, r.serNameTake);
        sqlite3_bind_int64(statement, 18, r.madeTime);
        bindText(statement, 19, r.enName);
        bindText(statement, 20, r.newImage);
        sqlite3_bind_int64(statement, 21, r.isSell);
        sqlite3_bind_int64(statement, 22, r.hasInfo);
        sqlite3_bind_int64(statement, 23, r.is3d);
        bindText(statement, 24, r.marketing);
        bindText(statement, 25, r.keyword);
        if (sqlite3_step(statement) != SQLITE_DONE)
            std::abort();
        sqlite3_reset(statement);
    }
    sqlite3_finalize(statement);
    sqlite3_exec(db, "commit transaction", nullptr, nullptr, nullptr);
}

void insertOurs(const Ref<SQDatabase>& db)
{
    db->setShouldCacheStatements(true);
    db->beginTransaction();
    for (const ObjectRow& o : objectRows()) {
        const auto& t = o.texts;
        const auto& n = o.numbers;
        const bool ok = db->executeUpdate(kInsert, n[0], t[0], t[1], t[2], t[3], n[1], n[2], t[4], n[3], n[4], t[5], t[6], t[7], n[5],
            n[6], n[7], t[8], n[8], t[9], t[10], n[9], n[10], n[11], t[11], t[12]);
        if (!ok)
            std::abort();
    }
    db->commit();
}

// The peer of insertOurs: the same values, bound straight through the C API with one prepared
// statement, so the comparison measures the layer and not where the values live in memory.
void insertObjectsRaw(sqlite3* db)
{
    sqlite3_exec(db, "begin exclusive transaction", nullptr, nullptr, nullptr);
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, kInsert, -1, &statement, nullptr);
    // Column order of the insert: which columns are numbers (n) and which texts (t).
    static constexpr char kKinds[] = "nttttnntnntttnnntnttnnntt";
    for (const ObjectRow& o : objectRows()) {
        std::size_t text = 0;
        std::size_t number = 0;
        for (int column = 0; column < 25; ++column) {
            if (kKinds[column] == 't')
                bindText(statement, column + 1, o.texts[text++]->utf8());
            else
                sqlite3_bind_int64(statement, column + 1, o.numbers[number++]->longLongValue());
        }
        if (sqlite3_step(statement) != SQLITE_DONE)
            std::abort();
        sqlite3_reset(statement);
    }
    sqlite3_finalize(statement);
    sqlite3_exec(db, "commit transaction", nullptr, nullptr, nullptr);
}

const std::string& databasePath()
{
    static const std::string path = [] {
        char folder[] = "/tmp/bench_sqlite.XXXXXX";
        if (!mkdtemp(folder))
            std::abort();
        const std::string file = std::string(folder) + "/fonts.sqlite";
        sqlite3* db = nullptr;
        sqlite3_open(file.c_str(), &db);
        sqlite3_exec(db, kCreateTable, nullptr, nullptr, nullptr);
        insertRaw(db);
        sqlite3_close(db);
        return file;
    }();
    return path;
}

// --- Reading ---

void BM_ReadRaw(benchmark::State& state)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(databasePath().c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    for (auto _ : state) {
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(db, kSelect, -1, &statement, nullptr);
        std::size_t sum = 0;
        while (sqlite3_step(statement) == SQLITE_ROW) {
            // fontname, image, download_url, ps_name, tags, new_image; fontid, heat, font_weight, is_sell
            for (const int column : {1, 2, 4, 7, 11, 19}) {
                const auto* text = sqlite3_column_text(statement, column);
                // Copied out, as a caller keeps a value (the layer makes a string object of it).
                const std::string value(reinterpret_cast<const char*>(text), static_cast<std::size_t>(sqlite3_column_bytes(statement, column)));
                sum += value.size();
            }
            for (const int column : {0, 6, 8, 20})
                sum += static_cast<std::size_t>(sqlite3_column_int(statement, column));
        }
        sqlite3_finalize(statement);
        benchmark::DoNotOptimize(sum);
    }
    sqlite3_close(db);
}

void BM_ReadOurs(benchmark::State& state)
{
    auto db = SQDatabase::databaseWithPath(databasePath());
    db->openWithFlags(SQLITE_OPEN_READONLY);
    for (auto _ : state) {
        Ref<SQResultSet> rs = db->executeQuery(kSelect);
        std::size_t sum = 0;
        // Written out as a caller writes them, each name a literal at its call.
        while (rs->next()) {
            sum += rs->stringForColumn("fontname")->utf8().size();
            sum += rs->stringForColumn("image")->utf8().size();
            sum += rs->stringForColumn("download_url")->utf8().size();
            sum += rs->stringForColumn("ps_name")->utf8().size();
            sum += rs->stringForColumn("tags")->utf8().size();
            sum += rs->stringForColumn("new_image")->utf8().size();
            sum += static_cast<std::size_t>(rs->intForColumn("fontid"));
            sum += static_cast<std::size_t>(rs->intForColumn("heat"));
            sum += static_cast<std::size_t>(rs->intForColumn("font_weight"));
            sum += static_cast<std::size_t>(rs->intForColumn("is_sell"));
        }
        rs->close();
        benchmark::DoNotOptimize(sum);
    }
}

// --- Inserting ---

void BM_InsertRaw(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        sqlite3* db = nullptr;
        sqlite3_open(":memory:", &db);
        sqlite3_exec(db, kCreateTable, nullptr, nullptr, nullptr);
        state.ResumeTiming();
        insertObjectsRaw(db);
        state.PauseTiming();
        sqlite3_close(db);
        state.ResumeTiming();
    }
}

void BM_InsertOurs(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto db = SQDatabase::create();
        db->open();
        db->executeUpdate(kCreateTable);
        state.ResumeTiming();
        insertOurs(db);
        state.PauseTiming();
        db->close();
        state.ResumeTiming();
    }
}

// Repeated, and the ratios taken from the fastest repetition of each, so that a busy machine
// disturbs the comparison less.
const double kMinTime = benchsupport::fullOrQuick(0.5, 0.02);
const int kRepetitions = benchsupport::fullOrQuick(9, 1);
BENCHMARK(BM_ReadRaw)->Unit(benchmark::kMillisecond)->MinTime(kMinTime)->Repetitions(kRepetitions);
BENCHMARK(BM_ReadOurs)->Unit(benchmark::kMillisecond)->MinTime(kMinTime)->Repetitions(kRepetitions);
BENCHMARK(BM_InsertRaw)->Unit(benchmark::kMillisecond)->MinTime(kMinTime)->Repetitions(kRepetitions);
BENCHMARK(BM_InsertOurs)->Unit(benchmark::kMillisecond)->MinTime(kMinTime)->Repetitions(kRepetitions);

} // namespace

int main(int argc, char** argv)
{
    // The repetitions of both sides run in random order, so a machine that slows down or speeds up
    // during the run weighs on both alike (a flag given on the command line still wins).
    std::vector<char*> arguments(argv, argv + argc);
    char interleave[] = "--benchmark_enable_random_interleaving=true";
    arguments.insert(arguments.begin() + 1, interleave);
    int count = static_cast<int>(arguments.size());
    benchmark::Initialize(&count, arguments.data());
    databasePath();
    objectRows();
    // The fastest repetition of each, in CPU time per iteration.
    benchsupport::BenchReporter reporter(benchsupport::BenchReporter::Keep::Fastest, benchsupport::BenchReporter::Clock::Cpu);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("ratio %.3f insert-100k\n", reporter.ratio("BM_InsertOurs", "BM_InsertRaw"));
    std::printf("ratio %.3f read-100k\n", reporter.ratio("BM_ReadOurs", "BM_ReadRaw"));
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(databasePath()).parent_path(), ignored);
    return 0;
}
