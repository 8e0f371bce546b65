// The row-click road against an in-process local service: real downloads of the sample archives,
// real installation into the temporary home's font folder, the usage reports in the service's
// request log. The font engine works on stand-ins for the window server and the script host.
#include "Class/FontList/Core/KXDownloadedFontMap.h"
#include "Class/FontList/Core/KXFontFailure.h"
#include "Class/FontList/Core/KXFontRowRoad.h"
#include "Class/FontList/Core/KXInstalledFontFiles.h"
#include "Class/FontList/Core/KXRecentUsedStore.h"
#include "Class/ServiceCore/Catalogue/KXBaseDBManager.h"
#include "Class/ServiceCore/Catalogue/KXCatalogueStatement.h"
#include "Class/ServiceCore/Fonts/FontEngineFakes.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/ServiceCore/Transport/TransportTestSupport.h"
#include "Class/ServiceCore/UnitTools/KXFileManager.h"
#include "Lib/ZipArchive/ZipArchive.h"
#include "Platform/Dispatch/Clock.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/Dispatch/RunLoop.h"
#include "Platform/Foundation/Foundation.h"
#include "Platform/Foundation/URL.h"
#include "Platform/Storage/Paths.h"
#include "Platform/URLLoading/TaskNotifications.h"
#include "Platform/URLLoading/URLRequest.h"
#include "Platform/URLLoading/URLSessionTask.h"
#include "Support/LimitedChild.h"
#include "Support/TempHome.h"

#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

using foundation::Id;
using foundation::Ref;
using foundation::String;
using localservice::Fault;
namespace fs = std::filesystem;

namespace {

// A list holding records; it counts the redraws of the records it holds and ignores the others.
class RecordingOwner final : public KXFontRowRoadOwner {
public:
    void roadReloadRecord(const Ref<KXFontBaseModel>& record) override
    {
        if (std::find(rows.begin(), rows.end(), record) != rows.end())
            reloads.push_back(record);
        else
            reloadsOfRecordsGone += 1;
        progressSeen.push_back(record->progress);
        if (!record->isLoading && record->progress == 0)
            restingRedraws[record.get()] += 1;
        if (record->isLoading && record->progress > 0 && record->progress < 0.85 && record->isLocalFont)
            sawInstalledWhileLoading = true;
    }
    Ref<KXFontBaseModel> roadShownRecord(long long fontid) const override
    {
        const auto shown = std::find_if(rows.begin(), rows.end(), [&](const auto& row) { return row->fontid == fontid; });
        return shown == rows.end() ? nullptr : *shown;
    }
    void roadAskSignIn() override { signInRequests += 1; }
    long long roadMode() const override { return mode; }

    std::vector<Ref<KXFontBaseModel>> rows;
    std::vector<Ref<KXFontBaseModel>> reloads;
    std::vector<double> progressSeen;
    // Redraws of each record while it is neither loading nor under way: its selection, a failure.
    std::map<const KXFontBaseModel*, int> restingRedraws;
    int reloadsOfRecordsGone = 0;
    int signInRequests = 0;
    long long mode = 1;
    bool sawInstalledWhileLoading = false;
};

class KXFontRowRoadTest : public transporttest::TransportTest {
protected:
    void SetUp() override
    {
        TransportTest::SetUp();
        std::error_code ec;
        fs::remove(KXDownloadedFontMap::defaultFile(), ec);
        fs::remove(KXInstalledFontFiles::defaultFile(), ec);
        fs::remove_all(foundation::Paths::userFontsDirectory(), ec);
        KXFileManager::sharedKXFileManager().removeFileByPathkey(String::create(KXRecentUsedStore::kArchiveKey));
        KXGlobalDataBase::sharedKXGlobalDataBase().setActivation(nullptr);
        KXGlobalDataBase::sharedKXGlobalDataBase().setDownloadIds(nullptr);
        engine_.usableFromTest = 1;
        owner_ = std::make_shared<RecordingOwner>();
        road_ = makeRoad({});
    }

    // A click's reports go out once its font is installed, after what most tests wait for: they
    // are answered here, so that none reaches the next test's request log.
    void TearDown() override
    {
        EXPECT_TRUE(waitForQuietTraffic());
        TransportTest::TearDown();
    }

    std::shared_ptr<KXFontRowRoad> makeRoad(KXFontRowRoadPolicy policy)
    {
        KXFontRowRoad::Environment environment;
        environment.makeFontsCore = [this] { return KXFontsCore::create(engine_.environment()); };
        environment.notificationCenter = &engine_.center;
        environment.isSignedIn = [this] { return signedIn_; };
        return KXFontRowRoad::create(owner_, policy, environment);
    }

    Ref<KXFontBaseModel> font(int fontid, const std::string& name, const std::string& archive)
    {
        auto record = std::make_shared<KXFontBaseModel>();
        record->fontid = fontid;
        record->fontname = String::create(name);
        record->download_url = String::create(service().baseUrl() + "files/fonts/" + archive);
        owner_->rows.push_back(record);
        return record;
    }

    // The second half of a click, with a downloaded archive: waits until its font has reached the
    // application.
    bool installArchive(const Ref<KXFontBaseModel>& record, const fs::path& archive)
    {
        record->isLoading = true;
        record->progress = 0;
        road_->activeFontsByPath(String::create(archive.string()), record->download_url, record);
        return waitFor([&] { return !record->isLoading && record->progress == 1.0; });
    }

    // Clicks and waits until the record's font has reached the application.
    bool clickAndWait(const Ref<KXFontBaseModel>& record)
    {
        road_->tableViewAction(record);
        return waitFor([&] { return !record->isLoading && record->progress == 1.0; });
    }

