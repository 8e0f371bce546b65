#include "Platform/AutoLayout/BasicView.h"
#include "Platform/AutoLayout/LayoutConstraint.h"
#include "Platform/AutoLayout/LayoutEngine.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace autolayout;

namespace {

using A = LayoutAttribute;
constexpr auto EQ = LayoutRelation::Equal;

std::shared_ptr<LayoutConstraint> pin(View& holder, View& a, A aa, View* b, A ba, double constant = 0.0,
    double multiplier = 1.0, LayoutRelation relation = EQ)
{
    auto constraint = LayoutConstraint::constraintWithItem(&a, aa, relation, b, ba, multiplier, constant);
    holder.addConstraint(constraint);
    return constraint;
}

std::shared_ptr<BasicView> child(BasicView& parent, const std::string& name)
{
    auto view = BasicView::create(name);
    view->setTranslatesAutoresizingMaskIntoConstraints(false);
    parent.addSubview(view);
    return view;
}

struct Page {
    std::shared_ptr<BasicView> root = BasicView::create("root");
    std::shared_ptr<BasicView> menu = child(*root, "menu");
    std::shared_ptr<BasicView> panel = child(*root, "panel");
    std::shared_ptr<BasicView> list = child(*root, "list");
    std::vector<std::shared_ptr<BasicView>> rows;

    Page()
    {
        View& r = *root;
        pin(r, *menu, A::Left, &r, A::Left);
        pin(r, *menu, A::Top, &r, A::Top);
        pin(r, *menu, A::Bottom, &r, A::Bottom);
        pin(*menu, *menu, A::Width, nullptr, A::NotAnAttribute, 200);
        pin(r, *panel, A::Left, menu.get(), A::Right);
        pin(r, *panel, A::Top, &r, A::Top);
        pin(r, *panel, A::Bottom, &r, A::Bottom);
        pin(*panel, *panel, A::Width, nullptr, A::NotAnAttribute, 310);
        pin(r, *list, A::Left, panel.get(), A::Right, 10);
        pin(r, *list, A::Right, &r, A::Right, -10);
        pin(r, *list, A::Top, &r, A::Top, 20);
        pin(r, *list, A::Bottom, &r, A::Bottom);
        View* above = nullptr;
        for (int i = 0; i < 3; ++i) {
            auto row = child(*list, "row" + std::to_string(i));
            pin(*list, *row, A::Left, list.get(), A::Left);
            pin(*list, *row, A::Right, list.get(), A::Right);
            pin(*row, *row, A::Height, nullptr, A::NotAnAttribute, 40);
            if (above)
                pin(*list, *row, A::Top, above, A::Bottom, 1);
            else
                pin(*list, *row, A::Top, list.get(), A::Top);
            above = row.get();
            rows.push_back(row);
        }
    }
};

} // namespace

namespace autolayout {
void PrintTo(const Rect& r, std::ostream* out)
{
    *out << "{" << r.x << ", " << r.y << ", " << r.width << ", " << r.height << "}";
}
} // namespace autolayout

TEST(LayoutEngineFrames, TypicalPageFollowsAWindowResize)
{
    Page page;
    LayoutEngine engine(*page.root);
    engine.layout(Size { 1000, 700 });
    EXPECT_EQ(page.menu->frame(), (Rect { 0, 0, 200, 700 }));
    EXPECT_EQ(page.panel->frame(), (Rect { 200, 0, 310, 700 }));
    EXPECT_EQ(page.list->frame(), (Rect { 520, 20, 470, 680 }));
    EXPECT_EQ(page.rows[2]->frame(), (Rect { 0, 82, 470, 40 }));

    engine.layout(Size { 1280, 800 });
    EXPECT_EQ(page.menu->frame(), (Rect { 0, 0, 200, 800 }));
    EXPECT_EQ(page.list->frame(), (Rect { 520, 20, 750, 780 }));
    EXPECT_EQ(page.rows[1]->frame(), (Rect { 0, 41, 750, 40 }));
}

TEST(LayoutEngineFrames, ConstantChangeAndRemovalAreReSolved)
{
    Page page;
    LayoutEngine engine(*page.root);
    engine.layout(Size { 1000, 700 });
    auto width = page.panel->constraints().front();
    width->setConstant(400);
    engine.layout(Size { 1000, 700 });
    EXPECT_EQ(page.list->frame(), (Rect { 610, 20, 380, 680 }));

    ASSERT_TRUE(width->setActive(false));
    pin(*page.panel, *page.panel, A::Width, nullptr, A::NotAnAttribute, 100);
    engine.layout(Size { 1000, 700 });
    EXPECT_EQ(page.list->frame(), (Rect { 310, 20, 680, 680 }));
}

