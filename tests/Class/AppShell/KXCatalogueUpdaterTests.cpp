#include "Class/AppShell/KXCatalogueUpdater.h"

#include "Catalogue/CatalogueTestSupport.h"
#include "Class/ServiceCore/Catalogue/KXBaseDBManager.h"
#include "Class/ServiceCore/Catalogue/KXCatalogueStatement.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Lib/ZipArchive/ZipArchive.h"
#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/Sanitizers.h"
#include "Platform/Storage/Paths.h"
#include "Platform/Storage/UserDefaults.h"
#include "Platform/URLLoading/LoopbackServers.h"
#include "ShellServiceTest.h"
#include "Support/TempHome.h"

#include <httplib.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <random>
#include <sys/stat.h>
#include <thread>
#include <vector>

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
        state().setUpdateDataDic(
            foundation::Dictionary::create({{Id("data_version"), Id(version)}, {Id("dataUrl"), Id(url)}}));
        state().setPartialUpdate(partial);
    }

    // Runs one update to its end; nullopt when none started.
    std::optional<bool> update(KXCatalogueUpdater* updater = nullptr)
    {
        auto outcome = std::make_shared<std::optional<bool>>();
        if (!(updater ? updater : updater_.get())->updateAppData([outcome](bool applied) { *outcome = applied; }))
            return std::nullopt;
        EXPECT_TRUE(waitFor([outcome] { return outcome->has_value(); }));
        return **outcome;
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
        const fs::path package = testsupport::makeScratchDir("spaced") / "partial.zip";
        {
            std::vector<std::uint8_t> text(spaces + 2, ' ');
            text.front() = '[';
            text.back() = ']';
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
    const std::string savedResources = std::getenv("CORVANE_RESOURCE_DIR") ? std::getenv("CORVANE_RESOURCE_DIR") : "";
    const std::string savedData = std::getenv("XDG_DATA_HOME") ? std::getenv("XDG_DATA_HOME") : "";
    setenv("CORVANE_RESOURCE_DIR", resources.c_str(), 1);
    setenv("XDG_DATA_HOME", blocker.c_str(), 1);
    auto previous = KXBaseDBManager::setLogSink([](const std::string&) { });
    KXBaseDBManager installed;
    KXBaseDBManager::setLogSink(previous);
    for (const auto& [name, value] : {std::pair{"CORVANE_RESOURCE_DIR", savedResources}, std::pair{"XDG_DATA_HOME", savedData}})
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
        struct stat info {};
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
    const fs::path package = fs::path(std::getenv("CORVANE_BINARY_DIR")) / "resources/service-files/packages/full.zip";
    ASSERT_TRUE(fs::exists(package));
    std::atomic<bool> stop = false;
    std::atomic<long> reads = 0;
    std::atomic<long> empty = 0;
    std::thread reader([&] {
        while (!stop) {
            auto records = database_->dataArrayBySqlStr(KXCatalogueStatement("SELECT * FROM fp_fonts LIMIT 20"));
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
    cataloguetest::execute(candidate, "ALTER TABLE fp_fonts DROP COLUMN font_info;"
                                      "INSERT INTO fp_fonts (fontid, fontname) VALUES (990041, 'refused');");
    const fs::path package = candidate.parent_path() / "full.zip";
    ASSERT_TRUE(ZipArchive::createZipFileAtPath(package.string(), std::vector<std::string>{candidate.string()}));
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
    state().setUpdateDataDic(foundation::Dictionary::create(
        {{Id("data_version"), Id("20261215120000")}, {Id("dataUrl"), Id(server->url("/packages/full.zip"))}}));
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
// as for a text that is no list, however often it is tried again.
TEST_F(KXCatalogueUpdaterTest, AFontsTxtOverTheLimitIsNeitherWrittenNorReadAndStaysPending)
{
    constexpr std::size_t kSpaces = std::size_t{64} << 20;
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
        setPendingAt(server->url("/packages/partial.zip"), "20261201120000", true);
        resetPeakResidentSize();
        const std::uint64_t resident = statusBytes("VmRSS");
        const std::uint64_t written = bytesWritten();
        EXPECT_EQ(update(&updater), false);
        EXPECT_EQ(downloads.load(), attempt) << "each try fetches the package again";
        EXPECT_LT(bytesWritten() - written, kSpaces / 8) << "fonts.txt was written";
        EXPECT_LT(statusBytes("VmHWM") - resident, kSpaces / 4) << "fonts.txt was read";
        EXPECT_EQ(rows(), before);
        EXPECT_TRUE(state().updateDataDic());
        EXPECT_TRUE(state().isPartialUpdate());
        EXPECT_EQ(defaults().stringForKey("dataVersion")->utf8(), "A20200326154556");
        EXPECT_TRUE(leftNothingBehind());
    }
}

// At the production limit a large fonts.txt is read into the one buffer the parser reads in
// place: the update costs about the text's size in memory, not a multiple of it.
TEST_F(KXCatalogueUpdaterTest, AFontsTxtWithinTheLimitIsReadOnceIntoOneBuffer)
{
    constexpr std::size_t kSpaces = std::size_t{64} << 20;
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

    // The address sanitizer writes the shadow of each large block it hands out, the parser's
    // reservations of several times the text among them, which are otherwise never touched.
    const std::uint64_t bound = foundation::kSanitizerAllocator ? kSpaces * 3 : kSpaces * 3 / 2;
    resetPeakResidentSize();
    const std::uint64_t resident = statusBytes("VmRSS");
    EXPECT_EQ(update(), true);
    EXPECT_LT(statusBytes("VmHWM") - resident, bound) << "fonts.txt was copied";
    EXPECT_EQ(rows(), before);
    EXPECT_FALSE(state().updateDataDic());
    EXPECT_EQ(defaults().stringForKey("dataVersion")->utf8(), "20261201120000");
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
    const fs::path package = fs::path(std::getenv("CORVANE_BINARY_DIR")) / "resources/service-files/packages/partial.zip";
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
