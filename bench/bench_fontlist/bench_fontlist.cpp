// The font list on the 100,000-row catalogue of the generator, with an in-process local service
// serving its previews, warmed into memory before anything is timed: ours through the
// application's image loader (its memory cache), the peer into a QHash of the same images.
//
// Ours: KXHomeListView, 1200 x 800 offscreen, preview size 90, its rows read by KXSortingData (the
// whole list, its rest read behind the first rows waited for) and painted by the row delegate (badges, marks,
// favourite, preview, the row set-up of every paint). Peer: a QListView with uniform item sizes over a
// QStandardItemModel of the same rows (the fields a row draws as roles: name, day and night preview,
// new-preview text, marketing codes, 3D and sale flags, font id) and a QStyledItemDelegate drawing the title
// and the preview from a QHash of the same decoded images. Each scrolls from the top to the bottom a page per
// step, repainting at each step; the two alternate.
//
// Memory: each side also runs alone in a child process (this program again, "--child ours|peer")
// that loads its rows the way it would in use (ours through the catalogue classes, the peer with
// plain sqlite3), warms the previews from the parent's service and scrolls through once; its peak resident
// size comes from wait4. The children are started by a launcher forked while the program is still small: a
// process keeps the peak of the memory it was cloned from across exec, so children started by the
// grown parent would all report the parent's peak. The children that stand for the client (ours,
// browsing, filtering) set the allocator as the client does; the peer's leaves it as it is.
//
// Browsing: one more child is the client as it starts (main()'s wiring and the main window it
// opens, offscreen at the window's own size, its start-up requests answered by the service) over a
// catalogue whose every row has a preview of its own (rendered by the service), loaded the way the
// page loads them: the rows a paint shows ask the image loader, which keeps what it decoded in its
// memory cache at the default limit and writes it to its disk cache. It prints its resident size
// once the window's requests are answered and the cloud list's first page of previews is in, and
// again after a page per step through every row of the list, each step's previews in before the
// next.
//
// Filtering: the last child is the same client after the same start, with nothing scrolled. It
// makes 30 filter changes on the cloud list as a person makes them through the drop-down filter
// and the search panel (style tags with "清除" between, weights the same way, two tags together, a
// search, "清除"), each change's rows and previews shown before the next, and prints its resident
// size after start and after the last change.
//
// Reload: the cloud tab clicked on the list at rest (its rows all in), as the main window answers
// the click (setTabTypeNum(1)), to the rows in view painted; against the same rows' full query
// through the sqlite3 C API (the list's statement prepared, stepped to its end, each row's
// columns that a record holds read). After each of our clicks the rest of the list is waited for,
// untimed, so that the peer runs on a quiet machine and the next click finds the list at rest.
//
// Rare filter: a filter that few rows match, applied to the cloud list at rest, to the rows in view
// painted (the first rows' walk is bounded: the click may show none of them yet); against the
// filter's full query through the sqlite3 C API. Untimed by the ratio: from the click to all its
// rows shown, the rest of them read in the background.
//
// Lines: `ratio <after/start> fontlist-browse-rss-100k`, `ratio <after/start>
// fontlist-filter-rss-100k`, `ratio <ours/peer> fontlist-reload-100k`, `ms <ours>
// fontlist-reload-rare-100k`, `ratio <ours/peer> fontlist-reload-rare-100k`, `ms <ours>
// fontlist-reload-rare-rows-100k`, `ratio <ours/peer> fontlist-peak-rss-100k`, then last `ratio
// <ours/peer> fontlist-scroll-100k`.

#include "Class/Favourites/FavouritesRegistration.h"
#include "Class/FontList/FontListRegistration.h"
#include "Class/FontList/KXFontListModel.h"
#include "Class/FontList/KXFontTableView.h"
#include "Class/FontList/KXHomeListTableCellView.h"
#include "Class/FontList/KXHomeListView.h"
#include "Class/FontList/KXPreviewImageSource.h"
#include "Class/FontList/KXPreviewLoads.h"
#include "Class/FontList/KXWebPreviewSource.h"
#include "Class/Home/HomeRegistration.h"
#include "Class/Home/KXHomeWindow.h"
#include "Class/LayoutWidgets/WindowLayout.h"
#include "Class/SearchFilter/KXFilterFontWeighCell.h"
#include "Class/SearchFilter/KXFilterTagGrid.h"
#include "Class/SearchFilter/KXFilterView.h"
#include "Class/SearchFilter/KXHomeSearchView.h"
#include "Class/SearchFilter/SearchFilterRegistration.h"
#include "Class/FontList/Core/KXListReload.h"
#include "Class/ServiceCore/Catalogue/KXBaseDBManager.h"
#include "Class/ServiceCore/Catalogue/KXCatalogueStatement.h"
#include "Class/ServiceCore/Catalogue/KXFilterData.h"
#include "Class/ServiceCore/Catalogue/KXSortingData.h"
#include "Class/ServiceCore/Transport/KXHTTPBUSINESS.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Class/UIKit/THSearchField.h"
#include "Lib/ImageLoading/ILImageCache.h"
#include "Lib/ImageLoading/ILMainScreen.h"
#include "Lib/ImageLoading/ILMemoryCache.h"
#include "Lib/ImageLoading/ILMemoryPolicy.h"
#include "Lib/ImageLoading/ILWebManager.h"
#include "Lib/Networking/NKNetworking.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/Dispatch/RunLoop.h"
#include "Platform/Foundation/Data.h"
#include "Platform/Graphics/Image.h"
#include "Support/AlternatingRun.h"
#include "Support/QuickRun.h"
#include "Support/ScratchFolder.h"
#include "Support/Timing.h"
#include "local-service/LocalService.h"

