// The row's rectangles against its constraint table laid out by the constraint solver on a view
// tree without widgets: the arithmetic must give what the constraints give.
#include "Class/FontList/Core/KXRowGeometry.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"
#include "Platform/AutoLayout/BasicView.h"
#include "Platform/AutoLayout/LayoutEngine.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using autolayout::BasicView;
using autolayout::Rect;

namespace {

struct RowTree {
    std::shared_ptr<BasicView> row = BasicView::create("row");
    std::shared_ptr<BasicView> add(const std::string& name)
    {
        auto view = BasicView::create(name);
        row->addSubview(view);
        return view;
    }
    std::shared_ptr<BasicView> localName = add("centerTitleLabel");
    std::shared_ptr<BasicView> preview = add("cimageView");
    std::shared_ptr<BasicView> bottomArea = add("bottomView");
    std::shared_ptr<BasicView> rowButton = add("aboveBtn");
    std::shared_ptr<BasicView> title = add("titleLabel");
    std::shared_ptr<BasicView> favourite = add("collectionBtn");
    std::shared_ptr<BasicView> installedMark = add("state2ImgView");
    std::shared_ptr<BasicView> licence = add("authorizeBtn");
    std::shared_ptr<BasicView> bottomLine = add("bottomLine");
    std::shared_ptr<BasicView> newest = add("newestBtn");
    std::shared_ptr<BasicView> free = add("freeBtn");
    std::shared_ptr<BasicView> hot = add("hotBtn");
    std::shared_ptr<BasicView> heartbeat = add("heartbeatBtn");
    std::shared_ptr<BasicView> gbk = add("gbkBtn");
    std::shared_ptr<BasicView> threeD = add("threeDBtn");
    std::shared_ptr<BasicView> localIcon = add("localFontImgV");
    std::shared_ptr<BasicView> cart = add("buyCartsBtn");
    std::shared_ptr<BasicView> ring = add("cellProgressView");
    std::shared_ptr<BasicView> status = add("stateImgView");