    std::vector<localservice::LoggedRequest> reports() const { return service().requestLog().withTag("103"); }

    fontengine_test::Bench engine_;
    bool signedIn_ = true;
    std::shared_ptr<RecordingOwner> owner_;
    std::shared_ptr<KXFontRowRoad> road_;
};

std::string param(const localservice::LoggedRequest& request, const char* name)
{
    const std::string* value = request.param(name);
    return value ? *value : "(none)";
}

} // namespace

TEST_F(KXFontRowRoadTest, ADownloadInstallsTheFontAndRecordsIt)
{
    const auto record = font(1002, "DejaVu Sans Bold", "DejaVuSans-Bold.zip");
    ASSERT_TRUE(clickAndWait(record));

    EXPECT_EQ(record->progress, 1.0);
    EXPECT_FALSE(record->isLoading);
    const fs::path installed = foundation::Paths::userFontsDirectory() / "DejaVuSans-Bold.ttf";
    EXPECT_TRUE(fs::exists(installed)) << "unpacked into the user's font folder";
    EXPECT_EQ(record->ttfPath->utf8(), installed.string());
    EXPECT_EQ(KXDownloadedFontMap::shared().pathForFontname("DejaVu Sans Bold")->utf8(), installed.string());
    EXPECT_EQ(KXRecentUsedStore::recentIds(), std::vector<std::string>{"1002"});
    EXPECT_TRUE(road_->loadingPaths().empty()) << "the hand-off's entry goes once it has ended";

    // An activation report and a download report, both on the font's id (they may arrive in
    // either order).
    ASSERT_TRUE(waitFor([&] { return reports().size() == 2; }));
    auto sent = reports();
    std::sort(sent.begin(), sent.end(), [](const auto& a, const auto& b) { return param(a, "download_ids") < param(b, "download_ids"); });
    EXPECT_EQ(param(sent[0], "download_ids"), "");
    EXPECT_EQ(param(sent[0], "activation"), "[\n  {\n    \"fid\" : \"1002\",\n    \"num\" : \"1\"\n  }\n]");
    EXPECT_EQ(param(sent[1], "download_ids"), "1002");
    EXPECT_EQ(param(sent[1], "activation"), "");

    // The phases, as the row saw them: download up to 0.85 (single precision), unpacking above.
    const auto& seen = owner_->progressSeen;
    EXPECT_NE(std::find(seen.begin(), seen.end(), static_cast<double>(0.85f)), seen.end());
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_TRUE(record->is_seleted);
    EXPECT_EQ(road_->selectedRecord(), record);
}

TEST_F(KXFontRowRoadTest, AnInstalledFontIsHandedOffAtEightyPercentWithoutADownload)
{
    const fs::path file = foundation::Paths::userFontsDirectory() / "FreeSerif.ttf";
    fs::create_directories(file.parent_path());
    fs::copy_file("/usr/share/fonts/truetype/freefont/FreeSerif.ttf", file);
    ASSERT_TRUE(KXDownloadedFontMap::shared().setPathForFontname("FreeSerif", file.string()));
    const auto record = font(1010, "FreeSerif", "FreeSerif.zip");
    record->ttfPath = String::create(file.string());

    dispatch::VirtualClock::Scope time;
    engine_.usableFromTest = 3; // the engine waits twice (0.5 s each) before the font is usable
    road_->tableViewAction(record);
    EXPECT_EQ(record->progress, 0.8);
    EXPECT_TRUE(record->isLoading);
    // The first test runs on a background queue, which schedules its retry right after it: the
    // clock moves only once that retry waits on it.
    ASSERT_TRUE(waitFor([&] { return engine_.usabilityTests >= 1 && time.clock().pendingCount() > 0; }));
    time.advance(0.6);
    ASSERT_TRUE(waitFor([&] { return engine_.usabilityTests >= 2; }));
    dispatch::RunLoop::drain();
    EXPECT_EQ(record->progress, 0.8) << "80 % until \"endcellloading\"";
    time.advance(0.6);
    ASSERT_TRUE(waitFor([&] { return record->progress == 1.0; }));
    EXPECT_FALSE(record->isLoading);

    ASSERT_TRUE(waitFor([&] { return reports().size() == 1; }));
    EXPECT_EQ(param(reports()[0], "download_ids"), "") << "an activation report only";
    EXPECT_TRUE(KXRecentUsedStore::recentIds().empty()) << "no recently used entry without a download";
}

TEST_F(KXFontRowRoadTest, ADeletedFileIsDownloadedAgainAndItsEntryReplaced)
{
    const fs::path gone = foundation::Paths::userFontsDirectory() / "gone.ttf";
    ASSERT_TRUE(KXDownloadedFontMap::shared().setPathForFontname("DejaVu Sans Oblique", gone.string()));
    const auto record = font(1005, "DejaVu Sans Oblique", "DejaVuSans-Oblique.zip");
    record->ttfPath = String::create(gone.string());

    ASSERT_TRUE(clickAndWait(record));
    const fs::path installed = foundation::Paths::userFontsDirectory() / "DejaVuSans-Oblique.ttf";
    EXPECT_EQ(record->progress, 1.0);
    EXPECT_EQ(KXDownloadedFontMap::shared().pathForFontname("DejaVu Sans Oblique")->utf8(), installed.string());
    EXPECT_TRUE(waitFor([&] { return reports().size() == 2; }));
}