#include <QApplication>
#include <QHash>
#include <QListView>
#include <QPainter>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QStyledItemDelegate>
#include <benchmark/benchmark.h>
#include <httplib.h>
#include <sqlite3.h>

#include <spawn.h>
#include <unistd.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using foundation::Id;

extern char** environ;

namespace {

const int kCatalogueRows = benchsupport::fullOrQuick(100000, 1000);
constexpr int kWidth = 1200;
constexpr int kHeight = 800;

// --- The catalogue and its previews --------------------------------------------------------------

fs::path generatorBinary()
{
    // build/bench/bench_fontlist -> build/tools/catalogue/corvane-catalogue
    return fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "tools/catalogue/corvane-catalogue";
}

// Every distinct address of the catalogue's previews (its `image` column): the peer's rows draw them.
std::vector<std::string> previewURLs(const fs::path& catalogue, const std::string& base)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(catalogue.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, "SELECT DISTINCT image FROM fp_fonts", -1, &statement, nullptr);
    std::vector<std::string> urls;
    const std::string placeholder = "https://catalogue.corvane.invalid/";
    while (sqlite3_step(statement) == SQLITE_ROW) {
        std::string url = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
        if (url.starts_with(placeholder))
            url = base + url.substr(placeholder.size());
        urls.push_back(url);
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return urls;
}

// Decoded previews by address: what a warm memory cache holds.
using Previews = std::map<std::string, foundation::Ref<graphics::Image>>;

// Fetches each preview from the service over HTTPS and decodes it.
Previews fetchPreviews(const std::vector<std::string>& urls, const std::string& base, const fs::path& caFile)
{
    const std::string host = base.substr(std::string("https://").size(), base.size() - std::string("https://").size() - 1);
    httplib::SSLClient client(host.substr(0, host.find(':')), std::stoi(host.substr(host.find(':') + 1)));
    client.set_ca_cert_path(caFile.c_str());
    client.enable_server_certificate_verification(true);
    Previews previews;
    for (const auto& url : urls) {
        const auto reply = client.Get(url.substr(base.size() - 1));
        if (!reply || reply->status != 200)
            throw std::runtime_error("preview not served: " + url);
        if (auto image = graphics::Image::createWithData(foundation::Data::create(reply->body), 2.0))
            previews.emplace(url, image);
    }
    return previews;
}

// Our previews: the application's image loader, each preview loaded once from the service for the
// box the rows draw it in, so that its memory cache holds what every row asks for.
void warmImageLoader(
    KXPreviewImageSource& source, const std::vector<std::string>& urls, const KXPreviewBox& box)
{
    std::size_t finished = 0;
    std::vector<std::shared_ptr<KXPreviewImageSource::Load>> loads;
    for (const auto& url : urls)
        loads.push_back(source.load(url, box,
            [&finished](const foundation::Ref<graphics::Image>&, bool done) { finished += done ? 1 : 0; }));
    dispatch::RunLoop::runUntil([&] { return finished == urls.size(); }, 120);
    for (const auto& url : urls)
        if (!source.cachedImage(url, box))
            throw std::runtime_error("preview not in the image loader's memory: " + url);
}

// --- The peer ------------------------------------------------------------------------------------

// The peer's roles: every catalogue field a row draws.
constexpr int kUrlRole = Qt::UserRole + 1;
constexpr int kNightUrlRole = Qt::UserRole + 2;
constexpr int kNewImageRole = Qt::UserRole + 3;
constexpr int kMarketingRole = Qt::UserRole + 4;
constexpr int kThreeDRole = Qt::UserRole + 5;
constexpr int kSellRole = Qt::UserRole + 6;
constexpr int kFontIdRole = Qt::UserRole + 7;

struct PeerRow {
    QString title, url, nightUrl, newImage, marketing;
    int threeD = 0, sell = 0, fontid = 0;
};

class PeerDelegate final : public QStyledItemDelegate {
public:
    explicit PeerDelegate(const QHash<QString, QImage>& images)
        : images_(images)
    {
        titleFont_.setPixelSize(12);
    }
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const QRect row(option.rect.topLeft(), QSize(option.rect.width(), option.rect.height() - 3));
        painter->fillRect(row, Qt::white);
        painter->setFont(titleFont_);
        painter->setPen(QColor(180, 180, 180));
        painter->drawText(QRect(row.left() + 8, row.top() + 10, row.width() - 16, 15), Qt::AlignLeft | Qt::AlignVCenter,
                          index.data(Qt::DisplayRole).toString());
        const auto image = images_.constFind(index.data(kUrlRole).toString());
        if (image != images_.constEnd() && !image->isNull()) {
            const QSizeF size = image->deviceIndependentSize();
            const double width = 30 * size.width() / size.height();
            painter->setRenderHint(QPainter::SmoothPixmapTransform);
            painter->drawImage(QRectF(row.left() + 8, row.top() + 25 + (row.height() - 25) / 2.0 - 15, width, 30), *image);
        }
    }
    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override { return {1, 93}; }

private:
    const QHash<QString, QImage>& images_;
    QFont titleFont_;
};

