// Pictures of the hub's menus, pop-ups and overlays in both palettes, each checked where it
// matters: the menu's grey stays, the pop-ups and cards are white, the rows sit where the
// accordion put them.
#include "Class/Account/KXPersonalCenterView.h"
#include "Class/AppShell/KXHomeAlertView.h"
#include "Class/AppShell/KXQuitView.h"
#include "Class/Favourites/KXGroupExtendView.h"
#include "Class/FontList/KXFontListModel.h"
#include "Class/FontList/KXHomeListView.h"
#include "Class/FontList/KXWebPreviewSource.h"
#include "Class/Home/KXHomeGroupTableView.h"
#include "Class/Home/KXTopSubview.h"
#include "Class/ImageViews/ImageView.h"
#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Class/UIKit/KXRemoveFromSuperview.h"
#include "HomeTestSupport.h"
#include "Platform/Storage/UserDefaults.h"
#include "ScreenshotSupport.h"

#include <QApplication>
#include <QImage>
#include <QScrollBar>

#include <algorithm>
#include <cmath>
#include <functional>

using foundation::Id;

namespace {

const QColor kMenuGrey(83, 84, 86);

// While it lives the rows load their previews from the local service, as the application's do.
class WebPreviews {
public:
    WebPreviews()
        : previous_(KXPreviewImageSource::install(std::make_shared<KXWebPreviewSource>()))
    {
    }
    ~WebPreviews() { KXPreviewImageSource::install(previous_); }
    WebPreviews(const WebPreviews&) = delete;
    WebPreviews& operator=(const WebPreviews&) = delete;

private:
    std::shared_ptr<KXPreviewImageSource> previous_;
};

class KXHomeScreenshotsTest : public hometest::HubTest {
protected:
    // Runs `shoot` in the day palette, then in the night one (switched by the list's theme
    // button, as a user switches it), and leaves the palette as it was.
    void eachPalette(const std::function<void(const QString& palette)>& shoot)
    {
        shoot(QStringLiteral("day"));
        // Settled, not only laid out: each palette has its own previews, loaded after the switch.
        hub().rightListview()->themeClick();
        settle();
        shoot(QStringLiteral("night"));
        hub().rightListview()->themeClick();
        settle();
    }

    QImage shot(const QString& name) { return QImage(shelltest::saveScreenshot(&hub(), name)); }

    // The colour at a point of the hub in its own coordinates.
    static QColor at(const QImage& picture, QPoint point)
    {
        const double scale = picture.devicePixelRatio();
        return picture.pixelColor(static_cast<int>(point.x() * scale), static_cast<int>(point.y() * scale));
    }
    QPoint centreOf(const QWidget* view) { return view->mapTo(&hub(), view->rect().center()); }
};

} // namespace

TEST_F(KXHomeScreenshotsTest, TheAccountAreaSignedOutAndVip)
{
    auto& signedOut = open();
    eachPalette([&](const QString& palette) {
        const QImage picture = shot("home-signed-out-" + palette);
        EXPECT_EQ(at(picture, QPoint(45, signedOut.height() - 300)), kMenuGrey) << palette.toStdString();
        EXPECT_FALSE(signedOut.vipMarkIMG()->isVisible());
    });

    foundation::UserDefaults::standardUserDefaults().setObject(Id("1"), "vip_type");
    signIn();
    auto& vip = open();
    eachPalette([&](const QString& palette) {
        const QImage picture = shot("home-vip-" + palette);
        ASSERT_TRUE(vip.vipMarkIMG()->isVisible());
        // The ring's gold on the avatar's left edge, half-way down.
        const QRect avatar = vip.avatarImg()->geometry().translated(vip.avatarImg()->parentWidget()->mapTo(&vip, QPoint(0, 0)));
        const QColor ring = at(picture, QPoint(avatar.left() + 1, avatar.center().y()));
        EXPECT_GT(ring.red(), ring.blue() + 40) << palette.toStdString() << " the ring is gold";
    });
}