    explicit RowTree(const KXRowGeometry::Input& in)
    {
        title->setIntrinsicContentSize({in.titleWidth, 15});
        localName->setIntrinsicContentSize({autolayout::noIntrinsicMetric, in.localNameHeight});
        installedMark->setIntrinsicContentSize({in.installedMarkWidth, 10});

        lc_makeConstraints(*title, [&](LCConstraintMaker& make) {
            make.left().equalTo(in.titleIndented ? 25 : 8);
            make.top().equalTo(10);
            make.height().equalTo(15);
        });
        auto badge = [&](BasicView& view, autolayout::View& before, double gap, bool shown, double height) {
            lc_makeConstraints(view, [&](LCConstraintMaker& make) {
                make.left().equalTo(lc_right(before)).offset(gap);
                make.centerY().equalTo(lc_centerY(*title)).offset(1);
                make.width().equalTo(shown ? 22 : 0.01);
                make.height().equalTo(height);
            });
        };
        badge(*newest, *title, 0, in.badges.newest, 12);
        badge(*free, *newest, 1.5, in.badges.free, 12);
        badge(*hot, *free, 1.5, in.badges.hot, 16);
        badge(*heartbeat, *hot, 1.5, in.badges.heartbeat, 16);
        badge(*gbk, *heartbeat, 1.5, in.badges.gbk, 12);
        badge(*threeD, *gbk, 1.5, in.badges.threeD, 12);
        lc_makeConstraints(*localIcon, [&](LCConstraintMaker& make) {
            make.right().equalTo(-13);
            make.centerY().equalTo(lc_centerY(*title));
            make.width().height().equalTo(16);
        });
        lc_makeConstraints(*favourite, [&](LCConstraintMaker& make) {
            make.right().equalTo(-15);
            make.centerY().equalTo(lc_centerY(*title));
            make.width().height().equalTo(20);
        });
        lc_makeConstraints(*bottomArea, [&](LCConstraintMaker& make) {
            make.top().equalTo(25);
            make.right().bottom().equalTo(0);
            make.width().equalTo(50);
        });
        lc_makeConstraints(*preview, [&](LCConstraintMaker& make) {
            if (in.previewImageSize) {
                make.centerY().equalTo(lc_centerY(*bottomArea));
                make.left().equalTo(8);
                make.height().equalTo(in.cellHeight);
                make.width().equalTo(lc_height(*preview)).multipliedBy(in.previewImageSize->width / in.previewImageSize->height);
            } else {
                make.top().equalTo(25);
                make.left().equalTo(8);
                make.height().equalTo(30);
                make.width().equalTo(200);
            }
        });
        lc_makeConstraints(*localName, [&](LCConstraintMaker& make) {
            make.top().equalTo(25);
            make.left().equalTo(8);
            make.width().equalTo(lc_height(*localName)).multipliedBy(6.7);
        });
        lc_makeConstraints(*rowButton, [&](LCConstraintMaker& make) {
            make.top().bottom().equalTo(0);
            make.left().equalTo(8);
            make.width().equalTo(2000);
        });
        lc_makeConstraints(*installedMark, [&](LCConstraintMaker& make) {
            make.left().equalTo(3);
            make.top().equalTo(15);
            make.height().equalTo(10);
        });
        lc_makeConstraints(*licence, [&](LCConstraintMaker& make) {
            make.right().equalTo(-8);
            make.bottom().equalTo(-4);
            make.height().equalTo(16);
            make.width().equalTo(130);
        });
        lc_makeConstraints(*bottomLine, [&](LCConstraintMaker& make) {
            make.left().equalTo(8);
            make.right().equalTo(-8);
            make.bottom().equalTo(0);
            make.height().equalTo(1);
        });
        lc_makeConstraints(*cart, [&](LCConstraintMaker& make) {
            make.right().equalTo(-9);
            if (in.cellHeight < 20) {
                make.centerY().equalTo(lc_centerY(*preview));
                make.width().equalTo(in.cellHeight * 1.2 * 0.9);
                make.height().equalTo(in.cellHeight * 0.9);
            } else {
                make.centerY().equalTo(lc_centerY(*preview)).offset(-2);
                make.width().equalTo(35);
                make.height().equalTo(29);
            }
        });
        lc_makeConstraints(*ring, [&](LCConstraintMaker& make) {
            make.right().equalTo(-10);
            make.centerY().equalTo(0);
            make.width().height().equalTo(38);
        });
        lc_makeConstraints(*status, [&](LCConstraintMaker& make) {
            make.centerY().equalTo(lc_centerY(*bottomArea));
            make.centerX().equalTo(lc_centerX(*favourite));
            make.width().height().equalTo(20);
        });
    }
};

void expectNear(const Rect& solved, const Rect& computed, const char* part)
{
    EXPECT_NEAR(solved.x, computed.x, 1e-6) << part;
    EXPECT_NEAR(solved.y, computed.y, 1e-6) << part;
    EXPECT_NEAR(solved.width, computed.width, 1e-6) << part;
    EXPECT_NEAR(solved.height, computed.height, 1e-6) << part;
}

void compare(const KXRowGeometry::Input& in)
{
    RowTree tree(in);
    autolayout::LayoutEngine engine(*tree.row);
    engine.layout({in.rowWidth, in.rowHeight});
    EXPECT_TRUE(engine.droppedConstraints().empty());
    const KXRowGeometry g = KXRowGeometry::layout(in);
    expectNear(tree.title->frame(), g.title, "title");
    expectNear(tree.newest->frame(), g.newest, "newest");
    expectNear(tree.free->frame(), g.free, "free");
    expectNear(tree.hot->frame(), g.hot, "hot");
    expectNear(tree.heartbeat->frame(), g.heartbeat, "heartbeat");
    expectNear(tree.gbk->frame(), g.gbk, "gbk");
    expectNear(tree.threeD->frame(), g.threeD, "threeD");
    expectNear(tree.localIcon->frame(), g.localFontIcon, "local icon");
    expectNear(tree.favourite->frame(), g.favourite, "favourite");
    expectNear(tree.preview->frame(), g.preview, "preview");
    expectNear(tree.localName->frame(), g.localName, "local name");
    expectNear(tree.bottomArea->frame(), g.bottomArea, "bottom area");
    expectNear(tree.rowButton->frame(), g.rowButton, "row button");
    expectNear(tree.installedMark->frame(), g.installedMark, "installed mark");
    expectNear(tree.licence->frame(), g.licenceLink, "licence link");
    expectNear(tree.bottomLine->frame(), g.bottomLine, "bottom line");
    expectNear(tree.cart->frame(), g.cart, "cart");
    expectNear(tree.ring->frame(), g.ring, "ring");
    expectNear(tree.status->frame(), g.statusImage, "status image");
}

} // namespace

