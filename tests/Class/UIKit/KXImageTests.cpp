#include "Class/UIKit/KXImage.h"

#include "Class/Theme/KXThemeManager.h"
#include "Class/Theme/KXThemeToggle.h"
#include "Class/UIKit/MLHudAlert.h"

#include <QPainter>
#include <gtest/gtest.h>

namespace {

KXImage filledImage(int w, int h, QColor color = Qt::red)
{
    QImage pixels(w, h, QImage::Format_ARGB32_Premultiplied);
    pixels.fill(color);
    return KXImage(pixels);
}

TEST(KXImageResources, EveryNameThePaletteCanHandOutExists)
{
    KXThemeManager theme;
    for (bool night : {false, true}) {
        theme.setIsNight(night);
        for (auto key : KXThemeManager::imageNameKeys()) {
            if (auto name = theme.imageNameForKey(key)) {
                EXPECT_TRUE(KXImage::hasImageNamed(*name)) << *name;
            }
        }
    }
    for (const char* name : {"vipfontCartDay", "vipfontCartNight", KXThemeToggle::kLightSetImage,
                             KXThemeToggle::kDarkSetImage, "LADSliderKnob", "LADSliderTrackMin", "LADSliderTrackMax"})
        EXPECT_TRUE(KXImage::hasImageNamed(name)) << name;
    for (int type = 0; type < 4; ++type)
        EXPECT_TRUE(KXImage::hasImageNamed(MLHudAlert::iconNameForType(type))) << type;
}

TEST(KXImageResources, NamedImageHasItsPointSizeAndRealPixels)
{
    const KXImage cart = KXImage::imageNamed("fontCartDay");
    ASSERT_FALSE(cart.isNull());
    EXPECT_EQ(cart.size(), QSizeF(20, 20));
    EXPECT_EQ(cart.image().size(), QSize(40, 40));
    int opaque = 0;
    for (int y = 0; y < cart.image().height(); ++y)
        for (int x = 0; x < cart.image().width(); ++x)
            opaque += qAlpha(cart.image().pixel(x, y)) > 128;
    EXPECT_GT(opaque, 20);
}

// Every widget showing a named image shares one copy of its pixels.
TEST(KXImageResources, ANamedImageIsLoadedOnceAndShared)
{
    const KXImage first = KXImage::imageNamed("filterbtnnormalbg");
    ASSERT_FALSE(first.isNull());
    EXPECT_TRUE(KXImage::imageNamed("filterbtnnormalbg").isSameImage(first));
    EXPECT_FALSE(KXImage::imageNamed("filterButtonSelected").isSameImage(first));
    EXPECT_TRUE(KXImage::imageNamed("no such image").isNull());
}

TEST(KXImageResources, UnknownNamesGiveNil)
{
    EXPECT_TRUE(KXImage::imageNamed("noSuchImage").isNull());
    EXPECT_TRUE(KXImage::imageNamed("").isNull());
}

TEST(KXImageRotation, WholeTurnsGiveTheSameImage)
{
    const KXImage image = filledImage(10, 30);
    for (double degrees : {0.0, 360.0, -720.0})
        EXPECT_TRUE(image.imageRotated(degrees).isSameImage(image)) << degrees;
}

TEST(KXImageRotation, SizesFollowTheAngle)
{
    const KXImage image = filledImage(10, 30);
    EXPECT_EQ(image.imageRotated(90).size(), QSizeF(30, 10));
    EXPECT_EQ(image.imageRotated(-270).size(), QSizeF(30, 10));
    EXPECT_EQ(image.imageRotated(180).size(), QSizeF(10, 30));
    EXPECT_EQ(image.imageRotated(45).size(), QSizeF(50, 50));
    EXPECT_EQ(image.imageRotated(405).size(), QSizeF(50, 50));
    EXPECT_FALSE(image.imageRotated(90).isSameImage(image));
}

TEST(KXImageRotation, QuarterTurnIsCounterClockwiseOnScreen)
{
    // Red left column: after a counter-clockwise quarter turn it lies along the bottom.
    QImage pixels(4, 2, QImage::Format_ARGB32_Premultiplied);
    pixels.fill(Qt::blue);
    for (int y = 0; y < 2; ++y)
        pixels.setPixelColor(0, y, Qt::red);
    const QImage turned = KXImage(pixels).imageRotated(90).image();
    ASSERT_EQ(turned.size(), QSize(2, 4));
    EXPECT_EQ(turned.pixelColor(0, 3), QColor(Qt::red));
    EXPECT_EQ(turned.pixelColor(1, 3), QColor(Qt::red));
    EXPECT_EQ(turned.pixelColor(0, 0), QColor(Qt::blue));
}

TEST(KXImageDrawing, CapInsetsKeepTheirPixelsWhileTheRestStretches)
{
    // Five columns: a green cap of four columns and one red column that stretches.
    QImage pixels(5, 2, QImage::Format_ARGB32_Premultiplied);
    pixels.fill(Qt::green);
    pixels.setPixelColor(4, 0, Qt::red);
    pixels.setPixelColor(4, 1, Qt::red);
    KXImage image(pixels, KXEdgeInsets{0, 4, 0, 0});
    QImage canvas(20, 2, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    QPainter painter(&canvas);
    image.draw(painter, QRectF(0, 0, 20, 2));
    painter.end();
    EXPECT_EQ(canvas.pixelColor(3, 0), QColor(Qt::green));
    EXPECT_EQ(canvas.pixelColor(4, 0), QColor(Qt::red));
    EXPECT_EQ(canvas.pixelColor(19, 1), QColor(Qt::red));
}

} // namespace
