#include "HomeTestSupport.h"

#include "Class/Home/Core/KXHomeProcessState.h"
#include "Class/ServiceCore/Catalogue/KXFontBaseModel.h"
#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"
#include "Class/ServiceCore/Fonts/KXHomeLocalManager.h"
#include "Class/UIKit/MLHudAlert.h"
#include "Lib/ImageLoading/ILWebDownloader.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/Dispatch/RunLoop.h"
#include "Platform/Storage/UserDefaults.h"

#include <QApplication>
#include <QLabel>
#include <QTest>

#include "Class/UIKit/KXBaseView.h"
#include "Class/Favourites/Core/KXFolderSession.h"
#include "Class/Store/Core/KXStoreService.h"

using foundation::Id;

namespace hometest {

foundation::UserDefaults& defaults()
{
    return foundation::UserDefaults::standardUserDefaults();
}

KXUserCenterConfig& session()
{
    return KXUserCenterConfig::sharedKXUserCenterConfig();
}

std::vector<long long> fontIds(const foundation::Ref<foundation::MutableArray>& records)
{
    std::vector<long long> ids;
    for (std::size_t i = 0; records && i < records->count(); ++i)
        ids.push_back(records->objectAtIndex(i).ptr<KXFontBaseModel>()->fontid);
    return ids;
}

void waitForLocalFonts()
{
    ASSERT_TRUE(dispatch::RunLoop::runUntil([] { return KXHomeLocalManager::backgroundReads() == 0; }, 60));
    dispatch::RunLoop::drain();
}

void HubTest::SetUp()
{
    ShellServiceTest::SetUp();
    KXFolderSession::installReaders();
    KXStoreService::installCartReader();
    defaults().setObject(Id("yes"), "install");
    defaults().setObject(Id("YES"), "datemove");
    defaults().setObject(Id("0.1.0"), "appVersion");
    for (const char* key : {"questionnaire", "vip_type", "my_orderClick", "bigFontsSet", "Name", "help_url"})
        defaults().removeObjectForKey(key);
    KXUserCenterConfig::sharedKXUserCenterConfig().removeUserInfo();
    KXHomeProcessState::reset();
    KXHomeViewController::setAnimationsEnabled(false);
}

void HubTest::TearDown()
{
    // Replies still on their way would reach the next test's hub (a refused one signs out).
    settle();
    hub_.reset();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    KXUserCenterConfig::sharedKXUserCenterConfig().removeUserInfo();
    KXHomeProcessState::reset();
    KXHomeViewController::setAnimationsEnabled(true);
    service().setVersionInfo("0.1.0", "", "");
    ShellServiceTest::TearDown();
}

KXHomeViewController& HubTest::open(std::size_t heldBack)
{
    hub_ = std::make_unique<KXHomeViewController>();
    hub_->resize(400, 860);
    hub_->show();
    QApplication::processEvents();
    QApplication::processEvents();
    dispatch::RunLoop::drain();
    waitFor([] { return service().requestLog().withTag("129").size() >= 1; });
    settle(heldBack);
    return *hub_;
}

void HubTest::settle(std::size_t heldBack)
{
    // Until every request the hub made has been answered and handled, its images included; what
    // one reply asks for in turn is waited for as well.
    layOut();
    const auto imagesIn = [] { return ILWebDownloader::sharedDownloader()->currentDownloadCount() == 0; };
    std::size_t started;
    do {
        started = tasksStarted();
        EXPECT_TRUE(waitForQuietTraffic(heldBack));
        EXPECT_TRUE(waitFor(imagesIn));
        dispatch::RunLoop::drain();
        layOut();
    } while (tasksStarted() != started || !imagesIn());
}

void HubTest::layOut()
{
    QApplication::processEvents();
    QApplication::processEvents();
}

Id HubTest::signIn(const char* name, const char* password)
{
    const auto outcome = run([name, password](auto success, auto failure) {
        KXHTTPBUSINESS().LoginWithName(Id(name), Id(password), std::move(success), std::move(failure));
    });
    const Id user = outcome.reply["corvane_data"];
    defaults().setObject(user["token"], "token");
    KXUserCenterConfig::sharedKXUserCenterConfig().setUpUserconfigWithInfo(user);
    service().requestLog().clear();
    return user;
}

void HubTest::postSignIn(const Id& user)
{
    dispatch::NotificationCenter::defaultCenter().post("homeNotificationCenter", Id(),
                                                        foundation::Dictionary::create({{Id("loginMessage"), user}}));
}

std::vector<KXLeftTabView*> HubTest::selectedTabs() const
{
    std::vector<KXLeftTabView*> selected;
    for (auto* tab : hub_->tabs())
        if (tab->selected())
            selected.push_back(tab);
    return selected;
}

QWidget* HubTest::addOverlay()
{
    auto* overlay = new KXBaseView(hub_.get());
    overlay->setGeometry(hub_->rect());
    overlay->show();
    return overlay;
}

int HubTest::toastType()
{
    return MLHudAlert::sharedAlert() ? MLHudAlert::sharedAlert()->alertType() : -1;
}

QString HubTest::toastText()
{
    return MLHudAlert::sharedAlert() ? MLHudAlert::sharedAlert()->messageField()->text() : QString();
}

void HubTest::click(QWidget* widget, QPoint point, Qt::MouseButton button)
{
    QTest::mouseClick(widget, button, {}, point.isNull() ? widget->rect().center() : point);
}

} // namespace hometest