TEST(KXRowGeometry, CatalogueRowAtTheStartSizeMatchesItsConstraints)
{
    KXRowGeometry::Input in;
    in.rowWidth = 990;
    in.rowHeight = 90;
    in.titleWidth = 118;
    in.badges.newest = true;
    in.badges.hot = true;
    in.badges.gbk = true;
    in.cellHeight = 30;
    in.localNameHeight = 30;
    compare(in);
    const auto g = KXRowGeometry::layout(in);
    EXPECT_EQ(g.free.width, 0) << "a hidden badge keeps its gaps but no pixel";
    EXPECT_EQ(g.hot.x, 151) << "8 + 118 + 22 + 1.5 + 0.01 + 1.5, rounded";
}

TEST(KXRowGeometry, ArrivedPreviewAndInstalledTitleMatchTheirConstraints)
{
    KXRowGeometry::Input in;
    in.rowWidth = 640;
    in.rowHeight = 180;
    in.titleWidth = 64.5;
    in.titleIndented = true;
    in.badges.heartbeat = true;
    in.badges.threeD = true;
    in.cellHeight = 60;
    in.previewImageSize = autolayout::Size{600, 100};
    in.localNameHeight = 61;
    compare(in);
}

TEST(KXRowGeometry, SmallRowsShrinkTheCartWithTheRow)
{
    KXRowGeometry::Input in;
    in.rowWidth = 500;
    in.rowHeight = 50;
    in.titleWidth = 40;
    in.cellHeight = 50.0f / 3.0f;
    in.previewImageSize = autolayout::Size{300, 50};
    compare(in);
    const auto g = KXRowGeometry::layout(in);
    EXPECT_EQ(g.cart.height, 15) << "cellHeight x 0.9 instead of 29";
}

TEST(KXRowGeometry, ALongTitleGivesWayToItsBadgesBeforeTheStar)
{
    KXRowGeometry::Input in;
    in.rowWidth = 290;
    in.titleWidth = 220;
    in.badges.newest = in.badges.free = in.badges.hot = in.badges.heartbeat = true;
    auto g = KXRowGeometry::layout(in);
    EXPECT_EQ(g.favourite.x, 255);
    EXPECT_EQ(g.threeD.x, 251) << "the badges' run, hidden ones included, ends 4 before the star";
    EXPECT_EQ(g.heartbeat.x + g.heartbeat.width, 248);
    EXPECT_EQ(g.newest.width, KXRowGeometry::kBadgeWidth);
    EXPECT_EQ(g.title.width, 147) << "what is left: 251 - 4 x 22 - 5 x 1.5 - 2 x 0.01 - 8, rounded";

    // No room at all: the title vanishes, it never turns round.
    in.rowWidth = 120;
    g = KXRowGeometry::layout(in);
    EXPECT_EQ(g.title.width, 0);
    EXPECT_EQ(g.newest.x, 8);

    // A title that fits keeps its own width.
    in.rowWidth = 990;
    g = KXRowGeometry::layout(in);
    EXPECT_EQ(g.title.width, 220);
}