TEST_F(KXHomeScreenshotsTest, TheSideTablesOpenAndTheMenuCollapsed)
{
    signIn();
    auto& home = open();
    home.MouseOnMyCollection();
    ASSERT_TRUE(waitFor([&] { return home.groupExtendView() != nullptr; }));
    kx_removeFromSuperview(home.groupExtendView());
    home.colletExpand();
    layOut();
    const int rows = static_cast<int>(home.groupArray()->count());
    ASSERT_GT(rows, 0);
    eachPalette([&](const QString& palette) {
        const QImage picture = shot("home-side-tables-" + palette);
        EXPECT_EQ(home.collectionScrollView()->height(), std::min(rows, 6) * 25);
        // Right of the row's title, inside its 10-point margin.
        const QPoint row = home.collectionScrollView()->mapTo(&home, QPoint(85, 12));
        EXPECT_EQ(at(picture, row), kMenuGrey) << palette.toStdString() << " a row on the menu's grey";
        EXPECT_LE(home.newgroupBtn()->sizeHint().height(), 20) << "the new-folder button's small title";
    });

    home.changewidthClick();
    layOut();
    eachPalette([&](const QString& palette) {
        const QImage picture = shot("home-collapsed-" + palette);
        EXPECT_EQ(home.leftMenu()->width(), KXHomeViewController::kCollapsedMenuWidth);
        EXPECT_EQ(at(picture, QPoint(25, home.height() - 300)), kMenuGrey);
        EXPECT_EQ(home.rightListview()->x(), KXHomeViewController::kCollapsedMenuWidth) << "the list starts at 50";
    });
}

TEST_F(KXHomeScreenshotsTest, TheSideMenuOnAShortWindow)
{
    foundation::UserDefaults::standardUserDefaults().setObject(Id(service().baseUrl() + "files/images/questionnaire.png"),
                                                                "questionnaire");
    signIn();
    auto folders = foundation::MutableArray::create();
    for (int i = 0; i < 8; ++i)
        folders->addObject(Id(foundation::Dictionary::create({{Id("id"), Id(200 + i)}, {Id("collect_name"), Id(i == 0 ? "喜欢的字体" : "等宽代码")}})));
    KXUserCenterConfig::sharedKXUserCenterConfig().setGroupsInfo(folders);
    auto& home = open();
    home.colletExpand();
    home.resize(400, 540);
    layOut();
    eachPalette([&](const QString& palette) {
        const QImage picture = shot("home-side-menu-short-" + palette);
        // The column ends above the questionnaire: the strip between them is the menu's grey.
        const int gap = home.alertBtn()->geometry().top() - 2;
        EXPECT_EQ(at(picture, QPoint(8, gap)), kMenuGrey) << palette.toStdString();
        EXPECT_TRUE(home.menuColumnBar()->isVisible());
    });
    home.menuColumnBar()->setValue(home.menuColumnBar()->maximum());
    layOut();
    eachPalette([&](const QString& palette) {
        shot("home-side-menu-short-scrolled-" + palette);
        EXPECT_LE(home.myFocusBtn()->mapTo(&home, QPoint(0, home.myFocusBtn()->height())).y(), home.menuColumn()->geometry().bottom() + 1)
            << palette.toStdString();
    });
}

namespace {

// The contrast of two colours as the accessibility guidelines reckon it (1 to 21; 3 is the least
// they ask of a control against what lies around it).
double contrast(const QColor& a, const QColor& b)
{
    const auto luminance = [](const QColor& colour) {
        const auto channel = [](double value) { return value <= 0.04045 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4); };
        return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF()) + 0.0722 * channel(colour.blueF());
    };
    const double lighter = std::max(luminance(a), luminance(b));
    const double darker = std::min(luminance(a), luminance(b));
    return (lighter + 0.05) / (darker + 0.05);
}

} // namespace

