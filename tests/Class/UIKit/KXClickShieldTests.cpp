#include "Class/UIKit/KXClickShield.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>
#include <memory>

namespace {

class PressCounter : public QWidget {
public:
    using QWidget::QWidget;
    int presses = 0;

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        ++presses;
        event->accept();
    }
};

// A window with a press counter filling it and a button over its middle.
class KXClickShieldTest : public testing::Test {
protected:
    void SetUp() override
    {
        kx_installClickShield();
        kx_installClickShield();
        window = std::make_unique<QWidget>();
        window->resize(300, 200);
        beneath = new PressCounter(window.get());
        beneath->setGeometry(window->rect());
        button = new QPushButton(QStringLiteral("按钮"), window.get());
        button->setGeometry(100, 80, 100, 40);
        QObject::connect(button, &QPushButton::clicked, [this] { ++clicks; });
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        QTest::mouseMove(handle(), onButton);
    }

    QWindow* handle() const { return window->windowHandle(); }

    const QPoint onButton { 150, 100 };
    std::unique_ptr<QWidget> window;
    PressCounter* beneath = nullptr;
    QPushButton* button = nullptr;
    int clicks = 0;
};

} // namespace

TEST_F(KXClickShieldTest, AControlThatStaysTakesEveryClick)
{
    QTest::mouseDClick(handle(), Qt::LeftButton, {}, onButton);
    QTest::mouseClick(handle(), Qt::LeftButton, {}, onButton, 3000);
    EXPECT_EQ(clicks, 3);
    EXPECT_EQ(beneath->presses, 0);
}

TEST_F(KXClickShieldTest, WhatAHiddenControlLeftUnderThePointerGetsNoClickUntilThePointerMoves)
{
    QObject::connect(button, &QPushButton::clicked, button, &QWidget::hide);
    // The double click X11 delivers: press, release, press (a double click to Qt), release.
    QTest::mouseDClick(handle(), Qt::LeftButton, {}, onButton);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(beneath->presses, 0) << "the double click's second press";
    QTest::mouseClick(handle(), Qt::LeftButton, {}, onButton, 500);
    QTest::mouseClick(handle(), Qt::RightButton, {}, onButton, 3000);
    EXPECT_EQ(beneath->presses, 0) << "clicks later, the pointer still";

    QTest::mouseMove(handle(), onButton + QPoint(1, 0));
    QTest::mouseClick(handle(), Qt::LeftButton, {}, onButton + QPoint(1, 0));
    EXPECT_EQ(beneath->presses, 1) << "moved, the person clicks what is there";
    QTest::mouseClick(handle(), Qt::LeftButton, {}, onButton + QPoint(1, 0));
    EXPECT_EQ(beneath->presses, 2) << "and again: it stayed";
}

TEST_F(KXClickShieldTest, AControlThatMovesAwayOrIsCoveredLeavesItsPlaceToNoClick)
{
    auto* next = new QPushButton(QStringLiteral("下一个"), window.get());
    next->setGeometry(100, 120, 100, 40);
    int nextClicks = 0;
    QObject::connect(next, &QPushButton::clicked, [&] { ++nextClicks; });
    next->show();
    // The first moves down and the second comes up into its place.
    QObject::connect(button, &QPushButton::clicked, [&] {
        button->move(100, 120);
        next->move(100, 80);
    });
    QTest::mouseDClick(handle(), Qt::LeftButton, {}, onButton);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(nextClicks, 0);

    // A page opens over the spot at a click.
    auto* page = new PressCounter(window.get());
    page->setGeometry(window->rect());
    QObject::connect(next, &QPushButton::clicked, page, &QWidget::show);
    page->hide();
    QTest::mouseMove(handle(), onButton + QPoint(0, 1));
    QTest::mouseDClick(handle(), Qt::LeftButton, {}, onButton + QPoint(0, 1));
    EXPECT_EQ(nextClicks, 1);
    EXPECT_TRUE(page->isVisible());
    EXPECT_EQ(page->presses, 0);
}

// A widget that asks for its window's id makes itself and its siblings native windows of their own
// inside the top-level one (the main window's menu bar and content are), and the presses arrive at
// that inner window with positions in it.
TEST_F(KXClickShieldTest, APressIntoAWindowInsideTheWindowIsShieldedAsWell)
{
    auto* content = new QWidget(window.get());
    content->setGeometry(0, 20, 300, 180);
    auto* inner = new PressCounter(content);
    inner->setGeometry(content->rect());
    auto* control = new QPushButton(QStringLiteral("确定"), content);
    control->setGeometry(100, 60, 100, 40);
    int controlClicks = 0;
    QObject::connect(control, &QPushButton::clicked, [&] {
        ++controlClicks;
        control->hide();
    });
    content->show();
    content->winId();
    QWindow* contentWindow = content->windowHandle();
    ASSERT_NE(contentWindow, nullptr);
    ASSERT_NE(contentWindow, handle());
    const QPoint onControl(150, 80);
    QTest::mouseMove(contentWindow, onControl);

    QTest::mouseDClick(contentWindow, Qt::LeftButton, {}, onControl);
    QTest::mouseClick(contentWindow, Qt::LeftButton, {}, onControl, 1000);
    EXPECT_EQ(controlClicks, 1);
    EXPECT_EQ(inner->presses, 0) << "what lay beneath the control that hid";

    QTest::mouseMove(contentWindow, onControl + QPoint(2, 0));
    QTest::mouseClick(contentWindow, Qt::LeftButton, {}, onControl + QPoint(2, 0));
    EXPECT_EQ(inner->presses, 1) << "moved, the person clicks what is there";
}
