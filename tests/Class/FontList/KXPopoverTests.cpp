// The sort and size popovers, the slider views, the drop-down list and the ring widget.
#include "Class/FontList/KXCustomPopoverCell.h"
#include "Class/FontList/KXCustomPopoverController.h"
#include "Class/FontList/KXCustomPopoverView.h"
#include "Class/FontList/KXCustomSlider.h"
#include "Class/FontList/KXCustomSliderPopoverController.h"
#include "Class/FontList/KXImageSliderView.h"
#include "Class/FontList/KXListCellProgressView.h"
#include "Class/FontList/MyPopoverBackgroundView.h"
#include "Class/FontList/MyPopoverBackgroundView2.h"
#include "Class/Theme/KXThemeManager.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Class/UIKit/KXQtColor.h"
#include "FontListTestSupport.h"
#include "Platform/Storage/UserDefaults.h"

#include <QTest>
#include <gtest/gtest.h>

namespace {

class RecordingSortOwner final : public KXCustomPopoverControllerDelegate {
public:
    void customPopoverControllerzDidChooseIndex(long long index) override { chosen.push_back(index); }
    std::vector<long long> chosen;
};

class RecordingSliderOwner final : public KXCustomSliderPopoverControllerDelegate,
                                   public KXImageSliderViewDelegate,
                                   public KXCustomSliderDelegate {
public:
    void sliderValueChange(float value) override { values.push_back(value); }
    std::vector<float> values;
};

QColor textColour(const KXCustomPopoverCell* cell)
{
    return cell->showTF()->palette().color(QPalette::WindowText);
}

struct Anchor {
    QWidget window;
    QWidget* anchor = new QWidget(&window);
    Anchor()
    {
        window.setGeometry(200, 300, 400, 200);
        anchor->setGeometry(100, 80, 40, 20);
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
};

int countChildren(QWidget* window, const char* className)
{
    int count = 0;
    for (QObject* child : window->children())
        count += child->inherits(className) ? 1 : 0;
    return count;
}

} // namespace

TEST(KXCustomPopoverController, OpensAboveItsAnchorWithTheCurrentChoiceMarked)
{
    KXThemeManager::themeManager().setIsNight(true);
    const auto& theme = KXThemeManager::themeManager();
    Anchor place;
    KXCustomPopoverController controller;
    auto owner = std::make_shared<RecordingSortOwner>();
    controller.setDelegate(owner);

    controller.editTitle(QString::fromUtf8("热度排序"), place.anchor);
    ASSERT_TRUE(controller.popover() && controller.popover()->isVisible());
    EXPECT_EQ(controller.view()->size(), QSize(80, 110));
    const QRect anchorOnScreen(place.anchor->mapToGlobal(QPoint()), place.anchor->size());
    EXPECT_EQ(controller.popover()->geometry().bottom() + 1, anchorOnScreen.top()) << "NSMaxYEdge: above the anchor";
    EXPECT_EQ(controller.tableList()->titles(), QStringList({QString::fromUtf8("默认排序"), QString::fromUtf8("字母排序"), QString::fromUtf8("热度排序")}));
    EXPECT_EQ(textColour(controller.tableList()->cellAtRow(2)), kx_qcolor(theme.sortingViewSelected()));
    EXPECT_EQ(textColour(controller.tableList()->cellAtRow(0)), kx_qcolor(theme.sortingViewNormol()));
    EXPECT_EQ(KXCustomPopoverController::selectedTitle(), QString::fromUtf8("热度排序"));

    // Opening again adds no second frame view.
    controller.popover()->close();
    controller.editTitle(QString::fromUtf8("没有这个"), place.anchor);
    EXPECT_EQ(countChildren(controller.popover(), "MyPopoverBackgroundView"), 1);
    for (int row = 0; row < 3; ++row)
        EXPECT_FALSE(controller.tableList()->cellAtRow(row)->isSelected()) << "no title matches";

    QTest::mouseClick(controller.tableList(), Qt::LeftButton, {}, QPoint(40, 95));
    EXPECT_TRUE(owner->chosen.empty()) << "below the last row: nothing";
    QTest::mouseClick(controller.tableList(), Qt::LeftButton, {}, QPoint(40, 37));
    EXPECT_EQ(owner->chosen, std::vector<long long>{1});
    EXPECT_FALSE(controller.popover()->isVisible());
    EXPECT_EQ(foundation::UserDefaults::standardUserDefaults().stringForKey("sortingSelected")->utf8(), "字母排序");
}

TEST(KXPopover, OpensOnThePreferredSideUnlessItDoesNotFit)
{
    const QRect screen(0, 0, 1000, 800);
    const QSize size(80, 110);
    EXPECT_EQ(KXPopover::placement(QRect(300, 400, 40, 20), size, screen, KXPopover::Edge::MaxY), QRect(280, 290, 80, 110));
    EXPECT_EQ(KXPopover::placement(QRect(300, 400, 40, 20), size, screen, KXPopover::Edge::MinY), QRect(280, 420, 80, 110));
    EXPECT_EQ(KXPopover::placement(QRect(300, 50, 40, 20), size, screen, KXPopover::Edge::MaxY).top(), 70) << "flipped below";
    EXPECT_EQ(KXPopover::placement(QRect(300, 750, 40, 20), size, screen, KXPopover::Edge::MinY).bottom(), 749) << "flipped above";
    EXPECT_EQ(KXPopover::placement(QRect(980, 400, 20, 20), size, screen, KXPopover::Edge::MinY).right(), 999) << "kept on screen";
    // A screen with room on neither side: on the screen, over the anchor.
    const QRect shortScreen(0, 30, 1000, 180);
    for (const KXPopover::Edge edge : {KXPopover::Edge::MaxY, KXPopover::Edge::MinY}) {
        const QRect placed = KXPopover::placement(QRect(300, 120, 40, 20), size, shortScreen, edge);
        EXPECT_TRUE(shortScreen.contains(placed)) << placed.top() << " to " << placed.bottom();
        EXPECT_EQ(placed.size(), size);
    }
}

TEST(KXCustomSliderPopoverController, TakesTheValueAtTheFirstOpeningAndReportsByTheAnchorsTag)
{
    Anchor place;
    KXCustomSliderPopoverController controller;
    auto owner = std::make_shared<RecordingSliderOwner>();
    controller.setDelegate(owner);
    place.anchor->setProperty("tag", 100001);
    controller.sliderValue(0.3f, place.anchor);
    ASSERT_TRUE(controller.slider());
    EXPECT_EQ(controller.slider()->value(), 300);
    EXPECT_TRUE(controller.slider()->hasTracking()) << "tag 100001: every movement";
    const QRect anchorOnScreen(place.anchor->mapToGlobal(QPoint()), place.anchor->size());
    EXPECT_EQ(controller.popover()->geometry().top(), anchorOnScreen.bottom() + 1) << "NSMinYEdge: below the anchor";
    EXPECT_EQ(countChildren(controller.popover(), "MyPopoverBackgroundView2"), 1);

    controller.slider()->setValue(700);
    EXPECT_EQ(owner->values, std::vector<float>{0.7f});
    place.anchor->setProperty("tag", 7);
    controller.popover()->close();
    controller.sliderValue(0.1f, place.anchor);
    EXPECT_EQ(controller.slider()->value(), 700) << "a later opening keeps where the user left it";
    EXPECT_FLOAT_EQ(KXCustomSliderPopoverController::processSliderValue(), 0.1f);
    EXPECT_FALSE(controller.slider()->hasTracking());
    EXPECT_EQ(countChildren(controller.popover(), "MyPopoverBackgroundView2"), 1);
}

TEST(KXImageSliderView, ReadsItsThousandStepsAsZeroToOne)
{
    KXImageSliderView view;
    auto owner = std::make_shared<RecordingSliderOwner>();
    view.setDelegate(owner);
    EXPECT_FLOAT_EQ(view.value(), 0.5f);
    view.slider()->setValue(250);
    view.slider()->setValue(1000);
    EXPECT_EQ(owner->values, (std::vector<float>{0.25f, 1.0f}));

    KXCustomSlider slider;
    slider.setDelegate(owner);
    slider.cuslider()->setValue(100);
    EXPECT_FLOAT_EQ(owner->values.back(), 0.1f);
    EXPECT_EQ(slider.palette().color(QPalette::Window), QColor(Qt::white));
}

TEST(KXCustomPopoverView, ListsItsItemsFromTheTop)
{
    EXPECT_FALSE(KXCustomPopoverView::initWithItems({}, 120, QPointF(10, 10), {}));
    std::vector<long long> chosen;
    auto view = KXCustomPopoverView::initWithItems({"a", "b", "a"}, 120, QPointF(30, 150), [&](long long index) { chosen.push_back(index); });
    ASSERT_TRUE(view);
    EXPECT_EQ(view->size(), QSize(120, 60));
    ASSERT_EQ(view->buttons().size(), 3u);
    EXPECT_EQ(view->buttons()[0]->geometry(), QRect(0, 0, 120, 20)) << "the first item on top";
    EXPECT_EQ(view->buttons()[2]->geometry(), QRect(0, 40, 120, 20));
    view->itemsClick(view->buttons()[2]);
    view->itemsClick(view->buttons()[1]);
    EXPECT_EQ(chosen, (std::vector<long long>{0, 1})) << "a repeated title reports the first";
    EXPECT_EQ(view->trianglePolygon().at(1), QPointF(35, 0)) << "the apex on the top edge";

    QWidget parent;
    parent.resize(300, 200);
    view->setParent(&parent);
    view->hide();
    EXPECT_EQ(view->geometry(), QRect(30, 50, 0, 0)) << "shrunk to the triangle point, y-up";
    view.release()->deleteLater();
}

TEST(KXCustomPopoverView, ButtonsOnlyItsFirstItemsWhenGivenThousands)
{
    QStringList items;
    for (int i = 0; i < 100000; ++i)
        items.append(QString::number(i));
    std::vector<long long> chosen;
    auto view = KXCustomPopoverView::initWithItems(
        items, 120, QPointF(30, 150), [&](long long index) { chosen.push_back(index); });
    ASSERT_TRUE(view);
    ASSERT_EQ(view->buttons().size(), static_cast<std::size_t>(KXCustomPopoverView::kMostItems));
    EXPECT_EQ(view->size(), QSize(120, KXCustomPopoverView::kMostItems * KXCustomPopoverView::kItemHeight));
    EXPECT_EQ(view->findChildren<QWidget*>().size(), KXCustomPopoverView::kMostItems);
    view->itemsClick(view->buttons().back());
    EXPECT_EQ(chosen, (std::vector<long long> { KXCustomPopoverView::kMostItems - 1 }));
}

TEST(KXListCellProgressView, ShowsThePercentageInThePalettesColour)
{
    KXThemeManager::themeManager().setIsNight(false);
    KXListCellProgressView ring;
    EXPECT_EQ(ring.size(), QSize(38, 38));
    ring.setProgress(0.425);
    EXPECT_EQ(ring.numLabel()->text(), "43%");
    EXPECT_EQ(ring.numLabel()->palette().color(QPalette::WindowText), kx_qcolor(KXThemeManager::themeManager().progressNumColor()));
    const QImage half = ring.grab().toImage();
    // The arc runs counter-clockwise from the positive x axis: the top of the circle is green at
    // 43 %, its bottom grey.
    const QColor top = half.pixelColor(19 * half.width() / 38, 6 * half.height() / 38);
    const QColor bottom = half.pixelColor(19 * half.width() / 38, 31 * half.height() / 38);
    EXPECT_GT(top.green(), top.red() + 60);
    EXPECT_LT(std::abs(bottom.green() - bottom.red()), 40);
    KXThemeManager::themeManager().setIsNight(true);
}
