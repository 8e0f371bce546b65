// Where the hub's pages lie on a window wider than the menu and a page: over the whole list to the
// window's right edge, their content laid out for that width (cards centred at the column's
// widest), and nothing beneath them taking clicks, wheel turns or keys; at the designed window,
// as designed.
#include "Class/Account/KXPersonalCenterView.h"
#include "Class/Favourites/KXFontManagerDetailView.h"
#include "Class/Favourites/KXFontManagerView.h"
#include "Class/Favourites/KXHomeRecomDetailView.h"
#include "Class/Favourites/KXHomeRecommendView.h"
#include "Class/Favourites/KXMyfocusSetView.h"
#include "Class/Favourites/KXRecordList.h"
#include "Class/FontList/KXHomeListView.h"
#include "Class/Home/KXHomeGroupTableView.h"
#include "Class/Home/KXTopSubview.h"
#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"
#include "Class/Account/KXPersonalStubPage.h"
#include "Class/Store/KXFontsSaleList.h"
#include "Class/UIKit/KXPageColumn.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/Foundation/String.h"
#include "HomeTestSupport.h"
#include "ScreenshotSupport.h"

#include <QApplication>
#include <QImage>
#include <QPointer>
#include <QScrollArea>
#include <QTest>
#include <QWheelEvent>

#include <functional>
#include <map>
#include <set>
#include <string>

namespace {

constexpr int kWideWindow = 1600;
// The menu and a page at their designed widths.
constexpr int kDesignedWindow = KXHomeViewController::kMenuWidth + KXHomeViewController::kPageWidth;

// Counts the pointer events that reach the font list or anything in it.
class ListEvents final : public QObject {
public:
    explicit ListEvents(QWidget* list)
        : list_(list)
    {
        qApp->installEventFilter(this);
    }
    ~ListEvents() override { qApp->removeEventFilter(this); }
    int count() const { return count_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const auto type = event->type();
        const bool pointer = type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease || type == QEvent::Wheel;
        if (pointer && watched->isWidgetType() && (watched == list_ || list_->isAncestorOf(static_cast<QWidget*>(watched))))
            ++count_;
        return false;
    }

private:
    QWidget* list_;
    int count_ = 0;
};

class KXHomePagePlacementTest : public hometest::HubTest {
protected:
    KXHomeViewController& openWide()
    {
        signIn();
        auto follows = foundation::MutableArray::create();
        // A description of several lines: the collection page's header wraps it across the page.
        const foundation::Id description(
            foundation::String::create(QStringLiteral("书籍与海报里常见的衬线字体，笔画末端带有装饰，适合长文排版。").repeated(5).toStdString()));
        for (long long id : {101, 102})
            follows->addObject(foundation::Id(foundation::Dictionary::create(
                {{foundation::Id("id"), foundation::Id(id)}, {foundation::Id("collect_name"), foundation::Id("合集")},
                 {foundation::Id("collect_desc"), description}})));
        KXUserCenterConfig::sharedKXUserCenterConfig().setFollowsArray(follows);
        auto& home = open();
        home.resize(kWideWindow, home.height());
        layOut();
        return home;
    }

