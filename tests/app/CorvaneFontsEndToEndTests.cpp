// The real program, offscreen, against an in-process local service: start-up to the cloud list,
// the order of its requests, what it leaves in the user defaults after SIGTERM, a second start,
// an incoming address, and an installed copy.
#include "ClientProcess.h"

#include "Class/AppShell/KXStartupRules.h"
#include "Class/ServiceCore/Catalogue/KXCatalogueFile.h"
#include "Class/ServiceCore/Catalogue/KXSortingData.h"
#include "Platform/Storage/Paths.h"
#include "Platform/Storage/UserDefaults.h"
#include "Support/TempHome.h"

#include "local-service/LocalService.h"
#include "local-service/RequestLog.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <set>
#include <vector>

namespace fs = std::filesystem;
using foundation::Id;

namespace {

fs::path binaryDir()
{
    const char* dir = std::getenv("CORVANE_BINARY_DIR");
    return dir ? fs::path(dir) : fs::current_path();
}

class CorvaneFontsEndToEnd : public ::testing::Test {
public:
    static void SetUpTestSuite()
    {
        localservice::ServiceOptions options;
        options.stateDir = testsupport::makeScratchDir("e2e-service");
        options.resourcesDir = binaryDir() / "resources";
        options.quiet = true;
        service_ = std::make_unique<localservice::LocalService>(options);
        std::string error;
        ASSERT_TRUE(service_->start(&error)) << error;
        // The rows the cloud list shows, as the catalogue queries of this process count them.
        setenv("CORVANE_RESOURCE_DIR", (binaryDir() / "resources").c_str(), 1);
        cloudRows_ = KXSortingData().soringDataBySortType(0)->count();
    }
    static void TearDownTestSuite() { service_.reset(); }

protected:
    void SetUp() override { service_->requestLog().clear(); }

    std::map<std::string, std::string> serviceEnvironment(bool withResources = true) const
    {
        std::map<std::string, std::string> env{{"CORVANE_API_BASE_URL", service_->baseUrl()},
                                               {"SSL_CERT_FILE", service_->caCertificatePath().string()}};
        if (withResources)
            env["CORVANE_RESOURCE_DIR"] = (binaryDir() / "resources").string();
        else
            env["CORVANE_RESOURCE_DIR"] = "";
        return env;
    }

    std::unique_ptr<e2e::ClientProcess> start(const fs::path& home, std::vector<std::string> arguments = {},
                                              const fs::path& program = binaryDir() / "src/app/corvane-fonts",
                                              bool withResources = true)
    {
        return std::make_unique<e2e::ClientProcess>(program, home, serviceEnvironment(withResources), std::move(arguments));
    }

    static std::vector<std::string> paths()
    {
        std::vector<std::string> result;
        for (const auto& request : service_->requestLog().entries())
            result.push_back(request.path);
        return result;
    }

    static std::unique_ptr<localservice::LocalService> service_;
    static size_t cloudRows_;
};

std::unique_ptr<localservice::LocalService> CorvaneFontsEndToEnd::service_;
size_t CorvaneFontsEndToEnd::cloudRows_ = 0;

} // namespace

