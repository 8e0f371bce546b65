#include "Class/Theme/KXThemeManager.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Class/UIKit/KXOpenFailedAlert.h"
#include "Class/UIKit/KXQtColor.h"
#include "Platform/Desktop/FocusQueries.h"
#include "Platform/Desktop/URLOpener.h"
#include "Platform/Dispatch/RunLoop.h"
#include "Support/FailingOpeners.h"
#include "Support/TempHome.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QExposeEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTest>
#include <QWindow>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace {

using Kind = KXOpenFailedAlert::Kind;

QString screenshotDir()
{
    const QByteArray binary = qgetenv("CORVANE_BINARY_DIR");
    const QString dir
        = (binary.isEmpty() ? QDir::currentPath() : QString::fromLocal8Bit(binary)) + "/screenshots";
    QDir().mkpath(dir);
    return dir;
}

// Calls `shown` with each widget as it is shown.
class ShowWatch : public QObject {
public:
    explicit ShowWatch(std::function<void(QWidget*)> shown)
        : shown_(std::move(shown))
    {
        qApp->installEventFilter(this);
    }
    ~ShowWatch() override { qApp->removeEventFilter(this); }
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && watched->isWidgetType())
            shown_(static_cast<QWidget*>(watched));
        return false;
    }

private:
    std::function<void(QWidget*)> shown_;
};

// A shown window with a page inside it, the way the client's pages ask to open links.
class KXOpenFailedAlertTest : public testing::Test {
protected:
    void SetUp() override
    {
        window = std::make_unique<QWidget>();
        window->resize(400, 600);
        page = new QWidget(window.get());
        page->setGeometry(0, 0, 400, 600);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }

    void TearDown() override
    {
        // An alert without a page has no window to go with.
        delete KXOpenFailedAlert::alertOf(nullptr);
    }

    KXOpenFailedAlert* alert() const { return KXOpenFailedAlert::alertOf(window.get()); }

    std::unique_ptr<QWidget> window;
    QWidget* page = nullptr;
};

TEST(KXOpenFailedAlertContent, EachKindSaysWhatFailedAndHowToCopyIt)
{
    using Content = KXOpenFailedAlert::Content;
    EXPECT_EQ(KXOpenFailedAlert::content(Kind::WebPage, "https://x.example/help"),
        (Content { "未能打开浏览器，请复制链接后在浏览器中打开", "复制链接", "https://x.example/help" }));
    EXPECT_EQ(KXOpenFailedAlert::content(Kind::Folder, "/home/u/.local/share/fonts"),
        (Content { "未能打开文件夹，请手动打开", "复制路径", "/home/u/.local/share/fonts" }));
    EXPECT_EQ(KXOpenFailedAlert::content(Kind::PaymentPage, "https://x.example/pay?o=1"),
        (Content { "未能打开浏览器，请手动访问支付页面", "复制链接", "https://x.example/pay?o=1" }));
    EXPECT_EQ(KXOpenFailedAlert::content(Kind::Package, "/home/u/Downloads/corvane-fonts_9.9.0_amd64.deb"),
        (Content { "未能打开安装包，请复制路径后手动打开", "复制路径",
            "/home/u/Downloads/corvane-fonts_9.9.0_amd64.deb" }));
}