TEST_F(KXFontRowRoadTest, AFontWithoutAnIdIsReportedAsADownloadOnly)
{
    const auto record = font(0, "DejaVu Sans Bold Oblique", "DejaVuSans-BoldOblique.zip");
    ASSERT_TRUE(clickAndWait(record));
    EXPECT_EQ(record->progress, 1.0);
    ASSERT_TRUE(waitFor([&] { return reports().size() == 1; }));
    EXPECT_EQ(param(reports()[0], "download_ids"), "0");
    EXPECT_TRUE(KXRecentUsedStore::recentIds().empty());
}

TEST_F(KXFontRowRoadTest, AUsersOwnFontWithoutAnIdKeepsItsStateToItself)
{
    // The installed-fonts tab: the user's own fonts all carry id 0.
    const fs::path file = foundation::Paths::userFontsDirectory() / "FreeSerif.ttf";
    fs::create_directories(file.parent_path());
    fs::copy_file("/usr/share/fonts/truetype/freefont/FreeSerif.ttf", file);
    const auto above = font(0, "FreeSans", "none.zip");
    above->ttfPath = String::create("/usr/share/fonts/truetype/freefont/FreeSans.ttf");
    const auto clicked = font(0, "FreeSerif", "none.zip");
    clicked->ttfPath = String::create(file.string());

    road_->tableViewAction(clicked);
    EXPECT_TRUE(clicked->isLoading);
    EXPECT_FALSE(above->isLoading);
    EXPECT_EQ(above->progress, 0);
    // The list is built again mid hand-off: no record of another font takes the clicked one's ring.
    const auto rebuilt = font(0, "FreeSans", "none.zip");
    owner_->rows = {rebuilt};
    road_->showLoadingFonts();
    EXPECT_FALSE(rebuilt->isLoading);

    ASSERT_TRUE(waitFor([&] { return clicked->progress == 1.0 && !clicked->isLoading; }));
    for (const auto& other : {above, rebuilt}) {
        EXPECT_EQ(other->progress, 0);
        EXPECT_FALSE(other->isLoading);
        EXPECT_EQ(std::count(owner_->reloads.begin(), owner_->reloads.end(), other), 0) << "no other row redrawn";
    }
}

TEST_F(KXFontRowRoadTest, SignedOutClicksOnlyAskForTheSignInWindow)
{
    signedIn_ = false;
    const auto record = font(1002, "DejaVu Sans Bold", "DejaVuSans-Bold.zip");
    // A report or a download starts its request as a task resumes; a report before the click
    // returns.
    std::atomic<int> started = 0;
    const auto starts = dispatch::NotificationCenter::defaultCenter().addObserver(
        std::string(net::kTaskResumeNotification), Id(), nullptr, [&](const dispatch::Notification&) { started += 1; });
    road_->tableViewAction(record);
    EXPECT_EQ(owner_->signInRequests, 1);
    EXPECT_EQ(started.load(), 0) << "no report, no download";
    EXPECT_FALSE(record->is_seleted);
    EXPECT_FALSE(road_->selectedRecord());

    // The favourite-folder detail lets everyone through.
    road_ = makeRoad({.minimumActivationId = 1, .requiresSignIn = false});
    ASSERT_TRUE(clickAndWait(record));
    EXPECT_EQ(record->progress, 1.0);
    EXPECT_GE(started.load(), 3) << "two reports and the download";
}

TEST_F(KXFontRowRoadTest, AFailedDownloadPutsOnlyItsOwnRecordBack)
{
    const auto done = font(1002, "DejaVu Sans Bold", "DejaVuSans-Bold.zip");
    ASSERT_TRUE(clickAndWait(done));
    for (const auto kind : {Fault::Kind::Http500, Fault::Kind::TruncatedDownload, Fault::Kind::NoFontsTxtPackage}) {
        Fault fault;
        fault.kind = kind;
        fault.truncateAfter = 100;
        service().faults().set("fonts/", fault);
        const auto failing = font(1003, "DejaVu Sans Bold Oblique", "DejaVuSans-BoldOblique.zip");
        const std::size_t doneReloads = std::count(owner_->reloads.begin(), owner_->reloads.end(), done);

        road_->tableViewAction(failing);
        // Drawn at rest once for the selection, once more when the failure put it back. Its
        // progress reports were queued before the failure: nothing of this download is left to come.
        ASSERT_TRUE(waitFor([&] { return owner_->restingRedraws[failing.get()] == 2; })) << static_cast<int>(kind);
        dispatch::RunLoop::drain();
        EXPECT_FALSE(failing->isLoading);
        EXPECT_EQ(failing->progress, 0) << "no ring left half-way";
        EXPECT_FALSE(KXDownloadedFontMap::shared().pathForFontname("DejaVu Sans Bold Oblique"));
        EXPECT_EQ(done->progress, 1.0) << "the earlier row is not marked again";
        // The earlier record is drawn once more when the selection leaves it, and never after.
        EXPECT_LE(std::count(owner_->reloads.begin(), owner_->reloads.end(), done), static_cast<long>(doneReloads) + 1);
        EXPECT_TRUE(failing->is_seleted);
        EXPECT_FALSE(done->is_seleted);
        service().faults().clearAll();
    }
}

// The folder's files and their sizes: what a failed installation must leave as it found.
std::map<std::string, std::uintmax_t> fontFolder()
{
    std::map<std::string, std::uintmax_t> files;
    std::error_code ec;
    for (fs::directory_iterator it(foundation::Paths::userFontsDirectory(), ec), end; !ec && it != end; it.increment(ec))
        files[it->path().filename().string()] = it->is_regular_file(ec) ? it->file_size(ec) : 0;
    return files;
}