TEST(LayoutEngineFrames, MultiplierIsAppliedInTheHoldingViewsSpace)
{
    // The holder sits at x = 100; its own right counts as its width, so right * 0.5 is the
    // middle of the holder, not of the window.
    auto root = BasicView::create("root");
    auto holder = child(*root, "holder");
    auto item = child(*holder, "item");
    pin(*root, *holder, A::Left, root.get(), A::Left, 100);
    pin(*root, *holder, A::Top, root.get(), A::Top);
    pin(*holder, *holder, A::Width, nullptr, A::NotAnAttribute, 400);
    pin(*holder, *holder, A::Height, nullptr, A::NotAnAttribute, 100);
    pin(*holder, *item, A::Right, holder.get(), A::Right, 25, 0.5);
    pin(*item, *item, A::Width, nullptr, A::NotAnAttribute, 50);
    pin(*holder, *item, A::Top, holder.get(), A::Top);
    pin(*item, *item, A::Height, nullptr, A::NotAnAttribute, 10);
    LayoutEngine engine(*root);
    engine.layout(Size { 800, 600 });
    EXPECT_EQ(item->frame(), (Rect { 175, 0, 50, 10 }));
}

TEST(LayoutEngineIntrinsicSize, HuggingAndCompressionResistance)
{
    auto root = BasicView::create("root");
    auto label = child(*root, "label");
    label->setIntrinsicContentSize(Size { 120, 20 });
    pin(*root, *label, A::Left, root.get(), A::Left, 10);
    pin(*root, *label, A::Top, root.get(), A::Top, 10);
    auto limit = pin(*root, *label, A::Right, root.get(), A::Right, -10, 1.0, LayoutRelation::LessThanOrEqual);
    LayoutEngine engine(*root);
    engine.layout(Size { 400, 100 });
    EXPECT_EQ(label->frame(), (Rect { 10, 10, 120, 20 }));
    engine.layout(Size { 100, 100 });
    EXPECT_EQ(label->frame(), (Rect { 10, 10, 80, 20 })) << "required limit beats compression 750";

    auto wide = pin(*label, *label, A::Width, nullptr, A::NotAnAttribute, 300);
    wide->setPriority(240);
    engine.layout(Size { 400, 100 });
    EXPECT_EQ(label->frame().width, 120) << "hugging 250 beats a wish of 240";
    label->setContentHuggingPriority(200, LayoutAxis::Horizontal);
    engine.layout(Size { 400, 100 });
    EXPECT_EQ(label->frame().width, 300) << "hugging 200 gives way to 240";
    (void)limit;
}

TEST(LayoutEngineUnsatisfiable, ConflictingRequiredConstraintIsLoggedAndDropped)
{
    auto root = BasicView::create("root");
    auto box = child(*root, "box");
    pin(*root, *box, A::Left, root.get(), A::Left);
    pin(*root, *box, A::Top, root.get(), A::Top);
    pin(*box, *box, A::Width, nullptr, A::NotAnAttribute, 50);
    pin(*box, *box, A::Height, nullptr, A::NotAnAttribute, 50);
    auto conflict = pin(*box, *box, A::Width, nullptr, A::NotAnAttribute, 80);
    std::vector<std::string> lines;
    LayoutEngine engine(*root);
    engine.setLogHandler([&](const std::string& line) { lines.push_back(line); });
    engine.layout(Size { 300, 300 });
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("dropped"), std::string::npos);
    EXPECT_EQ(engine.droppedConstraints(), std::vector<const LayoutConstraint*> { conflict.get() });
    EXPECT_EQ(box->frame(), (Rect { 0, 0, 50, 50 }));

    engine.layout(Size { 320, 300 });
    EXPECT_EQ(lines.size(), 1u) << "a dropped constraint is not reported again while unchanged";

    ASSERT_TRUE(box->constraints()[0]->setActive(false));
    engine.layout(Size { 320, 300 });
    EXPECT_EQ(box->frame().width, 80) << "tried again once what it conflicted with is gone";
    EXPECT_TRUE(engine.droppedConstraints().empty());
    conflict->setConstant(90);
    engine.layout(Size { 320, 300 });
    EXPECT_EQ(box->frame().width, 90);
    EXPECT_EQ(lines.size(), 1u);
}

