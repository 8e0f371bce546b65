#pragma once

#include <QImage>
#include <cstdint>
#include <vector>

namespace graphics::detail {

// Shrinks an image handed over one row at a time, in order (top down, or bottom up), into a frame of a
// smaller size, so a large image is never held whole: each target pixel is the mean of the source pixels it
// covers (a box filter over premultiplied pixels). Rows never given leave the target's rows blank.
class RowScaler {
public:
    // `target` is a blank frame of the target size; each side no larger than the source's.
    RowScaler(int sourceWidth, int sourceHeight, QImage target);

    // Source row `y` (0-based; increasing, or decreasing for an image stored bottom up) of
    // premultiplied 32-bit pixels.
    void addRow(int y, const std::uint32_t* pixels);
    // The target with every row given so far.
    QImage finish();

private:
    void flush();

    int sourceWidth_;
    int sourceHeight_;
    QImage target_;
    std::vector<int> column_; // target column of each source column
    std::vector<std::uint32_t> span_; // source columns per target column
    std::vector<std::uint64_t> sums_; // four channels per target column
    int targetRow_ = -1;
    int rowsSummed_ = 0;
};

} // namespace graphics::detail
