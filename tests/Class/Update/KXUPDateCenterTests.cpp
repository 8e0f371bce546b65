// The updater window against the local service: the verified package handed to the desktop, and
// every way it can fail (hash or size mismatch, missing fields, truncation) leaving no file.
#include "AccountTestSupport.h"
#include "Class/Account/KXTransientWindow.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/ServiceCore/Transport/KXHTTPREQUEST.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Class/UIKit/KXOpenFailedAlert.h"
#include "Class/UIKit/ScaledScreen.h"
#include "Class/Update/Core/KXUpdateDownload.h"
#include "Class/Update/Core/KXUpdateTransfer.h"
#include "Class/Update/KXUPDateCenterVC.h"
#include "Class/Update/KXUPDateCenterWC.h"
#include "Lib/LayoutConstraints/LCConstraint.h"
#include "Platform/Crypto/Digest.h"
#include "Platform/Desktop/URLOpener.h"
#include "Platform/Dispatch/Queue.h"
#include "Platform/URLLoading/LoopbackServers.h"
#include "Support/FailingOpeners.h"

#include <QClipboard>
#include <QEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <filesystem>
#include <fstream>
#include <limits>
#include <optional>

namespace fs = std::filesystem;
using foundation::Id;
using State = KXUpdateDownload::State;

namespace {

constexpr const char* kPackage = "corvane-fonts_9.9.0_amd64.deb";

class KXUpdaterTest : public accounttest::AccountServiceTest {
protected:
    void SetUp() override
    {
        AccountServiceTest::SetUp();
        main_.resize(900, 700);
        main_.show();
        std::error_code ignored;
        fs::remove(folder() / kPackage, ignored);
        KXGlobalDataBase::sharedKXGlobalDataBase().setDownLoadUrl(foundation::String::create(service().baseUrl() + "files/update/" + kPackage));
        service().setVersionInfo("9.9.0", "新版本", std::string("files/update/") + kPackage);
    }

    // The service is shared with other suites: the package it offers goes back to the default.
    void TearDown() override
    {
        service().setVersionInfo("9.9.0", "新版本", std::string("files/update/") + kPackage);
        AccountServiceTest::TearDown();
    }

    std::unique_ptr<KXUPDateCenterWC> open()
    {
        auto controller = std::make_unique<KXUPDateCenterWC>(QStringLiteral("KXUPDateCenterWC"), &main_);
        controller->showCentred();
        return controller;
    }

    static fs::path folder() { return fs::path(KXHTTPREQUEST::creatDirectoryWithSuggestName(nullptr)->utf8()); }

    // Files of the download folder that belong to the package (finished or partial).
    static std::vector<fs::path> leftovers()
    {
        std::vector<fs::path> found;
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(folder(), error))
            if (entry.path().filename().string().find("corvane-fonts_9.9.0") != std::string::npos)
                found.push_back(entry.path());
        return found;
    }

    static bool settled(const KXUPDateCenterWC& controller)
    {
        const State state = controller.contentViewController()->download()->state();
        return state == State::Finished || state == State::Failed;
    }

    std::size_t packageRequests() const
    {
        std::size_t count = 0;
        for (const auto& request : service().requestLog().fileEntries())
            count += request.path.find("update/") == 0;
        return count;
    }

    QWidget main_;
};

// Counts the times a window was ordered out.
class HideCounter final : public QObject {
public:
    int hides = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        hides += event->type() == QEvent::Hide;
        return false;
    }
};

} // namespace