TEST_F(KXOpenFailedAlertTest, AnOpenerThatCannotStartShowsTheAlertAtOnceAndItStaysUntilDismissed)
{
    desktop::ScopedRecordingURLOpener opener;
    opener.opener().setLaunchError("Could not start xdg-open: No such file or directory");
    EXPECT_FALSE(KXOpenFailedAlert::openURL(page, "  https://x.example/help?a=1&b=<2>  "));

    auto* shown = alert();
    ASSERT_NE(shown, nullptr);
    EXPECT_TRUE(shown->isVisible());
    EXPECT_TRUE(shown->isWindow());
    EXPECT_EQ(shown->parentWidget(), window.get()) << "transient for the page's window";
    EXPECT_TRUE(shown->windowFlags() & Qt::Dialog);
    EXPECT_FALSE(shown->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(shown->messageLabel()->text(), "未能打开浏览器，请复制链接后在浏览器中打开");
    // The address as the browser would have had it, as plain text the user can select.
    EXPECT_EQ(shown->targetField()->toPlainText(), "https://x.example/help?a=1&b=<2>");
    EXPECT_TRUE(shown->targetField()->isReadOnly());
    EXPECT_TRUE(shown->targetField()->textInteractionFlags() & Qt::TextSelectableByMouse);
    EXPECT_EQ(shown->copyButton()->title(), "复制链接");
    EXPECT_EQ(shown->closeButton()->title(), "知道了");
    for (QWidget* part :
        { static_cast<QWidget*>(shown->messageLabel()), static_cast<QWidget*>(shown->targetField()),
            static_cast<QWidget*>(shown->copyButton()), static_cast<QWidget*>(shown->closeButton()) })
        EXPECT_TRUE(shown->rect().contains(part->geometry())) << part->metaObject()->className();

    QApplication::clipboard()->setText("something else");
    QTest::mouseClick(shown->copyButton(), Qt::LeftButton);
    EXPECT_EQ(QApplication::clipboard()->text(), "https://x.example/help?a=1&b=<2>");
    EXPECT_TRUE(shown->isVisible()) << "copying keeps the alert";

    QTest::mouseClick(shown->closeButton(), Qt::LeftButton);
    EXPECT_FALSE(shown->isVisible());
}

TEST_F(KXOpenFailedAlertTest, ReturnPressesTheFocusedButtonTheCloseOneWhenItOpens)
{
    desktop::ScopedRecordingURLOpener opener;
    opener.opener().setLaunchError("Could not start xdg-open");
    EXPECT_FALSE(KXOpenFailedAlert::openURL(page, "https://x.example/help"));
    auto* shown = alert();
    ASSERT_NE(shown, nullptr);
    ASSERT_EQ(shown->focusWidget(), shown->closeButton());
    QTest::keyClick(shown->focusWidget(), Qt::Key_Return);
    EXPECT_FALSE(shown->isVisible()) << "Return on 知道了 closes the alert";

    // Opened again, the keys tabbed over to 复制链接: Enter copies the address and the alert stays.
    EXPECT_FALSE(KXOpenFailedAlert::openURL(page, "https://x.example/help"));
    ASSERT_EQ(shown->focusWidget(), shown->closeButton());
    QTest::keyClick(shown->focusWidget(), Qt::Key_Tab);
    ASSERT_EQ(shown->focusWidget(), shown->copyButton());
    QApplication::clipboard()->setText("something else");
    QTest::keyClick(shown->focusWidget(), Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), "https://x.example/help");
    EXPECT_TRUE(shown->isVisible());
    // Escape still closes it from either button.
    QTest::keyClick(shown->focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(shown->isVisible());
}

// The failure is first reported by the desktop, in a dialog of its own that holds the keys while
// the alert shows: the alert leaves them there, and asks for none once that dialog goes, as a
// window the client opened by itself.
TEST_F(KXOpenFailedAlertTest, TheAlertLeavesTheKeysWithTheProgramThatHoldsThem)
{
    desktop::ScopedRecordingURLOpener opener;
    opener.opener().setLaunchError("Could not start xdg-open");
    desktop::ScopedFakeFocusQueries windowServer;
    QWidget desktopDialog;
    desktopDialog.resize(300, 100);
    desktopDialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&desktopDialog));
    windowServer.queries().setActiveWindow(desktopDialog.winId());
    bool shownWithoutKeys = false;
    ShowWatch watch([&](QWidget* shownWindow) {
        if (qobject_cast<KXOpenFailedAlert*>(shownWindow))
            shownWithoutKeys = shownWindow->testAttribute(Qt::WA_ShowWithoutActivating);
    });
    EXPECT_FALSE(KXOpenFailedAlert::openURL(page, "https://x.example/help"));
    auto* shown = alert();
    ASSERT_NE(shown, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(shown));
    EXPECT_TRUE(shownWithoutKeys);
    // The offscreen platform activates what it shows; a window manager leaves the keys.
    desktopDialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&desktopDialog));
    desktopDialog.hide();
    QExposeEvent exposed(QRegion(QRect(QPoint(), shown->windowHandle()->size())));
    QCoreApplication::sendEvent(shown->windowHandle(), &exposed);
    for (int turn = 0; turn < 3; ++turn)
        QApplication::processEvents();
    EXPECT_NE(QApplication::activeWindow(), shown) << "no wait for the desktop's dialog to go";
    shown->hide();
}