    // What a user pointing at `point` of the hub reaches, pressed and turned there.
    static QWidget* pointAt(KXHomeViewController& home, QPoint point)
    {
        QWidget* target = home.childAt(point);
        if (!target)
            return nullptr;
        const QPoint local = target->mapFrom(&home, point);
        QTest::mouseClick(target, Qt::LeftButton, {}, local);
        QWheelEvent wheel(local, target->mapToGlobal(local), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(target, &wheel);
        return target;
    }

    // How far right the page's visible content reaches, in the page's coordinates.
    static int contentReach(QWidget* page)
    {
        int reach = 0;
        for (QWidget* part : page->findChildren<QWidget*>()) {
            if (part->isVisibleTo(page) && !part->isWindow())
                reach = std::max(reach, part->mapTo(page, QPoint(part->width(), 0)).x());
        }
        return reach;
    }
};

// The widgets a page's lists place in their viewports: cell widgets, store rows.
std::vector<QWidget*> cellsOf(QWidget* page)
{
    std::vector<QWidget*> cells;
    for (auto* area : page->findChildren<QAbstractScrollArea*>()) {
        if (qobject_cast<QScrollArea*>(area) || !area->isVisibleTo(page))
            continue;
        for (QObject* child : area->viewport()->children()) {
            auto* cell = qobject_cast<QWidget*>(child);
            if (cell && cell->isVisibleTo(page))
                cells.push_back(cell);
        }
    }
    return cells;
}

// The parts inside a cell that span its width.
std::vector<QWidget*> spanning(QWidget* cell)
{
    std::vector<QWidget*> parts;
    for (QWidget* part : cell->findChildren<QWidget*>()) {
        const QRect inCell(part->mapTo(cell, QPoint(0, 0)), part->size());
        if (part->isVisibleTo(cell) && inCell.left() <= 0 && inCell.right() >= cell->width() - 1)
            parts.push_back(part);
    }
    return parts;
}

} // namespace

TEST_F(KXHomePagePlacementTest, EveryPageFromTheMenuFillsAWideWindow)
{
    auto& home = openWide();
    ASSERT_GE(home.followArray()->count(), 1u);
    const foundation::Id collection = home.followArray()->objectAtIndex(0);
    const foundation::Id folder(foundation::Dictionary::create(
        {{foundation::Id("id"), foundation::Id(7LL)}, {foundation::Id("group_name"), foundation::Id("收藏夹")}}));
    struct Page {
        const char* name;
        const char* picture;
        std::function<void()> open;
        std::function<bool(QWidget*)> is;
    };
    const std::vector<Page> pages{
        {"推荐", "recommend", [&] { home.tabViewTouched(home.recommendBtn()); },
         [](QWidget* page) { return qobject_cast<KXHomeRecommendView*>(page) != nullptr; }},
        {"收藏的字体", "folders", [&] { home.tabViewTouched(home.fontManagerBtn()); },
         [](QWidget* page) { return qobject_cast<KXFontManagerView*>(page) != nullptr; }},
        {"关注的合集", "follows", [&] { home.tabViewTouched(home.myFocusBtn()); },
         [](QWidget* page) { return qobject_cast<KXMyfocusSetView*>(page) != nullptr; }},
        {"a followed collection from the pop-up", "collection",
         [&] { home.KXGroupExtendCellClik(collection, QStringLiteral("myfocus")); },
         [&](QWidget* page) { return page && page == home.myfocusDetailView(); }},
        {"a followed collection from the side table", nullptr,
         [&] {
             home.followTableview()->setClickedRow(0);
             home.detailFollowAction();
         },
         [&](QWidget* page) { return page && page == home.recomDetailView(); }},
        {"a folder from the pop-up", "folder", [&] { home.KXGroupExtendCellClik(folder, QStringLiteral("fontManage")); },
         [](QWidget* page) { return qobject_cast<KXFontManagerDetailView*>(page) != nullptr; }},
        {"the personal centre", "personal-centre", [&] { home.avatarClick(); },
         [](QWidget* page) { return qobject_cast<KXPersonalCenterView*>(page) != nullptr; }},
        {"the change of password", "change-password",
         [] {
             dispatch::NotificationCenter::defaultCenter().post(
                 "homeNotificationCenter", foundation::Id(),
                 foundation::Dictionary::create({{foundation::Id("eveType"), foundation::Id("forgetPwd")}}));
         },
         [](QWidget* page) { return qobject_cast<KXPersonalChangePwd*>(page) != nullptr; }},
        {"the cart", "cart", [&] { home.shoppingCartBtnClick(); },
         [](QWidget* page) { return qobject_cast<KXFontsSaleList*>(page) != nullptr; }},
    };

    const int menuEdge = home.leftMenu()->geometry().right() + 1;
    const int pageWidth = kWideWindow - menuEdge;
    int cardLists = 0;
    for (const Page& each : pages) {
        SCOPED_TRACE(each.name);
        home.tabViewTouched(home.cloudBtn());
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        each.open();
        settle();
        QWidget* page = kx_topSubview(&home);
        ASSERT_TRUE(each.is(page));
        EXPECT_EQ(page->geometry(), QRect(menuEdge, 0, pageWidth, home.height())) << "to the right edge";
        EXPECT_GE(contentReach(page), pageWidth - 20) << "its content laid out across the page";
        for (auto* list : page->findChildren<KXRecordListView*>()) {
            if (!list->isVisibleTo(page) || list->model()->rowCount() == 0)
                continue;
            ++cardLists;
            const QRect item = list->visualRect(list->model()->index(0, 0));
            const QRect card = list->rowRect(item);
            ASSERT_GT(item.width(), KXRecordListView::kMaxRowWidth);
            EXPECT_EQ(card.width(), KXRecordListView::kMaxRowWidth) << "a card no wider than the column";
            EXPECT_LE(std::abs(card.center().x() - item.center().x()), 1) << "centred in the list";
        }

        // The pages draw their own colours in both palettes; the pictures show it.
        if (each.picture) {
            for (const char* palette : {"day", "night"}) {
                shelltest::saveScreenshot(&home, QStringLiteral("page-wide-%1-%2").arg(each.picture, palette));
                home.rightListview()->themeClick();
                settle();
            }
        }

        ListEvents reaching(home.rightListview());
        const QPoint past(kWideWindow - 100, home.height() / 2);
        QWidget* target = pointAt(home, past);
        ASSERT_NE(target, nullptr);
        EXPECT_TRUE(target == page || page->isAncestorOf(target));
        EXPECT_EQ(reaching.count(), 0) << "the list beneath takes nothing";
        EXPECT_EQ(kx_topSubview(&home), page) << "nothing opened over the page";
    }
    EXPECT_GE(cardLists, 3) << "the recommended, folder and followed cards were looked at";
}

TEST_F(KXHomePagePlacementTest, TheSpanFollowsTheWindowAndLeavesWithThePage)
{
    auto& home = openWide();
    home.tabViewTouched(home.recommendBtn());
    layOut();
    QWidget* page = kx_topSubview(&home);
    const int menuEdge = home.leftMenu()->geometry().right() + 1;

    home.resize(1000, 700);
    layOut();
    EXPECT_EQ(page->geometry(), QRect(menuEdge, 0, 1000 - menuEdge, 700));
    home.changewidthClick();
    layOut();
    const int collapsedEdge = home.leftMenu()->geometry().right() + 1;
    ASSERT_LT(collapsedEdge, menuEdge);
    EXPECT_EQ(page->geometry(), QRect(collapsedEdge, 0, home.width() - collapsedEdge, 700)) << "beside the collapsed menu";
    home.changewidthClick();
    layOut();
    home.resize(400, 700);
    layOut();
    EXPECT_EQ(page->geometry(), QRect(menuEdge, 0, KXHomeViewController::kPageWidth, 700)) << "as designed when it fits";
    EXPECT_LE(contentReach(page), KXHomeViewController::kPageWidth) << "and its content as designed";
    home.resize(300, 700);
    layOut();
    EXPECT_EQ(page->width(), KXHomeViewController::kPageWidth) << "never narrower than designed";

    // The kept detail page leaves the hub and comes back the width the hub then has.
    home.resize(kWideWindow, 700);
    home.followTableview()->setClickedRow(0);
    home.detailFollowAction();
    layOut();
    KXHomeRecomDetailView* detail = home.recomDetailView();
    ASSERT_EQ(kx_topSubview(&home), detail);
    EXPECT_EQ(detail->geometry().right(), kWideWindow - 1);
    home.tabViewTouched(home.cloudBtn());
    ASSERT_EQ(detail->parentWidget(), nullptr);
    home.resize(1200, 700);
    home.followTableview()->setClickedRow(0);
    home.detailFollowAction();
    layOut();
    EXPECT_EQ(detail->geometry(), QRect(menuEdge, 0, 1200 - menuEdge, 700));
}

// A maximise, a restore and a resize give a page a new width: each cell its lists place is laid
// out from the width it has after the change, inside the page, and what spanned a cell spans it.
TEST_F(KXHomePagePlacementTest, EveryCellFollowsEverySizeOfItsPage)
{
    // The demo user has fonts in the cart and a published collection.
    auto& home = openWide();
    struct Page {
        const char* name;
        std::function<void()> open;
    };
    const std::vector<Page> pages {
        { "the personal centre", [&] { home.avatarClick(); } },
        { "the cart", [&] { home.shoppingCartBtnClick(); } },
        { "推荐", [&] { home.tabViewTouched(home.recommendBtn()); } },
        { "收藏的字体", [&] { home.tabViewTouched(home.fontManagerBtn()); } },
        { "关注的合集", [&] { home.tabViewTouched(home.myFocusBtn()); } },
    };
    const auto settleLayout = [] {
        // An item view places its cells a few turns of the event loop after its own resize.
        for (int turn = 0; turn < 6; ++turn)
            QApplication::processEvents();
    };
    std::set<std::string> withCells;
    for (const Page& each : pages) {
        SCOPED_TRACE(each.name);
        home.resize(kWideWindow, 860);
        home.tabViewTouched(home.cloudBtn());
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        home.resize(kDesignedWindow, 860);
        each.open();
        settle();
        settleLayout();
        QWidget* page = kx_topSubview(&home);
        ASSERT_NE(page, nullptr);
        std::map<QWidget*, std::vector<QPointer<QWidget>>> spans;
        for (QWidget* cell : cellsOf(page))
            for (QWidget* part : spanning(cell))
                spans[cell].emplace_back(part);
        for (const int width : { kWideWindow, 900, kDesignedWindow, 1366, 900 }) {
            SCOPED_TRACE(testing::Message() << "window " << width << " wide");
            home.resize(width, 700);
            settleLayout();
            for (QWidget* cell : cellsOf(page)) {
                withCells.insert(each.name);
                const QRect inPage(cell->mapTo(page, QPoint(0, 0)), cell->size());
                EXPECT_LE(inPage.right(), page->width() - 1)
                    << cell->metaObject()->className() << " cut at the page's edge";
                for (QWidget* part : cell->findChildren<QWidget*>()) {
                    if (!part->isVisibleTo(cell))
                        continue;
                    EXPECT_LE(part->mapTo(cell, QPoint(part->width(), 0)).x(), cell->width())
                        << part->metaObject()->className() << " beyond its cell";
                }
                for (const QPointer<QWidget>& part : spans[cell]) {
                    if (!part)
                        continue;
                    EXPECT_EQ(part->width(), cell->width())
                        << part->metaObject()->className() << " no longer spans its "
                        << cell->metaObject()->className();
                }
            }
        }
    }
    EXPECT_TRUE(withCells.count("the personal centre")) << "its published card";
    EXPECT_TRUE(withCells.count("the cart")) << "its rows";
}