TEST_F(KXFontRowRoadTest, AFailedDownloadOrInstallIsShownAndCountsNothing)
{
    // One font installed before, and a recently used list the user already had.
    ASSERT_TRUE(clickAndWait(font(1002, "DejaVu Sans Bold", "DejaVuSans-Bold.zip")));
    KXFileManager::sharedKXFileManager().writeEncryptDataWithDictionary(
        Id(foundation::Dictionary::create({{Id("active"), Id("7,8")}, {Id("other"), Id("kept")}})),
        String::create(KXRecentUsedStore::kArchiveKey));
    ASSERT_TRUE(waitForQuietTraffic());
    service().requestLog().clear();
    toasts_->shown.clear();
    const auto folderBefore = fontFolder();

    const struct {
        Fault::Kind kind;
        const char* toast;
    } failures[] = {
        {Fault::Kind::Http500, "字体下载失败，请稍后重试"},
        {Fault::Kind::TruncatedDownload, "字体下载失败，请稍后重试"},
        {Fault::Kind::NoFontsTxtPackage, "字体安装失败，请稍后重试"}, // an archive without a font
    };
    for (const auto& failure : failures) {
        SCOPED_TRACE(failure.toast);
        Fault fault;
        fault.kind = failure.kind;
        fault.truncateAfter = 100;
        service().faults().set("fonts/", fault);
        const auto record = font(1003, "DejaVu Sans Bold Oblique", "DejaVuSans-BoldOblique.zip");
        road_->tableViewAction(record);
        ASSERT_TRUE(waitFor([&] { return owner_->restingRedraws[record.get()] == 2; }));
        ASSERT_TRUE(waitForQuietTraffic());

        EXPECT_TRUE(reports().empty()) << "neither the activation nor the download is counted";
        EXPECT_EQ(KXRecentUsedStore::recentIds(), (std::vector<std::string>{"7", "8"}));
        const Id archive =
            KXFileManager::sharedKXFileManager().returnDecryptDataByPathKey(String::create(KXRecentUsedStore::kArchiveKey));
        EXPECT_EQ(archive["other"].stringValue(), "kept") << "the archive's other entries stay";
        EXPECT_EQ(fontFolder(), folderBefore) << "nothing left in the user's font folder";
        ASSERT_EQ(toasts_->shown.size(), 1u);
        EXPECT_EQ(toasts_->shown[0].message, failure.toast);
        EXPECT_EQ(toasts_->shown[0].style, ToastStyle::Error);
        EXPECT_EQ(toasts_->shown[0].window, nullptr);
        EXPECT_EQ(record->progress, 0);
        EXPECT_FALSE(record->isLoading);
        service().faults().clearAll();
        toasts_->shown.clear();
    }
}

TEST_F(KXFontRowRoadTest, ADownloadedFontIsCountedOnceItIsInstalled)
{
    // Every usage report starts after the font file is in the user's font folder.
    const fs::path installed = foundation::Paths::userFontsDirectory() / "DejaVuSans-Bold.ttf";
    std::vector<bool> installedAtReport;
    const auto starts = dispatch::NotificationCenter::defaultCenter().addObserver(
        std::string(net::kTaskResumeNotification), Id(), nullptr, [&](const dispatch::Notification& notification) {
            const auto task = notification.object.as<net::URLSessionTask>();
            const auto request = task ? task->originalRequest() : nullptr;
            if (request && request->URL()->absoluteString().find("fontDown") != std::string::npos)
                installedAtReport.push_back(fs::exists(installed));
        });
    const auto record = font(1002, "DejaVu Sans Bold", "DejaVuSans-Bold.zip");
    ASSERT_TRUE(clickAndWait(record));
    ASSERT_TRUE(waitFor([&] { return reports().size() == 2; }));
    EXPECT_EQ(installedAtReport, (std::vector<bool>{true, true}));
    EXPECT_EQ(KXRecentUsedStore::recentIds(), std::vector<std::string>{"1002"});
    EXPECT_TRUE(toasts_->shown.empty());

    // A click on the installed font reports its activation at once, before its hand-off ends.
    dispatch::VirtualClock::Scope time;
    engine_.usableFromTest = 0;
    installedAtReport.clear();
    service().requestLog().clear();
    road_->tableViewAction(record);
    EXPECT_EQ(installedAtReport, std::vector<bool>{true});
    ASSERT_TRUE(waitFor([&] { return reports().size() == 1; }));
    EXPECT_EQ(param(reports()[0], "download_ids"), "");
    EXPECT_EQ(record->progress, 0.8);
    engine_.usableFromTest = 1;
    ASSERT_TRUE(waitFor([&] {
        time.advance(0.6);
        return record->progress == 1.0;
    }));
}

TEST_F(KXFontRowRoadTest, ARecordShownInsteadMidDownloadFollowsTheDownload)
{
    const auto record = font(1004, "DejaVu Sans ExtraLight", "DejaVuSans-ExtraLight.zip");
    holdNextReply("fonts/");
    road_->tableViewAction(record);
    ASSERT_TRUE(waitFor([&] { return record->progress > 0; }));
    ASSERT_TRUE(waitForHeldReplies());

    // The list now shows other records (a change of tab): the new record of the font takes the
    // download's state at once, another font's record stays as it is.
    owner_->rows.clear();
    const auto other = font(1002, "DejaVu Sans Bold", "DejaVuSans-Bold.zip");
    const auto successor = font(1004, "DejaVu Sans ExtraLight", "DejaVuSans-ExtraLight.zip");
    road_->showLoadingFonts();
    EXPECT_TRUE(successor->isLoading);
    EXPECT_EQ(successor->progress, record->progress);
    ASSERT_FALSE(owner_->reloads.empty());
    EXPECT_EQ(owner_->reloads.back(), successor);

    ASSERT_TRUE(releaseHeldReplies());
    std::vector<double> successorSteps;
    ASSERT_TRUE(waitFor([&] {
        if (successorSteps.empty() || successorSteps.back() != successor->progress)
            successorSteps.push_back(successor->progress);
        return successor->progress == 1.0 && !successor->isLoading;
    }));
    EXPECT_EQ(record->progress, 1.0);
    EXPECT_FALSE(record->isLoading);
    EXPECT_GT(successorSteps.size(), 1u) << "the later steps reach the new record too";
    EXPECT_EQ(other->progress, 0);
    EXPECT_FALSE(other->isLoading);
    EXPECT_EQ(std::count(owner_->reloads.begin(), owner_->reloads.end(), other), 0) << "no other font's row redrawn";
    EXPECT_TRUE(KXDownloadedFontMap::shared().pathForFontname("DejaVu Sans ExtraLight")) << "the next row setup shows it installed";

    // Nothing loads any more: a list built again now shows the font as it is.
    owner_->rows.clear();
    const auto later = font(1004, "DejaVu Sans ExtraLight", "DejaVuSans-ExtraLight.zip");
    road_->showLoadingFonts();
    EXPECT_FALSE(later->isLoading);
    EXPECT_EQ(later->progress, 0);
}

