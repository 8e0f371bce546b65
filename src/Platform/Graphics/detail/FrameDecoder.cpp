#include "Platform/Graphics/detail/FrameDecoder.h"

#include "Platform/Foundation/Dictionary.h"
#include "Platform/Graphics/ImageProperties.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>

namespace graphics::detail {

using foundation::Dictionary;
using foundation::Id;
using foundation::MutableDictionary;
using foundation::Ref;

foundation::Ref<Dictionary> FrameDecoder::properties() const
{
    return Dictionary::create();
}

FullDecodeGate::Hold FrameDecoder::holdWholeFrame(std::size_t index) const
{
    const Id properties(propertiesAtIndex(index));
    if (!properties)
        return {};
    return holdFullDecode(properties[imageProperty::pixelWidth].longLongValue(),
        properties[imageProperty::pixelHeight].longLongValue());
}

QImage FrameDecoder::scaledImageAtIndex(std::size_t index, QSize size)
{
    const Ref<Dictionary> properties = propertiesAtIndex(index);
    if (!properties)
        return {};
    const std::int64_t width = Id(properties)[imageProperty::pixelWidth].longLongValue();
    const std::int64_t height = Id(properties)[imageProperty::pixelHeight].longLongValue();
    const QSize stored(
        int(std::clamp<std::int64_t>(width, 0, INT_MAX)), int(std::clamp<std::int64_t>(height, 0, INT_MAX)));
    if (scaledFrameSize(stored, size) != stored && !imageLimits::allowsScaledDecode(width, height))
        return {};
    QImage image;
    {
        const FullDecodeGate::Hold place = holdFullDecode(width, height);
        image = imageAtIndex(index);
    }
    return shrunk(image, scaledFrameSize(image.size(), size));
}

QSize scaledFrameSize(QSize stored, QSize wanted)
{
    if (!wanted.isValid() || wanted.isEmpty())
        return stored;
    return wanted.boundedTo(stored);
}

QImage shrunk(const QImage& image, QSize size)
{
    if (image.isNull() || size == image.size() || size.isEmpty())
        return image;
    return image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QImage allocateFrameForOverwrite(std::int64_t width, std::int64_t height, bool alpha)
{
    if (!imageLimits::allows(width, height))
        return {};
    try {
        return QImage(int(width), int(height), alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    } catch (const std::bad_alloc&) {
        return {};
    }
}

QImage allocateFrame(std::int64_t width, std::int64_t height, bool alpha)
{
    QImage frame = allocateFrameForOverwrite(width, height, alpha);
    if (!frame.isNull())
        frame.fill(alpha ? 0u : 0xff000000u);
    return frame;
}

void blankRows(QImage& frame, int from)
{
    std::uint32_t blank = frame.hasAlphaChannel() ? 0u : 0xff000000u;
    for (int y = std::max(from, 0); y < frame.height(); ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(frame.scanLine(y));
        std::fill(row, row + frame.width(), blank);
    }
}

ImageSourceStatus readingStatus(bool invalid, bool headerRead, bool final, bool cut)
{
    if (invalid)
        return ImageSourceStatus::InvalidData;
    if (!headerRead)
        return final ? ImageSourceStatus::InvalidData : ImageSourceStatus::ReadingHeader;
    if (!final)
        return ImageSourceStatus::Incomplete;
    return cut ? ImageSourceStatus::UnexpectedEOF : ImageSourceStatus::Complete;
}

double clampedDelay(double seconds)
{
    return seconds < 0.011 ? 0.1 : seconds;
}

Ref<Dictionary> frameProperties(const FrameInfo& info)
{
    auto properties = MutableDictionary::create({
        {Id(imageProperty::pixelWidth), Id(static_cast<long long>(info.width))},
        {Id(imageProperty::pixelHeight), Id(static_cast<long long>(info.height))},
        {Id(imageProperty::hasAlpha), Id(info.alpha)},
    });
    if (info.orientation != 0)
        properties->setObject(Id(info.orientation), Id(imageProperty::orientation));
    if (!info.formatKey.empty() && !info.hasDelay)
        properties->setObject(Id(Dictionary::create()), Id(info.formatKey));
    else if (!info.formatKey.empty()) {
        properties->setObject(Id(Dictionary::create({
                                  {Id(imageProperty::delayTime), Id(clampedDelay(info.delay))},
                                  {Id(imageProperty::unclampedDelayTime), Id(info.delay)},
                              })),
            Id(info.formatKey));
    }
    return properties;
}

Ref<Dictionary> loopProperties(std::string_view formatKey, unsigned loopCount)
{
    return Dictionary::create(
        {{Id(formatKey), Id(Dictionary::create({{Id(imageProperty::loopCount), Id(loopCount)}}))}});
}

void premultiplyRow(std::uint32_t* pixels, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i)
        pixels[i] = premultiplied(pixels[i]);
}

void FrameComposer::reset(int width, int height)
{
    width_ = width;
    height_ = height;
    box_ = QSize();
    canvas_ = QImage();
    saved_ = QImage();
    next_.reset();
}

std::size_t FrameComposer::cachedBytes() const
{
    return std::size_t(canvas_.sizeInBytes()) + std::size_t(saved_.sizeInBytes());
}

void FrameComposer::setBox(QSize box)
{
    if (box == box_)
        return;
    box_ = box;
    canvas_ = QImage();
    saved_ = QImage();
    next_.reset();
}

QRect FrameComposer::onCanvas(const QRect& rect) const
{
    if (!box_.isValid() || rect.isEmpty())
        return rect;
    const auto across = [](int value, int to, int from) { return int(std::int64_t(value) * to / from); };
    const int left = across(rect.left(), box_.width(), width_);
    const int top = across(rect.top(), box_.height(), height_);
    const int right = std::max(left + 1, across(rect.left() + rect.width(), box_.width(), width_));
    const int bottom = std::max(top + 1, across(rect.top() + rect.height(), box_.height(), height_));
    return QRect(left, top, right - left, bottom - top);
}

bool FrameComposer::prepare(std::size_t index)
{
    if (next_ && *next_ > index + 1)
        next_.reset();
    if (!next_) {
        canvas_ = box_.isValid() ? allocateFrame(box_.width(), box_.height(), true)
                                 : allocateFrame(width_, height_, true);
        saved_ = QImage();
    }
    return !canvas_.isNull();
}

namespace {

QRect clipped(const QRect& rect, int width, int height)
{
    return rect.intersected(QRect(0, 0, width, height));
}

void clear(QImage& canvas, const QRect& rect)
{
    QRect area = clipped(rect, canvas.width(), canvas.height());
    for (int y = area.top(); y <= area.bottom(); ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(canvas.scanLine(y));
        std::fill(row + area.left(), row + area.left() + area.width(), 0u);
    }
}

} // namespace

void FrameComposer::begin(std::size_t index, const Placement& placement)
{
    if (index > 0) {
        if (last_.dispose == Dispose::Background)
            clear(canvas_, last_.rect);
        else if (last_.dispose == Dispose::Previous && !saved_.isNull())
            canvas_ = saved_;
    }
    if (placement.dispose == Dispose::Previous)
        saved_ = canvas_.copy();
    else
        saved_ = QImage();
    last_ = placement;
}

void FrameComposer::draw(const QImage& frame, const Placement& placement)
{
    if (frame.isNull())
        return;
    QRect area = clipped(placement.rect, canvas_.width(), canvas_.height());
    area = area.intersected(QRect(placement.rect.topLeft(), frame.size()));
    if (area.isEmpty())
        return;
    int dx = area.left() - placement.rect.left();
    int dy = area.top() - placement.rect.top();
    bool opaque = frame.format() == QImage::Format_RGB32;
    for (int y = 0; y < area.height(); ++y) {
        const auto* src = reinterpret_cast<const std::uint32_t*>(frame.constScanLine(dy + y)) + dx;
        auto* dst = reinterpret_cast<std::uint32_t*>(canvas_.scanLine(area.top() + y)) + area.left();
        if (placement.blend == Blend::Source || opaque) {
            if (opaque) {
                for (int x = 0; x < area.width(); ++x)
                    dst[x] = src[x] | 0xff000000u;
            } else {
                std::memcpy(dst, src, std::size_t(area.width()) * 4);
            }
            continue;
        }
        for (int x = 0; x < area.width(); ++x) {
            std::uint32_t s = src[x];
            std::uint32_t a = s >> 24;
            if (a == 255)
                dst[x] = s;
            else if (a != 0)
                dst[x] = s + byteMul(dst[x], 255 - a);
        }
    }
}

} // namespace graphics::detail
