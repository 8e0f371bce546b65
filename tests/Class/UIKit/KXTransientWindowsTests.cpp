// Where the small windows open: centred over their parent and kept on the screen.
#include "Class/UIKit/KXTransientWindows.h"

#include <gtest/gtest.h>

TEST(KXTransientWindows, ACentredWindowStaysInsideTheScreen)
{
    const QRect screen(0, 0, 1024, 768);
    // Over a parent in the middle of the screen: centred on it.
    EXPECT_EQ(kx_centredFrame(QSize(300, 200), QRect(312, 0, 400, 768), screen), QRect(362, 284, 300, 200));
    // Over a main window at the screen's right edge, a window wider than it comes back inside.
    EXPECT_EQ(kx_centredFrame(QSize(600, 450), QRect(624, 0, 400, 768), screen), QRect(424, 159, 600, 450));
    // Over a parent partly below the screen: its foot comes up to the screen's bottom.
    EXPECT_EQ(kx_centredFrame(QSize(400, 500), QRect(0, 500, 400, 600), QRect(0, 0, 1067, 667)), QRect(0, 167, 400, 500));
    // A frame taller than the screen keeps its title bar on it.
    EXPECT_EQ(kx_centredFrame(QSize(400, 800), QRect(0, 0, 1067, 667), QRect(0, 0, 1067, 667)).topLeft(), QPoint(334, 0));
    // A screen at an offset.
    EXPECT_EQ(kx_centredFrame(QSize(300, 200), QRect(1000, 0, 200, 200), QRect(1024, 24, 800, 576)), QRect(1024, 24, 300, 200));
}
