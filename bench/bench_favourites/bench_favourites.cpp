// Opening a favourite folder on the 100,000-row catalogue of the generator, against a plain program
// on the same file in the same run.
//
// The workload: a getMyCollect reply of 200 folders holding 100,000 fonts in all (the largest
// 5,000), as the service sends it. Ours: the reply decoded by the transport's JSON reader, its
// "collection" stored as the session's folders (KXUserCenterConfig::setGroupsInfo, which indexes the
// favourites), the largest folder's fonts turned into font records in the folder's order
// (KXCollectionFonts::records, the catalogue's id-order query), and every record marked as a
// favourite or not from the session. Peer: QJsonDocument, the favourites in a std::unordered_set,
// raw sqlite3 with the folder's ids in a temporary table joined to the catalogue (every column of
// every row read), the same marks from the set.
//
// Last line: `ratio <ours/peer> open-folder-5000`.

#include "Class/Favourites/Core/KXCollectionFonts.h"
#include "Class/ServiceCore/Catalogue/KXFilterData.h"
#include "Class/ServiceCore/Catalogue/KXFontBaseModel.h"
#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"
#include "Platform/Foundation/Foundation.h"
#include "Platform/Serialization/JSONSerialization.h"
#include "Support/AlternatingRun.h"
#include "Support/QuickRun.h"
#include "Support/ScratchFolder.h"
#include "Support/Timing.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <algorithm>
#include <random>
#include <stdexcept>
#include <string>
#include <unordered_set>
#include <variant>
#include <vector>

namespace fs = std::filesystem;
using foundation::Id;

