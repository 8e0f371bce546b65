#include "Platform/Graphics/detail/RowScaler.h"

#include <algorithm>

namespace graphics::detail {

RowScaler::RowScaler(int sourceWidth, int sourceHeight, QImage target)
    : sourceWidth_(sourceWidth)
    , sourceHeight_(sourceHeight)
    , target_(std::move(target))
{
    const int width = target_.width();
    column_.resize(std::size_t(std::max(sourceWidth, 0)));
    span_.assign(std::size_t(width), 0);
    sums_.assign(std::size_t(width) * 4, 0);
    for (int x = 0; x < sourceWidth; ++x) {
        column_[std::size_t(x)] = int(std::int64_t(x) * width / sourceWidth);
        ++span_[std::size_t(column_[std::size_t(x)])];
    }
}

void RowScaler::addRow(int y, const std::uint32_t* pixels)
{
    if (y < 0 || y >= sourceHeight_ || target_.isNull())
        return;
    const int row = int(std::int64_t(y) * target_.height() / sourceHeight_);
    if (row != targetRow_) {
        flush();
        targetRow_ = row;
    }
    for (int x = 0; x < sourceWidth_; ++x) {
        const std::uint32_t pixel = pixels[x];
        std::uint64_t* sum = &sums_[std::size_t(column_[std::size_t(x)]) * 4];
        sum[0] += pixel >> 24;
        sum[1] += (pixel >> 16) & 0xff;
        sum[2] += (pixel >> 8) & 0xff;
        sum[3] += pixel & 0xff;
    }
    ++rowsSummed_;
}

void RowScaler::flush()
{
    if (targetRow_ < 0 || rowsSummed_ == 0)
        return;
    auto* out = reinterpret_cast<std::uint32_t*>(target_.scanLine(targetRow_));
    for (std::size_t x = 0; x < span_.size(); ++x) {
        const std::uint64_t count = std::uint64_t(span_[x]) * std::uint64_t(rowsSummed_);
        std::uint64_t* sum = &sums_[x * 4];
        const auto mean = [count](std::uint64_t total) { return std::uint32_t((total + count / 2) / count); };
        out[x] = mean(sum[0]) << 24 | mean(sum[1]) << 16 | mean(sum[2]) << 8 | mean(sum[3]);
        std::fill(sum, sum + 4, 0);
    }
    rowsSummed_ = 0;
}

QImage RowScaler::finish()
{
    flush();
    targetRow_ = -1;
    return target_;
}

} // namespace graphics::detail
