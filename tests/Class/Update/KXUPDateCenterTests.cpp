// The updater window against the local service: the verified package handed to the desktop, and
// every way it can fail (hash or size mismatch, missing fields, truncation) leaving no file.
#include "AccountTestSupport.h"

#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/ServiceCore/Transport/KXHTTPREQUEST.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Class/Update/Core/KXUpdateDownload.h"
#include "Class/Update/KXUPDateCenterVC.h"
#include "Class/Update/KXUPDateCenterWC.h"
#include "Lib/LayoutConstraints/LCConstraint.h"
#include "Platform/Crypto/Digest.h"
#include "Platform/Desktop/URLOpener.h"

#include <QLabel>

#include <filesystem>

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
        service().setVersionInfo("9.9.0", "新版本", "");
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

} // namespace

TEST_F(KXUpdaterTest, ADesktopThatCannotOpenThePackageLeavesTheWindowOfferingIt)
{
    desktop::ScopedRecordingURLOpener recording;
    auto controller = open();
    KXUPDateCenterVC* page = controller->contentViewController();
    ASSERT_TRUE(waitFor([&] { return settled(*controller); }));
    ASSERT_EQ(page->download()->state(), State::Finished);

    // No opener could be started: the window stays.
    recording.opener().setLaunchError(std::string("xdg-open: not found"));
    page->openBtn()->click();
    EXPECT_TRUE(controller->window()->isVisible());
    EXPECT_EQ(toastText(), QString::fromUtf8(KXUPDateCenterVC::kOpenFailed));

    // The opener starts, then fails: the hidden window comes back, still offering the package.
    const auto failing = desktop::URLOpener::install(std::make_shared<desktop::SystemURLOpener>("false"));
    page->openBtn()->click();
    EXPECT_FALSE(controller->window()->isVisible()) << "ordered out while the desktop opens it";
    ASSERT_TRUE(waitFor([&] { return controller->window()->isVisible(); }));
    EXPECT_TRUE(page->openBtn()->isVisible());
    EXPECT_EQ(page->download()->state(), State::Finished);
    EXPECT_TRUE(fs::exists(page->download()->packagePath()));
    desktop::URLOpener::install(failing);
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
    EXPECT_EQ(opener.opened(), std::vector<std::string>{package.string()});
    EXPECT_FALSE(controller->window()->isVisible()) << "ordered out";
    page->openBtn()->click();
    EXPECT_EQ(opener.opened().size(), 2u) << "opening again opens the same package";
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

    service().setVersionInfo("9.9.0", "新版本", "", "12345", "");
    page->retryBtn()->click();
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
        EXPECT_EQ(page->failureLabel()->text(), QString::fromUtf8(KXUPDateCenterVC::kDownloadFailed));
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

TEST_F(KXUpdaterTest, AnAddressThatIsNotTheOffersPackageIsRefused)
{
    KXGlobalDataBase::sharedKXGlobalDataBase().setDownLoadUrl(foundation::String::create(service().baseUrl() + "files/update/other.deb"));
    auto controller = open();
    ASSERT_TRUE(waitFor([&] { return settled(*controller); }));
    EXPECT_EQ(controller->contentViewController()->download()->failure(), KXUpdateDownload::Failure::NoPackageInfo);
    EXPECT_EQ(packageRequests(), 0u);
}

TEST_F(KXUpdaterTest, TheBarFollowsTheFraction)
{
    KXUPDateCenterVC page(nullptr, KXUpdateDownload::create());
    EXPECT_EQ(page.download()->state(), State::Idle) << "a given download is not started";
    page.showProgress(0.374f);
    EXPECT_EQ(page.percentLabel()->text(), QStringLiteral("37%"));
    EXPECT_NEAR(page.progressWidthConstant(), 314.16, 1e-4);
    page.showProgress(1.0f);
    EXPECT_EQ(page.percentLabel()->text(), QStringLiteral("100%"));
    EXPECT_DOUBLE_EQ(page.progressWidthConstant(), 840);
}