// The user is never left without the file: the alert shows its path to copy.
TEST_F(KXUpdaterTest, ADesktopThatCannotOpenThePackageLeavesTheWindowOfferingItAndShowsItsPath)
{
    desktop::ScopedRecordingURLOpener recording;
    auto controller = open();
    KXUPDateCenterVC* page = controller->contentViewController();
    ASSERT_TRUE(waitFor([&] { return settled(*controller); }));
    ASSERT_EQ(page->download()->state(), State::Finished);
    const fs::path package = page->download()->packagePath();
    const auto alertShown = [&] {
        auto* alert = KXOpenFailedAlert::alertOf(page);
        return alert && alert->isVisible();
    };

    HideCounter counter;
    controller->window()->installEventFilter(&counter);

    // No opener could be started: the window stays, with the alert over it.
    recording.opener().setLaunchError(std::string("xdg-open: not found"));
    page->openBtn()->click();
    ASSERT_TRUE(waitFor(alertShown));
    KXOpenFailedAlert* alert = KXOpenFailedAlert::alertOf(page);
    EXPECT_EQ(alert->parentWidget(), controller->window()) << "transient for the updater window";
    EXPECT_EQ(alert->targetField()->toPlainText().toStdString(), package.string());
    EXPECT_EQ(alert->copyButton()->title(), QStringLiteral("复制路径"));
    EXPECT_EQ(alert->messageLabel()->text(), QString::fromUtf8(KXOpenFailedAlert::kPackageMessage));
    EXPECT_TRUE(toastText().isEmpty()) << "no toast that goes away with the path";
    EXPECT_TRUE(controller->window()->isVisible());
    EXPECT_EQ(counter.hides, 0);
    alert->copyBtnClick();
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), package.string());
    alert->closeBtnClick();

    // The opener starts, then fails: the hidden window comes back, still offering the package, and
    // the alert shows its path again.
    testsupport::ScopedFailingSystemOpener failing;
    page->openBtn()->click();
    ASSERT_TRUE(waitFor([&] {
        return counter.hides == 1 && controller->window()->isVisible() && alertShown();
    })) << "ordered out while the desktop opens it, then back with the alert";
    EXPECT_EQ(KXOpenFailedAlert::alertOf(page)->targetField()->toPlainText().toStdString(), package.string());
    EXPECT_TRUE(page->openBtn()->isVisible());
    EXPECT_EQ(page->download()->state(), State::Finished);
    EXPECT_TRUE(fs::exists(package));
    KXOpenFailedAlert::alertOf(page)->closeBtnClick();
}

// An opener that starts and fails at once reports its failure before the hand-over is reported.
class FailingAtOnceOpener final : public desktop::URLOpener {
protected:
    std::optional<std::string> launch(const std::string&, FailureHandler onFailure) override
    {
        dispatch::mainQueue().async([onFailure = std::move(onFailure)] { onFailure("exited with status 1"); });
        return std::nullopt;
    }
};

TEST_F(KXUpdaterTest, AnOpenerThatFailsAtOnceLeavesTheWindowShownWithTheAlert)
{
    auto controller = open();
    KXUPDateCenterVC* page = controller->contentViewController();
    ASSERT_TRUE(waitFor([&] { return settled(*controller); }));
    ASSERT_EQ(page->download()->state(), State::Finished);

    const auto previous = desktop::URLOpener::install(std::make_shared<FailingAtOnceOpener>());
    HideCounter counter;
    controller->window()->installEventFilter(&counter);
    page->openBtn()->click();
    const bool cameBack = waitFor([&] {
        auto* alert = KXOpenFailedAlert::alertOf(page);
        return counter.hides == 1 && controller->window()->isVisible() && alert && alert->isVisible();
    });
    desktop::URLOpener::install(previous);
    EXPECT_TRUE(cameBack) << "ordered out for the hand-over, then back with the alert, never hidden after it";
    if (auto* alert = KXOpenFailedAlert::alertOf(page))
        alert->closeBtnClick();
}

