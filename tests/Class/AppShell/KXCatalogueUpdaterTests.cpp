#include "Catalogue/CatalogueTestSupport.h"
#include "Class/AppShell/KXCatalogueUpdater.h"
#include "Class/ServiceCore/Catalogue/KXBaseDBManager.h"
#include "Class/ServiceCore/Catalogue/KXCatalogueStatement.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Lib/ZipArchive/ZipArchive.h"
#include "Platform/Foundation/Data.h"
#include "Platform/Dispatch/RunLoop.h"
#include "Platform/Foundation/Sanitizers.h"
#include "Platform/Storage/Paths.h"
#include "Platform/Storage/UserDefaults.h"
#include "Platform/URLLoading/LoopbackServers.h"
#include "RawArchive.h"
#include "ShellServiceTest.h"
#include "Support/TempHome.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <httplib.h>
#include <memory>
#include <mutex>
#include <random>
#include <sys/stat.h>
#include <thread>
#include <vector>
#include <zlib.h>

namespace fs = std::filesystem;
using foundation::Id;
using localservice::Fault;

namespace {

class KXCatalogueUpdaterTest : public shelltest::ShellServiceTest {
protected:
    void SetUp() override
    {
        ShellServiceTest::SetUp();
        file_ = cataloguetest::copyOfSampleCatalogue();
        database_ = std::make_unique<KXBaseDBManager>(file_);
        updater_ = std::make_unique<KXCatalogueUpdater>(database_.get());
        defaults().setObject(Id("A20200326154556"), "dataVersion");
        fs::remove_all(updateRoot());
        fs::remove_all(foundation::Paths::cacheDirectory() / "KXFonts");
    }

    void TearDown() override
    {
        state().setUpdateDataDic(nullptr);
        state().setPartialUpdate(false);
        ShellServiceTest::TearDown();
    }

    static KXGlobalDataBase& state() { return KXGlobalDataBase::sharedKXGlobalDataBase(); }
    static foundation::UserDefaults& defaults() { return foundation::UserDefaults::standardUserDefaults(); }
    static fs::path updateRoot() { return foundation::Paths::cacheDirectory() / "kxData" / "updataData"; }

    static void setPending(const std::string& package, const std::string& version, bool partial)
    {
        setPendingAt(service().baseUrl() + "files/packages/" + package, version, partial);
    }

    static void setPendingAt(const std::string& url, const std::string& version, bool partial)
    {
        state().setUpdateDataDic(foundation::Dictionary::create(
            { { Id("data_version"), Id(version) }, { Id("dataUrl"), Id(url) } }));
        state().setPartialUpdate(partial);
    }

    // Runs one update to its end, waiting at most `seconds`; nullopt when none started or it did
    // not end in time.
    std::optional<bool> update(KXCatalogueUpdater* updater = nullptr, int seconds = 20)
    {
        auto outcome = std::make_shared<std::optional<bool>>();
        if (!(updater ? updater : updater_.get())->updateAppData([outcome](bool applied) {
                *outcome = applied;
            }))
            return std::nullopt;
        const bool ended = dispatch::RunLoop::runUntil([outcome] { return outcome->has_value(); }, seconds);
        EXPECT_TRUE(ended) << "the update did not end within " << seconds << " s";
        return ended ? *outcome : std::nullopt;
    }

    long long rows() const { return cataloguetest::count(file_, "SELECT COUNT(*) FROM fp_fonts"); }

    static bool leftNothingBehind()
    {
        std::error_code error;
        const bool workEmpty = !fs::exists(updateRoot(), error) || fs::is_empty(updateRoot(), error);
        const fs::path downloads = foundation::Paths::cacheDirectory() / "KXFonts";
        const bool downloadsEmpty = !fs::exists(downloads, error) || fs::is_empty(downloads, error);
        return workEmpty && downloadsEmpty;
    }

    // A partial package whose fonts.txt is "[", `spaces` spaces and "]": an empty list that
    // deflates about a thousand to one. Random bytes beside it keep the package's ratio below the
    // unpacking cap, so that only the size of fonts.txt can refuse it.
    static std::string spacedPackage(std::size_t spaces)
    {
        std::vector<std::uint8_t> text(spaces + 2, ' ');
        text.front() = '[';
        text.back() = ']';
        return textPackage(std::move(text));
    }