// A side table the window cuts short says it holds more: its scroll bar shows, plainly on the
// dark menu, its handle shorter than its groove; a table whose rows all show has no bar.
TEST_F(KXHomeScreenshotsTest, ASideTableCutShortShowsItsScrollBarPlainly)
{
    foundation::UserDefaults::standardUserDefaults().setObject(Id(service().baseUrl() + "files/images/questionnaire.png"),
                                                                "questionnaire");
    signIn();
    auto folders = foundation::MutableArray::create();
    for (int i = 0; i < 5; ++i)
        folders->addObject(Id(foundation::Dictionary::create({{Id("id"), Id(200 + i)}, {Id("collect_name"), Id(i == 0 ? "喜欢的字体" : "等宽代码")}})));
    KXUserCenterConfig::sharedKXUserCenterConfig().setGroupsInfo(folders);
    auto& home = open();
    home.colletExpand();
    QScrollBar* bar = home.collectionTableview()->verticalScrollBar();
    home.resize(400, 860);
    layOut();
    ASSERT_EQ(home.collectionScrollView()->height(), 125);
    EXPECT_FALSE(bar->isVisible()) << "five rows in five";

    // A 1366 x 768 screen: the fifth row is cut.
    home.resize(400, 700);
    layOut();
    ASSERT_LT(home.collectionScrollView()->height(), 125);
    ASSERT_GT(home.collectionScrollView()->height(), 50);
    ASSERT_TRUE(bar->isVisible());
    ASSERT_EQ(bar->value(), 0);
    const QPoint barTop = bar->mapTo(&home, QPoint(bar->width() / 2, 0));
    const QWidget* rows = home.collectionTableview()->viewport();
    eachPalette([&](const QString& palette) {
        const QImage picture = shot("home-side-table-cut-short-" + palette);
        const QColor handle = at(picture, barTop + QPoint(0, 4));
        const QColor groove = at(picture, barTop + QPoint(0, bar->height() - 3));
        const QColor menu = at(picture, rows->mapTo(&home, QPoint(rows->width() - 2, 2)));
        EXPECT_GE(contrast(handle, menu), 3.0) << palette.toStdString() << ": handle " << handle.name().toStdString() << " on "
                                               << menu.name().toStdString();
        EXPECT_NE(groove, handle) << palette.toStdString() << ": the handle ends before the groove, more rows below";
    });
    home.collectionTableview()->scrollToBottom();
    layOut();
    EXPECT_GT(bar->value(), 0) << "the cut row scrolls into view";
}

TEST_F(KXHomeScreenshotsTest, OnTheShortestWindowTheFollowedPopUpEndsInsideIt)
{
    signIn();
    auto folders = foundation::MutableArray::create();
    for (int i = 0; i < 8; ++i)
        folders->addObject(Id(foundation::Dictionary::create({{Id("id"), Id(200 + i)}, {Id("collect_name"), Id("等宽代码")}})));
    KXUserCenterConfig::sharedKXUserCenterConfig().setGroupsInfo(folders);
    auto& home = open();
    home.colletExpand();
    // The main window's least height at 1.25 on 1280 x 720, the column scrolled to its end so the
    // followed tab sits near the window's foot.
    home.resize(400, 556);
    layOut();
    home.menuColumnBar()->setValue(home.menuColumnBar()->maximum());
    layOut();
    const int tabTop = home.myFocusBtn()->mapTo(&home, QPoint(0, 0)).y();
    ASSERT_GT(tabTop + 204, home.height()) << "a pop-up level with the tab would run past the foot";
    home.MouseOnMyFocus();
    ASSERT_TRUE(waitFor([&] { return home.groupExtendView() != nullptr; }));
    layOut();
    KXGroupExtendView* popUp = home.groupExtendView();
    EXPECT_EQ(popUp->geometry(), QRect(KXHomeViewController::kMenuWidth, home.height() - 204, 148, 204)) << "moved up just enough";
    const QRect more(popUp->extendBtn()->mapTo(&home, QPoint(0, 0)), popUp->extendBtn()->size());
    EXPECT_TRUE(home.rect().contains(more)) << "its last button whole";
    eachPalette([&](const QString& palette) { shot("home-followed-pop-up-short-" + palette); });

    // On a tall window the tab is high enough: the pop-up is level with it again.
    kx_removeFromSuperview(popUp);
    home.resize(400, 900);
    layOut();
    ASSERT_LE(home.myFocusBtn()->mapTo(&home, QPoint(0, 0)).y() + 204, home.height());
    home.MouseOnMyFocus();
    ASSERT_TRUE(waitFor([&] { return home.groupExtendView() && home.groupExtendView()->parentWidget() == &home; }));
    layOut();
    EXPECT_EQ(home.groupExtendView()->y(), home.myFocusBtn()->mapTo(&home, QPoint(0, 0)).y());
}

