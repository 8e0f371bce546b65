#include "ImageViewsTestSupport.h"

#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Graphics/Image.h"
#include "Platform/Graphics/ImageDestination.h"
#include "Platform/Graphics/ImageProperties.h"

#include <QDir>
#include <QWidget>

namespace imageviewtest {

using foundation::Id;

foundation::Ref<foundation::Data> animatedGif(const std::vector<QColor>& colours,
    const std::vector<double>& delays, int loopCount, int width, int height)
{
    auto destination = graphics::ImageDestination::create(graphics::typeIdentifier::gif, colours.size());
    destination->setProperties(foundation::Dictionary::create({ { Id(graphics::imageProperty::gifDictionary),
        Id(foundation::Dictionary::create(
            { { Id(graphics::imageProperty::loopCount), Id(loopCount) } })) } }));
    for (std::size_t i = 0; i < colours.size(); ++i) {
        QImage frame(width, height, QImage::Format_RGB32);
        frame.fill(colours[i]);
        destination->addImage(frame,
            foundation::Dictionary::create({ { Id(graphics::imageProperty::gifDictionary),
                Id(foundation::Dictionary::create(
                    { { Id(graphics::imageProperty::delayTime), Id(delays[i]) } })) } }));
    }
    return destination->finalize();
}

ILImageRef animatedImage(const std::vector<QColor>& colours, const std::vector<double>& delays, int loopCount)
{
    return graphics::Image::createWithData(animatedGif(colours, delays, loopCount));
}

ILImageRef solidImage(const QColor& colour, int width, int height, double scale)
{
    QImage pixels(width, height, QImage::Format_ARGB32_Premultiplied);
    pixels.fill(colour);
    return graphics::Image::create(pixels, scale);
}

QColor centreColour(QWidget* widget)
{
    const QImage picture = widget->grab().toImage();
    return picture.pixelColor(picture.width() / 2, picture.height() / 2);
}

void saveScreenshot(QWidget& widget, const QString& name)
{
    const QByteArray binary = qgetenv("CORVANE_BINARY_DIR");
    const QString dir
        = (binary.isEmpty() ? QDir::currentPath() : QString::fromLocal8Bit(binary)) + "/screenshots";
    QDir().mkpath(dir);
    widget.grab().save(dir + "/" + name + ".png");
}

} // namespace imageviewtest