TEST_F(KXOpenFailedAlertTest, AFolderSaysSoAndCopiesItsPathAndTheWindowKeepsOneAlert)
{
    desktop::ScopedRecordingURLOpener opener;
    const auto folder = testsupport::makeScratchDir("fonts");
    opener.opener().setLaunchError("Could not start xdg-open");
    EXPECT_FALSE(KXOpenFailedAlert::openFolder(page, folder));
    auto* first = alert();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->messageLabel()->text(), "未能打开文件夹，请手动打开");
    EXPECT_EQ(first->copyButton()->title(), "复制路径");
    EXPECT_EQ(first->targetField()->toPlainText(), QString::fromStdString(folder.string()));
    first->copyBtnClick();
    EXPECT_EQ(QApplication::clipboard()->text(), QString::fromStdString(folder.string()));

    // A later failure over the same window refills the same alert, shown again after a dismissal.
    first->closeBtnClick();
    EXPECT_FALSE(KXOpenFailedAlert::openURL(page, "https://x.example/shop", Kind::PaymentPage));
    EXPECT_EQ(alert(), first);
    EXPECT_EQ(window->findChildren<KXOpenFailedAlert*>().size(), 1);
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(first->messageLabel()->text(), "未能打开浏览器，请手动访问支付页面");
    EXPECT_EQ(first->copyButton()->title(), "复制链接");
    EXPECT_EQ(first->targetField()->toPlainText(), "https://x.example/shop");
}

TEST_F(KXOpenFailedAlertTest, WhatTheOpenerRefusesIsShownButNeverOpened)
{
    desktop::ScopedRecordingURLOpener opener;
    EXPECT_FALSE(KXOpenFailedAlert::openURL(page, "file:///etc/passwd"));
    EXPECT_TRUE(opener.opened().empty());
    ASSERT_NE(alert(), nullptr);
    EXPECT_EQ(alert()->targetField()->toPlainText(), "file:///etc/passwd");

    // A folder that could not be made is no folder to open.
    alert()->closeBtnClick();
    EXPECT_FALSE(KXOpenFailedAlert::openFolder(page, "/nonexistent/corvane/fonts"));
    EXPECT_TRUE(alert()->isVisible());
    EXPECT_EQ(alert()->targetField()->toPlainText(), "/nonexistent/corvane/fonts");
}

TEST_F(KXOpenFailedAlertTest, AStartedOpenerShowsNothing)
{
    desktop::ScopedRecordingURLOpener opener;
    EXPECT_TRUE(KXOpenFailedAlert::openURL(page, "https://x.example/help"));
    EXPECT_EQ(opener.opened(), std::vector<std::string> { "https://x.example/help" });
    EXPECT_EQ(alert(), nullptr);
}