    // A partial package whose fonts.txt is `text`, with random bytes beside it as above.
    static std::string textPackage(std::vector<std::uint8_t> text)
    {
        const std::size_t spaces = text.size() - 2;
        const fs::path package = testsupport::makeScratchDir("spaced") / "partial.zip";
        {
            std::vector<std::uint8_t> noise(32 * 1024);
            std::mt19937 random(7);
            for (auto& byte : noise)
                byte = static_cast<std::uint8_t>(random());
            ZipArchive zip(package.string());
            EXPECT_TRUE(zip.open());
            EXPECT_TRUE(zip.writeData(foundation::Data::create(std::move(text)), "fonts.txt", ""));
            EXPECT_TRUE(zip.writeData(foundation::Data::create(std::move(noise)), "noise.bin", ""));
            EXPECT_TRUE(zip.close());
        }
        const auto bytes = foundation::Data::dataWithContentsOfFile(package);
        EXPECT_TRUE(bytes);
        EXPECT_LT((spaces + 2) / fs::file_size(package), ZipOutputLimit::kDefaultMaximumRatio);
        fs::remove(package);
        return bytes ? std::string(bytes->view()) : std::string();
    }

    // One "Name: <n> kB" figure of the process's status, in bytes.
    static std::uint64_t statusBytes(const std::string& name)
    {
        std::ifstream status("/proc/self/status");
        for (std::string line; std::getline(status, line);) {
            if (line.starts_with(name + ":"))
                return std::stoull(line.substr(name.size() + 1)) * 1024;
        }
        ADD_FAILURE() << "no " << name << " in /proc/self/status";
        return 0;
    }

    // Bytes the process has handed to write() so far.
    static std::uint64_t bytesWritten()
    {
        std::ifstream io("/proc/self/io");
        for (std::string line; std::getline(io, line);) {
            if (line.starts_with("wchar:"))
                return std::stoull(line.substr(6));
        }
        ADD_FAILURE() << "no wchar in /proc/self/io";
        return 0;
    }

    // How far `later` passed `earlier`. The kernel counts each thread's pages in batches, so a peak
    // read just under an earlier resident size is no growth.
    static std::uint64_t growth(std::uint64_t later, std::uint64_t earlier)
    {
        return later > earlier ? later - earlier : 0;
    }

    // Starts the peak resident size afresh from the present one.
    static void resetPeakResidentSize()
    {
        std::ofstream clear("/proc/self/clear_refs");
        clear << "5" << std::flush;
        ASSERT_TRUE(clear.good()) << "the peak resident size cannot be reset";
    }

    fs::path file_;
    std::unique_ptr<KXBaseDBManager> database_;
    std::unique_ptr<KXCatalogueUpdater> updater_;
};

} // namespace

TEST_F(KXCatalogueUpdaterTest, NothingPendingDoesNothing)
{
    state().setUpdateDataDic(nullptr);
    EXPECT_EQ(update(), std::nullopt);
    // Only package downloads count: a request an earlier test's page sent late may still arrive.
    for (const auto& request : service().requestLog().fileEntries())
        EXPECT_FALSE(request.path.starts_with("packages/")) << request.path;
}

// Where no copy of the catalogue can be made, the installed file is read as it is: no update is
// fetched for it, and it stays pending.
TEST_F(KXCatalogueUpdaterTest, NothingIsFetchedForTheInstalledCatalogueItself)
{
    const fs::path resources = testsupport::makeScratchDir("resources");
    fs::copy_file(file_, resources / "fonts.sqlite");
    const fs::path blocker = testsupport::makeScratchDir("no-data") / "blocker";
    std::ofstream(blocker) << "a file where the data folder should be";
    const std::string savedResources
        = std::getenv("CORVANE_RESOURCE_DIR") ? std::getenv("CORVANE_RESOURCE_DIR") : "";
    const std::string savedData = std::getenv("XDG_DATA_HOME") ? std::getenv("XDG_DATA_HOME") : "";
    setenv("CORVANE_RESOURCE_DIR", resources.c_str(), 1);
    setenv("XDG_DATA_HOME", blocker.c_str(), 1);
    auto previous = KXBaseDBManager::setLogSink([](const std::string&) {});
    KXBaseDBManager installed;
    KXBaseDBManager::setLogSink(previous);
    for (const auto& [name, value] :
        { std::pair { "CORVANE_RESOURCE_DIR", savedResources }, std::pair { "XDG_DATA_HOME", savedData } })
        value.empty() ? unsetenv(name) : setenv(name, value.c_str(), 1);
    ASSERT_TRUE(installed.isReadOnly());

    KXCatalogueUpdater updater(&installed);
    setPending("partial.zip", "20261201120000", true);
    EXPECT_FALSE(updater.updateAppData());
    EXPECT_FALSE(updater.isRunning());
    EXPECT_TRUE(state().updateDataDic());
    EXPECT_EQ(defaults().stringForKey("dataVersion")->utf8(), "A20200326154556");
    for (const auto& request : service().requestLog().fileEntries())
        EXPECT_FALSE(request.path.starts_with("packages/")) << request.path;
}

