// The row delegate and its table offscreen: hit rectangles, hover and its console trace, the cart
// button, previews near the viewport, a 100,000-row list, the licence link on the virtual clock.
#include "Class/FontList/Core/KXLicenceLinkSchedule.h"
#include "Class/FontList/KXFontListModel.h"
#include "Class/FontList/KXFontTableView.h"
#include "Class/FontList/KXHomeListTableCellView.h"
#include "Class/FontList/KXPreviewLoads.h"
#include "Class/FontList/KXViewReference.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/Theme/KXThemeManager.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Class/UIKit/KXOpenFailedAlert.h"
#include "FontListTestSupport.h"
#include "Platform/Desktop/URLOpener.h"
#include "Platform/Dispatch/Clock.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/Dispatch/RunLoop.h"
#include "Platform/Foundation/Foundation.h"
#include "Platform/Graphics/Image.h"
#include "Platform/Storage/UserDefaults.h"
#include "Support/FailingOpeners.h"
#include "Support/PageTrace.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QToolTip>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <utility>

using foundation::Id;
using foundation::Ref;
using Target = KXRowPainter::Target;

namespace {

// A table of records with the row delegate, 900 x 600, in the light palette.
struct Table {
    fontlisttest::ScopedPreviewSource previews;
    QWidget window;
    KXFontListModel model;
    KXFontTableView* table = new KXFontTableView(&window);
    KXHomeListTableCellView* rows = new KXHomeListTableCellView(table);
    std::shared_ptr<fontlisttest::RecordingRowOwner> owner = std::make_shared<fontlisttest::RecordingRowOwner>();

    explicit Table(Ref<foundation::MutableArray> records)
    {
        KXThemeManager::themeManager().setIsNight(true);
        window.resize(900, 600);
        table->setGeometry(0, 0, 900, 600);
        table->setRowDelegate(rows);
        rows->setDelegate(owner);
        model.setRecords(std::move(records));
        table->setModel(&model);
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
        fontlisttest::settle(window);
    }

    Ref<KXFontBaseModel> recordAt(int row) const { return model.recordAt(row); }
    QRect rowRect(int row) const { return KXHomeListTableCellView::rowRect(table->visualRect(model.index(row)), table); }
    KXRowPainter::Row layout(int row) const { return rows->rowFor(*recordAt(row), rowRect(row), table); }
    // A point inside a part of a row, in viewport coordinates.
    QPoint pointIn(int row, const autolayout::Rect& part) const
    {
        return rowRect(row).topLeft() + QPoint(static_cast<int>(part.x + part.width / 2), static_cast<int>(part.y + part.height / 2));
    }
    // A point on the row away from its buttons.
    QPoint onRow(int row) const { return rowRect(row).topLeft() + QPoint(420, 70 * rowRect(row).height() / 90); }
    void click(const QPoint& point) { QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, point); }
    void move(const QPoint& point)
    {
        QMouseEvent event(QEvent::MouseMove, point, table->viewport()->mapToGlobal(point), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(table->viewport(), &event);
    }
};

Ref<foundation::MutableArray> sampleRows()
{
    auto rows = foundation::MutableArray::create();
    auto heart = fontlisttest::record(1001, "心动字体", ",m4,m11,", 1001);
    heart->has_info = 1;
    heart->is_sell = 1;
    rows->addObject(Id(heart));
    auto plain = fontlisttest::record(1002, "Plain Font", nullptr, 1002);
    rows->addObject(Id(plain));
    auto local = fontlisttest::record(1003, "DejaVu Sans", nullptr, 1003);
    local->cellType = 2;
    local->cellHeight = 30;
    local->pName = foundation::String::create("DejaVuSans");
    rows->addObject(Id(local));
    return rows;
}

} // namespace

TEST(KXHomeListTableCellView, EachPartOfARowReportsItsOwnCallback)
{
    desktop::ScopedRecordingURLOpener opener;
    auto& defaults = foundation::UserDefaults::standardUserDefaults();
    defaults.setObject(Id("https://svc.test/beat"), "heartbeat_url");
    defaults.removeObjectForKey("token");
    Table t(sampleRows());
    const auto row0 = t.layout(0);

    t.click(t.onRow(0));
    ASSERT_EQ(t.owner->rowClicks.size(), 1u);
    EXPECT_EQ(t.owner->rowClicks[0], t.recordAt(0));
    EXPECT_EQ(KXGlobalDataBase::sharedKXGlobalDataBase().activation()->count(), 0u) << "signed out: nothing counted";

    t.click(t.pointIn(0, row0.geometry.title));
    EXPECT_EQ(t.owner->titleClicks, std::vector<long long>{1001});
    t.click(t.pointIn(1, t.layout(1).geometry.title));
    EXPECT_EQ(t.owner->titleClicks.size(), 1u) << "no detail page, no title click";
    EXPECT_EQ(t.owner->rowClicks.size(), 1u) << "the title takes the click, not the row";

    t.click(t.pointIn(0, row0.geometry.favourite));
    ASSERT_EQ(t.owner->favouriteClicks.size(), 1u);

    t.click(t.pointIn(0, row0.geometry.heartbeat));
    EXPECT_EQ(opener.opened(), std::vector<std::string>{"https://svc.test/beat"});
    EXPECT_EQ(t.owner->rowClicks.size(), 1u);

    // A local row has no favourite button: its place belongs to the row.
    const auto row2 = t.layout(2);
    EXPECT_FALSE(row2.marks.showsFavourite);
    t.click(t.pointIn(2, row2.geometry.favourite));
    EXPECT_EQ(t.owner->favouriteClicks.size(), 1u);
    EXPECT_EQ(t.owner->rowClicks.size(), 2u);

    // The left margin is nobody's.
    t.click(t.rowRect(1).topLeft() + QPoint(3, 60));
    EXPECT_EQ(t.owner->rowClicks.size(), 2u);
}