TEST_F(CorvaneFontsEndToEnd, StartsToTheCloudListAndEndsCleanlyOnSigterm)
{
    const fs::path home = testsupport::makeScratchDir("e2e-home");
    // Folders an older version left open to every account; the user's own font folder is not the
    // client's and keeps its mode.
    const std::vector<fs::path> leftOpen = { home / ".config/corvane-fonts", home / ".cache/corvane-fonts/KXFonts",
        home / ".local/share/corvane-fonts" };
    for (const fs::path& folder : leftOpen) {
        fs::create_directories(folder);
        fs::permissions(folder, fs::perms(0755));
        fs::permissions(folder.parent_path(), fs::perms(0755));
    }
    for (const fs::path& notOurs : { home / ".local/share/fonts", home / ".cache" }) {
        fs::create_directories(notOurs);
        fs::permissions(notOurs, fs::perms(0755));
    }
    // What a killed run left, beside a font the client keeps.
    const std::vector<fs::path> leftovers = { leftOpen[1] / ".Font.ttf.0A1B2C3D.part",
        leftOpen[1].parent_path() / "tmp/corvane-download-Ab12Cd.tmp", leftOpen[0] / ".defaults.plist.a1B2c3",
        home / "tmp/corvane-download-Zz9Yy8.tmp" };
    for (const fs::path& file : leftovers) {
        fs::create_directories(file.parent_path());
        std::ofstream(file) << "left";
    }
    std::ofstream(leftOpen[1] / "Font.ttf") << "font";
    auto client = start(home);
    const auto exec = client->waitFor("exec");
    for (const fs::path& folder : { leftOpen[0], leftOpen[1], leftOpen[1].parent_path(), leftOpen[2] })
        EXPECT_EQ(fs::status(folder).permissions(), fs::perms::owner_all) << folder << " is closed at start-up";
    for (const fs::path& file : leftovers)
        EXPECT_FALSE(fs::exists(file)) << file << " is removed at start-up";
    EXPECT_TRUE(fs::exists(leftOpen[1] / "Font.ttf"));
    EXPECT_EQ(fs::status(home / ".local/share/fonts").permissions(), fs::perms(0755));
    EXPECT_EQ(fs::status(home / ".cache").permissions(), fs::perms(0755)) << "the cache home is not the client's";
    const auto splash = client->waitFor("splash-painted");
    const auto handover = client->waitFor("handover");
    const auto rows = client->waitFor("main-window-rows");
    ASSERT_TRUE(exec && splash && handover && rows);
    EXPECT_LT(exec->microseconds, splash->microseconds);
    EXPECT_GE(handover->microseconds - splash->microseconds, 3'900'000) << "the splash shows for four seconds";
    EXPECT_LT(handover->microseconds, rows->microseconds);
    EXPECT_EQ(rows->detail, std::to_string(cloudRows_));
    ASSERT_GT(cloudRows_, 0u);

    // The launch reports and the splash's requests come before anything the main window asks.
    ASSERT_TRUE(client->waitFor("version-checked"));
    ASSERT_TRUE(client->waitFor("filter-tags"));
    const std::vector<std::string> seen = paths();
    const std::set<std::string> early = {"velaInstall", "velaView", "getBaseInfo", "getBaseData"};
    const std::set<std::string> late = {"version", "getTag"};
    size_t lastEarly = 0, firstLate = seen.size();
    for (size_t i = 0; i < seen.size(); ++i) {
        if (early.count(seen[i]))
            lastEarly = i;
        if (late.count(seen[i]))
            firstLate = std::min(firstLate, i);
    }
    for (const auto& path : early)
        EXPECT_NE(std::find(seen.begin(), seen.end(), path), seen.end()) << path;
    EXPECT_LT(lastEarly, firstLate);

    client->signal(SIGTERM);
    EXPECT_EQ(client->wait(), 0);
    EXPECT_TRUE(client->waitFor("terminate", std::chrono::seconds(0)));
    EXPECT_TRUE(client->waitFor("first-run-guide", std::chrono::seconds(0)));
    EXPECT_TRUE(client->waitFor("migration-check", std::chrono::seconds(0)));
    const auto ended = paths();
    EXPECT_NE(std::find(ended.begin(), ended.end(), "velaDuration"), ended.end()) << "the use time went out before the end";

    foundation::UserDefaults defaults(home / ".config/corvane-fonts/defaults.plist");
    EXPECT_EQ(defaults.objectForKey("appVersion").stringValue(), "0.1.0");
    EXPECT_EQ(defaults.objectForKey("install").stringValue(), "yes");
    EXPECT_EQ(defaults.objectForKey("the").stringValue(), "0");
    EXPECT_EQ(defaults.objectForKey("datemove").stringValue(), "YES");
    EXPECT_EQ(defaults.objectForKey("dataVersion").stringValue(), KXStartupRules::kBaselineDataVersion);
    EXPECT_EQ(defaults.objectForKey("typeFrom").stringValue(), "linux");
    EXPECT_FALSE(defaults.objectForKey("macType").stringValue().empty());
    EXPECT_NE(defaults.objectForKey("shop_url").stringValue().find(service_->baseUrl()), std::string::npos);
}

TEST_F(CorvaneFontsEndToEnd, SettingsThatCannotBeReadAreNamedAndMakeNoFirstRun)
{
    const fs::path home = testsupport::makeScratchDir("e2e-home");
    // Settings the user cannot read: there, yet nothing this account can open as a file.
    const fs::path settings = home / ".config/corvane-fonts/defaults.plist";
    fs::create_directories(settings);
    auto client = start(home);
    EXPECT_TRUE(client->waitFor("settings-unreadable", settings.string()));
    ASSERT_TRUE(client->waitFor("main-window-rows"));
    // The tag list's reply comes after the migration check, which runs as the main window appears.
    ASSERT_TRUE(client->waitFor("filter-tags"));
    client->signal(SIGTERM);
    EXPECT_EQ(client->wait(), 0);

    EXPECT_FALSE(client->waitFor("first-run-guide", std::chrono::seconds(0)));
    EXPECT_FALSE(client->waitFor("migration-check", std::chrono::seconds(0)));
    const auto seen = paths();
    EXPECT_NE(std::find(seen.begin(), seen.end(), "velaView"), seen.end());
    EXPECT_EQ(std::find(seen.begin(), seen.end(), "velaInstall"), seen.end()) << "no first-start report";
    EXPECT_TRUE(fs::is_directory(settings)) << "nothing was written over it";
}

