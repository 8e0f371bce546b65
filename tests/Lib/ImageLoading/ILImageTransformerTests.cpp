#include "Lib/ImageLoading/ILImageBlurTransformer.h"
#include "Lib/ImageLoading/ILImageCroppingTransformer.h"
#include "Lib/ImageLoading/ILImageFilter.h"
#include "Lib/ImageLoading/ILImageFilterTransformer.h"
#include "Lib/ImageLoading/ILImageFlippingTransformer.h"
#include "Lib/ImageLoading/ILImagePipelineTransformer.h"
#include "Lib/ImageLoading/ILImageResizingTransformer.h"
#include "Lib/ImageLoading/ILImageRotationTransformer.h"
#include "Lib/ImageLoading/ILImageRoundCornerTransformer.h"
#include "Lib/ImageLoading/ILImageTintTransformer.h"
#include "Lib/ImageLoading/ILRoundedPath.h"
#include "Lib/ImageLoading/ILTestImages.h"
#include "Lib/ImageLoading/ILTransformedCacheKey.h"
#include "Platform/Foundation/String.h"
#include "Platform/Graphics/Image.h"

#include <gtest/gtest.h>

namespace {

using namespace iltest;
using foundation::String;
using graphics::Image;

std::string keyOf(const Ref<ILImageTransformer>& transformer)
{
    return transformer->transformerKey()->utf8();
}

TEST(ILImageTransformer, KeysNameEveryParameter)
{
    EXPECT_EQ(
        keyOf(ILImageRoundCornerTransformer::transformerWithRadius(10, ILCornerAll, 2, QColor(255, 0, 0))),
        "ILImageRoundCornerTransformer(10.000000,15,2.000000,#ffff0000)");
    EXPECT_EQ(keyOf(ILImageRoundCornerTransformer::transformerWithRadius(1.5, 1, 0, QColor())),
        "ILImageRoundCornerTransformer(1.500000,1,0.000000,(null))");
    EXPECT_EQ(
        keyOf(ILImageResizingTransformer::transformerWithSize(QSizeF(100, 50.5), ILScaleModeAspectFill)),
        "ILImageResizingTransformer({100.000000,50.500000},2)");
    EXPECT_EQ(keyOf(ILImageCroppingTransformer::transformerWithRect(QRectF(1, 2, 3, 4))),
        "ILImageCroppingTransformer({1.000000,2.000000,3.000000,4.000000})");
    EXPECT_EQ(keyOf(ILImageFlippingTransformer::transformerWithHorizontal(true, false)),
        "ILImageFlippingTransformer(1,0)");
    EXPECT_EQ(keyOf(ILImageRotationTransformer::transformerWithAngle(0.5, true)),
        "ILImageRotationTransformer(0.500000,1)");
    EXPECT_EQ(keyOf(ILImageTintTransformer::transformerWithColor(QColor(0, 0, 0, 128))),
        "ILImageTintTransformer(#80000000)");
    EXPECT_EQ(keyOf(ILImageBlurTransformer::transformerWithRadius(10)), "ILImageBlurTransformer(10.000000)");
    EXPECT_EQ(keyOf(ILImageFilterTransformer::transformerWithFilter(ILColorControlsFilter::filter())),
        "ILImageFilterTransformer(CIColorControls)");
    EXPECT_EQ(
        keyOf(ILImageFilterTransformer::transformerWithFilter(nullptr)), "ILImageFilterTransformer((null))");
    // A parameter set later shows in the key.
    auto blur = ILImageBlurTransformer::transformerWithRadius(1);
    blur->setBlurRadius(2);
    EXPECT_EQ(keyOf(blur), "ILImageBlurTransformer(2.000000)");
}

TEST(ILImageTransformer, EachAppliesItsOperation)
{
    const auto image = Image::create(flat(8, 4, 0xFF0000FFu), 2);
    const auto key = String::create("https://host/a.png");
    EXPECT_EQ(ILImageTintTransformer::transformerWithColor(Qt::red)
                  ->transformedImageWithImage(image, key)
                  ->image()
                  .pixel(1, 1),
        0xFFFF0000u);
    EXPECT_EQ(ILImageResizingTransformer::transformerWithSize(QSizeF(2, 2), ILScaleModeFill)
                  ->transformedImageWithImage(image, key)
                  ->image()
                  .size(),
        QSize(4, 4));
    EXPECT_EQ(ILImageRotationTransformer::transformerWithAngle(M_PI / 2, true)
                  ->transformedImageWithImage(image, nullptr)
                  ->image()
                  .size(),
        QSize(4, 8));
    EXPECT_EQ(ILImageBlurTransformer::transformerWithRadius(0)->transformedImageWithImage(image, key), image);
    for (const Ref<ILImageTransformer>& transformer : std::vector<Ref<ILImageTransformer>> {
             ILImageRoundCornerTransformer::transformerWithRadius(1, 1, 0, QColor()),
             ILImageCroppingTransformer::transformerWithRect(QRectF(0, 0, 1, 1)),
             ILImageFlippingTransformer::transformerWithHorizontal(true, true),
             ILImageFilterTransformer::transformerWithFilter(ILColorControlsFilter::filter()) })
        EXPECT_EQ(transformer->transformedImageWithImage(nullptr, key), nullptr) << keyOf(transformer);
}

TEST(ILImagePipelineTransformer, JoinsItsMembersKeysAndRunsThemInOrder)
{
    const auto empty = ILImagePipelineTransformer::transformerWithTransformers({});
    EXPECT_EQ(keyOf(empty), "");
    const auto image = Image::create(flat(8, 8, 0xFF00FF00u));
    EXPECT_EQ(empty->transformedImageWithImage(image, nullptr), image);
    const auto tint = ILImageTintTransformer::transformerWithColor(QColor(255, 0, 0));
    const auto blur = ILImageBlurTransformer::transformerWithRadius(1);
    const auto pipeline = ILImagePipelineTransformer::transformerWithTransformers({ tint, blur });
    EXPECT_EQ(keyOf(pipeline), "ILImageTintTransformer(#ffff0000)-ILImageBlurTransformer(1.000000)");
    EXPECT_EQ(pipeline->transformedImageWithImage(image, nullptr)->image().pixel(4, 4), 0xFFFF0000u);
    // A member answering nil ends the pipeline with nil.
    const auto crop = ILImageCroppingTransformer::transformerWithRect(QRectF(100, 100, 1, 1));
    EXPECT_EQ(ILImagePipelineTransformer::transformerWithTransformers({ crop, tint })
                  ->transformedImageWithImage(image, nullptr),
        nullptr);
}

TEST(ILImagePipelineTransformer, NewMembersMakeANewKey)
{
    const auto tint = ILImageTintTransformer::transformerWithColor(QColor(255, 0, 0));
    const auto flip = ILImageFlippingTransformer::transformerWithHorizontal(true, false);
    const auto pipeline = ILImagePipelineTransformer::transformerWithTransformers({ tint });
    pipeline->setTransformers({ flip });
    // The cache must not serve the tint's output for the flip.
    EXPECT_EQ(keyOf(pipeline), "ILImageFlippingTransformer(1,0)");
    EXPECT_EQ(pipeline->transformers().size(), 1u);
    const auto key
        = ILTransformedCacheKey(String::create("https://host/a.png?v=2"), pipeline->transformerKey());
    EXPECT_EQ(key->utf8(), "https://host/a-ILImageFlippingTransformer(1,0).png?v=2");
}

} // namespace