TEST_F(KXCatalogueUpdaterTest, APartialPackageIsMergedOnceEvenWhenAppliedTwice)
{
    // The package updates two fonts and adds two.
    const long long before = rows();
    ASSERT_EQ(cataloguetest::count(file_, "SELECT COUNT(*) FROM fp_fonts WHERE fontid IN (1901, 1902)"), 0);
    setPending("partial.zip", "20261201120000", true);
    EXPECT_EQ(update(), true);
    const long long after = rows();
    EXPECT_EQ(after, before + 2);
    EXPECT_EQ(cataloguetest::count(file_, "SELECT heat FROM fp_fonts WHERE fontid = 1001"), 25315);
    EXPECT_EQ(defaults().stringForKey("dataVersion")->utf8(), "20261201120000");
    EXPECT_FALSE(state().updateDataDic());
    EXPECT_FALSE(state().isPartialUpdate());
    EXPECT_TRUE(leftNothingBehind());

    setPending("partial.zip", "20261201120000", true);
    EXPECT_EQ(update(), true);
    EXPECT_EQ(rows(), after);
}

TEST_F(KXCatalogueUpdaterTest, APackageWithoutFontsTxtStaysPending)
{
    setFault("packages/partial.zip", Fault::Kind::NoFontsTxtPackage);
    const long long before = rows();
    setPending("partial.zip", "20261201120000", true);
    EXPECT_EQ(update(), false);
    EXPECT_EQ(rows(), before);
    EXPECT_TRUE(state().updateDataDic());
    EXPECT_TRUE(state().isPartialUpdate());
    EXPECT_EQ(defaults().stringForKey("dataVersion")->utf8(), "A20200326154556");
    EXPECT_TRUE(leftNothingBehind());
}

TEST_F(KXCatalogueUpdaterTest, AnEntryLeadingOutOfTheFolderNeverLandsOutside)
{
    setFault("packages/partial.zip", Fault::Kind::ZipSlipPackage);
    setPending("partial.zip", "20261201120000", true);
    update();
    for (fs::path folder = updateRoot(); folder != folder.root_path(); folder = folder.parent_path())
        EXPECT_FALSE(fs::exists(folder / "corvane-zip-slip.txt")) << folder;
    EXPECT_TRUE(leftNothingBehind());
}

TEST_F(KXCatalogueUpdaterTest, UnpackedFilesAreTheUsersAloneWhateverModeTheArchiveGives)
{
    const fs::path content = testsupport::makeScratchDir("package-content");
    fs::create_directories(content / "inner");
    std::ofstream(content / "fonts.sqlite") << "catalogue";
    std::ofstream(content / "inner" / "fonts.txt") << "[]";
    fs::permissions(content / "fonts.sqlite", fs::perms(0644));
    fs::permissions(content / "inner" / "fonts.txt", fs::perms(0755));
    const fs::path package = testsupport::makeScratchDir("package") / "full.zip";
    ASSERT_TRUE(ZipArchive::createZipFileAtPath(package.string(), content.string()));

    const fs::path destination = testsupport::makeScratchDir("unpacked");
    std::string problem;
    ASSERT_TRUE(KXCatalogueUpdater::unpackPackage(package, destination, &problem)) << problem;
    for (const fs::path& file : { destination / "fonts.sqlite", destination / "inner" / "fonts.txt" }) {
        struct stat info { };
        ASSERT_EQ(::lstat(file.c_str(), &info), 0) << file;
        EXPECT_EQ(info.st_mode & 07777, 0600u) << file;
    }
    EXPECT_FALSE(fs::exists(package)) << "the package goes once unpacked";
}

