#include "FavouritesTestSupport.h"

#include "Class/Favourites/Core/KXFolderSession.h"
#include "Class/Favourites/Core/KXPaletteHold.h"
#include "Class/FontList/KXWebPreviewSource.h"
#include "Class/LayoutWidgets/WindowLayout.h"
#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"
#include "Class/ServiceCore/Transport/KXAccountWrites.h"
#include "Class/Theme/KXThemeManager.h"
#include "Platform/Dispatch/RunLoop.h"
#include "Platform/Storage/UserDefaults.h"

#include <QApplication>
#include <QDir>
#include <QMouseEvent>
#include <QTest>

using foundation::Id;

namespace favouritestest {

void FavouritesTest::SetUp()
{
    TransportTest::SetUp();
    KXFolderSession::installReaders();
    KXUserCenterConfig::sharedKXUserCenterConfig().removeUserInfo();
    KXThemeManager::themeManager().setIsNight(true);
    signIn();
    host_ = std::make_unique<QWidget>();
    host_->resize(400, 860);
    host_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(host_.get()));
}

void FavouritesTest::TearDown()
{
    host_.reset();
    dispatch::RunLoop::drain();
    signOut();
    KXThemeManager::themeManager().setIsNight(true);
    TransportTest::TearDown();
}

std::string FavouritesTest::signIn(const char* name, const char* password)
{
    const auto outcome = run([name, password](auto success, auto failure) {
        KXHTTPBUSINESS().LoginWithName(Id(name), Id(password), std::move(success), std::move(failure));
    });
    const Id user = outcome.reply["corvane_data"];
    setDefault("token", user["token"]);
    setDefault("userID", user["uid"]);
    KXUserCenterConfig::sharedKXUserCenterConfig().setUpUserconfigWithInfo(user);
    service().requestLog().clear();
    return user["token"].stringValue();
}

void FavouritesTest::signOut()
{
    KXUserCenterConfig::sharedKXUserCenterConfig().removeUserInfo();
    foundation::UserDefaults::standardUserDefaults().removeObjectForKey("userID");
}

QWidget& FavouritesTest::host()
{
    return *host_;
}

void settle(QWidget& widget)
{
    for (int i = 0; i < 3; ++i) {
        dispatch::RunLoop::drain();
        QApplication::processEvents();
        layoutwidgets::WindowLayout::of(widget.window()).layoutIfNeeded();
    }
}

bool FavouritesTest::waitUntil(const std::function<bool()>& predicate)
{
    return dispatch::RunLoop::runUntil([&] {
        QApplication::processEvents();
        return predicate();
    }, 10);
}

std::size_t FavouritesTest::requests(const char* tag)
{
    return service().requestLog().withTag(tag).size();
}

std::vector<std::string> FavouritesTest::toastTexts() const
{
    std::vector<std::string> texts;
    for (const auto& shown : toasts_->shown)
        texts.push_back(shown.message);
    return texts;
}

foundation::Ref<foundation::Array> FavouritesTest::serverFolders()
{
    const auto outcome = run([](auto success, auto failure) { KXHTTPBUSINESS().GetCollectGroupsListSuceess(success, failure); });
    return outcome.reply["corvane_data"]["collection"].array();
}

WebImages::WebImages()
    : previous_(KXPreviewImageSource::install(std::make_shared<KXWebPreviewSource>()))
{
}

WebImages::~WebImages()
{
    KXPreviewImageSource::install(previous_);
}

foundation::Ref<foundation::Array> FavouritesTest::serverCards()
{
    const auto outcome = run([](auto success, auto failure) { KXHTTPBUSINESS().getRecommendDataGroupSuceess(success, failure); });
    return outcome.reply["corvane_data"]["collection"].array();
}

std::vector<std::string> FavouritesTest::ids(const foundation::Ref<foundation::Array>& records)
{
    std::vector<std::string> out;
    if (records)
        for (const Id& record : *records)
            out.push_back(record["id"].stringValue());
    return out;
}

void clickViewport(QWidget* viewport, const QPoint& point)
{
    hoverAt(viewport, point);
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, point);
}

void hoverAt(QWidget* widget, const QPoint& point)
{
    QMouseEvent move(QEvent::MouseMove, point, widget->mapToGlobal(point), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

bool saveScreenshots(QWidget& widget, const QString& name, const std::function<void()>& prepare)
{
    const char* binary = std::getenv("CORVANE_BINARY_DIR");
    const QString dir = QString::fromLocal8Bit(binary ? binary : ".") + "/screenshots";
    QDir().mkpath(dir);
    auto& theme = KXThemeManager::themeManager();
    const bool before = theme.isNight();
    bool saved = true;
    // A page that holds the palette (a collection's detail) shows it whatever the theme: both
    // pictures show what a person sees there, never a palette the page does not allow.
    const bool held = KXPaletteHold::holders() > 0;
    for (const bool night : {false, true}) {
        if (!held)
            theme.setIsNight(night);
        if (prepare)
            prepare();
        settle(widget);
        saved = widget.grab().save(dir + "/" + name + (night ? "-night" : "-day") + ".png") && saved;
    }
    theme.setIsNight(before);
    return saved;
}

KeptAheadWrites::KeptAheadWrites()
{
    foundation::UserDefaults::standardUserDefaults().removeObjectForKey(
        KXAccountWrites::kWritesOnTheirWayKey);
    KXAccountWrites::setAccountKey([] { return std::string("uid demo"); });
}

KeptAheadWrites::~KeptAheadWrites()
{
    KXAccountWrites::setAccountKey({});
    foundation::UserDefaults::standardUserDefaults().removeObjectForKey(
        KXAccountWrites::kWritesOnTheirWayKey);
}

} // namespace favouritestest
