#include "Lib/ImageLoading/ILImageFilter.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

void ILImageFilter::setInputImage(QImage image)
{
    std::lock_guard lock(mutex_);
    input_ = std::move(image);
}

QImage ILImageFilter::inputImage() const
{
    std::lock_guard lock(mutex_);
    return input_;
}

QImage ILImageFilter::outputImage() const
{
    const QImage input = inputImage();
    return input.isNull() ? QImage() : filtered(input);
}

ILColorControlsFilter::Settings ILColorControlsFilter::settings() const
{
    std::lock_guard lock(settingsMutex_);
    return settings_;
}

double ILColorControlsFilter::saturation() const
{
    return settings().saturation;
}
double ILColorControlsFilter::brightness() const
{
    return settings().brightness;
}
double ILColorControlsFilter::contrast() const
{
    return settings().contrast;
}

void ILColorControlsFilter::setSaturation(double value)
{
    std::lock_guard lock(settingsMutex_);
    settings_.saturation = value;
}

void ILColorControlsFilter::setBrightness(double value)
{
    std::lock_guard lock(settingsMutex_);
    settings_.brightness = value;
}

void ILColorControlsFilter::setContrast(double value)
{
    std::lock_guard lock(settingsMutex_);
    settings_.contrast = value;
}

QImage ILColorControlsFilter::filtered(const QImage& input) const
{
    const Settings s = settings();
    // Rec. 709 luma, the grey a saturation of 0 leaves.
    constexpr double kRed = 0.2125, kGreen = 0.7154, kBlue = 0.0721;
    QImage image = input.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = row[x];
            const double r = qRed(pixel) / 255.0, g = qGreen(pixel) / 255.0, b = qBlue(pixel) / 255.0;
            const double luma = kRed * r + kGreen * g + kBlue * b;
            const auto adjust = [&](double c) {
                c = luma + (c - luma) * s.saturation;
                c += s.brightness;
                c = (c - 0.5) * s.contrast + 0.5;
                return static_cast<int>(std::lround(std::clamp(c, 0.0, 1.0) * 255));
            };
            row[x] = qRgba(adjust(r), adjust(g), adjust(b), qAlpha(pixel));
        }
    }
    image.setDevicePixelRatio(input.devicePixelRatio());
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}