TEST_F(KXFontRowRoadTest, AFailedDownloadPutsTheRecordShownInsteadBack)
{
    const auto record = font(1004, "DejaVu Sans ExtraLight", "DejaVuSans-ExtraLight.zip");
    Fault cut = {};
    cut.kind = Fault::Kind::TruncatedDownload;
    cut.truncateAfter = 4000;
    service().faults().set("fonts/", cut);
    road_->tableViewAction(record);
    // The list is built again while the download runs: its record of the font shows the ring.
    owner_->rows.clear();
    const auto successor = font(1004, "DejaVu Sans ExtraLight", "DejaVuSans-ExtraLight.zip");
    successor->isLoading = true;
    successor->progress = 0.2;
    ASSERT_TRUE(waitFor([&] { return !toasts_->shown.empty(); }));
    EXPECT_FALSE(successor->isLoading);
    EXPECT_EQ(successor->progress, 0);
}

TEST_F(KXFontRowRoadTest, EndNotificationsOfOtherFilesChangeNothing)
{
    const auto record = font(1002, "DejaVu Sans Bold", "DejaVuSans-Bold.zip");
    record->progress = 0.5;
    record->isLoading = true;
    engine_.center.post(KXFontsCore::kEndCellLoadingNotification, Id(foundation::Dictionary::create({{Id("ttfPath"), Id("/elsewhere.ttf")}})));
    EXPECT_EQ(record->progress, 0.5);
    EXPECT_TRUE(record->isLoading);
    EXPECT_TRUE(owner_->reloads.empty());
}

TEST_F(KXFontRowRoadTest, TheSelectionIsKeptByRecord)
{
    const auto first = font(1002, "DejaVu Sans Bold", "DejaVuSans-Bold.zip");
    const auto second = font(1005, "DejaVu Sans Oblique", "DejaVuSans-Oblique.zip");
    ASSERT_TRUE(clickAndWait(first));
    // The list removes the first row: the selection stays with the record, not a row number.
    owner_->rows.erase(owner_->rows.begin());
    ASSERT_TRUE(clickAndWait(second));
    EXPECT_FALSE(first->is_seleted);
    EXPECT_TRUE(second->is_seleted);
    EXPECT_EQ(road_->selectedRecord(), second);
    // Without a notification the selected record ends.
    second->progress = 0.3;
    road_->endActivityCell(nullptr);
    EXPECT_EQ(second->progress, 1.0);
}

TEST_F(KXFontRowRoadTest, ASecondClickWhileDownloadingStartsNoSecondDownload)
{
    const auto record = font(1002, "DejaVu Sans Bold", "DejaVuSans-Bold.zip");
    road_->tableViewAction(record);
    road_->tableViewAction(record);
    ASSERT_TRUE(waitFor([&] { return record->progress == 1.0 && !record->isLoading; }));
    ASSERT_TRUE(waitForQuietTraffic());
    EXPECT_EQ(reports().size(), 4u) << "both clicks report";
    EXPECT_EQ(road_->REQUEST()->downLoadTaskCount(), 1u);
}

TEST_F(KXFontRowRoadTest, CatalogueRecordsCarryDownloadAddressesOfTheService)
{
    // The bundled catalogue's placeholder URLs read as the service's own: the road downloads them.
    KXBaseDBManager manager(fs::path(std::getenv("CORVANE_BINARY_DIR")) / "resources" / "fonts.sqlite");
    const auto rows = manager.dataArrayBySqlStr(KXCatalogueStatement("SELECT * FROM fp_fonts WHERE fontid = 1001"));
    ASSERT_EQ(rows->count(), 1u);
    const auto record = Id(rows->objectAtIndex(0)).as<KXFontBaseModel>();
    EXPECT_TRUE(record->download_url->hasPrefix(service().baseUrl()));
    owner_->rows.push_back(record);
    ASSERT_TRUE(clickAndWait(record));
    EXPECT_EQ(record->progress, 1.0);
    EXPECT_TRUE(fs::exists(record->ttfPath->utf8()));
}