// A long name in a list as narrow as the main window's: the name is elided before its badges, and
// the badges keep clear of the favourite star, which is drawn whole and answers its own clicks.
TEST(KXHomeListTableCellView, ALongNameGivesWayToItsBadgesAndTheStar)
{
    desktop::ScopedRecordingURLOpener opener;
    foundation::UserDefaults::standardUserDefaults().setObject(Id("https://svc.test/beat"), "heartbeat_url");
    auto rows = foundation::MutableArray::create();
    auto longName = fontlisttest::record(2001, "DejaVu Serif Condensed Bold GBK", ",m3,m4,m5,m11,", 2001);
    longName->is_3d = 1;
    rows->addObject(Id(longName));
    rows->addObject(Id(fontlisttest::record(2002, "Sans", nullptr, 2002)));
    rows->addObject(Id(fontlisttest::record(2003, "DejaVu Serif Condensed Bold Italic Extra Wide Display", nullptr, 2003)));
    Table t(rows);
    t.table->setGeometry(0, 0, 300, 600);
    fontlisttest::settle(t.window);

    const KXRowPainter::Row row = t.layout(0);
    const KXRowGeometry& g = row.geometry;
    const auto rect = [](const autolayout::Rect& part) { return QRectF(part.x, part.y, part.width, part.height); };
    const QRectF star = rect(g.favourite);
    for (const autolayout::Rect* badge : {&g.newest, &g.free, &g.hot, &g.heartbeat, &g.gbk, &g.threeD}) {
        EXPECT_EQ(badge->width, KXRowGeometry::kBadgeWidth) << "every badge shows whole";
        EXPECT_LE(rect(*badge).right(), star.left()) << "clear of the star";
    }
    EXPECT_LE(rect(g.title).right(), g.newest.x) << "the name ends before its badges";
    EXPECT_GT(g.title.width, 0);
    EXPECT_GT(t.rows->rowFor(*t.recordAt(0), QRect(0, 0, 2000, 90), t.table).geometry.title.width, g.title.width)
        << "the name is shortened here only";

    // The star's pixels are those of the short name's row.
    const QImage shot = t.table->viewport()->grab().toImage();
    const QRect starPixels = star.toAlignedRect();
    EXPECT_EQ(shot.copy(starPixels.translated(t.rowRect(0).topLeft())), shot.copy(starPixels.translated(t.rowRect(1).topLeft())))
        << "the star is drawn whole";
    // A long name without badges: its letters end in its rectangle, before the star.
    const KXRowGeometry bare = t.layout(2).geometry;
    const QPoint bareRow = t.rowRect(2).topLeft();
    ASSERT_LT(bare.title.x + bare.title.width + 4, bare.favourite.x) << "room for the elided name's end";
    const QColor background = shot.pixelColor(bareRow + QPoint(4, 4));
    int inkPastTheName = 0;
    for (int x = static_cast<int>(bare.title.x + bare.title.width) + 1; x < static_cast<int>(bare.favourite.x); ++x)
        for (int y = static_cast<int>(bare.title.y); y < static_cast<int>(bare.title.y + bare.title.height); ++y)
            inkPastTheName += shot.pixelColor(bareRow + QPoint(x, y)) != background ? 1 : 0;
    EXPECT_EQ(inkPastTheName, 0);

    t.click(t.pointIn(0, g.favourite));
    EXPECT_EQ(t.owner->favouriteClicks.size(), 1u) << "the star answers its own click";
    EXPECT_TRUE(opener.opened().empty()) << "not the heartbeat badge's";
}

