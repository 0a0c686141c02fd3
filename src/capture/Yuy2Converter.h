#pragma once
// Packed 4:2:2 (Y0 U Y1 V) to 24-bit blue, green, red with the capture
// sequence's 16.16 fixed-point tables. The fast path computes the same table
// entries arithmetically in vector lanes, so both give identical bytes.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tavrel
{

class CDib;

struct Yuy2Tables
{
    std::int16_t redFromV[256];
    std::int16_t greenFromV[256];
    std::int16_t greenFromU[256];
    std::int16_t blueFromU[256];
};

Yuy2Tables BuildYuy2Tables();

// Converts `pixels` pixels of a contiguous packed buffer into `pixels` x 3
// bytes. An odd last pixel (no V of its own) takes a neutral V of 128.
void ConvertYuy2Reference(const std::uint8_t* source, std::size_t pixels, std::uint8_t* bgr,
                          const Yuy2Tables& tables);
void ConvertYuy2(const std::uint8_t* source, std::size_t pixels, std::uint8_t* bgr);

// The still image: width x height, 24 bits, 300 dpi, rows in delivery order
// (top-down). `source` must hold width x height x 2 bytes. 0 on bad input.
int ConvertYuy2ToDib(const std::uint8_t* source, std::size_t sourceBytes, int width, int height,
                     CDib& image);

} // namespace tavrel