TEST_F(KXFontRowRoadTest, TheListLooksTheEndedFileUpInTheCloudModeOnly)
{
    // An installed font whose hand-off never ends keeps the clicked record selected at 80 %.
    const fs::path file = foundation::Paths::userFontsDirectory() / "FreeSerif.ttf";
    fs::create_directories(file.parent_path());
    fs::copy_file("/usr/share/fonts/truetype/freefont/FreeSerif.ttf", file);
    ASSERT_TRUE(KXDownloadedFontMap::shared().setPathForFontname("FreeSerif", file.string()));
    dispatch::VirtualClock::Scope time;
    engine_.usableFromTest = 0;
    const auto endOther = [&] {
        engine_.center.post(KXFontsCore::kEndCellLoadingNotification, Id(foundation::Dictionary::create({{Id("ttfPath"), Id("/elsewhere.ttf")}})));
    };

    road_ = makeRoad(KXFontRowRoadPolicy::fontList());
    const auto record = font(1010, "FreeSerif", "FreeSerif.zip");
    record->ttfPath = String::create(file.string());
    road_->tableViewAction(record);
    ASSERT_EQ(record->progress, 0.8);
    endOther();
    EXPECT_EQ(record->progress, 0.8) << "mode 1: a file this list never handed off ends nothing";
    owner_->mode = 3;
    endOther();
    EXPECT_EQ(record->progress, 1.0) << "other modes: the selected row ends";
    EXPECT_FALSE(record->isLoading);

    // The search panel looks the file up whatever its owner's mode.
    road_ = makeRoad(KXFontRowRoadPolicy::searchPanel());
    const auto other = font(1010, "FreeSerif", "FreeSerif.zip");
    other->ttfPath = String::create(file.string());
    road_->tableViewAction(other);
    ASSERT_EQ(other->progress, 0.8);
    endOther();
    EXPECT_EQ(other->progress, 0.8);
    EXPECT_TRUE(waitFor([&] { return reports().size() == 2; }));

    // Both hand-offs end before the test does: nothing of theirs outlives the engine.
    engine_.usableFromTest = 1;
    ASSERT_TRUE(waitFor([&] {
        time.advance(0.6);
        return std::count(engine_.endedPaths.begin(), engine_.endedPaths.end(), file.string()) == 2;
    }));
    EXPECT_EQ(other->progress, 1.0);
}

TEST_F(KXFontRowRoadTest, TheSearchPanelReportsFontZeroAndMarksDownloadsInstalled)
{
    road_ = makeRoad(KXFontRowRoadPolicy::searchPanel());
    Fault slow;
    slow.kind = Fault::Kind::SlowDownload;
    slow.bytesPerSecond = 300000;
    service().faults().set("fonts/", slow);
    const auto record = font(0, "DejaVu Sans Bold Oblique", "DejaVuSans-BoldOblique.zip");
    ASSERT_TRUE(clickAndWait(record));
    ASSERT_TRUE(waitFor([&] { return reports().size() == 2; })) << "an activation report for font 0 as well: " << reports().size();
    EXPECT_TRUE(owner_->sawInstalledWhileLoading);
    EXPECT_TRUE(KXRecentUsedStore::recentIds().empty()) << "font 0 is never recently used";
    service().faults().clearAll();
}

namespace {

bool sameBytes(const fs::path& file, const fs::path& other)
{
    std::ifstream a(file, std::ios::binary);
    std::ifstream b(other, std::ios::binary);
    return a && b
        && std::string(std::istreambuf_iterator<char>(a), {}) == std::string(std::istreambuf_iterator<char>(b), {});
}

// An archive of the given system fonts under the given names: {name in the archive, font file}.
fs::path archiveOf(const std::vector<std::pair<std::string, std::string>>& members)
{
    const auto dir = testsupport::makeScratchDir("archive");
    std::vector<std::string> paths;
    for (const auto& [name, font] : members) {
        fs::copy_file(fs::path("/usr/share/fonts/truetype/freefont") / font, dir / name);
        paths.push_back((dir / name).string());
    }
    const auto archive = dir / "font.zip";
    EXPECT_TRUE(ZipArchive::createZipFileAtPath(archive.string(), paths));
    return archive;
}

} // namespace

TEST_F(KXFontRowRoadTest, TheUsersOwnFontOfTheSameNameStays)
{
    // Another font of the user's own under the name the download installs as.
    const fs::path folder = foundation::Paths::userFontsDirectory();
    const fs::path own = folder / "DejaVuSans-BoldOblique.ttf";
    fs::create_directories(folder);
    fs::copy_file("/usr/share/fonts/truetype/freefont/FreeSerif.ttf", own);

    const auto record = font(1003, "DejaVu Sans Bold Oblique", "DejaVuSans-BoldOblique.zip");
    ASSERT_TRUE(clickAndWait(record));
    const fs::path installed = folder / "DejaVuSans-BoldOblique-1.ttf";
    EXPECT_TRUE(sameBytes(own, "/usr/share/fonts/truetype/freefont/FreeSerif.ttf")) << "the user's file is untouched";
    EXPECT_TRUE(sameBytes(installed, "/usr/share/fonts/truetype/dejavu/DejaVuSans-BoldOblique.ttf"));
    EXPECT_EQ(record->ttfPath->utf8(), installed.string());
    EXPECT_EQ(KXDownloadedFontMap::shared().pathForFontname("DejaVu Sans Bold Oblique")->utf8(), installed.string());
    EXPECT_TRUE(waitFor([&] { return reports().size() == 2; }));
}

