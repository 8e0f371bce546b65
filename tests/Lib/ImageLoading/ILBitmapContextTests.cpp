#include "Lib/ImageLoading/ILBitmapContext.h"
#include "Lib/ImageLoading/ILMainScreen.h"
#include "Platform/Graphics/Image.h"

#include <QPainter>
#include <gtest/gtest.h>
#include <thread>

namespace {

TEST(ILBitmapContext, BeginDrawImageEnd)
{
    EXPECT_EQ(ILBitmapContextCurrent(), nullptr);
    ILBitmapContextBegin(QSizeF(2.5, 3), false, 2);
    QPainter* painter = ILBitmapContextCurrent();
    ASSERT_NE(painter, nullptr);
    painter->fillRect(QRectF(0, 0, 1, 1), Qt::red); // points: 2 × 2 pixels
    const auto image = ILBitmapContextImage();
    ILBitmapContextEnd();
    ASSERT_TRUE(image);
    EXPECT_EQ(image->image().size(), QSize(5, 6));
    EXPECT_EQ(image->scale(), 2);
    EXPECT_EQ(image->image().pixel(1, 1), 0xFFFF0000u);
    EXPECT_EQ(qAlpha(image->image().pixel(2, 2)), 0);
    EXPECT_EQ(ILBitmapContextCurrent(), nullptr);
    EXPECT_EQ(ILBitmapContextImage(), nullptr);
}

TEST(ILBitmapContext, OpaqueContextsStartBlackAndScaleZeroIsTheScreens)
{
    ILBitmapContextBegin(QSizeF(2, 2), true, 0);
    const auto image = ILBitmapContextImage();
    ILBitmapContextEnd();
    ASSERT_TRUE(image);
    EXPECT_EQ(image->scale(), ILMainScreenScale());
    EXPECT_EQ(image->image().pixel(0, 0), 0xFF000000u);
    EXPECT_FALSE(image->image().hasAlphaChannel());
    ILBitmapContextBeginDefault(QSizeF(3, 1));
    EXPECT_EQ(ILBitmapContextImage()->image().size(), QSize(3, 1));
    ILBitmapContextEnd();
}

TEST(ILBitmapContext, AnEndAfterAFailedBeginLeavesTheCallersContext)
{
    ILBitmapContextBegin(QSizeF(4, 4), false, 1);
    QPainter* outer = ILBitmapContextCurrent();
    ILBitmapContextBegin(QSizeF(0, 4), false, 1); // no pixels: begins nothing
    EXPECT_EQ(ILBitmapContextCurrent(), nullptr); // and draws nowhere
    EXPECT_EQ(ILBitmapContextImage(), nullptr);
    ILBitmapContextEnd();
    EXPECT_EQ(ILBitmapContextCurrent(), outer);
    ILBitmapContextBegin(QSizeF(100000, 100000), false, 1); // past the pixel limits
    EXPECT_EQ(ILBitmapContextCurrent(), nullptr);
    ILBitmapContextEnd();
    EXPECT_EQ(ILBitmapContextCurrent(), outer);
    ILBitmapContextEnd();
    EXPECT_EQ(ILBitmapContextCurrent(), nullptr);
    ILBitmapContextEnd(); // nothing left: no harm
}

TEST(ILBitmapContext, EachThreadHasItsOwnStack)
{
    ILBitmapContextBegin(QSizeF(1, 1), false, 1);
    QPainter* mine = ILBitmapContextCurrent();
    QPainter* seenElsewhere = mine;
    std::thread([&] { seenElsewhere = ILBitmapContextCurrent(); }).join();
    EXPECT_EQ(seenElsewhere, nullptr);
    EXPECT_EQ(ILBitmapContextCurrent(), mine);
    ILBitmapContextEnd();
}

} // namespace
