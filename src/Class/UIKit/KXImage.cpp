#include "Class/UIKit/KXImage.h"

#include <QFile>
#include <QMargins>
#include <QPainter>
#include <QPixmap>
#include <qdrawutil.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>
#include <qdrawutil.h>
#include <string>

static void initKitResources()
{
    Q_INIT_RESOURCE(uikit_images);
}

namespace {

constexpr double kResourceScale = 2.0;

// The 2x rendering of a named image; every image has one beside its 1x file.
QString resourcePath(std::string_view name)
{
    static const bool initialised = [] {
        initKitResources();
        return true;
    }();
    (void)initialised;
    return QStringLiteral(":/images/") + QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()))
        + QStringLiteral("@2x.png");
}

} // namespace

KXImage::KXImage(QImage image, KXEdgeInsets capInsets)
    : image_(std::move(image))
    , capInsets_(capInsets)
{
}

bool KXImage::hasImageNamed(std::string_view name)
{
    return !name.empty() && QFile::exists(resourcePath(name));
}

KXImage KXImage::imageNamed(std::string_view name)
{
    // Each named image is read and converted once: every widget that shows it shares its pixels
    // (a page of many switches draws the same two images). The kit's images are a fixed handful.
    static std::mutex mutex;
    static std::map<std::string, KXImage, std::less<>> loaded;
    {
        const std::lock_guard lock(mutex);
        if (const auto found = loaded.find(name); found != loaded.end())
            return found->second;
    }
    if (!hasImageNamed(name))
        return {};
    QImage pixels(resourcePath(name));
    if (pixels.isNull())
        return {};
    pixels = pixels.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    pixels.setDevicePixelRatio(kResourceScale);
    const std::lock_guard lock(mutex);
    return loaded.try_emplace(std::string(name), KXImage(std::move(pixels))).first->second;
}

QSizeF KXImage::size() const
{
    return image_.deviceIndependentSize();
}

bool KXImage::isSameImage(const KXImage& other) const
{
    return !isNull() && image_.cacheKey() == other.image_.cacheKey();
}

KXImage KXImage::imageRotated(double degrees) const
{
    const double turn = std::fmod(degrees, 360.0);
    if (turn == 0)
        return *this;
    const double w = size().width();
    const double h = size().height();
    QSizeF rotated;
    if (std::abs(turn) == 90 || std::abs(turn) == 270)
        rotated = QSizeF(h, w);
    else if (std::abs(turn) == 180)
        rotated = QSizeF(w, h);
    else
        rotated = QSizeF(std::max(w, h) + 20, std::max(w, h) + 20);

    const double scale = image_.devicePixelRatio();
    QImage pixels((rotated * scale).toSize(), QImage::Format_ARGB32_Premultiplied);
    pixels.setDevicePixelRatio(scale);
    pixels.fill(Qt::transparent);
    QPainter painter(&pixels);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    // Qt's y axis points down, so a positive angle here would turn clockwise on screen.
    painter.translate(rotated.width() / 2, rotated.height() / 2);
    painter.rotate(-turn);
    painter.drawImage(QRectF(-w / 2, -h / 2, w, h), image_);
    painter.end();
    return KXImage(std::move(pixels));
}

void KXImage::draw(QPainter& painter, const QRectF& target) const
{
    if (isNull() || target.isEmpty())
        return;
    if (capInsets_.isZero()) {
        painter.drawImage(target, image_);
        return;
    }
    const QMargins margins(static_cast<int>(capInsets_.left), static_cast<int>(capInsets_.top),
                           static_cast<int>(capInsets_.right), static_cast<int>(capInsets_.bottom));
    qDrawBorderPixmap(&painter, target.toRect(), margins, QPixmap::fromImage(image_));
}
