#include "AccountTestSupport.h"

#include "ScreenshotSupport.h"

#include "Class/Account/Core/KXRememberedAccount.h"
#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"
#include "Class/ServiceCore/Transport/KXHTTPBUSINESS.h"
#include "Class/ServiceCore/UnitTools/KXFileManager.h"
#include "Class/Theme/KXThemeManager.h"
#include "Class/UIKit/KXQtColor.h"
#include "Class/UIKit/MLHudAlert.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/Dispatch/RunLoop.h"
#include "Platform/Storage/UserDefaults.h"

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QWidget>

using foundation::Id;

namespace accounttest {

void AccountServiceTest::SetUp()
{
    ShellServiceTest::SetUp();
    previousKeyring_ = KXSecretStore::install(keyring_);
    KXFileManager::sharedKXFileManager().removeFileByPathkey(foundation::String::create(KXRememberedAccount::kArchiveKey));
    KXFileManager::sharedKXFileManager().removeFileByPathkey(foundation::String::create("userInfo"));
    auto& session = KXUserCenterConfig::sharedKXUserCenterConfig();
    session.removeUserInfo();
    session.setIsAutologin(false);
    session.setIsRemPwd(false);
    for (const char* key : {"my_orderClick", "vip_type", "qq_group", "forget_pwd", "register_agree_url", "qqloginUrl"})
        foundation::UserDefaults::standardUserDefaults().removeObjectForKey(key);
    if (auto* alert = MLHudAlert::sharedAlert())
        alert->messageField()->clear();
    auto events = events_;
    signInObservation_ = dispatch::NotificationCenter::defaultCenter().addObserver(
        "homeNotificationCenter", {}, nullptr, [events](const dispatch::Notification& n) { events->push_back(Id(n.userInfo)); });
    auto agreements = agreements_;
    agreementObservation_ = dispatch::NotificationCenter::defaultCenter().addObserver(
        "agreementClick", {}, nullptr, [agreements](const dispatch::Notification& n) { agreements->push_back(Id(n.userInfo)["isAgree"].stringValue()); });
}

void AccountServiceTest::TearDown()
{
    signInObservation_.cancel();
    agreementObservation_.cancel();
    KXSecretStore::install(previousKeyring_);
    for (QWidget* window : QApplication::topLevelWidgets())
        window->hide();
    settle();
    ShellServiceTest::TearDown();
}

std::vector<Id> AccountServiceTest::signIns() const
{
    std::vector<Id> users;
    for (const Id& event : *events_)
        if (!event["loginMessage"].isNil())
            users.push_back(event["loginMessage"]);
    return users;
}

QString AccountServiceTest::toastText()
{
    auto* alert = MLHudAlert::sharedAlert();
    return alert ? alert->messageField()->text() : QString();
}

Id AccountServiceTest::signInAs(const std::string& name, const std::string& password)
{
    const auto outcome = run([&](auto success, auto failure) { KXHTTPBUSINESS().LoginWithName(Id(name), Id(password), success, failure); });
    const Id user = outcome.reply["corvane_data"];
    setDefault("token", user["token"]);
    return user;
}

bool AccountServiceTest::waitFor(const std::function<bool()>& predicate)
{
    return dispatch::RunLoop::runUntil(
        [&] {
            QApplication::processEvents();
            return predicate();
        },
        20);
}

void AccountServiceTest::settle()
{
    QApplication::processEvents();
    dispatch::RunLoop::drain();
    QApplication::processEvents();
}

QImage screenshot(QWidget* widget, const QString& name)
{
    shelltest::saveScreenshot(widget, name);
    // The picture itself, not the file: programs running side by side may write the same file.
    return widget->grab().toImage();
}

QColor colorAt(const QImage& image, QPoint point)
{
    const double ratio = image.devicePixelRatio() > 0 ? image.devicePixelRatio() : 1;
    return image.pixelColor(QPoint(static_cast<int>(point.x() * ratio), static_cast<int>(point.y() * ratio)));
}

Backdrop::Backdrop(QSize size)
    : fill_(kx_qcolor(KXThemeManager::themeManager().RightBGC()))
{
    resize(size);
}

void Backdrop::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), fill_);
    painter.setPen(fill_.lightness() > 128 ? QColor(120, 120, 120) : QColor(200, 200, 200));
    for (int y = 40; y < height(); y += 56)
        painter.drawText(QRect(24, y, width() - 48, 24), Qt::AlignLeft, QStringLiteral("字体预览 Corvane Fonts 永和九年，岁在癸丑"));
}

} // namespace accounttest