TEST(KXHomeListTableCellView, AHeartbeatPageTheBrowserCannotOpenShowsItsAddress)
{
    foundation::UserDefaults::standardUserDefaults().setObject(Id("https://svc.test/beat"), "heartbeat_url");
    Table t(sampleRows());
    const QPoint heartbeat = t.pointIn(0, t.layout(0).geometry.heartbeat);
    const auto shown = [&] {
        auto* alert = KXOpenFailedAlert::alertOf(&t.window);
        return alert && alert->isVisible() ? alert->targetField()->toPlainText() : QString();
    };
    {
        desktop::ScopedRecordingURLOpener opener;
        opener.opener().setLaunchError("Could not start xdg-open");
        t.click(heartbeat);
        ASSERT_EQ(shown(), "https://svc.test/beat");
        KXOpenFailedAlert::alertOf(&t.window)->closeBtnClick();
    }
    testsupport::ScopedFailingSystemOpener opener;
    t.click(heartbeat);
    EXPECT_TRUE(shown().isEmpty());
    ASSERT_TRUE(dispatch::RunLoop::runUntil([&] { return !shown().isEmpty(); }, 20));
    EXPECT_EQ(shown(), "https://svc.test/beat");
    EXPECT_TRUE(t.owner->rowClicks.empty());
}

TEST(KXHomeListTableCellView, SignedInClicksCountOneUsePerFont)
{
    auto& defaults = foundation::UserDefaults::standardUserDefaults();
    defaults.setObject(Id("t-1"), "token");
    KXGlobalDataBase::sharedKXGlobalDataBase().setActivation(nullptr);
    Table t(sampleRows());
    const QPoint row = t.onRow(1);
    t.click(row);
    t.click(row);
    const auto activation = KXGlobalDataBase::sharedKXGlobalDataBase().activation();
    ASSERT_EQ(activation->count(), 1u);
    EXPECT_EQ(Id(activation)[0]["fid"].stringValue(), "1002");
    EXPECT_EQ(Id(activation)[0]["num"].stringValue(), "2");
    defaults.removeObjectForKey("token");
    KXGlobalDataBase::sharedKXGlobalDataBase().setActivation(nullptr);
}

TEST(KXHomeListTableCellView, TheLicenceLinkIsItsRecordsFromOneToFiveSeconds)
{
    desktop::ScopedRecordingURLOpener opener;
    foundation::UserDefaults::standardUserDefaults().setObject(Id("https://svc.test/licence"), "brand_license");
    dispatch::VirtualClock::Scope time;
    Table t(sampleRows());
    const auto record = t.recordAt(1);
    record->progress = static_cast<double>(0.85f);
    t.model.reloadRecord(record);
    fontlisttest::settle(t.window);
    const QPoint link = t.pointIn(1, t.layout(1).geometry.licenceLink);
    EXPECT_EQ(t.rows->targetAt(*t.table, t.model.index(1), link), Target::Row) << "not before 1 s";

    time.advance(1.01);
    fontlisttest::settle(t.window);
    EXPECT_EQ(t.rows->targetAt(*t.table, t.model.index(1), link), Target::LicenceLink);
    t.click(link);
    EXPECT_EQ(opener.opened(), std::vector<std::string>{"https://svc.test/licence"});
    EXPECT_TRUE(t.owner->rowClicks.empty());
    // When the browser cannot start, the link's address is shown over the list's window.
    opener.opener().setLaunchError("Could not start xdg-open");
    t.click(link);
    ASSERT_NE(KXOpenFailedAlert::alertOf(&t.window), nullptr);
    EXPECT_TRUE(KXOpenFailedAlert::alertOf(&t.window)->isVisible());
    EXPECT_EQ(KXOpenFailedAlert::alertOf(&t.window)->targetField()->toPlainText(), "https://svc.test/licence");
    opener.opener().setLaunchError(std::nullopt);

    // Another record drawn in the same place does not show it.
    t.model.setRecords(sampleRows());
    fontlisttest::settle(t.window);
    EXPECT_EQ(t.rows->targetAt(*t.table, t.model.index(1), link), Target::Row);
    time.advance(4.1);
    EXPECT_FALSE(t.table->licenceLinks().isShowing(*record));
}