TEST_F(KXUpdaterTest, AVerifiedPackageIsOfferedAndOpenedWithTheDesktop)
{
    desktop::ScopedRecordingURLOpener opener;
    auto controller = open();
    KXUPDateCenterVC* page = controller->contentViewController();
    EXPECT_EQ(KXGlobalDataBase::sharedKXGlobalDataBase().currentModule()->utf8(), "更新错误");
    EXPECT_EQ(controller->window()->parentWidget(), &main_);
    EXPECT_FALSE(controller->window()->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(page->loadingLabel()->isVisible());
    EXPECT_FALSE(page->openBtn()->isVisible());
    ASSERT_TRUE(waitFor([&] { return settled(*controller); }));
    ASSERT_EQ(page->download()->state(), State::Finished);
    EXPECT_TRUE(page->openBtn()->isVisible());
    EXPECT_TRUE(page->sucesslabel()->isVisible());
    EXPECT_FALSE(page->progressBg()->isVisible());
    EXPECT_FALSE(page->percentLabel()->isVisible());

    const fs::path package = page->download()->packagePath();
    EXPECT_EQ(package, folder() / kPackage);
    ASSERT_TRUE(fs::exists(package));
    const Id reply = run([](auto success, auto failure) { KXHTTPBUSINESS().getNewAppVersionInfoSuceess(success, failure); }).reply;
    EXPECT_EQ(crypto::fileSHA256Hex(package), reply["corvane_data"]["sha256"].stringValue());

    page->openBtn()->click();
    ASSERT_TRUE(waitFor([&] { return !controller->window()->isVisible(); })) << "ordered out";
    EXPECT_EQ(opener.opened(), std::vector<std::string> { package.string() });
    page->openBtn()->click();
    ASSERT_TRUE(waitFor([&] { return opener.opened().size() == 2; }))
        << "opening again opens the same package";
    EXPECT_EQ(opener.opened().back(), package.string());

    // Shown again, the window keeps its state: no second download.
    const auto requests = packageRequests();
    controller->showCentred();
    settle();
    EXPECT_EQ(packageRequests(), requests);
    EXPECT_EQ(page->download()->state(), State::Finished);
}

TEST_F(KXUpdaterTest, AHashOrSizeThatDiffersLeavesNoFileAndARetryRecovers)
{
    service().setVersionInfo("9.9.0", "新版本", "", "", std::string(64, 'e'));
    auto controller = open();
    KXUPDateCenterVC* page = controller->contentViewController();
    ASSERT_TRUE(waitFor([&] { return settled(*controller); }));
    EXPECT_EQ(page->download()->state(), State::Failed);
    EXPECT_EQ(page->download()->failure(), KXUpdateDownload::Failure::Unverified);
    EXPECT_TRUE(leftovers().empty()) << "a package that fails its check is deleted";
    EXPECT_TRUE(page->failureLabel()->isVisible());
    EXPECT_EQ(page->failureLabel()->text(), QString::fromUtf8(KXUPDateCenterVC::kCheckFailed));
    EXPECT_TRUE(page->retryBtn()->isVisible());
    EXPECT_FALSE(page->openBtn()->isVisible()) << "never offered";
    EXPECT_FALSE(page->loadingLabel()->isVisible()) << "no longer downloading";
    EXPECT_FALSE(page->percentLabel()->isVisible());

    service().setVersionInfo("9.9.0", "新版本", "", "12345", "");
    page->retryBtn()->click();
    EXPECT_TRUE(page->loadingLabel()->isVisible()) << "a retry downloads again";
    EXPECT_TRUE(page->percentLabel()->isVisible());
    EXPECT_FALSE(page->failureLabel()->isVisible());
    ASSERT_TRUE(waitFor([&] { return settled(*controller); }));
    EXPECT_EQ(page->download()->failure(), KXUpdateDownload::Failure::Unverified) << "the size differs";
    EXPECT_TRUE(leftovers().empty());

    service().setVersionInfo("9.9.0", "新版本", "");
    page->retryBtn()->click();
    ASSERT_TRUE(waitFor([&] { return settled(*controller); }));
    EXPECT_EQ(page->download()->state(), State::Finished);
    EXPECT_FALSE(page->failureLabel()->isVisible());
}

TEST_F(KXUpdaterTest, WithoutSizeOrHashNothingIsDownloaded)
{
    for (const auto& [size, sha] : {std::pair<std::string, std::string>{"-", ""}, {"", "-"}, {"", "not-a-hash"}}) {
        service().setVersionInfo("9.9.0", "新版本", "", size, sha);
        const auto before = packageRequests();
        auto controller = open();
        KXUPDateCenterVC* page = controller->contentViewController();
        ASSERT_TRUE(waitFor([&] { return settled(*controller); }));
        EXPECT_EQ(page->download()->failure(), KXUpdateDownload::Failure::NoPackageInfo) << size << sha;
        EXPECT_EQ(page->failureLabel()->text(), QString::fromUtf8(KXUPDateCenterVC::kIncompleteOffer))
            << size << sha;
        EXPECT_EQ(packageRequests(), before);
    }
}

TEST_F(KXUpdaterTest, ATruncatedTransferFailsAndLeavesNothing)
{
    localservice::Fault fault;
    fault.kind = localservice::Fault::Kind::TruncatedDownload;
    fault.truncateAfter = 100;
    service().faults().set("update/", fault);
    auto controller = open();
    KXUPDateCenterVC* page = controller->contentViewController();
    ASSERT_TRUE(waitFor([&] { return settled(*controller); }));
    EXPECT_EQ(page->download()->state(), State::Failed);
    EXPECT_EQ(page->download()->failure(), KXUpdateDownload::Failure::Transfer);
    EXPECT_TRUE(leftovers().empty());
    EXPECT_EQ(page->failureLabel()->text(), QString::fromUtf8(KXUPDateCenterVC::kDownloadFailed));
}

// A body longer than the reply announced is stopped as soon as it passes that size, whether the
// response announced its length or not, and the window says so: nothing was kept, and no check
// ran. The bodies are throttled so that a transfer run to its end would outlast the wait.
TEST_F(KXUpdaterTest, ABodyPastTheAnnouncedSizeIsStoppedThere)
{
    service().setVersionInfo("9.9.0", "新版本", "", "10", "");
    for (const auto kind : { localservice::Fault::Kind::SlowDownload, localservice::Fault::Kind::Chunked }) {
        localservice::Fault fault;
        fault.kind = kind;
        fault.bytesPerSecond = 20;
        service().faults().set("update/", fault);
        auto controller = open();
        KXUPDateCenterVC* page = controller->contentViewController();
        ASSERT_TRUE(waitFor([&] { return settled(*controller); })) << static_cast<int>(kind);
        EXPECT_EQ(page->download()->state(), State::Failed);
        EXPECT_EQ(page->download()->failure(), KXUpdateDownload::Failure::LargerThanOffer);
        EXPECT_TRUE(leftovers().empty()) << "the partial file is deleted";
        EXPECT_EQ(page->failureLabel()->text(), QString::fromUtf8(KXUPDateCenterVC::kLargerThanOffer));
        EXPECT_TRUE(page->retryBtn()->isVisible());
    }
}

// A gzip body whose length on the wire is within the announced size but that decodes past it is
// stopped where it passes it, and said to be larger than announced, not to have failed a check.
TEST_F(KXUpdaterTest, AGzipBodyThatDecodesPastTheAnnouncedSizeIsSaidToBeLarger)
{
    const std::string body = urltest::gzipped(std::string(4 * 1024 * 1024, '\0'));
    const long long announced = static_cast<long long>(body.size()) * 2;
    urltest::RawServer server([&body](int fd) {
        urltest::RawServer::readRequest(fd);
        urltest::RawServer::send(fd, "HTTP/1.1 200 OK\r\nContent-Type: application/vnd.debian.binary-package\r\n"
                                     "Content-Encoding: gzip\r\nConnection: close\r\nContent-Length: "
                + std::to_string(body.size()) + "\r\n\r\n" + body);
    });
    const std::string url = server.url(std::string("/") + kPackage);
    service().setVersionInfo("9.9.0", "新版本", url, std::to_string(announced), std::string(64, 'a'));
    KXGlobalDataBase::sharedKXGlobalDataBase().setDownLoadUrl(foundation::String::create(url));
    auto controller = open();
    KXUPDateCenterVC* page = controller->contentViewController();
    ASSERT_TRUE(waitFor([&] { return settled(*controller); }));
    EXPECT_EQ(page->download()->state(), State::Failed);
    EXPECT_EQ(page->download()->failure(), KXUpdateDownload::Failure::LargerThanOffer);
    EXPECT_TRUE(leftovers().empty());
    EXPECT_EQ(page->failureLabel()->text(), QString::fromUtf8(KXUPDateCenterVC::kLargerThanOffer));
}

// An offer announcing more than any package may be is refused at the reply, with the refused-offer
// text: nothing is fetched from an address that would serve without end, and nothing is written.
// The body is throttled so that a transfer that did start would outlast the wait.
TEST_F(KXUpdaterTest, AnOfferPastTheDownloadCeilingIsRefusedBeforeAnythingIsFetched)
{
    localservice::Fault fault;
    fault.kind = localservice::Fault::Kind::Endless;
    fault.bytesPerSecond = 4096;
    service().faults().set("update/", fault);
    for (const std::string& size : {std::to_string(KXUpdateDownload::kMaximumPackageBytes + 1), std::string("3221225472")}) {
        service().setVersionInfo("9.9.0", "新版本", "", size, "");
        const auto before = packageRequests();
        auto controller = open();
        KXUPDateCenterVC* page = controller->contentViewController();
        ASSERT_TRUE(waitFor([&] { return settled(*controller); })) << size;
        EXPECT_EQ(page->download()->failure(), KXUpdateDownload::Failure::OversizedOffer) << size;
        EXPECT_EQ(page->failureLabel()->text(), QString::fromUtf8(KXUPDateCenterVC::kIncompleteOffer)) << size;
        EXPECT_EQ(packageRequests(), before) << size;
        EXPECT_TRUE(leftovers().empty()) << size;
    }
}

// A size the download folder's disk cannot hold is refused before the request goes out.
TEST_F(KXUpdaterTest, ATransferTheDiskCannotHoldIsNeverStarted)
{
    const auto before = packageRequests();
    std::optional<KXUpdateTransfer::Outcome> outcome;
    fs::path file("unset");
    auto transfer = KXUpdateTransfer::start(service().baseUrl() + "files/update/" + kPackage,
        std::numeric_limits<long long>::max() / 2, nullptr, [&](KXUpdateTransfer::Outcome ended, const fs::path& path) {
            outcome = ended;
            file = path;
        });
    ASSERT_TRUE(waitFor([&] { return outcome.has_value(); }));
    EXPECT_EQ(*outcome, KXUpdateTransfer::Outcome::NoSpace);
    EXPECT_TRUE(file.empty());
    EXPECT_EQ(packageRequests(), before);
    EXPECT_TRUE(leftovers().empty());
}

// The package may be opened long after its check: one that changed since is never handed over.
TEST_F(KXUpdaterTest, APackageThatChangedAfterItsCheckIsDeletedInsteadOfOpened)
{
    desktop::ScopedRecordingURLOpener opener;
    auto controller = open();
    KXUPDateCenterVC* page = controller->contentViewController();
    // The same size with other bytes, then a byte more.
    const auto changes = { +[](const fs::path& file) {
                              std::fstream stream(file, std::ios::binary | std::ios::in | std::ios::out);
                              const int first = stream.get();
                              stream.seekp(0);
                              stream.put(static_cast<char>(~first));
                          },
        +[](const fs::path& file) { std::ofstream(file, std::ios::binary | std::ios::app) << "x"; } };
    for (const auto change : changes) {
        ASSERT_TRUE(waitFor([&] { return settled(*controller); }));
        ASSERT_EQ(page->download()->state(), State::Finished);
        const fs::path package = page->download()->packagePath();
        change(package);

        page->openBtn()->click();
        ASSERT_TRUE(waitFor([&] { return page->download()->state() == State::Failed; }));
        EXPECT_EQ(page->download()->failure(), KXUpdateDownload::Failure::Unverified);
        EXPECT_FALSE(fs::exists(package));
        EXPECT_TRUE(opener.opened().empty());
        EXPECT_TRUE(page->failureLabel()->isVisible());
        EXPECT_EQ(page->failureLabel()->text(), QString::fromUtf8(KXUPDateCenterVC::kCheckFailed));
        EXPECT_TRUE(controller->window()->isVisible());
        page->retryBtn()->click();
    }
    ASSERT_TRUE(waitFor([&] { return settled(*controller); }));
    EXPECT_EQ(page->download()->state(), State::Finished);
}

TEST_F(KXUpdaterTest, AnAppImageIsMadeExecutableForItsOwnerAndItsFolderIsOpened)
{
    constexpr const char* kAppImage = "Corvane-9.9.0-x86_64.AppImage";
    const std::string bytes = "\x7f"
                              "ELF AppImage of the newer version";
    fs::create_directories(service().stateDir() / "uploads");
    std::ofstream(service().stateDir() / "uploads" / kAppImage, std::ios::binary) << bytes;
    service().setVersionInfo("9.9.0", "新版本", std::string("files/uploads/") + kAppImage,
        std::to_string(bytes.size()), crypto::sha256Hex(bytes));
    KXGlobalDataBase::sharedKXGlobalDataBase().setDownLoadUrl(
        foundation::String::create(service().baseUrl() + "files/uploads/" + kAppImage));

    desktop::ScopedRecordingURLOpener opener;
    auto controller = open();
    KXUPDateCenterVC* page = controller->contentViewController();
    ASSERT_TRUE(waitFor([&] { return settled(*controller); }));
    ASSERT_EQ(page->download()->state(), State::Finished);
    const fs::path package = page->download()->packagePath();
    EXPECT_EQ(package, folder() / kAppImage);

    page->openBtn()->click();
    ASSERT_TRUE(waitFor([&] { return !opener.opened().empty(); }));
    EXPECT_EQ(opener.opened(), std::vector<std::string> { package.parent_path().string() })
        << "its folder, not the file";
    EXPECT_EQ(fs::status(package).permissions(), fs::perms::owner_all) << "executable for its owner alone";
    std::error_code ignored;
    fs::remove(package, ignored);
}

TEST_F(KXUpdaterTest, AnAddressThatIsNotTheOffersPackageIsRefused)
{
    KXGlobalDataBase::sharedKXGlobalDataBase().setDownLoadUrl(foundation::String::create(service().baseUrl() + "files/update/other.deb"));
    auto controller = open();
    ASSERT_TRUE(waitFor([&] { return settled(*controller); }));
    EXPECT_EQ(controller->contentViewController()->download()->failure(), KXUpdateDownload::Failure::NoPackageInfo);
    EXPECT_EQ(controller->contentViewController()->failureLabel()->text(),
        QString::fromUtf8(KXUPDateCenterVC::kIncompleteOffer));
    EXPECT_EQ(packageRequests(), 0u);
}

// An offer the client refuses never reached the network, so it does not blame the network; a
// version request that fails on its way does, as a failed download does.
TEST_F(KXUpdaterTest, EachFailureSaysWhatFailed)
{
    const auto failureOf = [&](KXUPDateCenterWC& controller) {
        EXPECT_TRUE(waitFor([&] { return settled(controller); }));
        KXUPDateCenterVC* page = controller.contentViewController();
        EXPECT_TRUE(page->failureLabel()->isVisible());
        EXPECT_TRUE(page->retryBtn()->isVisible());
        EXPECT_FALSE(page->loadingLabel()->isVisible());
        EXPECT_FALSE(page->percentLabel()->isVisible());
        return std::pair(page->download()->failure(), page->failureLabel()->text());
    };
    using Failure = KXUpdateDownload::Failure;
    const QString incomplete = QStringLiteral("更新包信息不完整，暂时无法更新，请稍后重试");
    const QString network = QStringLiteral("更新包下载失败，请检查网络后重试");

    // An address that is not http(s).
    const std::string offered = service().baseUrl() + "files/update/" + kPackage;
    KXGlobalDataBase::sharedKXGlobalDataBase().setDownLoadUrl(
        foundation::String::create("file:///tmp/" + std::string(kPackage)));
    auto controller = open();
    EXPECT_EQ(failureOf(*controller), std::pair(Failure::RefusedAddress, incomplete));
    KXGlobalDataBase::sharedKXGlobalDataBase().setDownLoadUrl(foundation::String::create(offered));

    // The service answers that it has no package information for now.
    setFault("version", localservice::Fault::Kind::ErrorCode, 500, "busy");
    controller->contentViewController()->retryBtn()->click();
    EXPECT_EQ(failureOf(*controller), std::pair(Failure::NoPackageInfo, incomplete));

    // The version request fails on its way.
    for (const auto kind : { localservice::Fault::Kind::Http500, localservice::Fault::Kind::NotJson }) {
        setFault("version", kind);
        controller->contentViewController()->retryBtn()->click();
        EXPECT_EQ(failureOf(*controller), std::pair(Failure::Transfer, network)) << static_cast<int>(kind);
    }
    EXPECT_EQ(packageRequests(), 0u);

    service().faults().clearAll();
    controller->contentViewController()->retryBtn()->click();
    ASSERT_TRUE(waitFor([&] { return settled(*controller); }));
    EXPECT_EQ(controller->contentViewController()->download()->state(), State::Finished);
    EXPECT_FALSE(controller->contentViewController()->failureLabel()->isVisible());
}

TEST_F(KXUpdaterTest, TheBarFollowsTheFractionAcrossTheWidthThePageIsGiven)
{
    KXUPDateCenterVC page(nullptr, KXUpdateDownload::create());
    EXPECT_EQ(page.download()->state(), State::Idle) << "a given download is not started";
    page.resize(KXUPDateCenterWC::kWidth, KXUPDateCenterWC::kHeight);
    page.show();
    page.showProgress(0.374f);
    settle();
    EXPECT_EQ(page.percentLabel()->text(), QStringLiteral("37%"));
    EXPECT_EQ(page.progressBg()->width(), KXUpdateDownload::kFullWidth) << "at the designed width";
    EXPECT_NEAR(page.progressView()->width(), KXUpdateDownload::progressWidth(0.374f), 1);

    // Narrower, the track keeps its margins and the fill its share of it.
    page.resize(600, KXUPDateCenterWC::kHeight);
    settle();
    EXPECT_EQ(page.progressBg()->geometry(), QRect(30, 68, 540, 10));
    EXPECT_NEAR(page.progressView()->width(), 0.374 * 540, 1);
    page.showProgress(1.0f);
    settle();
    EXPECT_EQ(page.percentLabel()->text(), QStringLiteral("100%"));
    EXPECT_EQ(page.progressView()->width(), 540);
    EXPECT_EQ(page.percentLabel()->geometry().right() + 1, 600 - 30);

    // The narrowest width the window lays its content out to still holds every line.
    page.resize(KXUPDateCenterWC::kNarrowestWidth, KXUPDateCenterWC::kHeight);
    settle();
    EXPECT_LT(page.loadingLabel()->geometry().right(), page.percentLabel()->geometry().left());
    const QFontMetrics failureFont(page.failureLabel()->font());
    for (const char* text : {KXUPDateCenterVC::kDownloadFailed, KXUPDateCenterVC::kIncompleteOffer, KXUPDateCenterVC::kCheckFailed,
             KXUPDateCenterVC::kLargerThanOffer, KXUPDateCenterVC::kNoSpace}) {
        EXPECT_LE(failureFont.horizontalAdvance(QString::fromUtf8(text)), KXUPDateCenterWC::kNarrowestWidth - 60) << text;
    }
}

TEST_F(KXUpdaterTest, OnASmallScreenTheWindowWithItsCloseButtonFitsAndItsButtonsScrollIntoIt)
{
    KXUPDateCenterWC controller(QStringLiteral("KXUPDateCenterWC"), &main_);
    KXUPDateCenterVC* page = controller.contentViewController();
    // The close button is the frame's: a frame inside the screen shows it.
    scaledscreen::forEachSmallScreen([&](const scaledscreen::ScaledScreen& screen) {
        scaledscreen::expectFitsWithButtonsReachable(controller.window(), {page->openBtn(), page->retryBtn()}, screen);
        // Its zoom is hidden: the size it is fitted to is its only one.
        EXPECT_EQ(controller.window()->minimumSize(), controller.window()->size());
        EXPECT_EQ(controller.window()->maximumSize(), controller.window()->size());
    });
}

TEST_F(KXUpdaterTest, OnALaptopAt175TheContentTakesTheWidthTheWindowFitsAndCentresItsButton)
{
    KXUPDateCenterWC controller(QStringLiteral("KXUPDateCenterWC"), &main_);
    KXTransientWindow* window = controller.window();
    KXUPDateCenterVC* page = controller.contentViewController();
    QScrollBar* across = window->scrollArea()->horizontalScrollBar();
    const auto expectLaidOutToItsWidth = [&](const scaledscreen::ScaledScreen& screen) {
        {
            const scaledscreen::FramedWindows framed(window, screen.frame());
            kx_fitWindow(window, screen.available(), screen.available(), screen.grid());
        }
        window->resize(screen.snapped(window->size()));
        EXPECT_TRUE(screen.deviceAvailable.contains(screen.movedFrame(window->pos(), window->size())));
        window->show();
        settle();
        EXPECT_FALSE(across->isVisible()) << "no sideways scrolling, " << window->width() << " wide";
        EXPECT_EQ(page->width(), window->scrollArea()->viewport()->width());
        const QRect track(page->progressBg()->mapTo(window, QPoint(0, 0)), page->progressBg()->size());
        EXPECT_EQ(track.left(), 30);
        EXPECT_EQ(window->width() - 1 - track.right(), 30) << "the bar follows the width";
        for (QWidget* button : {static_cast<QWidget*>(page->openBtn()), static_cast<QWidget*>(page->retryBtn())}) {
            const QRect placed(button->mapTo(window, QPoint(0, 0)), button->size());
            EXPECT_NEAR(placed.center().x(), window->width() / 2.0, 1) << "the button is centred";
        }
        for (QLabel* label : {page->loadingLabel(), page->percentLabel()}) {
            const QRect placed(label->mapTo(window, QPoint(0, 0)), label->size());
            EXPECT_TRUE(window->rect().contains(placed)) << label->text().toStdString();
        }
        window->hide();
    };
    // 1366 x 768 at 1.75: about 780 x 410 points, a panel or not.
    for (const QRect& area : {QRect(0, 0, 1366, 768), QRect(0, 27, 1366, 741)}) {
        SCOPED_TRACE(testing::Message() << "1366 x " << area.height());
        const scaledscreen::ScaledScreen laptop{1.75, area, QMargins(1, 30, 1, 1)};
        expectLaidOutToItsWidth(laptop);
        EXPECT_LT(window->width(), KXUPDateCenterWC::kWidth);
    }
    scaledscreen::forEachSmallScreen(expectLaidOutToItsWidth);
}