TEST_F(KXCatalogueUpdaterTest, ATruncatedDownloadChangesNothing)
{
    Fault truncated;
    truncated.kind = Fault::Kind::TruncatedDownload;
    truncated.truncateAfter = 100;
    service().faults().set("packages/full.zip", truncated);
    const long long before = rows();
    setPending("full.zip", "20261215120000", false);
    EXPECT_EQ(update(), false);
    EXPECT_EQ(rows(), before);
    EXPECT_TRUE(state().updateDataDic());
    EXPECT_TRUE(leftNothingBehind());
}

TEST_F(KXCatalogueUpdaterTest, ASecondMinimiseWhileOneRunsStartsNothing)
{
    Fault slow;
    slow.delay = std::chrono::milliseconds(300);
    service().faults().set("packages/partial.zip", slow);
    setPending("partial.zip", "20261201120000", true);
    auto outcome = std::make_shared<std::optional<bool>>();
    ASSERT_TRUE(updater_->updateAppData([outcome](bool applied) { *outcome = applied; }));
    EXPECT_TRUE(updater_->isRunning());
    EXPECT_FALSE(updater_->updateAppData());
    ASSERT_TRUE(waitFor([outcome] { return outcome->has_value(); }));
    EXPECT_TRUE(**outcome);
    EXPECT_FALSE(updater_->isRunning());
}

TEST_F(KXCatalogueUpdaterTest, AFullPackageReplacesTheCatalogueWhileItIsRead)
{
    const fs::path package
        = fs::path(std::getenv("CORVANE_BINARY_DIR")) / "resources/service-files/packages/full.zip";
    ASSERT_TRUE(fs::exists(package));
    std::atomic<bool> stop = false;
    std::atomic<long> reads = 0;
    std::atomic<long> empty = 0;
    std::thread reader([&] {
        while (!stop) {
            auto records
                = database_->dataArrayBySqlStr(KXCatalogueStatement("SELECT * FROM fp_fonts LIMIT 20"));
            ++reads;
            if (!records || records->count() == 0)
                ++empty;
        }
    });
    setPending("full.zip", "20261215120000", false);
    const auto applied = update();
    stop = true;
    reader.join();
    EXPECT_EQ(applied, true);
    EXPECT_GT(reads.load(), 0);
    EXPECT_EQ(empty.load(), 0) << "every read saw one catalogue or the other";
    EXPECT_EQ(defaults().stringForKey("dataVersion")->utf8(), "20261215120000");
    EXPECT_FALSE(state().updateDataDic());
    EXPECT_EQ(cataloguetest::count(file_, "SELECT COUNT(*) FROM fp_fonts WHERE fontid IN (1901, 1902)"), 2)
        << "the full package's catalogue is the one in use";
    EXPECT_TRUE(leftNothingBehind());
}

TEST_F(KXCatalogueUpdaterTest, ARefusedCatalogueLeavesTheCatalogueAndTheDataVersion)
{
    // A full package whose catalogue lacks a column the lists read, from a server of the test's
    // own (the service serves sound packages only).
    const fs::path candidate = cataloguetest::copyOfSampleCatalogue();
    cataloguetest::execute(candidate,
        "ALTER TABLE fp_fonts DROP COLUMN font_info;"
        "INSERT INTO fp_fonts (fontid, fontname) VALUES (990041, 'refused');");
    const fs::path package = candidate.parent_path() / "full.zip";
    ASSERT_TRUE(
        ZipArchive::createZipFileAtPath(package.string(), std::vector<std::string> { candidate.string() }));
    const auto bytes = foundation::Data::dataWithContentsOfFile(package);
    ASSERT_TRUE(bytes);
    const auto server = trustedServer();
    server->routes().Get("/packages/full.zip", [&bytes](const httplib::Request&, httplib::Response& res) {
        res.set_header("Connection", "close"); // nothing kept alive for the server to wait out
        res.set_content(std::string(bytes->view()), "application/zip");
    });
    server->start();

    const long long before = rows();
    const auto generation = database_->generation();
    state().setUpdateDataDic(foundation::Dictionary::create({ { Id("data_version"), Id("20261215120000") },
        { Id("dataUrl"), Id(server->url("/packages/full.zip")) } }));
    state().setPartialUpdate(false);
    EXPECT_EQ(update(), false);
    EXPECT_EQ(rows(), before);
    EXPECT_EQ(cataloguetest::count(file_, "SELECT COUNT(*) FROM fp_fonts WHERE fontid = 990041"), 0);
    EXPECT_EQ(database_->generation(), generation);
    EXPECT_EQ(defaults().stringForKey("dataVersion")->utf8(), "A20200326154556");
    EXPECT_TRUE(state().updateDataDic()) << "still pending for the next minimise or close";
    EXPECT_TRUE(leftNothingBehind());
}

