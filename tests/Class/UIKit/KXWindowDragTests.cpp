// A window moved by dragging its background: the window system's move starts on a drag with the
// button held, never on a click or a tap.
#include "Class/UIKit/KXWindowDrag.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <QWidget>
#include <QWindow>

#include <memory>
#include <vector>

namespace {

// A window whose background moves it, with a child over part of it that takes no mouse events.
class DraggedBackground : public QWidget {
public:
    DraggedBackground()
    {
        resize(400, 300);
        child = new QWidget(this);
        child->setGeometry(200, 0, 200, 300);
    }

    QWidget* child = nullptr;

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        if (!kx_pressMovesWindow(this, event))
            QWidget::mousePressEvent(event);
    }
};

class KXWindowDragTest : public testing::Test {
protected:
    void SetUp() override
    {
        kx_setWindowMoveStarter([this](QWindow* window) { starts.push_back(window); });
        window = std::make_unique<DraggedBackground>();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }

    void TearDown() override
    {
        // No button left held for the next test.
        QTest::mouseRelease(window.get(), Qt::LeftButton, {}, QPoint(1, 1));
        QTest::mouseRelease(window.get(), Qt::RightButton, {}, QPoint(1, 1));
        window.reset();
        kx_setWindowMoveStarter({});
    }

    static int distance() { return QApplication::startDragDistance(); }

    std::unique_ptr<DraggedBackground> window;
    std::vector<QWindow*> starts;
};

} // namespace

TEST_F(KXWindowDragTest, APressAndReleaseInPlaceMovesNothing)
{
    const QPoint at(50, 50);
    // A tap: the release comes with the press.
    QTest::mouseClick(window.get(), Qt::LeftButton, {}, at);
    // A click whose pointer trembles less than the drag distance.
    QTest::mousePress(window.get(), Qt::LeftButton, {}, at);
    QTest::mouseMove(window.get(), at + QPoint(distance() - 1, 0));
    QTest::mouseRelease(window.get(), Qt::LeftButton, {}, at + QPoint(distance() - 1, 0));
    // After the release, the pointer moving on with no button starts nothing.
    QTest::mouseMove(window.get(), at + QPoint(5 * distance(), 0));
    // The right button does not move the window.
    QTest::mousePress(window.get(), Qt::RightButton, {}, at);
    QTest::mouseMove(window.get(), at + QPoint(0, 5 * distance()));
    QTest::mouseRelease(window.get(), Qt::RightButton, {}, at + QPoint(0, 5 * distance()));
    EXPECT_TRUE(starts.empty());
}

TEST_F(KXWindowDragTest, ADragPastTheDistanceMovesTheWindowOnce)
{
    const QPoint at(50, 50);
    QTest::mousePress(window.get(), Qt::LeftButton, {}, at);
    QTest::mouseMove(window.get(), at + QPoint(distance() - 1, 0));
    EXPECT_TRUE(starts.empty()) << "not yet past the drag distance";
    // Over the child, which the moves reach first.
    QTest::mouseMove(window->child, window->child->mapFrom(window.get(), at + QPoint(distance() / 2, distance() / 2 + 1)));
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts.front(), window->windowHandle());
    // The window manager has the pointer now; further moves start no second move.
    QTest::mouseMove(window.get(), at + QPoint(3 * distance(), 0));
    EXPECT_EQ(starts.size(), 1u);
    QTest::mouseRelease(window.get(), Qt::LeftButton, {}, at + QPoint(3 * distance(), 0));

    // The next drag, upwards, moves it again.
    QTest::mousePress(window.get(), Qt::LeftButton, {}, at);
    QTest::mouseMove(window.get(), at - QPoint(0, distance()));
    EXPECT_EQ(starts.size(), 2u);
}