// The peer's rows read as a plain program would, each handed over as it is read: the same
// catalogue query, the drawn columns.
void readPeerRows(const fs::path& catalogue, const std::string& base, const std::function<void(const PeerRow&)>& row)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(catalogue.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    const std::string sql = "SELECT fontname, image, night_image, new_image, marketing, is_3d, is_sell, fontid FROM fp_fonts"
                            " where language like '%,1,%' and (codeid != 3)" +
                            std::string(KXCatalogueStatement::kDefaultOrder);
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr);
    const std::string placeholder = "https://catalogue.corvane.invalid/";
    auto text = [statement](int column) {
        const auto* bytes = sqlite3_column_text(statement, column);
        return bytes ? std::string(reinterpret_cast<const char*>(bytes)) : std::string();
    };
    auto url = [&](int column) {
        std::string value = text(column);
        if (value.starts_with(placeholder))
            value = base + value.substr(placeholder.size());
        return QString::fromStdString(value);
    };
    while (sqlite3_step(statement) == SQLITE_ROW) {
        row(PeerRow{QString::fromStdString(text(0)), url(1), url(2), QString::fromStdString(text(3)), QString::fromStdString(text(4)),
                    sqlite3_column_int(statement, 5), sqlite3_column_int(statement, 6), sqlite3_column_int(statement, 7)});
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
}

struct Peer {
    QHash<QString, QImage> images;
    QStandardItemModel model;
    QListView view;
    PeerDelegate delegate{images};

    Peer(const fs::path& catalogue, const std::string& base, const Previews& previews)
    {
        for (const auto& [url, image] : previews)
            images.insert(QString::fromStdString(url), image->image());
        int row = 0;
        readPeerRows(catalogue, base, [&](const PeerRow& fields) {
            auto* item = new QStandardItem(fields.title);
            item->setData(fields.url, kUrlRole);
            item->setData(fields.nightUrl, kNightUrlRole);
            item->setData(fields.newImage, kNewImageRole);
            item->setData(fields.marketing, kMarketingRole);
            item->setData(fields.threeD, kThreeDRole);
            item->setData(fields.sell, kSellRole);
            item->setData(fields.fontid, kFontIdRole);
            model.setItem(row++, item);
        });
        view.setUniformItemSizes(true);
        view.setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
        view.setItemDelegate(&delegate);
        view.setModel(&model);
        view.setGeometry(0, 0, kWidth, kHeight);
        view.show();
        QApplication::processEvents();
    }
};

// --- Ours ----------------------------------------------------------------------------------------

// The list shows its first rows at once and appends the rest once it is read: waits for it.
bool wholeListShown(KXHomeListView& list)
{
    return dispatch::RunLoop::runUntil([&] { return !list.reload().readingRest(); }, 60);
}

// Top to bottom, a page per step, each step painted before the next.
double scrollThrough(QAbstractScrollArea& area)
{
    QScrollBar* bar = area.verticalScrollBar();
    bar->setValue(0);
    area.viewport()->repaint();
    const int page = area.viewport()->height();
    const auto start = std::chrono::steady_clock::now();
    for (int value = 0; value < bar->maximum(); value += page) {
        bar->setValue(value);
        area.viewport()->repaint();
    }
    bar->setValue(bar->maximum());
    area.viewport()->repaint();
    return benchsupport::secondsSince(start);
}

struct Ours {
    KXHomeListView list { QRect(0, 0, kWidth, kHeight) };
    Ours()
    {
        list.show();
        if (!wholeListShown(list))
            throw std::runtime_error("the list's rows were not all read");
        for (int i = 0; i < 3; ++i) {
            QApplication::processEvents();
            layoutwidgets::WindowLayout::of(&list).layoutIfNeeded();
        }
    }
    // Every preview address the rows show (in the palette the list starts in), once.
    std::vector<std::string> previewURLs() const
    {
        std::set<std::string> urls;
        for (int row = 0; row < list.listModel()->rowCount(); ++row)
            if (std::string url = list.rowView()->previewURL(*list.listModel()->recordAt(row)); !url.empty())
                urls.insert(std::move(url));
        return { urls.begin(), urls.end() };
    }
    // The box every row draws its preview in (the rows are all alike).
    KXPreviewBox previewBox() const
    {
        const KXFontTableView& table = *list.listTableView();
        const QRect row
            = KXHomeListTableCellView::rowRect(table.visualRect(list.listModel()->index(0, 0)), &table);
        return KXHomeListTableCellView::previewBox(row, table);
    }
    // Top to bottom as scrollThrough does; -1 when a row found its preview missing from memory and
    // loaded it, which is not the warm scroll compared.
    double scrollWarm()
    {
        const KXPreviewLoads& previews = list.listTableView()->previews();
        const std::size_t loads = previews.loadsStarted();
        const double seconds = scrollThrough(*list.listTableView());
        return previews.loadsStarted() == loads ? seconds : -1;
    }
};

