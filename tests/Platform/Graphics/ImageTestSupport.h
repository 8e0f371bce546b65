#pragma once

#include "Platform/Foundation/Data.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace graphicstest {

inline foundation::Ref<foundation::Data> bytesOf(const QByteArray& bytes)
{
    return foundation::Data::create(std::string_view(bytes.constData(), std::size_t(bytes.size())));
}

// Encodes with Qt's own writer, the independent encoder of these tests.
inline foundation::Ref<foundation::Data> qtEncoded(const QImage& image, const char* format, int quality = -1)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (quality >= 0)
        writer.setQuality(quality);
    EXPECT_TRUE(writer.write(image)) << writer.errorString().toStdString();
    return bytesOf(bytes);
}

// Qt's reader as the oracle, in premultiplied ARGB32.
inline QImage qtDecoded(const foundation::Data& data, const char* format)
{
    QByteArray bytes(reinterpret_cast<const char*>(data.bytes()), qsizetype(data.length()));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    QImage image = reader.read();
    EXPECT_FALSE(image.isNull()) << reader.errorString().toStdString();
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// Equal in premultiplied ARGB32: exact (or within `opaqueTolerance`, for lossy formats) where alpha is
// 255, within 1 elsewhere (premultiplying rounds).
inline ::testing::AssertionResult pixelsMatch(const QImage& actual, const QImage& expected, int opaqueTolerance = 0)
{
    if (actual.isNull() || expected.isNull())
        return ::testing::AssertionFailure() << "null image";
    if (actual.size() != expected.size())
        return ::testing::AssertionFailure() << "size " << actual.width() << "x" << actual.height() << " vs "
                                             << expected.width() << "x" << expected.height();
    QImage a = actual.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QImage b = expected.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < a.height(); ++y) {
        const auto* ra = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* rb = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            int tolerance = qAlpha(rb[x]) == 255 ? opaqueTolerance : std::max(1, opaqueTolerance);
            int worst = std::max({std::abs(qRed(ra[x]) - qRed(rb[x])), std::abs(qGreen(ra[x]) - qGreen(rb[x])),
                std::abs(qBlue(ra[x]) - qBlue(rb[x])), std::abs(qAlpha(ra[x]) - qAlpha(rb[x]))});
            if (worst > tolerance)
                return ::testing::AssertionFailure()
                    << "pixel (" << x << "," << y << ") " << std::hex << ra[x] << " vs " << rb[x];
        }
    }
    return ::testing::AssertionSuccess();
}

// A picture with gradients, hard edges and, when `alpha`, a ramp of transparency.
inline QImage testPicture(int width, int height, bool alpha, unsigned seed = 1)
{
    QImage image(width, height, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            int r = (x * 255) / std::max(1, width - 1);
            int g = (y * 255) / std::max(1, height - 1);
            int b = int(((unsigned(x / 7 + y / 5) * 37u + seed * 91u) & 0xff));
            int a = alpha ? (x + y * 3 + int(seed)) % 256 : 255;
            image.setPixel(x, y, qRgba(r, g, b, a));
        }
    }
    return image;
}

} // namespace graphicstest