TEST_F(CorvaneFontsEndToEnd, ASecondStartReopensTheFirstAndHandsOverItsAddress)
{
    const fs::path home = testsupport::makeScratchDir("e2e-home");
    auto first = start(home, {"corvane://collection/3"});
    ASSERT_TRUE(first->waitFor("url-alert", "corvane://collection/3"));
    // A download of the running instance, as a later start finds it.
    const fs::path running = home / ".cache/corvane-fonts/KXFonts/.Font.ttf.0A1B2C3D.part";
    fs::create_directories(running.parent_path());
    std::ofstream(running) << "running";

    auto second = start(home, {"corvane://font/7"});
    EXPECT_EQ(second->wait(std::chrono::seconds(20)), 0) << "the later start hands over and ends";
    EXPECT_FALSE(second->waitFor("exec", std::chrono::seconds(0))) << "it never ran the application";
    EXPECT_TRUE(fs::exists(running)) << "a later start leaves the running instance's files";
    EXPECT_TRUE(first->waitFor("reopen"));
    EXPECT_TRUE(first->waitFor("url-alert", "corvane://font/7"));

    first->signal(SIGTERM);
    EXPECT_EQ(first->wait(), 0);
    // With the first instance gone, its lock and socket do not stop a new one.
    auto third = start(home);
    EXPECT_TRUE(third->waitFor("splash-painted"));
    third->signal(SIGINT);
    EXPECT_EQ(third->wait(), 0);
}

TEST_F(CorvaneFontsEndToEnd, ADamagedCatalogueCopyIsMadeAgainAndTheListShows)
{
    const fs::path home = testsupport::makeScratchDir("e2e-home");
    // The copy an earlier start made (this process made the same one of the same installed file),
    // with 8 KB in its middle overwritten.
    const fs::path data = home / ".local/share/corvane-fonts";
    fs::create_directories(data);
    for (const char* name : {"fonts.sqlite", "fonts.sqlite.bundle"})
        fs::copy_file(foundation::Paths::dataDirectory() / name, data / name);
    const fs::path copy = data / "fonts.sqlite";
    std::string damaged;
    {
        std::fstream bytes(copy, std::ios::in | std::ios::out | std::ios::binary);
        bytes.seekp(static_cast<std::streamoff>(fs::file_size(copy) / 2 - 4096));
        const std::string garbage(8192, '\x5A');
        bytes.write(garbage.data(), static_cast<std::streamsize>(garbage.size()));
        bytes.close();
        std::ifstream in(copy, std::ios::binary);
        damaged.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    auto client = start(home);
    const auto rows = client->waitFor("main-window-rows");
    ASSERT_TRUE(rows);
    EXPECT_EQ(rows->detail, std::to_string(cloudRows_));
    client->signal(SIGTERM);
    EXPECT_EQ(client->wait(), 0);

    std::ifstream aside(data / "fonts.sqlite.damaged", std::ios::binary);
    EXPECT_TRUE(std::string(std::istreambuf_iterator<char>(aside), std::istreambuf_iterator<char>()) == damaged)
        << "the damaged copy is kept beside the new one";
    EXPECT_TRUE(KXCatalogueFile::isCatalogue(copy));
    foundation::UserDefaults defaults(home / ".config/corvane-fonts/defaults.plist");
    EXPECT_EQ(defaults.objectForKey("dataVersion").stringValue(), KXStartupRules::kBaselineDataVersion);
}

TEST_F(CorvaneFontsEndToEnd, AnInstalledCopyRunsFromItsPrefix)
{
    const fs::path prefix = testsupport::makeScratchDir("e2e-prefix");
    const char* cmake = std::getenv("CORVANE_CMAKE_COMMAND");
    ASSERT_NE(cmake, nullptr);
    ASSERT_EQ(e2e::runToEnd({cmake, "--install", binaryDir().string(), "--prefix", prefix.string()}, {}), 0);
    ASSERT_TRUE(fs::exists(prefix / "share/applications/corvane-fonts.desktop"));
    ASSERT_TRUE(fs::exists(prefix / "share/icons/hicolor/48x48/apps/corvane-fonts.png"));

    const fs::path home = testsupport::makeScratchDir("e2e-home");
    auto client = start(home, {}, prefix / "bin/corvane-fonts", false);
    const auto rows = client->waitFor("main-window-rows");
    ASSERT_TRUE(rows);
    EXPECT_EQ(rows->detail, std::to_string(cloudRows_)) << "the catalogue installed beside the program";
    client->signal(SIGTERM);
    EXPECT_EQ(client->wait(), 0);
}

TEST(CorvaneFontsDesktopEntry, PassesTheValidator)
{
    const fs::path entry = testsupport::sourceDir() / "src/app/corvane-fonts.desktop";
    EXPECT_EQ(e2e::runToEnd({"/usr/bin/desktop-file-validate", entry.string()}, {}), 0);
}
