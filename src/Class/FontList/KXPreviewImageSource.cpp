#include "Class/FontList/KXPreviewImageSource.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

std::shared_ptr<KXPreviewImageSource>& installed()
{
    static std::shared_ptr<KXPreviewImageSource> source;
    return source;
}

} // namespace

std::shared_ptr<KXPreviewImageSource> KXPreviewImageSource::shared()
{
    return installed();
}

std::shared_ptr<KXPreviewImageSource> KXPreviewImageSource::install(std::shared_ptr<KXPreviewImageSource> source)
{
    return std::exchange(installed(), std::move(source));
}

KXPreviewBox KXPreviewBox::of(const QSizeF& drawn, qreal devicePixelRatio, bool fill)
{
    const auto stepped = [](double length) {
        if (length <= 0)
            return 0;
        double step = 16;
        while (step < length)
            step *= 1.5;
        return int(std::ceil(step));
    };
    const QSizeF pixels = drawn * std::max<qreal>(devicePixelRatio, 1);
    KXPreviewBox box;
    box.pixels = QSize(stepped(pixels.width()), stepped(pixels.height()));
    box.fill = fill;
    if (box.pixels.isEmpty())
        box.pixels = QSize();
    return box;
}