TEST(KXHomeListTableCellView, HoverShowsTheCartUnlessTheListScrollsOrTheRingShows)
{
    Table t(sampleRows());
    auto& global = KXGlobalDataBase::sharedKXGlobalDataBase();
    global.setScrollSate(false);
    const QPoint overRow0 = t.onRow(0);
    t.move(overRow0);
    EXPECT_EQ(t.table->hoveredIndex().row(), 0);
    ASSERT_TRUE(t.table->cartButton()->isVisible()) << "a font for sale";
    const auto cart = t.layout(0).geometry.cart;
    EXPECT_EQ(t.table->cartButton()->geometry(),
              QRect(t.rowRect(0).topLeft() + QPoint(static_cast<int>(cart.x), static_cast<int>(cart.y)), QSize(35, 29)));

    std::vector<Ref<KXViewReference>> posted;
    auto observation = dispatch::NotificationCenter::defaultCenter().addObserver(
        KXFontTableView::kBuyCartsNotification, Id(), nullptr,
        [&](const dispatch::Notification& n) { posted.push_back(n.object.as<KXViewReference>()); });
    QTest::mouseClick(t.table->cartButton(), Qt::LeftButton);
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0]->tag, 1001);
    EXPECT_EQ(posted[0]->view, t.table->cartButton());
    EXPECT_EQ(t.table->cartButton()->property("tag").toLongLong(), 1001);
    EXPECT_TRUE(t.owner->rowClicks.empty()) << "the cart click is not a row click";

    // The ring shows: the cart goes.
    t.recordAt(0)->progress = 0.4;
    t.model.reloadRecord(t.recordAt(0));
    EXPECT_FALSE(t.table->cartButton()->isVisible());
    t.recordAt(0)->progress = 0;

    // While the list scrolls, entering another row changes nothing.
    global.setScrollSate(true);
    t.move(t.onRow(1));
    EXPECT_EQ(t.table->hoveredIndex().row(), 0);
    global.setScrollSate(false);
    t.move(t.onRow(1));
    EXPECT_EQ(t.table->hoveredIndex().row(), 1);
    EXPECT_FALSE(t.table->cartButton()->isVisible()) << "not for sale";

    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(t.table->viewport(), &leave);
    EXPECT_FALSE(t.table->hoveredIndex().isValid());
}

