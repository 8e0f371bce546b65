#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/LayoutWidgets/WindowLayout.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"

#include <QApplication>
#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

using layoutwidgets::lcView;
using layoutwidgets::WindowLayout;

namespace {

// The main window's shape: a left menu, a 310-wide panel beside it, and a list of rows filling
// the rest.
struct PageWindow {
    std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
    QWidget* menu = new QWidget(window.get());
    QWidget* panel = new QWidget(window.get());
    QWidget* list = new QWidget(window.get());
    std::vector<QWidget*> rows;

    PageWindow()
    {
        window->resize(1000, 700);
        lc_makeConstraints(lcView(menu), [](LCConstraintMaker& make) {
            make.left().top().bottom().equalTo(0);
            make.width().equalTo(200);
        });
        lc_makeConstraints(lcView(panel), [&](LCConstraintMaker& make) {
            make.left().equalTo(lc_right(lcView(menu)));
            make.top().bottom().equalTo(0);
            make.width().equalTo(LCBoxedValue("i", 310));
        });
        lc_makeConstraints(lcView(list), [&](LCConstraintMaker& make) {
            make.left().equalTo(lc_right(lcView(panel))).offset(10);
            make.right().equalTo(0).offset(-10);
            make.top().equalTo(20);
            make.bottom().equalTo(0);
        });
        QWidget* above = nullptr;
        for (int i = 0; i < 4; ++i) {
            auto* row = new QWidget(list);
            lc_makeConstraints(lcView(row), [&](LCConstraintMaker& make) {
                make.left().right().equalTo(0);
                make.height().equalTo(40);
                if (above)
                    make.top().equalTo(lc_bottom(lcView(above)));
                else
                    make.top().equalTo(0);
            });
            above = row;
            rows.push_back(row);
        }
    }
};

} // namespace

TEST(LayoutWidgetsWindow, TypicalPageFramesFollowAWindowResize)
{
    PageWindow page;
    page.window->show();
    QApplication::processEvents();
    EXPECT_EQ(page.menu->geometry(), QRect(0, 0, 200, 700));
    EXPECT_EQ(page.panel->geometry(), QRect(200, 0, 310, 700));
    EXPECT_EQ(page.list->geometry(), QRect(520, 20, 470, 680));
    EXPECT_EQ(page.rows[3]->geometry(), QRect(0, 120, 470, 40));

    page.window->resize(1280, 800);
    QApplication::processEvents();
    EXPECT_EQ(page.menu->geometry(), QRect(0, 0, 200, 800));
    EXPECT_EQ(page.panel->geometry(), QRect(200, 0, 310, 800));
    EXPECT_EQ(page.list->geometry(), QRect(520, 20, 750, 780));
    EXPECT_EQ(page.rows[1]->geometry(), QRect(0, 40, 750, 40));
}

TEST(LayoutWidgetsWindow, ChangesAreCoalescedIntoOnePass)
{
    PageWindow page;
    page.window->show();
    QApplication::processEvents();
    WindowLayout& layout = WindowLayout::of(page.window.get());
    int before = layout.passCount();
    lc_updateConstraints(lcView(page.panel), [](LCConstraintMaker& make) { make.width().equalTo(400); });
    lc_remakeConstraints(lcView(page.menu), [](LCConstraintMaker& make) {
        make.left().top().bottom().equalTo(0);
        make.width().equalTo(100);
    });
    EXPECT_EQ(page.list->geometry(), QRect(520, 20, 470, 680)) << "nothing moves before the event loop runs";
    QApplication::processEvents();
    EXPECT_EQ(layout.passCount(), before + 1);
    EXPECT_EQ(page.panel->geometry(), QRect(100, 0, 400, 700));
    EXPECT_EQ(page.list->geometry(), QRect(510, 20, 480, 680));
}

TEST(LayoutWidgetsIntrinsicSize, SizeHintIsTheIntrinsicSize)
{
    QWidget window;
    window.resize(600, 200);
    auto* label = new QLabel("Corvane", &window);
    QSize hint = label->sizeHint();
    lc_makeConstraints(lcView(label), [](LCConstraintMaker& make) {
        make.left().equalTo(10);
        make.centerY().equalTo(0);
    });
    window.show();
    QApplication::processEvents();
    EXPECT_EQ(label->geometry(), QRect(10, (200 - hint.height()) / 2, hint.width(), hint.height()));
}

TEST(LayoutWidgetsIntrinsicSize, ChangedSizeHintIsPickedUp)
{
    QWidget window;
    window.resize(600, 200);
    auto* label = new QLabel("A", &window);
    lc_makeConstraints(lcView(label), [](LCConstraintMaker& make) { make.left().top().equalTo(0); });
    window.show();
    QApplication::processEvents();
    int narrow = label->width();
    label->setText("A much longer text than before");
    // One round delivers the size-hint request, the next runs the pass it scheduled.
    QApplication::processEvents();
    QApplication::processEvents();
    EXPECT_GT(label->width(), narrow);
    EXPECT_EQ(label->size(), label->sizeHint());
}

TEST(LayoutWidgetsTree, WidgetsWithoutConstraintsAreNotMoved)
{
    QWidget window;
    window.resize(300, 300);
    auto* placed = new QWidget(&window);
    placed->setGeometry(7, 8, 50, 60);
    auto* child = new QWidget(placed);
    lc_makeConstraints(lcView(child), [](LCConstraintMaker& make) { make.edges().equalTo(0).insets(LCEdgeInsets { 1, 2, 3, 4 }); });
    window.show();
    QApplication::processEvents();
    EXPECT_EQ(placed->geometry(), QRect(7, 8, 50, 60));
    EXPECT_EQ(child->geometry(), QRect(2, 1, 44, 56));
    EXPECT_EQ(layoutwidgets::WidgetView::of(child).superview(), &lcView(placed));
}