TEST_F(KXOpenFailedAlertTest, AFailedExitShowsTheAlertLater)
{
    testsupport::ScopedFailingSystemOpener opener;
    EXPECT_TRUE(KXOpenFailedAlert::openURL(page, "https://x.example/help"));
    EXPECT_EQ(alert(), nullptr) << "the opener started";
    ASSERT_TRUE(dispatch::RunLoop::runUntil([&] { return alert() && alert()->isVisible(); }, 20));
    EXPECT_EQ(alert()->messageLabel()->text(), "未能打开浏览器，请复制链接后在浏览器中打开");
    EXPECT_EQ(alert()->targetField()->toPlainText(), "https://x.example/help");

    alert()->closeBtnClick();
    const auto folder = testsupport::makeScratchDir("fonts");
    EXPECT_TRUE(KXOpenFailedAlert::openFolder(page, folder));
    ASSERT_TRUE(dispatch::RunLoop::runUntil([&] { return alert()->isVisible(); }, 20));
    EXPECT_EQ(alert()->targetField()->toPlainText(), QString::fromStdString(folder.string()));
}

TEST_F(KXOpenFailedAlertTest, ALateFailureOfAPageThatIsGoneShowsNothing)
{
    testsupport::ScopedHeldFailureOpener opener;
    EXPECT_TRUE(KXOpenFailedAlert::openURL(page, "https://x.example/gone"));
    EXPECT_TRUE(KXOpenFailedAlert::openFolder(page, testsupport::makeScratchDir("fonts")));
    ASSERT_EQ(opener.held(), 2u);
    delete page;
    page = nullptr;
    opener.failAll();
    EXPECT_EQ(alert(), nullptr);
}

TEST_F(KXOpenFailedAlertTest, WithoutAPageTheAlertStandsAlone)
{
    desktop::ScopedRecordingURLOpener opener;
    opener.opener().setLaunchError("Could not start xdg-open");
    EXPECT_FALSE(KXOpenFailedAlert::openURL(nullptr, "https://x.example/help"));
    auto* alone = KXOpenFailedAlert::alertOf(nullptr);
    ASSERT_NE(alone, nullptr);
    EXPECT_EQ(alone->parentWidget(), nullptr);
    EXPECT_TRUE(alone->isVisible());
    EXPECT_EQ(alert(), nullptr);
}

class KXOpenFailedAlertScreenshot : public KXOpenFailedAlertTest,
                                    public testing::WithParamInterface<bool> { };

TEST_P(KXOpenFailedAlertScreenshot, InPalette)
{
    const bool light = GetParam();
    auto& theme = KXThemeManager::themeManager();
    const bool before = theme.isNight();
    theme.setIsNight(light);
    desktop::ScopedRecordingURLOpener opener;
    opener.opener().setLaunchError("Could not start xdg-open");

    const std::vector<std::pair<QString, std::string>> shots
        = { { "web",
                "https://fonts.example.com/help/"
                "center?from=client&version=1.4.2&channel=linux-desktop&utm_source=app" },
              { "folder", "/home/user/.local/share/fonts" } };
    for (const auto& [name, target] : shots) {
        if (name == "folder")
            KXOpenFailedAlert::openFolder(page, testsupport::makeScratchDir("fonts"));
        KXOpenFailedAlert::showOver(page, name == "folder" ? Kind::Folder : Kind::WebPage, target);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(alert()));
        const QImage shot = alert()->grab().toImage();
        EXPECT_EQ(shot.pixelColor(4, 4), kx_qcolor(theme.RightBGC()));
        const QPoint field = alert()->targetField()->geometry().topLeft() + QPoint(2, 2);
        EXPECT_EQ(shot.pixelColor(field), kx_qcolor(theme.CustomTFBGC()));
        EXPECT_TRUE(shot.save(
            screenshotDir() + QString("/open-failed-alert-%1-%2.png").arg(name, light ? "day" : "night")));
    }
    theme.setIsNight(before);
}

INSTANTIATE_TEST_SUITE_P(Palettes, KXOpenFailedAlertScreenshot, testing::Values(false, true),
    [](const testing::TestParamInfo<bool>& param) { return param.param ? "Day" : "Night"; });

} // namespace