TEST_F(KXFontRowRoadTest, AnUpdatedArchiveReplacesEveryFileOfItsOwnAndNothingElse)
{
    const fs::path folder = foundation::Paths::userFontsDirectory();
    fs::create_directories(folder);
    fs::copy_file("/usr/share/fonts/truetype/freefont/FreeSerif.ttf", folder / "Two.ttf");
    const auto record = font(1020, "Corvane Pair", "pair.zip");

    // The first version: the second file finds the user's own font under its name.
    ASSERT_TRUE(installArchive(record, archiveOf({{"One.ttf", "FreeMono.ttf"}, {"Two.ttf", "FreeSans.ttf"}})));
    EXPECT_TRUE(sameBytes(folder / "Two-1.ttf", "/usr/share/fonts/truetype/freefont/FreeSans.ttf"));

    // The update: both files of the font are replaced where they are, the user's own file stays.
    ASSERT_TRUE(installArchive(record, archiveOf({{"One.ttf", "FreeMonoBold.ttf"}, {"Two.ttf", "FreeSansBold.ttf"}})));
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"One.ttf", "Two-1.ttf", "Two.ttf"})) << "no copies gathered";
    EXPECT_TRUE(sameBytes(folder / "One.ttf", "/usr/share/fonts/truetype/freefont/FreeMonoBold.ttf"));
    EXPECT_TRUE(sameBytes(folder / "Two-1.ttf", "/usr/share/fonts/truetype/freefont/FreeSansBold.ttf"));
    EXPECT_TRUE(sameBytes(folder / "Two.ttf", "/usr/share/fonts/truetype/freefont/FreeSerif.ttf"));
    EXPECT_EQ(KXDownloadedFontMap::shared().pathForFontname("Corvane Pair")->utf8(), (folder / "One.ttf").string());
}

TEST_F(KXFontRowRoadTest, AFileTheUserPutBackUnderAFormerNameStays)
{
    const fs::path folder = foundation::Paths::userFontsDirectory();
    const auto record = font(1021, "Corvane Pair", "pair.zip");
    const auto archive = archiveOf({{"One.ttf", "FreeMono.ttf"}, {"Two.ttf", "FreeSans.ttf"}});
    ASSERT_TRUE(installArchive(record, archive));
    ASSERT_TRUE(sameBytes(folder / "Two.ttf", "/usr/share/fonts/truetype/freefont/FreeSans.ttf"));

    // The user deletes both files and puts a font of their own where the second one was; the font
    // is installed again.
    fs::remove(folder / "One.ttf");
    fs::remove(folder / "Two.ttf");
    fs::copy_file("/usr/share/fonts/truetype/freefont/FreeSerif.ttf", folder / "Two.ttf");
    ASSERT_TRUE(installArchive(record, archive));

    EXPECT_TRUE(sameBytes(folder / "Two.ttf", "/usr/share/fonts/truetype/freefont/FreeSerif.ttf")) << "the user's file stays";
    EXPECT_TRUE(sameBytes(folder / "Two-1.ttf", "/usr/share/fonts/truetype/freefont/FreeSans.ttf"));
    EXPECT_TRUE(sameBytes(folder / "One.ttf", "/usr/share/fonts/truetype/freefont/FreeMono.ttf"));
}

TEST_F(KXFontRowRoadTest, AnotherFontsArchiveLeavesAFileOfTheSameNameToItsFont)
{
    const fs::path folder = foundation::Paths::userFontsDirectory();
    const auto first = font(1022, "Corvane First", "first.zip");
    ASSERT_TRUE(installArchive(first, archiveOf({{"Shared.ttf", "FreeMono.ttf"}})));
    const auto second = font(1023, "Corvane Second", "second.zip");
    ASSERT_TRUE(installArchive(second, archiveOf({{"Shared.ttf", "FreeSans.ttf"}})));

    EXPECT_TRUE(sameBytes(folder / "Shared.ttf", "/usr/share/fonts/truetype/freefont/FreeMono.ttf"))
        << "the first font's file still holds the first font";
    EXPECT_TRUE(sameBytes(folder / "Shared-1.ttf", "/usr/share/fonts/truetype/freefont/FreeSans.ttf"));
    EXPECT_EQ(KXDownloadedFontMap::shared().pathForFontname("Corvane First")->utf8(), (folder / "Shared.ttf").string());
    EXPECT_EQ(KXDownloadedFontMap::shared().pathForFontname("Corvane Second")->utf8(), (folder / "Shared-1.ttf").string());
    EXPECT_EQ(second->ttfPath->utf8(), (folder / "Shared-1.ttf").string());

    // An update of the first font still replaces its own file where it is.
    ASSERT_TRUE(installArchive(first, archiveOf({{"Shared.ttf", "FreeMonoBold.ttf"}})));
    EXPECT_TRUE(sameBytes(folder / "Shared.ttf", "/usr/share/fonts/truetype/freefont/FreeMonoBold.ttf"));
    EXPECT_TRUE(sameBytes(folder / "Shared-1.ttf", "/usr/share/fonts/truetype/freefont/FreeSans.ttf"));
}