// A hostile text of spaces, at a lower limit: a fonts.txt over the limit is refused by the size
// its entry declares, so it reaches neither the disk nor the memory, and the update stays pending
// as for a text that is no list; the broken package is not fetched again at the next minimise.
TEST_F(KXCatalogueUpdaterTest, AFontsTxtOverTheLimitIsNeitherWrittenNorReadAndStaysPending)
{
    constexpr std::size_t kSpaces = std::size_t { 64 } << 20;
    const std::string package = spacedPackage(kSpaces);
    std::atomic<int> downloads = 0;
    const auto server = trustedServer();
    server->routes().Get("/packages/partial.zip", [&](const httplib::Request&, httplib::Response& res) {
        ++downloads;
        res.set_header("Connection", "close"); // nothing kept alive for the server to wait out
        res.set_content(package, "application/zip");
    });
    server->start();
    KXCatalogueUpdater updater(database_.get(), 1 << 20);
    const long long before = rows();

    for (int attempt = 1; attempt <= 3; ++attempt) {
        SCOPED_TRACE(attempt);
        // Each data version is another package: a package found broken is fetched only once.
        setPendingAt(server->url("/packages/partial.zip"), "2026120112000" + std::to_string(attempt), true);
        resetPeakResidentSize();
        const std::uint64_t resident = statusBytes("VmRSS");
        const std::uint64_t written = bytesWritten();
        EXPECT_EQ(update(&updater), false);
        EXPECT_EQ(downloads.load(), attempt);
        EXPECT_EQ(update(&updater), std::nullopt) << "the same broken package again";
        EXPECT_EQ(downloads.load(), attempt);
        EXPECT_LT(bytesWritten() - written, kSpaces / 8) << "fonts.txt was written";
        EXPECT_LT(growth(statusBytes("VmHWM"), resident), kSpaces / 4) << "fonts.txt was read";
        EXPECT_EQ(rows(), before);
        EXPECT_TRUE(state().updateDataDic());
        EXPECT_TRUE(state().isPartialUpdate());
        EXPECT_EQ(defaults().stringForKey("dataVersion")->utf8(), "A20200326154556");
        EXPECT_TRUE(leftNothingBehind());
    }
}

// At the production limit a large fonts.txt is read as a stream: the update costs a batch of rows
// in memory, not the text, and gives back what it used.
TEST_F(KXCatalogueUpdaterTest, AFontsTxtWithinTheLimitIsReadAsAStream)
{
    constexpr std::size_t kSpaces = std::size_t { 64 } << 20;
    static_assert(kSpaces < KXCatalogueUpdater::kMaximumFontsTextBytes);
    const std::string package = spacedPackage(kSpaces);
    const auto server = trustedServer();
    server->routes().Get("/packages/partial.zip", [&](const httplib::Request&, httplib::Response& res) {
        res.set_header("Connection", "close");
        res.set_content(package, "application/zip");
    });
    server->start();
    const long long before = rows();
    setPendingAt(server->url("/packages/partial.zip"), "20261201120000", true);

    // A sanitizer's allocator keeps the freed blocks of each read in quarantine: there the bound only
    // tells the stream from a read of the whole text.
    const std::uint64_t bound = foundation::kSanitizerAllocator ? kSpaces : kSpaces / 8;
    resetPeakResidentSize();
    const std::uint64_t resident = statusBytes("VmRSS");
    EXPECT_EQ(update(), true);
    EXPECT_LT(growth(statusBytes("VmHWM"), resident), bound) << "fonts.txt was read whole";
    EXPECT_EQ(rows(), before);
    EXPECT_FALSE(state().updateDataDic());
    EXPECT_EQ(defaults().stringForKey("dataVersion")->utf8(), "20261201120000");
    EXPECT_TRUE(leftNothingBehind());
}