namespace {

const int kCatalogueRows = benchsupport::fullOrQuick(100000, 2000);
const int kFolders = benchsupport::fullOrQuick(200, 20);
const int kMemberships = benchsupport::fullOrQuick(100000, 2000);
const int kLargestFolder = benchsupport::fullOrQuick(5000, 100);

fs::path generatorBinary()
{
    // build/bench/bench_favourites -> build/tools/catalogue/corvane-catalogue
    return fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "tools/catalogue/corvane-catalogue";
}

void setFolders(const fs::path& folder)
{
    setenv("HOME", (folder / "home").c_str(), 1);
    for (const char* variable : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
        setenv(variable, (folder / "home" / variable).c_str(), 1);
    setenv("CORVANE_RESOURCE_DIR", (folder / "resources").c_str(), 1);
}

sqlite3_stmt* prepare(sqlite3* db, const std::string& sql)
{
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK)
        throw std::runtime_error(std::string("cannot prepare: ") + sqlite3_errmsg(db));
    return statement;
}

void execute(sqlite3* db, const char* sql)
{
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        throw std::runtime_error(std::string("cannot run: ") + sqlite3_errmsg(db));
}

struct Workspace {
    fs::path folder;
    fs::path catalogue;
    std::string reply; // the getMyCollect reply as sent
    sqlite3* peerDb = nullptr;
};

Workspace& workspace()
{
    static Workspace w;
    return w;
}

// 200 folders of distinct catalogue ids, 100,000 in all, the first 5,000 long.
std::string makeReply(const std::vector<long long>& catalogueIds)
{
    std::mt19937_64 random(29);
    QJsonArray collection;
    int left = kMemberships;
    for (int folder = 0; folder < kFolders; ++folder) {
        const int size = folder == 0 ? kLargestFolder : (left / (kFolders - folder));
        left -= size;
        std::vector<long long> ids(catalogueIds);
        std::shuffle(ids.begin(), ids.end(), random);
        QJsonArray fonts;
        for (int i = 0; i < size; ++i)
            fonts.append(static_cast<qint64>(ids[static_cast<std::size_t>(i)]));
        QJsonObject record;
        record["id"] = 1000 + folder;
        record["collect_name"] = QStringLiteral("收藏夹%1").arg(folder);
        record["add_time"] = QStringLiteral("2026-12-07 06:00:00");
        record["is_publish"] = folder % 4;
        record["is_encrypt"] = 0;
        record["img"] = QString();
        record["visits"] = folder;
        record["font_num"] = size;
        record["fonts"] = fonts;
        collection.append(record);
    }
    QJsonObject data;
    data["collection"] = collection;
    data["collect_version"] = QStringLiteral("7");
    QJsonObject reply;
    reply["errcode"] = 0;
    reply["message"] = QString();
    reply["corvane_data"] = data;
    return QJsonDocument(reply).toJson(QJsonDocument::Compact).toStdString();
}

void prepareWorkspace()
{
    Workspace& w = workspace();
    w.folder = benchsupport::makeScratchFolder("bench-favourites");
    setFolders(w.folder);
    const std::string command = "'" + generatorBinary().string() + "' --out '" + (w.folder / "resources").string() + "' --rows " +
                                std::to_string(kCatalogueRows) + " --no-assets > /dev/null";
    if (std::system(command.c_str()) != 0)
        throw std::runtime_error("cannot generate the catalogue: " + command);
    w.catalogue = w.folder / "resources" / "fonts.sqlite";
    if (sqlite3_open_v2(w.catalogue.c_str(), &w.peerDb, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
        throw std::runtime_error("cannot open the catalogue");
    std::vector<long long> ids;
    sqlite3_stmt* all = prepare(w.peerDb, "SELECT fontid FROM fp_fonts");
    while (sqlite3_step(all) == SQLITE_ROW)
        ids.push_back(sqlite3_column_int64(all, 0));
    sqlite3_finalize(all);
    w.reply = makeReply(ids);
    std::fprintf(stderr, "reply: %.1f MB, %d folders, %d memberships, %zu catalogue rows\n", static_cast<double>(w.reply.size()) / 1e6,
                 kFolders, kMemberships, ids.size());
    // The shared catalogue copies its file on first use: outside the timing.
    KXFilterData().recentDataWithIDs(std::to_string(ids.front()));
}

// --- ours --------------------------------------------------------------------------------------------

std::size_t gOursRows = 0;
std::size_t gOursMarked = 0;
double gOursDecode = 0, gOursOpen = 0;

double ours()
{
    const Workspace& w = workspace();
    auto& session = KXUserCenterConfig::sharedKXUserCenterConfig();
    const auto start = std::chrono::steady_clock::now();
    const Id reply = foundation::JSONSerialization::JSONObjectWithData(foundation::Data::create(std::string_view(w.reply)), 0);
    const auto collection = reply["corvane_data"]["collection"].array();
    if (!collection)
        return -1;
    session.setGroupsInfo(foundation::MutableArray::create(collection->objects()));
    const auto decoded = std::chrono::steady_clock::now();
    const auto records = KXCollectionFonts::records(collection->objectAtIndex(0)["fonts"]);
    const auto opened = std::chrono::steady_clock::now();
    std::size_t marked = 0;
    for (const Id& item : *records) {
        const auto record = item.as<KXFontBaseModel>();
        record->isCollected = session.isCollected(record->fontid);
        marked += record->isCollected ? 1 : 0;
    }
    const double seconds = benchsupport::secondsSince(start);
    gOursDecode = std::chrono::duration<double>(decoded - start).count();
    gOursOpen = std::chrono::duration<double>(opened - decoded).count();
    gOursRows = records->count();
    gOursMarked = marked;
    return seconds;
}

// --- the peer ----------------------------------------------------------------------------------------

using Value = std::variant<std::monostate, long long, double, std::string>;
struct PeerRow {
    long long fontid = 0;
    std::vector<Value> columns;
    bool favourite = false;
};

std::size_t gPeerRows = 0;
std::size_t gPeerMarked = 0;

double peer()
{
    Workspace& w = workspace();
    const auto start = std::chrono::steady_clock::now();
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromRawData(w.reply.data(), static_cast<qsizetype>(w.reply.size())));
    const QJsonArray collection = document.object().value("corvane_data").toObject().value("collection").toArray();
    std::unordered_set<long long> favourites;
    for (const auto& folder : collection)
        for (const auto& font : folder.toObject().value("fonts").toArray())
            favourites.insert(font.toInteger());
    const QJsonArray largest = collection.at(0).toObject().value("fonts").toArray();

    sqlite3* db = w.peerDb;
    execute(db, "BEGIN; CREATE TEMP TABLE IF NOT EXISTS wanted (place INTEGER PRIMARY KEY, fontid INTEGER); DELETE FROM wanted;");
    sqlite3_stmt* insert = prepare(db, "INSERT INTO wanted (place, fontid) VALUES (?, ?)");
    long long place = 0;
    for (const auto& font : largest) {
        sqlite3_bind_int64(insert, 1, place++);
        sqlite3_bind_int64(insert, 2, font.toInteger());
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_stmt* select = prepare(db, "SELECT fp_fonts.* FROM wanted JOIN fp_fonts ON fp_fonts.fontid = wanted.fontid ORDER BY wanted.place");
    const int columns = sqlite3_column_count(select);
    int fontidColumn = 0;
    for (int column = 0; column < columns; ++column)
        if (std::string(sqlite3_column_name(select, column)) == "fontid")
            fontidColumn = column;
    std::vector<PeerRow> rows;
    rows.reserve(static_cast<std::size_t>(largest.size()));
    while (sqlite3_step(select) == SQLITE_ROW) {
        PeerRow row;
        row.columns.reserve(static_cast<std::size_t>(columns));
        for (int column = 0; column < columns; ++column) {
            switch (sqlite3_column_type(select, column)) {
            case SQLITE_INTEGER:
                row.columns.emplace_back(static_cast<long long>(sqlite3_column_int64(select, column)));
                break;
            case SQLITE_FLOAT:
                row.columns.emplace_back(sqlite3_column_double(select, column));
                break;
            case SQLITE_NULL:
                row.columns.emplace_back(std::monostate());
                break;
            default:
                row.columns.emplace_back(std::string(reinterpret_cast<const char*>(sqlite3_column_text(select, column)),
                                                     static_cast<std::size_t>(sqlite3_column_bytes(select, column))));
            }
        }
        row.fontid = sqlite3_column_int64(select, fontidColumn);
        rows.push_back(std::move(row));
    }
    sqlite3_finalize(select);
    execute(db, "COMMIT;");
    std::size_t marked = 0;
    for (auto& row : rows) {
        row.favourite = favourites.contains(row.fontid);
        marked += row.favourite ? 1 : 0;
    }
    const double seconds = benchsupport::secondsSince(start);
    benchmark::DoNotOptimize(rows.data());
    gPeerRows = rows.size();
    gPeerMarked = marked;
    return seconds;
}

benchsupport::PairedTimes gOpen;

void BM_OpenFolder(benchmark::State& state)
{
    benchsupport::runAlternately(state, {ours, peer, "ours failed", "the peer failed", {}}, gOpen, "peer_ms");
    if (gOursRows != gPeerRows || gOursRows != static_cast<std::size_t>(kLargestFolder) || gOursMarked != gPeerMarked)
        state.SkipWithError("ours and the peer open different rows");
}
BENCHMARK(BM_OpenFolder)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(benchsupport::fullOrQuick(15, 1));

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    prepareWorkspace();
    benchmark::RunSpecifiedBenchmarks();
    std::fprintf(stderr, "ours, last run: decode and store %.1f ms, open %.1f ms; %zu rows, %zu marked\n", gOursDecode * 1000,
                 gOursOpen * 1000, gOursRows, gOursMarked);
    Workspace& w = workspace();
    sqlite3_close(w.peerDb);
    std::error_code ec;
    fs::remove_all(w.folder, ec);
    std::printf("ratio %.3f open-folder-5000\n", gOpen.ratio());
    return 0;
}
