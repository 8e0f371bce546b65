#include "Platform/Graphics/ImageTestSupport.h"

#include "Platform/Foundation/Class.h"
#include "Platform/Graphics/BitmapImageRep.h"
#include "Platform/Graphics/Image.h"
#include "Platform/Graphics/ImageSource.h"
#include "Platform/Storage/KeyedArchiver.h"
#include "Platform/Storage/KeyedUnarchiver.h"

using namespace graphicstest;
using foundation::Data;
using foundation::Id;
using graphics::BitmapImageRep;
using graphics::Image;

TEST(Image, PixelsArePaintReadyAtTheImagesScale)
{
    QImage rgb(40, 20, QImage::Format_RGB888);
    rgb.fill(qRgb(10, 20, 30));
    auto opaque = Image::create(rgb, 2.0);
    ASSERT_TRUE(opaque);
    EXPECT_EQ(opaque->image().format(), QImage::Format_RGB32);
    EXPECT_EQ(opaque->image().devicePixelRatio(), 2.0);
    EXPECT_EQ(opaque->size(), QSizeF(20, 10));
    EXPECT_EQ(opaque->scale(), 2.0);
    EXPECT_EQ(opaque->image().pixel(3, 3), qRgb(10, 20, 30));

    auto translucent = Image::create(testPicture(8, 8, true));
    EXPECT_EQ(translucent->image().format(), QImage::Format_ARGB32_Premultiplied);
    EXPECT_EQ(translucent->scale(), 1.0);
    EXPECT_TRUE(pixelsMatch(translucent->image(), testPicture(8, 8, true)));

    EXPECT_EQ(Image::create(rgb, 0)->scale(), 1.0) << "a scale of 0 counts as 1";
    EXPECT_FALSE(Image::create(QImage()));
    EXPECT_FALSE(Image::create(nullptr));
    EXPECT_FALSE(Image::createWithData(Data::create(std::string_view("<html></html>"))));
}

TEST(Image, DecodedFromDataKeepsItsSourceAndCountsItsBytes)
{
    auto data = qtEncoded(testPicture(30, 10, true), "png");
    auto image = Image::createWithData(data, 3.0);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->representation()->typeIdentifier(), "public.png");
    EXPECT_EQ(image->size(), QSizeF(10, 30.0 / 9.0));
    EXPECT_EQ(image->memoryCost(), std::size_t(30 * 10 * 4) + data->length());
    EXPECT_EQ(Image::create(testPicture(30, 10, true))->memoryCost(), std::size_t(30 * 10 * 4));
    EXPECT_TRUE(image->representation()->isKindOfClass(BitmapImageRep::classObject()));
}

TEST(Image, AssociatedObjectsAreKeptByName)
{
    auto image = Image::create(testPicture(2, 2, false));
    EXPECT_TRUE(image->associatedObject("il_imageFormat").isNil());
    image->setAssociatedObject("il_imageFormat", Id(1));
    image->setAssociatedObject("il_isIncremental", Id(true));
    EXPECT_EQ(image->associatedObject("il_imageFormat").integerValue(), 1);
    EXPECT_TRUE(image->associatedObject("il_isIncremental").boolValue());
    image->setAssociatedObject("il_imageFormat", Id());
    EXPECT_TRUE(image->associatedObject("il_imageFormat").isNil());
}

TEST(Image, RegisteredAndArchivedWithItsPixelsAndScale)
{
    const foundation::Class* cls = Image::classObject();
    EXPECT_EQ(cls, foundation::Class::named("NSImage"));
    auto image = Image::create(testPicture(12, 6, true, 4), 2.0);
    auto archive = foundation::KeyedArchiver::archivedDataWithRootObject(Id(image));
    ASSERT_TRUE(archive);
    auto restored = foundation::KeyedUnarchiver::unarchiveObjectWithData(*archive).as<Image>();
    ASSERT_TRUE(restored);
    EXPECT_EQ(restored->scale(), 2.0);
    EXPECT_TRUE(pixelsMatch(restored->image(), image->image()));
}

TEST(BitmapImageRep, PropertiesAreStoredAsGivenAndStillFramesStayPut)
{
    auto rep = BitmapImageRep::imageRepWithData(qtEncoded(testPicture(9, 9, false), "png"));
    ASSERT_TRUE(rep);
    EXPECT_TRUE(rep->valueForProperty(graphics::bitmapProperty::frameCount).isNil())
        << "a still PNG gets no animation properties";
    rep->setProperty(graphics::bitmapProperty::loopCount, Id(3));
    EXPECT_EQ(rep->valueForProperty(graphics::bitmapProperty::loopCount).integerValue(), 3);
    QImage before = rep->image();
    rep->setProperty(graphics::bitmapProperty::currentFrame, Id(5));
    EXPECT_EQ(rep->image(), before) << "no frame 5: the current pixels stay";
    EXPECT_EQ(rep->valueForProperty(graphics::bitmapProperty::currentFrame).integerValue(), 5);
    rep->setProperty(graphics::bitmapProperty::loopCount, Id());
    EXPECT_TRUE(rep->valueForProperty(graphics::bitmapProperty::loopCount).isNil());
    EXPECT_FALSE(BitmapImageRep::imageRepWithData(Data::create(std::string_view("GIF89a"))));
}