// A fonts.txt of millions of elements ("0,", none of them a row): the merge holds a batch whatever
// the text holds, says the skipped rows in one line, and gives its memory back when it ends.
TEST_F(KXCatalogueUpdaterTest, MillionsOfElementsAreMergedInBoundedMemoryAndItIsGivenBack)
{
    // Sixteen million; four under the sanitizers, whose merge runs several times slower.
    const std::size_t kElements = std::size_t { foundation::kSanitizerAllocator ? 4 : 16 } << 20;
    std::vector<std::uint8_t> text;
    text.reserve(kElements * 2 + 1);
    text.push_back('[');
    for (std::size_t i = 0; i < kElements; ++i) {
        text.push_back('0');
        text.push_back(i + 1 < kElements ? ',' : ']');
    }
    const std::size_t textBytes = text.size();
    const std::string package = textPackage(std::move(text));
    const auto server = trustedServer();
    server->routes().Get("/packages/partial.zip", [&](const httplib::Request&, httplib::Response& res) {
        res.set_header("Connection", "close");
        res.set_content(package, "application/zip");
    });
    server->start();
    std::vector<std::string> lines;
    std::mutex linesMutex;
    auto previous = KXBaseDBManager::setLogSink([&](const std::string& line) {
        const std::lock_guard lock(linesMutex);
        lines.push_back(line);
    });
    const long long before = rows();
    setPendingAt(server->url("/packages/partial.zip"), "20261201120000", true);

    // Held at once, the elements would cost about a hundred bytes each. A sanitizer's allocator keeps
    // freed blocks in quarantine, whose growth only a far looser bound leaves room for.
    const std::uint64_t bound = foundation::kSanitizerAllocator ? std::uint64_t { 96 } << 20 : textBytes / 2;
    const std::uint64_t keptBound = std::uint64_t { foundation::kSanitizerAllocator ? 96 : 16 } << 20;
    resetPeakResidentSize();
    const std::uint64_t resident = statusBytes("VmRSS");
    EXPECT_EQ(update(nullptr, 120), true);
    const std::uint64_t peak = statusBytes("VmHWM");
    const std::uint64_t after = statusBytes("VmRSS");
    KXBaseDBManager::setLogSink(previous);
    EXPECT_LT(growth(peak, resident), bound) << "the elements were held at once";
    EXPECT_LT(growth(after, resident), keptBound) << "the merge kept its memory";
    EXPECT_EQ(rows(), before);
    const std::lock_guard lock(linesMutex);
    std::vector<std::string> skipped;
    for (const std::string& line : lines)
        if (line.find("skipped") != std::string::npos)
            skipped.push_back(line);
    ASSERT_EQ(skipped.size(), 1u) << "a line per kind, not per row";
    EXPECT_NE(skipped[0].find(std::to_string(kElements) + " rows skipped, they are not dictionaries"),
        std::string::npos)
        << skipped[0];
}

// A fonts.txt that breaks after more than a batch of good rows: the batches merged so far are
// rolled back with the rest, and that package is not fetched again until another is offered. A
// failed download is tried again.
TEST_F(KXCatalogueUpdaterTest, ABrokenPackageRollsBackWholeAndIsNotFetchedAgain)
{
    std::string json = "[";
    for (int i = 0; i < 1500; ++i)
        json += "{\"fontid\": " + std::to_string(990000 + i) + ", \"fontname\": \"row\"},";
    json += "{\"fontid\": 991999} oops]";
    const std::string package = textPackage(std::vector<std::uint8_t>(json.begin(), json.end()));
    std::atomic<int> downloads = 0;
    std::atomic<bool> failing = true;
    const auto server = trustedServer();
    server->routes().Get("/packages/partial.zip", [&](const httplib::Request&, httplib::Response& res) {
        ++downloads;
        res.set_header("Connection", "close");
        if (failing) {
            res.status = 500;
            return;
        }
        res.set_content(package, "application/zip");
    });
    server->start();
    const long long before = rows();
    const auto version = defaults().stringForKey("dataVersion")->utf8();
    setPendingAt(server->url("/packages/partial.zip"), "20261201120000", true);

    EXPECT_EQ(update(), false);
    EXPECT_EQ(update(), false) << "a failed download is tried again";
    EXPECT_EQ(downloads.load(), 2);
    failing = false;
    EXPECT_FALSE(updater_->isPendingPackageBroken());
    EXPECT_EQ(update(), false);
    EXPECT_EQ(downloads.load(), 3);
    EXPECT_EQ(rows(), before) << "the first batches were rolled back";
    EXPECT_TRUE(updater_->isPendingPackageBroken());
    EXPECT_EQ(update(), std::nullopt);
    EXPECT_EQ(downloads.load(), 3) << "fetched again";
    EXPECT_TRUE(state().updateDataDic()) << "still pending";
    EXPECT_EQ(defaults().stringForKey("dataVersion")->utf8(), version);
    EXPECT_TRUE(leftNothingBehind());

    // Another version at the same address is fetched.
    setPendingAt(server->url("/packages/partial.zip"), "20261202120000", true);
    EXPECT_EQ(update(), false);
    EXPECT_EQ(downloads.load(), 4);
}

