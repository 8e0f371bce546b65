#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/ServiceCore/Transport/KXHTTPREQUEST.h"
#include "Class/ServiceCore/Transport/KXSessionLimits.h"
#include "Lib/ImageLoading/ILImageCache.h"
#include "Lib/ImageLoading/ILImageCacheConfig.h"
#include "Platform/Crypto/Digest.h"
#include "Platform/Dispatch/OperationQueue.h"
#include "Platform/Dispatch/RunLoop.h"
#include "Platform/URLLoading/LoopbackServers.h"
#include "Support/TempHome.h"
#include "TransportTestSupport.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <httplib.h>
#include <map>
#include <mutex>
#include <optional>
#include <set>

using foundation::Id;
using foundation::Ref;
using transporttest::Outcome;
using transporttest::TransportTest;
namespace fs = std::filesystem;

namespace {

// What one download reported.
struct DownloadRecord {
    std::mutex mutex;
    std::vector<float> fractions;
    Ref<foundation::Dictionary> success;
    Ref<foundation::Dictionary> failure;
    bool ended() const { return success || failure; }
};

std::shared_ptr<DownloadRecord> download(KXHTTPREQUEST& transport, const std::string& url)
{
    auto record = std::make_shared<DownloadRecord>();
    transport.downloadWithUrl(
        url,
        [record](float fraction) {
            std::lock_guard lock(record->mutex);
            record->fractions.push_back(fraction);
        },
        [record](const Ref<foundation::Dictionary>& result) { record->success = result; },
        [record](const Ref<foundation::Dictionary>& info) { record->failure = info; });
    return record;
}

fs::path downloadFolder()
{
    return KXHTTPREQUEST::creatDirectoryWithSuggestName(nullptr)->utf8();
}

std::string contents(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
}

void writeFile(const fs::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

// Over HTTPS, files at /dl/<name>: `bytes` of body ("new-<name>" repeated), the name in Content-Disposition
// when ?cd= is given, status 500 for the first request of a path that starts with "fail-once",
// and a hold at the gate for paths that start with "gate".
class DownloadServer {
public:
    explicit DownloadServer(std::unique_ptr<urltest::HttpServer> server)
        : server_(std::move(server))
    {
        server_->routes().Get("/dl/(.*)", [this](const httplib::Request& req, httplib::Response& res) {
            const std::string name = req.matches[1];
            int hit = 0;
            {
                std::lock_guard lock(mutex_);
                hit = ++hits_[name];
            }
            if (name.starts_with("gate")) {
                std::shared_ptr<urltest::Gate> gate;
                {
                    std::lock_guard lock(mutex_);
                    gate = gate_;
                }
                ++waiting_;
                gate->wait();
            }
            if (name.starts_with("fail-once") && hit == 1) {
                res.status = 500;
                res.set_content("broken", "text/plain");
                return;
            }
            const std::size_t size = req.has_param("size") ? std::stoul(req.get_param_value("size")) : 4096;
            std::string body;
            while (body.size() < size)
                body += "new-" + name;
            body.resize(size);
            if (req.has_param("cd"))
                res.set_header(
                    "Content-Disposition", "attachment; filename*=UTF-8''" + req.get_param_value("cd"));
            res.set_content(body, "application/octet-stream");
        });
        // No length announced: the total stays unknown.
        server_->routes().Get("/chunked", [](const httplib::Request&, httplib::Response& res) {
            res.set_chunked_content_provider(
                "application/octet-stream", [](std::size_t offset, httplib::DataSink& sink) {
                    if (offset >= 200000) {
                        sink.done();
                        return true;
                    }
                    const std::string chunk(20000, 'c');
                    return sink.write(chunk.data(), chunk.size());
                });
        });
        // A font archive that never ends.
        server_->routes().Get("/Endless.zip", [](const httplib::Request&, httplib::Response& res) {
            res.set_chunked_content_provider("application/zip", [](std::size_t, httplib::DataSink& sink) {
                const std::string chunk(64 * 1024, 'e');
                return sink.write(chunk.data(), chunk.size());
            });
        });
        server_->start();
    }
    std::string chunkedURL() const { return server_->url("/chunked"); }
    std::string endlessURL() const { return server_->url("/Endless.zip"); }
    std::string url(const std::string& nameAndQuery) const { return server_->url("/dl/" + nameAndQuery); }
    int hits(const std::string& name)
    {
        std::lock_guard lock(mutex_);
        return hits_[name];
    }
    int waiting() const { return waiting_; }
    void openGate()
    {
        std::lock_guard lock(mutex_);
        gate_->open();
    }
    // Opens the gate for anything still held and starts afresh.
    void reset()
    {
        std::lock_guard lock(mutex_);
        gate_->open();
        gate_ = std::make_shared<urltest::Gate>();
        hits_.clear();
        waiting_ = 0;
    }

private:
    std::unique_ptr<urltest::HttpServer> server_;
    std::mutex mutex_;
    std::map<std::string, int> hits_;
    std::atomic<int> waiting_ { 0 };
    std::shared_ptr<urltest::Gate> gate_ = std::make_shared<urltest::Gate>();
};

class KXHTTPREQUESTDownloadTest : public TransportTest {
public:
    static void SetUpTestSuite()
    {
        TransportTest::SetUpTestSuite();
        server_ = std::make_unique<DownloadServer>(trustedServer());
    }
    static void TearDownTestSuite()
    {
        server_->openGate();
        server_.reset();
        TransportTest::TearDownTestSuite();
    }

protected:
    void SetUp() override
    {
        TransportTest::SetUp();
        std::error_code ignored;
        fs::remove_all(downloadFolder(), ignored);
        server_->reset();
    }
    void TearDown() override
    {
        server_->openGate();
        TransportTest::TearDown();
    }
    static std::vector<fs::path> leftovers()
    {
        std::vector<fs::path> parts;
        for (const auto& entry : fs::directory_iterator(downloadFolder()))
            if (entry.path().filename().string().starts_with("."))
                parts.push_back(entry.path());
        return parts;
    }

    static std::unique_ptr<DownloadServer> server_;
    std::shared_ptr<KXHTTPREQUEST> transport_ = KXHTTPREQUEST::create();
};

std::unique_ptr<DownloadServer> KXHTTPREQUESTDownloadTest::server_;

} // namespace

TEST_F(KXHTTPREQUESTDownloadTest, FontArchiveFromTheServiceLandsInTheCacheFolder)
{
    const Outcome list
        = run([](auto s, auto f) { KXHTTPBUSINESS().GetFontsListByParameters(nullptr, s, f); });
    const std::string url = list.reply["corvane_data"]["fonts"][0]["download_url"].stringValue();
    ASSERT_TRUE(url.starts_with(service().baseUrl())) << url;
    auto record = download(*transport_, url);
    ASSERT_TRUE(waitFor([&] { return record->ended(); }));
    ASSERT_TRUE(record->success) << Id(record->failure).description();
    const fs::path path = Id(record->success)["path"].stringValue();
    EXPECT_EQ(path.parent_path(), downloadFolder().parent_path());
    EXPECT_TRUE(contents(path).starts_with("PK"));
    EXPECT_EQ(record->success->count(), 1u);
    EXPECT_FALSE(transport_->hasOperationForURL(url));
    EXPECT_TRUE(leftovers().empty());
}

TEST_F(KXHTTPREQUESTDownloadTest, ProgressRisesByWholePercentsOnly)
{
    const std::string url = server_->url("big.bin?size=3000000");
    auto record = download(*transport_, url);
    ASSERT_TRUE(waitFor([&] { return record->ended(); }));
    ASSERT_TRUE(record->success);
    std::lock_guard lock(record->mutex);
    ASSERT_FALSE(record->fractions.empty());
    EXPECT_EQ(record->fractions.back(), 1.0f);
    for (std::size_t i = 1; i < record->fractions.size(); ++i)
        EXPECT_GT(
            static_cast<int>(record->fractions[i] * 100), static_cast<int>(record->fractions[i - 1] * 100));
    EXPECT_EQ(transport_->progressD()->objectForKey(url).stringValue(), "100");
}

TEST_F(KXHTTPREQUESTDownloadTest, UnknownTotalReportsOnlyTheFirstProgress)
{
    auto record = download(*transport_, server_->chunkedURL());
    ASSERT_TRUE(waitFor([&] { return record->ended(); }));
    ASSERT_TRUE(record->success);
    std::lock_guard lock(record->mutex);
    // The session layer may not report an unknown total at all; what does arrive is one report.
    ASSERT_LE(record->fractions.size(), 1u);
    for (float fraction : record->fractions)
        EXPECT_LE(fraction, 0.0f);
}

TEST_F(KXHTTPREQUESTDownloadTest, SecondDownloadOfAURLReportsNoProgressButSucceeds)
{
    const std::string url = server_->url("twice.bin?size=200000");
    auto first = download(*transport_, url);
    ASSERT_TRUE(waitFor([&] { return first->ended(); }));
    auto second = download(*transport_, url);
    ASSERT_TRUE(waitFor([&] { return second->ended(); }));
    EXPECT_TRUE(second->success);
    EXPECT_TRUE(second->fractions.empty());
    EXPECT_EQ(server_->hits("twice.bin"), 2);
}

TEST_F(KXHTTPREQUESTDownloadTest, URLInFlightIsDownloadedOnce)
{
    const std::string url = server_->url("gate-one.bin");
    auto first = download(*transport_, url);
    auto second = download(*transport_, url);
    ASSERT_TRUE(waitFor([&] { return server_->waiting() == 1; }));
    EXPECT_TRUE(transport_->hasOperationForURL(url));
    server_->openGate();
    ASSERT_TRUE(waitFor([&] { return first->ended(); }));
    EXPECT_TRUE(first->success);
    // The second request was dropped whole: its callbacks never run.
    EXPECT_FALSE(second->ended());
    EXPECT_EQ(server_->hits("gate-one.bin"), 1);
}

TEST_F(KXHTTPREQUESTDownloadTest, PathsKeepSpacesAndChineseWithoutEscapes)
{
    auto record = download(*transport_, server_->url("x.zip?cd=%E5%AD%97%E4%BD%93%20A.zip"));
    ASSERT_TRUE(waitFor([&] { return record->ended(); }));
    ASSERT_TRUE(record->success);
    const std::string path = Id(record->success)["path"].stringValue();
    EXPECT_EQ(path, (downloadFolder() / "字体 A.zip").string());
    EXPECT_TRUE(fs::exists(fs::u8path(path)));
}

TEST_F(KXHTTPREQUESTDownloadTest, NamesFromTheNetworkCannotLeaveTheFolder)
{
    auto record = download(*transport_, server_->url("y.zip?cd=..%2F..%2Fescape.zip"));
    ASSERT_TRUE(waitFor([&] { return record->ended(); }));
    ASSERT_TRUE(record->success);
    EXPECT_EQ(Id(record->success)["path"].stringValue(), (downloadFolder() / "escape.zip").string());
    EXPECT_FALSE(fs::exists(downloadFolder().parent_path().parent_path() / "escape.zip"));
}

TEST_F(KXHTTPREQUESTDownloadTest, ADownloadNeverTakesTheNameOfTheClientsOwnFiles)
{
    writeFile(downloadFolder() / "fontName.plist", "the font name cache");
    const std::string url = server_->url("z.zip?cd=fontName.plist");
    auto record = download(*transport_, url);
    ASSERT_TRUE(waitFor([&] { return record->ended(); }));
    ASSERT_TRUE(record->success);
    EXPECT_EQ(Id(record->success)["path"].stringValue(), (downloadFolder() / crypto::md5Hex(url)).string());
    EXPECT_EQ(contents(downloadFolder() / "fontName.plist"), "the font name cache");
}

TEST_F(KXHTTPREQUESTDownloadTest, NewFileReplacesAnOlderOneOfTheSameName)
{
    writeFile(downloadFolder() / "setup.dmg", "old");
    writeFile(downloadFolder() / "font.zip", "old");
    auto installer = download(*transport_, server_->url("setup.dmg?size=20"));
    auto font = download(*transport_, server_->url("font.zip?size=20"));
    ASSERT_TRUE(waitFor([&] { return installer->ended() && font->ended(); }));
    ASSERT_TRUE(installer->success && font->success);
    EXPECT_EQ(contents(downloadFolder() / "setup.dmg"), "new-setup.dmgnew-set");
    EXPECT_EQ(contents(downloadFolder() / "font.zip"), "new-font.zipnew-font");
}

TEST_F(KXHTTPREQUESTDownloadTest, FailureKeepsTheOldFileAndReleasesTheURL)
{
    writeFile(downloadFolder() / "fail-once.zip", "old");
    KXGlobalDataBase::sharedKXGlobalDataBase().setCurrentModule(foundation::String::create("主程序"));
    const std::string url = server_->url("fail-once.zip?size=10");
    auto failed = download(*transport_, url);
    ASSERT_TRUE(waitFor([&] { return failed->ended(); }));
    ASSERT_TRUE(failed->failure);
    EXPECT_FALSE(failed->success);
    EXPECT_FALSE(Id(failed->failure)[foundation::NSLocalizedDescriptionKey].stringValue().empty());
    EXPECT_EQ(KXGlobalDataBase::sharedKXGlobalDataBase().currentModule()->utf8(), "数据迁移错误");
    EXPECT_EQ(contents(downloadFolder() / "fail-once.zip"), "old");
    EXPECT_TRUE(leftovers().empty());
    EXPECT_FALSE(transport_->hasOperationForURL(url));

    auto retry = download(*transport_, url);
    ASSERT_TRUE(waitFor([&] { return retry->ended(); }));
    ASSERT_TRUE(retry->success);
    EXPECT_EQ(contents(downloadFolder() / "fail-once.zip"), "new-fail-o");
}

TEST_F(KXHTTPREQUESTDownloadTest, AtMostTenTransfersRunAtOnce)
{
    std::vector<std::shared_ptr<DownloadRecord>> records;
    for (int i = 0; i < 12; ++i)
        records.push_back(download(*transport_, server_->url("gate-" + std::to_string(i) + ".bin")));
    ASSERT_TRUE(waitFor([&] { return server_->waiting() == 10; }));
    // Ten transfers hold their slots; two requests wait in the queue without a task.
    EXPECT_EQ(transport_->downLoadTaskCount(), 10u);
    EXPECT_EQ(transport_->fontsQueue()->operationCount(), 12u);
    server_->openGate();
    ASSERT_TRUE(waitFor([&] {
        for (const auto& record : records)
            if (!record->ended())
                return false;
        return true;
    }));
    for (const auto& record : records)
        EXPECT_TRUE(record->success);
    EXPECT_EQ(transport_->downLoadTaskCount(), 12u);
    EXPECT_EQ(server_->waiting(), 12);
}

// A body that never ends is cut at the download ceiling: the download fails as a download does,
// and nothing of it stays in the folder; the address may be asked for again.
TEST_F(KXHTTPREQUESTDownloadTest, AnEndlessBodyStopsAtTheCeilingAndLeavesNothing)
{
    transport_->setMaximumDownloadBytes(1024 * 1024);
    const std::string url = server_->endlessURL();
    auto record = download(*transport_, url);
    ASSERT_TRUE(waitFor([&] { return record->ended(); }));
    ASSERT_TRUE(record->failure);
    EXPECT_EQ(Id(record->failure)[foundation::NSLocalizedDescriptionKey].stringValue(),
        "resource exceeds maximum size");
    EXPECT_EQ(Id(record->failure)[foundation::NSURLErrorFailingURLStringErrorKey].stringValue(), url);
    EXPECT_TRUE(fs::is_empty(downloadFolder()));
    EXPECT_FALSE(transport_->hasOperationForURL(url));
}

TEST_F(KXHTTPREQUESTDownloadTest, DownloadsAtOnceKeepTheReserveFreeAndSaySoAsAFullDisk)
{
    // A disk with 2 MiB above the reserve that holds only what these downloads write.
    struct Disk {
        std::mutex mutex;
        std::set<std::string> files;
        std::optional<std::uint64_t> free(const std::string& path)
        {
            std::lock_guard lock(mutex);
            files.insert(path);
            std::uint64_t used = 0;
            for (const auto& file : files) {
                std::error_code ec;
                const auto size = fs::file_size(file, ec);
                used += ec ? 0 : size;
            }
            const std::uint64_t size = KXSessionLimits::kDownloadFreeSpaceReserve + (2ull << 20);
            return used < size ? size - used : 0;
        }
    };
    auto disk = std::make_shared<Disk>();
    KXSessionLimits::setFreeSpaceProbe([disk](const std::string& path) { return disk->free(path); });
    struct Restore {
        ~Restore() { KXSessionLimits::setFreeSpaceProbe(nullptr); }
    } restore;

    // What a full disk says today: a length announced past the room is refused before writing.
    auto announced = download(*transport_, server_->url("Announced.zip?size=3145728"));
    ASSERT_TRUE(waitFor([&] { return announced->ended(); }));
    ASSERT_TRUE(announced->failure);
    const std::string fullDisk = Id(announced->failure)[foundation::NSLocalizedDescriptionKey].stringValue();
    EXPECT_FALSE(fullDisk.empty());

    // Endless bodies at once: each stops once it would eat into the reserve, and says the same.
    std::vector<std::shared_ptr<DownloadRecord>> endless;
    for (int i = 0; i < 3; ++i)
        endless.push_back(download(*transport_, server_->endlessURL() + "?copy=" + std::to_string(i)));
    ASSERT_TRUE(waitFor(
        [&] { return std::ranges::all_of(endless, [](const auto& record) { return record->ended(); }); }));
    for (const auto& record : endless) {
        ASSERT_TRUE(record->failure);
        EXPECT_EQ(Id(record->failure)[foundation::NSLocalizedDescriptionKey].stringValue(), fullDisk);
    }
    EXPECT_TRUE(!fs::exists(downloadFolder()) || fs::is_empty(downloadFolder()))
        << "nothing half-written stays";
    std::lock_guard lock(disk->mutex);
    for (const auto& file : disk->files)
        EXPECT_FALSE(fs::exists(file)) << file;
}

// A download short of room takes it back from the image cache before it gives up: the oldest
// cached images go, as many as the file and the reserve need, and the download succeeds.
TEST_F(KXHTTPREQUESTDownloadTest, ADownloadShortOfRoomTakesItBackFromTheImageCache)
{
    constexpr std::uint64_t kMiB = 1 << 20;
    auto config = ILImageCacheConfig::create();
    config->setMinDiskFreeSpace(0);
    const auto cache
        = ILImageCache::create("default", testsupport::makeScratchDir("image-cache").string(), config);
    for (int i = 0; i < 8; ++i)
        cache->storeImageDataToDisk(foundation::Data::create(std::string(kMiB, 'i')),
            foundation::String::create("https://img.example/" + std::to_string(i) + ".jpg"));
    ASSERT_EQ(cache->totalDiskCount(), 8u);

    // A disk that holds the cache and the downloads, with 4 MiB above the reserve besides.
    struct Disk {
        std::mutex mutex;
        std::set<std::string> files;
        std::string cacheFolder;
        std::optional<std::uint64_t> free(const std::string& path)
        {
            std::lock_guard lock(mutex);
            files.insert(path);
            std::uint64_t used = 0;
            std::error_code ec;
            for (const auto& file : files) {
                const auto size = fs::file_size(file, ec);
                used += ec ? 0 : size;
            }
            for (auto it = fs::directory_iterator(cacheFolder, ec); !ec && it != fs::directory_iterator();
                 it.increment(ec))
                used += it->is_regular_file() ? it->file_size() : 0;
            const std::uint64_t size = KXSessionLimits::kDownloadFreeSpaceReserve + 12 * kMiB;
            return used < size ? size - used : 0;
        }
    };
    auto disk = std::make_shared<Disk>();
    disk->cacheFolder = cache->diskCachePath();
    KXSessionLimits::setFreeSpaceProbe([disk](const std::string& path) { return disk->free(path); });
    struct Restore {
        ~Restore() { KXSessionLimits::setFreeSpaceProbe(nullptr); }
    } restore;

    auto record = download(*transport_, server_->url("Roomy.zip?size=" + std::to_string(6 * kMiB)));
    ASSERT_TRUE(waitFor([&] { return record->ended(); }));
    ASSERT_TRUE(record->success) << Id(record->failure)[foundation::NSLocalizedDescriptionKey].stringValue();
    EXPECT_EQ(fs::file_size(Id(record->success)["path"].stringValue()), 6 * kMiB);
    EXPECT_EQ(cache->totalDiskCount(), 6u) << "as many images as the room needed went";
    EXPECT_FALSE(cache->diskImageDataExistsWithKey(foundation::String::create("https://img.example/0.jpg")));
    EXPECT_FALSE(cache->diskImageDataExistsWithKey(foundation::String::create("https://img.example/1.jpg")));
    EXPECT_TRUE(cache->diskImageDataExistsWithKey(foundation::String::create("https://img.example/7.jpg")));
}

// --- Addresses over plain http ---------------------------------------------------------------

namespace {

// The same address with the scheme http.
std::string httpFormOf(const std::string& secureURL)
{
    EXPECT_TRUE(secureURL.starts_with("https://")) << secureURL;
    return "http" + secureURL.substr(5);
}

} // namespace

TEST(KXHTTPREQUESTSecureAddress, OnlyTheSchemeOfAnHttpAddressChanges)
{
    const struct {
        const char* given;
        const char* fetched;
    } cases[] = {
        { "http://files.example/fonts/A%20B.zip?v=2#x", "https://files.example/fonts/A%20B.zip?v=2#x" },
        { "HTTP://127.0.0.1:8080/p.zip", "https://127.0.0.1:8080/p.zip" },
        { "https://files.example/a.zip", "https://files.example/a.zip" },
        { "httpx://files.example/a.zip", "httpx://files.example/a.zip" },
        { "ftp://files.example/a.zip", "ftp://files.example/a.zip" },
        { "http:/files.example", "http:/files.example" },
        { "", "" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(KXHTTPREQUEST::secureDownloadAddress(c.given), c.fetched) << c.given;
}

// An http address of a font archive or a package is fetched over https at the same host, port
// and path; the caller's bookkeeping keeps the address it gave.
TEST_F(KXHTTPREQUESTDownloadTest, AnHttpAddressIsFetchedOverHttps)
{
    const Outcome list
        = run([](auto s, auto f) { KXHTTPBUSINESS().GetFontsListByParameters(nullptr, s, f); });
    const std::string fromService
        = httpFormOf(list.reply["corvane_data"]["fonts"][0]["download_url"].stringValue());
    const std::string fromServer = httpFormOf(server_->url("plain.zip?size=20"));
    for (const std::string& url : { fromService, fromServer }) {
        SCOPED_TRACE(url);
        auto record = download(*transport_, url);
        ASSERT_TRUE(waitFor([&] { return record->ended(); }));
        ASSERT_TRUE(record->success) << Id(record->failure).description();
        EXPECT_FALSE(transport_->hasOperationForURL(url));
        EXPECT_EQ(transport_->progressD()->objectForKey(url).stringValue(), "100");
    }
    EXPECT_EQ(server_->hits("plain.zip"), 1);
    EXPECT_EQ(contents(downloadFolder() / "plain.zip"), "new-plain.zipnew-pla");
    EXPECT_TRUE(leftovers().empty());
}

// Where only http would serve the file (a server without TLS, or an error over https), the
// download is refused as not secure, never fetched over http, and leaves nothing.
TEST_F(KXHTTPREQUESTDownloadTest, AnHttpAddressThatHttpsCannotServeIsRefusedAsNotSecure)
{
    std::atomic<int> plainHits = 0;
    urltest::HttpServer plain;
    plain.routes().Get("/font.zip", [&](const httplib::Request&, httplib::Response& res) {
        ++plainHits;
        res.set_content("PK plain", "application/zip");
    });
    plain.start();
    const std::string withoutTLS = plain.url("/font.zip");
    ASSERT_TRUE(withoutTLS.starts_with("http://"));
    for (const std::string& url : { withoutTLS, httpFormOf(server_->url("fail-once.zip")) }) {
        SCOPED_TRACE(url);
        auto record = download(*transport_, url);
        ASSERT_TRUE(waitFor([&] { return record->ended(); }));
        ASSERT_TRUE(record->failure);
        EXPECT_FALSE(record->success);
        const Id failure(record->failure);
        EXPECT_TRUE(KXHTTPREQUEST::isInsecureAddressRefusal(record->failure));
        EXPECT_EQ(failure[foundation::NSLocalizedDescriptionKey].stringValue(),
            KXHTTPREQUEST::kInsecureAddressText);
        EXPECT_EQ(failure[foundation::NSURLErrorFailingURLStringErrorKey].stringValue(), url);
        const auto secureFailure = failure[foundation::NSUnderlyingErrorKey].as<foundation::Error>();
        ASSERT_TRUE(secureFailure) << "the https failure is kept for the log";
        EXPECT_NE(secureFailure->code(), KXHTTPREQUEST::kInsecureAddressCode);
        EXPECT_FALSE(transport_->hasOperationForURL(url));
    }
    EXPECT_EQ(plainHits.load(), 0) << "fetched over http";
    EXPECT_EQ(server_->hits("fail-once.zip"), 1);
    EXPECT_TRUE(fs::is_empty(downloadFolder()));

    // The failures an http fetch would meet as well keep their own words.
    transport_->setMaximumDownloadBytes(1024 * 1024);
    auto endless = download(*transport_, httpFormOf(server_->endlessURL()));
    ASSERT_TRUE(waitFor([&] { return endless->ended(); }));
    ASSERT_TRUE(endless->failure);
    EXPECT_EQ(Id(endless->failure)[foundation::NSLocalizedDescriptionKey].stringValue(),
        "resource exceeds maximum size");
}