struct Workspace {
    fs::path folder;
    std::unique_ptr<localservice::LocalService> service;
    std::string base;
    Previews previews;
    std::unique_ptr<Ours> ours;
    std::unique_ptr<Peer> peer;
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

// The browsing child's own home and resources, so that it reads its own catalogue.
fs::path browseFolder(const fs::path& folder)
{
    return folder / "browse";
}

void generateCatalogue(const fs::path& resources, const std::string& extra)
{
    const std::string command = "'" + generatorBinary().string() + "' --out '" + resources.string() + "' --rows " +
                                std::to_string(kCatalogueRows) + extra + " > /dev/null";
    if (std::system(command.c_str()) != 0)
        throw std::runtime_error("cannot generate the catalogue: " + command);
}

void prepare()
{
    Workspace& w = workspace();
    w.folder = benchsupport::makeScratchFolder("bench-fontlist");
    setFolders(w.folder);
    generateCatalogue(w.folder / "resources", "");
    generateCatalogue(browseFolder(w.folder) / "resources", " --render-previews");

    localservice::ServiceOptions options;
    options.stateDir = w.folder / "service";
    options.resourcesDir = w.folder / "resources";
    options.quiet = true;
    w.service = std::make_unique<localservice::LocalService>(options);
    std::string error;
    if (!w.service->start(&error))
        throw std::runtime_error("local service: " + error);
    w.base = w.service->baseUrl();
    setenv(KXHTTPBUSINESS::kBaseURLVariable, w.base.c_str(), 1);
    setenv("SSL_CERT_FILE", w.service->caCertificatePath().c_str(), 1);

    const auto urls = previewURLs(w.folder / "resources" / "fonts.sqlite", w.base);
    w.previews = fetchPreviews(urls, w.base, w.service->caCertificatePath());
    const auto source = std::make_shared<KXWebPreviewSource>();
    KXPreviewImageSource::install(source);
    w.ours = std::make_unique<Ours>();
    warmImageLoader(*source, w.ours->previewURLs(), w.ours->previewBox());
    w.peer = std::make_unique<Peer>(w.folder / "resources" / "fonts.sqlite", w.base, w.previews);
    std::fprintf(stderr, "rows: ours %d, peer %d; previews %zu\n", w.ours->list.listModel()->rowCount(), w.peer->model.rowCount(),
                 w.previews.size());
}

benchsupport::PairedTimes gScroll;

void BM_Scroll(benchmark::State& state)
{
    Workspace& w = workspace();
    benchsupport::runAlternately(state,
        { [&] { return w.ours->scrollWarm(); }, [&] { return scrollThrough(w.peer->view); },
            "ours loaded previews while scrolling: its memory cache was not warm", "the peer failed", {} },
        gScroll, "peer_ms");
}
BENCHMARK(BM_Scroll)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(benchsupport::fullOrQuick(3, 1));

// --- Reload --------------------------------------------------------------------------------------

benchsupport::PairedTimes gReload;

// The peer: the list's statement through the sqlite3 C API on a connection kept open, every row
// stepped and the columns a record holds read.
struct PeerQuery {
    sqlite3* db = nullptr;
    KXCatalogueStatement statement;
    int rows = 0;