namespace {

// Serves `package` at /packages/full.zip of a server of the test's own; counts the downloads.
struct FullPackageServer {
    explicit FullPackageServer(std::unique_ptr<urltest::HttpServer> made, std::string bytes)
        : server(std::move(made))
        , package(std::move(bytes))
    {
        server->routes().Get("/packages/full.zip", [this](const httplib::Request&, httplib::Response& res) {
            ++downloads;
            res.set_header("Connection", "close");
            res.set_content(package, "application/zip");
        });
        server->start();
    }
    std::unique_ptr<urltest::HttpServer> server;
    std::string package;
    std::atomic<int> downloads = 0;
};

std::string randomBytes(std::size_t count)
{
    std::string bytes(count, '\0');
    std::mt19937 random(11);
    for (auto& byte : bytes)
        byte = static_cast<char>(random());
    return bytes;
}

} // namespace

// A 3.6 MB full package whose fonts.sqlite inflates to 3 GiB of zeros (and says so): refused
// before the catalogue reaches the disk, though the default ratio of the archive layer would let it
// through; the package counts as broken and is not fetched again.
TEST_F(KXCatalogueUpdaterTest, AFullPackageWithAHugeCatalogueIsRefusedBeforeItReachesTheDisk)
{
    ziptest::RawEntry bomb;
    bomb.name = "fonts.sqlite";
    bomb.method = 8;
    bomb.data = ziptest::deflatedZeros(3072);
    bomb.zip64Size = std::uint64_t { 3 } << 30;
    const std::string package
        = ziptest::rawArchive({ ziptest::fileEntry("notes.bin", randomBytes(512 * 1024)), bomb });
    ASSERT_GT(package.size() * ZipOutputLimit::kDefaultMaximumRatio, *bomb.zip64Size);
    FullPackageServer server(trustedServer(), package);
    const long long before = rows();
    setPendingAt(server.server->url("/packages/full.zip"), "20261215120000", false);

    const std::uint64_t written = bytesWritten();
    EXPECT_EQ(update(), false);
    EXPECT_LT(bytesWritten() - written, package.size() + (8u << 20)) << "more than the download was written";
    EXPECT_EQ(update(), std::nullopt) << "the same broken package again";
    EXPECT_EQ(server.downloads.load(), 1);
    EXPECT_EQ(rows(), before);
    EXPECT_TRUE(state().updateDataDic());
    EXPECT_EQ(defaults().stringForKey("dataVersion")->utf8(), "A20200326154556");
    EXPECT_TRUE(leftNothingBehind());
}