TEST_F(KXHomeScreenshotsTest, ThePopUpAndTheExtendMenu)
{
    signIn();
    auto& home = open();
    home.MouseOnMyCollection();
    ASSERT_TRUE(waitFor([&] { return home.groupExtendView() != nullptr; }));
    layOut();
    eachPalette([&](const QString& palette) {
        const QImage picture = shot("home-folders-pop-up-" + palette);
        const QRect popUp = home.groupExtendView()->geometry();
        EXPECT_EQ(popUp.left(), KXHomeViewController::kMenuWidth);
        EXPECT_EQ(at(picture, QPoint(popUp.left() + 4, popUp.top() + 4)), QColor(Qt::white)) << palette.toStdString();
    });
    kx_removeFromSuperview(home.groupExtendView());

    home.extendButtonClick();
    layOut();
    ASSERT_NE(home.extendContentView(), nullptr);
    eachPalette([&](const QString& palette) {
        const QImage picture = shot("home-extend-menu-" + palette);
        const QRect panel(home.extendContentView()->mapTo(&home, QPoint(0, 0)), home.extendContentView()->size());
        EXPECT_EQ(at(picture, QPoint(panel.left() + 3, panel.top() + 3)), QColor(Qt::white)) << palette.toStdString();
        EXPECT_EQ(home.extendEntries().size(), 4u);
    });
}

TEST_F(KXHomeScreenshotsTest, TheQuestionnaireAndTheSignOutConfirmation)
{
    foundation::UserDefaults::standardUserDefaults().setObject(Id(service().baseUrl() + "files/images/questionnaire.png"),
                                                                "questionnaire");
    signIn();
    // The picture shows the list behind the dimming as the user sees it, previews drawn.
    const WebPreviews previews;
    auto& home = open();
    ASSERT_GT(home.rightListview()->listModel()->rowCount(), 0);
    home.alertBtnClick();
    auto* alert = qobject_cast<KXHomeAlertView*>(kx_topSubview(&home));
    ASSERT_NE(alert, nullptr);
    ASSERT_TRUE(waitFor([&] { return alert->bgImgView()->image() != nullptr; }));
    eachPalette([&](const QString& palette) {
        const QImage picture = shot("home-questionnaire-" + palette);
        // The dimming darkens the menu's grey.
        const QColor dimmed = at(picture, QPoint(45, home.height() - 300));
        EXPECT_LT(dimmed.red(), kMenuGrey.red()) << palette.toStdString();
    });
    alert->cancelBtn()->click();

    home.avatarClick();
    auto* centre = qobject_cast<KXPersonalCenterView*>(kx_topSubview(&home));
    ASSERT_NE(centre, nullptr);
    layOut();
    auto* quit = new KXQuitView(centre);
    quit->setGeometry(centre->rect());
    quit->show();
    eachPalette([&](const QString& palette) {
        const QImage picture = shot("home-sign-out-" + palette);
        EXPECT_EQ(at(picture, centreOf(quit->centerView())), QColor(Qt::white)) << palette.toStdString();
    });
}