TEST(KXHomeListTableCellView, ClicksWhereTheCartHidUnderThePointerNeverInstallTheRow)
{
    Table t(sampleRows());
    KXGlobalDataBase::sharedKXGlobalDataBase().setScrollSate(false);
    t.move(t.onRow(0));
    ASSERT_TRUE(t.table->cartButton()->isVisible());
    const QRect cart = t.table->cartButton()->geometry();
    // The cart takes the font, and the row offers it no more: the button hides under the pointer.
    int posted = 0;
    auto observation = dispatch::NotificationCenter::defaultCenter().addObserver(
        KXFontTableView::kBuyCartsNotification, Id(), nullptr, [&](const dispatch::Notification&) {
            ++posted;
            t.recordAt(0)->is_sell = 0;
            t.model.reloadRecord(t.recordAt(0));
        });
    QTest::mouseClick(t.table->cartButton(), Qt::LeftButton, {}, QPoint(3, 3));
    ASSERT_EQ(posted, 1);
    ASSERT_FALSE(t.table->cartButton()->isVisible());

    // Something shown over the still pointer (a page, a toast) sends a Leave: the place stays held.
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(t.table->viewport(), &leave);
    // The double-click's second click, then a click a moment later, both where the button was.
    const QPoint spot = cart.topLeft() + QPoint(3, 3);
    QMouseEvent press(QEvent::MouseButtonPress, spot, t.table->viewport()->mapToGlobal(spot), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(t.table->viewport(), &press);
    QMouseEvent twice(QEvent::MouseButtonDblClick, spot, t.table->viewport()->mapToGlobal(spot), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(t.table->viewport(), &twice);
    QMouseEvent release(QEvent::MouseButtonRelease, spot, t.table->viewport()->mapToGlobal(spot), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(t.table->viewport(), &release);
    t.move(cart.center());
    t.click(cart.center());
    EXPECT_TRUE(t.owner->rowClicks.empty());

    // Once the pointer has left the spot, the row is the row there again.
    t.move(t.onRow(0));
    t.move(cart.center());
    t.click(cart.center());
    EXPECT_EQ(t.owner->rowClicks.size(), 1u);
}

TEST(KXHomeListTableCellView, EnteringARowIsTracedWhenTheTraceIsOnUnlessTheListScrolls)
{
    Table t(sampleRows());
    auto& global = KXGlobalDataBase::sharedKXGlobalDataBase();
    global.setScrollSate(false);
    {
        testsupport::PageTrace off(false);
        t.move(t.onRow(2));
        EXPECT_TRUE(off.lines().empty()) << "off by default";
    }
    testsupport::PageTrace trace(true);
    t.move(t.onRow(0));
    t.move(t.onRow(0) + QPoint(30, 0)); // moving within the row enters nothing
    global.setScrollSate(true);
    t.move(t.onRow(1));
    global.setScrollSate(false);
    t.move(t.onRow(1));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(t.table->viewport(), &leave);
    t.move(t.onRow(1));
    // Row 0, row 1 once the list stopped, row 1 again after leaving.
    EXPECT_EQ(trace.lines(), std::vector<QString>(3, QStringLiteral("---进入")));
}

TEST(KXHomeListTableCellView, SmallRowsShrinkTheCartWithThePreview)
{
    Table t(sampleRows());
    t.table->setRowHeight(50);
    t.recordAt(0)->cellHeight = 50.0 / 3;
    fontlisttest::settle(t.window);
    t.move(t.onRow(0));
    ASSERT_TRUE(t.table->cartButton()->isVisible());
    EXPECT_EQ(t.table->cartButton()->height(), 15);
    EXPECT_EQ(t.table->rowPitch(), 53);
}

TEST(KXHomeListTableCellView, TheHeartbeatBadgeExplainsItself)
{
    Table t(sampleRows());
    const QPoint badge = t.pointIn(0, t.layout(0).geometry.heartbeat);
    QHelpEvent help(QEvent::ToolTip, badge, t.table->viewport()->mapToGlobal(badge));
    QApplication::sendEvent(t.table->viewport(), &help);
    EXPECT_EQ(QToolTip::text(), QString::fromUtf8("心动模式字体"));
    QToolTip::hideText();
}

TEST(KXHomeListTableCellView, AHundredThousandRowsPaintOnlyWhatIsInView)
{
    Table t(fontlisttest::records(100000));
    t.previews.source().holdLoads = true;
    const long long before = t.rows->paintCount();
    const int perPage = 600 / t.table->rowPitch() + 2;
    QScrollBar* bar = t.table->verticalScrollBar();
    for (int step = 0; step < 30; ++step) {
        bar->setValue(bar->maximum() * step / 29);
        t.table->viewport()->repaint();
    }
    const auto [first, last] = t.table->visibleRows();
    EXPECT_EQ(last, 99999);
    EXPECT_LE(t.rows->paintCount() - before, 31 * perPage) << "only the rows in view are painted";
    // Loads stay near the viewport: the rows of every page passed were asked for, all but those
    // within a page of the view were cancelled again.
    EXPECT_LE(t.table->previews().loadsInFlight(), static_cast<std::size_t>(3 * perPage));
    EXPECT_GT(t.previews.source().cancelled, 0u);
    EXPECT_LE(t.previews.source().inFlight(), static_cast<std::size_t>(3 * perPage));
    EXPECT_GE(first, 99999 - perPage);
}

TEST(KXHomeListTableCellView, ArrivedPreviewsRepaintTheirRowsAtTheirShape)
{
    Table t(sampleRows());
    EXPECT_GE(t.previews.source().requested.size(), 2u);
    dispatch::RunLoop::runUntil([&] { return t.table->previews().loadsInFlight() == 0; }, 5);
    fontlisttest::settle(t.window);
    const auto row = t.layout(1);
    // 600 x 80 pixels at 2x: 300 x 40 points drawn 30 high.
    EXPECT_EQ(row.geometry.preview.height, 30);
    EXPECT_EQ(row.geometry.preview.width, 225);
    EXPECT_EQ(row.geometry.preview.y, 43) << "centred on the area below the title";
    const QImage shot = t.table->viewport()->grab().toImage();
    const QPoint inPreview = t.rowRect(1).topLeft() + QPoint(30, 58);
    EXPECT_NE(shot.pixelColor(inPreview), QColor(Qt::white)) << "the preview is drawn";
}

TEST(KXHomeListTableCellView, AFailedPreviewIsAskedAgainWhenItsRowComesBack)
{
    Table t(foundation::MutableArray::create());
    auto& source = t.previews.source();
    source.failLoads = true;
    t.model.setRecords(fontlisttest::records(51)); // a preview of its own on every row
    fontlisttest::settle(t.window);
    const std::string url = t.rows->previewURL(*t.recordAt(0));
    const auto asked = [&] { return std::count(source.requested.begin(), source.requested.end(), url); };
    ASSERT_EQ(asked(), 1);
    QScrollBar* bar = t.table->verticalScrollBar();
    const auto scrollTo = [&](int value) {
        bar->setValue(value);
        t.table->viewport()->repaint();
        fontlisttest::settle(t.window);
    };
    const auto firstShown = [&] { return t.table->visibleRows().first; };

    // While the row stays in view its failure holds: repaints and small scrolls do not ask again
    // and again.
    for (const int value : {t.table->rowPitch() / 2, 0, t.table->rowPitch() / 3, 0})
        scrollTo(value);
    EXPECT_EQ(asked(), 1);

    // The service is still away: the row leaves the view and comes back, is asked once more, and
    // stays blank without asking again while it stays.
    scrollTo(t.table->rowPitch() + 1);
    ASSERT_EQ(firstShown(), 1);
    scrollTo(0);
    EXPECT_EQ(asked(), 2);
    for (int turn = 0; turn < 3; ++turn)
        scrollTo(0);
    EXPECT_EQ(asked(), 2) << "no loop while the service is away";

    // The service answers again: a page down, so the row is still near the view, and back.
    source.failLoads = false;
    const auto [top, bottom] = t.table->visibleRows();
    scrollTo((bottom - top + 1) * t.table->rowPitch());
    ASSERT_GT(firstShown(), 0);
    ASSERT_LE(firstShown(), bottom + 1) << "row 0 is within a page of the view";
    EXPECT_EQ(asked(), 2);
    scrollTo(0);
    EXPECT_EQ(asked(), 3);
    dispatch::RunLoop::runUntil([&] { return t.table->previews().loadsInFlight() == 0; }, 5);
    fontlisttest::settle(t.window);
    EXPECT_TRUE(t.table->previews().imageForURL(url)) << "the preview is shown";
    EXPECT_EQ(asked(), 3);
    EXPECT_TRUE(fontlisttest::saveScreenshot(t.window, "fontlist-previews-back-after-a-failure"));
}

TEST(KXHomeListTableCellView, APreviewThatFailsAfterItsRowLeftIsAskedWhenTheRowComesBack)
{
    Table t(foundation::MutableArray::create());
    auto& source = t.previews.source();
    source.holdLoads = true;
    source.failLoads = true;
    t.model.setRecords(fontlisttest::records(51));
    fontlisttest::settle(t.window);
    const std::string url = t.rows->previewURL(*t.recordAt(0));
    const auto asked = [&] { return std::count(source.requested.begin(), source.requested.end(), url); };
    ASSERT_EQ(asked(), 1);

    // A page down while the loads hang: they stay (the rows are near), then fail out of view.
    QScrollBar* bar = t.table->verticalScrollBar();
    const auto [top, bottom] = t.table->visibleRows();
    bar->setValue((bottom - top + 1) * t.table->rowPitch());
    fontlisttest::settle(t.window);
    ASSERT_EQ(t.previews.source().cancelled, 0u);
    source.release();
    fontlisttest::settle(t.window);
    EXPECT_EQ(t.table->previews().loadsInFlight(), 0u);

    // Back, the service answering again: the row asks and shows its preview.
    source.failLoads = false;
    bar->setValue(0);
    t.table->viewport()->repaint();
    fontlisttest::settle(t.window);
    EXPECT_EQ(asked(), 2);
    dispatch::RunLoop::runUntil([&] { return t.table->previews().loadsInFlight() == 0; }, 5);
    EXPECT_TRUE(t.table->previews().imageForURL(url));
}

TEST(KXHomeListTableCellView, AFailedPreviewWhoseRowLeftWithoutAScrollIsAskedWhenItComesBack)
{
    Table t(foundation::MutableArray::create());
    auto& source = t.previews.source();
    source.failLoads = true;
    t.model.setRecords(fontlisttest::records(51));
    fontlisttest::settle(t.window);
    const auto [top, bottom] = t.table->visibleRows();
    ASSERT_GT(bottom, top + 2);
    const std::string url = t.rows->previewURL(*t.recordAt(bottom));
    const auto asked = [&] { return std::count(source.requested.begin(), source.requested.end(), url); };
    ASSERT_EQ(asked(), 1);
    const auto settled = [&] {
        t.table->viewport()->repaint();
        fontlisttest::settle(t.window);
        return t.table->visibleRows().second;
    };

    // A smaller table, as a restored window, and back.
    t.table->resize(t.table->width(), t.table->height() - 2 * t.table->rowPitch());
    ASSERT_LT(settled(), bottom);
    t.table->resize(t.table->width(), t.table->height() + 2 * t.table->rowPitch());
    ASSERT_EQ(settled(), bottom);
    EXPECT_EQ(asked(), 2);

    // Taller rows, and back.
    const double height = t.table->rowPitch() - KXFontTableView::kIntercellSpacing;
    t.table->setRowHeight(height * 2);
    ASSERT_LT(settled(), bottom);
    t.table->setRowHeight(height);
    ASSERT_EQ(settled(), bottom);
    EXPECT_EQ(asked(), 3);
    settled();
    EXPECT_EQ(asked(), 3) << "a row that stays is not asked again";
}

TEST(KXHomeListTableCellView, PreviewsAreAskedForAtTheSizeOfTheirRows)
{
    Table t(foundation::MutableArray::create());
    t.model.setRecords(fontlisttest::records(20));
    fontlisttest::settle(t.window);
    const auto& source = t.previews.source();
    ASSERT_FALSE(source.boxes.empty());
    const QRect row = t.rowRect(0);
    const qreal ratio = t.table->devicePixelRatioF();
    for (const KXPreviewBox& box : source.boxes) {
        EXPECT_FALSE(box.fill) << "a preview is fitted into its row";
        EXPECT_EQ(box, KXPreviewBox::of(row.size(), ratio));
    }
    // A row a little wider keeps the box, so its previews stay where they are cached.
    EXPECT_EQ(KXPreviewBox::of(row.size() + QSize(4, 0), ratio), source.boxes.front());
}

TEST(KXPreviewBox, StepsUpByHalvesAndNeverBelowTheDrawnSize)
{
    EXPECT_EQ(KXPreviewBox::of(QSizeF(16, 10), 1).pixels, QSize(16, 16));
    EXPECT_EQ(KXPreviewBox::of(QSizeF(17, 24), 1).pixels, QSize(24, 24));
    EXPECT_EQ(KXPreviewBox::of(QSizeF(300, 40), 2).pixels, QSize(616, 81));
    EXPECT_EQ(KXPreviewBox::of(QSizeF(300, 40), 2, true).fill, true);
    EXPECT_FALSE(KXPreviewBox::of(QSizeF(0, 40), 1).pixels.isValid()) << "nothing drawn: no box";
    for (double length = 1; length < 5000; length *= 1.17) {
        const int side = KXPreviewBox::of(QSizeF(length, length), 1).pixels.width();
        EXPECT_GE(side, length);
        EXPECT_LE(side, std::max(16.0, length * 1.5 + 1));
    }
}

TEST(KXPreviewLoads, PartialImagesShowUntilTheLoadFinishes)
{
    // A source that answers by hand: a partial image first, the whole one later.
    class ManualSource final : public KXPreviewImageSource {
    public:
        foundation::Ref<graphics::Image> cachedImage(const std::string&, const KXPreviewBox&) override
        {
            return nullptr;
        }
        std::shared_ptr<Load> load(const std::string&, const KXPreviewBox&, Done answer) override
        {
            done = std::move(answer);
            return nullptr;
        }
        Done done;
    };
    auto source = std::make_shared<ManualSource>();
    const auto previous = KXPreviewImageSource::install(source);
    std::vector<std::string> arrivals;
    auto loads = KXPreviewLoads::create([&](const std::string& url) { arrivals.push_back(url); });
    EXPECT_FALSE(loads->imageForURL("https://svc.test/a.png"));
    ASSERT_TRUE(source->done);
    const auto partial = graphics::Image::create(QImage(4, 2, QImage::Format_ARGB32_Premultiplied));
    source->done(partial, false);
    EXPECT_EQ(loads->imageForURL("https://svc.test/a.png"), partial);
    source->done(nullptr, true);
    EXPECT_FALSE(loads->imageForURL("https://svc.test/a.png")) << "failed: the partial goes, no second load";
    EXPECT_EQ(arrivals.size(), 2u);
    EXPECT_EQ(loads->loadsStarted(), 1u);
    KXPreviewImageSource::install(previous);
}

TEST(KXPreviewLoads, LoadsWhoseCancelAnswersAtOnceLeaveAndTheirRowsAskAgain)
{
    // The image loader answers a cancelled load at once, with no image, from inside cancel().
    class AnsweringCancelSource final : public KXPreviewImageSource {
    public:
        class AnsweringLoad final : public Load {
        public:
            explicit AnsweringLoad(Done answer)
                : answer_(std::move(answer))
            {
            }
            void cancel() override
            {
                if (auto answer = std::exchange(answer_, nullptr))
                    answer(nullptr, true);
            }

        private:
            Done answer_;
        };
        foundation::Ref<graphics::Image> cachedImage(const std::string&, const KXPreviewBox&) override { return nullptr; }
        std::shared_ptr<Load> load(const std::string&, const KXPreviewBox&, Done answer) override
        {
            ++loads;
            return std::make_shared<AnsweringLoad>(std::move(answer));
        }
        int loads = 0;
    };
    auto source = std::make_shared<AnsweringCancelSource>();
    const auto previous = KXPreviewImageSource::install(source);
    auto loads = KXPreviewLoads::create(nullptr);
    std::unordered_set<std::string> urls;
    for (int row = 0; row < 40; ++row) {
        const std::string url = "https://svc.test/" + std::to_string(row) + ".png";
        urls.insert(url);
        EXPECT_FALSE(loads->imageForURL(url));
    }
    EXPECT_EQ(source->loads, 40);
    // A scroll far away: every load is dropped while the table is walked.
    loads->keepOnly({}, {});
    // The rows scrolled back: each asks again, none taken for a failure.
    for (const auto& url : urls)
        EXPECT_FALSE(loads->imageForURL(url));
    EXPECT_EQ(source->loads, 80);
    KXPreviewImageSource::install(previous);
}

TEST(KXPreviewLoads, AFinishedImageNoCacheKeptShowsWithoutLoadingAgainWhileItsRowIsWanted)
{
    // A source whose cache keeps nothing, as for an image whose data was cut short.
    class UncachingSource final : public KXPreviewImageSource {
    public:
        foundation::Ref<graphics::Image> cachedImage(const std::string&, const KXPreviewBox&) override
        {
            return nullptr;
        }
        std::shared_ptr<Load> load(const std::string&, const KXPreviewBox&, Done answer) override
        {
            ++loads;
            answer(graphics::Image::create(QImage(4, 2, QImage::Format_RGB32)), true);
            return nullptr;
        }
        int loads = 0;
    };
    auto source = std::make_shared<UncachingSource>();
    const auto previous = KXPreviewImageSource::install(source);
    auto loads = KXPreviewLoads::create(nullptr);
    const std::string url = "https://svc.test/cut.png";
    EXPECT_FALSE(loads->imageForURL(url));
    const auto shown = loads->imageForURL(url);
    ASSERT_TRUE(shown);
    EXPECT_EQ(loads->imageForURL(url), shown) << "repaints show it";
    loads->keepOnly({url}, {url});
    EXPECT_EQ(loads->imageForURL(url), shown);
    EXPECT_EQ(source->loads, 1);
    // Once its row is out of the wanted set the image goes, and the next view loads it again.
    loads->keepOnly({}, {});
    EXPECT_FALSE(loads->imageForURL(url));
    EXPECT_EQ(source->loads, 2);
    KXPreviewImageSource::install(previous);
}

// A service whose previews all fail, answered at once as the image loader answers a URL it has
// blocked: the pointer rests on a row for sale while the wheel carries the list a page on. The row
// under the pointer left the view; arrivals of other previews must not lay it out again and again
// (each layout asked for its preview, whose failure arrived and asked again: a stack overflow).
TEST(KXHomeListTableCellView, FailingPreviewsOfARowScrolledFromUnderThePointerAreNotAskedAgainAndAgain)
{
    class FailingAtOnceSource final : public KXPreviewImageSource {
    public:
        foundation::Ref<graphics::Image> cachedImage(const std::string&, const KXPreviewBox&) override { return nullptr; }
        // Past ten asks for one URL the loads hang unanswered, so that a page asking without end
        // fails the test instead of never ending it.
        class Unanswered final : public Load {
        public:
            void cancel() override { }
        };
        std::shared_ptr<Load> load(const std::string& url, const KXPreviewBox&, Done answer) override
        {
            if (++asked[url] > 10)
                return std::make_shared<Unanswered>();
            answer(nullptr, true);
            return nullptr;
        }
        std::map<std::string, int> asked;
    };
    auto records = fontlisttest::records(51);
    for (std::size_t i = 0; i < records->count(); ++i)
        records->objectAtIndex(i).as<KXFontBaseModel>()->is_sell = 1;
    Table t(records);
    KXGlobalDataBase::sharedKXGlobalDataBase().setScrollSate(false);
    auto source = std::make_shared<FailingAtOnceSource>();
    const auto previous = KXPreviewImageSource::install(source);
    t.table->previews().forgetFailures();
    t.table->viewport()->repaint();
    fontlisttest::settle(t.window);
    t.move(t.onRow(0));
    ASSERT_EQ(t.table->hoveredIndex().row(), 0);
    ASSERT_TRUE(t.table->cartButton()->isVisible());
    const std::string url = t.rows->previewURL(*t.recordAt(0));

    const auto [top, bottom] = t.table->visibleRows();
    t.table->verticalScrollBar()->setValue((bottom - top + 1) * t.table->rowPitch());
    t.table->viewport()->repaint();
    for (int turn = 0; turn < 20; ++turn)
        fontlisttest::settle(t.window);
    EXPECT_EQ(t.table->hoveredIndex().row(), 0) << "the pointer did not move";
    EXPECT_FALSE(t.table->cartButton()->isVisible()) << "its row is out of view";
    EXPECT_LE(source->asked[url], 2) << "the row out of view kept asking for its preview";
    // Every row in view asked once since the scroll, not once per arrival.
    const auto [first, last] = t.table->visibleRows();
    for (int row = first; row <= last; ++row)
        EXPECT_LE(source->asked[t.rows->previewURL(*t.recordAt(row))], 2) << "row " << row;
    KXPreviewImageSource::install(previous);
}

// A source that answers inside load(): the page hears of it on the main queue's next turn, not
// from inside its own request.
TEST(KXPreviewLoads, AnAnswerGivenWhileAskingArrivesOnTheNextTurn)
{
    class AnsweringAtOnceSource final : public KXPreviewImageSource {
    public:
        foundation::Ref<graphics::Image> cachedImage(const std::string&, const KXPreviewBox&) override { return nullptr; }
        std::shared_ptr<Load> load(const std::string&, const KXPreviewBox&, Done answer) override
        {
            answer(nullptr, true);
            return nullptr;
        }
    };
    auto source = std::make_shared<AnsweringAtOnceSource>();
    const auto previous = KXPreviewImageSource::install(source);
    int arrivals = 0;
    bool asking = false;
    auto loads = KXPreviewLoads::create([&](const std::string&) {
        EXPECT_FALSE(asking) << "heard inside the request";
        ++arrivals;
    });
    asking = true;
    EXPECT_FALSE(loads->imageForURL("https://svc.test/gone.png"));
    asking = false;
    EXPECT_EQ(arrivals, 0);
    dispatch::RunLoop::drain();
    EXPECT_EQ(arrivals, 1);
    // A page gone before that turn hears nothing.
    EXPECT_FALSE(loads->imageForURL("https://svc.test/other.png"));
    loads.reset();
    dispatch::RunLoop::drain();
    EXPECT_EQ(arrivals, 1);
    KXPreviewImageSource::install(previous);
}