TEST(LayoutWidgetsTree, DeletingAConstrainedWidgetBetweenPassesIsSafe)
{
    PageWindow page;
    page.window->show();
    QApplication::processEvents();
    delete page.rows[2];
    page.rows.erase(page.rows.begin() + 2);
    page.window->resize(900, 600); // a pass right away, before any posted event runs
    QApplication::processEvents();
    EXPECT_EQ(page.list->geometry(), QRect(520, 20, 370, 580));
    EXPECT_EQ(page.rows[1]->geometry(), QRect(0, 40, 370, 40));
    // The row below the deleted one lost what placed it vertically; its own edges still hold.
    EXPECT_EQ(page.rows[2]->geometry().width(), 370);
    EXPECT_EQ(page.rows[2]->geometry().height(), 40);
}

TEST(LayoutWidgetsTree, WidgetPlacedByAQtLayoutIsFollowed)
{
    QWidget window;
    window.resize(400, 300);
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* header = new QWidget;
    header->setFixedHeight(50);
    auto* content = new QWidget;
    layout->addWidget(header);
    layout->addWidget(content);
    auto* badge = new QWidget(content);
    lc_makeConstraints(lcView(badge), [](LCConstraintMaker& make) {
        make.right().bottom().equalTo(0).offset(-5);
        make.size().equalTo(LCBoxedValue(LCSize { 20, 10 }));
    });
    window.show();
    QApplication::processEvents();
    EXPECT_EQ(badge->geometry(), QRect(content->width() - 25, content->height() - 15, 20, 10));
    window.resize(600, 500);
    QApplication::processEvents();
    EXPECT_EQ(content->size(), QSize(600, 450 - layout->spacing()));
    EXPECT_EQ(badge->geometry(), QRect(575, content->height() - 15, 20, 10));
}

TEST(LayoutWidgetsTree, DestroyedWidgetLeavesNoView)
{
    QWidget window;
    auto* child = new QWidget(&window);
    lcView(child);
    ASSERT_NE(layoutwidgets::WidgetView::find(child), nullptr);
    delete child;
    EXPECT_EQ(layoutwidgets::WidgetView::find(child), nullptr);
}

// A page states its layout when it is first shown, after the window's first pass has pinned its
// widgets at the frames they were made with.
TEST(LayoutWidgetsTree, ConstraintsStatedAfterTheFirstPassReplaceTheFrame)
{
    QWidget window;
    window.resize(400, 300);
    auto* menu = new QWidget(&window);
    menu->resize(100, 640);
    auto* tab = new QWidget(menu);
    tab->resize(100, 40);
    auto* icon = new QWidget(tab);
    lc_makeConstraints(lcView(icon), [](LCConstraintMaker& make) {
        make.left().equalTo(4);
        make.centerY().equalTo(0);
        make.width().height().equalTo(20);
    });
    window.show(); // the resize delivered on show lays the window out with menu and tab as placed
    QApplication::processEvents();
    lc_makeConstraints(lcView(menu), [](LCConstraintMaker& make) {
        make.left().top().bottom().equalTo(0);
        make.width().equalTo(90);
    });
    lc_makeConstraints(lcView(tab), [](LCConstraintMaker& make) {
        make.left().equalTo(0);
        make.right().equalTo(0).offset(3);
        make.top().equalTo(10);
        make.height().equalTo(30);
    });
    QApplication::processEvents();
    QApplication::processEvents();
    EXPECT_EQ(menu->geometry(), QRect(0, 0, 90, 300));
    EXPECT_EQ(tab->geometry(), QRect(0, 10, 93, 30));
    EXPECT_EQ(icon->geometry(), QRect(4, 5, 20, 20));
}

// A cell that its parent places itself, as an item view places a cell widget or a scroll area its
// content, after the window's pass: what is laid out inside it follows every size it is given.
TEST(LayoutWidgetsTree, WhatLiesInAWidgetSizedOutsideAPassFollowsItsSize)
{
    QWidget window;
    window.resize(700, 300);
    auto* cell = new QWidget(&window);
    cell->setGeometry(0, 0, 280, 100);
    auto* card = new QWidget(cell);
    lc_makeConstraints(lcView(card), [](LCConstraintMaker& make) {
        make.left().equalTo(10);
        make.right().equalTo(-10);
        make.top().bottom().equalTo(0);
    });
    window.show();
    QApplication::processEvents();
    EXPECT_EQ(card->geometry(), QRect(10, 0, 260, 100));
    for (const QSize size : { QSize(610, 120), QSize(280, 100), QSize(450, 100) }) {
        cell->resize(size);
        QApplication::processEvents();
        EXPECT_EQ(card->geometry(), QRect(10, 0, size.width() - 20, size.height()));
    }

    // The resizes a pass makes itself ask for no pass more.
    PageWindow page;
    page.window->show();
    QApplication::processEvents();
    WindowLayout& layout = WindowLayout::of(page.window.get());
    const int before = layout.passCount();
    page.window->resize(1280, 800);
    QApplication::processEvents();
    EXPECT_EQ(page.rows[1]->geometry(), QRect(0, 40, 750, 40));
    EXPECT_EQ(layout.passCount(), before + 2) << "the resize's pass and the one that follows the event";
}