// Of a full package only fonts.sqlite is unpacked: what else it carries never reaches the disk.
TEST_F(KXCatalogueUpdaterTest, AFullPackageUnpacksOnlyItsCatalogue)
{
    const fs::path candidate = cataloguetest::copyOfSampleCatalogue();
    cataloguetest::execute(
        candidate, "INSERT INTO fp_fonts (fontid, fontname) VALUES (990042, 'only the catalogue');");
    const auto catalogue = foundation::Data::dataWithContentsOfFile(candidate);
    ASSERT_TRUE(catalogue);
    ziptest::RawEntry extra;
    extra.name = "extras/poster.bin";
    extra.method = 8;
    extra.data = ziptest::deflatedZeros(64);
    extra.uncompressedSize = 64u << 20;
    const std::string zeros(1u << 20, '\0');
    uLong crc = crc32(0, nullptr, 0);
    for (int i = 0; i < 64; ++i)
        crc = crc32(crc, reinterpret_cast<const Bytef*>(zeros.data()), static_cast<uInt>(zeros.size()));
    extra.crc = static_cast<std::uint32_t>(crc);
    FullPackageServer server(trustedServer(),
        ziptest::rawArchive(
            { extra, ziptest::deflatedEntry("fonts.sqlite", std::string(catalogue->view())) }));
    setPendingAt(server.server->url("/packages/full.zip"), "20261215120000", false);

    const std::uint64_t written = bytesWritten();
    EXPECT_EQ(update(), true);
    EXPECT_LT(bytesWritten() - written, 32u << 20) << "the 64 MiB poster was unpacked";
    EXPECT_EQ(cataloguetest::count(file_, "SELECT COUNT(*) FROM fp_fonts WHERE fontid = 990042"), 1);
    EXPECT_TRUE(leftNothingBehind());
}

// A package address over http (the data reply's own, or rewritten on its way) is fetched over
// https at the same host, port and path.
TEST_F(KXCatalogueUpdaterTest, AnHttpPackageAddressIsFetchedOverHttps)
{
    const std::string secure = service().baseUrl() + "files/packages/partial.zip";
    ASSERT_TRUE(secure.starts_with("https://"));
    const long long before = rows();
    setPendingAt("http" + secure.substr(5), "20261201120000", true);
    EXPECT_EQ(update(), true);
    EXPECT_EQ(rows(), before + 2);
    EXPECT_EQ(defaults().stringForKey("dataVersion")->utf8(), "20261201120000");
    EXPECT_FALSE(state().updateDataDic());
    EXPECT_TRUE(leftNothingBehind());
}

// Where only http would bring the package, it is never fetched over http: nothing is merged and
// the update stays pending.
TEST_F(KXCatalogueUpdaterTest, AnHttpPackageAddressWithoutHttpsIsRefused)
{
    const fs::path package
        = fs::path(std::getenv("CORVANE_BINARY_DIR")) / "resources/service-files/packages/partial.zip";
    const auto bytes = foundation::Data::dataWithContentsOfFile(package);
    ASSERT_TRUE(bytes);
    std::atomic<int> plainHits = 0;
    urltest::HttpServer plain;
    plain.routes().Get("/packages/partial.zip", [&](const httplib::Request&, httplib::Response& res) {
        ++plainHits;
        res.set_header("Connection", "close");
        res.set_content(std::string(bytes->view()), "application/zip");
    });
    plain.start();
    const std::string url = plain.url("/packages/partial.zip");
    ASSERT_TRUE(url.starts_with("http://"));

    const long long before = rows();
    const auto generation = database_->generation();
    setPendingAt(url, "20261201120000", true);
    EXPECT_EQ(update(), false);
    EXPECT_EQ(plainHits.load(), 0) << "fetched over http";
    EXPECT_EQ(rows(), before);
    EXPECT_EQ(cataloguetest::count(file_, "SELECT COUNT(*) FROM fp_fonts WHERE fontid IN (1901, 1902)"), 0);
    EXPECT_EQ(database_->generation(), generation);
    EXPECT_EQ(defaults().stringForKey("dataVersion")->utf8(), "A20200326154556");
    EXPECT_TRUE(state().updateDataDic()) << "still pending for the next minimise or close";
    EXPECT_TRUE(state().isPartialUpdate());
    EXPECT_TRUE(leftNothingBehind());
}

TEST(KXCatalogueUpdaterPaths, WorkingFolderAndJson)
{
    const fs::path path = KXCatalogueUpdater::pathForDocumentWithComponent("1700000000");
    EXPECT_EQ(path, foundation::Paths::cacheDirectory() / "kxData/updataData/1700000000/1700000000");
    EXPECT_TRUE(fs::is_directory(path.parent_path()));
    EXPECT_FALSE(fs::exists(path));
    EXPECT_EQ(KXCatalogueUpdater::pathForDocumentWithComponent(""), foundation::Paths::cacheDirectory());
    EXPECT_TRUE(KXCatalogueUpdater::jsonToObject("[1, {\"a\": 2}]").array());
    EXPECT_TRUE(KXCatalogueUpdater::jsonToObject("not json").isNil());
}