TEST(LayoutEngineTree, ViewsPlacedByTheirOwnerKeepTheirFrame)
{
    auto root = BasicView::create("root");
    auto fixed = BasicView::create("fixed");
    root->addSubview(fixed);
    fixed->setFrame(Rect { 30, 40, 200, 100 });
    auto inner = child(*fixed, "inner");
    pin(*fixed, *inner, A::Left, fixed.get(), A::Left, 5);
    pin(*fixed, *inner, A::Right, fixed.get(), A::Right, -5);
    pin(*fixed, *inner, A::CenterY, fixed.get(), A::CenterY);
    pin(*inner, *inner, A::Height, nullptr, A::NotAnAttribute, 20);
    LayoutEngine engine(*root);
    engine.layout(Size { 500, 500 });
    EXPECT_EQ(fixed->frame(), (Rect { 30, 40, 200, 100 }));
    EXPECT_EQ(inner->frame(), (Rect { 5, 40, 190, 20 }));

    inner->removeFromSuperview();
    root->addSubview(inner);
    engine.layout(Size { 500, 500 });
    EXPECT_TRUE(fixed->constraints().empty()) << "constraints with the old neighbours went with the move";
    ASSERT_EQ(inner->constraints().size(), 1u) << "its own height goes along";
    EXPECT_EQ(inner->frame(), (Rect { 0, 0, 0, 20 })) << "only the height still determines it";
}

TEST(LayoutEngineTree, ClosestCommonAncestorInShallowAndDeepTrees)
{
    // Deep enough that the ancestors no longer fit the walk's short list.
    auto root = BasicView::create("root");
    std::vector<std::shared_ptr<BasicView>> chain { root };
    for (int depth = 1; depth <= 24; ++depth) {
        chain.push_back(BasicView::create("level"));
        chain[chain.size() - 2]->addSubview(chain.back());
    }
    auto branch = BasicView::create("branch");
    chain[3]->addSubview(branch);
    auto leaf = BasicView::create("leaf");
    branch->addSubview(leaf);

    EXPECT_EQ(chain.back()->closestCommonAncestor(leaf.get()), chain[3].get());
    EXPECT_EQ(leaf->closestCommonAncestor(chain.back().get()), chain[3].get());
    EXPECT_EQ(chain[20]->closestCommonAncestor(chain[22].get()), chain[20].get());
    EXPECT_EQ(chain[22]->closestCommonAncestor(chain[20].get()), chain[20].get());
    EXPECT_EQ(chain.back()->closestCommonAncestor(chain.back().get()), chain.back().get());
    auto stranger = BasicView::create("stranger");
    EXPECT_EQ(chain.back()->closestCommonAncestor(stranger.get()), nullptr);
    EXPECT_EQ(leaf->closestCommonAncestor(stranger.get()), nullptr);
}

TEST(LayoutEngineTree, ACentredLabelKeepsItsWidthOnceItsPageJoinsAWindow)
{
    // A page built and laid out on its own, then laid over a window. The label is held by its
    // centre and top only: its width is its intrinsic width alone, whichever engine runs and
    // however the page's size goes up and down.
    auto page = BasicView::create("page");
    auto label = child(*page, "label");
    auto badge = child(*page, "badge");
    pin(*page, *label, A::CenterX, page.get(), A::CenterX);
    pin(*page, *label, A::Top, page.get(), A::Top, 92);
    pin(*page, *badge, A::Left, label.get(), A::Right, 6);
    pin(*page, *badge, A::CenterY, label.get(), A::CenterY);
    pin(*badge, *badge, A::Width, nullptr, A::NotAnAttribute, 32);
    pin(*badge, *badge, A::Height, nullptr, A::NotAnAttribute, 16);
    label->setIntrinsicContentSize(Size { 9, 18 });
    LayoutEngine pageEngine(*page);
    pageEngine.layout(Size { 400, 600 });
    EXPECT_EQ(label->frame(), (Rect { 196, 92, 9, 18 }));

    auto window = BasicView::create("window");
    window->addSubview(page);
    page->setTranslatesAutoresizingMaskIntoConstraints(false);
    pin(*window, *page, A::Left, window.get(), A::Left, 60);
    pin(*window, *page, A::Right, window.get(), A::Right);
    pin(*window, *page, A::Top, window.get(), A::Top);
    pin(*window, *page, A::Bottom, window.get(), A::Bottom);
    LayoutEngine windowEngine(*window);
    label->setIntrinsicContentSize(Size { 47, 18 });
    for (double width : { 460.0, 1366.0, 460.0, 2560.0, 1024.0 }) {
        SCOPED_TRACE(width);
        windowEngine.layout(Size { width, 600 });
        // The page's resize reaches whatever still lays it out on its own.
        pageEngine.layout(Size { page->frame().width, page->frame().height });
        const double left = std::round((width - 60) / 2 - 23.5);
        EXPECT_EQ(label->frame(), (Rect { left, 92, 47, 18 }));
        EXPECT_EQ(badge->frame().x, left + 53);
    }

    // Standing alone again, the page is laid out from what it holds now.
    label->setIntrinsicContentSize(Size { 61, 18 });
    page->removeFromSuperview();
    page->setTranslatesAutoresizingMaskIntoConstraints(true);
    pageEngine.layout(Size { 400, 600 });
    EXPECT_EQ(label->frame(), (Rect { 170, 92, 61, 18 }));
}