// A font's address over http is fetched over https; where only http would bring the archive,
// the click is refused as not secure and nothing reaches the font folder.
TEST_F(KXFontRowRoadTest, AnArchiveAddressOverHttpIsFetchedOverHttpsOrRefused)
{
    const auto secured = font(1002, "DejaVu Sans Bold", "DejaVuSans-Bold.zip");
    ASSERT_TRUE(secured->download_url->hasPrefix("https://"));
    secured->download_url = String::create("http" + secured->download_url->utf8().substr(5));
    ASSERT_TRUE(clickAndWait(secured));
    EXPECT_TRUE(fs::exists(foundation::Paths::userFontsDirectory() / "DejaVuSans-Bold.ttf"));
    ASSERT_TRUE(waitForQuietTraffic());
    service().requestLog().clear();
    toasts_->shown.clear();
    const auto folderBefore = fontFolder();

    const fs::path archive = fs::path(std::getenv("CORVANE_BINARY_DIR")) / "resources/service-files/fonts/DejaVuSans-BoldOblique.zip";
    const auto bytes = foundation::Data::dataWithContentsOfFile(archive);
    ASSERT_TRUE(bytes) << archive;
    std::atomic<int> plainHits = 0;
    urltest::HttpServer plain;
    plain.routes().Get("/fonts/DejaVuSans-BoldOblique.zip", [&](const httplib::Request&, httplib::Response& res) {
        ++plainHits;
        res.set_content(std::string(bytes->view()), "application/zip");
    });
    plain.start();
    const auto refused = font(1003, "DejaVu Sans Bold Oblique", "DejaVuSans-BoldOblique.zip");
    refused->download_url = String::create(plain.url("/fonts/DejaVuSans-BoldOblique.zip"));
    road_->tableViewAction(refused);
    ASSERT_TRUE(waitFor([&] { return owner_->restingRedraws[refused.get()] == 2; }));
    ASSERT_TRUE(waitForQuietTraffic());

    EXPECT_EQ(plainHits.load(), 0) << "fetched over http";
    EXPECT_EQ(fontFolder(), folderBefore);
    EXPECT_FALSE(KXDownloadedFontMap::shared().pathForFontname("DejaVu Sans Bold Oblique"));
    EXPECT_TRUE(reports().empty());
    ASSERT_EQ(toasts_->shown.size(), 1u);
    EXPECT_EQ(toasts_->shown[0].message, "下载地址不安全，字体未能下载");
    EXPECT_EQ(toasts_->shown[0].style, ToastStyle::Error);
    EXPECT_EQ(refused->progress, 0);
    EXPECT_FALSE(refused->isLoading);
}

TEST_F(KXFontRowRoadTest, AFolderThatCannotBeWrittenOrAFullDiskIsNamed)
{
    std::mutex mutex;
    std::vector<std::string> logged;
    kxfontfailure::setLogSink([&](const std::string& line) {
        std::lock_guard lock(mutex);
        logged.push_back(line);
    });
    auto lastLogLine = [&] {
        std::lock_guard lock(mutex);
        return logged.empty() ? std::string() : logged.back();
    };
    auto failureShown = [&](const Ref<KXFontBaseModel>& record) {
        return waitFor([&] { return !toasts_->shown.empty() && !record->isLoading; });
    };
    const fs::path home = foundation::Paths::homeDirectory();

    // A file where the font folder should be: nothing can be written into it, whoever runs this.
    const fs::path fonts = foundation::Paths::userFontsDirectory();
    fs::create_directories(fonts.parent_path());
    std::ofstream(fonts) << "not a folder";
    const auto installed = font(1003, "DejaVu Sans Bold Oblique", "DejaVuSans-BoldOblique.zip");
    road_->tableViewAction(installed);
    ASSERT_TRUE(failureShown(installed));
    EXPECT_EQ(toasts_->shown.back().message, "文件夹无法写入，字体未能安装：~/" + fonts.lexically_relative(home).string());
    EXPECT_NE(lastLogLine().find("font installation failed in " + fonts.string() + ": Not a directory"), std::string::npos)
        << lastLogLine();
    fs::remove(fonts);
    ASSERT_TRUE(waitForQuietTraffic());
    toasts_->shown.clear();

    // The same for the folder downloads go to.
    const fs::path downloads = foundation::Paths::cacheDirectory() / "KXFonts";
    fs::remove_all(downloads);
    std::ofstream(downloads) << "not a folder";
    const auto downloaded = font(1002, "DejaVu Sans Bold", "DejaVuSans-Bold.zip");
    road_->tableViewAction(downloaded);
    ASSERT_TRUE(failureShown(downloaded));
    EXPECT_EQ(toasts_->shown.back().message, "文件夹无法写入，字体未能下载：~/" + downloads.lexically_relative(home).string());
    EXPECT_NE(lastLogLine().find("font download failed in " + downloads.string() + ": Not a directory"), std::string::npos)
        << lastLogLine();
    fs::remove(downloads);
    toasts_->shown.clear();

    // A full disk: the downloaded font file cannot be copied into the font folder, nor can a
    // download be written.
    const fs::path fontFile = testsupport::makeScratchDir("full") / "FreeSans.ttf";
    fs::copy_file("/usr/share/fonts/truetype/freefont/FreeSans.ttf", fontFile);
    const auto onFullDisk = font(1004, "Free Sans", "FreeSans.ttf");
    {
        testsupport::FileSizeLimit full(16);
        onFullDisk->isLoading = true;
        road_->activeFontsByPath(String::create(fontFile.string()), onFullDisk->download_url, onFullDisk);
        ASSERT_TRUE(failureShown(onFullDisk));
    }
    EXPECT_EQ(toasts_->shown.back().message, "磁盘空间不足，字体未能安装");
    EXPECT_NE(lastLogLine().find("font installation failed in " + fonts.string() + ": File too large"), std::string::npos)
        << lastLogLine();
    EXPECT_FALSE(fs::exists(fonts / "FreeSans.ttf"));
    toasts_->shown.clear();
    {
        testsupport::FileSizeLimit full(16);
        road_->tableViewAction(downloaded);
        ASSERT_TRUE(failureShown(downloaded));
    }
    EXPECT_EQ(toasts_->shown.back().message, "磁盘空间不足，字体未能下载");
    EXPECT_NE(lastLogLine().find("font download failed in " + foundation::Paths::temporaryDirectory().string()),
              std::string::npos)
        << lastLogLine();

    // Any other failure keeps the general words.
    toasts_->shown.clear();
    Fault fault;
    fault.kind = Fault::Kind::Http500;
    service().faults().set("fonts/", fault);
    road_->tableViewAction(downloaded);
    ASSERT_TRUE(failureShown(downloaded));
    EXPECT_EQ(toasts_->shown.back().message, "字体下载失败，请稍后重试");
    service().faults().clearAll();
    kxfontfailure::setLogSink({});
}
