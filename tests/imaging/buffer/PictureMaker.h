#pragma once
// Small pictures for the buffer tests: rows of 24-bit pixels with padding
// bytes of a recognisable value, so that untouched padding can be checked.

#include <cstdint>
#include <random>
#include <vector>

namespace tavrel::test
{

namespace buffertest
{

constexpr std::uint8_t kPadding = 0xA5;

struct Picture
{
    int width = 0;
    int height = 0;
    int rowBytes = 0;
    std::vector<std::uint8_t> bits;

    std::uint8_t* Pixel(int x, int y) { return &bits[std::size_t(y) * rowBytes + 3 * x]; }
};

inline Picture MakeRandom(int width, int height, int extraPadding, std::uint32_t seed)
{
    Picture p{width, height, 3 * width + extraPadding, {}};
    p.bits.assign(std::size_t(p.rowBytes) * height, kPadding);
    std::mt19937 rng(seed);
    for (int y = 0; y < height; ++y)
        for (int i = 0; i < 3 * width; ++i)
            p.bits[std::size_t(y) * p.rowBytes + i] = static_cast<std::uint8_t>(rng() & 0xFF);
    return p;
}

inline Picture MakeFlat(int width, int height, std::uint8_t b, std::uint8_t g, std::uint8_t r)
{
    Picture p{width, height, (3 * width + 3) / 4 * 4, {}};
    p.bits.assign(std::size_t(p.rowBytes) * height, 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
        {
            p.Pixel(x, y)[0] = b;
            p.Pixel(x, y)[1] = g;
            p.Pixel(x, y)[2] = r;
        }
    return p;
}

} // namespace buffertest

} // namespace tavrel::test
