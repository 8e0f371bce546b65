// What the window manager's frame, task bar and window lists call each window of the client: a
// title of its own, so that two of them open at once are told apart there.
#include "Class/Account/KXLoginWindowController.h"
#include "Class/Account/KXRegisterAgreementWC.h"
#include "Class/AppShell/AppDelegate.h"
#include "Class/AppShell/KXAppSettingWindowController.h"
#include "Class/Favourites/KXPublishFavoritesWindowsController.h"
#include "Class/UIKit/KXOpenFailedAlert.h"
#include "Class/Update/KXUPDateCenterWC.h"
#include "ShellServiceTest.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QWindow>

#include <map>
#include <memory>

namespace {

class KXWindowTitlesTest : public shelltest::ShellServiceTest {};

} // namespace

TEST_F(KXWindowTitlesTest, EveryWindowIsNamedToTheWindowManagerAndNoTwoKindsAlike)
{
    QWidget main;
    main.resize(400, 600);
    main.show();
    KXLoginWindowController login(QStringLiteral("KXLoginWindowController"), &main);
    KXRegisterAgreementWC agreement(QStringLiteral("KXRegisterAgreementWC"), &main);
    KXAppSettingWindowController settings(QStringLiteral("KXAppSettingWindowController"), &main);
    KXPublishFavoritesWindowsController publish(QStringLiteral("KXPublishFavoritesWindowsController"), &main);
    KXUPDateCenterWC updater(QStringLiteral("KXUPDateCenterWC"), &main);
    KXOpenFailedAlert* browserAlert = KXOpenFailedAlert::showOver(&main, KXOpenFailedAlert::Kind::WebPage, "https://example.com/");
    const QString browserTitle = browserAlert->windowTitle();
    KXOpenFailedAlert* folderAlert = KXOpenFailedAlert::showOver(&main, KXOpenFailedAlert::Kind::Folder, "/tmp");
    ASSERT_EQ(folderAlert, browserAlert) << "one alert a window, filled again";
    AppDelegate::sharedAppDelegate().handleURLEvent(QStringLiteral("corvane://font/7"));
    QPointer<QMessageBox> linkAlert = AppDelegate::sharedAppDelegate().urlAlert();
    ASSERT_NE(linkAlert, nullptr);

    const std::map<QString, QWidget*> windows{
        {QStringLiteral("用户登录"), login.window()},          {QStringLiteral("用户注册协议"), agreement.window()},
        {QStringLiteral("设置"), settings.window()},           {QStringLiteral("公开收藏夹"), publish.window()},
        {QStringLiteral("软件更新"), updater.window()},        {QStringLiteral("未能打开文件夹"), folderAlert},
        {QStringLiteral("链接请求"), linkAlert.data()},
    };
    for (const auto& [title, window] : windows) {
        SCOPED_TRACE(title.toStdString());
        EXPECT_EQ(window->windowTitle(), title);
        window->show();
        ASSERT_NE(window->windowHandle(), nullptr);
        EXPECT_EQ(window->windowHandle()->title(), title) << "the frame shows it";
        window->hide();
    }
    EXPECT_EQ(browserTitle, QStringLiteral("未能打开浏览器")) << "an alert is named after what failed";
    linkAlert->close();
}
