#include "Support/HandWrittenImages.h"

namespace testimages {

// A lossless still of one opaque colour, written by hand: one single-symbol prefix code for each
// channel, so every pixel takes no bits at all.
std::vector<std::uint8_t> losslessWebP(int side, std::uint32_t argb)
{
    std::vector<std::uint8_t> bits;
    std::uint64_t pending = 0;
    int count = 0;
    const auto write = [&](std::uint32_t value, int width) {
        pending |= std::uint64_t(value) << count;
        count += width;
        while (count >= 8) {
            bits.push_back(std::uint8_t(pending));
            pending >>= 8;
            count -= 8;
        }
    };
    write(0x2f, 8);
    write(std::uint32_t(side - 1), 14);
    write(std::uint32_t(side - 1), 14);
    write(0, 1); // no alpha
    write(0, 3); // version
    write(0, 1); // no transform
    write(0, 1); // no colour cache
    write(0, 1); // one set of prefix codes
    for (std::uint32_t symbol : { (argb >> 8) & 0xffu, (argb >> 16) & 0xffu, argb & 0xffu, 255u }) {
        write(1, 1); // simple code
        write(0, 1); // one symbol
        write(1, 1); // of eight bits
        write(symbol, 8);
    }
    write(1, 1); // distances: a simple code of the one-bit symbol 0
    write(0, 1);
    write(0, 1);
    write(0, 1);
    if (count > 0)
        write(0, 8 - count);
    if (bits.size() % 2)
        bits.push_back(0);
    std::vector<std::uint8_t> out = { 'R', 'I', 'F', 'F' };
    const auto put32le = [&out](std::size_t value) {
        for (int i = 0; i < 4; ++i)
            out.push_back(std::uint8_t(value >> (8 * i)));
    };
    put32le(bits.size() + 12);
    out.insert(out.end(), { 'W', 'E', 'B', 'P', 'V', 'P', '8', 'L' });
    put32le(bits.size());
    out.insert(out.end(), bits.begin(), bits.end());
    return out;
}

} // namespace testimages