    explicit PeerQuery(const fs::path& catalogue, KXCatalogueStatement listStatement = KXSortingData::defaultOrderStatement())
        : statement(std::move(listStatement))
    {
        sqlite3_open_v2(catalogue.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    }
    ~PeerQuery() { sqlite3_close(db); }

    double run()
    {
        static constexpr const char* kTexts[] = {"download_url", "fontname", "night_image", "ps_name", "language", "image",
                                                 "marketing", "new_image", "keyword"};
        static constexpr const char* kNumbers[] = {"fontid", "time", "heat", "has_info", "font_weight", "is_sell", "type", "is_3d"};
        const auto start = std::chrono::steady_clock::now();
        sqlite3_stmt* step = nullptr;
        if (sqlite3_prepare_v2(db, statement.sql().c_str(), -1, &step, nullptr) != SQLITE_OK)
            return -1;
        for (std::size_t i = 0; i < statement.arguments().size(); ++i)
            sqlite3_bind_text(step, static_cast<int>(i + 1), statement.arguments()[i].stringValue().c_str(), -1, SQLITE_TRANSIENT);
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
            for (int i : texts) {
                const auto* text = sqlite3_column_text(step, i);
                bytes += text ? static_cast<std::size_t>(sqlite3_column_bytes(step, i)) : 0;
            }
            for (int i : numbers)
                sum += sqlite3_column_int(step, i);
            count += 1;
        }
        sqlite3_finalize(step);
        const double seconds = benchsupport::secondsSince(start);
        benchmark::DoNotOptimize(bytes);
        benchmark::DoNotOptimize(sum);
        rows = count;
        return seconds;
    }
};

// Ours: the click to the rows in view painted; then, untimed, until the list holds every row.
double reloadOurs(KXHomeListView& list, int wholeList)
{
    auto whole = [&] { return list.listModel()->rowCount() == wholeList; };
    if (!dispatch::RunLoop::runUntil(whole, 60))
        return -1;
    const auto start = std::chrono::steady_clock::now();
    list.setTabTypeNum(KXHomeListView::ModeCloud);
    list.listTableView()->viewport()->repaint();
    const double seconds = benchsupport::secondsSince(start);
    const bool firstRowsShown = list.listModel()->rowCount() > 0 && list.listTableView()->verticalScrollBar()->value() == 0;
    if (!firstRowsShown || !dispatch::RunLoop::runUntil(whole, 60))
        return -1;
    return seconds;
}

void BM_Reload(benchmark::State& state)
{
    Workspace& w = workspace();
    PeerQuery peer(w.folder / "resources" / "fonts.sqlite");
    if (peer.run() < 0 || peer.rows == 0) {
        state.SkipWithError("the peer's query failed");
        return;
    }
    benchsupport::runAlternately(
        state,
        {[&] { return reloadOurs(w.ours->list, peer.rows); }, [&] { return peer.run(); }, "ours failed", "the peer failed",
         {}},
        gReload, "peer_ms");
}
BENCHMARK(BM_Reload)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(benchsupport::fullOrQuick(7, 1));

// A filter that few rows match: a brand and a weight together (about one row in 800), so that the
// first rows' walk along the list order finds fewer than the first rows it looks for. Ours: the
// filter applied as the drop-down applies it, to the rows in view painted, from the whole cloud
// list at rest; then, untimed, the rest of the reload and the cloud list again. The peer: the
// filter's whole statement through the sqlite3 C API, as for the reload above.

benchsupport::PairedTimes gReloadRare;
std::vector<double> gRareStatement;
std::vector<double> gRareAllRows;

foundation::Ref<foundation::MutableDictionary> rareFilter()
{
    auto filter = foundation::MutableDictionary::create();
    filter->setObject(Id(foundation::Array::create({Id(1LL)})), Id(std::string(KXFilterData::kBrandCategory)));
    filter->setObject(Id(foundation::Array::create({Id(1LL)})), Id(std::string(KXFilterData::kWeightCategory)));
    return filter;
}

double reloadRareOurs(KXHomeListView& list, int wholeList, int rareRows)
{
    auto whole = [&] { return list.listModel()->rowCount() == wholeList && !list.reload().readingRest(); };
    if (!dispatch::RunLoop::runUntil(whole, 60))
        return -1;
    const auto start = std::chrono::steady_clock::now();
    list.filterViewTagsClick(rareFilter());
    list.listTableView()->viewport()->repaint();
    const double seconds = benchsupport::secondsSince(start);
    const int shown = list.listModel()->rowCount();
    const bool firstRowsShown = shown > 0 ? shown <= rareRows : list.reload().readingRest();
    if (!firstRowsShown || !dispatch::RunLoop::runUntil([&] { return !list.reload().readingRest(); }, 60) ||
        list.listModel()->rowCount() != rareRows)
        return -1;
    gRareAllRows.push_back(benchsupport::secondsSince(start));
    // The first rows' statement alone, on the same catalogue.
    const auto statementStart = std::chrono::steady_clock::now();
    const auto first = KXBaseDBManager::shareDBManager().firstRowsBySqlStr(
        KXFilterData::tagsStatement(foundation::MutableDictionary::dictionaryWithDictionary(*rareFilter())), KXListReload::kFirstRows);
    gRareStatement.push_back(benchsupport::secondsSince(statementStart));
    if (static_cast<int>(first.records->count()) > rareRows)
        return -1;
    list.setTabTypeNum(KXHomeListView::ModeCloud);
    return seconds;
}

void BM_ReloadRare(benchmark::State& state)
{
    Workspace& w = workspace();
    KXBaseDBManager::shareDBManager().waitForBackgroundReads();
    PeerQuery whole(w.folder / "resources" / "fonts.sqlite");
    PeerQuery peer(w.folder / "resources" / "fonts.sqlite",
                   KXFilterData::tagsStatement(foundation::MutableDictionary::dictionaryWithDictionary(*rareFilter())));
    if (whole.run() < 0 || peer.run() < 0 || peer.rows == 0 || peer.rows >= static_cast<int>(KXListReload::kFirstRows)) {
        state.SkipWithError("the peer's query failed or the filter is not rare");
        return;
    }
    benchsupport::runAlternately(
        state,
        {[&] { return reloadRareOurs(w.ours->list, whole.rows, peer.rows); }, [&] { return peer.run(); }, "ours failed",
         "the peer failed", {}},
        gReloadRare, "peer_ms");
    std::fprintf(stderr, "rare filter: %d rows; the first rows' statement alone %.1f ms (median)\n", peer.rows,
                 benchsupport::median(gRareStatement) * 1000);
}
BENCHMARK(BM_ReloadRare)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(benchsupport::fullOrQuick(7, 1));

// --- Peak memory in child processes --------------------------------------------------------------

// The launcher: reads "side folder base" lines, runs each child and answers its peak in KiB (-1
// when it failed).
struct Launcher {
    int requests = -1;
    int answers = -1;
    pid_t pid = -1;
};

Launcher& launcher()
{
    static Launcher l;
    return l;
}

[[noreturn]] void serveLaunches(int in, int out)
{
    const std::string self = fs::read_symlink("/proc/self/exe").string();
    std::string line;
    char c = 0;
    while (read(in, &c, 1) == 1) {
        if (c != '\n') {
            line += c;
            continue;
        }
        std::vector<std::string> arguments = {self, "--child"};
        for (std::size_t start = 0; start <= line.size();) {
            const std::size_t space = std::min(line.find(' ', start), line.size());
            arguments.push_back(line.substr(start, space - start));
            start = space + 1;
        }
        line.clear();
        std::vector<char*> argv;
        for (auto& argument : arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        long peak = -1;
        pid_t pid = 0;
        if (posix_spawn(&pid, self.c_str(), nullptr, nullptr, argv.data(), environ) == 0) {
            int status = 0;
            rusage usage{};
            if (wait4(pid, &status, 0, &usage) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0)
                peak = usage.ru_maxrss;
        }
        const std::string answer = std::to_string(peak) + "\n";
        if (write(out, answer.data(), answer.size()) < 0)
            break;
    }
    _exit(0);
}

void startLauncher()
{
    int toLauncher[2];
    int fromLauncher[2];
    if (pipe(toLauncher) != 0 || pipe(fromLauncher) != 0)
        return;
    const pid_t pid = fork();
    if (pid == 0) {
        close(toLauncher[1]);
        close(fromLauncher[0]);
        serveLaunches(toLauncher[0], fromLauncher[1]);
    }
    close(toLauncher[0]);
    close(fromLauncher[1]);
    launcher() = Launcher{toLauncher[1], fromLauncher[0], pid};
}

long peakKilobytes(const char* side)
{
    Workspace& w = workspace();
    const std::string request =
        std::string(side) + " " + w.folder.string() + " " + w.base + " " + w.service->caCertificatePath().string() + "\n";
    if (launcher().requests < 0 || write(launcher().requests, request.data(), request.size()) < 0)
        return -1;
    std::string answer;
    char c = 0;
    while (read(launcher().answers, &c, 1) == 1 && c != '\n')
        answer += c;
    return answer.empty() ? -1 : std::stol(answer);
}

// --- Browsing ------------------------------------------------------------------------------------

long residentKilobytes()
{
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (!status)
        return -1;
    char line[256];
    long kilobytes = -1;
    while (std::fgets(line, sizeof line, status))
        if (std::sscanf(line, "VmRSS: %ld kB", &kilobytes) == 1)
            break;
    std::fclose(status);
    return kilobytes;
}

// Paints the rows in view, which asks for their previews, and waits until none is loading.
void showPreviewsInView(KXFontTableView& table)
{
    table.viewport()->repaint();
    dispatch::RunLoop::runUntil([&] { return table.previews().loadsInFlight() == 0; }, 60);
    table.viewport()->repaint();
}

// Waits until every network task the window started has completed.
void waitForQuietTraffic()
{
    struct Traffic {
        std::set<foundation::Ref<foundation::Object>> started, finished;
    };
    auto traffic = std::make_shared<Traffic>();
    auto& center = dispatch::NotificationCenter::defaultCenter();
    const auto resumes = center.addObserver(std::string(NKNetworkingTaskDidResumeNotification), Id(), nullptr,
                                            [traffic](const dispatch::Notification& n) { traffic->started.insert(n.object.ref()); });
    const auto completions = center.addObserver(std::string(NKNetworkingTaskDidCompleteNotification), Id(), nullptr,
                                                [traffic](const dispatch::Notification& n) { traffic->finished.insert(n.object.ref()); });
    dispatch::RunLoop::drain();
    dispatch::RunLoop::runUntil([&] { return std::ranges::includes(traffic->finished, traffic->started); }, 30);
    dispatch::RunLoop::drain();
}

// The client as it starts: the start-up wiring of main() that needs no desktop session, then the
// main window its delegate opens, offscreen at its own size, its requests answered and the cloud
// list's first page of previews in.
std::unique_ptr<KXHomeWindow> startClient()
{
    ILUpdateMainScreenScale();
    registerFontListOverlays();
    registerSearchFilterOverlays();
    registerFavouritesOverlays();
    registerHomePages();
    auto window = std::make_unique<KXHomeWindow>();
    window->show();
    QApplication::processEvents();
    waitForQuietTraffic();
    KXHomeListView& list = *window->contentViewController()->rightListview();
    if (!wholeListShown(list))
        throw std::runtime_error("the list's rows were not all read");
    KXFontTableView& table = *list.listTableView();
    table.verticalScrollBar()->setValue(0);
    showPreviewsInView(table);
    return window;
}

int browse()
{
    auto window = startClient();
    KXHomeListView& list = *window->contentViewController()->rightListview();
    KXFontTableView& table = *list.listTableView();
    QScrollBar* bar = table.verticalScrollBar();
    const long start = residentKilobytes();
    const int page = table.viewport()->height();
    for (int value = page; value < bar->maximum(); value += page) {
        bar->setValue(value);
        showPreviewsInView(table);
    }
    bar->setValue(bar->maximum());
    showPreviewsInView(table);
    const long after = residentKilobytes();
    const int rows = list.listModel()->rowCount();
    const std::size_t loads = table.previews().loadsStarted();
    std::fprintf(stderr, "browse: RSS after start %ld KiB, after scrolling through %d rows (%zu previews loaded) %ld KiB\n",
                 start, rows, loads, after);
    const auto cache = std::dynamic_pointer_cast<ILImageCache>(ILWebManager::sharedManager()->imageCache());
    if (const auto memory = cache ? std::dynamic_pointer_cast<ILMemoryCache>(cache->memoryCache()) : nullptr)
        std::fprintf(stderr, "browse: the memory cache holds %zu previews, %llu of %llu KiB\n", memory->count(),
                     static_cast<unsigned long long>(memory->totalCost() / 1024),
                     static_cast<unsigned long long>(memory->totalCostLimit() / 1024));
    std::printf("ratio %.3f fontlist-browse-rss-100k\n", static_cast<double>(after) / static_cast<double>(start));
    std::fflush(stdout);
    window.reset();
    KXPreviewImageSource::install(nullptr);
    return start > 0 && after > 0 && rows > 0 && loads >= static_cast<std::size_t>(rows) ? 0 : 1;
}

// The drop-down filter the list shows on top after one of its toolbar buttons, or nullptr.
KXFilterView* openFilterPage(KXHomeListView& list, void (KXHomeListView::*open)())
{
    (list.*open)();
    QApplication::processEvents();
    return qobject_cast<KXFilterView*>(list.filterView());
}

// The client as it starts, then filter changes on its cloud list as a person makes them: one style
// tag after another with "清除" between, weights the same way, a search typed into the search panel
// and its results shown, and "清除" at the end. Each change's rows and previews are shown before the
// next; the resident size is printed after start and after the last change.
int filter()
{
    auto window = startClient();
    KXHomeListView& list = *window->contentViewController()->rightListview();
    KXFontTableView& table = *list.listTableView();
    const long start = residentKilobytes();
    const int startRows = list.listModel()->rowCount();
    int changes = 0;
    std::set<int> rowCounts;
    auto shown = [&] {
        QApplication::processEvents();
        wholeListShown(list);
        showPreviewsInView(table);
        rowCounts.insert(list.listModel()->rowCount());
        changes += 1;
    };

    KXFilterView* styles = openFilterPage(list, &KXHomeListView::fontStyleBtnClick);
    const std::size_t tags = styles && styles->tagGrid() ? styles->tagGrid()->laidOut() : 0;
    if (tags == 0)
        return 1;
    // A tag switch as a click on it reports it.
    const auto clickTag = [](KXFilterView* page, std::size_t index) {
        page->tagClick(page->tagGrid()->tagIdentifier(index));
    };
    for (std::size_t i = 0; i < 9; ++i) {
        clickTag(styles, i % tags);
        shown();
        styles->clearSelectedBtn()->click();
        shown();
    }
    KXFilterView* weights = openFilterPage(list, &KXHomeListView::fontWeightBtnClick);
    if (!weights || !weights->weightCell())
        return 1;
    for (int weight : {2, 4, 6, 8}) {
        weights->weightCell()->fontweightBtn(weight)->click();
        shown();
        weights->clearSelectedBtn()->click();
        shown();
    }
    styles = openFilterPage(list, &KXHomeListView::fontStyleBtnClick);
    clickTag(styles, 0);
    shown();
    clickTag(styles, 1 % tags);
    shown();

    list.searchingClick();
    QApplication::processEvents();
    auto* search = list.findChild<KXHomeSearchView*>();
    if (!search)
        return 1;
    // Typed: the field shows the text and the panel hears of it as of an edit.
    const QString text = QString::fromUtf8("黑体");
    search->customStrTF()->setText(text);
    search->state().fieldTextDidChange(text.toStdString());
    search->sureBtnClick();
    waitForQuietTraffic();
    QApplication::processEvents();
    search->listTableView()->viewport()->repaint();
    dispatch::RunLoop::runUntil([&] { return search->listTableView()->previews().loadsInFlight() == 0; }, 60);
    const int found = search->fontModel()->rowCount();
    search->cancelBtnClick();
    shown();

    styles = openFilterPage(list, &KXHomeListView::fontStyleBtnClick);
    styles->clearSelectedBtn()->click();
    shown();
    const long after = residentKilobytes();
    const int rows = list.listModel()->rowCount();
    std::fprintf(stderr,
                 "filter: RSS after start %ld KiB, after %d filter changes %ld KiB (%zu list lengths, the search "
                 "found %d, the list back at %d rows)\n",
                 start, changes, after, rowCounts.size(), found, rows);
    std::printf("ratio %.3f fontlist-filter-rss-100k\n", static_cast<double>(after) / static_cast<double>(start));
    std::fflush(stdout);
    window.reset();
    KXPreviewImageSource::install(nullptr);
    return start > 0 && after > 0 && changes == 30 && rowCounts.size() > 2 && rows == startRows && found > 0 ? 0 : 1;
}

int runChild(const std::string& side, const fs::path& folder, const std::string& base, const fs::path& caFile)
{
    setFolders(side == "browse" || side == "filter" ? browseFolder(folder) : folder);
    // The launcher was started before the service: the service's address and trust come here.
    setenv(KXHTTPBUSINESS::kBaseURLVariable, base.c_str(), 1);
    setenv("SSL_CERT_FILE", caFile.c_str(), 1);
    if (side == "browse")
        return browse();
    if (side == "filter")
        return filter();
    const fs::path catalogue = folder / "resources" / "fonts.sqlite";
    if (side == "ours") {
        const auto source = std::make_shared<KXWebPreviewSource>();
        KXPreviewImageSource::install(source);
        Ours ours;
        warmImageLoader(*source, ours.previewURLs(), ours.previewBox());
        scrollThrough(*ours.list.listTableView());
        KXPreviewImageSource::install(nullptr);
    } else {
        const Previews previews = fetchPreviews(previewURLs(catalogue, base), base, caFile);
        Peer peer(catalogue, base, previews);
        scrollThrough(peer.view);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc == 6 && std::string(argv[1]) == "--child") {
        // Every child but the peer's stands for the client, so its allocator is set as the client's
        // main() sets it and the memory policy's cost (threads sharing two arenas) shows in their
        // figures as it would in use. The timed scrolling runs both sides in this process and
        // leaves the allocator alone, so as to favour neither.
        if (std::string(argv[2]) != "peer")
            ILApplyProcessMemoryPolicy();
        int qtArgc = 1;
        QApplication app(qtArgc, argv);
        return runChild(argv[2], argv[3], argv[4], argv[5]);
    }
    startLauncher();
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    prepare();
    benchmark::RunSpecifiedBenchmarks();

    std::vector<double> ours;
    std::vector<double> peer;
    for (int round = 0; round < benchsupport::fullOrQuick(2, 1); ++round) {
        const bool oursFirst = round % 2 == 0;
        const long first = peakKilobytes(oursFirst ? "ours" : "peer");
        const long second = peakKilobytes(oursFirst ? "peer" : "ours");
        (oursFirst ? ours : peer).push_back(static_cast<double>(first));
        (oursFirst ? peer : ours).push_back(static_cast<double>(second));
    }
    std::fprintf(stderr, "peak RSS: ours %.0f KiB, peer %.0f KiB\n", benchsupport::median(ours), benchsupport::median(peer));
    std::fflush(stdout);
    if (peakKilobytes("browse") < 0)
        std::fprintf(stderr, "browse: the browsing child failed\n");
    if (peakKilobytes("filter") < 0)
        std::fprintf(stderr, "filter: the filtering child failed\n");
    close(launcher().requests);
    waitpid(launcher().pid, nullptr, 0);
    KXPreviewImageSource::install(nullptr);
    workspace().ours.reset();
    workspace().peer.reset();
    workspace().service.reset();
    std::error_code ec;
    fs::remove_all(workspace().folder, ec);
    std::printf("ratio %.3f fontlist-reload-100k\n", gReload.ratio());
    std::printf("ms %.1f fontlist-reload-rare-100k\n", benchsupport::median(gReloadRare.ours) * 1000);
    std::printf("ratio %.3f fontlist-reload-rare-100k\n", gReloadRare.ratio());
    std::printf("ms %.1f fontlist-reload-rare-rows-100k\n", benchsupport::median(gRareAllRows) * 1000);
    std::printf("ratio %.3f fontlist-peak-rss-100k\n", benchsupport::median(ours) / benchsupport::median(peer));
    std::printf("ratio %.3f fontlist-scroll-100k\n", gScroll.ratio());
    return 0;
}
