#include "Class/UIKit/KXFrameAccessors.h"

#include <QWidget>
#include <gtest/gtest.h>

namespace {

class KXFrameAccessorsTest : public testing::Test {
protected:
    void SetUp() override
    {
        view = new QWidget(&parent);
        view->setGeometry(10, 20, 100, 50);
    }
    QWidget parent;
    QWidget* view = nullptr;
};

TEST_F(KXFrameAccessorsTest, ReadsEveryPart)
{
    EXPECT_EQ(kx_x(*view), 10);
    EXPECT_EQ(kx_width(*view), 100);
    EXPECT_EQ(kx_height(*view), 50);
    EXPECT_EQ(kx_size(*view), QSizeF(100, 50));
    EXPECT_EQ(kx_right(*view), 110);
    EXPECT_EQ(kx_bottom(*view), 70);
}

TEST_F(KXFrameAccessorsTest, RightResizesWhileBottomMoves)
{
    setKx_right(*view, 150);
    EXPECT_EQ(view->geometry(), QRect(10, 20, 140, 50));
    setKx_bottom(*view, 100);
    EXPECT_EQ(view->geometry(), QRect(10, 50, 140, 50));
}

TEST_F(KXFrameAccessorsTest, SettersChangeOnlyTheirPart)
{
    setKx_x(*view, 5);
    EXPECT_EQ(view->geometry(), QRect(5, 20, 100, 50));
    setKx_y(*view, 7);
    EXPECT_EQ(view->geometry(), QRect(5, 7, 100, 50));
    setKx_width(*view, 30);
    EXPECT_EQ(view->geometry(), QRect(5, 7, 30, 50));
    setKx_height(*view, 40);
    EXPECT_EQ(view->geometry(), QRect(5, 7, 30, 40));
}

TEST_F(KXFrameAccessorsTest, ZeroSizeKeepsTheOrigin)
{
    setKx_size(*view, QSizeF(0, 0));
    EXPECT_EQ(view->pos(), QPoint(10, 20));
    EXPECT_EQ(view->size(), QSize(0, 0));
}

} // namespace
