#include "Class/UIKit/KXBaseView.h"

#include "Class/UIKit/KXBaseButton.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

namespace {

// Counts the pointer events that reach it.
class EventRecorder : public QWidget {
public:
    explicit EventRecorder(QWidget* parent = nullptr)
        : QWidget(parent)
    {
        setAttribute(Qt::WA_AcceptTouchEvents);
    }
    int presses = 0;
    int wheels = 0;
    int menus = 0;
    int touches = 0;

protected:
    bool event(QEvent* event) override
    {
        if (event->type() == QEvent::TouchBegin || event->type() == QEvent::TouchUpdate
            || event->type() == QEvent::TouchEnd) {
            ++touches;
            event->accept();
            return true;
        }
        return QWidget::event(event);
    }
    void mousePressEvent(QMouseEvent* event) override
    {
        ++presses;
        event->accept();
    }
    void mouseDoubleClickEvent(QMouseEvent* event) override
    {
        ++presses;
        event->accept();
    }
    void wheelEvent(QWheelEvent* event) override
    {
        ++wheels;
        event->accept();
    }
    void contextMenuEvent(QContextMenuEvent* event) override
    {
        ++menus;
        event->accept();
    }
};

// A window with a list-like widget and a panel laid over it; the window itself records too.
class KXBaseViewTest : public testing::Test {
protected:
    void SetUp() override
    {
        window.resize(300, 200);
        beneath = new EventRecorder(&window);
        beneath->setGeometry(0, 0, 300, 200);
        panel = new KXBaseView(&window);
        panel->setGeometry(50, 50, 200, 100);
        button = KXBaseButton::buttonWithTitle("OK", [this](KXBaseButton*) { ++buttonClicks; }, panel);
        button->setGeometry(10, 10, 60, 24);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    void wheelAt(QPoint pos)
    {
        QWheelEvent wheel(QPointF(pos), QPointF(window.mapToGlobal(pos)), QPoint(), QPoint(0, 120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(window.childAt(pos), &wheel);
    }

    EventRecorder window;
    EventRecorder* beneath = nullptr;
    KXBaseView* panel = nullptr;
    KXBaseButton* button = nullptr;
    int buttonClicks = 0;
};

TEST_F(KXBaseViewTest, PressesOnThePanelReachNothingBeneath)
{
    const QPoint onPanel(200, 120);
    ASSERT_EQ(window.childAt(onPanel), panel);
    QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, onPanel);
    QTest::mouseClick(window.windowHandle(), Qt::RightButton, {}, onPanel);
    QTest::mouseClick(window.windowHandle(), Qt::MiddleButton, {}, onPanel);
    QTest::mouseDClick(window.windowHandle(), Qt::LeftButton, {}, onPanel);
    EXPECT_EQ(beneath->presses, 0);
    EXPECT_EQ(window.presses, 0);
    EXPECT_EQ(beneath->menus + window.menus, 0);
}

TEST_F(KXBaseViewTest, ContextMenuRequestsStopAtThePanel)
{
    QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(10, 10), window.mapToGlobal(QPoint(60, 60)));
    QApplication::sendEvent(panel, &menu);
    EXPECT_EQ(window.menus, 0);
}

TEST_F(KXBaseViewTest, WheelOverThePanelReachesNothingBeneath)
{
    wheelAt(QPoint(200, 120));
    EXPECT_EQ(beneath->wheels, 0);
    EXPECT_EQ(window.wheels, 0);
}

TEST_F(KXBaseViewTest, OutsideThePanelTheWidgetBeneathStillWorks)
{
    QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, QPoint(10, 10));
    wheelAt(QPoint(10, 10));
    EXPECT_EQ(beneath->presses, 1);
    EXPECT_EQ(beneath->wheels, 1);
}

TEST_F(KXBaseViewTest, ButtonInsideThePanelStillGetsItsClick)
{
    QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, QPoint(50 + 20, 50 + 20));
    EXPECT_EQ(buttonClicks, 1);
    EXPECT_EQ(beneath->presses, 0);
}

TEST_F(KXBaseViewTest, TouchEventsAreTakenByThePanel)
{
    static QPointingDevice* device = QTest::createTouchDevice();
    QTest::touchEvent(window.windowHandle(), device).press(0, QPoint(200, 120));
    QTest::touchEvent(window.windowHandle(), device).move(0, QPoint(210, 120));
    QTest::touchEvent(window.windowHandle(), device).release(0, QPoint(210, 120));
    EXPECT_EQ(beneath->touches + window.touches, 0);

    QTest::touchEvent(window.windowHandle(), device).press(0, QPoint(10, 10));
    QTest::touchEvent(window.windowHandle(), device).release(0, QPoint(10, 10));
    EXPECT_GT(beneath->touches, 0);
}

// Tab and Shift+Tab from a field of the panel go round the panel's fields: a field beneath the
// panel, where typed keys would show nowhere, is never reached, and neither are fields that
// cannot take the keys.
TEST_F(KXBaseViewTest, TabGoesRoundThePanelsOwnFields)
{
    auto* behind = new QLineEdit(beneath);
    behind->setGeometry(5, 5, 40, 20);
    auto* name = new QLineEdit(panel);
    auto* disabled = new QLineEdit(panel);
    disabled->setEnabled(false);
    auto* note = new QLineEdit(panel);
    auto* hidden = new QLineEdit(panel);
    hidden->hide();
    for (QLineEdit* field : {name, disabled, note})
        field->show();
    behind->show();
    panel->raise();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    name->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), name);

    std::vector<QWidget*> visited;
    for (int step = 0; step < 4; ++step) {
        QTest::keyClick(window.windowHandle(), Qt::Key_Tab);
        visited.push_back(QApplication::focusWidget());
    }
    EXPECT_EQ(visited, (std::vector<QWidget*>{note, name, note, name}));
    QTest::keyClick(window.windowHandle(), Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), note);
    QTest::keyClick(window.windowHandle(), Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), name);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("QQ"));
    EXPECT_EQ(name->text(), QStringLiteral("QQ"));
    EXPECT_TRUE(behind->text().isEmpty());

    // The only field of a panel keeps the keys.
    note->setEnabled(false);
    QTest::keyClick(window.windowHandle(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), name);
}

} // namespace
